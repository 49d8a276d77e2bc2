#include "fit/Framing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace velvo::fit {

int zoomedLength(int length, int zoom) {
    const int64_t v = (int64_t(std::max(length, 0)) * zoom + 50) / 100;
    return int(std::min<int64_t>(v, std::numeric_limits<int>::max() / 2));
}

namespace {

// The largest offsets the picture view allows: none at all when the zoomed photo fits the
// window both ways, else the part of each side that runs past the window.
Size maxView(Size photo, int zoom, Size window) {
    const int zw = zoomedLength(photo.w, zoom), zh = zoomedLength(photo.h, zoom);
    if (window.w >= zw && window.h >= zh)
        return {0, 0};
    return {std::max(0, zw - window.w), std::max(0, zh - window.h)};
}

int roundToInt(double v) {
    const double lim = std::numeric_limits<int>::max() / 2;
    return int(std::lround(std::clamp(v, -lim, lim)));
}

} // namespace

View frameFace(Size photo, const Face& face, Size window, Size hair, const Opening& opening) {
    if (!(face.width() > 0) || !(opening.width > 0) || photo.w <= 0 || photo.h <= 0)
        return fitWhole(photo, window);
    View v;
    v.zoom = std::clamp(roundToInt(100.0 * opening.width / face.width()), 1, kMaxFramingZoom);
    // Integer halving as the overlay is centred in the window.
    const double targetX = (window.w - hair.w) / 2 + opening.centreX;
    const double targetY = (window.h - hair.h) / 2 + opening.centreY;
    const Size most = maxView(photo, v.zoom, window);
    v.viewX = std::clamp(roundToInt(face.centreX() * v.zoom / 100.0 - targetX), 0, most.w);
    v.viewY = std::clamp(roundToInt(face.centreY() * v.zoom / 100.0 - targetY), 0, most.h);
    return v;
}

View fitWhole(Size photo, Size window) {
    View v;
    if (photo.w <= 0 || photo.h <= 0 || window.w <= 0 || window.h <= 0)
        return v;
    const double byW = 100.0 * window.w / photo.w, byH = 100.0 * window.h / photo.h;
    int zoom = std::clamp(int(std::floor(std::min(byW, byH))), 1, 100);
    // The view rounds zoomed sizes halves up, which can add a pixel.
    while (zoom > 1 && (zoomedLength(photo.w, zoom) > window.w || zoomedLength(photo.h, zoom) > window.h))
        --zoom;
    v.zoom = zoom;
    return v;
}

HairPlacement placeHair(const Face& face, const View& view, Size hair, const Opening& opening) {
    HairPlacement p;
    if (hair.w <= 0 || hair.h <= 0 || !(opening.width > 0) || !(face.width() > 0)) {
        p.width = std::max(hair.w, 0);
        p.height = std::max(hair.h, 0);
        return p;
    }
    const double scale = face.width() * view.zoom / 100.0 / opening.width;
    p.width = std::max(1, roundToInt(hair.w * scale));
    p.height = std::max(1, roundToInt(hair.h * scale));
    // The overlay draws its picture stretched to the rounded size, so the opening moves by
    // the rounded size's own ratio, not by `scale`.
    const double sx = double(p.width) / hair.w, sy = double(p.height) / hair.h;
    const double faceX = face.centreX() * view.zoom / 100.0 - view.viewX;
    const double faceY = face.centreY() * view.zoom / 100.0 - view.viewY;
    p.left = roundToInt(faceX - opening.centreX * sx);
    p.top = roundToInt(faceY - opening.centreY * sy);
    return p;
}

Opening defaultOpening(Size window) {
    return {window.w / 2.0, window.h * 0.45, std::max(1.0, std::round(window.w * 0.4))};
}

} // namespace velvo::fit

#include "fit/TurnedHair.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace velvo::fit {

namespace {

struct Turn {
    double c, s;
    explicit Turn(double degrees)
        : c(std::cos(degrees * std::numbers::pi / 180)),
          s(std::sin(degrees * std::numbers::pi / 180)) {}
};

// Offsets of the canvas' top-left from the pivot's turned position, and its size.
struct Bounds {
    double left, top;
    Size size;
};

Bounds boundsOf(Size hair, const Opening& o, const Turn& t) {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool first = true;
    for (const double cx : {0.0, double(hair.w)})
        for (const double cy : {0.0, double(hair.h)}) {
            // y grows downwards, so this turns clockwise as seen for positive angles.
            const double dx = cx - o.centreX, dy = cy - o.centreY;
            const double x = t.c * dx - t.s * dy, y = t.s * dx + t.c * dy;
            x0 = first ? x : std::min(x0, x), x1 = first ? x : std::max(x1, x);
            y0 = first ? y : std::min(y0, y), y1 = first ? y : std::max(y1, y);
            first = false;
        }
    const double left = std::floor(x0) - 1, top = std::floor(y0) - 1;
    return {left, top, {int(std::ceil(x1) + 1 - left), int(std::ceil(y1) + 1 - top)}};
}

} // namespace

TurnedFrame turnedFrame(Size hair, const Opening& opening, double degrees) {
    if (std::abs(degrees) < kLeastTurn || hair.w <= 0 || hair.h <= 0)
        return {hair, opening};
    const Bounds b = boundsOf(hair, opening, Turn(degrees));
    return {b.size, {-b.left, -b.top, opening.width}};
}

TurnedHair turnHair(const imaging::Raster& hair, imaging::Bgr key, const Opening& opening,
                    double degrees) {
    if (std::abs(degrees) < kLeastTurn || hair.empty() ||
        hair.pixels.size() < size_t(hair.height) * hair.stride())
        return {hair, opening};
    const Turn t(degrees);
    const Bounds b = boundsOf({hair.width, hair.height}, opening, t);
    imaging::Raster out = imaging::Raster::create(b.size.w, b.size.h, "turned hairstyle", key);
    for (int y = 0; y < out.height; ++y) {
        uint8_t* row = out.row(y);
        // Back from the canvas pixel's centre to the picture: the inverse turn about the pivot.
        const double dy = b.top + y + 0.5;
        for (int x = 0; x < out.width; ++x) {
            const double dx = b.left + x + 0.5;
            const double sx = opening.centreX + t.c * dx + t.s * dy;
            const double sy = opening.centreY - t.s * dx + t.c * dy;
            if (!(sx >= 0 && sy >= 0 && sx < hair.width && sy < hair.height))
                continue;
            std::memcpy(row + size_t(x) * 3, hair.row(int(sy)) + size_t(int(sx)) * 3, 3);
        }
    }
    return {std::move(out), {-b.left, -b.top, opening.width}};
}

} // namespace velvo::fit

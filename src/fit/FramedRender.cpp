#include "fit/FramedRender.h"

#include <algorithm>
#include <cstdint>

namespace velvo::fit {

imaging::Bgr hairKey(const imaging::Raster& hair) {
    return hair.empty() ? imaging::Bgr{255, 255, 255} : hair.at(0, hair.height - 1);
}

namespace {
// The picture column drawn at offset d of a stretch of `to` pixels over `from`.
int sourceOf(int d, int from, int to) {
    return int(std::min<int64_t>(from - 1, int64_t(d) * from / to));
}
} // namespace

bool hairCovers(const imaging::Raster& hair, const HairPlacement& place, int x, int y) {
    const int dx = x - place.left, dy = y - place.top;
    if (hair.empty() || dx < 0 || dy < 0 || dx >= place.width || dy >= place.height)
        return false;
    return hair.at(sourceOf(dx, hair.width, place.width), sourceOf(dy, hair.height, place.height)) !=
           hairKey(hair);
}

imaging::Raster renderFramed(const imaging::Raster& photo, const View& view, Size window,
                             const imaging::Raster* hair, const HairPlacement* place) {
    imaging::Raster out = imaging::Raster::create(window.w, window.h, "framed picture", kWindowColour);
    if (!photo.empty() && view.zoom > 0) {
        const int zw = zoomedLength(photo.width, view.zoom), zh = zoomedLength(photo.height, view.zoom);
        // Zoomed pixel z covers photo pixels [z * 100 / zoom, (z + 1) * 100 / zoom).
        auto span = [&](int z, int size, int& a, int& b) {
            a = int(std::min<int64_t>(size - 1, int64_t(z) * 100 / view.zoom));
            b = int(std::clamp<int64_t>((int64_t(z) + 1) * 100 / view.zoom, a + 1, size));
        };
        for (int y = 0; y < window.h; ++y) {
            const int zy = y + view.viewY;
            if (zy < 0 || zy >= zh)
                continue;
            int y0, y1;
            span(zy, photo.height, y0, y1);
            for (int x = 0; x < window.w; ++x) {
                const int zx = x + view.viewX;
                if (zx < 0 || zx >= zw)
                    continue;
                int x0, x1;
                span(zx, photo.width, x0, x1);
                uint64_t b = 0, g = 0, r = 0;
                for (int py = y0; py < y1; ++py) {
                    const uint8_t* p = photo.row(py) + size_t(x0) * 3;
                    for (int px = x0; px < x1; ++px, p += 3)
                        b += p[0], g += p[1], r += p[2];
                }
                const uint64_t n = uint64_t(x1 - x0) * uint64_t(y1 - y0);
                out.set(x, y, {uint8_t(b / n), uint8_t(g / n), uint8_t(r / n)});
            }
        }
    }
    if (hair && place && !hair->empty() && place->width > 0 && place->height > 0) {
        const imaging::Bgr key = hairKey(*hair);
        const int x0 = std::max(0, place->left), x1 = std::min(window.w, place->left + place->width);
        const int y0 = std::max(0, place->top), y1 = std::min(window.h, place->top + place->height);
        for (int y = y0; y < y1; ++y) {
            const int sy = sourceOf(y - place->top, hair->height, place->height);
            for (int x = x0; x < x1; ++x) {
                const imaging::Bgr c = hair->at(sourceOf(x - place->left, hair->width, place->width), sy);
                if (c != key)
                    out.set(x, y, c);
            }
        }
    }
    return out;
}

} // namespace velvo::fit

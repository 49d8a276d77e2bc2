#include "fit/GreyCopy.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace velvo::fit {

namespace {
// Grey of one photo pixel, times 1024 (the weights 0.114, 0.587, 0.299 in 1024ths).
inline uint32_t grey1024(const uint8_t* p) {
    return 117u * p[0] + 601u * p[1] + 306u * p[2];
}
} // namespace

GreyCopy reducedGrey(const uint8_t* bgr, int width, int height, size_t stride, int longSide) {
    GreyCopy g;
    if (!bgr || width <= 0 || height <= 0 || longSide <= 0)
        return g;
    const int longer = std::max(width, height);
    const int f = std::max(1, longer / longSide);
    g.width = std::max(1, width / f);
    g.height = std::max(1, height / f);
    const int fx = std::min(f, width), fy = std::min(f, height);
    g.pixels.assign(size_t(g.width) * g.height, 0);
    // Sums of weighted channels per output column, one block row at a time; the weights are
    // the grey weights times 1024 so the sums stay whole.
    std::vector<uint64_t> sums(size_t(g.width));
    const uint64_t count = uint64_t(fx) * uint64_t(fy);
    for (int oy = 0; oy < g.height; ++oy) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = oy * fy; y < oy * fy + fy; ++y) {
            const uint8_t* p = bgr + size_t(y) * stride;
            for (int ox = 0; ox < g.width; ++ox) {
                uint64_t s = 0;
                for (int k = 0; k < fx; ++k, p += 3)
                    s += grey1024(p);
                sums[size_t(ox)] += s;
            }
        }
        uint8_t* out = g.pixels.data() + size_t(oy) * g.width;
        for (int ox = 0; ox < g.width; ++ox)
            out[ox] = uint8_t((sums[size_t(ox)] / count + 512) >> 10);
    }
    equalise(g);
    return g;
}

GreyCopy greyCrop(const uint8_t* bgr, int width, int height, size_t stride, double x, double y,
                  double w, double h, int outW, int outH) {
    GreyCopy g;
    if (!bgr || width <= 0 || height <= 0 || outW <= 0 || outH <= 0 || !(w > 0) || !(h > 0))
        return g;
    g.width = outW, g.height = outH;
    g.pixels.resize(size_t(outW) * outH);
    const double sx = w / outW, sy = h / outH;
    auto at = [&](int px, int py) {
        px = std::clamp(px, 0, width - 1), py = std::clamp(py, 0, height - 1);
        return grey1024(bgr + size_t(py) * stride + size_t(px) * 3);
    };
    for (int oy = 0; oy < outH; ++oy)
        for (int ox = 0; ox < outW; ++ox) {
            double v;
            if (sx >= 1 && sy >= 1) {
                const int x0 = int(std::floor(x + ox * sx)), x1 = std::max(x0 + 1, int(std::floor(x + (ox + 1) * sx)));
                const int y0 = int(std::floor(y + oy * sy)), y1 = std::max(y0 + 1, int(std::floor(y + (oy + 1) * sy)));
                uint64_t sum = 0;
                for (int py = y0; py < y1; ++py)
                    for (int px = x0; px < x1; ++px)
                        sum += at(px, py);
                v = double(sum) / (double(x1 - x0) * (y1 - y0));
            } else {
                const double fx = x + (ox + 0.5) * sx - 0.5, fy = y + (oy + 0.5) * sy - 0.5;
                const int px = int(std::floor(fx)), py = int(std::floor(fy));
                const double tx = fx - px, ty = fy - py;
                v = (at(px, py) * (1 - tx) + at(px + 1, py) * tx) * (1 - ty) +
                    (at(px, py + 1) * (1 - tx) + at(px + 1, py + 1) * tx) * ty;
            }
            g.pixels[size_t(oy) * outW + ox] = uint8_t(std::clamp(std::lround(v / 1024.0), 0L, 255L));
        }
    equalise(g);
    return g;
}

void equalise(GreyCopy& grey) {
    const size_t n = grey.pixels.size();
    if (n == 0)
        return;
    std::array<size_t, 256> hist{};
    for (uint8_t v : grey.pixels)
        ++hist[v];
    int lowest = 0;
    while (hist[size_t(lowest)] == 0)
        ++lowest;
    const size_t below = hist[size_t(lowest)];
    if (below == n)
        return; // one grey only: nothing to spread
    std::array<uint8_t, 256> map{};
    size_t cumulative = 0;
    for (int v = 0; v < 256; ++v) {
        cumulative += hist[size_t(v)];
        map[size_t(v)] = v < lowest ? 0
                                    : uint8_t(std::lround(double(cumulative - below) * 255.0 / double(n - below)));
    }
    for (uint8_t& v : grey.pixels)
        v = map[v];
}

} // namespace velvo::fit

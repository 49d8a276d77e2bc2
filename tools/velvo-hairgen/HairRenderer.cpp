#include "HairRenderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "HairShape.h"
#include "Random.h"

namespace velvo::hairgen {

namespace {

constexpr imaging::Bgr kWhite{255, 255, 255};
constexpr int kMargin = 5;
constexpr int kLevels = 254; // ramp entries; with white the picture has at most 255 colours

// The hairstyle's fields sampled once per pixel, and the float picture the strands are
// composited into. Pixel (i, j) has its centre at head coordinates (i + 0.5 - ox, j + 0.5 - oy).
struct Canvas {
    int width = 0, height = 0;
    double ox = 0, oy = 0;
    std::vector<float> value, cover, flowX, flowY, shade, highlight, across;
    std::vector<uint8_t> inside, tipsBlocked;

    size_t index(int i, int j) const { return size_t(j) * width + i; }
    // Index of the pixel under head point (x, y), or -1 outside the canvas.
    long long at(double x, double y) const {
        const int i = int(std::floor(x + ox)), j = int(std::floor(y + oy));
        if (i < 0 || j < 0 || i >= width || j >= height)
            return -1;
        return (long long)index(i, j);
    }
    bool insideAt(double x, double y) const {
        const long long k = at(x, y);
        return k >= 0 && inside[size_t(k)];
    }
    bool tipsAllowedAt(double x, double y) const {
        const int i = int(std::floor(x + ox)), j = int(std::floor(y + oy));
        return i >= kMargin && j >= kMargin && i < width - kMargin && j < height - kMargin &&
               !tipsBlocked[index(i, j)];
    }
    // Bilinear flow; false where the field is undefined.
    bool flow(double x, double y, double& dx, double& dy) const {
        const double fx = x + ox - 0.5, fy = y + oy - 0.5;
        const int i = int(std::floor(fx)), j = int(std::floor(fy));
        if (i < 0 || j < 0 || i + 1 >= width || j + 1 >= height)
            return false;
        const double tx = fx - i, ty = fy - j;
        const size_t k = index(i, j);
        auto lerp2 = [&](const std::vector<float>& f) {
            const double top = f[k] + (f[k + 1] - f[k]) * tx;
            const double bottom = f[k + width] + (f[k + width + 1] - f[k + width]) * tx;
            return top + (bottom - top) * ty;
        };
        dx = lerp2(flowX), dy = lerp2(flowY);
        const double n = std::sqrt(dx * dx + dy * dy);
        if (n < 1e-6)
            return false;
        dx /= n, dy /= n;
        return true;
    }

    void splat(double x, double y, double radius, double alpha, double v) {
        const double px = x + ox, py = y + oy;
        const double reach = radius + 0.5;
        const int x0 = std::max(0, int(px - reach)), x1 = std::min(width - 1, int(px + reach));
        const int y0 = std::max(0, int(py - reach)), y1 = std::min(height - 1, int(py + reach));
        for (int j = y0; j <= y1; ++j) {
            const double ddy = j + 0.5 - py;
            for (int i = x0; i <= x1; ++i) {
                const double ddx = i + 0.5 - px;
                const double c = (reach - std::sqrt(ddx * ddx + ddy * ddy)) * alpha;
                if (c <= 0)
                    continue;
                const double a = std::min(alpha, c);
                const size_t k = index(i, j);
                value[k] += float(a * (v - value[k]));
                cover[k] += float(a * (1 - cover[k]));
            }
        }
    }
};

struct Point {
    double x, y;
};

// Follows the flow from (x, y) in direction `sign` for at most `length` pixels while inside
// the hair. `exited` tells whether the walk left the hair (rather than running out of length
// or meeting a parting or whorl where the flow turns back).
void trace(const Canvas& canvas, double x, double y, double sign, double length,
           std::vector<Point>& points, bool& exited) {
    points.clear();
    exited = false;
    double pdx = 0, pdy = 0;
    for (int step = 0; step < int(length); ++step) {
        double dx, dy;
        if (!canvas.flow(x, y, dx, dy))
            break;
        dx *= sign, dy *= sign;
        if (step > 0 && dx * pdx + dy * pdy < 0.3)
            break;
        x += dx, y += dy;
        pdx = dx, pdy = dy;
        if (!canvas.insideAt(x, y)) {
            exited = true;
            break;
        }
        points.push_back({x, y});
    }
}

// A loose tip beyond the outline, thinning to nothing; it keeps the last direction.
void drawTip(Canvas& canvas, Point from, Point before, double length, double radius, double alpha,
             double v) {
    double dx = from.x - before.x, dy = from.y - before.y;
    const double n = std::sqrt(dx * dx + dy * dy);
    if (n < 1e-6)
        return;
    dx /= n, dy /= n;
    double x = from.x, y = from.y;
    for (int step = 0; step < int(length); ++step) {
        x += dx, y += dy;
        if (!canvas.tipsAllowedAt(x, y))
            return;
        const double left = 1 - double(step) / length;
        canvas.splat(x, y, radius * (0.35 + 0.65 * left), alpha, v);
    }
}

struct Pass {
    double overdraw, minRadius, maxRadius, alpha, brightness, spread;
};

void drawPass(const HairStyle& style, Canvas& canvas, Random& rng, const Pass& pass, size_t area) {
    // Enough strands that every part of the hair is crossed about `overdraw` times.
    const double meanLength = style.strandLength * 0.6;
    const double width = pass.minRadius + pass.maxRadius;
    const double count = std::max(50.0, double(area) * pass.overdraw / (meanLength * width));
    const double spacing = std::sqrt(double(area) / count);
    std::vector<Point> seeds;
    for (double y = -canvas.oy; y < canvas.height - canvas.oy; y += spacing)
        for (double x = -canvas.ox; x < canvas.width - canvas.ox; x += spacing) {
            const double sx = x + rng.uniform() * spacing, sy = y + rng.uniform() * spacing;
            if (canvas.insideAt(sx, sy))
                seeds.push_back({sx, sy});
        }
    for (size_t i = seeds.size(); i > 1; --i)
        std::swap(seeds[i - 1], seeds[rng.next() % i]);

    std::vector<Point> front, back;
    for (const Point& seed : seeds) {
        const double total = style.strandLength * rng.uniform(0.3, 1.0);
        const double forward = rng.uniform(0.3, 0.8);
        bool outFront, outBack;
        trace(canvas, seed.x, seed.y, 1, total * forward, front, outFront);
        trace(canvas, seed.x, seed.y, -1, total * (1 - forward), back, outBack);

        const size_t sk = size_t(canvas.at(seed.x, seed.y));
        const double lock = noise1(style.seed + 3, canvas.across[sk] / 7);
        const double base = (0.58 + 0.13 * lock + pass.spread * rng.gaussian()) * pass.brightness;
        const double glint = 0.65 + 0.35 * noise1(style.seed + 5, canvas.across[sk] / 4);
        const double radius = rng.uniform(pass.minRadius, pass.maxRadius);

        auto draw = [&](const Point& p) {
            const long long k = canvas.at(p.x, p.y);
            const double v =
                base * canvas.shade[size_t(k)] + style.shine * glint * canvas.highlight[size_t(k)];
            canvas.splat(p.x, p.y, radius, pass.alpha, v);
            return v;
        };
        for (auto it = back.rbegin(); it != back.rend(); ++it)
            draw(*it);
        double v = draw(seed);
        for (const Point& p : front)
            v = draw(p);

        if (outFront && front.size() > 1)
            drawTip(canvas, front.back(), front[front.size() - 2],
                    style.tips * rng.uniform(0.2, 1.0), radius, pass.alpha, v);
        if (outBack && back.size() > 1 && style.flow != Flow::Part)
            drawTip(canvas, back.back(), back[back.size() - 2], style.tips * rng.uniform(0.1, 0.6),
                    radius, pass.alpha, v);
    }
}

void sampleFields(const HairShape& shape, Canvas& canvas) {
    const size_t n = size_t(canvas.width) * canvas.height;
    for (auto* f : {&canvas.value, &canvas.cover, &canvas.flowX, &canvas.flowY, &canvas.shade,
                    &canvas.highlight, &canvas.across})
        f->assign(n, 0);
    canvas.inside.assign(n, 0);
    canvas.tipsBlocked.assign(n, 0);
    std::vector<uint8_t> outline(n, 0);
    for (int j = 0; j < canvas.height; ++j)
        for (int i = 0; i < canvas.width; ++i) {
            const double x = i + 0.5 - canvas.ox, y = j + 0.5 - canvas.oy;
            const size_t k = canvas.index(i, j);
            const bool edge = i < kMargin || j < kMargin || i >= canvas.width - kMargin ||
                              j >= canvas.height - kMargin;
            outline[k] = shape.inOutline(x, y);
            canvas.tipsBlocked[k] = shape.forbiddenForTips(x, y);
            canvas.inside[k] = !edge && outline[k] && !shape.forbidden(x, y);
        }
    // The fields reach a few pixels beyond the outline so that tracing near its edge is smooth.
    constexpr int kReach = 3;
    for (int j = 0; j < canvas.height; ++j)
        for (int i = 0; i < canvas.width; ++i) {
            bool near = false;
            for (int dj = -kReach; dj <= kReach && !near; dj += kReach)
                for (int di = -kReach; di <= kReach && !near; di += kReach) {
                    const int a = i + di, b = j + dj;
                    near = a >= 0 && b >= 0 && a < canvas.width && b < canvas.height &&
                           outline[canvas.index(a, b)];
                }
            if (!near)
                continue;
            const double x = i + 0.5 - canvas.ox, y = j + 0.5 - canvas.oy;
            const size_t k = canvas.index(i, j);
            double dx, dy;
            shape.flow(x, y, dx, dy);
            canvas.flowX[k] = float(dx), canvas.flowY[k] = float(dy);
            canvas.shade[k] = float(shape.shade(x, y));
            canvas.highlight[k] = float(shape.highlight(x, y));
            canvas.across[k] = float(shape.across(x, y));
            if (canvas.inside[k]) {
                canvas.value[k] = float(0.22 * canvas.shade[k]);
                canvas.cover[k] = 1;
            }
        }
}

} // namespace

imaging::Bgr rampColour(const HairColour& colour, double t) {
    t = clamp01(t) * 4;
    const int k = std::min(3, int(t));
    const double f = t - k;
    const Rgb& a = colour.ramp[k];
    const Rgb& b = colour.ramp[k + 1];
    auto mix = [f](double p, double q) {
        return uint8_t(std::lround(std::clamp(p + (q - p) * f, 0.0, 254.0)));
    };
    return {mix(a.b, b.b), mix(a.g, b.g), mix(a.r, b.r)};
}

imaging::Raster renderHairstyle(const HairStyle& style, FacePlacement* face) {
    const HairShape shape(style);
    Canvas canvas;
    canvas.width = int(std::ceil(2 * shape.halfWidth())) + 2 * kMargin;
    canvas.height = int(std::ceil(shape.bottom() - shape.top())) + 2 * kMargin;
    canvas.ox = canvas.width / 2.0;
    canvas.oy = kMargin - shape.top();
    sampleFields(shape, canvas);
    const size_t area = size_t(std::count(canvas.inside.begin(), canvas.inside.end(), 1));

    Random rng(style.seed);
    // Body, then surface strands, then a few bright single hairs.
    drawPass(style, canvas, rng, {3.5, 1.0, 1.5, 0.5, 0.72, 0.06}, area);
    drawPass(style, canvas, rng, {3.0, 0.55, 0.95, 0.6, 1.0, 0.09}, area);
    drawPass(style, canvas, rng, {0.4, 0.45, 0.6, 0.7, 1.18, 0.05}, area);

    // Crop to the hair and keep a white frame.
    const size_t n = canvas.value.size();
    int minI = canvas.width, maxI = -1, minJ = canvas.height, maxJ = -1;
    std::vector<uint8_t> hair(n, 0);
    for (int j = 0; j < canvas.height; ++j)
        for (int i = 0; i < canvas.width; ++i) {
            const size_t k = canvas.index(i, j);
            if (canvas.inside[k] || (canvas.cover[k] >= 0.5f && !canvas.tipsBlocked[k])) {
                hair[k] = 1;
                minI = std::min(minI, i), maxI = std::max(maxI, i);
                minJ = std::min(minJ, j), maxJ = std::max(maxJ, j);
            }
        }
    if (maxI < 0)
        return imaging::Raster::create(2 * kMargin, 2 * kMargin, style.name, kWhite);
    minI = std::max(0, minI - kMargin), maxI = std::min(canvas.width - 1, maxI + kMargin);
    minJ = std::max(0, minJ - kMargin), maxJ = std::min(canvas.height - 1, maxJ + kMargin);
    if (face)
        *face = {canvas.ox - minI, canvas.oy - minJ + shape.faceCentreY(), shape.faceHalfWidth()};

    imaging::Raster out =
        imaging::Raster::create(maxI - minI + 1, maxJ - minJ + 1, style.name, kWhite);
    out.background = kWhite;
    std::vector<imaging::Bgr> palette(kLevels);
    for (int q = 0; q < kLevels; ++q)
        palette[q] = rampColour(style.colour, double(q) / (kLevels - 1));
    for (int j = minJ; j <= maxJ; ++j)
        for (int i = minI; i <= maxI; ++i) {
            const size_t k = canvas.index(i, j);
            if (!hair[k])
                continue;
            const int q = int(std::lround(clamp01(canvas.value[k]) * (kLevels - 1)));
            out.set(i - minI, j - minJ, palette[q]);
        }
    return out;
}

} // namespace velvo::hairgen

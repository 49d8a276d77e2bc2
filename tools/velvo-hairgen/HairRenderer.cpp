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

// The hairstyle's fields sampled once per library pixel, and the float picture the strands are
// composited into, `scale` times finer. Library pixel (i, j) has its centre at head
// coordinates (i + 0.5 - ox, j + 0.5 - oy); the strands are traced in those coordinates at
// the library's resolution, so the master and the library picture show the same strands.
struct Canvas {
    int width = 0, height = 0;
    double ox = 0, oy = 0;
    std::vector<float> flowX, flowY, shade, highlight, across;
    std::vector<uint8_t> inside, tipsBlocked;
    // The fine grid: fineWidth = width * scale.
    int scale = 1, fineWidth = 0, fineHeight = 0;
    std::vector<float> value, cover;
    std::vector<uint8_t> insideFine, blockedFine;

    size_t index(int i, int j) const { return size_t(j) * width + i; }
    size_t fineIndex(int i, int j) const { return size_t(j) * fineWidth + i; }
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

    // A round dab of `radius` head pixels, anti-aliased over one fine pixel per `alpha`.
    void splat(double x, double y, double radius, double alpha, double v) {
        const float px = float((x + ox) * scale), py = float((y + oy) * scale);
        const float reach = float(radius * scale + 0.5), fa = float(alpha), fv = float(v);
        // Within reach - 1 the dab is at full strength; only its rim needs the distance.
        const float solid = reach > 1 ? (reach - 1) * (reach - 1) : -1, outer = reach * reach;
        const int y0 = std::max(0, int(py - reach)), y1 = std::min(fineHeight - 1, int(py + reach));
        for (int j = y0; j <= y1; ++j) {
            const float ddy = float(j) + 0.5f - py;
            const float rest = outer - ddy * ddy;
            if (rest <= 0)
                continue;
            const float half = std::sqrt(rest);
            const int x0 = std::max(0, int(std::ceil(px - half - 0.5f)));
            const int x1 = std::min(fineWidth - 1, int(std::floor(px + half - 0.5f)));
            float* val = &value[fineIndex(0, j)];
            float* cov = &cover[fineIndex(0, j)];
            for (int i = x0; i <= x1; ++i) {
                const float ddx = float(i) + 0.5f - px;
                const float d2 = ddx * ddx + ddy * ddy;
                const float a = d2 <= solid ? fa : std::min(fa, (reach - std::sqrt(d2)) * fa);
                if (a <= 0)
                    continue;
                val[i] += a * (fv - val[i]);
                cov[i] += a * (1 - cov[i]);
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
    for (auto* f : {&canvas.flowX, &canvas.flowY, &canvas.shade, &canvas.highlight, &canvas.across})
        f->assign(n, 0);
    canvas.inside.assign(n, 0);
    canvas.tipsBlocked.assign(n, 0);
    std::vector<uint8_t> outline(n, 0);
    auto inMargin = [&](int i, int j) {
        return i < kMargin || j < kMargin || i >= canvas.width - kMargin ||
               j >= canvas.height - kMargin;
    };
    for (int j = 0; j < canvas.height; ++j)
        for (int i = 0; i < canvas.width; ++i) {
            const double x = i + 0.5 - canvas.ox, y = j + 0.5 - canvas.oy;
            const size_t k = canvas.index(i, j);
            outline[k] = shape.inOutline(x, y);
            canvas.tipsBlocked[k] = shape.forbiddenForTips(x, y);
            canvas.inside[k] = !inMargin(i, j) && outline[k] && !shape.forbidden(x, y);
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
        }

    // The fine masks. Only library pixels next to a change of mask are sampled anew at each
    // fine pixel; elsewhere the block takes the library pixel's value, which is what the
    // finer samples would give and saves most of the shape's arithmetic.
    const int s = canvas.scale;
    canvas.fineWidth = canvas.width * s, canvas.fineHeight = canvas.height * s;
    const size_t fine = size_t(canvas.fineWidth) * canvas.fineHeight;
    canvas.value.assign(fine, 0);
    canvas.cover.assign(fine, 0);
    canvas.insideFine.assign(fine, 0);
    canvas.blockedFine.assign(fine, 0);
    for (int j = 0; j < canvas.height; ++j)
        for (int i = 0; i < canvas.width; ++i) {
            const size_t k = canvas.index(i, j);
            bool mixed = false;
            for (int dj = -1; dj <= 1 && !mixed; ++dj)
                for (int di = -1; di <= 1 && !mixed; ++di) {
                    const int a = std::clamp(i + di, 0, canvas.width - 1);
                    const int b = std::clamp(j + dj, 0, canvas.height - 1);
                    const size_t q = canvas.index(a, b);
                    mixed = canvas.inside[q] != canvas.inside[k] ||
                            canvas.tipsBlocked[q] != canvas.tipsBlocked[k];
                }
            const bool edge = inMargin(i, j);
            for (int fj = j * s; fj < (j + 1) * s; ++fj)
                for (int fi = i * s; fi < (i + 1) * s; ++fi) {
                    const size_t f = canvas.fineIndex(fi, fj);
                    bool in = canvas.inside[k], blocked = canvas.tipsBlocked[k];
                    if (mixed && s > 1) {
                        const double x = (fi + 0.5) / s - canvas.ox;
                        const double y = (fj + 0.5) / s - canvas.oy;
                        blocked = shape.forbiddenForTips(x, y);
                        in = !edge && shape.inOutline(x, y) && !shape.forbidden(x, y);
                    }
                    canvas.insideFine[f] = in;
                    canvas.blockedFine[f] = blocked;
                    if (in) {
                        canvas.value[f] = float(0.22 * canvas.shade[k]);
                        canvas.cover[f] = 1;
                    }
                }
        }
}

// Two passes of a 3 x 3 box: the hard cut where hair meets the face opening becomes a ramp
// of about four fine pixels, centred where the cut was, so half opacity stays on the line.
void feather(std::vector<float>& alpha, int width, int height) {
    std::vector<float> tmp(alpha.size());
    for (int pass = 0; pass < 2; ++pass) {
        for (int j = 0; j < height; ++j) {
            const float* in = &alpha[size_t(j) * width];
            float* out = &tmp[size_t(j) * width];
            for (int i = 0; i < width; ++i)
                out[i] = (in[std::max(0, i - 1)] + in[i] + in[std::min(width - 1, i + 1)]) / 3;
        }
        for (int j = 0; j < height; ++j) {
            const float* up = &tmp[size_t(std::max(0, j - 1)) * width];
            const float* mid = &tmp[size_t(j) * width];
            const float* down = &tmp[size_t(std::min(height - 1, j + 1)) * width];
            float* out = &alpha[size_t(j) * width];
            for (int i = 0; i < width; ++i)
                out[i] = (up[i] + mid[i] + down[i]) / 3;
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

RenderedHair renderHairstyle(const HairStyle& style, FacePlacement* face, int scale) {
    const HairShape shape(style);
    Canvas canvas;
    canvas.width = int(std::ceil(2 * shape.halfWidth())) + 2 * kMargin;
    canvas.height = int(std::ceil(shape.bottom() - shape.top())) + 2 * kMargin;
    canvas.ox = canvas.width / 2.0;
    canvas.oy = kMargin - shape.top();
    canvas.scale = std::max(1, scale);
    sampleFields(shape, canvas);
    const size_t area = size_t(std::count(canvas.inside.begin(), canvas.inside.end(), 1));

    Random rng(style.seed);
    // Body, then surface strands, then a few bright single hairs.
    drawPass(style, canvas, rng, {3.5, 1.0, 1.5, 0.5, 0.72, 0.06}, area);
    drawPass(style, canvas, rng, {3.0, 0.55, 0.95, 0.6, 1.0, 0.09}, area);
    drawPass(style, canvas, rng, {0.4, 0.45, 0.6, 0.7, 1.18, 0.05}, area);

    // Opacity: the hair mass is solid, strands beyond it as dense as they were laid, nothing
    // over the face below the brows.
    const int s = canvas.scale, fw = canvas.fineWidth, fh = canvas.fineHeight;
    std::vector<float> alpha(canvas.cover.size());
    for (size_t f = 0; f < alpha.size(); ++f)
        alpha[f] = canvas.insideFine[f] ? 1.0f
                   : canvas.blockedFine[f] ? 0.0f
                                           : std::clamp(canvas.cover[f], 0.0f, 1.0f);
    // Feathered with the colour carried along (premultiplied), so the soft edge has the hair's
    // own colour rather than whatever lay under the face opening.
    std::vector<float> premultiplied(alpha.size());
    for (size_t f = 0; f < alpha.size(); ++f)
        premultiplied[f] = alpha[f] * canvas.value[f];
    if (s > 1) {
        feather(alpha, fw, fh);
        feather(premultiplied, fw, fh);
        for (size_t f = 0; f < alpha.size(); ++f)
            if (alpha[f] > 1e-6f)
                canvas.value[f] = premultiplied[f] / alpha[f];
    }

    // The library picture: each pixel the mean of its block, hair where at least half opaque,
    // its ramp position the opacity-weighted mean of the block's.
    std::vector<float> blockValue(size_t(canvas.width) * canvas.height, -1);
    int minI = canvas.width, maxI = -1, minJ = canvas.height, maxJ = -1;
    const float blockArea = float(s * s);
    for (int j = 0; j < canvas.height; ++j)
        for (int i = 0; i < canvas.width; ++i) {
            float a = 0, av = 0;
            for (int fj = j * s; fj < (j + 1) * s; ++fj)
                for (int fi = i * s; fi < (i + 1) * s; ++fi) {
                    const size_t f = canvas.fineIndex(fi, fj);
                    a += alpha[f];
                    av += premultiplied[f];
                }
            if (a < 0.5f * blockArea)
                continue;
            blockValue[canvas.index(i, j)] = av / a;
            minI = std::min(minI, i), maxI = std::max(maxI, i);
            minJ = std::min(minJ, j), maxJ = std::max(maxJ, j);
        }
    RenderedHair out;
    out.scale = s;
    if (maxI < 0) {
        out.picture = imaging::Raster::create(2 * kMargin, 2 * kMargin, style.name, kWhite);
        out.master.width = out.master.height = 2 * kMargin * s;
        out.master.pixels.assign(size_t(out.master.width) * out.master.height * 4, 0);
        return out;
    }
    minI = std::max(0, minI - kMargin), maxI = std::min(canvas.width - 1, maxI + kMargin);
    minJ = std::max(0, minJ - kMargin), maxJ = std::min(canvas.height - 1, maxJ + kMargin);
    if (face)
        *face = {canvas.ox - minI, canvas.oy - minJ + shape.faceCentreY(), shape.faceHalfWidth()};

    imaging::Raster& picture = out.picture;
    picture = imaging::Raster::create(maxI - minI + 1, maxJ - minJ + 1, style.name, kWhite);
    picture.background = kWhite;
    std::vector<imaging::Bgr> palette(kLevels);
    for (int q = 0; q < kLevels; ++q)
        palette[q] = rampColour(style.colour, double(q) / (kLevels - 1));
    for (int j = minJ; j <= maxJ; ++j)
        for (int i = minI; i <= maxI; ++i) {
            const float v = blockValue[canvas.index(i, j)];
            if (v < 0)
                continue;
            const int q = int(std::lround(clamp01(v) * (kLevels - 1)));
            picture.set(i - minI, j - minJ, palette[q]);
        }

    // The master's colours from a fine ramp: rampColour per pixel costs more than the drawing.
    constexpr int kFineLevels = 1024;
    std::vector<imaging::Bgr> fineRamp(kFineLevels);
    for (int q = 0; q < kFineLevels; ++q)
        fineRamp[q] = rampColour(style.colour, double(q) / (kFineLevels - 1));
    imaging::RasterBgra& master = out.master;
    master.width = picture.width * s;
    master.height = picture.height * s;
    master.pixels.resize(size_t(master.width) * master.height * 4);
    for (int y = 0; y < master.height; ++y) {
        uint8_t* p = master.row(y);
        for (int x = 0; x < master.width; ++x, p += 4) {
            const size_t f = canvas.fineIndex(minI * s + x, minJ * s + y);
            const imaging::Bgr c =
                fineRamp[size_t(std::clamp(canvas.value[f], 0.0f, 1.0f) * (kFineLevels - 1) + 0.5f)];
            p[0] = c.b, p[1] = c.g, p[2] = c.r;
            p[3] = uint8_t(std::clamp(alpha[f], 0.0f, 1.0f) * 255 + 0.5f);
        }
    }
    return out;
}

} // namespace velvo::hairgen

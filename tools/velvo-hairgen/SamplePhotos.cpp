#include "SamplePhotos.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Catalogue.h"
#include "HairRenderer.h"
#include "Random.h"
#include "imaging/codecs/ImageFile.h"

namespace velvo::hairgen {

using imaging::Bgr;
using imaging::Raster;

namespace {

double sq(double v) {
    return v * v;
}

struct Colour {
    double r, g, b;
};

Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Colour scale(Colour a, double k) {
    return {a.r * k, a.g * k, a.b * k};
}

Bgr toBgr(Colour c) {
    auto q = [](double v) { return uint8_t(std::lround(std::clamp(v, 0.0, 255.0))); };
    return {q(c.b), q(c.g), q(c.r)};
}

// Soft inside test of an ellipse: 1 inside, 0 outside, a pixel-wide ramp on the edge.
double ellipse(double x, double y, double cx, double cy, double rx, double ry) {
    const double d = (std::sqrt(sq((x - cx) / rx) + sq((y - cy) / ry)) - 1) * std::min(rx, ry);
    return clamp01(0.5 - d);
}

struct Mannequin {
    Colour skin, backdropInner, backdropOuter, garment;
    double cx, cy, rx, ry;
};

Colour shadeMannequin(const Mannequin& m, double x, double y, uint64_t seed) {
    const double w = 512, h = 512;
    const double r = std::hypot((x - w * 0.45) / w, (y - h * 0.35) / h);
    Colour c = mix(m.backdropInner, m.backdropOuter, clamp01(r * 1.4));
    c = scale(c, 1 + 0.03 * noise1(seed, x / 90) + 0.03 * noise1(seed + 1, y / 70));

    // Bust and shoulders in a plain garment, under the neck.
    const double bust = ellipse(x, y, m.cx, 540, 240, 170);
    const double neckHalf = 0.52 * m.rx * (1 + 0.3 * smoothstep(350, 400, y));
    const double neck = clamp01(neckHalf - std::abs(x - m.cx) + 0.5) *
                        clamp01(y - (m.cy + 0.5 * m.ry)) * (y < 470 ? 1 : 0);
    const double neckLight = 0.62 + 0.25 * (1 - sq((x - m.cx) / neckHalf)) -
                             0.25 * (1 - smoothstep(m.cy + 0.8 * m.ry, m.cy + 1.15 * m.ry, y));
    c = mix(c, scale(m.skin, neckLight), neck);
    const double folds = 0.85 + 0.15 * std::sin(x / 23 + y / 41);
    c = mix(c, scale(m.garment, folds * (0.7 + 0.3 * (1 - clamp01(std::abs(x - m.cx) / 230)))),
            bust);

    // Ears, then the egg-shaped head lit from the upper left.
    for (double side : {-1.0, 1.0}) {
        const double ear = ellipse(x, y, m.cx + side * m.rx * 0.98, m.cy + 0.12 * m.ry, 11, 22);
        c = mix(c, scale(m.skin, 0.72), ear);
    }
    const double dy = y - m.cy;
    const double rxAt = m.rx * (dy > 0 ? 1 - 0.28 * sq(dy / m.ry) : 1);
    const double head =
        clamp01((1 - std::sqrt(sq((x - m.cx) / rxAt) + sq(dy / m.ry))) * m.rx + 0.5);
    if (head > 0) {
        const double nx = (x - m.cx) / rxAt, ny = dy / m.ry;
        const double nz = std::sqrt(std::max(0.0, 1 - nx * nx - ny * ny));
        const double lambert = std::max(0.0, -0.45 * nx - 0.5 * ny + 0.74 * nz);
        Colour s = scale(m.skin, 0.45 + 0.62 * lambert);
        const double ex = m.cx, ey = m.cy + 0.12 * m.ry; // eye line
        for (double side : {-1.0, 1.0}) {
            const double socket =
                ellipse(x, y, ex + side * 0.36 * m.rx, ey, 0.2 * m.rx, 0.12 * m.ry);
            s = mix(s, scale(s, 0.82), socket * 0.8);
            const double eye = ellipse(x, y, ex + side * 0.36 * m.rx, ey, 0.13 * m.rx, 0.05 * m.ry);
            s = mix(s, Colour{236, 232, 226}, eye);
            const double iris =
                ellipse(x, y, ex + side * 0.36 * m.rx, ey, 0.05 * m.rx, 0.05 * m.ry);
            s = mix(s, Colour{60, 45, 35}, iris);
            const double brow =
                ellipse(x, y, ex + side * 0.36 * m.rx,
                        ey - 0.13 * m.ry - sq((x - ex - side * 0.36 * m.rx) / m.rx) * 40,
                        0.17 * m.rx, 0.022 * m.ry);
            s = mix(s, scale(m.skin, 0.35), brow);
        }
        const double nose = ellipse(x, y, m.cx + 4, m.cy + 0.45 * m.ry, 0.1 * m.rx, 0.05 * m.ry);
        s = mix(s, scale(s, 0.78), nose);
        const double lips = ellipse(x, y, m.cx, m.cy + 0.72 * m.ry, 0.22 * m.rx, 0.05 * m.ry);
        s = mix(s, mix(scale(m.skin, 0.7), Colour{170, 70, 75}, 0.6), lips);
        c = mix(c, s, head);
    }
    return c;
}

} // namespace

Raster mannequinPortrait(int variant) {
    static const Mannequin looks[] = {
        {{226, 184, 156}, {196, 206, 218}, {92, 104, 124}, {40, 44, 58}, 256, 196, 80, 102},
        {{160, 112, 82}, {236, 222, 200}, {150, 122, 96}, {120, 30, 42}, 250, 204, 84, 106},
        {{240, 206, 182}, {210, 224, 206}, {90, 116, 96}, {236, 236, 232}, 260, 200, 78, 100},
    };
    const Mannequin& m = looks[variant % 3];
    Raster out = Raster::create(512, 512, "mannequin");
    // 2 x 2 samples per pixel smooth the outlines.
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            Colour sum{0, 0, 0};
            for (int k = 0; k < 4; ++k) {
                const Colour c = shadeMannequin(m, x + 0.25 + 0.5 * (k & 1),
                                                y + 0.25 + 0.5 * (k >> 1), variant + 1);
                sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
            }
            out.set(x, y, toBgr(scale(sum, 0.25)));
        }
    return out;
}

Raster colourChart() {
    const std::vector<HairColour> colours = sampleColours();
    const int columns = 6, cellW = 96, cellH = 190;
    const int rows = int((colours.size() + columns - 1) / columns);
    Raster out =
        Raster::create(columns * cellW + 24, rows * cellH + 24, "colour chart", Bgr{238, 234, 228});
    Random rng(99);
    for (size_t i = 0; i < colours.size(); ++i) {
        const int left = 12 + int(i % columns) * cellW + 18,
                  top = 12 + int(i / columns) * cellH + 14;
        const int w = cellW - 36, h = cellH - 28;
        // A tress: a clamp at the top, strands hanging and tapering to a point.
        for (int y = 0; y < h; ++y) {
            const double t = double(y) / h;
            const double half = w / 2.0 * (1 - 0.7 * smoothstep(0.55, 1.0, t));
            for (int x = -int(half); x <= int(half); ++x) {
                const double across = x / (w / 2.0);
                const double strand = noise1(i * 31 + 1, (x + 3 * std::sin(y / 17.0)) / 1.3);
                const double shine = 0.35 * std::exp(-sq((t - 0.3 - 0.05 * across) / 0.07));
                const double v =
                    (0.55 + 0.14 * strand) * (1 - 0.4 * std::pow(std::abs(across), 3)) + shine +
                    0.03 * rng.gaussian();
                out.set(left + w / 2 + x, top + y, rampColour(colours[i], v));
            }
        }
        for (int y = -8; y < 4; ++y)
            for (int x = -4; x < w + 4; ++x)
                out.set(left + x, top + y, Bgr{70, 70, 76});
    }
    return out;
}

void writeSamplePhotos(const std::filesystem::path& programDir,
                       const std::optional<std::filesystem::path>& portrait) {
    if (portrait && std::filesystem::exists(*portrait)) {
        std::optional<Raster> photo = imaging::loadImageFile(*portrait);
        if (photo)
            imaging::saveImageFile(programDir / "Modelo.JPG", *photo);
    } else {
        std::printf("velvo-hairgen: no sample portrait%s%s; Modelo.JPG left out\n",
                    portrait ? " at " : "", portrait ? portrait->string().c_str() : "");
    }
    imaging::saveImageFile(programDir / "Modelo2.png", mannequinPortrait(0));
    imaging::saveImageFile(programDir / "Cliente.bmp", mannequinPortrait(1));
    imaging::saveImageFile(programDir / "Cartela.tif", colourChart());
}

} // namespace velvo::hairgen

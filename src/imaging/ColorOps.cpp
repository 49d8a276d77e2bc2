#include "imaging/ColorOps.h"

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "imaging/PolygonCopy.h"

namespace velvo::imaging {
namespace {

// round(n / d) for n >= 0, d > 0, halves to even.
int roundHalfEven(int n, int d) {
    const int q = n / d, r = n % d;
    if (2 * r > d || (2 * r == d && (q & 1)))
        return q + 1;
    return q;
}

bool isAxisRectangle(const QPolygon& p) {
    if (p.size() != 4)
        return false;
    // Consecutive corners alternate between sharing x and sharing y.
    auto alternate = [&](bool startWithX) {
        for (int i = 0; i < 4; ++i) {
            const QPoint a = p[i], b = p[(i + 1) % 4];
            const bool sameX = a.x() == b.x(), sameY = a.y() == b.y();
            const bool wantX = ((i % 2) == 0) == startWithX;
            if (wantX ? !(sameX && !sameY) : !(sameY && !sameX))
                return false;
        }
        return true;
    };
    return alternate(true) || alternate(false);
}


// Calls f(red, green, blue) with references into every covered pixel.
template <class F> bool forSelection(QImage& image, const Selection& sel, F f) {
    int ri, bi;
    if (image.format() == QImage::Format_BGR888)
        ri = 2, bi = 0;
    else if (image.format() == QImage::Format_RGB888)
        ri = 0, bi = 2;
    else
        return false;
    if (image.isNull())
        return false;
    const QRect whole = image.rect();
    QRect box = whole;
    std::vector<uint8_t> mask;
    if (sel.visible && !sel.points.isEmpty()) {
        const QRect polyBox = polygonBox(sel.points);
        if (!isAxisRectangle(sel.points))
            mask = polygonCoverage(sel.points, polyBox);
        box = polyBox.intersected(whole);
        if (box.isEmpty())
            return true;
        // The mask stays in the unclipped box's coordinates.
        for (int y = box.top(); y <= box.bottom(); ++y) {
            uint8_t* line = image.scanLine(y);
            const uint8_t* m =
                mask.empty() ? nullptr
                             : mask.data() + size_t(y - polyBox.top()) * size_t(polyBox.width());
            for (int x = box.left(); x <= box.right(); ++x) {
                if (m && !m[x - polyBox.left()])
                    continue;
                uint8_t* p = line + size_t(x) * 3;
                f(p[ri], p[1], p[bi]);
            }
        }
        return true;
    }
    for (int y = 0; y < image.height(); ++y) {
        uint8_t* p = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, p += 3)
            f(p[ri], p[1], p[bi]);
    }
    return true;
}

} // namespace

int to99(int channel) { return roundHalfEven(channel * 99, 255); }
int to255(int level) { return roundHalfEven(level * 255, 99); }

Hsv rgbToHsv(int red, int green, int blue) {
    const int r = to99(red), g = to99(green), b = to99(blue);
    const int v = std::max({r, g, b});
    const int d = v - std::min({r, g, b});
    const int s = v == 0 ? 0 : d * 99 / v;
    if (s == 0)
        return {0, 0, v};
    int h;
    if (r == v)
        h = (g - b) * 60 / d;
    else if (g == v)
        h = (b - r) * 60 / d + 120;
    else
        h = (r - g) * 60 / d + 240;
    if (h < 0)
        h += 360;
    return {h, s, v};
}

Rgb hsvToRgb(int h, int s, int v) {
    if (s == 0)
        return {to255(v), to255(v), to255(v)};
    const int sector = h / 60, f = h % 60;
    const int p = v - s * v / 99;
    const int q = v - s * v * f / 5940;
    const int t = v - s * v * (60 - f) / 5940;
    int r, g, b;
    switch (sector) {
    case 0: r = v, g = t, b = p; break;
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    default: r = v, g = p, b = q; break;
    }
    return {to255(r), to255(g), to255(b)};
}

bool adjustRgb(QImage& image, const Selection& selection, int red, int green, int blue) {
    std::array<std::array<uint8_t, 256>, 3> t;
    const int offsets[3] = {red, green, blue};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            t[size_t(c)][size_t(i)] = uint8_t(std::clamp(i + offsets[c], 0, 255));
    return forSelection(image, selection, [&](uint8_t& r, uint8_t& g, uint8_t& b) {
        r = t[0][r], g = t[1][g], b = t[2][b];
    });
}

bool adjustHsv(QImage& image, const Selection& selection, int hue, int saturation, int value) {
    return forSelection(image, selection, [&](uint8_t& r, uint8_t& g, uint8_t& b) {
        const Hsv m = rgbToHsv(r, g, b);
        const Rgb out = hsvToRgb(std::clamp(m.h + hue, 0, 359), std::clamp(m.s + saturation, 0, 99),
                                 std::clamp(m.v + value, 0, 99));
        r = uint8_t(out.r), g = uint8_t(out.g), b = uint8_t(out.b);
    });
}

} // namespace velvo::imaging

// The filters as plain loops over the pixel block: 3 bytes per pixel, RowGap skipped at each
// row end, stored row 0 first.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "pixel/PixelFilters.h"

namespace velvo::pixel {
namespace {

int clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

template <class F> void forEachPixel(TPixelBase& bitmap, F f) {
    if (bitmap.Empty())
        return;
    uint8_t* p = bitmap.PixelBytes;
    for (int y = 0; y < bitmap.Height; ++y) {
        for (int x = 0; x < bitmap.Width; ++x, p += 3)
            f(p);
        p += bitmap.RowGap;
    }
}

} // namespace

ByteTable OffsetTable(int offset) {
    ByteTable t;
    for (int i = 0; i < 256; ++i)
        t[size_t(i)] = uint8_t(clamp255(i + offset));
    return t;
}

ByteTable LightnessTable(int v) {
    ByteTable t;
    for (int i = 0; i < 256; ++i)
        t[size_t(i)] =
            uint8_t(v < 0 ? clamp255(i - ((i * -v) >> 8)) : clamp255(i + (((255 - i) * v) >> 8)));
    return t;
}

ByteTable ContrastTable(int v) {
    // C++ division truncates toward zero, as required for negative amounts.
    ByteTable t;
    for (int i = 0; i < 256; ++i)
        t[size_t(i)] = uint8_t(i <= 126 ? clamp255(i - ((128 - i) * v) / 256)
                                        : clamp255(i + (std::abs(128 - i) * v) / 256));
    return t;
}

namespace reference {

void OffsetChannels(TPixelBase& bitmap, int red, int green, int blue) {
    uint8_t table[256][3];
    for (int i = 0; i < 256; ++i) {
        table[i][0] = uint8_t(clamp255(i + blue));
        table[i][1] = uint8_t(clamp255(i + green));
        table[i][2] = uint8_t(clamp255(i + red));
    }
    forEachPixel(bitmap, [&](uint8_t* p) {
        p[0] = table[p[0]][0];
        p[1] = table[p[1]][1];
        p[2] = table[p[2]][2];
    });
}

void ApplyLightness(TPixelBase& bitmap, int amount) {
    const ByteTable t = LightnessTable(amount);
    forEachPixel(bitmap, [&](uint8_t* p) { p[0] = t[p[0]], p[1] = t[p[1]], p[2] = t[p[2]]; });
}

void ApplyContrast(TPixelBase& bitmap, int amount) {
    const ByteTable t = ContrastTable(amount);
    forEachPixel(bitmap, [&](uint8_t* p) { p[0] = t[p[0]], p[1] = t[p[1]], p[2] = t[p[2]]; });
}

void ApplySaturation(TPixelBase& bitmap, int s) {
    int a[256];
    for (int i = 0; i < 256; ++i)
        a[i] = (i * s) >> 8;
    int d[768];
    for (int k = 0; k < 768; ++k)
        d[k] = k / 3 - a[k / 3];
    forEachPixel(bitmap, [&](uint8_t* p) {
        const int base = d[p[0] + p[1] + p[2]];
        p[0] = uint8_t(clamp255(base + a[p[0]]));
        p[1] = uint8_t(clamp255(base + a[p[1]]));
        p[2] = uint8_t(clamp255(base + a[p[2]]));
    });
}

void SharpenPixel(TPixelBase& bitmap, int x, int y, int a) {
    const int w = bitmap.Width, h = bitmap.Height;
    const int yu = std::clamp(y - a, 0, h - 1), yd = std::clamp(y + a, 0, h - 1);
    const int xl = std::clamp(x - a, 0, w - 1), xr = std::clamp(x + a, 0, w - 1);
    const uint8_t* ru = bitmap.RowStarts[size_t(yu)];
    const uint8_t* rd = bitmap.RowStarts[size_t(yd)];
    uint8_t* rc = bitmap.RowStarts[size_t(y)];
    for (int c = 0; c < 3; ++c) {
        const int n = ru[xl * 3 + c] + rc[xl * 3 + c] + rd[xl * 3 + c] + ru[x * 3 + c] +
                      rd[x * 3 + c] + ru[xr * 3 + c] + rc[xr * 3 + c] + rd[xr * 3 + c];
        rc[x * 3 + c] = uint8_t(clamp255((256 * rc[x * 3 + c] - 16 * n) / 128));
    }
}

void ApplySharpen(TPixelBase& bitmap, int distance) {
    if (bitmap.Empty())
        return;
    for (int y = 0; y < bitmap.Height; ++y)
        for (int x = 0; x < bitmap.Width; ++x)
            SharpenPixel(bitmap, x, y, distance);
}

void MirrorRows(TPixelBase& bitmap) {
    if (bitmap.Empty())
        return;
    for (int y = 0; y < bitmap.Height; ++y) {
        uint8_t* row = bitmap.PixelBytes + size_t(y) * size_t(bitmap.RowBytes);
        for (int c = 0; c <= (bitmap.Width - 1) / 2; ++c)
            for (int k = 0; k < 3; ++k)
                std::swap(row[c * 3 + k], row[(bitmap.Width - 1 - c) * 3 + k]);
    }
}

} // namespace reference
} // namespace velvo::pixel

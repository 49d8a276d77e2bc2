// The filters as used by the program: the same arithmetic as the reference loops, arranged for
// speed. Each must give exactly the bytes of its reference (tests compare them on random data).
#include "pixel/PixelFilters.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velvo::pixel {
namespace {

int clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

bool isIdentity(const ByteTable& t) {
    for (int i = 0; i < 256; ++i)
        if (t[size_t(i)] != i)
            return false;
    return true;
}

// Maps `count` bytes starting with a blue byte. Four pixels (12 bytes) per step, read and
// written as whole words so that the table loads are the only memory traffic per byte.
void mapRow(uint8_t* p, size_t count, const uint8_t* tb, const uint8_t* tg, const uint8_t* tr) {
    size_t i = 0;
    for (; i + 12 <= count; i += 12) {
        uint64_t lo;
        uint32_t hi;
        std::memcpy(&lo, p + i, 8);
        std::memcpy(&hi, p + i + 8, 4);
        const uint64_t l = uint64_t(tb[lo & 255]) | uint64_t(tg[(lo >> 8) & 255]) << 8 |
                           uint64_t(tr[(lo >> 16) & 255]) << 16 |
                           uint64_t(tb[(lo >> 24) & 255]) << 24 |
                           uint64_t(tg[(lo >> 32) & 255]) << 32 |
                           uint64_t(tr[(lo >> 40) & 255]) << 40 |
                           uint64_t(tb[(lo >> 48) & 255]) << 48 | uint64_t(tg[lo >> 56]) << 56;
        const uint32_t h = uint32_t(tr[hi & 255]) | uint32_t(tb[(hi >> 8) & 255]) << 8 |
                           uint32_t(tg[(hi >> 16) & 255]) << 16 | uint32_t(tr[hi >> 24]) << 24;
        std::memcpy(p + i, &l, 8);
        std::memcpy(p + i + 8, &h, 4);
    }
    for (; i < count; i += 3) {
        p[i] = tb[p[i]];
        p[i + 1] = tg[p[i + 1]];
        p[i + 2] = tr[p[i + 2]];
    }
}

// Rows without gaps are one run; otherwise one run per row.
template <class F> void forEachRun(TPixelBase& bitmap, F f) {
    if (bitmap.Empty())
        return;
    const size_t rowPixels = size_t(bitmap.Width) * 3;
    if (bitmap.RowGap == 0) {
        f(bitmap.PixelBytes, rowPixels * size_t(bitmap.Height));
        return;
    }
    for (int y = 0; y < bitmap.Height; ++y)
        f(bitmap.RowStarts[size_t(y)], rowPixels);
}

ByteTable compose(const ByteTable& first, const ByteTable& then) {
    ByteTable t;
    for (int i = 0; i < 256; ++i)
        t[size_t(i)] = then[first[size_t(i)]];
    return t;
}

// Sharpen of one stored row y whose upper and lower neighbour rows are other rows: the upper
// one is final (earlier in the walk), the lower one untouched, so their part of the sum is
// known in advance. What remains serial is the dependence of pixel x on the already
// sharpened pixel x - distance in the same row.
void sharpenRow(TPixelBase& bitmap, int y, int a, std::vector<int>& vertical,
                std::vector<int>& base) {
    const int w = bitmap.Width, h = bitmap.Height;
    const uint8_t* up = bitmap.RowStarts[size_t(std::max(y - a, 0))];
    const uint8_t* down = bitmap.RowStarts[size_t(std::min(y + a, h - 1))];
    uint8_t* row = bitmap.RowStarts[size_t(y)];
    const int n = w * 3;
    int* v = vertical.data();
    for (int k = 0; k < n; ++k)
        v[k] = up[k] + down[k];
    // base = 16 C - (vertical sums of columns xl, x, xr) - row[xr], all known before writing.
    int* b = base.data();
    const int reach = std::min(a, w - 1);
    auto edge = [&](int x) {
        const int xl = x >= reach ? x - reach : 0;
        const int xr = x + reach < w ? x + reach : w - 1;
        for (int c = 0; c < 3; ++c)
            b[x * 3 + c] = 16 * row[x * 3 + c] - v[xl * 3 + c] - v[x * 3 + c] - v[xr * 3 + c] -
                           row[xr * 3 + c];
    };
    const int innerEnd = std::max(reach, w - reach);
    for (int x = 0; x < std::min(reach, w); ++x)
        edge(x);
    // Columns whose neighbours need no trimming: a plain loop the compiler can vectorise.
    const int d = reach * 3;
    for (int k = reach * 3; k < innerEnd * 3; ++k)
        b[k] = 16 * row[k] - v[k - d] - v[k] - v[k + d] - row[k + d];
    for (int x = innerEnd; x < w; ++x)
        edge(x);
    // (16 C - N) div 8 with truncation toward zero, then clamped: a negative value clamps to
    // 0 either way, so the arithmetic shift gives the same byte.
    for (int c = 0; c < 3; ++c)
        row[c] = uint8_t(clamp255((b[c] - row[c]) >> 3));
    const int lead = std::min(a, w);
    for (int x = 1; x < lead; ++x)
        for (int c = 0; c < 3; ++c)
            row[x * 3 + c] = uint8_t(clamp255((b[x * 3 + c] - row[c]) >> 3));
    const int back = a * 3;
    if (a == 1) {
        // The predecessor stays in registers instead of a store and a reload per channel.
        int p0 = row[0], p1 = row[1], p2 = row[2];
        for (int k = 3; k < n; k += 3) {
            p0 = clamp255((b[k] - p0) >> 3);
            p1 = clamp255((b[k + 1] - p1) >> 3);
            p2 = clamp255((b[k + 2] - p2) >> 3);
            row[k] = uint8_t(p0), row[k + 1] = uint8_t(p1), row[k + 2] = uint8_t(p2);
        }
        return;
    }
    for (int k = lead * 3; k < n; k += 3) {
        row[k] = uint8_t(clamp255((b[k] - row[k - back]) >> 3));
        row[k + 1] = uint8_t(clamp255((b[k + 1] - row[k + 1 - back]) >> 3));
        row[k + 2] = uint8_t(clamp255((b[k + 2] - row[k + 2 - back]) >> 3));
    }
}

} // namespace

void ApplyChannelTables(TPixelBase& bitmap, const ByteTable& blue, const ByteTable& green,
                        const ByteTable& red) {
    // Local copies: the compiler then knows pixel stores cannot change the tables.
    const ByteTable tb = blue, tg = green, tr = red;
    forEachRun(bitmap,
               [&](uint8_t* p, size_t n) { mapRow(p, n, tb.data(), tg.data(), tr.data()); });
}

void OffsetChannels(TPixelBase& bitmap, int red, int green, int blue) {
    ApplyChannelTables(bitmap, OffsetTable(blue), OffsetTable(green), OffsetTable(red));
}

void ApplyLightness(TPixelBase& bitmap, int amount) {
    const ByteTable t = LightnessTable(amount);
    ApplyChannelTables(bitmap, t, t, t);
}

void ApplyContrast(TPixelBase& bitmap, int amount) {
    const ByteTable t = ContrastTable(amount);
    ApplyChannelTables(bitmap, t, t, t);
}

void ApplySaturation(TPixelBase& bitmap, int s) {
    int a[256];
    for (int i = 0; i < 256; ++i)
        a[i] = (i * s) >> 8;
    int d[768];
    for (int k = 0; k < 768; ++k)
        d[k] = k / 3 - a[k / 3];
    forEachRun(bitmap, [&](uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; i += 3) {
            const int b = p[i], g = p[i + 1], r = p[i + 2];
            const int base = d[b + g + r];
            p[i] = uint8_t(clamp255(base + a[b]));
            p[i + 1] = uint8_t(clamp255(base + a[g]));
            p[i + 2] = uint8_t(clamp255(base + a[r]));
        }
    });
}

void ApplySharpen(TPixelBase& bitmap, int distance) {
    if (bitmap.Empty())
        return;
    const int h = bitmap.Height;
    const size_t rowValues = size_t(bitmap.Width) * 3;
    std::vector<int> vertical(rowValues), base(rowValues);
    for (int y = 0; y < h; ++y) {
        const int yu = std::clamp(y - distance, 0, h - 1), yd = std::clamp(y + distance, 0, h - 1);
        if (yu != y && yd != y && distance >= 1) {
            sharpenRow(bitmap, y, distance, vertical, base);
            continue;
        }
        // The row is its own upper or lower neighbour: its sum changes while it is walked.
        for (int x = 0; x < bitmap.Width; ++x)
            reference::SharpenPixel(bitmap, x, y, distance);
    }
}

void MirrorRows(TPixelBase& bitmap) { reference::MirrorRows(bitmap); }

void ApplyPanelPipeline(TPixelBase& bitmap, const PanelSettings& s) {
    if (bitmap.Empty())
        return;
    ByteTable tb, tg, tr;
    for (int i = 0; i < 256; ++i)
        tb[size_t(i)] = tg[size_t(i)] = tr[size_t(i)] = uint8_t(i);
    if (s.red != 0 || s.green != 0 || s.blue != 0)
        tb = OffsetTable(s.blue), tg = OffsetTable(s.green), tr = OffsetTable(s.red);
    for (const auto& [on, table] : {std::pair{s.lightness != 0, LightnessTable(s.lightness)},
                                    std::pair{s.contrast != 0, ContrastTable(s.contrast)}}) {
        if (!on)
            continue;
        tb = compose(tb, table), tg = compose(tg, table), tr = compose(tr, table);
    }
    if (!isIdentity(tb) || !isIdentity(tg) || !isIdentity(tr))
        ApplyChannelTables(bitmap, tb, tg, tr);
    if (s.saturation != 255)
        ApplySaturation(bitmap, s.saturation);
    if (s.sharpen != 0)
        ApplySharpen(bitmap, s.sharpen);
}

} // namespace velvo::pixel

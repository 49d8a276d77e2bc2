// The filters as used by the program: the same arithmetic as the reference loops, arranged for
// speed. Each must give exactly the bytes of its reference (tests compare them on random data).
#include "pixel/PixelFilters.h"

#include "pixel/PixelFiltersKernels.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velvo::pixel {
namespace {

int clamp255(int v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

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
        const uint64_t l =
            uint64_t(tb[lo & 255]) | uint64_t(tg[(lo >> 8) & 255]) << 8 |
            uint64_t(tr[(lo >> 16) & 255]) << 16 | uint64_t(tb[(lo >> 24) & 255]) << 24 |
            uint64_t(tg[(lo >> 32) & 255]) << 32 | uint64_t(tr[(lo >> 40) & 255]) << 40 |
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

// Colour plan of the panel settings; the offset stage is on when any offset is non-zero.
kernels::ColourPlan panelPlan(const PanelSettings& s) {
    kernels::ColourPlan plan;
    plan.offsets = s.red != 0 || s.green != 0 || s.blue != 0;
    plan.red = s.red, plan.green = s.green, plan.blue = s.blue;
    plan.lightness = s.lightness != 0, plan.lightnessAmount = s.lightness;
    plan.contrast = s.contrast != 0, plan.contrastAmount = s.contrast;
    plan.saturation = s.saturation != 255, plan.saturationAmount = s.saturation;
    return plan;
}

void applyPlan(TPixelBase& bitmap, const kernels::ColourPlan& plan) {
    forEachRun(bitmap, [&](uint8_t* p, size_t n) { kernels::ApplyColourPlan(p, n, plan); });
}

void scalarSaturation(TPixelBase& bitmap, int s) {
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

// Sharpens rows in storage order; ready(r) is called before any row up to r is read, so a
// caller can produce the rows just in time (while they are still in cache).
template <class Ready> void sharpenRows(TPixelBase& bitmap, int a, Ready ready) {
    const int w = bitmap.Width, h = bitmap.Height;
    kernels::SharpenScratch scratch;
    scratch.Reserve(w, a);
    for (int y = 0; y < h; ++y) {
        const int yu = std::clamp(y - a, 0, h - 1), yd = std::clamp(y + a, 0, h - 1);
        ready(yd);
        if (yu != y && yd != y) {
            kernels::SharpenInteriorRow(bitmap.RowStarts[size_t(yu)], bitmap.RowStarts[size_t(yd)],
                                        bitmap.RowStarts[size_t(y)], w, a, scratch);
            continue;
        }
        // The row is its own upper or lower neighbour: its sum changes while it is walked.
        for (int x = 0; x < w; ++x)
            reference::SharpenPixel(bitmap, x, y, a);
    }
}

// Parameters beyond the vector kernels' exact ranges: the three table stages composed into one
// table pass, then the scalar saturation.
void composedTables(TPixelBase& bitmap, const PanelSettings& s) {
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
    if (!isIdentity(tb) || !isIdentity(tg) || !isIdentity(tr)) {
        const ByteTable b = tb, g = tg, r = tr;
        forEachRun(bitmap,
                   [&](uint8_t* p, size_t n) { mapRow(p, n, b.data(), g.data(), r.data()); });
    }
    if (s.saturation != 255)
        scalarSaturation(bitmap, s.saturation);
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
    kernels::ColourPlan plan;
    plan.offsets = true, plan.red = red, plan.green = green, plan.blue = blue;
    applyPlan(bitmap, plan);
}

void ApplyLightness(TPixelBase& bitmap, int amount) {
    kernels::ColourPlan plan;
    plan.lightness = true, plan.lightnessAmount = amount;
    if (kernels::Vectorisable(plan)) {
        applyPlan(bitmap, plan);
        return;
    }
    const ByteTable t = LightnessTable(amount);
    ApplyChannelTables(bitmap, t, t, t);
}

void ApplyContrast(TPixelBase& bitmap, int amount) {
    kernels::ColourPlan plan;
    plan.contrast = true, plan.contrastAmount = amount;
    if (kernels::Vectorisable(plan)) {
        applyPlan(bitmap, plan);
        return;
    }
    const ByteTable t = ContrastTable(amount);
    ApplyChannelTables(bitmap, t, t, t);
}

void ApplySaturation(TPixelBase& bitmap, int s) {
    kernels::ColourPlan plan;
    plan.saturation = true, plan.saturationAmount = s;
    if (kernels::Vectorisable(plan))
        applyPlan(bitmap, plan);
    else
        scalarSaturation(bitmap, s);
}

void ApplySharpen(TPixelBase& bitmap, int distance) {
    if (bitmap.Empty())
        return;
    if (distance < 1) {
        // Outside the panel's range every row is its own neighbour: the plain loop handles it.
        reference::ApplySharpen(bitmap, distance);
        return;
    }
    sharpenRows(bitmap, distance, [](int) {});
}

void MirrorRows(TPixelBase& bitmap) {
    reference::MirrorRows(bitmap);
}

void ApplyPanelPipeline(TPixelBase& bitmap, const PanelSettings& s) {
    if (bitmap.Empty())
        return;
    const kernels::ColourPlan plan = panelPlan(s);
    const bool colour = plan.offsets || plan.lightness || plan.contrast || plan.saturation;
    if (colour && !kernels::Vectorisable(plan)) {
        composedTables(bitmap, s);
    } else if (colour && s.sharpen >= 1) {
        // Each row gets its colour just before sharpen first reads it.
        int done = 0;
        const size_t rowPixels = size_t(bitmap.Width) * 3;
        sharpenRows(bitmap, s.sharpen, [&](int last) {
            if (last < done)
                return;
            if (bitmap.RowGap == 0)
                kernels::ApplyColourPlan(bitmap.RowStarts[size_t(done)],
                                         rowPixels * size_t(last + 1 - done), plan);
            else
                for (int y = done; y <= last; ++y)
                    kernels::ApplyColourPlan(bitmap.RowStarts[size_t(y)], rowPixels, plan);
            done = last + 1;
        });
        return;
    } else if (colour) {
        applyPlan(bitmap, plan);
    }
    if (s.sharpen != 0)
        ApplySharpen(bitmap, s.sharpen);
}

} // namespace velvo::pixel

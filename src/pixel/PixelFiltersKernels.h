#pragma once
// Row kernels behind PixelFilters.cpp. SSE2 only (always present on x86-64); each kernel gives
// exactly the bytes of the plain loops in PixelFiltersReference.cpp.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velvo::pixel::kernels {

// The per-byte colour stages of the panel, applied in this order: offsets, lightness, contrast,
// saturation. A stage whose flag is off is skipped.
struct ColourPlan {
    bool offsets = false;
    int red = 0, green = 0, blue = 0;
    bool lightness = false;
    int lightnessAmount = 0;
    bool contrast = false;
    int contrastAmount = 0;
    bool saturation = false;
    int saturationAmount = 255;
};

// True when every active stage's parameter lies where the vector arithmetic is exact:
// lightness and contrast -256..256, saturation 0..32000 (offsets: any value).
bool Vectorisable(const ColourPlan& plan);
// Applies a vectorisable plan to `count` bytes of whole pixels, the first byte a blue one.
void ApplyColourPlan(uint8_t* p, size_t count, const ColourPlan& plan);

// Buffers one interior sharpen row needs; reused from row to row.
struct SharpenScratch {
    std::vector<int16_t> vertical, base;
    std::vector<uint8_t> out;
    void Reserve(int width, int distance);
};
// Sharpens stored row `row` (width pixels, distance a >= 1) whose upper neighbour row `up` is
// final and lower neighbour row `down` untouched, both other rows than `row`.
void SharpenInteriorRow(const uint8_t* up, const uint8_t* down, uint8_t* row, int width, int a,
                        SharpenScratch& scratch);

} // namespace velvo::pixel::kernels

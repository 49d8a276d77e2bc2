#pragma once
// In-place colour filters over a 24-bit fast bitmap. Rows are walked in storage order (stored
// row 0, the picture's bottom row, first). A 0 x 0 bitmap is left alone. Parameters are not
// validated; the ranges below are what the colour panel passes.
#include <array>
#include <cstdint>

#include "pixel/TPixelBitmap.h"

namespace velvo::pixel {

using ByteTable = std::array<uint8_t, 256>;

// Adds each offset (-255..255) to its channel, clamped to 0..255.
void OffsetChannels(TPixelBase& bitmap, int red, int green, int blue);
// -150..150: negative moves every byte toward black, positive toward white.
void ApplyLightness(TPixelBase& bitmap, int amount);
// -150..150: positive spreads bytes away from 128, negative pulls them toward it.
void ApplyContrast(TPixelBase& bitmap, int amount);
// 0..510; 0 gives grey, 255 is nearly (not exactly) the identity.
void ApplySaturation(TPixelBase& bitmap, int amount);
// distance >= 1: 2 x centre - (sum of the 8 neighbours at that distance) / 8, in place, so
// pixels earlier in the walk are read already sharpened.
void ApplySharpen(TPixelBase& bitmap, int distance);
// Left-right mirror of every row.
void MirrorRows(TPixelBase& bitmap);

// The tables the table filters map through.
ByteTable OffsetTable(int offset);
ByteTable LightnessTable(int amount);
ByteTable ContrastTable(int amount);
// Maps blue, green and red bytes through their own tables in one pass.
void ApplyChannelTables(TPixelBase& bitmap, const ByteTable& blue, const ByteTable& green,
                        const ByteTable& red);

// The colour panel's chain: offsets, lightness, contrast, saturation, sharpen, each skipped at
// its neutral value (0, or 255 for saturation). The three per-channel table filters are
// composed into one pass, which gives the same bytes as running them one after the other.
struct PanelSettings {
    int red = 0, green = 0, blue = 0;
    int lightness = 0;
    int contrast = 0;
    int saturation = 255;
    int sharpen = 0;
};
void ApplyPanelPipeline(TPixelBase& bitmap, const PanelSettings& settings);

// Plain loops, one pixel at a time, exactly as the filters are defined. The filters above must
// give the same bytes; tests and benchmarks compare against these.
namespace reference {
void OffsetChannels(TPixelBase& bitmap, int red, int green, int blue);
void ApplyLightness(TPixelBase& bitmap, int amount);
void ApplyContrast(TPixelBase& bitmap, int amount);
void ApplySaturation(TPixelBase& bitmap, int amount);
void ApplySharpen(TPixelBase& bitmap, int distance);
void MirrorRows(TPixelBase& bitmap);
// Sharpens the one pixel (x, y) of stored row y, reading its neighbours as they are now.
void SharpenPixel(TPixelBase& bitmap, int x, int y, int distance);
} // namespace reference

} // namespace velvo::pixel

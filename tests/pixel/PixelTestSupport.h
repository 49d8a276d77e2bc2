#pragma once
#include <cstring>
#include <random>

#include "pixel/TPixelBitmap.h"

namespace velvo::pixel::test {

// A bitmap of random pixel bytes; gap bytes get random values too, so a filter that touches
// them is caught by a byte comparison of the whole block.
inline void fillRandom(TPixelBitmap& bitmap, int width, int height, unsigned seed) {
    bitmap.SetSize(width, height);
    std::mt19937 rng(seed);
    for (int32_t i = 0; i < bitmap.ByteSize; ++i)
        bitmap.PixelBytes[i] = uint8_t(rng());
}

inline void copyBitmap(const TPixelBitmap& from, TPixelBitmap& to) {
    to.SetSize(from.Width, from.Height);
    if (from.ByteSize > 0)
        std::memcpy(to.PixelBytes, from.PixelBytes, size_t(from.ByteSize));
}

inline bool sameBytes(const TPixelBitmap& a, const TPixelBitmap& b) {
    return a.Width == b.Width && a.Height == b.Height && a.ByteSize == b.ByteSize &&
           (a.ByteSize == 0 || std::memcmp(a.PixelBytes, b.PixelBytes, size_t(a.ByteSize)) == 0);
}

// Sets pixel (x, y), y counted from the top of the picture.
inline void setPixel(TPixelBitmap& bitmap, int x, int y, uint8_t b, uint8_t g, uint8_t r) {
    uint8_t* p = bitmap.PixelAt(x, y);
    p[0] = b, p[1] = g, p[2] = r;
}

} // namespace velvo::pixel::test

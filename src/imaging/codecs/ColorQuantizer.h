#pragma once
// Reducing a 24-bit picture to a palette of at most 256 colours, for writers of indexed formats.
#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/codecs/Raster.h"

namespace velvo::imaging {

struct IndexedPicture {
    std::vector<Bgr> palette;     // 1..256 entries
    std::vector<uint8_t> indices; // width * height, rows top-down, each below palette.size()
};

// The picture's own colours in order of first appearance, or nullopt when it has more than
// maxColours (1..256) of them. Lossless.
std::optional<IndexedPicture> exactPalette(const Raster& picture, int maxColours = 256);

// Median cut over a 6-bit-per-channel histogram: the box with the largest squared error is
// split where the two halves' error along its widest axis is least, until there are
// maxColours (2..256) boxes; each entry is the exact mean of its box's pixels, and each pixel
// takes the nearest entry. When `keep` is given and occurs in the picture it gets an entry of
// its own at index 0 holding exactly that colour, used by exactly the pixels of that colour
// (a key colour such as a hairstyle's background stays exact and no other pixel becomes it).
// No dithering, so the result depends on nothing but the picture.
IndexedPicture quantizeMedianCut(const Raster& picture, int maxColours = 256,
                                 std::optional<Bgr> keep = std::nullopt);

} // namespace velvo::imaging

#pragma once
// EXIF orientation: the tag a camera writes so that a photo taken with the phone on its side
// can be shown upright.
#include <cstdint>
#include <span>

#include "imaging/codecs/Raster.h"

namespace velvo::imaging {

// The orientation (1..8) stored in an APP1 segment's payload, which starts with "Exif\0\0"
// and holds a TIFF structure. 1 (as stored) when the payload is not EXIF, has no orientation
// tag, or is damaged: every offset is checked against the payload, never followed outside it.
int exifOrientation(std::span<const uint8_t> app1);

// The picture as it should be shown for an orientation value: 1 unchanged, 2 mirrored left to
// right, 3 turned half round, 4 mirrored top to bottom, 5 transposed, 6 turned a quarter
// clockwise, 7 transversed, 8 turned a quarter anticlockwise. Values outside 1..8 are 1.
// 5..8 swap width and height.
Raster applyOrientation(Raster picture, int orientation);

} // namespace velvo::imaging

#pragma once
// The sizes a HEIF or AVIF file declares for its images, read from its boxes before libheif
// decodes anything. libheif sizes a grid's or overlay's canvas from the grid's own fields,
// not from the image's declared size, so a file of a few bytes could otherwise have it fill a
// picture of a gigabyte before any limit is looked at.
#include <cstdint>
#include <span>
#include <string>

namespace velvo::imaging::heif {

// Throws velvo::Error naming `name`:
// - with the limits message of checkPictureSize when an image's declared size ('ispe') or a
//   grid's or overlay's output size exceeds pictureLimits();
// - as a damaged file when a grid's tiles are missing or cannot cover its output, or add up to
//   more than four times the output (a handful of bytes naming the same tile thousands of
//   times), or when a box runs past the box that holds it.
// A file without the boxes in question passes; libheif reports what else is wrong.
void checkDeclaredSizes(std::span<const uint8_t> data, const std::string& name);

} // namespace velvo::imaging::heif

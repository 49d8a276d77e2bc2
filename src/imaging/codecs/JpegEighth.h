#pragma once
// A JPEG photo at 1/8 of its size, read from its DC coefficients (and, for 4:2:0 chroma, the
// few coefficients a 2 x 2 reduction needs) with an entropy decoder that skips the other
// coefficients a whole code (and its value bits) at a time. At 1/8 libjpeg spends nearly all
// its time parsing those coefficients only to throw them away; this reader does the same
// parsing in about three quarters of its time, which is what a folder of phone photos without
// EXIF thumbnails waits for.
//
// It covers what phones and cameras write: baseline Huffman, 8-bit, one interleaved scan,
// grayscale or YCbCr 4:4:4 or 4:2:0, with or without restart intervals. Anything else, and any
// data it does not find exactly as expected (a file cut short, a damaged code, a missing
// restart marker), it leaves to libjpeg, so damaged files keep libjpeg's handling.
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

#include <jpeglib.h>

#include "imaging/codecs/Raster.h"

namespace velvo::imaging::jpeg {

// `cinfo` has read the header of an in-memory JPEG (jpeg_mem_src) up to its first scan, and
// its source still points at the scan's first byte. Returns the picture at
// ceil(width / 8) x ceil(height / 8), as libjpeg's 1/8 reduction gives it to within a level or
// two of rounding, or nullopt when libjpeg must decode it. Never throws for bad data and never
// reads outside the source's bytes.
std::optional<Raster> decodeEighth(const jpeg_decompress_struct& cinfo, const std::string& name);

} // namespace velvo::imaging::jpeg

#pragma once
// The device-independent bitmap (DIB) reader shared by the BMP and the icon/cursor decoders.
// decodeBmp and encodeBmp themselves are declared in Codecs.h.
//
// Reading rules (both callers):
// - Info headers of 12 (OS/2 1.x core), 16..64 (OS/2 2.x), 40, 52, 56, 108 and 124 bytes.
// - 1/2/4/8-bit indexed, 16/24/32-bit direct; BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS and
//   BI_ALPHABITFIELDS. Pixel indexes past the palette read as black.
// - RLE: runs are clipped at the row end and never wrap; pixels that deltas skip or that the
//   data never reaches stay white (the way transparent pixels end up elsewhere).
// - The palette holds biClrUsed entries (all 2^bits when 0 or too many), cut short where the
//   pixel data begins; a pixel data offset of 0 means "right after the palette".
// - decodeBmp sets Raster::bilevel for a 1-bit file whose two colours are black and white.
// - Alpha is applied only when the file declares it: a nonzero alpha mask in a 56-byte or
//   larger header, or BI_ALPHABITFIELDS. An alpha channel that is zero everywhere means
//   opaque. Alpha is composited onto white.
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/codecs/Codecs.h"

namespace velvo::imaging::bmp {

// What an icon directory needs to rank an entry.
struct DibSummary {
    int width = 0;
    int height = 0; // of the picture, i.e. half the stored height for icons
    int bitCount = 0;
};

// The info header at the start of an icon or cursor entry. Throws velvo::Error naming `name`.
DibSummary peekIconDib(Bytes entry, const std::string& name);

// An icon or cursor entry: info header with the doubled height, palette, the XOR picture,
// then the 1-bit AND mask. Masked pixels (AND bit 1) become white; a 32-bit entry with any
// nonzero alpha uses its alpha (onto white) instead of the mask. A mask that is missing
// altogether counts as all opaque.
Raster decodeIconDib(Bytes entry, const std::string& name);

// Throws velvo::Error unless the picture can be written: not empty, its pixels all there.
void checkWritable(const Raster& picture);
// A writable picture that encodeBmp stores in 1 bit: bilevel and only black and white.
bool keepsOneBit(const Raster& picture);
// The file and information headers of an uncompressed bitmap of 1 or 24 bits, bottom-up, with
// the black-and-white colour table for 1 bit; the pixel rows follow it. Throws velvo::Error
// when the file would pass 4 GB.
std::vector<uint8_t> fileHeader(int width, int height, int bitCount);

} // namespace velvo::imaging::bmp

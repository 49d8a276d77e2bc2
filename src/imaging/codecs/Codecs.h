#pragma once
// The readers and writers behind the file operations. Each decoder takes the whole file in
// memory and the name to put in its error messages; each encoder returns the whole file.
// Decoders deliver 24 bits (see Raster) and throw velvo::Error on any fault.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/codecs/Raster.h"

namespace velvo::imaging {

using Bytes = std::span<const uint8_t>;

// GIF 87a/89a: the first image. Sets Raster::background from the background colour entry
// of the global colour table when there is one.
Raster decodeGif(Bytes data, const std::string& name);
std::vector<uint8_t> encodeGif(const Raster& picture);

// TIFF 6.0: the first page.
Raster decodeTiff(Bytes data, const std::string& name);
enum class TiffCompression { None, Lzw };
std::vector<uint8_t> encodeTiff(const Raster& picture, TiffCompression compression = TiffCompression::Lzw);

// Windows and OS/2 bitmaps. encodeBmp writes 24 bits, or 1 bit when the picture is bilevel.
Raster decodeBmp(Bytes data, const std::string& name);
std::vector<uint8_t> encodeBmp(const Raster& picture);

Raster decodePcx(Bytes data, const std::string& name);
std::vector<uint8_t> encodePcx(const Raster& picture);

// Icons and cursors: the largest entry.
Raster decodeIco(Bytes data, const std::string& name);

Raster decodeJpeg(Bytes data, const std::string& name);
std::vector<uint8_t> encodeJpeg(const Raster& picture, int quality = 90);

Raster decodePng(Bytes data, const std::string& name);
std::vector<uint8_t> encodePng(const Raster& picture);
// The same file with its see-through channel kept. `hadAlpha` tells whether the file carries
// one (an alpha channel or a tRNS entry); a file without it comes back wholly opaque.
RasterBgra decodePngBgra(Bytes data, const std::string& name, bool* hadAlpha = nullptr);
// 8-bit RGBA, without interlacing. `compression` is zlib's level, 1 (fastest) to 9 (smallest).
std::vector<uint8_t> encodePngBgra(const RasterBgra& picture, int compression = 6);

// HEIC/HEIF and AVIF (read only): the primary image with its rotation, mirror and crop
// applied; more than 8 bits per sample scaled to 8, alpha composited onto white.
Raster decodeHeif(Bytes data, const std::string& name);

// WebP, lossy or lossless (read only); alpha composited onto white. Animations are refused.
Raster decodeWebp(Bytes data, const std::string& name);

// What the decoders can read on this machine: libheif finds its HEVC and AV1 decoders at run
// time (plug-ins, or libraries a partial install may lack), while WebP is built in.
struct DecoderSupport {
    bool heic = false;
    bool avif = false;
    std::string heifVersion; // libheif's own version, e.g. "1.15.1"
    std::string webpVersion; // libwebp's decoder version, e.g. "1.2.4"
};
DecoderSupport decoderSupport();

} // namespace velvo::imaging

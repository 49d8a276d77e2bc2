// Windows icons (.ico) and cursors (.cur): the directory, then the largest entry, ranked by
// width x height from the directory (a size byte of 0 means 256) and then by bit depth.
// Entries are device-independent bitmaps with an AND mask, or PNG files.
#include <array>
#include <cstring>

#include "imaging/codecs/BmpCodec.h"
#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Error.h"

namespace velvo::imaging {
namespace {

constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool isPng(Bytes entry) {
    return entry.size() >= kPngSignature.size() &&
           std::memcmp(entry.data(), kPngSignature.data(), kPngSignature.size()) == 0;
}

// Bits per pixel as the entry's own header gives it; 0 when it cannot tell.
int entryDepth(Bytes entry, const std::string& name) {
    if (isPng(entry)) {
        // IHDR follows the signature: length, type, width, height, bit depth, colour type.
        if (entry.size() < 26)
            return 0;
        static constexpr int channels[7] = {1, 0, 3, 1, 2, 0, 4};
        const int colourType = entry[25];
        return colourType <= 6 ? entry[24] * channels[colourType] : 0;
    }
    try {
        return bmp::peekIconDib(entry, name).bitCount;
    } catch (const Error&) {
        return 0; // only fatal if this entry is the one chosen
    }
}

} // namespace

Raster decodeIco(Bytes data, const std::string& name) {
    ByteReader r(data, name);
    const uint16_t reserved = r.u16le(), type = r.u16le(), count = r.u16le();
    if (reserved != 0 || (type != 1 && type != 2))
        r.fail("not an icon or cursor file");
    if (count == 0)
        r.fail("the icon directory has no entries");
    r.need(size_t(count) * 16);

    Bytes best;
    int64_t bestArea = -1;
    int bestDepth = -1;
    for (int i = 0; i < count; ++i) {
        const int w = r.u8(), h = r.u8();
        r.skip(4);                      // colour count, reserved, planes or hot spot x
        const int dirDepth = r.u16le(); // hot spot y in cursors
        const uint32_t size = r.u32le(), offset = r.u32le();
        if (offset >= data.size() || size > data.size() - offset || size < 8)
            r.fail("icon entry " + std::to_string(i + 1) + " (" + std::to_string(size) +
                   " bytes at offset " + std::to_string(offset) + ") lies outside the file (" +
                   std::to_string(data.size()) + " bytes)");
        const Bytes entry = data.subspan(offset, size);
        const int64_t area = int64_t(w ? w : 256) * (h ? h : 256);
        const int depth = type == 1 && dirDepth ? dirDepth : entryDepth(entry, name);
        if (area > bestArea || (area == bestArea && depth > bestDepth)) {
            best = entry;
            bestArea = area;
            bestDepth = depth;
        }
    }
    return isPng(best) ? decodePng(best, name) : bmp::decodeIconDib(best, name);
}

} // namespace velvo::imaging

// TPixelBitmap's bitmap files. Reading takes uncompressed Windows bitmap files; every offset and
// length is checked against the bytes actually present, header sizes are never trusted.
// Writing gives 24 bits, the block itself being a bitmap file's pixel rows.
#include <cstring>
#include <span>

#include "imaging/codecs/BmpCodec.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/ImageFile.h"
#include "imaging/codecs/Raster.h"
#include "pixel/TPixelBitmap.h"

namespace velvo::pixel {
namespace {

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

} // namespace

void TPixelBitmap::LoadFromFile(const std::string& file) {
    const imaging::FileBytes bytes(file);
    LoadFromBytes(bytes.bytes().data(), bytes.bytes().size(), file);
}

void TPixelBitmap::SaveToFile(const std::string& file) const {
    if (Empty())
        throw Error(file, "there is no picture to save");
    const std::vector<uint8_t> header = imaging::bmp::fileHeader(Width, Height, 24);
    std::vector<std::span<const uint8_t>> pieces{header};
    if (RowGap == 0) {
        pieces.emplace_back(PixelBytes, size_t(ByteSize));
    } else {
        // Gap bytes of the block may hold anything; the file's row pads are zeros.
        static constexpr uint8_t kZeros[3] = {};
        const size_t used = size_t(Width) * 3, pad = size_t(RowBytes) - used;
        for (int i = 0; i < Height; ++i) {
            pieces.emplace_back(RowStarts[size_t(i)], used);
            pieces.emplace_back(kZeros, pad);
        }
    }
    imaging::writeFileAtomic(file, pieces);
}

void TPixelBitmap::LoadFromBytes(const uint8_t* data, size_t size, const std::string& name) {
    if (size < 14 + 40)
        throw Error(name, "truncated bitmap header");
    const uint32_t dataOffset = le32(data + 10);
    const uint8_t* info = data + 14;
    const uint32_t infoSize = le32(info);
    if (infoSize < 40 || infoSize > size - 14)
        throw Error(name, "bad bitmap information header size");
    const int64_t width = int32_t(le32(info + 4));
    const int64_t rawHeight = int32_t(le32(info + 8));
    const int bits = le16(info + 14);
    const uint32_t compression = le32(info + 16);
    const uint32_t colorsUsed = le32(info + 32);
    if (compression != 0)
        throw Error(name, "compressed bitmaps are not supported");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        throw Error(name, "unsupported bit depth " + std::to_string(bits));
    const bool topDown = rawHeight < 0;
    const int64_t height = topDown ? -rawHeight : rawHeight;
    imaging::checkPictureSize(width, height, name);

    // Up to 256 colour entries follow the information header, never past the file.
    uint8_t palette[256][4] = {};
    if (bits <= 8) {
        const size_t maxEntries = size_t(1) << bits;
        size_t entries = colorsUsed == 0 || colorsUsed > maxEntries ? maxEntries : colorsUsed;
        const size_t paletteStart = 14 + size_t(infoSize);
        if (paletteStart + entries * 4 > size)
            throw Error(name, "truncated colour table");
        std::memcpy(palette, data + paletteStart, entries * 4);
    }

    const int64_t srcRowBytes = (int64_t(bits) * width + 31) / 32 * 4;
    const int64_t needed = srcRowBytes * height;
    if (dataOffset > size || int64_t(size - dataOffset) < needed)
        throw Error(name, "truncated pixel data");

    // Every pixel byte is written below, so the block is not cleared first; only the gaps are.
    allocate(int(width), int(height), false);
    const uint8_t* pixels = data + dataOffset;
    for (int64_t i = 0; i < height; ++i) {
        // Stored row i is the picture's bottom row + i; a top-down file holds it at height-1-i.
        const uint8_t* src = pixels + size_t(topDown ? height - 1 - i : i) * size_t(srcRowBytes);
        uint8_t* out = RowStarts[size_t(i)];
        switch (bits) {
        case 24:
            std::memcpy(out, src, size_t(width) * 3);
            break;
        case 32:
            for (int64_t x = 0; x < width; ++x, out += 3)
                std::memcpy(out, src + x * 4, 3);
            break;
        default: {
            const int perByte = 8 / bits, mask = (1 << bits) - 1;
            for (int64_t x = 0; x < width; ++x, out += 3) {
                const int shift = 8 - bits * int(x % perByte + 1);
                const int index = (src[x / perByte] >> shift) & mask;
                std::memcpy(out, palette[index], 3);
            }
        }
        }
        std::memset(RowStarts[size_t(i)] + width * 3, 0, size_t(RowGap));
    }
}

} // namespace velvo::pixel

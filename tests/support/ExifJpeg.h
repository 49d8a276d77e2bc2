#pragma once
// A JPEG file as phones write it: an APP1 "Exif" segment after the start-of-image marker, IFD0
// holding the orientation, linked to IFD1 naming the JPEG thumbnail stored after it.
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace velvo::test {

struct ExifLayout {
    int orientation = 1;
    std::vector<uint8_t> thumbnail;
    // Override the stored thumbnail offset and length (relative to the TIFF header).
    std::optional<uint32_t> offset, length;
};

inline ExifLayout exif(int orientation, std::vector<uint8_t> thumbnail = {},
                       std::optional<uint32_t> offset = {}, std::optional<uint32_t> length = {}) {
    return {orientation, std::move(thumbnail), offset, length};
}

inline std::vector<uint8_t> withExif(const std::vector<uint8_t>& jpeg, const ExifLayout& layout) {
    std::vector<uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto u16 = [&](uint16_t v) { tiff.insert(tiff.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    auto u32 = [&](uint32_t v) { u16(uint16_t(v)), u16(uint16_t(v >> 16)); };
    u16(1);
    u16(0x0112), u16(3), u32(1), u16(uint16_t(layout.orientation)), u16(0);
    const uint32_t ifd1 = uint32_t(tiff.size() + 4);
    u32(ifd1);
    u16(2);
    const uint32_t data = ifd1 + 2 + 2 * 12 + 4;
    u16(0x0201), u16(4), u32(1), u32(layout.offset.value_or(data));
    u16(0x0202), u16(4), u32(1), u32(layout.length.value_or(uint32_t(layout.thumbnail.size())));
    u32(0);
    tiff.insert(tiff.end(), layout.thumbnail.begin(), layout.thumbnail.end());

    const size_t segment = 2 + 6 + tiff.size();
    std::vector<uint8_t> out = {0xFF, 0xD8, 0xFF, 0xE1, uint8_t(segment >> 8), uint8_t(segment)};
    out.insert(out.end(), {'E', 'x', 'i', 'f', 0, 0});
    out.insert(out.end(), tiff.begin(), tiff.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

} // namespace velvo::test

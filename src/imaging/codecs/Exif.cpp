#include "imaging/codecs/Exif.h"

#include <algorithm>
#include <cstring>

namespace velvo::imaging {

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;

// Reads inside the TIFF structure only; every access is checked against its size.
class TiffView {
public:
    TiffView(std::span<const uint8_t> tiff, bool bigEndian) : tiff_(tiff), big_(bigEndian) {}

    bool has(size_t offset, size_t n) const {
        return offset <= tiff_.size() && n <= tiff_.size() - offset;
    }
    uint16_t u16(size_t at) const {
        return big_ ? uint16_t(tiff_[at] << 8 | tiff_[at + 1])
                    : uint16_t(tiff_[at] | tiff_[at + 1] << 8);
    }
    uint32_t u32(size_t at) const {
        return big_ ? uint32_t(u16(at)) << 16 | u16(at + 2) : u16(at) | uint32_t(u16(at + 2)) << 16;
    }

private:
    std::span<const uint8_t> tiff_;
    bool big_;
};

} // namespace

int exifOrientation(std::span<const uint8_t> app1) {
    static const uint8_t kSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1.size() < 6 + 8 || std::memcmp(app1.data(), kSignature, 6) != 0)
        return 1;
    const std::span<const uint8_t> tiff = app1.subspan(6);
    bool big;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        big = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else
        return 1;
    const TiffView view(tiff, big);
    if (view.u16(2) != 42)
        return 1;
    const size_t ifd = view.u32(4);
    if (!view.has(ifd, 2))
        return 1;
    const size_t count = view.u16(ifd);
    // The orientation lives in the first IFD; its entries are 12 bytes each.
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = ifd + 2 + i * 12;
        if (!view.has(entry, 12))
            return 1;
        if (view.u16(entry) != kOrientationTag)
            continue;
        if (view.u16(entry + 2) != kTypeShort || view.u32(entry + 4) < 1)
            return 1;
        const int value = view.u16(entry + 8);
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

Raster applyOrientation(Raster in, int orientation) {
    if (orientation < 2 || orientation > 8 || in.empty())
        return in;
    const int w = in.width, h = in.height;
    if (orientation == 2 || orientation == 3) {
        for (int y = 0; y < h; ++y) {
            uint8_t* row = in.row(y);
            for (int l = 0, r = w - 1; l < r; ++l, --r)
                std::swap_ranges(row + size_t(l) * 3, row + size_t(l) * 3 + 3, row + size_t(r) * 3);
        }
    }
    if (orientation == 3 || orientation == 4) {
        for (int t = 0, b = h - 1; t < b; ++t, --b)
            std::swap_ranges(in.row(t), in.row(t) + in.stride(), in.row(b));
    }
    if (orientation <= 4)
        return in;

    // Output pixel (x, y) comes from input column sx (fixed for the output row) and input row
    // sy, which runs down (5, 8) or up (6, 7) the column as x grows.
    Raster out;
    out.width = h;
    out.height = w;
    out.background = in.background;
    out.bilevel = in.bilevel;
    out.pixels.resize(in.pixels.size());
    const bool mirrorColumn = orientation == 7 || orientation == 8;
    const bool upwards = orientation == 6 || orientation == 7;
    const ptrdiff_t step = upwards ? -ptrdiff_t(in.stride()) : ptrdiff_t(in.stride());
    for (int y = 0; y < out.height; ++y) {
        const int sx = mirrorColumn ? w - 1 - y : y;
        ptrdiff_t at = ptrdiff_t((upwards ? h - 1 : 0) * in.stride() + size_t(sx) * 3);
        uint8_t* dst = out.row(y);
        for (int x = 0; x < out.width; ++x, at += step, dst += 3) {
            const uint8_t* src = in.pixels.data() + at;
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
    }
    return out;
}

} // namespace velvo::imaging

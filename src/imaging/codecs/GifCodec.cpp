// GIF 87a/89a reader and writer.
//
// Reading delivers the logical screen: a canvas of the screen size filled with the global
// background colour entry (white when there is none), with the first image drawn at its
// offset. A first image reaching past the screen (or a screen of size 0, as some writers
// leave it) grows the canvas to hold it, as browsers do. For hairstyle files frame and screen
// are the same. Later images and all extensions are skipped; a transparent index keeps its
// palette colour. Indices past the colour table's end are black.
//
// Leniency: a code stream that ends early (a truncated file, a missing end code) keeps the
// rows decoded so far and leaves the rest of the frame in the background colour, marking the
// picture incomplete when pixels are missing. A file with no
// image at all, an image without a single decoded pixel, a code above the next free code and an
// initial code size outside 2..9 are errors.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ColorQuantizer.h"
#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/GifLzw.h"

namespace velvo::imaging {

namespace {

// Entries are B | G << 8 | R << 16, so that four little-endian bytes store one BGR pixel.
using PackedPalette = std::array<uint32_t, 256>;

PackedPalette readColourTable(ByteReader& r, unsigned entries) {
    PackedPalette pal{};
    auto bytes = r.bytes(size_t(entries) * 3);
    for (unsigned i = 0; i < entries; ++i)
        pal[i] = uint32_t(bytes[3 * i + 2]) | uint32_t(bytes[3 * i + 1]) << 8 |
                 uint32_t(bytes[3 * i]) << 16;
    return pal;
}

void skipSubBlocks(ByteReader& r) {
    for (uint8_t len = r.u8(); len != 0; len = r.u8())
        r.skip(len);
}

// The image's data sub-blocks joined. A file cut short inside them gives what is there.
std::vector<uint8_t> gatherSubBlocks(ByteReader& r) {
    std::vector<uint8_t> out;
    reserveLarge(out, r.remaining());
    while (!r.atEnd()) {
        const size_t len = r.u8();
        if (len == 0)
            break;
        const size_t n = std::min(len, r.remaining());
        auto b = r.bytes(n);
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

inline void expandRow(const uint8_t* idx, size_t n, const PackedPalette& pal, uint8_t* dst) {
    if (n == 0)
        return;
    // Each store writes one byte too many, which the next pixel overwrites; the last pixel is
    // stored exactly so nothing past the row is touched.
    size_t i = 0;
    for (; i + 4 < n; i += 4) {
        const uint32_t a = pal[idx[i]], b = pal[idx[i + 1]], c = pal[idx[i + 2]],
                       d = pal[idx[i + 3]];
        std::memcpy(dst + 3 * i, &a, 4);
        std::memcpy(dst + 3 * i + 3, &b, 4);
        std::memcpy(dst + 3 * i + 6, &c, 4);
        std::memcpy(dst + 3 * i + 9, &d, 4);
    }
    for (; i + 1 < n; ++i) {
        const uint32_t a = pal[idx[i]];
        std::memcpy(dst + 3 * i, &a, 4);
    }
    const uint32_t last = pal[idx[n - 1]];
    dst[3 * (n - 1)] = uint8_t(last);
    dst[3 * (n - 1) + 1] = uint8_t(last >> 8);
    dst[3 * (n - 1) + 2] = uint8_t(last >> 16);
}

// Frame row of the n-th row in the stream: rows 0, 8, 16.., then 4, 12.., then 2, 6..,
// then 1, 3.. when interlaced.
std::vector<int> rowOrder(int height, bool interlaced) {
    std::vector<int> order;
    order.reserve(size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            order.push_back(y);
        return order;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass])
            order.push_back(y);
    return order;
}

} // namespace

Raster decodeGif(Bytes data, const std::string& name) {
    ByteReader r(data, name);
    if (data.size() < 3 || std::memcmp(data.data(), "GIF", 3) != 0)
        r.fail("not a GIF file");
    r.need(13);
    if (std::memcmp(data.data() + 3, "87a", 3) != 0 && std::memcmp(data.data() + 3, "89a", 3) != 0)
        r.fail("unsupported GIF version \"" + std::string(data.begin() + 3, data.begin() + 6) +
               "\"");
    r.skip(6);
    const int screenW = r.u16le(), screenH = r.u16le();
    const uint8_t screenFlags = r.u8();
    const uint8_t bgIndex = r.u8();
    r.skip(1);

    Raster out;
    PackedPalette global{};
    const bool hasGlobal = screenFlags & 0x80;
    if (hasGlobal) {
        const unsigned entries = 2u << (screenFlags & 7);
        global = readColourTable(r, entries);
        if (bgIndex < entries) {
            const uint32_t c = global[bgIndex];
            out.background = Bgr{uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)};
        }
    }

    for (;;) {
        if (r.atEnd())
            r.fail("no image in the file");
        const size_t at = r.pos();
        const uint8_t block = r.u8();
        if (block == 0x21) {
            r.skip(1);
            skipSubBlocks(r);
            continue;
        }
        if (block == 0x3B)
            r.fail("no image in the file");
        if (block != 0x2C)
            r.fail("unknown block type " + std::to_string(block) + " at offset " +
                   std::to_string(at));
        break;
    }

    const int left = r.u16le(), top = r.u16le(), w = r.u16le(), h = r.u16le();
    const uint8_t flags = r.u8();
    checkPictureSize(w, h, name);
    const PackedPalette* pal = hasGlobal ? &global : nullptr;
    PackedPalette local{};
    if (flags & 0x80) {
        local = readColourTable(r, 2u << (flags & 7));
        pal = &local;
    }
    if (!pal)
        r.fail("the image has no colour table");
    const int minCodeSize = r.u8();
    if (minCodeSize < gif::kMinCodeSizeLow || minCodeSize > gif::kMinCodeSizeHigh)
        r.fail("LZW code size " + std::to_string(minCodeSize) + " is not supported");

    const int canvasW = std::max(screenW, left + w), canvasH = std::max(screenH, top + h);
    checkPictureSize(canvasW, canvasH, name);
    const std::vector<uint8_t> codes = gatherSubBlocks(r);

    const size_t frameSize = size_t(w) * size_t(h);
    const bool interlaced = flags & 0x40;
    const std::optional<Bgr> background = out.background;
    const Bgr fill = background.value_or(Bgr{255, 255, 255});
    // The usual case, one plain frame covering the screen, decodes its indices into the last
    // third of the picture and expands them forwards in place: the stores for pixel i end
    // before index i + 1 (3i + 4 <= 2n + i + 1 for i <= n - 2), so no unread index is lost.
    const bool inPlace = !interlaced && left == 0 && top == 0 && w == canvasW && h == canvasH;
    std::unique_ptr<uint8_t[]> buffer;
    uint8_t* indices;
    if (inPlace) {
        out.width = w;
        out.height = h;
        reserveLarge(out.pixels, frameSize * 3);
        out.pixels.resize(frameSize * 3);
        indices = out.pixels.data() + 2 * frameSize;
    } else {
        buffer = std::make_unique_for_overwrite<uint8_t[]>(frameSize);
        indices = buffer.get();
    }
    const gif::LzwResult res =
        gif::lzwDecode(codes, minCodeSize, std::span<uint8_t>(indices, frameSize));
    if (res.stop == gif::LzwStop::BadCode)
        r.fail("invalid LZW code " + std::to_string(res.badCode) + " (next free code " +
               std::to_string(res.nextFree) + ")");
    if (res.produced == 0)
        r.fail("truncated LZW data: no pixels decoded");

    if (inPlace) {
        expandRow(indices, res.produced, *pal, out.pixels.data());
        for (size_t i = res.produced; i < frameSize; ++i) {
            uint8_t* p = out.pixels.data() + 3 * i;
            p[0] = fill.b, p[1] = fill.g, p[2] = fill.r;
        }
        out.incomplete = res.produced < frameSize;
        return out;
    }
    out = Raster::create(canvasW, canvasH, name, fill);
    out.background = background;
    out.incomplete = res.produced < frameSize;
    const std::vector<int> order = rowOrder(h, interlaced);
    const size_t fullRows = res.produced / size_t(w);
    for (size_t sr = 0; sr <= fullRows && sr < size_t(h); ++sr) {
        const size_t n = sr < fullRows ? size_t(w) : res.produced % size_t(w);
        expandRow(indices + sr * size_t(w), n, *pal, out.row(top + order[sr]) + size_t(left) * 3);
    }
    return out;
}

std::vector<uint8_t> encodeGif(const Raster& picture) {
    if (picture.empty() || picture.pixels.size() < size_t(picture.width) * picture.height * 3)
        throw Error("", "cannot write an empty picture as GIF");
    if (picture.width > 0xFFFF || picture.height > 0xFFFF)
        throw Error("", "picture " + std::to_string(picture.width) + "x" +
                            std::to_string(picture.height) + " exceeds GIF's limit of 65535");
    std::optional<IndexedPicture> exact = exactPalette(picture, 256);
    const IndexedPicture ip =
        exact ? std::move(*exact) : quantizeMedianCut(picture, 256, picture.background);

    int bits = 1;
    while ((size_t(1) << bits) < ip.palette.size())
        ++bits;
    const int minCodeSize = std::max(2, bits);
    uint8_t bgIndex = 0;
    if (picture.background) {
        auto it = std::find(ip.palette.begin(), ip.palette.end(), *picture.background);
        if (it != ip.palette.end())
            bgIndex = uint8_t(it - ip.palette.begin());
    }

    const std::vector<uint8_t> codes = gif::lzwEncode(ip.indices, minCodeSize);
    std::vector<uint8_t> out{'G', 'I', 'F', '8', '9', 'a'};
    out.reserve(13 + 3 * 256 + 11 + codes.size() + codes.size() / 255 + 3);
    putU16le(out, uint16_t(picture.width));
    putU16le(out, uint16_t(picture.height));
    out.push_back(uint8_t(0x80 | 0x70 | (bits - 1))); // global table, 8 bits per primary
    out.push_back(bgIndex);
    out.push_back(0);
    for (size_t i = 0; i < (size_t(1) << bits); ++i) {
        const Bgr c = i < ip.palette.size() ? ip.palette[i] : Bgr{};
        out.insert(out.end(), {c.r, c.g, c.b});
    }
    out.push_back(0x2C);
    putU16le(out, 0);
    putU16le(out, 0);
    putU16le(out, uint16_t(picture.width));
    putU16le(out, uint16_t(picture.height));
    out.push_back(0);
    out.push_back(uint8_t(minCodeSize));
    for (size_t i = 0; i < codes.size(); i += 255) {
        const size_t n = std::min<size_t>(255, codes.size() - i);
        out.push_back(uint8_t(n));
        out.insert(out.end(), codes.begin() + ptrdiff_t(i), codes.begin() + ptrdiff_t(i + n));
    }
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

} // namespace velvo::imaging

#include "imaging/codecs/BmpCodec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

#include "imaging/codecs/ByteReader.h"

namespace velvo::imaging {
namespace {

enum : uint32_t { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitFields = 3, BiAlphaBitFields = 6 };

constexpr Bgr kBlack{0, 0, 0};
constexpr Bgr kWhite{255, 255, 255};

// One colour channel of a 16/24/32-bit pixel, scaled from its mask's range to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m = 0) : mask(m) {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uint8_t operator()(uint32_t pixel, uint8_t ifAbsent = 0) const {
        if (!max)
            return ifAbsent;
        uint64_t v = (pixel & mask) >> shift;
        return uint8_t((v * 255 + max / 2) / max);
    }
};

struct Header {
    int64_t width = 0;
    int64_t height = 0; // of the picture (halved for icons)
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = BiRgb;
    uint32_t colorsUsed = 0;
    std::array<uint32_t, 4> masks{}; // red, green, blue, alpha
    bool alphaDeclared = false;
    int paletteEntrySize = 4;
    size_t paletteStart = 0; // offset after the info header and any separate masks
};

uint32_t field32(std::span<const uint8_t> h, size_t at) {
    if (at + 4 > h.size())
        return 0;
    return uint32_t(h[at]) | uint32_t(h[at + 1]) << 8 | uint32_t(h[at + 2]) << 16 |
           uint32_t(h[at + 3]) << 24;
}
uint16_t field16(std::span<const uint8_t> h, size_t at) {
    return uint16_t(h[at] | h[at + 1] << 8);
}

// Reads the info header that starts at `start`.
Header parseHeader(ByteReader& r, size_t start, bool icon) {
    r.seek(start);
    const uint32_t size = r.u32le();
    if (size < 12 || (size > 12 && size < 16))
        r.fail("unsupported bitmap header size " + std::to_string(size));
    r.seek(start);
    auto h = r.bytes(size);
    Header hd;
    const bool os2v2 =
        size == 64 || (size >= 16 && size < 64 && size != 40 && size != 52 && size != 56);
    if (size == 12) {
        hd.width = field16(h, 4);
        hd.height = field16(h, 6);
        hd.bitCount = field16(h, 10);
        hd.paletteEntrySize = 3;
    } else {
        hd.width = int32_t(field32(h, 4));
        hd.height = int32_t(field32(h, 8));
        hd.bitCount = field16(h, 14);
        hd.compression = field32(h, 16);
        hd.colorsUsed = field32(h, 32);
        if (os2v2 && hd.compression > BiRle4)
            r.fail("unsupported OS/2 bitmap compression " + std::to_string(hd.compression));
        if (size >= 52 && !os2v2)
            hd.masks = {field32(h, 40), field32(h, 44), field32(h, 48), field32(h, 52)};
    }
    if (hd.height < 0) {
        hd.topDown = true;
        hd.height = -hd.height;
    }
    if (icon)
        hd.height /= 2;
    checkPictureSize(hd.width, hd.height, r.name());

    const int bpp = hd.bitCount;
    const std::string depth = std::to_string(bpp) + "-bit";
    switch (hd.compression) {
    case BiRgb:
        if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
            r.fail("unsupported bit depth " + std::to_string(bpp));
        if (bpp == 16)
            hd.masks = {0x7C00, 0x03E0, 0x001F, size >= 56 ? hd.masks[3] : 0};
        else if (bpp == 32) // icons keep alpha in the fourth byte without saying so
            hd.masks = {0xFF0000, 0xFF00, 0xFF, icon ? 0xFF000000 : size >= 56 ? hd.masks[3] : 0};
        hd.alphaDeclared = bpp > 8 && hd.masks[3] != 0;
        break;
    case BiRle8:
    case BiRle4:
        if (icon)
            r.fail("run-length compressed icon entry");
        if (bpp != (hd.compression == BiRle8 ? 8 : 4))
            r.fail(depth + " bitmap with " + (hd.compression == BiRle8 ? "RLE8" : "RLE4"));
        break;
    case BiBitFields:
    case BiAlphaBitFields: {
        if (bpp != 16 && bpp != 32)
            r.fail(depth + " bitmap with bit fields");
        const bool withAlpha = hd.compression == BiAlphaBitFields;
        if (size < 52 || (withAlpha && size < 56)) {
            for (int i = 0; i < (withAlpha ? 4 : 3); ++i)
                hd.masks[i] = r.u32le();
            if (!withAlpha)
                hd.masks[3] = 0;
        }
        hd.alphaDeclared = hd.masks[3] != 0 && (withAlpha || size >= 56);
        if (!hd.alphaDeclared)
            hd.masks[3] = 0;
        break;
    }
    default:
        r.fail("unsupported bitmap compression " + std::to_string(hd.compression));
    }
    hd.paletteStart = r.pos();
    return hd;
}

int paletteCount(const Header& hd) {
    if (hd.bitCount > 8)
        return 0;
    const uint32_t full = 1u << hd.bitCount;
    return int(hd.colorsUsed == 0 || hd.colorsUsed > full ? full : hd.colorsUsed);
}

uint64_t rowStride(const Header& hd) {
    return (uint64_t(hd.width) * hd.bitCount + 31) / 32 * 4;
}

// The bytes uncompressed pixel data needs; the last row's padding may be missing.
uint64_t pixelBytes(const Header& hd) {
    return rowStride(hd) * uint64_t(hd.height - 1) + (uint64_t(hd.width) * hd.bitCount + 7) / 8;
}

struct Decoded {
    Raster picture;
    std::vector<uint8_t> alpha; // width * height when the pixels carry alpha
    bool bilevel = false;
};

class DibDecoder {
public:
    DibDecoder(ByteReader& r, const Header& hd) : r_(r), hd_(hd) {}

    void readPalette(int count) {
        r_.seek(hd_.paletteStart);
        count_ = count;
        for (int i = 0; i < count; ++i) {
            auto e = r_.bytes(size_t(hd_.paletteEntrySize));
            palette_[size_t(i)] = {e[0], e[1], e[2]};
        }
    }
    bool blackAndWhite() const {
        return hd_.bitCount == 1 && count_ == 2 &&
               ((palette_[0] == kBlack && palette_[1] == kWhite) ||
                (palette_[0] == kWhite && palette_[1] == kBlack));
    }

    Decoded decodeUncompressed(size_t offset, bool wantAlpha) {
        const uint64_t need = pixelBytes(hd_);
        if (offset > r_.size() || need > r_.size() - offset)
            r_.fail("truncated pixel data (needs " + std::to_string(need) + " bytes, has " +
                    std::to_string(offset > r_.size() ? 0 : r_.size() - offset) + ")");
        Decoded d = start();
        if (wantAlpha)
            d.alpha.assign(size_t(hd_.width) * size_t(hd_.height), 255);
        const size_t stride = size_t(rowStride(hd_));
        const uint8_t* base = r_.data().data() + offset;
        for (int64_t i = 0; i < hd_.height; ++i)
            decodeRow(base + size_t(i) * stride, int(outRow(i)), d);
        return d;
    }

    Decoded decodeRle(size_t offset) {
        Decoded d = start();
        const bool four = hd_.compression == BiRle4;
        const int64_t w = hd_.width, h = hd_.height;
        auto put = [&](int64_t x, int64_t row, unsigned index) {
            if (x < w && row < h)
                d.picture.set(int(x), int(outRow(row)), colour(index));
        };
        r_.seek(offset);
        int64_t x = 0, row = 0;
        while (row < h && !r_.atEnd()) {
            const unsigned count = r_.u8(), value = r_.u8();
            if (count > 0) {
                for (unsigned i = 0; i < count && x + int64_t(i) < w; ++i)
                    put(x + i, row, four ? (i & 1 ? value & 15 : value >> 4) : value);
                x += count;
            } else if (value == 0) {
                x = 0;
                ++row;
            } else if (value == 1) {
                return d;
            } else if (value == 2) {
                x += r_.u8();
                row += r_.u8();
            } else {
                const size_t bytes = four ? (value + 1) / 2 : value;
                auto lit = r_.bytes(bytes);
                for (unsigned i = 0; i < value && x + int64_t(i) < w; ++i)
                    put(x + i, row, four ? (i & 1 ? lit[i / 2] & 15 : lit[i / 2] >> 4) : lit[i]);
                x += value;
                if (bytes % 2 && !r_.atEnd())
                    r_.skip(1);
            }
        }
        // The data ran out without its end-of-bitmap code before the last row was filled.
        d.picture.incomplete = row < h - 1 || (row == h - 1 && x < w);
        return d;
    }

private:
    Decoded start() {
        Decoded d;
        d.picture = Raster::create(int(hd_.width), int(hd_.height), r_.name(), kWhite);
        d.bilevel = blackAndWhite();
        return d;
    }
    int64_t outRow(int64_t fileRow) const {
        return hd_.topDown ? fileRow : hd_.height - 1 - fileRow;
    }
    Bgr colour(unsigned index) const { return int(index) < count_ ? palette_[index] : kBlack; }

    void decodeRow(const uint8_t* p, int y, Decoded& d) {
        const int w = int(hd_.width), bpp = hd_.bitCount;
        uint8_t* out = d.picture.row(y);
        if (bpp <= 8) {
            const unsigned valueMask = (1u << bpp) - 1;
            for (int x = 0; x < w; ++x) {
                const size_t bit = size_t(x) * bpp;
                const unsigned index = (p[bit / 8] >> (8 - bpp - int(bit % 8))) & valueMask;
                const Bgr c = colour(index);
                out[3 * x] = c.b, out[3 * x + 1] = c.g, out[3 * x + 2] = c.r;
            }
            return;
        }
        if (bpp == 24) {
            std::copy(p, p + size_t(w) * 3, out);
            return;
        }
        const Channel red(hd_.masks[0]), green(hd_.masks[1]), blue(hd_.masks[2]);
        const Channel alpha(hd_.masks[3]);
        uint8_t* a = d.alpha.empty() ? nullptr : d.alpha.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            const uint8_t* q = p + size_t(x) * (bpp / 8);
            const uint32_t v = bpp == 16 ? uint32_t(q[0] | q[1] << 8)
                                         : uint32_t(q[0]) | uint32_t(q[1]) << 8 |
                                               uint32_t(q[2]) << 16 | uint32_t(q[3]) << 24;
            out[3 * x] = blue(v), out[3 * x + 1] = green(v), out[3 * x + 2] = red(v);
            if (a)
                a[x] = alpha(v, 255);
        }
    }

    ByteReader& r_;
    const Header& hd_;
    std::array<Bgr, 256> palette_{};
    int count_ = 0;
};

// False (nothing changed) when every alpha value is zero, which means "no alpha" in practice.
bool compositeOntoWhite(Raster& picture, const std::vector<uint8_t>& alpha) {
    if (std::all_of(alpha.begin(), alpha.end(), [](uint8_t a) { return a == 0; }))
        return false;
    for (size_t i = 0; i < alpha.size(); ++i) {
        const unsigned a = alpha[i];
        uint8_t* p = picture.pixels.data() + i * 3;
        for (int c = 0; c < 3; ++c)
            p[c] = uint8_t((p[c] * a + 255 * (255 - a) + 127) / 255);
    }
    return true;
}

} // namespace

Raster decodeBmp(Bytes data, const std::string& name) {
    ByteReader r(data, name);
    if (r.u8() != 'B' || r.u8() != 'M')
        r.fail("not a Windows bitmap (no \"BM\" signature)");
    r.skip(8);
    const uint32_t offBits = r.u32le();
    const Header hd = parseHeader(r, 14, false);
    DibDecoder dec(r, hd);

    int colours = paletteCount(hd);
    size_t pixels = offBits;
    if (offBits == 0) {
        pixels = hd.paletteStart + size_t(colours) * size_t(hd.paletteEntrySize);
    } else if (offBits < hd.paletteStart) {
        r.fail("pixel data offset " + std::to_string(offBits) +
               " lies inside the headers (end at " + std::to_string(hd.paletteStart) + ")");
    } else if (offBits >= data.size()) {
        r.fail("pixel data offset " + std::to_string(offBits) + " is past the end of the file (" +
               std::to_string(data.size()) + " bytes)");
    } else {
        // A palette that the pixel data overlaps is cut short rather than read as pixels.
        colours = std::min<int64_t>(colours, (offBits - hd.paletteStart) / hd.paletteEntrySize);
    }
    dec.readPalette(colours);

    Decoded d = hd.compression == BiRle8 || hd.compression == BiRle4
                    ? dec.decodeRle(pixels)
                    : dec.decodeUncompressed(pixels, hd.alphaDeclared);
    if (!d.alpha.empty())
        compositeOntoWhite(d.picture, d.alpha);
    d.picture.bilevel = d.bilevel;
    return std::move(d.picture);
}

namespace bmp {

DibSummary peekIconDib(Bytes entry, const std::string& name) {
    ByteReader r(entry, name);
    const Header hd = parseHeader(r, 0, true);
    return {int(hd.width), int(hd.height), hd.bitCount};
}

Raster decodeIconDib(Bytes entry, const std::string& name) {
    ByteReader r(entry, name);
    const Header hd = parseHeader(r, 0, true);
    DibDecoder dec(r, hd);
    const int colours = paletteCount(hd);
    dec.readPalette(colours);
    const size_t xorStart = r.pos();
    Decoded d = dec.decodeUncompressed(xorStart, hd.bitCount == 32);
    if (!d.alpha.empty() && compositeOntoWhite(d.picture, d.alpha))
        return std::move(d.picture);

    const uint64_t xorEnd = xorStart + rowStride(hd) * uint64_t(hd.height);
    if (xorEnd >= entry.size())
        return std::move(d.picture);
    const Header maskHeader = [&] {
        Header m = hd;
        m.bitCount = 1;
        return m;
    }();
    const uint64_t need = pixelBytes(maskHeader);
    if (need > entry.size() - xorEnd)
        r.fail("truncated AND mask (needs " + std::to_string(need) + " bytes, has " +
               std::to_string(entry.size() - xorEnd) + ")");
    const size_t stride = size_t(rowStride(maskHeader));
    for (int64_t i = 0; i < hd.height; ++i) {
        const uint8_t* m = entry.data() + xorEnd + size_t(i) * stride;
        const int y = int(hd.topDown ? i : hd.height - 1 - i);
        for (int x = 0; x < int(hd.width); ++x)
            if (m[x / 8] & (0x80 >> (x % 8)))
                d.picture.set(x, y, kWhite);
    }
    return std::move(d.picture);
}

} // namespace bmp

namespace bmp {

bool keepsOneBit(const Raster& picture) {
    checkWritable(picture);
    bool oneBit = picture.bilevel;
    for (size_t i = 0; oneBit && i < picture.pixels.size(); i += 3) {
        const uint8_t v = picture.pixels[i];
        oneBit = (v == 0 || v == 255) && picture.pixels[i + 1] == v && picture.pixels[i + 2] == v;
    }
    return oneBit;
}

void checkWritable(const Raster& picture) {
    if (picture.empty() || picture.pixels.size() != picture.stride() * size_t(picture.height))
        throw Error("", "cannot write an empty or malformed picture as a bitmap");
}

std::vector<uint8_t> fileHeader(int width, int height, int bitCount) {
    const bool oneBit = bitCount == 1;
    const uint64_t stride = (uint64_t(width) * uint64_t(bitCount) + 31) / 32 * 4;
    const uint32_t offBits = 14 + 40 + (oneBit ? 8 : 0);
    const uint64_t imageSize = stride * uint64_t(height);
    if (offBits + imageSize > std::numeric_limits<uint32_t>::max())
        throw Error("", "picture too large for a Windows bitmap");
    std::vector<uint8_t> out;
    out.reserve(offBits);
    out.push_back('B');
    out.push_back('M');
    putU32le(out, uint32_t(offBits + imageSize));
    putU32le(out, 0);
    putU32le(out, offBits);
    putU32le(out, 40);
    putU32le(out, uint32_t(width));
    putU32le(out, uint32_t(height));
    putU16le(out, 1);
    putU16le(out, uint16_t(bitCount));
    putU32le(out, BiRgb);
    putU32le(out, uint32_t(imageSize));
    putU32le(out, 2835); // 72 dots per inch
    putU32le(out, 2835);
    putU32le(out, oneBit ? 2 : 0);
    putU32le(out, 0);
    if (oneBit) {
        putU32le(out, 0x000000);
        putU32le(out, 0xFFFFFF);
    }
    return out;
}

} // namespace bmp

std::vector<uint8_t> encodeBmp(const Raster& picture) {
    const bool oneBit = bmp::keepsOneBit(picture);
    const int w = picture.width, h = picture.height;
    const int bpp = oneBit ? 1 : 24;
    const size_t stride = (size_t(w) * bpp + 31) / 32 * 4;
    std::vector<uint8_t> out = bmp::fileHeader(w, h, bpp);
    const size_t offBits = out.size();
    out.resize(offBits + stride * size_t(h), 0);
    for (int y = h - 1; y >= 0; --y) {
        const uint8_t* p = picture.row(y);
        uint8_t* row = out.data() + offBits + size_t(h - 1 - y) * stride;
        if (oneBit) {
            for (int x = 0; x < w; ++x)
                if (p[3 * x])
                    row[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
        } else {
            std::memcpy(row, p, picture.stride());
        }
    }
    return out;
}

} // namespace velvo::imaging

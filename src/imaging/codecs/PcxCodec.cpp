// ZSoft PCX. Reads 1-bit with 1 to 4 planes (2 to 16 colours from the header palette),
// 2- and 4-bit packed, 8-bit with the trailing 256-colour palette (a gray ramp when it is
// absent), and 8 bits x 3 planes (RGB) or 4 planes (RGB plus alpha, composited onto white);
// RLE or uncompressed. Writes 24 bits in three RLE planes, version 5.
//
// A 1-bit single-plane file is black and white unless its header palette gives two different
// colours; version 3 files (no palette information) use the standard EGA colours. A black and
// white 1-bit file sets Raster::bilevel.
#include <algorithm>
#include <array>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

namespace velvo::imaging {
namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kVgaPaletteSize = 769; // the 0x0C marker and 256 RGB triples

// Standard EGA colours, as {b, g, r}.
constexpr std::array<Bgr, 16> kEga = {{{0, 0, 0},
                                       {0xAA, 0, 0},
                                       {0, 0xAA, 0},
                                       {0xAA, 0xAA, 0},
                                       {0, 0, 0xAA},
                                       {0xAA, 0, 0xAA},
                                       {0, 0x55, 0xAA},
                                       {0xAA, 0xAA, 0xAA},
                                       {0x55, 0x55, 0x55},
                                       {0xFF, 0x55, 0x55},
                                       {0x55, 0xFF, 0x55},
                                       {0xFF, 0xFF, 0x55},
                                       {0x55, 0x55, 0xFF},
                                       {0xFF, 0x55, 0xFF},
                                       {0x55, 0xFF, 0xFF},
                                       {0xFF, 0xFF, 0xFF}}};

// Expands one scanline at a time; a run may carry over into the next plane or scanline.
class RleSource {
public:
    RleSource(ByteReader& r, bool rle) : r_(r), rle_(rle) {}

    void fill(uint8_t* out, size_t n, int row) {
        size_t i = 0;
        while (i < n) {
            if (pending_ > 0) {
                const size_t k = std::min(n - i, pending_);
                std::fill(out + i, out + i + k, value_);
                i += k;
                pending_ -= k;
                continue;
            }
            if (r_.atEnd())
                r_.fail("truncated pixel data at row " + std::to_string(row));
            const uint8_t b = r_.u8();
            if (rle_ && b >= 0xC0) {
                if (r_.atEnd())
                    r_.fail("truncated RLE run at row " + std::to_string(row));
                pending_ = b & 0x3F;
                value_ = r_.u8();
            } else {
                out[i++] = b;
            }
        }
    }

private:
    ByteReader& r_;
    bool rle_;
    size_t pending_ = 0;
    uint8_t value_ = 0;
};

uint8_t blend(unsigned c, unsigned a) {
    return uint8_t((c * a + 255 * (255 - a) + 127) / 255);
}

} // namespace

Raster decodePcx(Bytes data, const std::string& name) {
    ByteReader r(data, name);
    auto h = r.bytes(kHeaderSize);
    if (h[0] != 0x0A)
        r.fail("not a PCX file (manufacturer byte " + std::to_string(h[0]) + ")");
    const int version = h[1], encoding = h[2], bpp = h[3], planes = h[65];
    auto u16 = [&](size_t at) { return int(h[at] | h[at + 1] << 8); };
    const int xmin = u16(4), ymin = u16(6), xmax = u16(8), ymax = u16(10);
    const size_t bytesPerLine = size_t(u16(66));
    if (encoding > 1)
        r.fail("unknown PCX encoding " + std::to_string(encoding));
    if (xmax < xmin || ymax < ymin)
        r.fail("invalid picture window " + std::to_string(xmin) + "," + std::to_string(ymin) +
               ".." + std::to_string(xmax) + "," + std::to_string(ymax));
    const int w = xmax - xmin + 1, ht = ymax - ymin + 1;
    checkPictureSize(w, ht, name);

    const bool planar1 = bpp == 1 && planes >= 1 && planes <= 4;
    const bool packed = (bpp == 2 || bpp == 4 || bpp == 8) && planes == 1;
    const bool rgb = bpp == 8 && (planes == 3 || planes == 4);
    if (!planar1 && !packed && !rgb)
        r.fail("unsupported PCX layout: " + std::to_string(bpp) + " bits x " +
               std::to_string(planes) + " planes");
    const size_t needed = (size_t(w) * size_t(bpp) + 7) / 8;
    if (bytesPerLine < needed)
        r.fail("bytes per line " + std::to_string(bytesPerLine) + " too small for width " +
               std::to_string(w));
    const size_t lineBytes = bytesPerLine * size_t(planes);
    if (encoding == 0 && uint64_t(lineBytes) * uint64_t(ht) > data.size() - kHeaderSize)
        r.fail("truncated pixel data (needs " + std::to_string(uint64_t(lineBytes) * ht) +
               " bytes)");

    std::array<Bgr, 256> palette{};
    bool bilevel = false;
    if (bpp == 8 && planes == 1) {
        const size_t at = data.size() - kVgaPaletteSize;
        const bool present = data.size() >= kHeaderSize + kVgaPaletteSize && data[at] == 0x0C;
        for (int i = 0; i < 256; ++i)
            palette[size_t(i)] =
                present ? Bgr{data[at + 3 + 3 * i], data[at + 2 + 3 * i], data[at + 1 + 3 * i]}
                        : Bgr{uint8_t(i), uint8_t(i), uint8_t(i)};
    } else if (!rgb) {
        for (int i = 0; i < 16; ++i)
            palette[size_t(i)] = {h[18 + 3 * i], h[17 + 3 * i], h[16 + 3 * i]};
        const bool mono = bpp == 1 && planes == 1;
        if (version == 3 && !mono)
            std::copy(kEga.begin(), kEga.end(), palette.begin());
        if (mono && (version == 3 || palette[0] == palette[1])) {
            palette[0] = {0, 0, 0};
            palette[1] = {255, 255, 255};
        }
        bilevel = mono && palette[0] == Bgr{0, 0, 0} && palette[1] == Bgr{255, 255, 255};
    }

    Raster out = Raster::create(w, ht, name);
    out.bilevel = bilevel;
    std::vector<uint8_t> line(lineBytes);
    RleSource source(r, encoding == 1);
    for (int y = 0; y < ht; ++y) {
        source.fill(line.data(), line.size(), y);
        uint8_t* o = out.row(y);
        const uint8_t* p = line.data();
        for (int x = 0; x < w; ++x, o += 3) {
            if (rgb) {
                const unsigned a = planes == 4 ? p[3 * bytesPerLine + size_t(x)] : 255;
                o[0] = blend(p[2 * bytesPerLine + size_t(x)], a);
                o[1] = blend(p[bytesPerLine + size_t(x)], a);
                o[2] = blend(p[x], a);
                continue;
            }
            unsigned index = 0;
            if (planar1) {
                for (int k = 0; k < planes; ++k)
                    index |=
                        unsigned((p[size_t(k) * bytesPerLine + size_t(x) / 8] >> (7 - x % 8)) & 1)
                        << k;
            } else {
                const size_t bit = size_t(x) * size_t(bpp);
                index = (p[bit / 8] >> (8 - bpp - int(bit % 8))) & ((1u << bpp) - 1);
            }
            const Bgr c = palette[index];
            o[0] = c.b, o[1] = c.g, o[2] = c.r;
        }
    }
    return out;
}

std::vector<uint8_t> encodePcx(const Raster& picture) {
    if (picture.empty() || picture.pixels.size() != picture.stride() * size_t(picture.height))
        throw Error("", "cannot write an empty or malformed picture as PCX");
    const int w = picture.width, ht = picture.height;
    if (w > 65534 || ht > 65535)
        throw Error("", "picture too large for PCX");
    const size_t bytesPerLine = size_t(w + 1) & ~size_t(1);

    std::vector<uint8_t> out(kHeaderSize, 0);
    auto put16 = [&](size_t at, int v) {
        out[at] = uint8_t(v);
        out[at + 1] = uint8_t(v >> 8);
    };
    out[0] = 0x0A;
    out[1] = 5;
    out[2] = 1;
    out[3] = 8;
    put16(8, w - 1);
    put16(10, ht - 1);
    put16(12, 72);
    put16(14, 72);
    out[65] = 3;
    put16(66, int(bytesPerLine));
    put16(68, 1);

    std::vector<uint8_t> plane(bytesPerLine, 0);
    for (int y = 0; y < ht; ++y) {
        const uint8_t* p = picture.row(y);
        for (int channel = 2; channel >= 0; --channel) { // R, G, B planes from B, G, R bytes
            for (int x = 0; x < w; ++x)
                plane[size_t(x)] = p[3 * x + channel];
            for (size_t i = 0; i < bytesPerLine;) {
                const uint8_t v = plane[i];
                size_t run = 1;
                while (i + run < bytesPerLine && plane[i + run] == v && run < 63)
                    ++run;
                if (run > 1 || v >= 0xC0)
                    out.push_back(uint8_t(0xC0 | run));
                out.push_back(v);
                i += run;
            }
        }
    }
    return out;
}

} // namespace velvo::imaging

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <vector>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

using namespace velvo::imaging;

namespace {

constexpr Bgr kWhite{255, 255, 255}, kBlack{0, 0, 0}, kRed{0, 0, 255}, kGreen{0, 255, 0},
    kBlue{255, 0, 0};

// A hand-made bitmap file; fields left at their defaults make an ordinary BI_RGB file.
struct BmpFile {
    uint32_t headerSize = 40;
    int32_t width = 1, height = 1;
    int bpp = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::array<uint32_t, 4> headerMasks{}; // written when the header has room (>= 52 bytes)
    std::vector<uint32_t> separateMasks;   // written after the header
    std::vector<Bgr> palette;
    std::vector<uint8_t> pixels;
    int64_t offBits = -1; // -1: right after the palette

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> h;
        putU32le(h, headerSize);
        if (headerSize == 12) {
            putU16le(h, uint16_t(width)), putU16le(h, uint16_t(height));
            putU16le(h, 1), putU16le(h, uint16_t(bpp));
        } else {
            putU32le(h, uint32_t(width)), putU32le(h, uint32_t(height));
            putU16le(h, 1), putU16le(h, uint16_t(bpp));
            putU32le(h, compression), putU32le(h, 0), putU32le(h, 2835), putU32le(h, 2835);
            putU32le(h, colorsUsed), putU32le(h, 0);
            for (uint32_t m : headerMasks)
                if (h.size() + 4 <= headerSize)
                    putU32le(h, m);
            h.resize(headerSize, 0);
        }
        for (uint32_t m : separateMasks)
            putU32le(h, m);
        for (Bgr c : palette) {
            h.push_back(c.b), h.push_back(c.g), h.push_back(c.r);
            if (headerSize != 12)
                h.push_back(0);
        }
        std::vector<uint8_t> out{'B', 'M'};
        const uint32_t off = offBits >= 0 ? uint32_t(offBits) : uint32_t(14 + h.size());
        putU32le(out, uint32_t(14 + h.size() + pixels.size()));
        putU32le(out, 0);
        putU32le(out, off);
        out.insert(out.end(), h.begin(), h.end());
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

Raster decode(const std::vector<uint8_t>& file) {
    return decodeBmp(file, "t.bmp");
}

std::string errorOf(const std::vector<uint8_t>& file) {
    try {
        decodeBmp(file, "bad.bmp");
    } catch (const velvo::Error& e) {
        EXPECT_EQ(e.file(), "bad.bmp");
        return e.fault();
    }
    return "";
}

Raster pattern(int w, int h) {
    Raster r = Raster::create(w, h, "p");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            r.set(x, y, {uint8_t(x * 7 + y), uint8_t(y * 13), uint8_t(x ^ y)});
    return r;
}

std::vector<Bgr> rowOf(const Raster& r, int y) {
    std::vector<Bgr> v;
    for (int x = 0; x < r.width; ++x)
        v.push_back(r.at(x, y));
    return v;
}

TEST(BmpCodec, RoundTrip24BitAtOddWidths) {
    for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {3, 2}, {5, 7}, {33, 17}}) {
        const Raster in = pattern(w, h);
        const std::vector<uint8_t> file = encodeBmp(in);
        const size_t stride = (size_t(w) * 3 + 3) / 4 * 4;
        EXPECT_EQ(file.size(), 54 + stride * size_t(h)) << w << "x" << h;
        EXPECT_EQ(file[28], 24);
        const Raster out = decode(file);
        EXPECT_EQ(out.width, w);
        EXPECT_EQ(out.height, h);
        EXPECT_EQ(out.pixels, in.pixels) << w << "x" << h;
        EXPECT_FALSE(out.bilevel);
    }
}

TEST(BmpCodec, BilevelPicturesStayOneBitOnlyWhenPurelyBlackAndWhite) {
    Raster in = Raster::create(19, 5, "p", kWhite);
    for (int i = 0; i < 5; ++i)
        in.set(i * 3, i, kBlack);
    in.bilevel = true;
    std::vector<uint8_t> file = encodeBmp(in);
    EXPECT_EQ(file[28], 1);
    EXPECT_EQ(file.size(), 62u + 4 * 5);
    Raster out = decode(file);
    EXPECT_EQ(out.pixels, in.pixels);
    EXPECT_TRUE(out.bilevel);

    in.set(18, 4, {128, 128, 128});
    file = encodeBmp(in);
    EXPECT_EQ(file[28], 24);
    EXPECT_EQ(decode(file).pixels, in.pixels);

    in.set(18, 4, kBlack);
    in.bilevel = false;
    EXPECT_EQ(encodeBmp(in)[28], 24);
}

TEST(BmpCodec, IndexedDepthsBottomUpAndTopDown) {
    const std::vector<Bgr> pal = {kRed, kGreen, kBlue, kBlack};
    // Two rows of indexes 0,1,2,3 / 3,2,1,0 stored in each depth, rows padded to 4 bytes.
    struct Case {
        int bpp;
        std::vector<uint8_t> row0, row1;
    };
    for (const Case& c :
         {Case{2, {0x1B, 0, 0, 0}, {0xE4, 0, 0, 0}},
          Case{4, {0x01, 0x23, 0, 0}, {0x32, 0x10, 0, 0}}, Case{8, {0, 1, 2, 3}, {3, 2, 1, 0}}}) {
        BmpFile f;
        f.width = 4, f.height = 2, f.bpp = c.bpp, f.palette = pal;
        f.pixels = c.row1; // bottom-up: the last row comes first
        f.pixels.insert(f.pixels.end(), c.row0.begin(), c.row0.end());
        Raster r = decode(f.bytes());
        EXPECT_EQ(rowOf(r, 0), (std::vector<Bgr>{kRed, kGreen, kBlue, kBlack})) << c.bpp;
        EXPECT_EQ(rowOf(r, 1), (std::vector<Bgr>{kBlack, kBlue, kGreen, kRed})) << c.bpp;

        f.height = -2; // top-down
        r = decode(f.bytes());
        EXPECT_EQ(rowOf(r, 0), (std::vector<Bgr>{kBlack, kBlue, kGreen, kRed})) << c.bpp;
    }
}

TEST(BmpCodec, OneBitBlackAndWhitePaletteMarksBilevel) {
    BmpFile f;
    f.width = 10, f.height = 1, f.bpp = 1, f.palette = {kWhite, kBlack};
    f.pixels = {0xA0, 0x40, 0, 0};
    Raster r = decode(f.bytes());
    EXPECT_TRUE(r.bilevel);
    EXPECT_EQ(r.at(0, 0), kBlack);
    EXPECT_EQ(r.at(1, 0), kWhite);
    EXPECT_EQ(r.at(9, 0), kBlack);
    f.palette = {kWhite, kRed};
    EXPECT_FALSE(decode(f.bytes()).bilevel);
}

TEST(BmpCodec, PaletteSizeIsValidatedAgainstTheFile) {
    BmpFile f;
    f.width = 3, f.height = 1, f.bpp = 8, f.palette = {kRed, kGreen};
    f.colorsUsed = 2;
    f.pixels = {0, 1, 200, 0}; // index 200 lies past the palette
    Raster r = decode(f.bytes());
    EXPECT_EQ(rowOf(r, 0), (std::vector<Bgr>{kRed, kGreen, kBlack}));

    f.colorsUsed = 0xFFFFFFFF; // clamped to 256, then cut short by the pixel data offset
    r = decode(f.bytes());
    EXPECT_EQ(rowOf(r, 0), (std::vector<Bgr>{kRed, kGreen, kBlack}));
}

// RLE8: a run, an odd literal (padded), end of line, a delta, a run past the row end, end.
TEST(BmpCodec, Rle8EscapesDeltasAndClippedRuns) {
    BmpFile f;
    f.width = 5, f.height = 3, f.bpp = 8, f.compression = 1;
    f.palette = {kBlack, kRed, kGreen, kBlue};
    f.pixels = {2, 1, 0, 3, 2, 3, 2, 0, // row 2 (bottom): R R G B G
                0, 0,                   // end of line
                0, 2, 1, 1,             // delta to x 1 of row 2 (top)
                9, 3,                   // run of 9 from x 1: clipped at the row end
                0, 1};
    Raster r = decode(f.bytes());
    EXPECT_EQ(rowOf(r, 2), (std::vector<Bgr>{kRed, kRed, kGreen, kBlue, kGreen}));
    EXPECT_EQ(rowOf(r, 1), std::vector<Bgr>(5, kWhite)); // skipped by the delta
    EXPECT_EQ(rowOf(r, 0), (std::vector<Bgr>{kWhite, kBlue, kBlue, kBlue, kBlue}));
    EXPECT_FALSE(r.incomplete);
    // Cut after the first row: the rest stays white, and the picture says it is incomplete.
    f.pixels.resize(10);
    r = decode(f.bytes());
    EXPECT_EQ(rowOf(r, 2), (std::vector<Bgr>{kRed, kRed, kGreen, kBlue, kGreen}));
    EXPECT_EQ(rowOf(r, 0), std::vector<Bgr>(5, kWhite));
    EXPECT_TRUE(r.incomplete);

    // Deltas and lines that leave the picture end decoding instead of writing outside it.
    f.pixels = {0, 2, 200, 200, 5, 1, 0, 0, 0, 0, 0, 0, 0, 0, 7, 2};
    r = decode(f.bytes());
    EXPECT_EQ(r.pixels, Raster::create(5, 3, "w").pixels);
}

TEST(BmpCodec, Rle4RunsAlternateNibblesAndLiteralsArePadded) {
    BmpFile f;
    f.width = 6, f.height = 2, f.bpp = 4, f.compression = 2;
    f.palette = {kBlack, kRed, kGreen, kBlue};
    f.pixels = {5, 0x12, 0,    0,             // row 1: R G R G R, last pixel skipped
                0, 5,    0x31, 0x23, 0x10, 0, // literal of 5 nibbles B R G B R, padded to a word
                0, 1};
    Raster r = decode(f.bytes());
    EXPECT_EQ(rowOf(r, 1), (std::vector<Bgr>{kRed, kGreen, kRed, kGreen, kRed, kWhite}));
    EXPECT_EQ(rowOf(r, 0), (std::vector<Bgr>{kBlue, kRed, kGreen, kBlue, kRed, kWhite}));
}

TEST(BmpCodec, SixteenBitDefaultAndBitFieldMasks) {
    BmpFile f;
    f.width = 2, f.height = 1, f.bpp = 16;
    f.pixels = {0x1F, 0x7C, 0xE0, 0x03}; // 555: 0x7C1F magenta-ish (R 31, B 31), 0x03E0 green
    Raster r = decode(f.bytes());
    EXPECT_EQ(r.at(0, 0), (Bgr{255, 0, 255}));
    EXPECT_EQ(r.at(1, 0), kGreen);

    f.compression = 3;
    f.separateMasks = {0xF800, 0x07E0, 0x001F}; // 565
    f.pixels = {0x00, 0xF8, 0x00, 0x04};        // red; green 32 of 63
    r = decode(f.bytes());
    EXPECT_EQ(r.at(0, 0), kRed);
    EXPECT_EQ(r.at(1, 0), (Bgr{0, 130, 0}));

    f.headerSize = 56; // V3: masks inside the header
    f.separateMasks.clear();
    f.headerMasks = {0xF800, 0x07E0, 0x001F, 0};
    EXPECT_EQ(decode(f.bytes()).at(0, 0), kRed);
}

TEST(BmpCodec, AlphaIsUsedOnlyWhenTheFileDeclaresIt) {
    BmpFile f;
    f.width = 2, f.height = 1, f.bpp = 32, f.compression = 3, f.headerSize = 124;
    f.headerMasks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    f.pixels = {0, 0, 255, 128, 0, 255, 0, 255}; // half-transparent red, opaque green
    Raster r = decode(f.bytes());
    EXPECT_EQ(r.at(0, 0), (Bgr{127, 127, 255}));
    EXPECT_EQ(r.at(1, 0), kGreen);

    f.pixels = {0, 0, 255, 0, 0, 255, 0, 0}; // all-zero alpha means opaque
    r = decode(f.bytes());
    EXPECT_EQ(r.at(0, 0), kRed);

    f.pixels = {0, 0, 255, 128, 0, 255, 0, 255};
    f.headerMasks[3] = 0; // no alpha mask: the fourth byte is padding
    EXPECT_EQ(decode(f.bytes()).at(0, 0), kRed);
    f.headerSize = 40, f.compression = 0;
    EXPECT_EQ(decode(f.bytes()).at(0, 0), kRed);

    f.compression = 6; // BI_ALPHABITFIELDS after a 40-byte header
    f.separateMasks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    EXPECT_EQ(decode(f.bytes()).at(0, 0), (Bgr{127, 127, 255}));
}

TEST(BmpCodec, Os2Headers) {
    BmpFile f;
    f.headerSize = 12, f.width = 2, f.height = 1, f.bpp = 8;
    f.palette = {kBlue, kGreen};
    f.pixels = {1, 0, 0, 0};
    Raster r = decode(f.bytes());
    EXPECT_EQ(rowOf(r, 0), (std::vector<Bgr>{kGreen, kBlue}));

    // OS/2 2.x: the fields where Windows keeps masks mean something else and are ignored.
    BmpFile g;
    g.headerSize = 64, g.width = 1, g.height = 1, g.bpp = 24;
    g.headerMasks = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    g.pixels = {1, 2, 3, 0};
    EXPECT_EQ(decode(g.bytes()).at(0, 0), (Bgr{1, 2, 3}));
    g.compression = 3; // Huffman 1D in OS/2 files
    EXPECT_NE(errorOf(g.bytes()).find("OS/2"), std::string::npos);
}

TEST(BmpCodec, EveryTruncatedPrefixFailsCleanlyOrDecodes) {
    std::vector<std::vector<uint8_t>> files = {encodeBmp(pattern(7, 5))};
    Raster bw = Raster::create(9, 4, "p", kBlack);
    bw.bilevel = true;
    files.push_back(encodeBmp(bw));
    BmpFile rle;
    rle.width = 5, rle.height = 2, rle.bpp = 8, rle.compression = 1, rle.palette = {kRed};
    rle.pixels = {3, 0, 0, 3, 0, 0, 0, 0, 0, 2, 1, 0, 0, 1};
    files.push_back(rle.bytes());
    for (const auto& file : files) {
        for (size_t n = 0; n < file.size(); ++n) {
            std::vector<uint8_t> prefix(file.begin(), file.begin() + std::ptrdiff_t(n));
            try {
                const Raster r = decode(prefix);
                EXPECT_EQ(r.pixels.size(), r.stride() * size_t(r.height));
            } catch (const velvo::Error& e) {
                EXPECT_EQ(e.file(), "t.bmp");
            }
        }
        // Without the RLE data everything is white; any other prefix past the headers errs.
        if (file != files.back()) {
            std::vector<uint8_t> cut(file.begin(), file.end() - 5);
            EXPECT_NE(errorOf(cut).find("truncated"), std::string::npos);
        }
    }
}

TEST(BmpCodec, LyingHeadersGiveCleanErrors) {
    BmpFile f;
    f.width = 2, f.height = 2, f.bpp = 24, f.pixels.assign(16, 0);
    auto fault = [](BmpFile g) { return errorOf(g.bytes()); };

    BmpFile g = f;
    g.width = 1'000'000;
    EXPECT_NE(fault(g).find("width 1000000"), std::string::npos);
    g = f, g.height = INT32_MIN;
    EXPECT_NE(fault(g).find("height"), std::string::npos);
    g = f, g.width = 0;
    EXPECT_NE(fault(g).find("size"), std::string::npos);
    g = f, g.width = 10000, g.height = 10000; // within limits, but far more than the data
    EXPECT_NE(fault(g).find("truncated pixel data"), std::string::npos);
    g = f, g.offBits = 100000;
    EXPECT_NE(fault(g).find("past the end"), std::string::npos);
    g = f, g.offBits = 20;
    EXPECT_NE(fault(g).find("inside the headers"), std::string::npos);
    g = f, g.bpp = 7;
    EXPECT_NE(fault(g).find("bit depth 7"), std::string::npos);
    g = f, g.compression = 9;
    EXPECT_NE(fault(g).find("compression 9"), std::string::npos);
    g = f, g.compression = 1; // RLE8 with 24 bits
    EXPECT_NE(fault(g).find("RLE8"), std::string::npos);
    std::vector<uint8_t> hugeHeader = f.bytes();
    hugeHeader[17] = 0xFF; // header size 0xFF000028
    EXPECT_NE(errorOf(hugeHeader).find("truncated"), std::string::npos);
    g = f, g.headerSize = 8;
    EXPECT_NE(fault(g).find("header size 8"), std::string::npos);

    std::vector<uint8_t> garbage(300, 0xA5);
    garbage[0] = 'B', garbage[1] = 'M';
    EXPECT_FALSE(errorOf(garbage).empty());
    garbage[0] = 'P';
    EXPECT_NE(errorOf(garbage).find("BM"), std::string::npos);
}

} // namespace

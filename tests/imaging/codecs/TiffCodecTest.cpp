#include <gtest/gtest.h>

#include <random>

#include "TiffTestSupport.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/TiffDirectory.h"
#include "imaging/codecs/TiffLzw.h"

using namespace velvo::imaging;
using tifftest::basicTiff;
using tifftest::TiffBuilder;

namespace {

Raster pattern(int w, int h, unsigned seed = 1) {
    Raster r = Raster::create(w, h, "p");
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            r.set(x, y,
                  x % 7 == 0 ? Bgr{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())}
                             : Bgr{uint8_t(x), uint8_t(y * 3), uint8_t(x ^ y)});
    return r;
}

// The fault of the error decoding `file` throws, or "" when it decodes.
std::string faultOf(const std::vector<uint8_t>& file) {
    try {
        decodeTiff(file, "bad.tif");
    } catch (const velvo::Error& e) {
        EXPECT_EQ(e.file(), "bad.tif");
        return e.fault();
    }
    return "";
}

} // namespace

TEST(TiffCodecTest, RoundTripsBothCompressions) {
    const std::pair<int, int> sizes[] = {{1, 1}, {3, 2}, {37, 23}, {1000, 40}, {5000, 3}};
    for (auto [w, h] : sizes) {
        const Raster in = pattern(w, h);
        for (TiffCompression c : {TiffCompression::None, TiffCompression::Lzw}) {
            const Raster out = decodeTiff(encodeTiff(in, c), "rt.tif");
            ASSERT_EQ(out.width, w);
            ASSERT_EQ(out.height, h);
            EXPECT_EQ(out.pixels, in.pixels) << w << "x" << h << " compression " << int(c);
        }
    }
    EXPECT_THROW(encodeTiff(Raster{}), velvo::Error);
}

TEST(TiffCodecTest, WritesBaselineRgbStrips) {
    const Raster in = pattern(1000, 40);
    for (TiffCompression c : {TiffCompression::None, TiffCompression::Lzw}) {
        const std::vector<uint8_t> file = encodeTiff(in, c);
        ASSERT_EQ(file[0], 'I');
        const tiff::Directory dir(file, "w.tif");
        EXPECT_EQ(dir.values(tiff::BitsPerSample), (std::vector<uint32_t>{8, 8, 8}));
        EXPECT_EQ(dir.value(tiff::Compression, 0), c == TiffCompression::Lzw ? 5u : 1u);
        EXPECT_EQ(dir.value(tiff::Photometric, 0), 2u);
        EXPECT_EQ(dir.value(tiff::SamplesPerPixel, 0), 3u);
        EXPECT_EQ(dir.value(tiff::PlanarConfig, 0), 1u);
        EXPECT_EQ(dir.value(tiff::ResolutionUnit, 0), 2u);
        EXPECT_TRUE(dir.has(tiff::XResolution) && dir.has(tiff::YResolution));
        const uint32_t rows = dir.value(tiff::RowsPerStrip, 0);
        EXPECT_LE(rows * 3000u, 8192u);
        EXPECT_EQ(dir.values(tiff::StripOffsets).size(), (40 + rows - 1) / rows);
        EXPECT_EQ(dir.values(tiff::StripByteCounts).size(), dir.values(tiff::StripOffsets).size());
    }
}

TEST(TiffCodecTest, ReadsHandMadeVariants) {
    // 2x2 8-bit WhiteIsZero, big-endian, bits in reverse fill order.
    auto wiz = basicTiff(2, 2, 0, 1, 8, true).field(266, 3, {2}).strip({0x00, 0xFF, 0x80, 0x01});
    Raster r = decodeTiff(wiz.build(), "w.tif");
    EXPECT_EQ(r.at(0, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(r.at(1, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(r.at(0, 1), (Bgr{254, 254, 254})); // 0x80 reversed is 0x01
    EXPECT_EQ(r.at(1, 1), (Bgr{127, 127, 127}));

    // 2-bit gray scales 0..3 to 0..255.
    r = decodeTiff(basicTiff(4, 1, 1, 1, 2).strip({0x1B}).build(), "g.tif");
    EXPECT_EQ(r.at(0, 0).g, 0);
    EXPECT_EQ(r.at(1, 0).g, 85);
    EXPECT_EQ(r.at(2, 0).g, 170);
    EXPECT_EQ(r.at(3, 0).g, 255);

    // Associated (premultiplied) alpha over white: half-covered pure red.
    r = decodeTiff(basicTiff(1, 1, 2, 4, 8).field(338, 3, {1}).strip({128, 0, 0, 128}).build(),
                   "a.tif");
    EXPECT_EQ(r.at(0, 0), (Bgr{127, 127, 255}));
    // Unassociated, and an unspecified extra sample that is not alpha.
    r = decodeTiff(basicTiff(1, 1, 2, 4, 8).field(338, 3, {2}).strip({255, 0, 0, 0}).build(),
                   "u.tif");
    EXPECT_EQ(r.at(0, 0), (Bgr{255, 255, 255}));
    r = decodeTiff(basicTiff(1, 1, 2, 4, 8).field(338, 3, {0}).strip({10, 20, 30, 0}).build(),
                   "x.tif");
    EXPECT_EQ(r.at(0, 0), (Bgr{30, 20, 10}));

    // 16-bit colour map, and an old writer's colour map of 8-bit values.
    std::vector<uint32_t> map16(768, 0), map8(768, 0);
    map16[1] = 65535, map16[256 + 1] = 32896, map16[512 + 1] = 257;
    map8[1] = 200, map8[256 + 1] = 100, map8[512 + 1] = 50;
    r = decodeTiff(basicTiff(1, 1, 3, 1, 8).field(320, 3, map16).strip({1}).build(), "p.tif");
    EXPECT_EQ(r.at(0, 0), (Bgr{1, 128, 255}));
    r = decodeTiff(basicTiff(1, 1, 3, 1, 8).field(320, 3, map8).strip({1}).build(), "p.tif");
    EXPECT_EQ(r.at(0, 0), (Bgr{50, 100, 200}));

    // Old-style (least significant bit first) LZW, as early writers made it: clear, 'a', 'b', end.
    auto old = basicTiff(2, 1, 1, 1, 8).field(259, 3, {5}).strip({0x00, 0xC3, 0x88, 0x09, 0x08});
    r = decodeTiff(old.build(), "o.tif");
    EXPECT_EQ(r.at(0, 0).g, 'a');
    EXPECT_EQ(r.at(1, 0).g, 'b');

    // RowsPerStrip 0 or beyond the height: one strip; a self-referencing IFD chain is ignored.
    for (uint32_t rows : {0u, 1000000u}) {
        auto one = basicTiff(1, 2, 1, 1, 8).field(278, 4, {rows}).strip({7, 9}).nextIfd(8);
        r = decodeTiff(one.build(), "s.tif");
        EXPECT_EQ(r.at(0, 1).g, 9);
    }
}

TEST(TiffCodecTest, RejectsUnsupportedFeaturesByName) {
    auto fault = [](TiffBuilder b) { return faultOf(b.build()); };
    auto rgb = [] { return basicTiff(1, 1, 2, 3, 8).strip({1, 2, 3}); };
    EXPECT_NE(fault(rgb().field(259, 3, {7})).find("JPEG"), std::string::npos);
    EXPECT_NE(fault(rgb().field(259, 3, {4})).find("CCITT"), std::string::npos);
    EXPECT_NE(fault(rgb().field(262, 3, {6})).find("YCbCr"), std::string::npos);
    EXPECT_NE(fault(rgb().field(339, 3, {3, 3, 3})).find("floating"), std::string::npos);
    EXPECT_NE(fault(rgb().field(317, 3, {3})).find("predictor"), std::string::npos);
    EXPECT_NE(fault(rgb().field(258, 3, {12, 12, 12})).find("12 bits"), std::string::npos);
    EXPECT_NE(fault(basicTiff(1, 1, 2, 2, 8).strip({1, 2})).find("too few"), std::string::npos);
    EXPECT_NE(faultOf({'M', 'M', 0, 43, 0, 8, 0, 0, 0, 0, 0, 0}).find("BigTIFF"),
              std::string::npos);
}

TEST(TiffCodecTest, RejectsLyingHeaders) {
    auto good = [] {
        return basicTiff(4, 2, 2, 3, 8)
            .field(278, 4, {1})
            .strip(std::vector<uint8_t>(12, 5))
            .strip(std::vector<uint8_t>(12, 6));
    };
    ASSERT_EQ(faultOf(good().build()), "");
    EXPECT_NE(faultOf(good().field(256, 4, {70000}).build()).find("width 70000"),
              std::string::npos);
    EXPECT_NE(faultOf(good().field(257, 4, {0}).build()).find("invalid picture size"),
              std::string::npos);
    EXPECT_NE(faultOf(good().remove(256).build()).find("missing image width"), std::string::npos);
    EXPECT_NE(faultOf(good().field(273, 4, {8, 0x7FFFFFF0}).build()).find("past the end"),
              std::string::npos);
    EXPECT_NE(faultOf(good().field(273, 4, {8}).build()).find("1 strip offsets where 2"),
              std::string::npos);
    EXPECT_NE(faultOf(good().field(279, 4, {12, 3}).build()).find("truncated"), std::string::npos);
    // Runs longer than the strip are cut at its end.
    const Raster runs = decodeTiff(
        basicTiff(3, 2, 1, 1, 8).field(259, 3, {32773}).strip({0x81, 9, 0x81, 4}).build(), "r.tif");
    EXPECT_EQ(runs.at(2, 1).g, 9);
    // A byte count past the end of the file is cut to the file; the data that is there decodes.
    EXPECT_EQ(faultOf(good().field(279, 4, {12, 0xFFFFFFF0}).build()), "");

    // A field whose count times size lies past the end (and would overflow 32 bits).
    std::vector<uint8_t> file = good().build();
    const tiff::Directory dir(file, "g.tif");
    ASSERT_TRUE(dir.has(tiff::StripOffsets));
    int lies = 0;
    for (size_t at = 10; at + 12 <= file.size(); at += 2)
        if (file[at] == 0x11 && file[at + 1] == 0x01 && file[at + 2] == 4) { // tag 273, LONG
            std::vector<uint8_t> lie = file;
            lie[at + 4] = lie[at + 5] = lie[at + 6] = lie[at + 7] = 0xFF;
            EXPECT_NE(faultOf(lie).find("past the end"), std::string::npos);
            ++lies;
        }
    EXPECT_EQ(lies, 1);

    auto tiles = basicTiff(4, 4, 1, 1, 8)
                     .tiled(true)
                     .field(322, 4, {1u << 20})
                     .field(323, 4, {1u << 20})
                     .strip({1});
    EXPECT_NE(faultOf(tiles.build()).find("tile size"), std::string::npos);
    auto badLzw = basicTiff(4, 1, 1, 1, 8).field(259, 3, {5}).strip({0x80, 0x7F, 0xFF, 0xFF, 0xFF});
    EXPECT_NE(faultOf(badLzw.build()).find("LZW"), std::string::npos);
    EXPECT_NE(faultOf(basicTiff(2, 1, 1, 1, 8).field(259, 3, {8}).strip({1, 2, 3, 4, 5}).build())
                  .find("Deflate"),
              std::string::npos);
}

TEST(TiffCodecTest, RejectsGarbageAndEveryTruncation) {
    EXPECT_NE(faultOf({}).find("not a TIFF"), std::string::npos);
    EXPECT_NE(faultOf({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}).find("not a TIFF"),
              std::string::npos);
    const std::vector<std::vector<uint8_t>> files = {
        encodeTiff(pattern(40, 30), TiffCompression::Lzw),
        encodeTiff(pattern(40, 30), TiffCompression::None),
        basicTiff(3, 2, 1, 1, 8).field(259, 3, {32773}).strip({0xFE, 7, 2, 1, 2, 3}).build(),
    };
    for (const auto& file : files) {
        ASSERT_EQ(faultOf(file), "");
        for (size_t n = 0; n < file.size(); ++n) {
            const std::vector<uint8_t> prefix(file.begin(), file.begin() + ptrdiff_t(n));
            try {
                decodeTiff(prefix, "cut.tif");
            } catch (const velvo::Error& e) {
                ASSERT_EQ(e.file(), "cut.tif");
            }
        }
    }
}

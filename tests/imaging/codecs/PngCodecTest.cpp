#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <unistd.h>

#include <zlib.h>

#include "CodecTestSupport.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

using namespace velvo::imaging;
using velvo::testing::haveConvert;
using velvo::testing::readBytes;
using velvo::testing::runCapture;
using velvo::testing::writeBytes;

namespace fs = std::filesystem;

namespace {
struct TempDir : velvo::testing::TempDir {
    TempDir() : velvo::testing::TempDir("velvo_png_") {}
};


// ImageMagick's raw samples of a file ("rgb", "rgba"), 8 or 16 bits, in file order R,G,B(,A).
std::vector<uint8_t> imageMagickSamples(const std::string& file, const std::string& map, int depth,
                                        const std::string& options = "") {
    return runCapture("convert '" + file + "' " + options + " -depth " + std::to_string(depth) +
                      " " + map + ":-");
}

Raster fromRgb(const std::vector<uint8_t>& rgb, int w, int h) {
    Raster r = Raster::create(w, h, "rgb");
    if (rgb.size() != r.pixels.size())
        return {};
    for (size_t i = 0; i < rgb.size(); i += 3)
        r.pixels[i] = rgb[i + 2], r.pixels[i + 1] = rgb[i + 1], r.pixels[i + 2] = rgb[i];
    return r;
}

Raster photoLike(int w, int h, unsigned seed = 1) {
    Raster r = Raster::create(w, h, "test");
    std::mt19937 rng(seed);
    for (size_t i = 0; i < r.pixels.size(); ++i)
        r.pixels[i] = uint8_t((i * 7 / 3 + rng() % 9) & 0xFF);
    return r;
}

int maxDiff(const Raster& a, const Raster& b) {
    int m = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        m = std::max(m, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return m;
}

void putChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& body) {
    const uint32_t len = uint32_t(body.size());
    png.insert(png.end(),
               {uint8_t(len >> 24), uint8_t(len >> 16), uint8_t(len >> 8), uint8_t(len)});
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), body.begin(), body.end());
    const uint32_t crc = uint32_t(crc32(0, png.data() + start, uInt(png.size() - start)));
    png.insert(png.end(),
               {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
}

// A non-interlaced PNG from unfiltered rows (each without its filter byte).
std::vector<uint8_t>
handMadePng(uint32_t w, uint32_t h, int depth, int colorType,
            const std::vector<std::vector<uint8_t>>& rows,
            const std::vector<std::pair<const char*, std::vector<uint8_t>>>& extra = {}) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    putChunk(png, "IHDR",
             {uint8_t(w >> 24), uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w), uint8_t(h >> 24),
              uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h), uint8_t(depth), uint8_t(colorType), 0,
              0, 0});
    for (const auto& [type, body] : extra)
        putChunk(png, type, body);
    std::vector<uint8_t> raw;
    for (const auto& row : rows) {
        raw.push_back(0);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    std::vector<uint8_t> z(compressBound(uLong(raw.size())));
    uLongf zlen = uLongf(z.size());
    compress(z.data(), &zlen, raw.data(), uLong(raw.size()));
    z.resize(zlen);
    putChunk(png, "IDAT", z);
    putChunk(png, "IEND", {});
    return png;
}

uint8_t onWhite(unsigned c, unsigned a) {
    return uint8_t((c * a + 255 * (255 - a) + 127) / 255);
}

} // namespace

TEST(PngCodec, RoundTripIsExact) {
    for (auto [w, h] : {std::pair{61, 37}, {1, 1}, {333, 2}, {1, 50}}) {
        const Raster original = photoLike(w, h, unsigned(w));
        const Raster back = decodePng(encodePng(original), "rt.png");
        ASSERT_EQ(back.width, w);
        ASSERT_EQ(back.height, h);
        EXPECT_EQ(back.pixels, original.pixels) << w << "x" << h;
    }
}

TEST(PngCodec, ImageMagickReadsWhatWeWrite) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    TempDir dir;
    const Raster original = photoLike(71, 29);
    const std::vector<uint8_t> bytes = encodePng(original);
    std::ofstream(dir / "ours.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    const Raster theirs = fromRgb(imageMagickSamples(dir / "ours.png", "rgb", 8), 71, 29);
    EXPECT_EQ(theirs.pixels, original.pixels);
}

TEST(PngCodec, EveryColourTypeAndDepthMatchesImageMagick) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    TempDir dir;
    const std::string opaque = "-size 37x21 gradient:'#102030'-'#f0e0d0'";
    const std::string rainbow = "-size 37x21 gradient:red-blue -swirl 90";
    const std::string seeThrough = "-size 37x21 gradient:'rgba(255,0,0,1)'-'rgba(0,0,255,0.1)'";
    struct Case {
        std::string source, args;
        int colorType, depth;
        bool interlaced, alpha;
    };
    std::vector<Case> cases;
    for (int d : {1, 2, 4, 8, 16})
        cases.push_back({opaque, "-colorspace Gray", 0, d, false, false});
    for (int d : {8, 16})
        cases.push_back({rainbow, "", 2, d, false, false});
    for (int d : {1, 2, 4, 8})
        cases.push_back({rainbow, "+dither -colors " + std::to_string(1 << std::min(d, 6)), 3, d,
                         false, false});
    for (int d : {8, 16}) {
        cases.push_back({seeThrough, "-colorspace Gray", 4, d, false, true});
        cases.push_back({seeThrough, "", 6, d, false, true});
    }
    cases.push_back({rainbow, "", 2, 8, true, false});
    cases.push_back({opaque, "-colorspace Gray", 0, 2, true, false});
    cases.push_back({rainbow, "+dither -colors 16", 3, 4, true, false});
    cases.push_back({seeThrough, "", 6, 16, true, true});
    cases.push_back({seeThrough, "-colorspace Gray", 4, 8, true, true});

    for (const Case& c : cases) {
        const std::string label = "type " + std::to_string(c.colorType) + " depth " +
                                  std::to_string(c.depth) + (c.interlaced ? " interlaced" : "");
        const std::string file = dir / "x.png";
        const std::string cmd = "convert " + c.source + " " + c.args + " -depth " +
                                std::to_string(c.depth) +
                                " -define png:bit-depth=" + std::to_string(c.depth) +
                                " -define png:color-type=" + std::to_string(c.colorType) +
                                (c.interlaced ? " -interlace PNG '" : " '") + file + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        const std::vector<uint8_t> bytes = readBytes(file);
        // The file really is of the kind under test.
        ASSERT_GT(bytes.size(), 29u);
        ASSERT_EQ(bytes[24], c.depth) << label;
        ASSERT_EQ(bytes[25], c.colorType) << label;
        ASSERT_EQ(bytes[28], c.interlaced ? 1 : 0) << label;

        const Raster ours = decodePng(bytes, file);
        ASSERT_EQ(ours.width, 37) << label;
        ASSERT_EQ(ours.height, 21) << label;
        const Raster theirs =
            fromRgb(imageMagickSamples(file, "rgb", 8, "-background white -alpha remove"), 37, 21);
        ASSERT_FALSE(theirs.empty()) << label;
        // ImageMagick reduces 16 bits as (v + 128) / 257 and composites before reducing; we
        // round v * 255 / 65535 (checked exactly below) and composite after: one step apart.
        EXPECT_LE(maxDiff(ours, theirs), c.alpha || c.depth == 16 ? 1 : 0) << label;
    }
}

TEST(PngCodec, AlphaIsCompositedOntoWhiteExactly) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    TempDir dir;
    const std::string file = dir / "a.png";
    ASSERT_EQ(std::system(("convert -size 40x30 gradient:'rgba(250,10,60,1)'-'rgba(5,240,100,0)' "
                           "-swirl 60 -define png:color-type=6 -depth 8 '" +
                           file + "'")
                              .c_str()),
              0);
    const std::vector<uint8_t> rgba = imageMagickSamples(file, "rgba", 8);
    const Raster ours = decodePng(readBytes(file), file);
    ASSERT_EQ(rgba.size(), size_t(40) * 30 * 4);
    int partial = 0;
    for (size_t i = 0, o = 0; i < rgba.size(); i += 4, o += 3) {
        const unsigned a = rgba[i + 3];
        partial += a > 0 && a < 255;
        ASSERT_EQ(ours.pixels[o + 2], onWhite(rgba[i], a)) << i / 4;
        ASSERT_EQ(ours.pixels[o + 1], onWhite(rgba[i + 1], a)) << i / 4;
        ASSERT_EQ(ours.pixels[o], onWhite(rgba[i + 2], a)) << i / 4;
    }
    EXPECT_GT(partial, 100);
}

TEST(PngCodec, SixteenBitSamplesAreRounded) {
    // Samples chosen around the rounding boundaries of v * 255 / 65535.
    const std::vector<uint16_t> samples = {0,     128,   129,   257,   385,   386,
                                           32767, 32768, 65407, 65408, 65535, 1000};
    std::vector<uint8_t> row;
    for (uint16_t v : samples)
        row.insert(row.end(), {uint8_t(v >> 8), uint8_t(v)});
    const Raster r = decodePng(handMadePng(uint32_t(samples.size()), 1, 16, 0, {row}), "g16.png");
    for (size_t x = 0; x < samples.size(); ++x)
        EXPECT_EQ(r.at(int(x), 0).g, (samples[x] * 255u + 32767u) / 65535u) << samples[x];
}

TEST(PngCodec, PaletteWithTransparencyAtEveryDepth) {
    const std::vector<uint8_t> plte = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
    const std::vector<uint8_t> trns = {0, 128, 255}; // the fourth entry stays opaque
    const Bgr expected[4] = {{255, 255, 255},
                             {onWhite(0, 128), onWhite(255, 128), onWhite(0, 128)},
                             {255, 0, 0},
                             {30, 20, 10}};
    for (int depth : {2, 4, 8}) {
        // Indexes 0,1,2,3,3,2,1,0 packed most significant first.
        const int idx[8] = {0, 1, 2, 3, 3, 2, 1, 0};
        std::vector<uint8_t> row((8 * depth + 7) / 8);
        for (int i = 0; i < 8; ++i)
            row[size_t(i * depth / 8)] |= uint8_t(idx[i] << (8 - depth - (i * depth) % 8));
        const Raster r = decodePng(
            handMadePng(8, 1, depth, 3, {row}, {{"PLTE", plte}, {"tRNS", trns}}), "p.png");
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(r.at(i, 0), expected[idx[i]]) << "depth " << depth << " pixel " << i;
    }
    // Grey with a transparent grey level (tRNS for colour type 0).
    const Raster g = decodePng(handMadePng(3, 1, 8, 0, {{7, 100, 7}}, {{"tRNS", {0, 7}}}), "g.png");
    EXPECT_EQ(g.at(0, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(g.at(1, 0), (Bgr{100, 100, 100}));
}

TEST(PngCodec, EveryPrefixGivesAnErrorOrAPicture) {
    std::vector<std::vector<uint8_t>> files = {encodePng(photoLike(20, 9))};
    if (haveConvert()) {
        TempDir dir;
        std::system(("convert -size 20x9 gradient:'rgba(255,0,0,1)'-'rgba(0,0,255,0.1)' -depth 16 "
                     "-interlace PNG '" +
                     (dir / "i.png") + "'")
                        .c_str());
        files.push_back(readBytes(dir / "i.png"));
    }
    testing::internal::CaptureStderr();
    for (const auto& file : files) {
        ASSERT_GT(file.size(), 50u);
        for (size_t n = 0; n < file.size(); ++n) {
            try {
                const Raster r = decodePng({file.data(), n}, "cut.png");
                EXPECT_EQ(r.width, 20);
                EXPECT_EQ(r.height, 9);
            } catch (const velvo::Error& e) {
                EXPECT_EQ(e.file(), "cut.png");
                EXPECT_FALSE(e.fault().empty());
            }
        }
        // Only the closing IEND may be missing from a file that decodes.
        EXPECT_NO_THROW(decodePng({file.data(), file.size() - 12}, "noend.png"));
        const std::string text(file.begin(), file.end());
        const size_t idat = text.find("IDAT");
        ASSERT_NE(idat, std::string::npos);
        EXPECT_THROW(
            decodePng({file.data(), idat + 4 + (size_t(file[idat - 1]) | file[idat - 2] << 8) / 2},
                      "cut.png"),
            velvo::Error);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(PngCodec, GarbageAndLyingHeadersAreCleanErrors) {
    std::vector<uint8_t> garbage(300);
    std::mt19937 rng(9);
    for (auto& b : garbage)
        b = uint8_t(rng());
    EXPECT_THROW(decodePng(garbage, "g.png"), velvo::Error);
    const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::copy(sig, sig + 8, garbage.begin());
    EXPECT_THROW(decodePng(garbage, "g.png"), velvo::Error);
    EXPECT_THROW(decodePng({}, "e.png"), velvo::Error);

    // Headers claiming more than the limits, with valid CRCs and a tiny IDAT.
    for (auto [w, h] : {std::pair{100000u, 10u}, {10u, 0x7FFFFFFFu}, {29000u, 29000u}, {0u, 5u}}) {
        try {
            decodePng(handMadePng(w, h, 8, 2, {{1, 2, 3}}), "huge.png");
            FAIL() << w << "x" << h << " accepted";
        } catch (const velvo::Error& e) {
            EXPECT_EQ(e.file(), "huge.png");
            EXPECT_FALSE(e.fault().empty());
        }
    }
    // A bad CRC on IDAT; a bad CRC on an ancillary chunk is only a (silent) warning.
    std::vector<uint8_t> good = encodePng(photoLike(8, 8));
    std::vector<uint8_t> badCrc = good;
    badCrc[badCrc.size() - 12 - 1] ^= 0x40;
    EXPECT_THROW(decodePng(badCrc, "crc.png"), velvo::Error);
    std::vector<uint8_t> text =
        handMadePng(2, 1, 8, 2, {{1, 2, 3, 4, 5, 6}}, {{"tEXt", {'k', 0, 'v'}}});
    text[33 + 4 + 4 + 3] ^= 0xFF;
    testing::internal::CaptureStderr();
    EXPECT_EQ(decodePng(text, "t.png").at(1, 0), (Bgr{6, 5, 4}));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(PngCodec, PictureLimitIsCheckedBeforeDecoding) {
    const std::vector<uint8_t> bytes = encodePng(photoLike(300, 200));
    PictureLimits saved = pictureLimits();
    pictureLimits().maxPixels = 50000;
    EXPECT_THROW(decodePng(bytes, "big.png"), velvo::Error);
    pictureLimits().maxSide = 250;
    EXPECT_THROW(decodePng(bytes, "big.png"), velvo::Error);
    pictureLimits() = saved;
    EXPECT_NO_THROW(decodePng(bytes, "big.png"));
}

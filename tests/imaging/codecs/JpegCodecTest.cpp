#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include <jpeglib.h>
#include <unistd.h>

#include "CodecTestSupport.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/Exif.h"

using namespace velvo::imaging;
using velvo::testing::haveConvert;
using velvo::testing::readBytes;
using velvo::testing::runCapture;
using velvo::testing::writeBytes;

namespace fs = std::filesystem;

namespace {
struct TempDir : velvo::testing::TempDir {
    TempDir() : velvo::testing::TempDir("velvo_jpeg_") {}
};


void writePpm(const Raster& r, const std::string& file) {
    std::string header =
        "P6\n" + std::to_string(r.width) + " " + std::to_string(r.height) + "\n255\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (size_t i = 0; i < r.pixels.size(); i += 3)
        bytes.insert(bytes.end(), {r.pixels[i + 2], r.pixels[i + 1], r.pixels[i]});
    writeBytes(file, bytes);
}

// ImageMagick's own reading of a file, as 8-bit sRGB.
Raster imageMagickRead(const std::string& file) {
    std::vector<uint8_t> ppm = runCapture("convert '" + file + "' -colorspace sRGB -depth 8 ppm:-");
    Raster r;
    int w = 0, h = 0, maxval = 0, consumed = 0;
    std::string head(ppm.begin(), ppm.begin() + std::min<size_t>(ppm.size(), 64));
    if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &consumed) != 3 ||
        maxval != 255)
        return r;
    size_t at = size_t(consumed) + 1;
    if (ppm.size() < at + size_t(w) * h * 3)
        return r;
    r = Raster::create(w, h, file);
    for (size_t i = 0; i < r.pixels.size(); i += 3, at += 3) {
        r.pixels[i] = ppm[at + 2];
        r.pixels[i + 1] = ppm[at + 1];
        r.pixels[i + 2] = ppm[at];
    }
    return r;
}

// Smooth gradients with a little noise, like a photo.
Raster photoLike(int w, int h, unsigned seed = 1) {
    Raster r = Raster::create(w, h, "test");
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto clamp = [](int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
            r.set(x, y,
                  {clamp(40 + 160 * x / w + noise(rng)), clamp(200 - 150 * y / h + noise(rng)),
                   clamp(90 + 100 * (x + y) / (w + h) + noise(rng))});
        }
    return r;
}

int maxDiff(const Raster& a, const Raster& b) {
    int m = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        m = std::max(m, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return m;
}

double meanDiff(const Raster& a, const Raster& b) {
    double s = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        s += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return s / double(a.pixels.size());
}

// Encodes CMYK samples (Adobe convention: stored inverted) with libjpeg as a CMYK or YCCK file.
std::vector<uint8_t> libjpegCmyk(const std::vector<uint8_t>& cmyk, int w, int h,
                                 J_COLOR_SPACE jpegSpace) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, jpegSpace);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(cmyk.data() + size_t(c.next_scanline) * w * 4);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(buf, buf + size);
    std::free(buf);
    return out;
}

// Offset of the first SOFn marker's segment payload (after the length).
size_t findSof(const std::vector<uint8_t>& jpg) {
    for (size_t i = 2; i + 9 < jpg.size(); ++i)
        if (jpg[i] == 0xFF && (jpg[i + 1] == 0xC0 || jpg[i + 1] == 0xC1 || jpg[i + 1] == 0xC2))
            return i + 4;
    return 0;
}

} // namespace

TEST(JpegCodec, RoundTripStaysCloseAndQualityMatters) {
    for (auto [w, h] : {std::pair{61, 37}, {1, 1}, {17, 1}, {1, 23}, {256, 130}}) {
        const Raster original = photoLike(w, h);
        const std::vector<uint8_t> q90 = encodeJpeg(original);
        const Raster back = decodeJpeg(q90, "rt.jpg");
        ASSERT_EQ(back.width, w);
        ASSERT_EQ(back.height, h);
        EXPECT_LT(meanDiff(original, back), 3.5) << w << "x" << h;
        if (w > 8 && h > 8)
            EXPECT_LT(encodeJpeg(original, 30).size(), q90.size());
    }
}

TEST(JpegCodec, EncoderKeepsColourOfThinStripes) {
    // One-pixel red and blue columns: with chroma subsampling they would average to purple.
    Raster stripes = Raster::create(64, 32, "stripes");
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            stripes.set(x, y, x % 2 ? Bgr{0, 0, 255} : Bgr{255, 0, 0});
    const Raster back = decodeJpeg(encodeJpeg(stripes), "stripes.jpg");
    EXPECT_LT(maxDiff(stripes, back), 60);
    EXPECT_LT(meanDiff(stripes, back), 12);
}

TEST(JpegCodec, MatchesImageMagickOnEveryKind) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    TempDir dir;
    writePpm(photoLike(83, 45, 7), dir / "src.ppm");
    // libjpeg-turbo under both; ImageMagick may upsample chroma and convert CMYK slightly
    // differently, so a small tolerance.
    struct Kind {
        const char* name;
        const char* args;
        int tolerance;
    };
    for (const Kind& k :
         {Kind{"baseline", "-quality 85", 1}, Kind{"progressive", "-interlace JPEG", 1},
          Kind{"gray", "-colorspace Gray", 1}, Kind{"cmyk", "-colorspace CMYK", 2},
          Kind{"s420", "-sampling-factor 2x2", 3}, Kind{"s422", "-sampling-factor 2x1", 3},
          Kind{"optimised", "-define jpeg:optimize-coding=true", 1}}) {
        const std::string file = dir / (std::string(k.name) + ".jpg");
        ASSERT_EQ(
            std::system(
                ("convert '" + (dir / "src.ppm") + "' " + k.args + " '" + file + "'").c_str()),
            0);
        const Raster ours = decodeJpeg(readBytes(file), file);
        const Raster theirs = imageMagickRead(file);
        ASSERT_EQ(ours.width, 83) << k.name;
        ASSERT_EQ(ours.height, 45) << k.name;
        ASSERT_EQ(theirs.width, 83) << k.name;
        EXPECT_LE(maxDiff(ours, theirs), k.tolerance) << k.name;
        if (std::string(k.name) == "gray")
            for (size_t i = 0; i < ours.pixels.size(); i += 3)
                ASSERT_TRUE(ours.pixels[i] == ours.pixels[i + 1] &&
                            ours.pixels[i] == ours.pixels[i + 2]);
    }
}

TEST(JpegCodec, ImageMagickReadsWhatWeWrite) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    TempDir dir;
    const Raster original = photoLike(97, 51, 3);
    const std::vector<uint8_t> bytes = encodeJpeg(original);
    writeBytes(dir / "ours.jpg", bytes);
    const Raster theirs = imageMagickRead(dir / "ours.jpg");
    ASSERT_EQ(theirs.width, 97);
    ASSERT_EQ(theirs.height, 51);
    EXPECT_LE(maxDiff(theirs, decodeJpeg(bytes, "ours.jpg")), 1);
    EXPECT_LT(meanDiff(theirs, original), 3.5);
}

TEST(JpegCodec, CmykAndYcckAsPhotoshopWritesThem) {
    // Four flat blocks of known ink, stored inverted (255 = no ink) as Adobe files are.
    const int w = 32, h = 16;
    const uint8_t inks[4][4] = {{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 128, 255, 40}, {30, 60, 90, 200}};
    std::vector<uint8_t> cmyk(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c)
                cmyk[(size_t(y) * w + x) * 4 + c] = uint8_t(255 - inks[(y / 8) * 2 + x / 16][c]);
    for (J_COLOR_SPACE space : {JCS_CMYK, JCS_YCCK}) {
        const Raster r = decodeJpeg(libjpegCmyk(cmyk, w, h, space), "ink.jpg");
        ASSERT_EQ(r.width, w);
        for (int block = 0; block < 4; ++block) {
            const uint8_t* ink = inks[block];
            auto expect = [&](int c) { return (255 - ink[c]) * (255 - ink[3]) / 255.0; };
            const Bgr got = r.at((block % 2) * 16 + 8, (block / 2) * 8 + 4);
            EXPECT_NEAR(got.r, expect(0), 3) << "space " << space << " block " << block;
            EXPECT_NEAR(got.g, expect(1), 3) << "space " << space << " block " << block;
            EXPECT_NEAR(got.b, expect(2), 3) << "space " << space << " block " << block;
        }
    }
}

TEST(JpegCodec, EveryPrefixGivesAnErrorOrAPicture) {
    std::vector<std::vector<uint8_t>> files = {encodeJpeg(photoLike(40, 24))};
    if (haveConvert()) {
        TempDir dir;
        writePpm(photoLike(40, 24), dir / "p.ppm");
        std::system(("convert '" + (dir / "p.ppm") + "' -interlace JPEG '" + (dir / "p.jpg") + "'")
                        .c_str());
        files.push_back(readBytes(dir / "p.jpg"));
    }
    testing::internal::CaptureStderr();
    for (const auto& file : files) {
        int pictures = 0;
        for (size_t n = 0; n < file.size(); ++n) {
            try {
                const Raster r = decodeJpeg({file.data(), n}, "cut.jpg");
                EXPECT_EQ(r.width, 40);
                EXPECT_EQ(r.height, 24);
                ++pictures;
            } catch (const velvo::Error& e) {
                EXPECT_EQ(e.file(), "cut.jpg");
                EXPECT_FALSE(e.fault().empty());
            }
        }
        // Once the scan has begun, a cut file is completed the way viewers do.
        EXPECT_GT(pictures, 0);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "libjpeg warnings must stay silent";
}

TEST(JpegCodec, GarbageAndLyingHeadersAreCleanErrors) {
    std::vector<uint8_t> garbage(500);
    std::mt19937 rng(5);
    for (auto& b : garbage)
        b = uint8_t(rng());
    EXPECT_THROW(decodeJpeg(garbage, "g.jpg"), velvo::Error);
    garbage[0] = 0xFF, garbage[1] = 0xD8, garbage[2] = 0xFF;
    EXPECT_THROW(decodeJpeg(garbage, "g.jpg"), velvo::Error);
    EXPECT_THROW(decodeJpeg({}, "empty.jpg"), velvo::Error);

    const std::vector<uint8_t> good = encodeJpeg(photoLike(16, 16));
    const size_t sof = findSof(good);
    ASSERT_GT(sof, 0u);
    auto patched = [&](uint16_t height, uint16_t width) {
        std::vector<uint8_t> bad = good;
        bad[sof + 1] = uint8_t(height >> 8), bad[sof + 2] = uint8_t(height);
        bad[sof + 3] = uint8_t(width >> 8), bad[sof + 4] = uint8_t(width);
        return bad;
    };
    try {
        decodeJpeg(patched(60000, 60000), "huge.jpg");
        FAIL() << "a 60000x60000 header was accepted";
    } catch (const velvo::Error& e) {
        EXPECT_EQ(e.file(), "huge.jpg");
        EXPECT_NE(e.fault().find("exceeds the limit"), std::string::npos) << e.what();
    }
    EXPECT_THROW(decodeJpeg(patched(0, 16), "zero.jpg"), velvo::Error);
    EXPECT_THROW(decodeJpeg(patched(16, 0), "zero.jpg"), velvo::Error);
}

TEST(JpegCodec, CorruptEntropyDataStillGivesAPicture) {
    std::vector<uint8_t> file = encodeJpeg(photoLike(64, 64));
    // Past the headers, inside the entropy-coded scan; 0xFF would start a marker.
    for (size_t i = file.size() / 2; i < file.size() / 2 + 40; ++i)
        file[i] = uint8_t(file[i] == 0x55 ? 0xAA : 0x55);
    testing::internal::CaptureStderr();
    const Raster r = decodeJpeg(file, "damaged.jpg");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(r.width, 64);
    EXPECT_EQ(r.height, 64);
}

TEST(JpegCodec, EndlessProgressiveScansAreRefused) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    TempDir dir;
    writePpm(photoLike(32, 32), dir / "p.ppm");
    ASSERT_EQ(
        std::system(("convert '" + (dir / "p.ppm") + "' -interlace JPEG '" + (dir / "p.jpg") + "'")
                        .c_str()),
        0);
    const std::vector<uint8_t> file = readBytes(dir / "p.jpg");
    size_t lastScan = 0;
    for (size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xDA)
            lastScan = i;
    ASSERT_GT(lastScan, 0u);
    ASSERT_EQ(file[file.size() - 1], 0xD9);
    // The last scan repeated: each repeat is only a warning to libjpeg, and costs a pass.
    std::vector<uint8_t> many(file.begin(), file.end() - 2);
    for (int i = 0; i < 600; ++i)
        many.insert(many.end(), file.begin() + long(lastScan), file.end() - 2);
    many.insert(many.end(), {0xFF, 0xD9});
    try {
        decodeJpeg(many, "scans.jpg");
        FAIL() << "600 scans accepted";
    } catch (const velvo::Error& e) {
        EXPECT_NE(e.fault().find("scans"), std::string::npos) << e.what();
    }
    EXPECT_EQ(decodeJpeg(file, "p.jpg").width, 32);
}

// Floating-point TIFF samples and the orientation tag.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "CodecTestSupport.h"
#include "TiffTestSupport.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/Exif.h"

using namespace velvo::imaging;
using namespace velvo::imaging::tifftest;

namespace {
// Samples of `width` bytes in the file's byte order; with `predict`, as predictor 3 stores a
// row of them: byte planes, most significant first, then bytewise differences `step` apart.
std::vector<uint8_t> pack(const std::vector<uint64_t>& values, size_t width, bool big,
                          size_t step = 0) {
    std::vector<uint8_t> out(values.size() * width);
    for (size_t s = 0; s < values.size(); ++s)
        for (size_t b = 0; b < width; ++b) {
            const uint8_t byte = uint8_t(values[s] >> (8 * (width - 1 - b)));
            out[step ? b * values.size() + s : s * width + (big ? b : width - 1 - b)] = byte;
        }
    for (size_t i = out.size() - 1; step && i >= step; --i)
        out[i] = uint8_t(out[i] - out[i - step]);
    return out;
}

std::string faultOf(TiffBuilder b) {
    try {
        decodeTiff(b.build(), "f.tif");
    } catch (const velvo::Error& e) {
        return e.what();
    }
    return "(decoded)";
}
} // namespace

TEST(TiffFloatTest, HalfFloat24SingleAndDoubleAreClampedToTheUnitRange) {
    // 0.25, 0.5, 0.75, 1, 2, -1, NaN, infinity, the smallest subnormal; for doubles also a
    // value just under the rounding step between 127 and 128, which a narrowing to float
    // would push over it.
    const std::vector<uint8_t> want = {64, 128, 191, 255, 255, 0, 0, 255, 0, 127};
    const std::vector<uint64_t> half = {0x3400, 0x3800, 0x3A00, 0x3C00, 0x4000,
                                        0xBC00, 0x7E00, 0x7C00, 0x0001};
    const std::vector<uint64_t> fp24 = {0x3D0000, 0x3E0000, 0x3E8000, 0x3F0000, 0x400000,
                                        0xBF0000, 0x7F8000, 0x7F0000, 0x000001};
    std::vector<uint64_t> single, twice;
    for (float f : {0.25f, 0.5f, 0.75f, 1.0f, 2.0f, -1.0f, NAN, INFINITY, 1e-40f})
        single.push_back(std::bit_cast<uint32_t>(f));
    for (double d : {0.25, 0.5, 0.75, 1.0, 2.0, -1.0, double(NAN), double(INFINITY), 5e-324,
                     127.5 / 255 - 1e-12})
        twice.push_back(std::bit_cast<uint64_t>(d));
    const std::vector<uint64_t>* const all[] = {&half, &fp24, &single, &twice};
    for (bool big : {false, true})
        for (const auto* values : all) {
            const uint32_t bits = values == &half   ? 16
                                  : values == &fp24 ? 24
                                  : values == &twice ? 64
                                                     : 32;
            const int n = int(values->size());
            const Raster r = decodeTiff(basicTiff(uint32_t(n), 1, 1, 1, bits, big)
                                            .field(339, 3, {3})
                                            .strip(pack(*values, bits / 8, big))
                                            .build(),
                                        "f.tif");
            for (int x = 0; x < n; ++x)
                EXPECT_EQ(r.at(x, 0), (Bgr{want[x], want[x], want[x]})) << bits << big << x;
        }
}

TEST(TiffFloatTest, FloatingPointPredictorAndLyingSizes) {
    std::vector<uint64_t> rgb, rgb64; // 5 x 1, a ramp per channel
    for (int i = 0; i < 15; ++i) {
        rgb.push_back(std::bit_cast<uint32_t>(float(i * 17) / 255.0f));
        rgb64.push_back(std::bit_cast<uint64_t>(double(i * 17) / 255.0));
    }
    auto file = [&](bool big, uint32_t bits = 32) {
        return basicTiff(5, 1, 2, 3, bits, big).field(339, 3, {3, 3, 3}).field(317, 3, {3});
    };
    for (bool big : {false, true})
        for (uint32_t bits : {32u, 64u}) {
            const auto strip = bits == 32 ? pack(rgb, 4, big, 3) : pack(rgb64, 8, big, 3);
            const Raster r = decodeTiff(file(big, bits).strip(strip).build(), "f.tif");
            EXPECT_EQ(r.at(1, 0), (Bgr{85, 68, 51})) << big << bits;
            EXPECT_EQ(r.at(4, 0), (Bgr{238, 221, 204})) << big << bits;
        }
    const auto strip = pack(rgb, 4, false, 3);
    EXPECT_NE(faultOf(file(false).field(279, 4, {59}).strip(strip)).find("truncated"),
              std::string::npos);
    const size_t size = file(false).strip(strip).build().size();
    EXPECT_NE(
        faultOf(file(false).field(273, 4, {uint32_t(size - 8)}).strip(strip)).find("truncated"),
        std::string::npos);
    EXPECT_NE(
        faultOf(basicTiff(2, 1, 1, 1, 48).field(339, 3, {3}).strip(strip)).find("48-bit floating"),
        std::string::npos);
    EXPECT_NE(faultOf(basicTiff(5, 1, 2, 3, 8).field(317, 3, {3}).strip(strip)).find("predictor"),
              std::string::npos);
}

TEST(TiffFloatTest, OrientationTagTurnsThePictureUpright) {
    std::vector<uint8_t> rgb; // 3 x 2, every pixel its own colour
    for (int i = 0; i < 6; ++i)
        rgb.insert(rgb.end(), {uint8_t(40 * i), uint8_t(100 + i), 7});
    auto decode = [&](uint16_t type, uint32_t v) {
        return decodeTiff(basicTiff(3, 2, 2, 3, 8).field(274, type, {v, 1}).strip(rgb).build(),
                          "o.tif");
    };
    const Raster stored = decode(3, 1);
    for (uint32_t v = 2; v <= 8; ++v)
        EXPECT_EQ(decode(3, v).pixels, applyOrientation(stored, int(v)).pixels) << v;
    // 6: the file's left column, read upwards, is the top row.
    const Raster six = decode(3, 6);
    EXPECT_EQ(six.width, 2);
    EXPECT_EQ(six.at(0, 0), stored.at(0, 1));
    EXPECT_EQ(six.at(1, 2), stored.at(2, 0));
    // Out of range, or a tag of the wrong type: as stored.
    EXPECT_EQ(decode(3, 9).pixels, stored.pixels);
    EXPECT_EQ(decode(5, 6).pixels, stored.pixels);
}

TEST(TiffFloatTest, ReadsWhatImageMagickWritesAsFloats) {
    if (!velvo::testing::haveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    velvo::testing::TempDir dir("velvo-tiff-float-");
    std::string ppm = "P6\n29 17\n255\n";
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 29; ++x)
            ppm += {char(x * 9), char(255 - y * 15), char((x * y * 7) % 256)};
    velvo::testing::writeBytes(dir / "in.ppm", {ppm.begin(), ppm.end()});
    // ImageMagick always adds the floating-point predictor. Its 24-bit grey stores integers
    // under the float tag (it cannot read them back either), so grey is checked at 16 and 32.
    for (std::string options :
         {"-compress lzw -depth 16", "-compress lzw -depth 24",
          "-compress zip -depth 32 -define tiff:endian=msb",
          "-compress zip -depth 24 -define tiff:endian=msb", "-compress zip -depth 64",
          "-compress lzw -depth 64 -define tiff:endian=msb -type Grayscale",
          "-compress zip -depth 16 -type Grayscale", "-compress lzw -depth 32 -type Grayscale"}) {
        const std::string tif = dir / "f.tif", rgb = dir / "f.rgb";
        ASSERT_EQ(std::system(("convert " + dir / "in.ppm" + " " + options +
                               " -define quantum:format=floating-point " + tif + " && convert " +
                               tif + " -depth 8 rgb:" + rgb)
                                  .c_str()),
                  0);
        const Raster ours = decodeTiff(velvo::testing::readBytes(tif), tif);
        const std::vector<uint8_t> theirs = velvo::testing::readBytes(rgb);
        ASSERT_EQ(theirs.size(), ours.pixels.size());
        int worst = 0;
        for (size_t i = 0; i < theirs.size(); ++i)
            worst = std::max(worst, std::abs(ours.pixels[i - i % 3 + 2 - i % 3] - theirs[i]));
        EXPECT_LE(worst, 1) << options;
    }
}

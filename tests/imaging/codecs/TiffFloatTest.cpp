// Floating-point TIFF samples and the orientation tag.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <zlib.h>

#include "CodecTestSupport.h"
#include "TiffTestSupport.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/Exif.h"

using namespace velvo::imaging;
using namespace velvo::imaging::tifftest;
using velvo::testing::TempDir;

namespace {

// Samples as the file stores them: 2, 3 or 4 bytes each in the builder's byte order.
std::vector<uint8_t> packSamples(const std::vector<uint32_t>& values, size_t width, bool big) {
    std::vector<uint8_t> out;
    for (uint32_t v : values)
        for (size_t b = 0; b < width; ++b)
            out.push_back(uint8_t(v >> (8 * (big ? width - 1 - b : b))));
    return out;
}

uint32_t single(float f) {
    return std::bit_cast<uint32_t>(f);
}

// Predictor 3 the way writers apply it, row by row: byte planes, most significant first, then
// bytewise differences `step` apart.
std::vector<uint8_t> floatPredict(std::vector<uint8_t> data, size_t rowBytes, size_t width,
                                  size_t step, bool big) {
    for (size_t start = 0; start < data.size(); start += rowBytes) {
        uint8_t* row = data.data() + start;
        const size_t samples = rowBytes / width;
        std::vector<uint8_t> planes(rowBytes);
        for (size_t s = 0; s < samples; ++s)
            for (size_t b = 0; b < width; ++b)
                planes[b * samples + s] = row[s * width + (big ? b : width - 1 - b)];
        for (size_t i = rowBytes - 1; i >= step; --i)
            planes[i] = uint8_t(planes[i] - planes[i - step]);
        std::copy(planes.begin(), planes.end(), row);
    }
    return data;
}

TiffBuilder floatGray(uint32_t w, uint32_t h, uint32_t bits, bool big) {
    return basicTiff(w, h, 1, 1, bits, big).field(339, 3, {3});
}

std::string faultOf(const std::vector<uint8_t>& file) {
    try {
        decodeTiff(file, "f.tif");
    } catch (const velvo::Error& e) {
        EXPECT_EQ(e.file(), "f.tif");
        return e.fault();
    }
    return "(decoded)";
}

} // namespace

TEST(TiffFloatTest, SamplesOfEveryWidthAreClampedToTheUnitRange) {
    // 0, 0.25, 0.5, 0.75, 1, 2, -1, NaN, +infinity, and the smallest subnormal.
    const std::vector<uint8_t> expected = {0, 64, 128, 191, 255, 255, 0, 0, 255, 0};
    const std::vector<uint32_t> halves = {0,      0x3400, 0x3800, 0x3A00, 0x3C00,
                                          0x4000, 0xBC00, 0x7E00, 0x7C00, 0x0001};
    const std::vector<uint32_t> fp24 = {0,        0x3D0000, 0x3E0000, 0x3E8000, 0x3F0000,
                                        0x400000, 0xBF0000, 0x7F8000, 0x7F0000, 0x000001};
    std::vector<uint32_t> singles;
    for (float f : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, 2.0f, -1.0f, NAN, INFINITY, 1e-40f})
        singles.push_back(single(f));
    const std::pair<uint32_t, const std::vector<uint32_t>*> widths[] = {
        {16, &halves}, {24, &fp24}, {32, &singles}};
    for (bool big : {false, true})
        for (auto [bits, values] : widths) {
            SCOPED_TRACE(std::to_string(bits) + (big ? " big-endian" : " little-endian"));
            const auto bytes = packSamples(*values, bits / 8, big);
            const Raster r = decodeTiff(
                floatGray(uint32_t(values->size()), 1, bits, big).strip(bytes).build(), "f.tif");
            for (size_t x = 0; x < expected.size(); ++x)
                EXPECT_EQ(r.at(int(x), 0), (Bgr{expected[x], expected[x], expected[x]})) << x;
        }
}

TEST(TiffFloatTest, RgbWithPredictorMatchesThePlainFile) {
    // 5 x 3 RGB single floats: a ramp per channel, so every difference is of some size.
    std::vector<uint32_t> values;
    for (int i = 0; i < 5 * 3; ++i)
        for (int c = 0; c < 3; ++c)
            values.push_back(single(float((i * 17 + c * 71) % 256) / 255.0f));
    for (bool big : {false, true}) {
        const auto plain = packSamples(values, 4, big);
        auto file = [&](std::vector<uint8_t> strip, uint32_t predictor) {
            return basicTiff(5, 3, 2, 3, 32, big)
                .field(339, 3, {3, 3, 3})
                .field(317, 3, {predictor})
                .strip(std::move(strip))
                .build();
        };
        const Raster want = decodeTiff(file(plain, 1), "f.tif");
        const Raster got = decodeTiff(file(floatPredict(plain, 5 * 3 * 4, 4, 3, big), 3), "f.tif");
        EXPECT_EQ(got.pixels, want.pixels) << big;
        EXPECT_EQ(want.at(1, 0), (Bgr{uint8_t(17 + 142), uint8_t(17 + 71), 17}));
    }
}

TEST(TiffFloatTest, BadFloatFilesAreRefusedByName) {
    const auto bytes = packSamples({single(0.5f), single(1)}, 4, false);
    EXPECT_NE(faultOf(floatGray(2, 1, 64, false).strip(bytes).build()).find("64-bit floating"),
              std::string::npos);
    EXPECT_NE(
        faultOf(basicTiff(2, 1, 3, 1, 32).field(339, 3, {3}).strip(bytes).build()).find("palette"),
        std::string::npos);
    EXPECT_NE(faultOf(basicTiff(1, 1, 2, 3, 32).field(339, 3, {3, 1, 3}).strip(bytes).build())
                  .find("different formats"),
              std::string::npos);
    EXPECT_NE(faultOf(floatGray(2, 1, 32, false).field(317, 3, {4}).strip(bytes).build())
                  .find("predictor 4"),
              std::string::npos);
    // A strip shorter than its rows, whether the count or the file is the liar.
    EXPECT_NE(faultOf(floatGray(2, 1, 32, false).field(279, 4, {7}).strip(bytes).build())
                  .find("truncated"),
              std::string::npos);
    const size_t size = floatGray(2, 2, 32, false).strip(bytes).build().size();
    EXPECT_NE(
        faultOf(floatGray(2, 2, 32, false).field(273, 4, {uint32_t(size - 4)}).strip(bytes).build())
            .find("truncated"),
        std::string::npos);
    EXPECT_NE(
        faultOf(floatGray(2, 2, 32, false).field(273, 4, {uint32_t(size + 9)}).strip(bytes).build())
            .find("past the end"),
        std::string::npos);

    // Deflated and predicted 24-bit floats, the stream cut at every length.
    std::vector<uint32_t> ramp;
    for (uint32_t i = 0; i < 64; ++i)
        ramp.push_back(0x3E0000 + i * 0x400);
    const auto predicted = floatPredict(packSamples(ramp, 3, false), 16 * 3, 3, 1, false);
    std::vector<uint8_t> deflated(compressBound(uLong(predicted.size())));
    uLongf length = uLongf(deflated.size());
    ASSERT_EQ(compress(deflated.data(), &length, predicted.data(), uLong(predicted.size())), Z_OK);
    deflated.resize(length);
    auto file = [&](size_t n) {
        return floatGray(16, 4, 24, false)
            .field(259, 3, {8})
            .field(317, 3, {3})
            .strip({deflated.begin(), deflated.begin() + ptrdiff_t(n)})
            .build();
    };
    const Raster whole = decodeTiff(file(deflated.size()), "f.tif");
    EXPECT_EQ(whole.at(0, 0).g, 128);  // 0.5
    EXPECT_EQ(whole.at(15, 3).g, 253); // 127 / 128
    // Once the pixels are all out, only the stream's checksum may be missing.
    for (size_t n = 0; n < deflated.size(); ++n) {
        try {
            EXPECT_EQ(decodeTiff(file(n), "f.tif").pixels, whole.pixels) << n;
            EXPECT_GE(n, deflated.size() - 6);
        } catch (const velvo::Error& e) {
            EXPECT_NE(e.fault().find("truncated"), std::string::npos) << e.what();
        }
    }
}

TEST(TiffFloatTest, OrientationTagTurnsThePictureUpright) {
    // 3 x 2: every pixel its own colour.
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 6; ++i)
        rgb.insert(rgb.end(), {uint8_t(40 * i), uint8_t(100 + i), 7});
    auto file = [&](uint16_t type, uint32_t value) {
        return basicTiff(3, 2, 2, 3, 8).field(274, type, {value, 1}).strip(rgb).build();
    };
    const Raster stored = decodeTiff(basicTiff(3, 2, 2, 3, 8).strip(rgb).build(), "o.tif");
    for (uint32_t v = 1; v <= 8; ++v) {
        const Raster r = decodeTiff(file(3, v), "o.tif");
        const Raster want = applyOrientation(stored, int(v));
        EXPECT_EQ(r.width, v >= 5 ? 2 : 3) << v;
        EXPECT_EQ(r.pixels, want.pixels) << v;
    }
    // 6: the left column of the file becomes the top row, read from the bottom up.
    const Raster six = decodeTiff(file(3, 6), "o.tif");
    EXPECT_EQ(six.at(0, 0), stored.at(0, 1));
    EXPECT_EQ(six.at(1, 0), stored.at(0, 0));
    EXPECT_EQ(six.at(1, 2), stored.at(2, 0));
    // Values outside 1..8, and a tag of the wrong type, leave the picture as stored.
    EXPECT_EQ(decodeTiff(file(3, 9), "o.tif").pixels, stored.pixels);
    EXPECT_EQ(decodeTiff(file(5, 6), "o.tif").pixels, stored.pixels);
}

TEST(TiffFloatTest, ReadsWhatImageMagickWritesAsFloats) {
    if (!velvo::testing::haveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir("velvo-tiff-float-");
    // 29 x 17 with ramps and off-grid colours; ImageMagick writes 16, 24 and 32-bit floats,
    // always with the floating-point predictor, under LZW or Deflate, in both byte orders.
    std::string ppm = "P6\n29 17\n255\n";
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 29; ++x)
            ppm += {char(x * 9), char(255 - y * 15), char((x * y * 7) % 256)};
    velvo::testing::writeBytes(dir / "src.ppm", std::vector<uint8_t>(ppm.begin(), ppm.end()));
    for (const char* depth : {"16", "24", "32"})
        for (const char* options : {"-compress lzw", "-compress zip -define tiff:endian=msb",
                                    "-compress zip -type Grayscale"}) {
            // Its 24-bit grey holds integers under the float tag; it cannot read them back either.
            if (std::string(depth) == "24" &&
                std::string(options).find("Gray") != std::string::npos)
                continue;
            SCOPED_TRACE(std::string(depth) + " " + options);
            const std::string tif = dir / "f.tif", rgb = dir / "f.rgb";
            ASSERT_EQ(std::system(("convert '" + dir / "src.ppm" + "' " + options +
                                   " -define quantum:format=floating-point -depth " + depth + " '" +
                                   tif + "' && convert '" + tif + "' -depth 8 rgb:'" + rgb + "'")
                                      .c_str()),
                      0);
            const Raster ours = decodeTiff(velvo::testing::readBytes(tif), tif);
            const std::vector<uint8_t> theirs = velvo::testing::readBytes(rgb);
            ASSERT_EQ(theirs.size(), ours.pixels.size());
            int worst = 0;
            for (size_t i = 0; i < theirs.size(); i += 3)
                for (size_t c = 0; c < 3; ++c)
                    worst =
                        std::max(worst, std::abs(int(ours.pixels[i + 2 - c]) - int(theirs[i + c])));
            EXPECT_LE(worst, 1);
        }
}

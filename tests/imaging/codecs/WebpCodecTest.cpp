// WebP files are written by libwebp's own encoders inside the tests.
#include <gtest/gtest.h>

#include <webp/encode.h>

#include "CodecTestSupport.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"

using namespace velvo::imaging;

namespace {

// A picture whose every pixel differs from its neighbours, so a lossless round trip that
// swaps channels or shifts rows cannot pass.
std::vector<uint8_t> patternBgr(int w, int h) {
    std::vector<uint8_t> px(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(size_t(y) * w + x) * 3];
            p[0] = uint8_t(x * 7 + y);
            p[1] = uint8_t(y * 5 + 3);
            p[2] = uint8_t(x * y + 11);
        }
    return px;
}

std::vector<uint8_t> take(uint8_t* out, size_t size) {
    std::vector<uint8_t> bytes(out, out + size);
    WebPFree(out);
    return bytes;
}

std::vector<uint8_t> lossless(const std::vector<uint8_t>& bgr, int w, int h) {
    uint8_t* out = nullptr;
    const size_t n = WebPEncodeLosslessBGR(bgr.data(), w, h, w * 3, &out);
    return take(out, n);
}

// Flat halves, left (b, g, r) = (40, 120, 200), right white: lossy coding keeps them close.
std::vector<uint8_t> lossyHalves(int w, int h) {
    std::vector<uint8_t> px(size_t(w) * h * 3, 255);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x) {
            uint8_t* p = &px[(size_t(y) * w + x) * 3];
            p[0] = 40, p[1] = 120, p[2] = 200;
        }
    uint8_t* out = nullptr;
    const size_t n = WebPEncodeBGR(px.data(), w, h, w * 3, 95, &out);
    return take(out, n);
}

void putLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        bytes[at + k] = uint8_t(v >> (8 * k));
}

std::string messageOf(const std::vector<uint8_t>& bytes, const std::string& name) {
    try {
        decodeWebp(bytes, name);
    } catch (const velvo::Error& e) {
        return e.what();
    }
    return "(decoded)";
}

} // namespace

TEST(WebpCodec, LosslessIsExact) {
    const std::vector<uint8_t> px = patternBgr(37, 23);
    const Raster r = decodeWebp(lossless(px, 37, 23), "exact.webp");
    ASSERT_EQ(r.width, 37);
    ASSERT_EQ(r.height, 23);
    EXPECT_EQ(r.pixels, px);
}

TEST(WebpCodec, LossyKeepsTheColours) {
    const Raster r = decodeWebp(lossyHalves(64, 32), "photo.webp");
    ASSERT_EQ(r.width, 64);
    ASSERT_EQ(r.height, 32);
    const Bgr left = r.at(10, 16), right = r.at(54, 16);
    EXPECT_NEAR(left.b, 40, 6);
    EXPECT_NEAR(left.g, 120, 6);
    EXPECT_NEAR(left.r, 200, 6);
    EXPECT_GE(std::min({right.b, right.g, right.r}), 249);
}

TEST(WebpCodec, AlphaIsCompositedOnWhiteLikePng) {
    // One row: blue at alpha 0, 128 and 255, then red at alpha 64.
    const uint8_t bgra[] = {255, 0, 0, 0, 255, 0, 0, 128, 255, 0, 0, 255, 0, 0, 255, 64};
    uint8_t* out = nullptr;
    const size_t n = WebPEncodeLosslessBGRA(bgra, 4, 1, 16, &out);
    const Raster r = decodeWebp(take(out, n), "alpha.webp");
    ASSERT_EQ(r.width, 4);
    EXPECT_EQ(r.pixels.size(), 12u);
    // (c * a + 255 * (255 - a) + 127) / 255
    EXPECT_EQ(r.at(0, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(r.at(1, 0), (Bgr{255, 127, 127}));
    EXPECT_EQ(r.at(2, 0), (Bgr{255, 0, 0}));
    EXPECT_EQ(r.at(3, 0), (Bgr{191, 191, 255}));
    // The same in a picture large enough that compositing in place would smear rows.
    std::vector<uint8_t> big(size_t(40) * 30 * 4);
    for (size_t i = 0; i < big.size(); i += 4)
        big[i] = uint8_t(i / 4), big[i + 1] = 7, big[i + 2] = 9, big[i + 3] = 255;
    out = nullptr;
    const size_t m = WebPEncodeLosslessBGRA(big.data(), 40, 30, 160, &out);
    const Raster b = decodeWebp(take(out, m), "alpha.webp");
    for (int i = 0; i < 40 * 30; ++i)
        ASSERT_EQ(b.at(i % 40, i / 40), (Bgr{uint8_t(i), 7, 9})) << i;
}

TEST(WebpCodec, LoadedByExtensionAndDetected) {
    velvo::testing::TempDir dir("velvo_webp_");
    velvo::testing::writeBytes(dir / "Web.WEBP", lossyHalves(16, 16));
    const std::optional<Raster> r = loadImageFile(dir / "Web.WEBP");
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->width, 16);
    EXPECT_EQ(detectFileFormat(dir / "Web.WEBP", true), ImageFormat::Webp);
    EXPECT_STREQ(formatName(ImageFormat::Webp), "WebP");
    const uint8_t wave[] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    EXPECT_EQ(detectFormat(wave), ImageFormat::None);
}

TEST(WebpCodec, EveryTruncatedPrefixGivesAPictureOrAnError) {
    for (const std::vector<uint8_t>& whole : {lossyHalves(24, 20), lossless(patternBgr(24, 20), 24, 20)}) {
        for (size_t n = 0; n < whole.size(); ++n) {
            try {
                const Raster r = decodeWebp(Bytes(whole.data(), n), "cut.webp");
                ASSERT_EQ(r.pixels.size(), r.stride() * size_t(r.height)) << n;
            } catch (const velvo::Error& e) {
                EXPECT_EQ(e.file(), "cut.webp") << n;
            }
        }
        EXPECT_EQ(decodeWebp(whole, "whole.webp").width, 24);
    }
}

TEST(WebpCodec, LyingHeadersAreErrors) {
    std::vector<uint8_t> bytes = lossyHalves(32, 32);
    ASSERT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "VP8 ");

    std::vector<uint8_t> chunk = bytes; // the VP8 chunk claims far more than the file holds
    putLe32(chunk, 16, 0x7ffffff0);
    EXPECT_NE(messageOf(chunk, "chunk.webp").find("chunk.webp: "), std::string::npos);

    std::vector<uint8_t> frame = bytes; // the frame claims 16383 x 16383, over the pixel limit
    frame[26] = frame[28] = 0xff;
    frame[27] = frame[29] = 0x3f;
    EXPECT_NE(messageOf(frame, "frame.webp").find("exceeds the limit"), std::string::npos)
        << messageOf(frame, "frame.webp");

    std::vector<uint8_t> riff = bytes; // a RIFF size past the end of the file
    putLe32(riff, 4, uint32_t(bytes.size()) * 4);
    EXPECT_NE(messageOf(riff, "riff.webp").find("riff.webp: "), std::string::npos);
}

TEST(WebpCodec, AnimationsAndOtherRiffFilesAreRefused) {
    // An extended header announcing an animation of 10 x 10.
    std::vector<uint8_t> anim = {'R', 'I', 'F', 'F', 0,   0,   0,   0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'X',
                                 10,  0,   0,   0,   0x02, 0,  0,   0, 9,   0,   0,   9,   0,   0};
    putLe32(anim, 4, uint32_t(anim.size() - 8));
    EXPECT_NE(messageOf(anim, "sticker.webp").find("animated"), std::string::npos)
        << messageOf(anim, "sticker.webp");
    const std::vector<uint8_t> wave = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
    EXPECT_NE(messageOf(wave, "sound.webp").find("not a WebP file"), std::string::npos);
}

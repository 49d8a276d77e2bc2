// HEIC and AVIF files are written by libheif's own encoders (x265, aom) inside the tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "CodecTestSupport.h"
#include "HeifTestSupport.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"

using namespace velvo::imaging;
using velvo::testing::encodeHeif;
using velvo::testing::HeifFile;

namespace {

// Quadrants red, green / blue, white (top-left, top-right / bottom-left, bottom-right).
void quadrants(const HeifFile& f, int x, int y, uint16_t rgba[4]) {
    const uint16_t full = uint16_t((1 << f.bits) - 1);
    const bool right = x >= f.width / 2, bottom = y >= f.height / 2;
    rgba[0] = (!bottom && !right) || (bottom && right) ? full : 0;
    rgba[1] = (!bottom && right) || (bottom && right) ? full : 0;
    rgba[2] = bottom ? full : 0;
}

const Bgr kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0}, kWhite{255, 255, 255};

::testing::AssertionResult near(Bgr got, Bgr want, int tolerance) {
    if (std::abs(got.b - want.b) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.r - want.r) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << int(got.r) << "," << int(got.g) << "," << int(got.b)
                                         << " (rgb), want " << int(want.r) << "," << int(want.g) << ","
                                         << int(want.b);
}

// The colours at the centres of the four quadrants of a decoded picture.
void expectQuadrants(const Raster& r, Bgr tl, Bgr tr, Bgr bl, Bgr br) {
    const int qx = r.width / 4, qy = r.height / 4;
    EXPECT_TRUE(near(r.at(qx, qy), tl, 12)) << "top left";
    EXPECT_TRUE(near(r.at(3 * qx, qy), tr, 12)) << "top right";
    EXPECT_TRUE(near(r.at(qx, 3 * qy), bl, 12)) << "bottom left";
    EXPECT_TRUE(near(r.at(3 * qx, 3 * qy), br, 12)) << "bottom right";
}

#define REQUIRE_ENCODED(bytes, what)                                                               \
    if ((bytes).empty())                                                                           \
    GTEST_SKIP() << "this libheif has no " what " encoder"

std::vector<uint8_t> plainHeic() {
    HeifFile f;
    return encodeHeif(f, [&](int x, int y, uint16_t* c) { quadrants(f, x, y, c); });
}

// The bit depth libheif reports for the file's primary image.
int storedBits(const std::vector<uint8_t>& bytes) {
    heif_context* ctx = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    int bits = -1;
    if (heif_context_read_from_memory_without_copy(ctx, bytes.data(), bytes.size(), nullptr).code == heif_error_Ok &&
        heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok) {
        bits = heif_image_handle_get_luma_bits_per_pixel(handle);
        heif_image_handle_release(handle);
    }
    heif_context_free(ctx);
    return bits;
}

struct LimitsGuard {
    PictureLimits saved = pictureLimits();
    ~LimitsGuard() { pictureLimits() = saved; }
};

} // namespace

TEST(HeifCodec, HeicAndAvifGiveTheirPictures) {
    for (heif_compression_format format : {heif_compression_HEVC, heif_compression_AV1}) {
        HeifFile f;
        f.format = format;
        const std::vector<uint8_t> bytes = encodeHeif(f, [&](int x, int y, uint16_t* c) { quadrants(f, x, y, c); });
        if (bytes.empty())
            continue;
        SCOPED_TRACE(format == heif_compression_HEVC ? "HEIC" : "AVIF");
        EXPECT_EQ(detectFormat(bytes), format == heif_compression_HEVC ? ImageFormat::Heif : ImageFormat::Avif);
        const Raster r = decodeHeif(bytes, "photo.heic");
        ASSERT_EQ(r.width, 64);
        ASSERT_EQ(r.height, 48);
        EXPECT_EQ(r.pixels.size(), r.stride() * 48);
        expectQuadrants(r, kRed, kGreen, kBlue, kWhite);
    }
}

TEST(HeifCodec, RotationAndMirrorAreApplied) {
    struct Case {
        heif_orientation orientation;
        bool swapsSides;
        Bgr tl, tr, bl, br;
    };
    // Where the stored quadrants red, green / blue, white end up when shown.
    const Case cases[] = {
        {heif_orientation_flip_horizontally, false, kGreen, kRed, kWhite, kBlue},
        {heif_orientation_rotate_180, false, kWhite, kBlue, kGreen, kRed},
        {heif_orientation_flip_vertically, false, kBlue, kWhite, kRed, kGreen},
        {heif_orientation_rotate_90_cw, true, kBlue, kRed, kWhite, kGreen},
        {heif_orientation_rotate_270_cw, true, kGreen, kWhite, kRed, kBlue},
    };
    for (const Case& c : cases) {
        HeifFile f;
        f.orientation = c.orientation;
        const std::vector<uint8_t> bytes = encodeHeif(f, [&](int x, int y, uint16_t* v) { quadrants(f, x, y, v); });
        REQUIRE_ENCODED(bytes, "HEVC");
        SCOPED_TRACE(int(c.orientation));
        const Raster r = decodeHeif(bytes, "turned.heic");
        EXPECT_EQ(r.width, c.swapsSides ? 48 : 64);
        EXPECT_EQ(r.height, c.swapsSides ? 64 : 48);
        expectQuadrants(r, c.tl, c.tr, c.bl, c.br);
    }
}

TEST(HeifCodec, TenBitSamplesAreScaledToEight) {
    for (heif_compression_format format : {heif_compression_HEVC, heif_compression_AV1}) {
        HeifFile f;
        f.format = format;
        f.bits = 10;
        // Left half mid grey 512, right half 1023; 512 read as a low byte would be 0, as a
        // 16-bit sample 2.
        const std::vector<uint8_t> bytes = encodeHeif(f, [&](int x, int, uint16_t* c) {
            c[0] = c[1] = c[2] = x < f.width / 2 ? 512 : 1023;
        });
        if (bytes.empty())
            continue;
        SCOPED_TRACE(format == heif_compression_HEVC ? "HEIC" : "AVIF");
        ASSERT_EQ(storedBits(bytes), 10);
        const Raster r = decodeHeif(bytes, "deep.heic");
        ASSERT_EQ(r.width, 64);
        EXPECT_TRUE(near(r.at(10, 20), {128, 128, 128}, 3));
        EXPECT_TRUE(near(r.at(50, 20), kWhite, 2));
    }
}

TEST(HeifCodec, AlphaIsCompositedOnWhite) {
    HeifFile f;
    f.alpha = true;
    // Red everywhere; the left half transparent, the right half opaque.
    const std::vector<uint8_t> bytes = encodeHeif(f, [&](int x, int, uint16_t* c) {
        c[0] = 255;
        c[3] = x < f.width / 2 ? 0 : 255;
    });
    REQUIRE_ENCODED(bytes, "HEVC");
    const Raster r = decodeHeif(bytes, "alpha.heic");
    EXPECT_TRUE(near(r.at(10, 20), kWhite, 12));
    EXPECT_TRUE(near(r.at(50, 20), kRed, 12));
}

TEST(HeifCodec, LoadedByExtensionAndDetected) {
    const std::vector<uint8_t> bytes = plainHeic();
    REQUIRE_ENCODED(bytes, "HEVC");
    velvo::testing::TempDir dir("velvo_heif_");
    velvo::testing::writeBytes(dir / "a.HEIC", bytes);
    ASSERT_EQ(loadImageFile(dir / "a.HEIC").value().width, 64);
    EXPECT_EQ(detectFileFormat(dir / "a.HEIC", true), ImageFormat::Heif);
    EXPECT_EQ(formatFromExtension("x.heif"), ImageFormat::Heif);
    EXPECT_EQ(formatFromExtension("x.avif"), ImageFormat::Avif);
}

TEST(HeifCodec, BrandsDecideTheFormat) {
    auto ftyp = [](const char* major, std::vector<const char*> compatible) {
        std::vector<uint8_t> box = {0, 0, 0, uint8_t(16 + 4 * compatible.size()), 'f', 't', 'y', 'p'};
        box.insert(box.end(), major, major + 4);
        box.insert(box.end(), {0, 0, 0, 0});
        for (const char* b : compatible)
            box.insert(box.end(), b, b + 4);
        box.insert(box.end(), {0, 0, 0, 8, 'm', 'e', 't', 'a'}); // past the box: not a brand
        return box;
    };
    EXPECT_EQ(detectFormat(ftyp("heix", {})), ImageFormat::Heif);
    EXPECT_EQ(detectFormat(ftyp("avis", {"msf1"})), ImageFormat::Avif);
    EXPECT_EQ(detectFormat(ftyp("mif1", {"mif1", "avif"})), ImageFormat::Avif);
    EXPECT_EQ(detectFormat(ftyp("mif1", {"mif1", "heic"})), ImageFormat::Heif);
    EXPECT_EQ(detectFormat(ftyp("mp42", {"isom", "mif1"})), ImageFormat::Heif);
    EXPECT_EQ(detectFormat(ftyp("mp42", {"isom", "avc1"})), ImageFormat::None); // a video
    std::vector<uint8_t> shortBox = ftyp("mp42", {"isom"});
    std::memcpy(shortBox.data() + 20, "heic", 4); // the next box, not a brand of this one
    EXPECT_EQ(detectFormat(shortBox), ImageFormat::None);
}

TEST(HeifCodec, EveryTruncatedPrefixGivesAPictureOrAnError) {
    const std::vector<uint8_t> bytes = plainHeic();
    REQUIRE_ENCODED(bytes, "HEVC");
    int pictures = 0;
    for (size_t n = 0; n < bytes.size(); ++n) {
        try {
            const Raster r = decodeHeif(Bytes(bytes.data(), n), "cut.heic");
            ASSERT_EQ(r.pixels.size(), r.stride() * size_t(r.height)) << n;
            ++pictures;
        } catch (const velvo::Error& e) {
            EXPECT_NE(std::string(e.what()).find("cut.heic"), std::string::npos) << n;
        }
    }
    EXPECT_LT(pictures, int(bytes.size())); // most prefixes cannot hold the picture
    EXPECT_EQ(decodeHeif(bytes, "whole.heic").width, 64);
}

TEST(HeifCodec, ASizeBeyondTheLimitsIsRefusedBeforeDecoding) {
    std::vector<uint8_t> bytes = plainHeic();
    REQUIRE_ENCODED(bytes, "HEVC");
    const uint8_t ispe[] = {'i', 's', 'p', 'e'};
    auto at = std::search(bytes.begin(), bytes.end(), std::begin(ispe), std::end(ispe));
    ASSERT_NE(at, bytes.end());
    const size_t fields = size_t(at - bytes.begin()) + 8; // after version and flags
    for (size_t i = 0; i < 2; ++i) {
        const uint32_t side = 100000;
        for (int k = 0; k < 4; ++k)
            bytes[fields + 4 * i + k] = uint8_t(side >> (24 - 8 * k));
    }
    try {
        decodeHeif(bytes, "huge.heic");
        FAIL() << "a 100000x100000 picture was accepted";
    } catch (const velvo::Error& e) {
        EXPECT_NE(std::string(e.what()).find("huge.heic"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("exceeds"), std::string::npos) << e.what();
    }

    // Within every side limit but over the pixel count.
    LimitsGuard guard;
    pictureLimits().maxPixels = 64 * 48 - 1;
    EXPECT_THROW(decodeHeif(plainHeic(), "many.heic"), velvo::Error);
}

namespace {
// Writes `value` big-endian over `bytes` bytes at `at`.
void putBig(std::vector<uint8_t>& file, size_t at, uint32_t value, int bytes) {
    for (int k = 0; k < bytes; ++k)
        file[at + size_t(k)] = uint8_t(value >> (8 * (bytes - 1 - k)));
}

// Where the body of the n-th box of `type` begins, or 0.
size_t boxBody(const std::vector<uint8_t>& file, const char* type, int n = 0) {
    for (size_t at = 4; at + 4 <= file.size(); ++at)
        if (std::memcmp(file.data() + at, type, 4) == 0 && n-- == 0)
            return at + 4;
    return 0;
}
} // namespace

// libheif wraps a picture whose sides are not whole coding blocks in a one-tile grid that crops
// the tile; the grid's output size sits in 'idat', the grid's and the tile's declared sizes in
// two 'ispe' boxes. AVIF files are checked by the same boxes.
TEST(HeifCodec, DeclaredSizesAreCheckedBeforeDecoding) {
    HeifFile f;
    f.width = 63, f.height = 47;
    const std::vector<uint8_t> gridded = encodeHeif(f, [&](int x, int y, uint16_t* c) { quadrants(f, x, y, c); });
    REQUIRE_ENCODED(gridded, "HEVC");
    const size_t idat = boxBody(gridded, "idat");
    ASSERT_NE(idat, 0u);
    ASSERT_EQ(gridded[idat + 2], 0) << "one row, one column";
    // The grid's own 'ispe' holds the cropped size, the tile's a whole block.
    size_t gridIspe = 0;
    for (int n = 0; size_t body = boxBody(gridded, "ispe", n); ++n)
        if (gridded[body + 7] == 63 && gridded[body + 11] == 47)
            gridIspe = body + 4;
    ASSERT_NE(gridIspe, 0u);
    const size_t mdat = boxBody(gridded, "mdat");
    ASSERT_NE(mdat, 0u);

    struct Case {
        const char* what;
        uint32_t outW, outH;     // the grid's output
        uint32_t declW, declH;   // the grid's 'ispe', 0 = as written
        const char* fault;       // empty: decodes at the output size
    };
    const Case cases[] = {
        {"as written", 63, 47, 0, 0, ""},
        {"output and size over the limit", 20000, 20000, 20000, 20000, "exceeds the limit"},
        {"output alone over the limit", 20000, 20000, 0, 0, "exceeds the limit"},
        {"output larger than the declared size", 4000, 3000, 0, 0, "do not make"},
        {"one tile stretched over 4000x3000", 4000, 3000, 4000, 3000, "do not make"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = gridded;
        putBig(bytes, idat + 4, c.outW, 2);
        putBig(bytes, idat + 6, c.outH, 2);
        if (c.declW) {
            putBig(bytes, gridIspe, c.declW, 4);
            putBig(bytes, gridIspe + 4, c.declH, 4);
        }
        // A refused file's tile cannot be decoded either, so a refusal that comes only after
        // decoding gives libheif's fault, not the one expected.
        if (*c.fault)
            std::fill(bytes.begin() + ptrdiff_t(mdat), bytes.end(), 0);
        try {
            const Raster r = decodeHeif(bytes, "lying.heic");
            EXPECT_EQ(*c.fault, '\0') << "decoded " << r.width << "x" << r.height;
            EXPECT_EQ(r.width, int(c.outW));
            EXPECT_EQ(r.height, int(c.outH));
            if (r.width == 63)
                expectQuadrants(r, kRed, kGreen, kBlue, kWhite);
        } catch (const velvo::Error& e) {
            EXPECT_NE(*c.fault, '\0') << e.what();
            EXPECT_EQ(e.file(), "lying.heic");
            EXPECT_NE(e.fault().find(c.fault), std::string::npos) << e.what();
        }
    }
}

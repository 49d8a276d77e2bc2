#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/JpegThumbnail.h"
#include "support/ExifJpeg.h"

using namespace velvo::imaging;
using velvo::test::exif;
using velvo::test::ExifLayout;
using velvo::test::withExif;

namespace {

// Gradients, a little noise and a sharp bright block off the 8-pixel grid.
Raster photo(int w, int h) {
    Raster r = Raster::create(w, h, "");
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245 + 12345;
            const int noise = int(seed >> 28) - 8;
            const bool block = x > w * 3 / 10 && x < w * 6 / 10 && y > h / 3 && y < h * 2 / 3;
            const int v = block ? 235 : 40 + 120 * x / w;
            r.set(x, y,
                  {uint8_t(std::clamp(v + noise, 0, 255)), uint8_t(60 + 100 * y / h),
                   uint8_t(block ? 230 : 90)});
        }
    return r;
}

std::vector<uint8_t> flatJpeg(int w, int h, Bgr colour) {
    return encodeJpeg(Raster::create(w, h, "", colour));
}

// Mean absolute difference per channel between `reduced` and the denom x denom box average of
// `full` (what an ideal reduction gives).
double differenceToBoxAverage(const Raster& reduced, const Raster& full, int denom) {
    double sum = 0;
    for (int y = 0; y < reduced.height; ++y)
        for (int x = 0; x < reduced.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int total = 0, n = 0;
                for (int sy = y * denom; sy < std::min(full.height, (y + 1) * denom); ++sy)
                    for (int sx = x * denom; sx < std::min(full.width, (x + 1) * denom); ++sx, ++n)
                        total += full.row(sy)[sx * 3 + c];
                sum += std::abs(reduced.row(y)[x * 3 + c] - double(total) / n);
            }
    return sum / (double(reduced.width) * reduced.height * 3);
}

bool reddish(const Raster& r) {
    const Bgr c = r.at(r.width / 2, r.height / 2);
    return c.r > 200 && c.g < 60 && c.b < 60;
}

} // namespace

TEST(JpegThumbnailScale, LargestReductionThatStillCovers) {
    EXPECT_EQ(jpegScaleDenomFor(4000, 3000, 200, 200), 8); // 500 x 375
    EXPECT_EQ(jpegScaleDenomFor(1600, 1200, 200, 200), 4); // 1/8 is 200 x 150
    EXPECT_EQ(jpegScaleDenomFor(1600, 1600, 200, 200), 8);
    EXPECT_EQ(jpegScaleDenomFor(801, 801, 101, 101), 8); // rounded up: 101
    EXPECT_EQ(jpegScaleDenomFor(800, 800, 101, 101), 4);
    EXPECT_EQ(jpegScaleDenomFor(400, 400, 200, 200), 2);
    EXPECT_EQ(jpegScaleDenomFor(399, 300, 200, 200), 1);
    EXPECT_EQ(jpegScaleDenomFor(100, 80, 200, 200), 1); // never below the picture
    EXPECT_EQ(jpegScaleDenomFor(100, 80, 0, -5), 8);
    EXPECT_EQ(jpegScaleDenomFor(30000, 30000, 1 << 30, 1 << 30), 1);
}

TEST(JpegThumbnailScale, DeliversTheReducedSizeAndLooksLikeTheFullPicture) {
    const Raster source = photo(1600, 1200);
    const std::vector<uint8_t> file = encodeJpeg(source);
    const Raster full = decodeJpeg(file, "p.jpg");
    struct Case {
        int minW, minH, denom, w, h;
    };
    for (const Case& c : {Case{200, 200, 4, 400, 300}, Case{200, 150, 8, 200, 150},
                          Case{800, 600, 2, 800, 600}, Case{801, 10, 1, 1600, 1200}}) {
        JpegThumbnailInfo info;
        const Raster r = decodeJpegAtLeast(file, "p.jpg", c.minW, c.minH, &info);
        EXPECT_EQ(info.scaleDenom, c.denom) << c.minW << "x" << c.minH;
        EXPECT_EQ(r.width, c.w);
        EXPECT_EQ(r.height, c.h);
        EXPECT_EQ(info.fullWidth, 1600);
        EXPECT_EQ(info.fullHeight, 1200);
        EXPECT_FALSE(info.fromExifThumbnail);
        EXPECT_LT(differenceToBoxAverage(r, full, c.denom), 2.0);
    }
}

TEST(JpegThumbnailOrientation, CoveringIsJudgedUprightAndThePictureIsTurned) {
    const Raster source = photo(1600, 400);
    const std::vector<uint8_t> file = withExif(encodeJpeg(source), exif(6));
    const Raster full = decodeJpeg(file, "o.jpg"); // upright: 400 x 1600
    ASSERT_EQ(full.width, 400);
    JpegThumbnailInfo info;
    // As stored, 1/4 (400 x 100) would cover 300 x 100; upright it is 100 x 400.
    Raster r = decodeJpegAtLeast(file, "o.jpg", 300, 100, &info);
    EXPECT_EQ(info.scaleDenom, 1);
    EXPECT_EQ(r.width, 400);
    EXPECT_EQ(r.height, 1600);
    r = decodeJpegAtLeast(file, "o.jpg", 100, 300, &info);
    EXPECT_EQ(info.scaleDenom, 4);
    EXPECT_EQ(info.fullWidth, 400);
    EXPECT_EQ(info.fullHeight, 1600);
    ASSERT_EQ(r.width, 100);
    ASSERT_EQ(r.height, 400);
    EXPECT_LT(differenceToBoxAverage(r, full, 4), 2.0);
}

TEST(JpegThumbnailExif, UsedWhenLargeEnoughAndOfTheSameProportions) {
    const std::vector<uint8_t> main = flatJpeg(1600, 1200, {128, 128, 128});
    const std::vector<uint8_t> file = withExif(main, exif(1, flatJpeg(320, 240, {0, 0, 255})));
    JpegThumbnailInfo info;
    Raster r = decodeJpegAtLeast(file, "e.jpg", 200, 200, &info);
    EXPECT_TRUE(info.fromExifThumbnail);
    EXPECT_EQ(r.width, 320);
    EXPECT_EQ(r.height, 240);
    EXPECT_EQ(info.fullWidth, 1600);
    EXPECT_TRUE(reddish(r));

    // A 160 x 120 request is covered by half the thumbnail.
    r = decodeJpegAtLeast(file, "e.jpg", 160, 120, &info);
    EXPECT_TRUE(info.fromExifThumbnail);
    EXPECT_EQ(info.scaleDenom, 2);
    EXPECT_EQ(r.width, 160);

    r = decodeJpegAtLeast(file, "e.jpg", 200, 250, &info);
    EXPECT_FALSE(info.fromExifThumbnail);
    EXPECT_EQ(r.width, 400);
    EXPECT_FALSE(reddish(r));

    // Letterboxed thumbnails (other proportions) are never shown.
    const std::vector<uint8_t> boxed = withExif(main, exif(1, flatJpeg(320, 200, {0, 0, 255})));
    r = decodeJpegAtLeast(boxed, "e.jpg", 200, 150, &info);
    EXPECT_FALSE(info.fromExifThumbnail);
    EXPECT_FALSE(reddish(r));
}

TEST(JpegThumbnailExif, TurnedWithTheMainImage) {
    const std::vector<uint8_t> file =
        withExif(flatJpeg(1600, 1200, {128, 128, 128}), exif(6, flatJpeg(320, 240, {0, 0, 255})));
    JpegThumbnailInfo info;
    const Raster r = decodeJpegAtLeast(file, "e.jpg", 200, 300, &info);
    EXPECT_TRUE(info.fromExifThumbnail);
    EXPECT_EQ(r.width, 240);
    EXPECT_EQ(r.height, 320);
    EXPECT_EQ(info.fullWidth, 1200);
    EXPECT_EQ(info.fullHeight, 1600);
}

TEST(JpegThumbnailExif, BrokenOrLyingThumbnailsFallBackToTheMainImage) {
    const std::vector<uint8_t> main = flatJpeg(1600, 1200, {128, 128, 128});
    const std::vector<uint8_t> thumb = flatJpeg(320, 240, {0, 0, 255});
    std::vector<uint8_t> cut(thumb.begin(), thumb.begin() + thumb.size() * 2 / 3);
    std::vector<uint8_t> notJpeg(thumb.size(), 0x55);
    const std::vector<ExifLayout> specs = {
        exif(1, thumb, 0x7FFF0000),
        exif(1, thumb, {}, uint32_t(thumb.size() + 1)),
        exif(1, thumb, 0xFFFFFFF0, 0x20),
        exif(1, thumb, {}, 0xFFFFFFFF),
        exif(1, thumb, {}, 2),
        exif(1, cut),
        exif(1, notJpeg),
        exif(1, {0xFF, 0xD8, 0xFF, 0xD9}),
    };
    for (size_t i = 0; i < specs.size(); ++i) {
        JpegThumbnailInfo info;
        const Raster r = decodeJpegAtLeast(withExif(main, specs[i]), "e.jpg", 200, 200, &info);
        EXPECT_FALSE(info.fromExifThumbnail) << "case " << i;
        EXPECT_EQ(r.width, 400) << "case " << i;
        EXPECT_FALSE(reddish(r)) << "case " << i;
    }
}

TEST(JpegThumbnailFaults, TruncatedFilesFailOrSucceedExactlyAsTheFullDecoder) {
    const std::vector<uint8_t> file = withExif(encodeJpeg(photo(640, 480)), exif(3));
    for (size_t n : {size_t(0), size_t(1), size_t(2), size_t(3), size_t(20), size_t(100),
                     size_t(400), file.size() / 4, file.size() / 2, file.size() - 3}) {
        const std::span<const uint8_t> part(file.data(), n);
        bool fullFailed = false;
        try {
            decodeJpeg(part, "cut.jpg");
        } catch (const velvo::Error&) {
            fullFailed = true;
        }
        try {
            const Raster r = decodeJpegAtLeast(part, "cut.jpg", 100, 100);
            EXPECT_FALSE(fullFailed) << n << " bytes";
            EXPECT_EQ(r.width, 160) << n << " bytes";
            EXPECT_EQ(r.height, 120) << n << " bytes";
        } catch (const velvo::Error& e) {
            EXPECT_TRUE(fullFailed) << n << " bytes";
            EXPECT_EQ(e.file(), "cut.jpg");
            EXPECT_FALSE(e.fault().empty());
        }
    }
}

TEST(JpegThumbnailFaults, DamagedExifSegmentsNeverEscapeTheirBounds) {
    const std::vector<uint8_t> file =
        withExif(encodeJpeg(photo(320, 240)), exif(6, flatJpeg(160, 120, {0, 0, 255})));
    const size_t app1End = 4 + (size_t(file[4]) << 8 | file[5]);
    uint32_t seed = 7;
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> damaged = file;
        for (int k = 0; k < 1 + round % 4; ++k) {
            seed = seed * 1103515245 + 12345;
            damaged[6 + (seed >> 8) % (app1End - 6)] = uint8_t(seed >> 24);
        }
        try {
            const Raster r = decodeJpegAtLeast(damaged, "d.jpg", 100, 100);
            EXPECT_FALSE(r.empty());
            EXPECT_EQ(r.pixels.size(), size_t(r.width) * r.height * 3);
        } catch (const velvo::Error& e) {
            EXPECT_EQ(e.file(), "d.jpg");
        }
    }
}

// The folder view reads a photo's head first: from any head, the thumbnail is exactly what the
// whole file gives, or nothing, never a fault.
TEST(JpegThumbnailExif, AnyHeadGivesTheWholeFilesThumbnailOrNothing) {
    const std::vector<uint8_t> thumb = encodeJpeg(photo(160, 120));
    const std::vector<uint8_t> file = withExif(encodeJpeg(photo(640, 480)), exif(6, thumb));
    const Raster whole = decodeJpegAtLeast(file, "h.jpg", 200, 200, 100, 100, nullptr);
    ASSERT_EQ(whole.width, 120);
    size_t shortest = 0;
    for (size_t n = std::min(file.size(), thumb.size() + 1200); n > 0; n -= std::min<size_t>(n, 7))
        if (auto r =
                decodeJpegExifThumbnail({file.data(), n}, "h.jpg", 200, 200, 100, 100, nullptr)) {
            EXPECT_EQ(r->pixels, whole.pixels) << n << " bytes";
            shortest = n;
        }
    EXPECT_GT(shortest, thumb.size());
}

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "imaging/codecs/ColorQuantizer.h"

using namespace velvo::imaging;

namespace {

Raster noisyGradient(int w, int h, uint32_t seed) {
    std::mt19937 rng(seed);
    Raster r = Raster::create(w, h, "");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            r.set(x, y,
                  {uint8_t(x * 255 / w), uint8_t((y * 255 / h + rng() % 16) & 0xFF),
                   uint8_t(rng() % 4 + 100)});
    return r;
}

Bgr colourOf(const IndexedPicture& ip, size_t i) {
    return ip.palette[ip.indices[i]];
}

} // namespace

TEST(ColorQuantizer, ExactPaletteKeepsEveryColourInOrderOfAppearance) {
    Raster r = Raster::create(4, 2, "", {9, 9, 9});
    r.set(1, 0, {1, 2, 3});
    r.set(3, 1, {1, 2, 4});
    auto ip = exactPalette(r);
    ASSERT_TRUE(ip);
    EXPECT_EQ(ip->palette, (std::vector<Bgr>{{9, 9, 9}, {1, 2, 3}, {1, 2, 4}}));
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(colourOf(*ip, i), r.at(int(i % 4), int(i / 4)));
    EXPECT_FALSE(exactPalette(r, 2));
    EXPECT_TRUE(exactPalette(r, 3));

    Raster many = noisyGradient(64, 64, 1);
    EXPECT_FALSE(exactPalette(many));
}

TEST(ColorQuantizer, MedianCutFindsSeparateClustersExactly) {
    // Two tight clusters: two entries, each the exact cluster mean.
    Raster r = Raster::create(10, 10, "");
    for (int i = 0; i < 100; ++i)
        r.set(i % 10, i / 10,
              i < 50 ? Bgr{10, uint8_t(20 + i % 2 * 2), 30}
                     : Bgr{200, 210, uint8_t(220 + i % 2 * 2)});
    IndexedPicture ip = quantizeMedianCut(r, 2);
    ASSERT_EQ(ip.palette.size(), 2u);
    EXPECT_EQ(colourOf(ip, 0), (Bgr{10, 21, 30}));
    EXPECT_EQ(colourOf(ip, 99), (Bgr{200, 210, 221}));
}

TEST(ColorQuantizer, MedianCutStaysCloseOnPhotoLikePictures) {
    Raster r = noisyGradient(200, 150, 2);
    IndexedPicture ip = quantizeMedianCut(r, 256);
    ASSERT_LE(ip.palette.size(), 256u);
    EXPECT_GT(ip.palette.size(), 200u);
    double sum = 0;
    int worst = 0;
    for (size_t i = 0; i < ip.indices.size(); ++i) {
        const Bgr a = colourOf(ip, i), b = r.at(int(i % 200), int(i / 200));
        for (int d : {a.b - b.b, a.g - b.g, a.r - b.r}) {
            sum += std::abs(d);
            worst = std::max(worst, std::abs(d));
        }
    }
    EXPECT_LT(sum / double(3 * ip.indices.size()), 3.0);
    EXPECT_LT(worst, 24);
    // Fewer entries than asked when the picture has few distinct cells.
    Raster flat = Raster::create(5, 5, "", {7, 7, 7});
    EXPECT_EQ(quantizeMedianCut(flat, 16).palette.size(), 1u);
    // The same picture always gives the same result.
    IndexedPicture again = quantizeMedianCut(r, 256);
    EXPECT_EQ(again.palette, ip.palette);
    EXPECT_EQ(again.indices, ip.indices);
}

TEST(ColorQuantizer, KeptColourHasAnExactEntryOfItsOwn) {
    Raster r = noisyGradient(64, 64, 3);
    const Bgr key{255, 255, 255};
    for (int x = 0; x < 64; ++x)
        r.set(x, 0, key);
    r.set(5, 5, {254, 255, 255}); // near the key but not it
    IndexedPicture ip = quantizeMedianCut(r, 16, key);
    ASSERT_LE(ip.palette.size(), 16u);
    EXPECT_EQ(ip.palette[0], key);
    for (size_t i = 0; i < ip.indices.size(); ++i)
        ASSERT_EQ(ip.indices[i] == 0, r.at(int(i % 64), int(i / 64)) == key) << i;
    // A key the picture lacks takes no entry.
    EXPECT_NE(quantizeMedianCut(noisyGradient(64, 64, 3), 16, Bgr{1, 2, 3}).palette[0],
              (Bgr{1, 2, 3}));
}

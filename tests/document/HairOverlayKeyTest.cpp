// The hair overlay's drawing rule, seen in the document's composite: the colour of the
// hairstyle's bottom-left pixel is left out wherever it occurs, every other colour is drawn.
#include "app/StudioFixture.h"

namespace velvo::testing {
namespace {

using HairOverlayKey = StudioTest;

const imaging::Bgr kPhoto{40, 120, 10};
const imaging::Bgr kHair{30, 60, 200};
const imaging::Bgr kWhite{255, 255, 255};
const imaging::Bgr kCorner{0, 200, 0};

// The hairstyle's pixel (x, y) as the composite should show it over the photo.
QColor shown(const imaging::Raster& hair, int x, int y, imaging::Bgr key) {
    const imaging::Bgr c = hair.at(x, y);
    return rgb(c == key ? kPhoto : c);
}

TEST_F(HairOverlayKey, BottomLeftColourIsKeyedEverywhereAndTheRestOfTheGroundStays) {
    // White ground whose bottom-left pixel is green; green also in the top-right corner and
    // inside the hair. A key taken from any other corner, or white, gives another picture.
    imaging::Raster hair = hairstyle(10, 8, kHair);
    hair.set(0, 7, kCorner);
    hair.set(9, 0, kCorner);
    hair.set(4, 4, kCorner);
    writeHair(0, 1, hair);
    document::TF_FILHO* doc =
        insert(writePhoto("client.bmp", solid(300, 400, kPhoto)), "1", 30, 40);
    EXPECT_EQ(doc->Image2->KeyColor(), rgb(kCorner));
    const QImage shot = doc->CompositeImage();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(at(shot, 30 + x, 40 + y), shown(hair, x, y, kCorner)) << x << "," << y;
    EXPECT_EQ(at(shot, 30, 40), rgb(kWhite)) << "the top-left corner is ground, not key";
    EXPECT_EQ(at(shot, 34, 44), rgb(kPhoto));
}

TEST_F(HairOverlayKey, OverlayStretchedTwiceKeysExactlyTheScaledAreas) {
    // Single key pixels and one-pixel hair lines: a mask scaled apart from the picture, or
    // sampled half a pixel off, moves some of them.
    imaging::Raster hair = hairstyle(10, 8, kHair);
    for (int x = 0; x < 10; x += 3)
        hair.set(x, 4, kWhite);
    hair.set(5, 0, kHair);
    hair.set(0, 3, kHair);
    writeHair(0, 1, hair);
    document::TF_FILHO* doc = insert(writePhoto("client.bmp", solid(300, 400, kPhoto)), "1", 11, 7);
    doc->Image2->resize(20, 16);
    const QImage shot = doc->CompositeImage();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(at(shot, 11 + x, 7 + y), shown(hair, x / 2, y / 2, kWhite)) << x << "," << y;
    EXPECT_EQ(at(shot, 31, 23), rgb(kPhoto)) << "nothing beyond the stretched overlay";
}

} // namespace
} // namespace velvo::testing

#include "app/StudioFixture.h"

namespace velvo::testing {
namespace {

using CompositeImage = StudioTest;

const imaging::Bgr kPhoto{40, 120, 10};
const imaging::Bgr kHair{30, 60, 200};

// A photo with a marker pixel pattern: column x has blue = x, row y has green = y.
imaging::Raster gradient(int width, int height) {
    imaging::Raster r = solid(width, height, {});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            r.set(x, y, {uint8_t(x), uint8_t(y), 77});
    return r;
}

TEST_F(CompositeImage, OverlayIsDrawnKeyedOverThePhotoAtItsPlace) {
    const QString photo = writePhoto("client.bmp", solid(300, 400, kPhoto));
    writeHair(0, 1, hairstyle(10, 8, kHair));
    document::TF_FILHO* doc = insert(photo, "1", 30, 40);
    const QImage shot = doc->CompositeImage();
    ASSERT_EQ(shot.size(), QSize(241, 313));
    EXPECT_EQ(shot.format(), QImage::Format_BGR888);
    EXPECT_EQ(at(shot, 0, 0), rgb(kPhoto));
    EXPECT_EQ(at(shot, 240, 312), rgb(kPhoto));
    // Hair block (2..7, 2..5 of the overlay).
    EXPECT_EQ(at(shot, 32, 42), rgb(kHair));
    EXPECT_EQ(at(shot, 37, 45), rgb(kHair));
    // The white ground of the hairstyle is left out: the photo shows.
    EXPECT_EQ(at(shot, 30, 40), rgb(kPhoto));
    EXPECT_EQ(at(shot, 39, 47), rgb(kPhoto));
    EXPECT_EQ(at(shot, 31, 44), rgb(kPhoto));
    EXPECT_EQ(at(shot, 38, 42), rgb(kPhoto));
    EXPECT_EQ(at(shot, 40, 42), rgb(kPhoto));

    doc->Image2->hide();
    const QImage hidden = doc->CompositeImage();
    EXPECT_EQ(at(hidden, 32, 42), rgb(kPhoto));
}

TEST_F(CompositeImage, StretchedOverlayScalesItsMaskWithThePicture) {
    const QString photo = writePhoto("client.bmp", solid(300, 400, kPhoto));
    writeHair(0, 1, hairstyle(10, 8, kHair));
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    doc->Image2->resize(20, 16);
    const QImage shot = doc->CompositeImage();
    EXPECT_EQ(at(shot, 1, 1), rgb(kPhoto));
    EXPECT_EQ(at(shot, 3, 3), rgb(kPhoto));
    EXPECT_EQ(at(shot, 5, 5), rgb(kHair));
    EXPECT_EQ(at(shot, 14, 10), rgb(kHair));
    EXPECT_EQ(at(shot, 17, 13), rgb(kPhoto));
}

TEST_F(CompositeImage, KeyIsTheBottomLeftColourNotWhite) {
    const QString photo = writePhoto("client.bmp", solid(300, 400, kPhoto));
    imaging::Raster hair = hairstyle(10, 8, kHair);
    // White hair on a blue ground: the blue goes, the white stays.
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            hair.set(x, y,
                     hair.at(x, y) == imaging::Bgr{255, 255, 255} ? imaging::Bgr{255, 0, 0}
                                                                  : imaging::Bgr{255, 255, 255});
    writeHair(0, 1, hair);
    document::TF_FILHO* doc = insert(photo, "1", 10, 10);
    const QImage shot = doc->CompositeImage();
    EXPECT_EQ(at(shot, 10, 10), rgb(kPhoto));
    EXPECT_EQ(at(shot, 14, 13), QColor(255, 255, 255));
    EXPECT_EQ(doc->Image2->KeyColor(), QColor(0, 0, 255));
}

TEST_F(CompositeImage, ShowsWhatIsVisibleOfAZoomedScrolledPhotoAndTheBackgroundBeyond) {
    writeHair(0, 1, hairstyle(10, 8, kHair));
    document::TF_FILHO* doc =
        insert(writePhoto("big.bmp", gradient(250, 250)), "1", 0, 0, 200, 30, 50);
    doc->Image2->hide();
    QImage shot = doc->CompositeImage();
    // Offsets in zoomed screen pixels: client (0, 0) shows image (15, 25) at zoom 200.
    EXPECT_EQ(at(shot, 0, 0), QColor(77, 25, 15));
    EXPECT_EQ(at(shot, 1, 1), QColor(77, 25, 15));
    EXPECT_EQ(at(shot, 10, 20), QColor(77, 35, 20));

    document::TF_FILHO* small = insert(writePhoto("small.bmp", gradient(100, 60)), "1", 0, 0);
    small->Image2->hide();
    shot = small->CompositeImage();
    EXPECT_EQ(at(shot, 99, 59), QColor(77, 59, 99));
    // Beyond the photo the window's ground shows, the same everywhere.
    EXPECT_NE(at(shot, 150, 200).red(), 77);
    EXPECT_EQ(at(shot, 150, 200), at(shot, 5, 300));
}

TEST_F(CompositeImage, FollowsAResizedWindow) {
    const QString photo = writePhoto("client.bmp", solid(500, 500, kPhoto));
    writeHair(0, 1, hairstyle(10, 8, kHair));
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    doc->SubWindow()->resize(doc->SubWindow()->size() + QSize(40, 10));
    EXPECT_EQ(doc->CompositeImage().size(), QSize(281, 323));
}

} // namespace
} // namespace velvo::testing

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "imaging/TPictureGrid.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"

using namespace velvo::imaging;

namespace {
// Four 100-pixel columns with 4-pixel borders fit a 420-pixel viewport: (420 - 4) / 104.
struct GridFixture : ::testing::Test {
    TPictureGrid grid;
    void SetUp() override {
        grid.SetScrollBars(TPictureGrid::ssNone);
        grid.setFrameShape(QFrame::NoFrame);
        grid.resize(420, 220);
        for (int i = 0; i < 10; ++i)
            grid.SetImageFileName(grid.AppendImage(), QString("/nowhere/%1.GIF").arg(i + 1));
        grid.show();
    }
};
} // namespace

TEST_F(GridFixture, EntriesPastTheEndAreIgnored) {
    grid.SetImageFileName(10, "x");
    grid.SetImageBackground(99, Qt::blue);
    EXPECT_EQ(grid.ImageCount(), 10);
    EXPECT_EQ(grid.GetImageFileName(10), "");
    EXPECT_EQ(grid.GetImageFileName(-1), "");
    EXPECT_EQ(grid.GetImageFileName(2), "/nowhere/3.GIF");
}

TEST_F(GridFixture, CellsAreLaidOutWithTheirBorders) {
    EXPECT_EQ(grid.Columns(), 4);
    EXPECT_EQ(grid.CellRect(5), QRect(108, 108, 100, 100));
    EXPECT_EQ(grid.ImageAtPosition(4, 4), 0);
    EXPECT_EQ(grid.ImageAtPosition(103, 103), 0);
    EXPECT_EQ(grid.ImageAtPosition(104, 50), -1); // the gap between columns
    EXPECT_EQ(grid.ImageAtPosition(50, 105), -1); // the gap between rows
    EXPECT_EQ(grid.ImageAtPosition(2, 50), -1);   // the left border
    EXPECT_EQ(grid.ImageAtPosition(110, 110), 5);
    EXPECT_EQ(grid.ImageAtPosition(320, 110), 7);
    EXPECT_EQ(grid.ImageAtPosition(416, 110), -1); // right of the last column
    EXPECT_EQ(grid.ImageAtPosition(320, 215), -1); // row 2 has only entries 8 and 9
}

TEST_F(GridFixture, EveryReleaseOverAnEntryChoosesIt) {
    QSignalSpy spy(&grid, &TPictureGrid::OnImageSelect);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(110, 110));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(110, 110));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 5);
    EXPECT_EQ(grid.Selected(), 5);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(105, 50));
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(GridFixture, KeysMoveTheSelectionAndChoose) {
    QSignalSpy spy(&grid, &TPictureGrid::OnImageSelect);
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_End);
    EXPECT_EQ(grid.Selected(), 9);
    QTest::keyClick(&grid, Qt::Key_PageDown); // past the end: the same entry again
    EXPECT_EQ(grid.Selected(), 9);
    QTest::keyClick(&grid, Qt::Key_PageUp); // two visible rows of four
    EXPECT_EQ(grid.Selected(), 1);
    QTest::keyClick(&grid, Qt::Key_Home);
    EXPECT_EQ(grid.Selected(), 0);
    ASSERT_EQ(spy.count(), 4);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 9);
}

TEST_F(GridFixture, ClearImagesEmptiesTheGrid) {
    grid.SetSelected(3);
    grid.ClearImages();
    EXPECT_EQ(grid.ImageCount(), 0);
    EXPECT_EQ(grid.Selected(), -1);
    EXPECT_EQ(grid.ImageAtPosition(10, 10), -1);
}

TEST(PictureGridScrolling, DraggingScrollsWithoutChoosing) {
    TPictureGrid grid;
    grid.SetScrollBars(TPictureGrid::ssNone);
    grid.setFrameShape(QFrame::NoFrame);
    grid.SetMouseInteract(TPictureGrid::miScroll | TPictureGrid::miSelect);
    grid.resize(420, 220);
    for (int i = 0; i < 40; ++i)
        grid.AppendImage();
    grid.show();
    QSignalSpy spy(&grid, &TPictureGrid::OnImageSelect);
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, QPoint(50, 200));
    QTest::mouseMove(grid.viewport(), QPoint(50, 100));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, QPoint(50, 100));
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(grid.CellRect(0).top(), 4 - 100);
    EXPECT_EQ(grid.ImageAtPosition(50, 10), 4); // row 1 is now at the top
}

TEST(PictureGridThumbnails, AreReadWhenFirstDrawnAndFitTheCell) {
    QTemporaryDir dir;
    Raster wide = Raster::create(300, 150, "", Bgr{0, 0, 200});
    const QString file = dir.filePath("1.bmp");
    writeFileAtomic(file.toStdString(), encodeBmp(wide));

    TPictureGrid grid;
    grid.setFrameShape(QFrame::NoFrame);
    grid.resize(420, 220);
    const int i = grid.AppendImage();
    grid.SetImageFileName(i, file);
    grid.SetImageBackground(i, Qt::white);
    grid.SetSelectionWidth(0);
    EXPECT_FALSE(grid.ThumbnailLoaded(i));
    grid.show();
    const QImage shot = grid.viewport()->grab().toImage();
    EXPECT_TRUE(grid.ThumbnailLoaded(i));
    // 300 x 150 shrinks to 100 x 50, centred in the cell at (4, 4) on its white background.
    EXPECT_EQ(shot.pixelColor(54, 54), QColor(200, 0, 0));
    EXPECT_EQ(shot.pixelColor(54, 20), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(54, 85), QColor(Qt::white));
}

TEST(PictureGridThumbnails, AnUnreadableFileLeavesAnEmptyCell) {
    QTemporaryDir dir;
    const QString broken = dir.filePath("broken.gif");
    writeFileAtomic(broken.toStdString(), std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 1});
    const QString good = dir.filePath("good.bmp");
    writeFileAtomic(good.toStdString(), encodeBmp(Raster::create(100, 100, "", Bgr{0, 0, 200})));
    TPictureGrid grid;
    grid.setFrameShape(QFrame::NoFrame);
    grid.resize(420, 220);
    grid.SetSelectionWidth(0);
    for (const QString& file : {broken, good}) {
        const int i = grid.AppendImage();
        grid.SetImageFileName(i, file);
        grid.SetImageBackground(i, Qt::green);
    }
    grid.show();
    const QImage shot = grid.viewport()->grab().toImage();
    // The broken file's cell holds its background alone; its neighbour still shows its picture.
    const QRect cell = grid.CellRect(0);
    ASSERT_EQ(cell.size(), QSize(100, 100));
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            ASSERT_EQ(shot.pixelColor(x, y), QColor(Qt::green)) << x << "," << y;
    EXPECT_EQ(shot.pixelColor(grid.CellRect(1).center()), QColor(200, 0, 0));
}

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "imaging/ThumbnailSource.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"
#include "library/TThumbNail.h"
#include "library/TThumbview.h"
#include "support/ExifJpeg.h"

using namespace velvo::imaging;
using velvo::library::TThumbNail;
using velvo::library::TThumbview;

namespace {
void writePicture(const QString& path, int w, int h, Bgr colour = {40, 80, 160}) {
    Raster r = Raster::create(w, h, "", colour);
    const QString lower = path.toLower();
    std::vector<uint8_t> bytes = lower.endsWith(".gif")   ? encodeGif(r)
                                 : lower.endsWith(".jpg") ? encodeJpeg(r)
                                                          : encodeBmp(r);
    writeFileAtomic(path.toStdString(), bytes);
}

// The browser's settings: 100 x 100 cells, vertical layout, gap 4.
void browserSettings(TThumbview& view, int width = 666) {
    view.resize(width, 400);
    view.SetMaxWidth(200);
    view.SetMaxHeight(200);
    view.SetSize(50);
    view.SetScrollMode(TThumbview::SMVertical);
    view.SetThumbGap(4);
}

// The scan waits for the first paint.
void paint(TThumbview& view) {
    view.show();
    view.viewport()->grab();
    QApplication::processEvents();
}

QStringList names(const TThumbview& view) {
    QStringList list;
    for (int i = 0; i < view.Count(); ++i)
        list << QFileInfo(view.Cell(i)->Filename()).fileName();
    return list;
}
} // namespace

TEST(ThumbviewScan, SortedAndScanOrders) {
    QTemporaryDir dir;
    writePicture(dir.filePath("a.BMP"), 8, 8);
    writePicture(dir.filePath("c.jpg"), 8, 8);
    writePicture(dir.filePath("B.gif"), 8, 8);
    writePicture(dir.filePath("d.png"), 8, 8); // not a pattern of the view
    writePicture(dir.filePath(".hidden.bmp"), 8, 8);

    TThumbview view;
    browserSettings(view);
    view.SetDirectory(dir.path());
    EXPECT_EQ(view.Count(), 0) << "nothing is read before the first paint";
    paint(view);
    EXPECT_EQ(names(view), QStringList({"a.BMP", "B.gif", "c.jpg"}));
    view.SetSorted(false);
    EXPECT_EQ(names(view), QStringList({"a.BMP", "c.jpg", "B.gif"}));
}

TEST(ThumbviewScan, EventsAroundTheScanAndStopping) {
    QTemporaryDir dir;
    for (int i = 1; i <= 4; ++i)
        writePicture(dir.filePath(QString("%1.bmp").arg(i)), 4, 4);
    TThumbview view;
    browserSettings(view);
    int startMax = -1, stops = 0;
    QList<int> positions;
    view.OnStartScanning = [&](int max) { startMax = max; };
    view.OnScanProgress = [&](int pos, bool& stop) {
        positions << pos;
        stop = pos == 3;
    };
    view.OnStopScanning = [&] { ++stops; };
    view.SetDirectory(dir.path());
    paint(view);
    EXPECT_EQ(startMax, 3);
    EXPECT_EQ(positions, QList<int>({1, 2, 3}));
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(view.Count(), 3);
    EXPECT_EQ(view.Selected(), 0);
}

TEST(ThumbviewScan, MissingFolderGivesNoCellsAndNoEvents) {
    TThumbview view;
    int events = 0;
    view.OnStartScanning = [&](int) { ++events; };
    view.OnStopScanning = [&] { ++events; };
    paint(view);
    view.SetDirectory("/no/such/folder");
    EXPECT_EQ(view.Count(), 0);
    EXPECT_EQ(events, 0);
    EXPECT_EQ(view.Selected(), -1);
}

TEST(ThumbviewScan, ASecondAssignmentRebuildsEveryCell) {
    QTemporaryDir dir;
    writePicture(dir.filePath("1.bmp"), 4, 4);
    TThumbview view;
    browserSettings(view);
    paint(view);
    view.SetDirectory(dir.path());
    ASSERT_EQ(view.Count(), 1);
    QPointer<TThumbNail> first = view.Cell(0);
    writePicture(dir.filePath("2.bmp"), 4, 4);
    view.SetDirectory(dir.path());
    EXPECT_EQ(view.Count(), 2);
    EXPECT_TRUE(first.isNull());
}

TEST(ThumbviewLayout, SixCellsPerLineIn666Pixels) {
    TThumbview view;
    browserSettings(view, 666);
    EXPECT_EQ(view.CellWidth(), 100);
    EXPECT_EQ(view.CellHeight(), 100);
    EXPECT_EQ(view.PerLine(), 6);
    EXPECT_EQ(view.CellPosition(7), QPoint(4, 108));
    EXPECT_EQ(view.CellPosition(6), QPoint(524, 4));
}

TEST(ThumbviewLayout, LargePhotoIsShrunkThenFittedUnderTheTitle) {
    QTemporaryDir dir;
    writePicture(dir.filePath("Foto.bmp"), 1600, 1200);
    TThumbview view;
    browserSettings(view);
    paint(view);
    view.SetDirectory(dir.path());
    ASSERT_EQ(view.Count(), 1);
    TThumbNail* cell = view.Cell(0);
    EXPECT_EQ(cell->ImageWidth(), 192);
    EXPECT_EQ(cell->ImageHeight(), 144);
    EXPECT_EQ(cell->size(), QSize(100, 100));
    EXPECT_EQ(cell->ClientWidth(), 92);
    EXPECT_EQ(cell->ClientHeight(), 77);
    EXPECT_EQ(cell->Image()->geometry(), QRect(5, 24, 90, 67));
}

TEST(ThumbviewMouse, BorderPixelsSelectNothingAndInsideSelects) {
    QTemporaryDir dir;
    for (int i = 1; i <= 8; ++i)
        writePicture(dir.filePath(QString("%1.bmp").arg(i)), 4, 4);
    TThumbview view;
    browserSettings(view);
    paint(view);
    view.SetDirectory(dir.path());
    ASSERT_EQ(view.Count(), 8);
    QSignalSpy clicks(&view, &TThumbview::OnClick);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(4, 150)); // cell 6's left border
    EXPECT_EQ(view.Selected(), -1);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(50, 108)); // its top border
    EXPECT_EQ(view.Selected(), -1);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(112, 150));
    EXPECT_EQ(view.Selected(), 7);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(300, 300)); // background
    EXPECT_EQ(view.Selected(), -1);
    EXPECT_EQ(clicks.count(), 4);
}

TEST(ThumbviewSelection, FirstCellIsSelectedWithHighlightedTitle) {
    QTemporaryDir dir;
    writePicture(dir.filePath("1.bmp"), 4, 4);
    writePicture(dir.filePath("2.bmp"), 4, 4);
    TThumbview view;
    browserSettings(view);
    paint(view);
    view.SetDirectory(dir.path());
    const QPalette pal = view.palette();
    EXPECT_EQ(view.Selected(), 0);
    EXPECT_EQ(view.Cell(0)->TitleColor(), pal.color(QPalette::Highlight));
    view.SetSelected(1);
    EXPECT_EQ(view.Cell(0)->TitleColor(), pal.color(QPalette::Button));
    EXPECT_EQ(view.Cell(1)->TitleColor(), pal.color(QPalette::Highlight));
    EXPECT_EQ(view.Cell(1)->Title(), "");
    view.Cell(1)->grab(); // the title is filled on the cell's first paint
    EXPECT_EQ(view.Cell(1)->Title(), "2.bmp");
}

TEST(ThumbviewSelection, SelectedFileRescansItsFolderAndSelectsTheFile) {
    QTemporaryDir dir;
    writePicture(dir.filePath("1.bmp"), 4, 4);
    writePicture(dir.filePath("2.bmp"), 4, 4);
    TThumbview view;
    browserSettings(view);
    paint(view);
    view.SetSelectedFile(dir.filePath("2.bmp"));
    EXPECT_EQ(view.Count(), 2);
    EXPECT_EQ(view.Selected(), 1);
    view.SetSelectedFile(dir.filePath("2.BMP")); // exact, case-sensitive
    EXPECT_EQ(view.Selected(), -1);
}

TEST(ThumbviewScrolling, SelectingACellBelowScrollsItIntoView) {
    QTemporaryDir dir;
    for (int i = 1; i <= 60; ++i)
        writePicture(dir.filePath(QString("%1.bmp").arg(i, 2, 10, QChar('0'))), 4, 4);
    TThumbview view;
    browserSettings(view);
    paint(view);
    view.resize(666, 300);
    view.SetDirectory(dir.path());
    ASSERT_EQ(view.Count(), 60);
    view.SetSelected(29); // row 5: top 4 + 4 * 104 = 420
    // position := top - (300 - 100 - 50) leaves half a cell below it
    EXPECT_EQ(view.verticalScrollBar()->value(), 420 - 150);
}

// Photos are read reduced (JPEG DCT scaling); each cell must end exactly as with a full decode.
namespace {
Raster edgedPhoto(int w, int h) {
    Raster r = Raster::create(w, h, "", {30, 50, 70});
    for (int y = h * 41 / 100; y < h * 83 / 100; ++y)
        for (int x = w * 37 / 100; x < w * 71 / 100; ++x)
            r.set(x, y, {240, 230, 220});
    return r;
}

struct CellResult {
    QSize image;
    QRect geometry;
    QImage picture;
};

CellResult jpegCell(const QString& folder, bool reduced) {
    velvo::imaging::setReducedJpegReading(reduced);
    TThumbview view;
    browserSettings(view);
    paint(view);
    view.SetDirectory(folder);
    velvo::imaging::setReducedJpegReading(true);
    EXPECT_EQ(view.Count(), 1);
    const TThumbNail* cell = view.Cell(0);
    return {QSize(cell->ImageWidth(), cell->ImageHeight()), cell->Image()->geometry(),
            cell->Image()->Picture().convertToFormat(QImage::Format_RGB888)};
}
} // namespace

TEST(ThumbviewLayout, ReducedJpegCellsMatchTheFullDecode) {
    for (QSize size : {QSize(1600, 1200), QSize(4000, 3000)}) {
        SCOPED_TRACE(size.width());
        QTemporaryDir dir;
        writeFileAtomic(dir.filePath("Foto.jpg").toStdString(),
                        encodeJpeg(edgedPhoto(size.width(), size.height())));
        const CellResult reduced = jpegCell(dir.path(), true);
        const CellResult full = jpegCell(dir.path(), false);
        EXPECT_EQ(reduced.image, size.width() == 1600 ? QSize(192, 144) : QSize(200, 150));
        EXPECT_EQ(reduced.image, full.image);
        EXPECT_EQ(reduced.geometry, full.geometry);
        ASSERT_EQ(reduced.picture.size(), full.picture.size());
        double sum = 0;
        for (int y = 0; y < full.picture.height(); ++y)
            for (int i = 0; i < full.picture.width() * 3; ++i)
                sum += std::abs(reduced.picture.constScanLine(y)[i] - full.picture.constScanLine(y)[i]);
        EXPECT_LT(sum / (full.picture.width() * full.picture.height() * 3.0), 3.0);
    }
}

TEST(ThumbviewLayout, WithoutMinimizeMemoryTheJpegIsHeldInFull) {
    QTemporaryDir dir;
    writeFileAtomic(dir.filePath("Foto.jpg").toStdString(), encodeJpeg(edgedPhoto(1600, 1200)));
    TThumbview view;
    browserSettings(view);
    paint(view);
    view.SetDirectory(dir.path());
    ASSERT_EQ(view.Count(), 1);
    TThumbNail* cell = view.Cell(0);
    cell->SetMinimizeMemory(false);
    EXPECT_EQ(cell->ImageWidth(), 1600);
    EXPECT_EQ(cell->ImageHeight(), 1200);
    cell->SetMinimizeMemory(true);
    EXPECT_EQ(cell->ImageWidth(), 192);
    EXPECT_EQ(cell->ImageHeight(), 144);
}

// A phone photo carries a small copy of itself in its EXIF data.
namespace {
using velvo::test::exif;

// Quadrants red, blue / green, yellow: any turn or mirror moves a different colour to the top.
std::vector<uint8_t> quadrantThumbnail(int w, int h) {
    Raster r = Raster::create(w, h, "");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            r.set(x, y,
                  y < h / 2 ? (x < w / 2 ? Bgr{0, 0, 255} : Bgr{255, 0, 0})
                            : (x < w / 2 ? Bgr{0, 255, 0} : Bgr{0, 255, 255}));
    return encodeJpeg(r);
}

// 'r', 'b', 'g' or 'y' for the thumbnail's quadrants, '.' for the photo's grey.
char colourAt(const QImage& picture, double fx, double fy) {
    const QRgb c = picture.pixel(int(picture.width() * fx), int(picture.height() * fy));
    const bool r = qRed(c) > 192, g = qGreen(c) > 192, b = qBlue(c) > 192;
    return r ? (g ? 'y' : 'r') : g ? 'g' : b ? 'b' : '.';
}

} // namespace

// The browser's cells are 100 x 100 and keep pictures at up to 200 x 200: a phone's 160 x 120
// EXIF thumbnail covers the cell but not what the cell keeps. Whichever is read, the cell must
// end at the size a full decode gives; only the pixels tell the thumbnail apart.
TEST(ThumbviewExifThumbnail, StandsInForThePhotoOnlyWhenItCoversTheCellUndistorted) {
    const std::vector<uint8_t> photo = encodeJpeg(Raster::create(1600, 1200, "", {128, 128, 128}));
    const std::vector<uint8_t> thumb = quadrantThumbnail(160, 120);
    const std::vector<uint8_t> cut(thumb.begin(), thumb.begin() + thumb.size() * 2 / 3);
    struct Case {
        const char* what;
        velvo::test::ExifLayout layout;
        // The colours at the centres of the upper left and upper right quarters as shown.
        const char* upper;
        // Segments of 64 KB before the EXIF one: phones write large colour profiles there.
        int padding = 0;
    };
    const Case cases[] = {
        {"covers the cell", exif(1, thumb), "rb"},
        {"turned clockwise", exif(6, thumb), "gr"},
        {"turned anticlockwise", exif(8, thumb), "by"},
        {"turned half round", exif(3, thumb), "yg"},
        {"too short for the cell", exif(1, quadrantThumbnail(120, 90)), ".."},
        {"letter-boxed", exif(1, quadrantThumbnail(160, 100)), ".."},
        {"offset past the segment", exif(1, thumb, 0x7FFF0000), ".."},
        {"length past the segment", exif(1, thumb, {}, uint32_t(thumb.size() + 1)), ".."},
        {"not a JPEG", exif(1, std::vector<uint8_t>(thumb.size(), 0x55)), ".."},
        {"cut short", exif(1, cut), ".."},
        {"far into the file", exif(6, thumb), "gr", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        std::vector<uint8_t> file = velvo::test::withExif(photo, c.layout);
        for (int i = 0; i < c.padding; ++i) {
            std::vector<uint8_t> app2 = {0xFF, 0xE2, 0xFF, 0xFF};
            app2.resize(2 + 0xFFFF, 0x11);
            file.insert(file.begin() + 2, app2.begin(), app2.end());
        }
        writeFileAtomic(dir.filePath("IMG_0001.JPG").toStdString(), file);
        TThumbview view;
        browserSettings(view);
        paint(view);
        view.SetDirectory(dir.path());
        ASSERT_EQ(view.Count(), 1);
        const TThumbNail* cell = view.Cell(0);
        const bool upright = c.layout.orientation < 5;
        EXPECT_EQ(QSize(cell->ImageWidth(), cell->ImageHeight()),
                  upright ? QSize(192, 144) : QSize(144, 192));
        const QImage& picture = cell->Image()->Picture();
        const std::string upper = {colourAt(picture, 0.25, 0.25), colourAt(picture, 0.75, 0.25)};
        EXPECT_EQ(upper, c.upper);
    }
}

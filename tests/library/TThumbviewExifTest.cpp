#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"
#include "library/TThumbNail.h"
#include "library/TThumbview.h"
#include "support/ExifJpeg.h"

using namespace velvo::imaging;
using velvo::library::TThumbNail;
using velvo::library::TThumbview;
using velvo::test::exif;
using velvo::test::ExifLayout;
using velvo::test::withExif;

namespace {

constexpr Bgr kRed{0, 0, 255}, kBlue{255, 0, 0}, kGreen{0, 255, 0}, kYellow{0, 255, 255};
constexpr Bgr kPhotoGrey{128, 128, 128};

// Quadrants red, blue / green, yellow: any turn or mirror moves a different colour to the top.
std::vector<uint8_t> quadrantThumbnail(int w, int h) {
    Raster r = Raster::create(w, h, "");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            r.set(x, y, y < h / 2 ? (x < w / 2 ? kRed : kBlue) : (x < w / 2 ? kGreen : kYellow));
    return encodeJpeg(r);
}

// The nearest of the fixture's colours: 'r', 'b', 'g', 'y', or '.' for the photo's grey.
char colourAt(const QImage& picture, double fx, double fy) {
    const QRgb c = picture.pixel(int(picture.width() * fx), int(picture.height() * fy));
    const std::pair<Bgr, char> known[] = {
        {kRed, 'r'}, {kBlue, 'b'}, {kGreen, 'g'}, {kYellow, 'y'}, {kPhotoGrey, '.'}};
    char best = '?';
    int bestDistance = INT_MAX;
    for (const auto& [k, name] : known) {
        const int d = std::abs(qRed(c) - k.r) + std::abs(qGreen(c) - k.g) + std::abs(qBlue(c) - k.b);
        if (d < bestDistance)
            bestDistance = d, best = name;
    }
    return best;
}

} // namespace

// The browser's cells are 100 x 100 and keep pictures at up to 200 x 200: a phone's 160 x 120
// EXIF thumbnail covers the cell but not what the cell keeps. Whichever is read, the cell must
// end at the size and place a full decode gives; only the pixels tell the thumbnail apart.
TEST(ThumbviewExifThumbnail, StandsInForThePhotoOnlyWhenItCoversTheCellUndistorted) {
    const std::vector<uint8_t> photo = encodeJpeg(Raster::create(1600, 1200, "", kPhotoGrey));
    const std::vector<uint8_t> thumb = quadrantThumbnail(160, 120);
    const std::vector<uint8_t> cut(thumb.begin(), thumb.begin() + thumb.size() * 2 / 3);
    struct Case {
        const char* what;
        ExifLayout layout;
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
        std::vector<uint8_t> file = withExif(photo, c.layout);
        for (int i = 0; i < c.padding; ++i) {
            std::vector<uint8_t> app2 = {0xFF, 0xE2, 0xFF, 0xFF};
            app2.resize(2 + 0xFFFF, 0x11);
            file.insert(file.begin() + 2, app2.begin(), app2.end());
        }
        writeFileAtomic(dir.filePath("IMG_0001.JPG").toStdString(), file);
        TThumbview view;
        view.resize(666, 400);
        view.SetMaxWidth(200);
        view.SetMaxHeight(200);
        view.SetSize(50);
        view.show();
        view.viewport()->grab();
        QApplication::processEvents();
        view.SetDirectory(dir.path());
        ASSERT_EQ(view.Count(), 1);
        const TThumbNail* cell = view.Cell(0);
        const bool upright = c.layout.orientation < 5;
        EXPECT_EQ(QSize(cell->ImageWidth(), cell->ImageHeight()),
                  upright ? QSize(192, 144) : QSize(144, 192));
        EXPECT_EQ(cell->Image()->geometry(),
                  upright ? QRect(5, 24, 90, 67) : QRect(21, 19, 57, 76));
        const QImage& picture = cell->Image()->Picture();
        const std::string upper = {colourAt(picture, 0.25, 0.25), colourAt(picture, 0.75, 0.25)};
        EXPECT_EQ(upper, c.upper);
    }
}

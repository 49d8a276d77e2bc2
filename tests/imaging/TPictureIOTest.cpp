#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "imaging/TPictureIO.h"
#include "imaging/TPictureView.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"

using namespace velvo::imaging;

namespace {
struct IOFixture : ::testing::Test {
    QTemporaryDir dir;
    TPictureView view;
    TPictureIO io;
    void SetUp() override { io.SetAttachedView(&view); }
    QString path(const QString& name) const { return dir.filePath(name); }
};

Raster checker(int w, int h) {
    Raster r = Raster::create(w, h, "");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            r.set(x, y, (x + y) % 2 ? Bgr{255, 0, 0} : Bgr{0, 0, 255});
    return r;
}
} // namespace

TEST_F(IOFixture, SavedPictureReadsBackIntoTheViewAtItsSize) {
    view.SetImage(QImage(7, 5, QImage::Format_RGB32));
    view.Image().fill(QColor(10, 20, 30));
    ASSERT_TRUE(io.SaveImageFile(path("a.BMP")));
    view.SetImage(QImage());
    ASSERT_TRUE(io.LoadImageFile(path("a.BMP")));
    EXPECT_EQ(view.Image().size(), QSize(7, 5));
    EXPECT_EQ(view.Image().pixelColor(3, 2), QColor(10, 20, 30));
}

TEST_F(IOFixture, UnknownExtensionReadsAndWritesNothing) {
    view.SetImage(QImage(3, 3, QImage::Format_RGB32));
    EXPECT_FALSE(io.SaveImageFile(path("a.xyz")));
    EXPECT_FALSE(QFile::exists(path("a.xyz")));
    EXPECT_FALSE(io.LoadImageFile(path("missing.avi")));
    EXPECT_EQ(view.Image().size(), QSize(3, 3));
}

TEST_F(IOFixture, MissingFileThrowsNamingIt) {
    try {
        io.LoadImageFile(path("nowhere.jpg"));
        FAIL() << "no error";
    } catch (const velvo::Error& e) {
        EXPECT_NE(std::string(e.what()).find("nowhere.jpg"), std::string::npos);
    }
}

TEST_F(IOFixture, GifBackgroundEntryReachesTheCompanion) {
    Raster r = checker(6, 4);
    r.background = Bgr{255, 0, 0};
    writeFileAtomic(path("h.gif").toStdString(), encodeGif(r));
    ASSERT_TRUE(io.LoadGif(path("h.gif")));
    EXPECT_EQ(io.BackgroundColor(), QColor(0, 0, 255));
    EXPECT_EQ(view.Image().pixelColor(1, 0), QColor(0, 0, 255));
    EXPECT_EQ(view.Image().pixelColor(0, 0), QColor(255, 0, 0));
}

TEST_F(IOFixture, LoadGifStopsAtAFileThatIsNotGif) {
    view.SetImage(QImage(2, 2, QImage::Format_RGB32));
    writeFileAtomic(path("fake.gif").toStdString(), encodeBmp(checker(4, 4)));
    EXPECT_FALSE(io.LoadGif(path("fake.gif")));
    EXPECT_EQ(view.Image().size(), QSize(2, 2));
    EXPECT_EQ(io.DetectFileFormat(path("fake.gif"), false), int(ImageFormat::Bmp));
    EXPECT_EQ(io.DetectFileFormat(path("fake.gif"), true), 0);
}

TEST(PictureIOWithoutView, DoesNothing) {
    TPictureIO io;
    EXPECT_FALSE(io.LoadImageFile("/nonexistent/x.bmp"));
    EXPECT_FALSE(io.SaveImageFile("/nonexistent/x.bmp"));
}

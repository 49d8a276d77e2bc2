// The file companion's edges: what an extension may veto, the GIF background when a file has
// none, empty views, and 1-bit pictures on their way back out.
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "imaging/TPictureIO.h"
#include "imaging/TPictureView.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"

using namespace velvo::imaging;

namespace {
struct LooseEnds : ::testing::Test {
    QTemporaryDir dir;
    TPictureView view;
    TPictureIO io;
    void SetUp() override { io.SetAttachedView(&view); }
    QString path(const char* name) const { return dir.filePath(name); }
    void write(const char* name, const std::vector<uint8_t>& bytes) const {
        writeFileAtomic(path(name).toStdString(), bytes);
    }
    int detect(const char* name) const { return io.DetectFileFormat(path(name), true); }
    int bmpDepth(const char* name) const { return readFile(path(name).toStdString())[28]; }
};
} // namespace

TEST_F(LooseEnds, ExtensionVetoesOnlyWhenItNamesAnotherFormat) {
    registerFormat(
        ".looseends", [](auto, const std::string&) { return Raster(); }, nullptr);
    for (const char* name : {"a.dat", "a", "a.JPEG", "a.png", "a.looseends"})
        write(name, encodeJpeg(Raster::create(8, 8, "")));
    EXPECT_EQ(detect("a.dat"), int(ImageFormat::Jpeg));
    EXPECT_EQ(detect("a"), int(ImageFormat::Jpeg));
    EXPECT_EQ(detect("a.JPEG"), int(ImageFormat::Jpeg));
    EXPECT_EQ(detect("a.png"), 0);
    EXPECT_EQ(detect("a.looseends"), 0); // names a format of the additional table
}

TEST_F(LooseEnds, GifWithoutGlobalColourTableResetsTheBackground) {
    // 1 x 1 red from a local table: clear, index 0, end in 3-bit codes.
    write("plain.gif", {'G', 'I', 'F', '8', '9',  'a', 1, 0, 1, 0, 0, 7, 0, 0x2C, 0,    0, 0,   0,
                        1,   0,   1,   0,   0x80, 255, 0, 0, 9, 9, 9, 2, 2, 0x44, 0x01, 0, 0x3B});
    Raster keyed = Raster::create(2, 1, "", {0, 128, 255});
    keyed.background = keyed.at(0, 0);
    write("keyed.gif", encodeGif(keyed));
    for (auto load : {&TPictureIO::LoadGif, &TPictureIO::LoadImageFile}) {
        ASSERT_TRUE((io.*load)(path("keyed.gif")));
        ASSERT_EQ(io.BackgroundColor(), QColor(255, 128, 0));
        ASSERT_TRUE((io.*load)(path("plain.gif")));
        EXPECT_EQ(view.Image().pixelColor(0, 0), QColor(Qt::red));
        EXPECT_EQ(io.BackgroundColor(), QColor(Qt::white));
    }
}

TEST_F(LooseEnds, EmptyViewSavesNothingAndWriterFaultsNameTheFile) {
    EXPECT_TRUE(io.SaveImageFile(path("e.png")));
    io.SaveBmp(path("e.bmp"));
    EXPECT_FALSE(QFile::exists(path("e.png")) || QFile::exists(path("e.bmp")));

    Raster torn = Raster::create(4, 4, "");
    torn.pixels.resize(5); // fails inside the encoder, which knows no file name
    const std::string file = path("t.bmp").toStdString();
    for (auto save : {+[](const std::string&f, const Raster&r) { saveBmp(f, r); },
                      +[](const std::string&f, const Raster&r) { saveImageFile(f, r); }}) {
        try {
            save(file, torn);
            ADD_FAILURE() << "no error";
        } catch (const velvo::Error& e) {
            EXPECT_EQ(e.file(), file);
        }
    }
}

TEST_F(LooseEnds, OneBitPictureIsSavedOneBitUntilItIsChanged) {
    Raster mono = Raster::create(9, 3, "");
    mono.set(4, 1, {0, 0, 0});
    mono.bilevel = true;
    write("mono.bmp", encodeBmp(mono));
    mono.bilevel = false;
    write("deep.bmp", encodeBmp(mono));
    ASSERT_EQ(bmpDepth("mono.bmp") * 100 + bmpDepth("deep.bmp"), 124);

    ASSERT_TRUE(io.LoadImageFile(path("mono.bmp")));
    io.SaveBmp(path("out.bmp"));
    EXPECT_EQ(bmpDepth("out.bmp"), 1);
    ASSERT_TRUE(io.SaveImageFile(path("out.bmp")));
    EXPECT_EQ(bmpDepth("out.bmp"), 1);
    // Still black and white after the edit, but no longer the picture that was read.
    QPainter(&view.Image()).fillRect(0, 0, 1, 1, Qt::black);
    io.SaveBmp(path("out.bmp"));
    EXPECT_EQ(bmpDepth("out.bmp"), 24);
    // Black and white pixels of a 24-bit file stay 24-bit.
    ASSERT_TRUE(io.LoadImageFile(path("deep.bmp")));
    io.SaveBmp(path("out.bmp"));
    EXPECT_EQ(bmpDepth("out.bmp"), 24);
}

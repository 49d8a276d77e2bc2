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
    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const std::vector<uint8_t>& bytes) const {
        writeFileAtomic(path(name).toStdString(), bytes);
    }
    // Bits per pixel of a written BMP file.
    int bmpDepth(const QString& name) const {
        const std::vector<uint8_t> b = readFile(path(name).toStdString());
        return b.size() > 29 ? b[28] | b[29] << 8 : -1;
    }
};

Raster blackAndWhite(int w, int h) {
    Raster r = Raster::create(w, h, "");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x / 2 + y) % 2)
                r.set(x, y, {0, 0, 0});
    r.bilevel = true;
    return r;
}

// 1 x 1 in red from a local colour table: clear, index 0, end, in 3-bit codes.
const std::vector<uint8_t> kGifWithoutGlobalTable = {
    'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x00, 7, 0, // screen, no global table
    0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x80, 255, 0, 0, 9, 9, 9, // image with a 2-entry table
    2, 2, 0x44, 0x01, 0, 0x3B,                            // pixels, trailer
};

} // namespace

TEST_F(LooseEnds, ExtensionVetoesOnlyWhenItNamesAnotherFormat) {
    const std::vector<uint8_t> jpeg = encodeJpeg(Raster::create(8, 8, ""));
    for (const char* name : {"photo.dat", "photo", "photo.JPEG", "photo.png", "photo.gif"})
        write(name, jpeg);
    const int code = int(ImageFormat::Jpeg);
    EXPECT_EQ(io.DetectFileFormat(path("photo.dat"), true), code);
    EXPECT_EQ(io.DetectFileFormat(path("photo"), true), code);
    EXPECT_EQ(io.DetectFileFormat(path("photo.JPEG"), true), code);
    EXPECT_EQ(io.DetectFileFormat(path("photo.png"), true), 0);
    EXPECT_EQ(io.DetectFileFormat(path("photo.gif"), true), 0);
    EXPECT_EQ(io.DetectFileFormat(path("photo.png"), false), code);

    // An extension from the table of additional formats names that format.
    registerFormat(".looseends", [](auto, const std::string&) { return Raster(); }, nullptr);
    write("photo.looseends", jpeg);
    EXPECT_EQ(io.DetectFileFormat(path("photo.looseends"), true), 0);
    EXPECT_EQ(io.DetectFileFormat(path("photo.looseends"), false), code);
    // Not an image whatever the name.
    write("notes.dat", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(io.DetectFileFormat(path("notes.dat"), true), 0);
}

TEST_F(LooseEnds, GifWithoutColourTableResetsTheBackgroundColour) {
    Raster keyed = blackAndWhite(4, 4);
    keyed.background = Bgr{0, 128, 255};
    keyed.set(3, 3, *keyed.background);
    write("keyed.gif", encodeGif(keyed));
    write("plain.gif", kGifWithoutGlobalTable);

    ASSERT_TRUE(io.LoadGif(path("keyed.gif")));
    ASSERT_EQ(io.BackgroundColor(), QColor(255, 128, 0));
    ASSERT_TRUE(io.LoadGif(path("plain.gif")));
    EXPECT_EQ(view.Image().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(io.BackgroundColor(), QColor(Qt::white));

    // The same through the reader chosen by extension; other formats leave it alone.
    ASSERT_TRUE(io.LoadImageFile(path("keyed.gif")));
    ASSERT_TRUE(io.LoadImageFile(path("plain.gif")));
    EXPECT_EQ(io.BackgroundColor(), QColor(Qt::white));
    io.SetBackgroundColor(Qt::red);
    write("a.bmp", encodeBmp(keyed));
    ASSERT_TRUE(io.LoadImageFile(path("a.bmp")));
    EXPECT_EQ(io.BackgroundColor(), QColor(Qt::red));
}

TEST_F(LooseEnds, EmptyViewSavesNothingWithoutComplaint) {
    view.SetImage(QImage());
    EXPECT_NO_THROW(EXPECT_TRUE(io.SaveImageFile(path("e.png"))));
    EXPECT_NO_THROW(io.SaveBmp(path("e.bmp")));
    EXPECT_FALSE(QFile::exists(path("e.png")));
    EXPECT_FALSE(QFile::exists(path("e.bmp")));
}

TEST_F(LooseEnds, WriterFaultsNameTheFile) {
    const std::string file = path("empty.bmp").toStdString();
    for (auto save : {+[](const std::string& f) { saveBmp(f, Raster()); },
                      +[](const std::string& f) { saveImageFile(f, Raster()); }}) {
        try {
            save(file);
            ADD_FAILURE() << "no error";
        } catch (const velvo::Error& e) {
            EXPECT_EQ(e.file(), file);
        }
    }
    // A malformed picture fails in the encoder, which knows no name.
    Raster torn = Raster::create(4, 4, "");
    torn.pixels.resize(5);
    try {
        saveImageFile(file, torn);
        ADD_FAILURE() << "no error";
    } catch (const velvo::Error& e) {
        EXPECT_EQ(e.file(), file);
    }
}

TEST_F(LooseEnds, OneBitPictureStaysOneBitUntilItIsChanged) {
    write("mono.bmp", encodeBmp(blackAndWhite(9, 3)));
    ASSERT_EQ(bmpDepth("mono.bmp"), 1);
    ASSERT_TRUE(io.LoadImageFile(path("mono.bmp")));
    EXPECT_TRUE(view.ImageIsBilevel());
    io.SaveBmp(path("out1.bmp"));
    EXPECT_EQ(bmpDepth("out1.bmp"), 1);
    ASSERT_TRUE(io.SaveImageFile(path("out2.bmp")));
    EXPECT_EQ(bmpDepth("out2.bmp"), 1);
    ASSERT_TRUE(io.LoadImageFile(path("out1.bmp")));
    EXPECT_EQ(view.Image().pixelColor(2, 0), QColor(Qt::black));
    EXPECT_EQ(view.Image().pixelColor(0, 0), QColor(Qt::white));

    // Still black and white after the edit, but no longer the picture that was read.
    { QPainter(&view.Image()).fillRect(0, 0, 1, 1, Qt::black); }
    EXPECT_FALSE(view.ImageIsBilevel());
    io.SaveBmp(path("edited.bmp"));
    EXPECT_EQ(bmpDepth("edited.bmp"), 24);

    // A 24-bit file of black and white pixels stays 24-bit.
    Raster deep = blackAndWhite(9, 3);
    deep.bilevel = false;
    write("deep.bmp", encodeBmp(deep));
    ASSERT_TRUE(io.LoadImageFile(path("deep.bmp")));
    io.SaveBmp(path("deep2.bmp"));
    EXPECT_EQ(bmpDepth("deep2.bmp"), 24);

    // A picture set from elsewhere, or the same one set again, is not marked.
    ASSERT_TRUE(io.LoadImageFile(path("mono.bmp")));
    view.SetImage(view.Image());
    EXPECT_FALSE(view.ImageIsBilevel());
}

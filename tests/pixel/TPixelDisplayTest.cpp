#include <QImage>
#include <gtest/gtest.h>

#include "PixelTestSupport.h"
#include "pixel/TPixelDisplay.h"

using namespace velvo::pixel;
using namespace velvo::pixel::test;

namespace {

QImage shot(TPixelDisplay& d) {
    QImage image(d.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    d.render(&image);
    return image;
}

void uniform(TPixelBitmap& bm, int w, int h, uint8_t b, uint8_t g, uint8_t r) {
    bm.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setPixel(bm, x, y, b, g, r);
}

} // namespace

TEST(TPixelDisplayTest, FitRectRoundsHalfToEven) {
    // Wide picture in a tall control: full width, centred vertically.
    EXPECT_EQ(TPixelDisplay::FitRect(100, 200, 200, 100), QRect(0, 75, 100, 50));
    // kx = 2 > ky = 1: width 5, offset round(2.5) = 2.
    EXPECT_EQ(TPixelDisplay::FitRect(10, 5, 5, 5), QRect(2, 0, 5, 5));
    // ky = 0.5: width round(2.5) = 2, offset round(3.75) = 4.
    EXPECT_EQ(TPixelDisplay::FitRect(10, 5, 5, 10), QRect(4, 0, 2, 5));
    // offset round(3.5) = 4.
    EXPECT_EQ(TPixelDisplay::FitRect(10, 3, 1, 1), QRect(4, 0, 3, 3));
    // An empty picture counts as 1 x 1.
    EXPECT_EQ(TPixelDisplay::FitRect(4, 4, 0, 0), QRect(0, 0, 4, 4));
}

TEST(TPixelDisplayTest, DrawStylesCoverEveryPixel) {
    TPixelBitmap bm;
    uniform(bm, 40, 20, 0, 0, 255);
    TPixelDisplay d;
    d.resize(30, 60);
    d.SetColor(Qt::green);
    d.AssignBitmap(&bm);
    EXPECT_EQ(d.Bitmap(), &bm);

    d.SetDrawStyle(TPixelDisplay::dsResize);
    d.SetBilinearResize(true);
    QImage img = shot(d);
    // 30 wide, 15 high, at y = round(22.5) = 22.
    EXPECT_EQ(img.pixelColor(15, 21), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(15, 22), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(15, 36), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(15, 37), QColor(Qt::green));

    d.SetDrawStyle(TPixelDisplay::dsDraw);
    img = shot(d);
    EXPECT_EQ(img.pixelColor(29, 19), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(0, 20), QColor(Qt::green));

    d.SetDrawStyle(TPixelDisplay::dsCenter);
    img = shot(d);
    EXPECT_EQ(img.pixelColor(0, 20), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(0, 19), QColor(Qt::green));

    for (bool bilinear : {false, true}) {
        d.SetBilinearResize(bilinear);
        d.SetDrawStyle(TPixelDisplay::dsStretch);
        img = shot(d);
        EXPECT_EQ(img.pixelColor(29, 59), QColor(Qt::red));
    }
    d.SetDrawStyle(TPixelDisplay::dsTile);
    img = shot(d);
    EXPECT_EQ(img.pixelColor(29, 59), QColor(Qt::red));

    d.AssignBitmap(nullptr);
    img = shot(d);
    EXPECT_EQ(img.pixelColor(10, 10), QColor(Qt::green));
}

TEST(TPixelDisplayTest, AutoSizeAndFiles) {
    TPixelBitmap bm;
    uniform(bm, 12, 7, 1, 2, 3);
    TPixelDisplay d;
    d.SetAutoSize(true);
    d.AssignBitmap(&bm);
    EXPECT_EQ(d.size(), QSize(12, 7));
    d.LoadFromFile("/nonexistent/x.bmp");
    EXPECT_EQ(d.Bitmap(), &bm);
    EXPECT_TRUE(d.FileName().isEmpty());
}

#include "document/TTransparentBitmap.h"

#include <QPixmap>
#include <gtest/gtest.h>

#include "imaging/codecs/Error.h"

namespace velvo::document {
namespace {

const QRgb kKey = qRgb(0, 200, 0);
const QRgb kA = qRgb(200, 10, 10);
const QRgb kB = qRgb(10, 10, 200);

// 4 x 3: the key colour at (0, 0), (3, 2) and (1, 1); kB at (1, 0); kA elsewhere.
QImage sample() {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(kA);
    image.setPixel(0, 0, kKey);
    image.setPixel(3, 2, kKey);
    image.setPixel(1, 1, kKey);
    image.setPixel(1, 0, kB);
    return image;
}

// The pixels the masks key out, checked against each other: white in Mask exactly where
// MaskedImage is black and the picture has `key`; elsewhere MaskedImage is the picture.
std::vector<QPoint> keyedPixels(const TTransparentBitmap& b, QRgb key) {
    std::vector<QPoint> keyed;
    const QImage& image = b.Image();
    EXPECT_EQ(b.Mask().size(), image.size());
    EXPECT_EQ(b.MaskedImage().size(), image.size());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool white = b.Mask().pixel(x, y) == qRgb(255, 255, 255);
            EXPECT_EQ(white, (image.pixel(x, y) & 0xffffff) == (key & 0xffffff)) << x << "," << y;
            EXPECT_EQ(b.MaskedImage().pixel(x, y), white ? qRgb(0, 0, 0) : image.pixel(x, y));
            if (white)
                keyed.push_back({x, y});
        }
    return keyed;
}

TEST(TTransparentBitmap, MasksFollowThePictureTheKeyPointAndTheKeySwitch) {
    TTransparentBitmap b;
    EXPECT_TRUE(b.KeyEnabled());
    EXPECT_EQ(b.KeyPoint(), QPoint(0, 0));
    EXPECT_TRUE(b.Mask().isNull()) << "an empty picture has no masks";
    b.SetImage(sample());
    EXPECT_EQ(keyedPixels(b, kKey), (std::vector<QPoint>{{0, 0}, {1, 1}, {3, 2}}));

    b.SetKeyPoint({1, 0});
    EXPECT_EQ(b.KeyColor(), QColor(kB));
    EXPECT_EQ(keyedPixels(b, kB), (std::vector<QPoint>{{1, 0}}));

    b.ImageForEdit().setPixel(2, 2, kB);
    b.ImageChanged();
    EXPECT_EQ(keyedPixels(b, kB), (std::vector<QPoint>{{1, 0}, {2, 2}}));

    b.SetKeyEnabled(false);
    EXPECT_TRUE(b.Mask().isNull());
    EXPECT_TRUE(b.MaskedImage().isNull());
    b.SetKeyEnabled(true);
    EXPECT_EQ(keyedPixels(b, kB).size(), 2u);
    EXPECT_FALSE(b.Busy());

    // The far edges are allowed key points; there is no colour there, so nothing is keyed.
    b.SetKeyPoint({4, 0});
    EXPECT_FALSE(b.KeyColor().isValid());
    EXPECT_TRUE(keyedPixels(b, qRgb(1, 2, 3)).empty());
}

TEST(TTransparentBitmap, KeyIsAColourNotAPaletteIndex) {
    QImage indexed(3, 1, QImage::Format_Indexed8);
    indexed.setColorTable({kKey, kA, kKey});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    indexed.setPixel(2, 0, 2);
    TTransparentBitmap b;
    b.SetImage(indexed);
    EXPECT_EQ(keyedPixels(b, kKey), (std::vector<QPoint>{{0, 0}, {2, 0}}));
}

TEST(TTransparentBitmap, AssignTakesBitmapsOnly) {
    TTransparentBitmap b;
    b.Assign(QVariant::fromValue(QPixmap::fromImage(sample())));
    EXPECT_EQ(b.Image().size(), QSize(4, 3));
    EXPECT_EQ(keyedPixels(b, kKey).size(), 3u);
    for (const QVariant& wrong :
         {QVariant(QStringLiteral("picture.bmp")), QVariant(), QVariant(7)}) {
        try {
            b.Assign(wrong);
            ADD_FAILURE() << "accepted " << wrong.typeName();
        } catch (const velvo::Error& e) {
            EXPECT_STREQ(e.what(), "Assignment requires a TBitmap argument");
        }
    }
    EXPECT_EQ(b.Image().size(), QSize(4, 3));
}

} // namespace
} // namespace velvo::document

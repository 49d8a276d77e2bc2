#include <QImage>
#include <gtest/gtest.h>

#include "imaging/ColorOps.h"
#include "imaging/PolygonCopy.h"

using namespace velvo::imaging;

namespace {

QImage filled(int w, int h, QColor c) {
    QImage image(w, h, QImage::Format_BGR888);
    image.fill(c);
    return image;
}

Rgb at(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return {c.red(), c.green(), c.blue()};
}

} // namespace

TEST(ColorOpsTest, ConversionWorkedByHand) {
    // Scaled to 0..99: 39, 58, 78. S = 39 x 99 div 78 = 49; blue is largest, so
    // H = (39 - 58) x 60 div 39 + 240 = -29 + 240.
    EXPECT_EQ(rgbToHsv(100, 150, 200), (Hsv{211, 49, 78}));
    // Sector 3, f = 31: P = 40, Q = 59, V = 78, scaled back 103, 152, 201.
    EXPECT_EQ(hsvToRgb(211, 49, 78), (Rgb{103, 152, 201}));
    EXPECT_EQ(rgbToHsv(255, 0, 0), (Hsv{0, 99, 99}));
    EXPECT_EQ(hsvToRgb(0, 99, 99), (Rgb{255, 0, 0}));
    EXPECT_EQ(rgbToHsv(0, 0, 0), (Hsv{0, 0, 0}));
    EXPECT_EQ(rgbToHsv(128, 128, 128), (Hsv{0, 0, 50}));
    EXPECT_EQ(hsvToRgb(300, 0, 50), (Rgb{129, 129, 129}));
    // Ties for the maximum go to red before green: yellow is measured from red.
    EXPECT_EQ(rgbToHsv(255, 255, 0).h, 60);
    EXPECT_EQ(to99(0), 0);
    EXPECT_EQ(to99(255), 99);
    EXPECT_EQ(to255(99), 255);
    for (int c = 0; c < 256; ++c)
        ASSERT_EQ(to255(to99(c)), to255(to99(to255(to99(c))))) << c;
}

TEST(ColorOpsTest, AdjustHsvClampsAndUsesTruncatedModel) {
    QImage image = filled(3, 2, QColor(100, 150, 200));
    ASSERT_TRUE(adjustHsv(image, {}, 0, 0, 0));
    EXPECT_EQ(at(image, 2, 1), (Rgb{103, 152, 201}));

    image = filled(3, 2, QColor(100, 150, 200));
    adjustHsv(image, {}, 0, 0, -20);
    EXPECT_EQ(at(image, 0, 0), (Rgb{77, 113, 149}));

    // Hue is clamped, not wrapped: red minus 10 stays red.
    image = filled(2, 2, QColor(255, 0, 0));
    adjustHsv(image, {}, -10, 0, 0);
    EXPECT_EQ(at(image, 1, 1), (Rgb{255, 0, 0}));
    adjustHsv(image, {}, 0, -200, 0);
    EXPECT_EQ(at(image, 1, 1), (Rgb{255, 255, 255}));
}

TEST(ColorOpsTest, AdjustRgbClampsEachChannel) {
    QImage image = filled(4, 3, QColor(200, 100, 10));
    ASSERT_TRUE(adjustRgb(image, {}, 100, -50, -20));
    EXPECT_EQ(at(image, 3, 2), (Rgb{255, 50, 0}));

    QImage rgb = filled(2, 2, QColor(1, 2, 3)).convertToFormat(QImage::Format_RGB888);
    adjustRgb(rgb, {}, 10, 20, 30);
    EXPECT_EQ(at(rgb, 0, 0), (Rgb{11, 22, 33}));

    QImage argb(4, 4, QImage::Format_ARGB32);
    argb.fill(QColor(5, 5, 5));
    EXPECT_FALSE(adjustRgb(argb, {}, 100, 100, 100));
    EXPECT_EQ(at(argb, 0, 0), (Rgb{5, 5, 5}));
}

TEST(ColorOpsTest, SelectionRule) {
    const QColor base(10, 10, 10);
    auto changed = [](const QImage& image, int x, int y) { return image.pixelColor(x, y).red() != 10; };
    auto count = [&](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += changed(image, x, y);
        return n;
    };
    const QPolygon rect{QVector<QPoint>{{2, 1}, {6, 1}, {6, 4}, {2, 4}}};

    // A hidden selection covers everything; a shown one without points too.
    QImage image = filled(8, 6, base);
    adjustRgb(image, {false, rect}, 50, 0, 0);
    EXPECT_EQ(count(image), 48);
    image = filled(8, 6, base);
    adjustRgb(image, {true, {}}, 50, 0, 0);
    EXPECT_EQ(count(image), 48);

    // An axis-aligned rectangle: its box, right and bottom exclusive.
    image = filled(8, 6, base);
    adjustRgb(image, {true, rect}, 50, 0, 0);
    EXPECT_EQ(count(image), 4 * 3);
    EXPECT_TRUE(changed(image, 2, 1));
    EXPECT_TRUE(changed(image, 5, 3));
    EXPECT_FALSE(changed(image, 6, 3));
    EXPECT_FALSE(changed(image, 5, 4));

    // A triangle: only the pixels whose centres are inside; the hypotenuse is a right edge.
    const QPolygon triangle{QVector<QPoint>{{0, 0}, {8, 0}, {0, 8}}};
    image = filled(8, 6, base);
    adjustHsv(image, {true, triangle}, 0, 0, 50);
    const std::vector<uint8_t> mask = polygonCoverage(triangle, QRect(0, 0, 8, 8));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            ASSERT_EQ(changed(image, x, y), x <= 6 - y) << x << "," << y;
            ASSERT_EQ(mask[size_t(y * 8 + x)] != 0, x <= 6 - y);
        }

    // A polygon partly outside the image changes only what is inside both.
    image = filled(8, 6, base);
    // Hypotenuse x + y = 6: centres with x + y + 1 < 6, that is 5 + 4 + 3 + 2 + 1 pixels.
    adjustRgb(image, {true, QPolygon{QVector<QPoint>{{-4, -4}, {10, -4}, {-4, 10}}}}, 50, 0, 0);
    EXPECT_EQ(count(image), 15);
}

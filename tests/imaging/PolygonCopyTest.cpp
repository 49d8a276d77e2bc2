#include <QImage>
#include <QRegion>
#include <gtest/gtest.h>
#include <algorithm>
#include <random>

#include "imaging/PolygonCopy.h"

using namespace velvo::imaging;

namespace {

QImage numbered(int w, int h) {
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, QColor(x * 10 % 256, y * 10 % 256, 77));
    return image;
}

} // namespace

// Qt's polygon region samples slanted edges at other points than pixel centres, so it is the
// cross-check only for polygons whose edges are all horizontal or vertical.
TEST(PolygonCopyTest, RectilinearCoverageMatchesPlatformPolygonRegion) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 200; ++trial) {
        const int x0 = int(rng() % 30) - 5, y0 = int(rng() % 30) - 5;
        const int x1 = x0 + 1 + int(rng() % 15), y1 = y0 + 1 + int(rng() % 15);
        const int xm = x0 + int(rng() % unsigned(x1 - x0)), ym = y0 + int(rng() % unsigned(y1 - y0));
        // An L shape (the notch may be empty), clockwise or not.
        QPolygon poly{QVector<QPoint>{{x0, y0}, {xm, y0}, {xm, ym}, {x1, ym}, {x1, y1}, {x0, y1}}};
        if (trial % 2)
            std::reverse(poly.begin(), poly.end());
        const QRect box = polygonBox(poly);
        const std::vector<uint8_t> mask = polygonCoverage(poly, box);
        const QRegion region(poly, Qt::OddEvenFill);
        for (int y = 0; y < box.height(); ++y)
            for (int x = 0; x < box.width(); ++x) {
                const QPoint p(box.left() + x, box.top() + y);
                ASSERT_EQ(mask[size_t(y * box.width() + x)] != 0, region.contains(p))
                    << "trial " << trial << " at " << p.x() << "," << p.y();
            }
    }
}

TEST(PolygonCopyTest, CoverageOfSlantedAndSelfCrossingPolygons) {
    // A diamond around (4, 4) with radius 4. Row 0 holds pixel 3 only: its centre 3.5 lies on
    // a left edge (inside), pixel 4's centre 4.5 on a right edge (outside).
    const QPolygon diamond{QVector<QPoint>{{4, 0}, {8, 4}, {4, 8}, {0, 4}}};
    const std::vector<uint8_t> mask = polygonCoverage(diamond, QRect(0, 0, 8, 8));
    const char* expected[8] = {"...#....", "..###...", ".#####..", "#######.",
                               "#######.", ".#####..", "..###...", "...#...."};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(mask[size_t(y * 8 + x)] != 0, expected[y][x] == '#') << x << "," << y;

    // A bow tie: even-odd, the two triangles are covered and the crossing point is not doubled.
    const QPolygon bow{QVector<QPoint>{{0, 0}, {8, 8}, {8, 0}, {0, 8}}};
    const std::vector<uint8_t> m = polygonCoverage(bow, QRect(0, 0, 8, 8));
    EXPECT_TRUE(m[0 * 8 + 4] == 0 && m[4 * 8 + 0] != 0 && m[4 * 8 + 7] != 0);
}

TEST(PolygonCopyTest, PasteThroughPolygonMovesBoxAndGrows) {
    const QImage source = numbered(20, 20);
    QImage image(6, 6, QImage::Format_BGR888);
    image.fill(Qt::black);
    // Box (4, 4)-(8, 8) of the source goes to (4, 3): the copy reaches x 8, y 7, so the image
    // grows to 8 x 7, the new area white.
    const QPolygon square{QVector<QPoint>{{4, 4}, {8, 4}, {8, 8}, {4, 8}}};
    pasteThroughPolygon(image, source, square, QRect(4, 3, 1, 1));
    ASSERT_EQ(image.size(), QSize(8, 7));
    EXPECT_EQ(image.pixelColor(4, 3), source.pixelColor(4, 4));
    EXPECT_EQ(image.pixelColor(7, 6), source.pixelColor(7, 7));
    EXPECT_EQ(image.pixelColor(3, 3), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(7, 0), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(0, 6), QColor(Qt::white));

    // Two points: nothing at all.
    QImage untouched = image;
    pasteThroughPolygon(image, source, QPolygon{QVector<QPoint>{{0, 0}, {9, 9}}}, QRect(0, 0, 1, 1));
    EXPECT_EQ(image, untouched);
}

TEST(PolygonCopyTest, CopyThroughPolygonKeepsOutsidePixels) {
    const QImage image = numbered(30, 30);
    QImage target(5, 5, QImage::Format_BGR888);
    target.fill(Qt::black);
    // Triangle with box (2, 2)-(10, 10): the source box starts at (12, 0).
    const QPolygon triangle{QVector<QPoint>{{2, 2}, {10, 2}, {2, 10}}};
    copyThroughPolygon(image, target, triangle, QPoint(12, 0));
    ASSERT_EQ(target.size(), QSize(10, 10));
    // Centres (x + 0.5, y + 0.5) inside x >= 2, y >= 2, x + y < 12, the hypotenuse being a
    // right edge: row 2 from x 2 to 8, one pixel fewer each row down.
    const char* covered[8] = {"#######.", "######..", "#####...", "####....",
                              "###.....", "##......", "#.......", "........"};
    for (int y = 2; y < 10; ++y)
        for (int x = 2; x < 10; ++x) {
            const bool in = covered[y - 2][x - 2] == '#';
            const QColor expected = in ? image.pixelColor(12 + x - 2, y - 2)
                                       : (x < 5 && y < 5 ? QColor(Qt::black) : QColor(Qt::white));
            ASSERT_EQ(target.pixelColor(x, y), expected) << x << "," << y;
        }
    EXPECT_EQ(target.pixelColor(0, 0), QColor(Qt::black));

    // A source box reaching outside the image copies only what exists.
    QImage small(4, 4, QImage::Format_BGR888);
    small.fill(Qt::black);
    copyThroughPolygon(image, small, QPolygon{QVector<QPoint>{{0, 0}, {4, 0}, {4, 4}, {0, 4}}},
                       QPoint(28, 28));
    EXPECT_EQ(small.pixelColor(0, 0), image.pixelColor(28, 28));
    EXPECT_EQ(small.pixelColor(2, 2), QColor(Qt::black));
}

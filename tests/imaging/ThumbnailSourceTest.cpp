#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "imaging/ThumbnailSource.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"

using namespace velvo::imaging;

namespace {

// A noisy gradient with a bright rectangle whose edges sit off the 8-pixel grid, so that a
// reduction that moved the picture would move the edges.
Raster pattern(int w, int h) {
    Raster r = Raster::create(w, h, "");
    uint32_t seed = 99;
    const int x0 = w * 37 / 100, x1 = w * 71 / 100, y0 = h * 41 / 100, y1 = h * 83 / 100;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525 + 1013904223;
            const int noise = int(seed >> 29) - 4;
            const bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
            const uint8_t v = uint8_t(std::clamp((inside ? 240 : 20 + 80 * x / w) + noise, 0, 255));
            r.set(x, y, {v, uint8_t(inside ? 230 : 40 + 60 * y / h), v});
        }
    return r;
}

// What the folder view keeps of a picture read for a MaxWidth x MaxHeight box: the whole
// percentage of the true size, stretch-drawn.
QImage shrinkAsTheView(const QImage& picture, QSize box) {
    const QSize full = thumbnailSourceSize(picture);
    const int p = int(
        std::min(double(box.width()) / full.width(), double(box.height()) / full.height()) * 100);
    return picture
        .scaled(int(full.width() * 0.01 * p), int(full.height() * 0.01 * p), Qt::IgnoreAspectRatio,
                Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB888);
}

double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* pa = a.constScanLine(y);
        const uchar* pb = b.constScanLine(y);
        for (int i = 0; i < a.width() * 3; ++i)
            sum += std::abs(int(pa[i]) - int(pb[i]));
    }
    return sum / (double(a.width()) * a.height() * 3);
}

// Where the green channel first rises through 128 along a row (or down a column), to a
// fraction of a pixel.
double risingEdge(const QImage& img, bool alongRow, int at) {
    const int n = alongRow ? img.width() : img.height();
    auto g = [&](int i) {
        return double(alongRow ? qGreen(img.pixel(i, at)) : qGreen(img.pixel(at, i)));
    };
    for (int i = 1; i < n; ++i)
        if (g(i - 1) < 128 && g(i) >= 128)
            return i - 1 + (128 - g(i - 1)) / (g(i) - g(i - 1));
    return -1;
}

struct FullDecoding {
    FullDecoding() { setReducedJpegReading(false); }
    ~FullDecoding() { setReducedJpegReading(true); }
};

QImage readInFull(const QString& file, QSize atLeast) {
    FullDecoding full;
    return readPictureForThumbnail(file, atLeast);
}

} // namespace

TEST(ThumbnailSource, ReducedJpegShrinksToTheFullDecodeResult) {
    QTemporaryDir dir;
    const QSize box(200, 200);
    for (QSize size : {QSize(1600, 1200), QSize(4000, 3000), QSize(1203, 1701)}) {
        SCOPED_TRACE(size.width());
        const QString file = dir.filePath(QString("p%1.jpg").arg(size.width()));
        writeFileAtomic(file.toStdString(), encodeJpeg(pattern(size.width(), size.height())));

        const QImage reduced = readPictureForThumbnail(file, box);
        const QImage full = readInFull(file, box);
        ASSERT_EQ(full.size(), size);
        EXPECT_EQ(thumbnailSourceSize(full), size);
        EXPECT_EQ(thumbnailSourceSize(reduced), size);
        EXPECT_LE(reduced.width() * 2, size.width());
        EXPECT_GE(reduced.width(), box.width());
        EXPECT_GE(reduced.height(), box.height());

        const QImage a = shrinkAsTheView(reduced, box), b = shrinkAsTheView(full, box);
        ASSERT_EQ(a.size(), b.size());
        QImage kept = a;
        clearThumbnailSourceSize(kept);
        EXPECT_EQ(thumbnailSourceSize(kept), a.size());
        EXPECT_LT(meanDifference(a, b), 3.0);
        // Sides that are not a multiple of the reduction are rounded up by libjpeg, which
        // stretches the reduced picture by under one source block: a fraction of a pixel here.
        const bool whole = size.width() % 8 == 0 && size.height() % 8 == 0;
        const double tolerance = whole ? 0.2 : 0.4;
        for (int frac : {45, 55, 65}) {
            const int row = a.height() * frac / 100, col = a.width() * frac / 100;
            EXPECT_NEAR(risingEdge(a, true, row), risingEdge(b, true, row), tolerance);
            EXPECT_NEAR(risingEdge(a, false, col), risingEdge(b, false, col), tolerance);
        }
    }
}

TEST(ThumbnailSource, OnlyJpegFilesAreReadReduced) {
    QTemporaryDir dir;
    const Raster big = pattern(900, 600);
    const QString upper = dir.filePath("UPPER.JPG"), jpeg = dir.filePath("x.jpeg");
    const QString bmp = dir.filePath("x.bmp"), small = dir.filePath("small.jpg");
    writeFileAtomic(upper.toStdString(), encodeJpeg(big));
    writeFileAtomic(jpeg.toStdString(), encodeJpeg(big));
    writeFileAtomic(bmp.toStdString(), encodeBmp(big));
    writeFileAtomic(small.toStdString(), encodeJpeg(pattern(150, 100)));

    EXPECT_EQ(readPictureForThumbnail(upper, {100, 100}).size(), QSize(225, 150));
    EXPECT_EQ(readPictureForThumbnail(jpeg, {100, 100}).size(), QSize(225, 150));
    const QImage b = readPictureForThumbnail(bmp, {100, 100});
    EXPECT_EQ(b.size(), QSize(900, 600));
    EXPECT_EQ(thumbnailSourceSize(b), QSize(900, 600));
    const QImage s = readPictureForThumbnail(small, {200, 200});
    EXPECT_EQ(s.size(), QSize(150, 100));
    EXPECT_EQ(thumbnailSourceSize(s), QSize(150, 100));
    // Asking for more than the picture holds reads it in full.
    EXPECT_EQ(readPictureForThumbnail(jpeg, {INT_MAX, INT_MAX}).size(), QSize(900, 600));
}

TEST(ThumbnailSource, UnreadableJpegGivesANullImage) {
    QTemporaryDir dir;
    const std::vector<uint8_t> good = encodeJpeg(pattern(400, 300));
    const QString text = dir.filePath("text.jpg"), cut = dir.filePath("cut.jpg");
    const std::string words = "not a picture at all";
    writeFileAtomic(text.toStdString(), std::vector<uint8_t>(words.begin(), words.end()));
    writeFileAtomic(cut.toStdString(), std::vector<uint8_t>(good.begin(), good.begin() + 40));
    EXPECT_TRUE(readPictureForThumbnail(text, {100, 100}).isNull());
    // Read just after the whole file it was cut from: nothing of that one may complete it.
    const QString whole = dir.filePath("whole.jpg");
    writeFileAtomic(whole.toStdString(), good);
    EXPECT_FALSE(readPictureForThumbnail(whole, {100, 100}).isNull());
    EXPECT_TRUE(readPictureForThumbnail(cut, {100, 100}).isNull());
    EXPECT_TRUE(readPictureForThumbnail(dir.filePath("missing.jpg"), {100, 100}).isNull());
    EXPECT_EQ(thumbnailSourceSize(QImage()), QSize(0, 0));
}

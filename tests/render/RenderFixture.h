#pragma once
// Small hairstyles made on the spot: a master at four times the library picture's size with a
// soft edge, and the library GIF taken from it as the sample library takes it (reduced, the
// background keyed white), so both frame the same opening. A structured photo shows any
// misplacement as a large difference.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/RasterImage.h"
#include "imaging/codecs/ImageFile.h"
#include "trial/Trial.h"

namespace velvo::render::testing {

inline constexpr QRgb kHair = 0xffb4281e; // a warm brown-red: no channel near the key's white

// The hairstyle at `scale` times 60 x 80: a cap of hair round an oval face opening centred at
// (30 + shiftX, 46), open below the chin. Left and right differ so a flip shows.
inline QImage drawHair(int scale, double shiftX = 0, bool streak = true) {
    QImage picture(60 * scale, 80 * scale, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    QPainterPath hair;
    hair.addEllipse(QRectF(2, 2, 56, 76));
    hair.addRect(QRectF(44, 40, 14, 38)); // a long lock on the right only
    QPainterPath face;
    face.addEllipse(QRectF(15 + shiftX, 24, 30, 44));
    face.addRect(QRectF(22 + shiftX, 50, 16, 30)); // the neck
    p.fillPath(hair.subtracted(face), QColor::fromRgba(kHair));
    // A light streak on the left: turns and flips move it.
    if (streak)
        p.fillRect(QRectF(6, 20, 5, 30), QColor(250, 220, 120));
    p.end();
    return picture.convertToFormat(QImage::Format_ARGB32);
}

// The library picture of a master: reduced, then every pixel under half cover keyed white.
inline QImage libraryOf(const QImage& master, QSize size) {
    const QImage reduced = master.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                               .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_ARGB32);
    QImage gif(size, QImage::Format_BGR888);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QRgb c = reduced.pixel(x, y);
            gif.setPixelColor(x, y, qAlpha(c) >= 128 ? QColor(qRed(c), qGreen(c), qBlue(c)) : QColor(Qt::white));
        }
    return gif;
}

// Writes "1.GIF" (and, unless `withMaster` is false, "1.png") into `dir`; gives the GIF's path.
inline QString writeHairstyle(const QString& dir, bool withMaster = true, double masterShiftX = 0,
                              bool streak = true) {
    const QImage master = drawHair(4, masterShiftX, streak);
    const QString gif = QDir(dir).filePath(QStringLiteral("1.GIF"));
    imaging::saveImageFile(gif.toStdString(), imaging::toRaster(libraryOf(drawHair(4, 0, streak), {60, 80})));
    if (withMaster)
        master.save(QDir(dir).filePath(QStringLiteral("1.png")));
    return gif;
}

// 1200 x 900, squares of 24 photo pixels in two tones over a diagonal ramp.
inline QImage structuredPhoto(int width = 1200, int height = 900) {
    QImage photo(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        uchar* row = photo.scanLine(y);
        for (int x = 0; x < width; ++x, row += 3) {
            const bool dark = ((x / 24) + (y / 24)) % 2 == 0;
            row[0] = uchar(dark ? 40 : 200);                    // blue
            row[1] = uchar((x + y) * 255 / (width + height));   // green ramp
            row[2] = uchar(dark ? 60 : 30 + (x * 160) / width); // red
        }
    }
    return photo;
}

// Per-channel absolute differences of two pictures of one size: their mean and 99th percentile.
struct Difference {
    double mean = 0;
    int p99 = 0;
};
inline Difference difference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    std::vector<int> all;
    all.reserve(size_t(x.width()) * x.height() * 3);
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            all.push_back(std::abs(qRed(p) - qRed(q)));
            all.push_back(std::abs(qGreen(p) - qGreen(q)));
            all.push_back(std::abs(qBlue(p) - qBlue(q)));
        }
    Difference d;
    if (all.empty())
        return d;
    double sum = 0;
    for (int v : all)
        sum += v;
    d.mean = sum / double(all.size());
    std::nth_element(all.begin(), all.begin() + long(all.size() * 99 / 100), all.end());
    d.p99 = all[all.size() * 99 / 100];
    return d;
}

// The mean per-channel difference with `b` moved by (dx, dy), over the pixels both cover
// (a margin of two pixels left out).
inline double shiftedMean(const QImage& a, const QImage& b, int dx, int dy) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    long count = 0;
    for (int row = 2; row < x.height() - 2; ++row)
        for (int col = 2; col < x.width() - 2; ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col + dx, row + dy);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
            count += 3;
        }
    return count ? sum / double(count) : 0;
}

// Whether `a` lines up with `b` best where it is: moved a pixel any way, it differs more.
inline ::testing::AssertionResult alignedBest(const QImage& a, const QImage& b) {
    const double here = shiftedMean(a, b, 0, 0);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if ((dx || dy) && shiftedMean(a, b, dx, dy) <= here)
                return ::testing::AssertionFailure()
                       << "moved by (" << dx << ", " << dy << ") it differs less: " << shiftedMean(a, b, dx, dy)
                       << " against " << here;
    return ::testing::AssertionSuccess();
}

} // namespace velvo::render::testing

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
#include <numeric>
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

// Writes "1.GIF" (and, unless `withMaster` is false, "1.png") into `dir`; gives the GIF's path.
// The GIF is the master unshifted, reduced, every pixel under half cover keyed white.
inline QString writeHairstyle(const QString& dir, bool withMaster = true, double masterShiftX = 0,
                              bool streak = true) {
    const QImage reduced = drawHair(4, 0, streak)
                               .convertToFormat(QImage::Format_ARGB32_Premultiplied)
                               .scaled(60, 80, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_ARGB32);
    QImage library(60, 80, QImage::Format_BGR888);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 60; ++x) {
            const QRgb c = reduced.pixel(x, y);
            library.setPixelColor(x, y, qAlpha(c) >= 128 ? QColor(qRed(c), qGreen(c), qBlue(c)) : QColor(Qt::white));
        }
    const QString gif = QDir(dir).filePath(QStringLiteral("1.GIF"));
    imaging::saveImageFile(gif.toStdString(), imaging::toRaster(library));
    if (withMaster)
        drawHair(4, masterShiftX, streak).save(QDir(dir).filePath(QStringLiteral("1.png")));
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

// Per-channel absolute differences of two pictures of one size, `b` moved by (dx, dy), a margin
// left out: their mean and 99th percentile.
struct Difference {
    double mean = 0;
    int p99 = 0;
};
inline Difference difference(const QImage& a, const QImage& b, int dx = 0, int dy = 0, int margin = 0) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    std::vector<int> all;
    Difference d;
    for (int row = margin; row < x.height() - margin; ++row)
        for (int col = margin; col < x.width() - margin; ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col + dx, row + dy);
            for (const int shift : {16, 8, 0})
                all.push_back(std::abs(int((p >> shift) & 0xff) - int((q >> shift) & 0xff)));
        }
    if (all.empty())
        return d;
    d.mean = std::accumulate(all.begin(), all.end(), 0.0) / double(all.size());
    std::nth_element(all.begin(), all.begin() + long(all.size() * 99 / 100), all.end());
    d.p99 = all[all.size() * 99 / 100];
    return d;
}

// Whether `a` lines up with `b` best where it is: moved a pixel any way, it differs more.
inline ::testing::AssertionResult alignedBest(const QImage& a, const QImage& b) {
    const double here = difference(a, b, 0, 0, 2).mean;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (const double moved = difference(a, b, dx, dy, 2).mean; (dx || dy) && moved <= here)
                return ::testing::AssertionFailure()
                       << "moved by (" << dx << ", " << dy << ") it differs less: " << moved << " against " << here;
    return ::testing::AssertionSuccess();
}

} // namespace velvo::render::testing

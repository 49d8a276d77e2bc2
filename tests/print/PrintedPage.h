#pragma once
// A printed PDF read back as a picture, and where a colour lies on it.
#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <gtest/gtest.h>

namespace velvo::testing {

inline bool near(QColor a, QColor b, int tolerance = 30) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Page 1 of `pdf` at `dpi`, written as `stem`.png; a null image while poppler cannot read the
// PDF (not written yet, or cut short).
inline QImage rasterise(const QString& pdf, int dpi, const QString& stem) {
    QFile::remove(stem + ".png");
    if (QProcess::execute("pdftoppm",
                          {"-r", QString::number(dpi), "-png", "-singlefile", pdf, stem}) != 0)
        return {};
    return QImage(stem + ".png");
}

// The smallest rectangle holding every pixel near `colour`; empty when there is none.
inline QRect boxOf(const QImage& page, QColor colour) {
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (near(page.pixelColor(x, y), colour))
                box |= QRect(x, y, 1, 1);
    return box;
}

// `seen` on a page rasterised at `dpi` against where it belongs in 300-dpi printer pixels from
// the paper's corner; each edge may be two raster pixels off (edges blend when scaled).
inline ::testing::AssertionResult boxAt(QRect seen, QRectF printerPixels, int dpi) {
    const double k = dpi / 300.0;
    const QRectF want(printerPixels.x() * k, printerPixels.y() * k, printerPixels.width() * k,
                      printerPixels.height() * k);
    const double edges[4][2] = {{double(seen.left()), want.left()},
                                {double(seen.top()), want.top()},
                                {seen.x() + double(seen.width()), want.right()},
                                {seen.y() + double(seen.height()), want.bottom()}};
    for (const auto& edge : edges)
        if (seen.isEmpty() || std::abs(edge[0] - edge[1]) > 2.0)
            return ::testing::AssertionFailure()
                   << "seen (" << seen.x() << ", " << seen.y() << ") " << seen.width() << " x "
                   << seen.height() << ", want (" << want.x() << ", " << want.y() << ") "
                   << want.width() << " x " << want.height();
    return ::testing::AssertionSuccess();
}

} // namespace velvo::testing

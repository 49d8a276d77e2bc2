#include "render/TrialExport.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <span>

#include "imaging/RasterImage.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"
#include "render/TrialRenderer.h"

namespace velvo::render {

namespace {

constexpr int kSheetDpi = 300;
constexpr int kJpegQuality = 92;

void writeAtomic(const QString& file, const QByteArray& bytes) {
    imaging::writeFileAtomic(file.toStdString(),
                             std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                                      size_t(bytes.size())));
}

// The columns that give each try the largest picture on the page.
int bestColumns(int count, QSizeF page, QSizeF tryShape, double gap) {
    int best = 1;
    double bestScale = 0;
    for (int columns = 1; columns <= count; ++columns) {
        const int rows = (count + columns - 1) / columns;
        const double cellW = (page.width() - gap * (columns - 1)) / columns;
        const double cellH = (page.height() - gap * (rows - 1)) / rows;
        const double scale = std::min(cellW / tryShape.width(), cellH / tryShape.height());
        if (scale > bestScale)
            bestScale = scale, best = columns;
    }
    return best;
}

} // namespace

QSize ExportSize(const TrialRenderer& renderer, int longSide) {
    const QRectF region = renderer.ClientRegion();
    const QSize native = renderer.NativeSize(region);
    if (region.isEmpty())
        return {};
    // Never finer than the photo holds, nor smaller than the window showed it.
    const int windowLong = int(std::ceil(std::max(region.width(), region.height())));
    const int most = std::max({1, windowLong, std::min(longSide, std::max(native.width(), native.height()))});
    const double scale = most / std::max(region.width(), region.height());
    return QSize(std::max(1, int(std::lround(region.width() * scale))),
                 std::max(1, int(std::lround(region.height() * scale))));
}

void ExportTrial(const trial::Trial& trial, const QString& file, int longSide) {
    const QString suffix = QFileInfo(file).suffix().toLower();
    const bool jpeg = suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
    if (!jpeg && suffix != QLatin1String("png"))
        throw Error(file.toStdString(), "a try is exported as a JPEG (.jpg) or PNG (.png) picture");
    const TrialRenderer renderer(trial, trial.hairFile);
    const QImage picture = renderer.Render(renderer.ClientRegion(), ExportSize(renderer, longSide));
    if (picture.isNull())
        throw Error(file.toStdString(), "the try has nothing to show");
    const imaging::Raster raster = imaging::toRaster(picture);
    const std::vector<uint8_t> bytes = jpeg ? imaging::encodeJpeg(raster, kJpegQuality) : imaging::encodePng(raster);
    imaging::writeFileAtomic(file.toStdString(), bytes);
}

void ExportSheet(const std::vector<trial::Trial>& trials, const QString& file, const QDate& date) {
    if (trials.empty())
        throw Error(file.toStdString(), "there is no try to put on the sheet");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(kSheetDpi);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(12, 12, 12, 12),
                                      QPageLayout::Millimeter));
        pdf.setTitle(QFileInfo(file).completeBaseName());
        QPainter painter;
        if (!painter.begin(&pdf))
            throw Error(file.toStdString(), "cannot lay out the sheet");
        const QRectF page(QPointF(0, 0), QSizeF(pdf.width(), pdf.height()));

        // The heading: the client where the tries came from a record, and the day.
        QString heading = date.toString(QStringLiteral("dd/MM/yyyy"));
        for (const trial::Trial& t : trials)
            if (!t.clientName.isEmpty()) {
                heading = t.clientName + QStringLiteral("  \u2014  ") + heading;
                break;
            }
        QFont font = painter.font();
        font.setPointSizeF(14);
        painter.setFont(font);
        const double headingHeight = painter.fontMetrics().height() * 1.8;
        painter.drawText(QRectF(page.left(), page.top(), page.width(), headingHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, heading);

        const double gap = kSheetDpi / 10.0; // 2.5 mm
        const QRectF area(page.left(), page.top() + headingHeight, page.width(), page.height() - headingHeight);
        const QSizeF shape(trials.front().clientSize.isEmpty() ? QSizeF(241, 313) : QSizeF(trials.front().clientSize));
        const int count = int(trials.size());
        const int columns = bestColumns(count, area.size(), shape, gap);
        const int rows = (count + columns - 1) / columns;
        const QSizeF cell((area.width() - gap * (columns - 1)) / columns, (area.height() - gap * (rows - 1)) / rows);
        for (int i = 0; i < count; ++i) {
            const TrialRenderer renderer(trials[size_t(i)], trials[size_t(i)].hairFile);
            const QRectF region = renderer.ClientRegion();
            const double scale = std::min(cell.width() / region.width(), cell.height() / region.height());
            // At the sheet's own dots, never finer than the photo holds.
            const QSize native = renderer.NativeSize(region);
            const QSize drawn(int(region.width() * scale), int(region.height() * scale));
            const QSize size = drawn.width() <= native.width() ? drawn : native;
            const QPointF corner(area.left() + (i % columns) * (cell.width() + gap),
                                 area.top() + (i / columns) * (cell.height() + gap));
            const QRectF target(corner + QPointF((cell.width() - drawn.width()) / 2, 0), QSizeF(drawn));
            painter.drawImage(target, renderer.Render(region, size.isEmpty() ? drawn : size));
        }
        if (!painter.end())
            throw Error(file.toStdString(), "cannot lay out the sheet");
    }
    buffer.close();
    writeAtomic(file, bytes);
}

} // namespace velvo::render

#include "render/TrialRenderer.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "fit/FramedRender.h"
#include "fit/Framing.h"
#include "render/TrialHair.h"

namespace velvo::render {

namespace {

// Below this many source pixels per drawn pixel the painter's bilinear filter is enough; above
// it, it would skip source pixels and the picture would sparkle, so the source is first reduced
// by averaging.
constexpr double kMostDirectReduction = 1.5;

// Draws `source` (or its part `from`) into `target` (device pixels, fractional), smoothly.
void drawSmooth(QPainter& painter, const QRectF& target, const QImage& source, QRect from) {
    if (source.isNull() || from.isEmpty() || target.isEmpty())
        return;
    const double reduction = std::max(from.width() / target.width(), from.height() / target.height());
    if (reduction > kMostDirectReduction) {
        const QSize to(std::max(1, int(std::ceil(target.width()))), std::max(1, int(std::ceil(target.height()))));
        const QImage part = from == source.rect() ? source : source.copy(from);
        const QImage reduced = part.scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(target, reduced, reduced.rect());
    } else {
        painter.drawImage(target, source, from);
    }
}

} // namespace

QString MasterFileFor(const QString& hairFile) {
    if (hairFile.isEmpty())
        return {};
    const QFileInfo info(hairFile);
    const QString base = info.completeBaseName();
    const QDir dir = info.dir();
    for (const QString& name : {base + QStringLiteral(".png"), base + QStringLiteral(".PNG")})
        if (QFileInfo(dir.filePath(name)).isFile())
            return dir.filePath(name);
    // Name filters match in any case, so "3.Png" is found too.
    const QStringList found = dir.entryList({base + QStringLiteral(".png")}, QDir::Files);
    for (const QString& name : found)
        if (name.compare(base + QStringLiteral(".png"), Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    return {};
}

TrialRenderer::TrialRenderer(const trial::Trial& trial, const QString& hairFile) : trial_(trial) {
    TrialHair hair = prepareTrialHair(trial_, hairFile);
    hair_ = std::move(hair.picture);
    usesMaster_ = hair.fromMaster;
    masterProblem_ = std::move(hair.problem);
    const QSize drawn = OverlaySize();
    hairScale_ = drawn.width() > 0 && !hair_.isNull() ? double(hair_.width()) / drawn.width() : 1;
}

QSize TrialRenderer::OverlaySize() const {
    return trial_.overlaySize.isEmpty() ? trial_.overlay.size() : trial_.overlaySize;
}

QRectF TrialRenderer::ClientRegion() const {
    return QRectF(QPointF(0, 0), QSizeF(trial_.clientSize));
}

QSize TrialRenderer::NativeSize(const QRectF& region) const {
    const QImage& photo = trial_.photo;
    const int zoomed = fit::zoomedLength(photo.width(), trial_.zoom);
    // Photo pixels per client pixel: the zoom as the view draws it, after its rounding.
    const double perClient = zoomed > 0 ? double(photo.width()) / zoomed : 1;
    return QSize(std::max(1, int(std::lround(region.width() * perClient))),
                 std::max(1, int(std::lround(region.height() * perClient))));
}

bool TrialRenderer::UsesMaster() const {
    return usesMaster_;
}

QString TrialRenderer::MasterProblem() const {
    return masterProblem_;
}

QImage TrialRenderer::Render(const QRectF& region, QSize size, Layers layers) const {
    QImage out(size, QImage::Format_RGB32);
    if (out.isNull() || region.isEmpty())
        return out;
    const imaging::Bgr window = fit::kWindowColour;
    out.fill(QColor(window.r, window.g, window.b));
    const double sx = size.width() / region.width(), sy = size.height() / region.height();
    // Client coordinates to output pixels.
    const auto toOutput = [&](const QRectF& client) {
        return QRectF((client.x() - region.x()) * sx, (client.y() - region.y()) * sy, client.width() * sx,
                      client.height() * sy);
    };
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    const QImage& photo = trial_.photo;
    if (!photo.isNull() && trial_.zoom > 0) {
        // The view draws the photo top-left aligned at its rounded zoomed size.
        const double zw = fit::zoomedLength(photo.width(), trial_.zoom);
        const double zh = fit::zoomedLength(photo.height(), trial_.zoom);
        const QRectF shown = QRectF(-trial_.viewX, -trial_.viewY, zw, zh).intersected(region);
        if (!shown.isEmpty()) {
            // The photo pixels under the region, whole, with one more on each side for the filter.
            const double px = photo.width() / zw, py = photo.height() / zh;
            const QRect from = QRect(QPoint(int(std::floor((shown.left() + trial_.viewX) * px)) - 1,
                                            int(std::floor((shown.top() + trial_.viewY) * py)) - 1),
                                     QPoint(int(std::ceil((shown.right() + trial_.viewX) * px)),
                                            int(std::ceil((shown.bottom() + trial_.viewY) * py))))
                                   .intersected(photo.rect());
            const QRectF fromClient(from.x() / px - trial_.viewX, from.y() / py - trial_.viewY,
                                    from.width() / px, from.height() / py);
            painter.save();
            painter.setClipRect(toOutput(shown));
            drawSmooth(painter, toOutput(fromClient), photo, from);
            painter.restore();
        }
    }

    if (layers == Layers::PhotoAndHair && !hair_.isNull()) {
        const QSize drawn = OverlaySize();
        const QRectF place(trial_.left, trial_.top, drawn.width(), drawn.height());
        if (!place.intersected(region).isEmpty())
            drawSmooth(painter, toOutput(place), hair_, hair_.rect());
    }
    painter.end();
    return out;
}

} // namespace velvo::render

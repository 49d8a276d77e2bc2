#include "render/TrialRenderer.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <vector>

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

// `photo` reduced by a whole `factor`, each pixel the mean of the factor x factor block it
// stands for (the last row and column of blocks may be partial), as 32-bit RGB. One pass over
// a 24-bit photo: reducing a 12-megapixel photo through a general smooth scale first converts
// and copies all of it, which costs most of a presentation frame.
QImage boxReduced(const QImage& photo, int factor) {
    const QImage bgr = photo.format() == QImage::Format_BGR888 ? photo : photo.convertToFormat(QImage::Format_BGR888);
    const int w = bgr.width(), h = bgr.height();
    const int ow = (w + factor - 1) / factor, oh = (h + factor - 1) / factor;
    QImage out(ow, oh, QImage::Format_RGB32);
    std::vector<uint32_t> sums(size_t(ow) * 3);
    for (int oy = 0; oy < oh; ++oy) {
        std::fill(sums.begin(), sums.end(), 0u);
        const int y0 = oy * factor, y1 = std::min(h, y0 + factor);
        for (int y = y0; y < y1; ++y) {
            const uchar* in = bgr.constScanLine(y);
            uint32_t* s = sums.data();
            for (int ox = 0; ox < ow; ++ox, s += 3) {
                const int n = std::min(factor, w - ox * factor);
                uint32_t b = 0, g = 0, r = 0;
                for (int i = 0; i < n; ++i, in += 3)
                    b += in[0], g += in[1], r += in[2];
                s[0] += b, s[1] += g, s[2] += r;
            }
        }
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(oy));
        const uint32_t rows = uint32_t(y1 - y0);
        for (int ox = 0; ox < ow; ++ox) {
            const uint32_t n = rows * uint32_t(std::min(factor, w - ox * factor));
            const uint32_t* s = &sums[size_t(ox) * 3];
            row[ox] = qRgb(int((s[2] + n / 2) / n), int((s[1] + n / 2) / n), int((s[0] + n / 2) / n));
        }
    }
    return out;
}

// The reductions made lately, by photo and factor: the next try of the same photo (the
// presentation steps through them, the sheet draws them all) starts from the same one.
QImage reducedPhoto(const QImage& photo, int factor) {
    struct Entry {
        qint64 key;
        int factor;
        QImage picture;
    };
    static std::mutex guard;
    static std::deque<Entry> kept;
    constexpr size_t kKept = 3;
    {
        const std::lock_guard lock(guard);
        for (const Entry& e : kept)
            if (e.key == photo.cacheKey() && e.factor == factor)
                return e.picture;
    }
    QImage reduced = boxReduced(photo, factor);
    const std::lock_guard lock(guard);
    kept.push_front({photo.cacheKey(), factor, reduced});
    if (kept.size() > kKept)
        kept.pop_back();
    return reduced;
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
    if (size.isEmpty() || region.isEmpty())
        return QImage(size, QImage::Format_RGB32);
    const double sx = size.width() / region.width(), sy = size.height() / region.height();
    // Client coordinates to output pixels.
    const auto toOutput = [&](const QRectF& client) {
        return QRectF((client.x() - region.x()) * sx, (client.y() - region.y()) * sy, client.width() * sx,
                      client.height() * sy);
    };
    if (photoLayer_.picture.isNull() || photoLayer_.region != region || photoLayer_.size != size)
        photoLayer_ = {region, size, DrawPhoto(region, size)};
    QImage out = photoLayer_.picture;
    if (layers == Layers::PhotoAndHair && !hair_.isNull()) {
        const QSize drawn = OverlaySize();
        const QRectF place(trial_.left, trial_.top, drawn.width(), drawn.height());
        if (!place.intersected(region).isEmpty()) {
            QPainter painter(&out);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            drawSmooth(painter, toOutput(place), hair_, hair_.rect());
        }
    }
    return out;
}

QImage TrialRenderer::DrawPhoto(const QRectF& region, QSize size) const {
    QImage out(size, QImage::Format_RGB32);
    const imaging::Bgr window = fit::kWindowColour;
    out.fill(QColor(window.r, window.g, window.b));
    const QImage& photo = trial_.photo;
    if (photo.isNull() || trial_.zoom <= 0)
        return out;
    const double sx = size.width() / region.width(), sy = size.height() / region.height();
    const auto toOutput = [&](const QRectF& client) {
        return QRectF((client.x() - region.x()) * sx, (client.y() - region.y()) * sy, client.width() * sx,
                      client.height() * sy);
    };
    // The view draws the photo top-left aligned at its rounded zoomed size.
    const double zw = fit::zoomedLength(photo.width(), trial_.zoom);
    const double zh = fit::zoomedLength(photo.height(), trial_.zoom);
    const QRectF shown = QRectF(-trial_.viewX, -trial_.viewY, zw, zh).intersected(region);
    if (shown.isEmpty())
        return out;
    // Reduced by whole blocks first where the output is at least twice as coarse as the photo,
    // then filtered the rest of the way.
    const double reduction = std::min(photo.width() / zw / sx, photo.height() / zh / sy);
    const int factor = std::max(1, int(std::floor(reduction)));
    const QImage source = factor > 1 ? reducedPhoto(photo, factor) : photo;
    // Source pixels per client pixel; block j of the reduction starts at photo pixel j * factor.
    const double px = photo.width() / zw / factor, py = photo.height() / zh / factor;
    // The source pixels under the region, whole, with one more on each side for the filter.
    const QRect from = QRect(QPoint(int(std::floor((shown.left() + trial_.viewX) * px)) - 1,
                                    int(std::floor((shown.top() + trial_.viewY) * py)) - 1),
                             QPoint(int(std::ceil((shown.right() + trial_.viewX) * px)),
                                    int(std::ceil((shown.bottom() + trial_.viewY) * py))))
                           .intersected(source.rect());
    const QRectF fromClient(from.x() / px - trial_.viewX, from.y() / py - trial_.viewY, from.width() / px,
                            from.height() / py);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRect(toOutput(shown));
    drawSmooth(painter, toOutput(fromClient), source, from);
    return out;
}

} // namespace velvo::render

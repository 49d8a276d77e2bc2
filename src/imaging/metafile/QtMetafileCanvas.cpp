#include "imaging/metafile/QtMetafileCanvas.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/codecs/Error.h"
#include "imaging/codecs/MetafileReader.h"
#include "imaging/metafile/MetafileRenderer.h"

namespace velvo::imaging {

namespace metafile {

namespace {
// Clip outlines are combined with boolean path operations whose cost grows with the number of
// elements; beyond this the clip is left as it is.
constexpr int kMaxClipElements = 20000;

QColor toQColor(Bgr c) {
    return QColor(c.r, c.g, c.b);
}

QPainterPath toQPath(const Path& path, FillRule rule = FillRule::Winding) {
    QPainterPath q;
    q.setFillRule(rule == FillRule::Alternate ? Qt::OddEvenFill : Qt::WindingFill);
    const auto& pts = path.points();
    size_t k = 0;
    for (Path::Op op : path.ops()) {
        switch (op) {
        case Path::Op::Move: q.moveTo(pts[k].x, pts[k].y), k += 1; break;
        case Path::Op::Line: q.lineTo(pts[k].x, pts[k].y), k += 1; break;
        case Path::Op::Cubic:
            q.cubicTo(pts[k].x, pts[k].y, pts[k + 1].x, pts[k + 1].y, pts[k + 2].x, pts[k + 2].y);
            k += 3;
            break;
        case Path::Op::Close: q.closeSubpath(); break;
        }
    }
    return q;
}
} // namespace

QtMetafileCanvas::~QtMetafileCanvas() {
    if (painter_.isActive())
        painter_.end();
}

void QtMetafileCanvas::begin(int width, int height) {
    image_ = QImage(width, height, QImage::Format_RGB32);
    if (image_.isNull())
        throw Error("", "not enough memory for a " + std::to_string(width) + " x " +
                            std::to_string(height) + " picture");
    image_.fill(Qt::white);
    painter_.begin(&image_);
    painter_.setRenderHint(QPainter::Antialiasing);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
}

void QtMetafileCanvas::fill(const Path& path, const Brush& brush, FillRule rule) {
    const QPainterPath q = toQPath(path, rule);
    if (brush.hatched) {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern,  Qt::VerPattern,   Qt::FDiagPattern,
                                                 Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        if (brush.opaqueBackground)
            painter_.fillPath(q, toQColor(brush.background));
        painter_.fillPath(q, QBrush(toQColor(brush.color), hatches[std::clamp(brush.hatch, 0, 5)]));
    } else {
        painter_.fillPath(q, toQColor(brush.color));
    }
}

void QtMetafileCanvas::stroke(const Path& path, const Pen& pen) {
    QPen q(toQColor(pen.color));
    q.setWidthF(pen.width);
    switch (pen.style) {
    case PenStyle::Dash: q.setStyle(Qt::DashLine); break;
    case PenStyle::Dot: q.setStyle(Qt::DotLine); break;
    case PenStyle::DashDot: q.setStyle(Qt::DashDotLine); break;
    case PenStyle::DashDotDot: q.setStyle(Qt::DashDotDotLine); break;
    case PenStyle::Solid: break;
    }
    q.setCapStyle(pen.cap == LineCap::Square ? Qt::SquareCap : pen.cap == LineCap::Flat ? Qt::FlatCap : Qt::RoundCap);
    q.setJoinStyle(pen.join == LineJoin::Bevel ? Qt::BevelJoin : pen.join == LineJoin::Miter ? Qt::MiterJoin : Qt::RoundJoin);
    painter_.strokePath(toQPath(path), q);
}

bool QtMetafileCanvas::text(const Text& text, double& advance) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    QFont font(QString::fromStdString(text.family));
    font.setPixelSize(std::max(1, int(std::lround(text.pixelHeight))));
    if (!text.emHeight) {
        // The height asked for is the whole character cell; the font's size is its em.
        const QFontMetricsF probe(font);
        const double cell = probe.ascent() + probe.descent();
        if (cell > 0)
            font.setPixelSize(std::max(1, int(std::lround(text.pixelHeight * text.pixelHeight / cell))));
    }
    font.setWeight(QFont::Weight(std::clamp(text.weight, 1, 1000)));
    font.setItalic(text.italic);
    font.setUnderline(text.underline);
    font.setStrikeOut(text.strikeOut);
    const QString str = QString::fromUtf16(text.text.data(), qsizetype(text.text.size()));
    const QFontMetricsF fm(font);
    const double w = fm.horizontalAdvance(str);
    double x = 0, y = 0;
    if (text.hAlign == HAlign::Center)
        x = -w / 2;
    else if (text.hAlign == HAlign::Right)
        x = -w;
    if (text.vAlign == VAlign::Top)
        y = fm.ascent();
    else if (text.vAlign == VAlign::Bottom)
        y = -fm.descent();
    painter_.save();
    painter_.translate(text.reference.x, text.reference.y);
    if (text.angle != 0)
        painter_.rotate(-text.angle);
    if (text.opaque)
        painter_.fillRect(QRectF(x, y - fm.ascent(), w, fm.ascent() + fm.descent()), toQColor(text.background));
    painter_.setFont(font);
    painter_.setPen(toQColor(text.color));
    painter_.drawText(QPointF(x, y), str);
    painter_.restore();
    advance = w;
    return true;
}

void QtMetafileCanvas::image(const Raster& picture, int srcX, int srcY, int srcW, int srcH,
                             Point topLeft, Point topRight, Point bottomLeft, BlitMode mode) {
    QImage part(srcW, srcH, QImage::Format_RGB888);
    for (int y = 0; y < srcH; ++y) {
        const uint8_t* from = picture.row(srcY + y) + size_t(srcX) * 3;
        uint8_t* to = part.scanLine(y);
        for (int x = 0; x < srcW; ++x, from += 3, to += 3)
            to[0] = from[2], to[1] = from[1], to[2] = from[0];
    }
    const QTransform t((topRight.x - topLeft.x) / srcW, (topRight.y - topLeft.y) / srcW,
                       (bottomLeft.x - topLeft.x) / srcH, (bottomLeft.y - topLeft.y) / srcH,
                       topLeft.x, topLeft.y);
    painter_.save();
    painter_.setTransform(t);
    switch (mode) {
    case BlitMode::And: painter_.setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;
    case BlitMode::Or: painter_.setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;
    case BlitMode::Xor: painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
    case BlitMode::Copy: break;
    }
    painter_.drawImage(QPointF(0, 0), part);
    painter_.restore();
}

void QtMetafileCanvas::clip(const Path& path, ClipOp op) {
    QPainterPath p = toQPath(path);
    QPainterPath all;
    all.addRect(QRectF(-1, -1, image_.width() + 2, image_.height() + 2));
    const QPainterPath base = clipped_ ? clip_ : all;
    if (base.elementCount() + p.elementCount() > kMaxClipElements)
        return;
    switch (op) {
    case ClipOp::Intersect: clip_ = base.intersected(p); break;
    case ClipOp::Exclude: clip_ = base.subtracted(p); break;
    case ClipOp::Unite:
        if (!clipped_)
            return;
        clip_ = base.united(p);
        break;
    case ClipOp::Xor: clip_ = base.subtracted(p).united(p.subtracted(base)); break;
    case ClipOp::Replace: clip_ = p; break;
    }
    clipped_ = true;
    applyClip();
}

void QtMetafileCanvas::resetClip() {
    clipped_ = false;
    clip_ = QPainterPath();
    applyClip();
}

void QtMetafileCanvas::applyClip() {
    if (clipped_)
        painter_.setClipPath(clip_);
    else
        painter_.setClipping(false);
}

void QtMetafileCanvas::save() {
    saved_.emplace_back(clip_, clipped_);
}

void QtMetafileCanvas::restore() {
    if (saved_.empty())
        return;
    clip_ = saved_.back().first;
    clipped_ = saved_.back().second;
    saved_.pop_back();
    applyClip();
}

Raster QtMetafileCanvas::finish() {
    if (painter_.isActive())
        painter_.end();
    Raster out = Raster::create(image_.width(), image_.height(), "");
    for (int y = 0; y < image_.height(); ++y) {
        const QRgb* from = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
        uint8_t* to = out.row(y);
        for (int x = 0; x < image_.width(); ++x, to += 3)
            to[0] = uint8_t(qBlue(from[x])), to[1] = uint8_t(qGreen(from[x])), to[2] = uint8_t(qRed(from[x]));
    }
    return out;
}

} // namespace metafile

void installMetafileRenderer() {
    static const bool installed = [] {
        setMetafileCanvasFactory([] { return std::make_unique<metafile::QtMetafileCanvas>(); });
        return true;
    }();
    (void)installed;
}

} // namespace velvo::imaging

#include "imaging/TPictureView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "imaging/PolygonCopy.h"

namespace velvo::imaging {

namespace {
// round(size x zoom / 100), halves away from zero, in 64 bits so huge zooms cannot overflow.
int zoomed(int size, int zoom) {
    const int64_t v = (int64_t(size) * zoom + 50) / 100;
    return int(std::min<int64_t>(v, std::numeric_limits<int>::max() / 2));
}
} // namespace

TPictureView::TPictureView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void TPictureView::SetImage(const QImage& image) {
    SetImage(image, false);
}

void TPictureView::SetImage(const QImage& image, bool bilevel) {
    image_ = image.format() == QImage::Format_BGR888 || image.isNull()
                 ? image
                 : image.convertToFormat(QImage::Format_BGR888);
    // A picture that is not ours to keep (a clipboard or shared QImage) must not change
    // under the view when it is edited in place.
    image_.detach();
    bilevelKey_ = bilevel && !image_.isNull() ? image_.cacheKey() : 0;
    ImageChanged();
}

bool TPictureView::ImageIsBilevel() const {
    return bilevelKey_ != 0 && image_.cacheKey() == bilevelKey_;
}

void TPictureView::ImageChanged() {
    fitToImage();
    clampOffsets();
    update();
}

QSize TPictureView::zoomedSize() const {
    if (IsEmpty())
        return {0, 0};
    return {zoomed(image_.width(), zoom_), zoomed(image_.height(), zoom_)};
}

int TPictureView::MaxViewX() const {
    const QSize z = zoomedSize();
    if (width() >= z.width() && height() >= z.height())
        return 0;
    return std::max(0, z.width() - width());
}

int TPictureView::MaxViewY() const {
    const QSize z = zoomedSize();
    if (width() >= z.width() && height() >= z.height())
        return 0;
    return std::max(0, z.height() - height());
}

void TPictureView::clampOffsets() {
    viewX_ = std::clamp(viewX_, 0, MaxViewX());
    viewY_ = std::clamp(viewY_, 0, MaxViewY());
}

void TPictureView::fitToImage() {
    if (autoFit_ && !IsEmpty())
        resize(zoomedSize());
}

void TPictureView::SetZoom(int percent) {
    if (percent <= 0 || percent == zoom_)
        return;
    zoom_ = percent;
    fitToImage();
    clampOffsets();
    update();
    emit OnViewChange(1);
}

void TPictureView::SetViewX(int x) {
    if (x == viewX_)
        return;
    viewX_ = std::clamp(x, 0, MaxViewX());
    update();
    emit OnViewChange(0);
}

void TPictureView::SetViewY(int y) {
    if (y == viewY_)
        return;
    viewY_ = std::clamp(y, 0, MaxViewY());
    update();
    emit OnViewChange(0);
}

void TPictureView::SetScrollBars(ScrollBarsKind kind) {
    scrollBars_ = kind;
}

void TPictureView::SetAutoFit(bool on) {
    autoFit_ = on;
    ImageChanged();
}

void TPictureView::SetCenter(bool on) {
    center_ = on;
    update();
}

// Where the zoomed image's top-left lies in client pixels.
static QPoint imageOrigin(const TPictureView& v, QSize zoomedSize) {
    int x = -v.ViewX(), y = -v.ViewY();
    if (v.Center()) {
        if (zoomedSize.width() < v.width())
            x = (v.width() - zoomedSize.width()) / 2;
        if (zoomedSize.height() < v.height())
            y = (v.height() - zoomedSize.height()) / 2;
    }
    return {x, y};
}

QPointF TPictureView::ClientToImage(QPoint client) const {
    const QPoint o = imageOrigin(*this, zoomedSize());
    return {(client.x() - o.x()) * 100.0 / zoom_, (client.y() - o.y()) * 100.0 / zoom_};
}

QPoint TPictureView::ImageToClient(QPointF image) const {
    const QPoint o = imageOrigin(*this, zoomedSize());
    return {int(std::floor(image.x() * zoom_ / 100.0)) + o.x(),
            int(std::floor(image.y() * zoom_ / 100.0)) + o.y()};
}

void TPictureView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!IsEmpty()) {
        const QSize z = zoomedSize();
        const QRect target(imageOrigin(*this, z), z);
        if (zoom_ != 100)
            p.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 100);
        p.drawImage(target, image_);
    }
    const bool showOutline = (selectionVisible_ || drawingSelection_) && !selection_.isEmpty();
    if (showOutline) {
        QPolygon outline;
        for (const QPoint& pt : selection_)
            outline << ImageToClient(QPointF(pt) + QPointF(0.5, 0.5));
        if (drawingSelection_)
            outline << selectionHover_;
        // Black dashes over white stay visible on any photo.
        p.setPen(QPen(Qt::white, 1));
        drawingSelection_ ? p.drawPolyline(outline) : p.drawPolygon(outline);
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        drawingSelection_ ? p.drawPolyline(outline) : p.drawPolygon(outline);
    }
}

void TPictureView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    clampOffsets();
}

void TPictureView::SetSelectionPoints(const QPolygon& points) {
    selection_ = points;
    update();
}

void TPictureView::ClearSelection() {
    selectionVisible_ = false;
    drawingSelection_ = false;
    selection_.clear();
    update();
}

void TPictureView::SetSelectionVisible(bool visible) {
    selectionVisible_ = visible;
    update();
}

void TPictureView::PasteThroughPolygon(const QImage& source, const QPolygon& points,
                                       const QRect& target) {
    if (points.size() < 3)
        return;
    pasteThroughPolygon(image_, source, points, target);
    ImageChanged();
}

void TPictureView::CopyThroughPolygon(QImage& target, const QPolygon& points, QPoint source) const {
    copyThroughPolygon(image_, target, points, source);
}

// The selection is drawn with the left button: each click adds a corner, a double click
// closes the polygon. A new click after a closed polygon starts a new one.
void TPictureView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (mouseInteract_ & miSelect) {
        const QPointF ip = ClientToImage(event->position().toPoint());
        const QPoint corner(int(std::floor(ip.x())), int(std::floor(ip.y())));
        if (!drawingSelection_) {
            selection_.clear();
            selectionVisible_ = false;
            drawingSelection_ = true;
        }
        if (selection_.isEmpty() || selection_.last() != corner)
            selection_ << corner;
        selectionHover_ = event->position().toPoint();
        update();
    } else if (mouseInteract_ & miScroll) {
        dragging_ = true;
        dragStart_ = event->position().toPoint();
        dragStartView_ = {viewX_, viewY_};
    }
    QWidget::mousePressEvent(event);
}

void TPictureView::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        const QPoint d = event->position().toPoint() - dragStart_;
        SetViewX(dragStartView_.x() - d.x());
        SetViewY(dragStartView_.y() - d.y());
    } else if (drawingSelection_) {
        selectionHover_ = event->position().toPoint();
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void TPictureView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

void TPictureView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (drawingSelection_ && event->button() == Qt::LeftButton) {
        drawingSelection_ = false;
        if (selection_.size() >= 3) {
            selectionVisible_ = true;
            emit OnSelectionChange();
        } else {
            selection_.clear();
        }
        update();
        return;
    }
    // Not the base class: it would turn the double click into a press and start a new
    // polygon.
    event->ignore();
}

} // namespace velvo::imaging

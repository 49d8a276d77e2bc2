#include "document/THairOverlay.h"

#include <QMouseEvent>
#include <QPainter>

namespace velvo::document {

THairOverlay::THairOverlay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::PointingHandCursor);
}

void THairOverlay::SetPicture(const QImage& picture) {
    picture_ = picture.convertToFormat(QImage::Format_BGR888);
    if (autoSize_ && picture_.width() > 0 && picture_.height() > 0)
        resize(picture_.size());
    PictureChanged();
}

void THairOverlay::PictureChanged() {
    rebuildKeyed();
    update();
}

void THairOverlay::SetStretch(bool on) {
    if (stretch_ != on) {
        stretch_ = on;
        update();
    }
}

void THairOverlay::SetTransparent(bool on) {
    if (transparent_ != on) {
        transparent_ = on;
        PictureChanged();
    }
}

QColor THairOverlay::KeyColor() const {
    if (picture_.isNull())
        return {};
    return picture_.pixelColor(0, picture_.height() - 1);
}

void THairOverlay::rebuildKeyed() {
    if (picture_.isNull()) {
        keyed_ = QImage();
        return;
    }
    const int w = picture_.width(), h = picture_.height();
    keyed_ = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    const uchar* corner = picture_.constScanLine(h - 1);
    const uchar kb = corner[0], kg = corner[1], kr = corner[2];
    for (int y = 0; y < h; ++y) {
        const uchar* in = picture_.constScanLine(y);
        auto* out = reinterpret_cast<QRgb*>(keyed_.scanLine(y));
        for (int x = 0; x < w; ++x, in += 3) {
            const bool key = transparent_ && in[0] == kb && in[1] == kg && in[2] == kr;
            out[x] = key ? 0u : qRgb(in[2], in[1], in[0]);
        }
    }
}

void THairOverlay::paintEvent(QPaintEvent*) {
    if (keyed_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect target = stretch_ ? rect() : QRect(QPoint(0, 0), keyed_.size());
    painter.drawImage(target, keyed_);
}

void THairOverlay::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

void THairOverlay::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
}

void THairOverlay::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseUp(event->button(), event->modifiers(), event->position().toPoint());
}

} // namespace velvo::document

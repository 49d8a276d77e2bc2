#include "ui/TImageAspect.h"

#include <QPainter>
#include <QResizeEvent>

TImageAspect::TImageAspect(QWidget* parent) : QWidget(parent) {
    resize(32, 32);
}

void TImageAspect::SetPicture(const QImage& picture) {
    picture_ = picture;
    applyAutoSize();
    update();
}

void TImageAspect::SetBitmap(const QImage& image) {
    picture_ = image;
    update();
}

void TImageAspect::SetAutoSize(bool on) {
    autoSize_ = on;
    applyAutoSize();
}

void TImageAspect::applyAutoSize() {
    if (autoSize_ && !picture_.isNull())
        resize(picture_.size());
}

QRect TImageAspect::TargetRect(int w, int h, int pw, int ph) {
    if (pw <= 0 || ph <= 0)
        return {};
    const double sx = double(w) / pw;
    const double sy = double(h) / ph;
    if (sx > sy) {
        const int width = int(pw * sy);
        return {(w - width) / 2, 0, width, h};
    }
    const int height = int(ph * sx);
    return {0, (h - height) / 2, w, height};
}

void TImageAspect::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(TargetRect(width(), height(), picture_.width(), picture_.height()), picture_);
}

void TImageAspect::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Sized by hand: the picture no longer decides the size.
    if (autoSize_ && !picture_.isNull() && event->size() != picture_.size())
        autoSize_ = false;
    update();
}

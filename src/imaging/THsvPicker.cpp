#include "imaging/THsvPicker.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "imaging/ColorOps.h"

namespace velvo::imaging {

namespace {

// round(n / d) for n >= 0, halves away from zero; a zero divisor (a one-pixel extent) gives 0,
// so such an area counts as its starting edge.
int roundDiv(int n, int d) {
    return d > 0 ? (2 * n + d) / (2 * d) : 0;
}

// Pixel to model and back; the forward directions are also the press formulas.
int satAt(int x, int planeWidth) {
    return roundDiv(x * 99, planeWidth - 1);
}
int valAt(int y, int height) {
    return 99 - roundDiv(y * 99, height - 1);
}
int hueAt(int y, int height) {
    return 359 - roundDiv(y * 359, height - 1);
}

QRgb inverted(QRgb c) {
    return qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
}

constexpr int MarkerRadius = 3;

} // namespace

THsvPicker::THsvPicker(QWidget* parent)
    : QWidget(parent), background_(palette().color(QPalette::Window)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    recompute();
}

void THsvPicker::SetHue(int hue) {
    hue_ = std::clamp(hue, 0, 359);
    recompute();
    update();
}

void THsvPicker::SetSat(int sat) {
    sat_ = std::clamp(sat, 0, 99);
    recompute();
    update();
}

void THsvPicker::SetVal(int val) {
    val_ = std::clamp(val, 0, 99);
    recompute();
    update();
}

void THsvPicker::SetBackground(const QColor& color) {
    background_ = color;
    update();
}

QRect THsvPicker::PlaneRect() const {
    return {0, 0, std::max(0, width() - HueBarWidth - HueGap), height()};
}

QRect THsvPicker::HueBarRect() const {
    const int left = std::max(0, width() - HueBarWidth);
    return {left, 0, width() - left, height()};
}

QPoint THsvPicker::SatValPoint() const {
    const QRect r = PlaneRect();
    return {roundDiv(sat_ * (r.width() - 1), 99), roundDiv((99 - val_) * (r.height() - 1), 99)};
}

int THsvPicker::HueRow() const {
    return roundDiv((359 - hue_) * (height() - 1), 359);
}

void THsvPicker::recompute() {
    const Rgb c = hsvToRgb(hue_, sat_, val_);
    rgb_ = QColor(c.r, c.g, c.b);
}

bool THsvPicker::pick(Area area, QPoint p) {
    const int oldHue = hue_, oldSat = sat_, oldVal = val_;
    if (area == Area::Plane) {
        const QRect r = PlaneRect();
        const int x = std::clamp(p.x(), r.left(), r.right()) - r.left();
        const int y = std::clamp(p.y(), r.top(), r.bottom()) - r.top();
        sat_ = satAt(x, r.width());
        val_ = valAt(y, r.height());
    } else if (area == Area::HueBar) {
        const QRect r = HueBarRect();
        hue_ = hueAt(std::clamp(p.y(), r.top(), r.bottom()) - r.top(), r.height());
    }
    recompute();
    update();
    return hue_ != oldHue || sat_ != oldSat || val_ != oldVal;
}

const QImage& THsvPicker::plane() const {
    const QSize size = PlaneRect().size();
    if (planeHue_ == hue_ && plane_.size() == size)
        return plane_;
    planeHue_ = hue_;
    if (size.isEmpty()) {
        plane_ = QImage();
        return plane_;
    }
    plane_ = QImage(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(plane_.scanLine(y));
        const int val = valAt(y, size.height());
        for (int x = 0; x < size.width(); ++x) {
            const Rgb c = hsvToRgb(hue_, satAt(x, size.width()), val);
            line[x] = qRgb(c.r, c.g, c.b);
        }
    }
    return plane_;
}

const QImage& THsvPicker::hueBar() const {
    const QSize size = HueBarRect().size();
    if (hueBar_.size() == size)
        return hueBar_;
    if (size.isEmpty()) {
        hueBar_ = QImage();
        return hueBar_;
    }
    hueBar_ = QImage(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const Rgb c = hsvToRgb(hueAt(y, size.height()), 99, 99);
        auto* line = reinterpret_cast<QRgb*>(hueBar_.scanLine(y));
        std::fill(line, line + size.width(), qRgb(c.r, c.g, c.b));
    }
    return hueBar_;
}

void THsvPicker::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0)
        return;
    QImage face(size(), QImage::Format_RGB32);
    face.fill(background_);
    const QRect planeRect = PlaneRect(), barRect = HueBarRect();
    {
        QPainter p(&face);
        if (!planeRect.isEmpty())
            p.drawImage(planeRect.topLeft(), plane());
        if (!barRect.isEmpty())
            p.drawImage(barRect.topLeft(), hueBar());
    }
    // Markers invert what lies under them, so they stay visible on every colour.
    auto invert = [&face](const QRect& clip, int x, int y) {
        if (clip.contains(x, y))
            face.setPixel(x, y, inverted(face.pixel(x, y)));
    };
    const QPoint m = SatValPoint() + planeRect.topLeft();
    for (int x = m.x() - MarkerRadius; x <= m.x() + MarkerRadius; ++x) {
        invert(planeRect, x, m.y() - MarkerRadius);
        invert(planeRect, x, m.y() + MarkerRadius);
    }
    for (int y = m.y() - MarkerRadius + 1; y < m.y() + MarkerRadius; ++y) {
        invert(planeRect, m.x() - MarkerRadius, y);
        invert(planeRect, m.x() + MarkerRadius, y);
    }
    const int row = HueRow();
    for (int y = row - 1; y <= row + 1; ++y)
        for (int x = barRect.left(); x <= barRect.right(); ++x)
            invert(barRect, x, y);
    QPainter(this).drawImage(0, 0, face);
}

void THsvPicker::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    leftDown_ = true;
    const QPoint p = event->position().toPoint();
    dragArea_ = PlaneRect().contains(p)    ? Area::Plane
                : HueBarRect().contains(p) ? Area::HueBar
                                           : Area::None;
    if (dragArea_ == Area::None)
        return;
    pick(dragArea_, p);
    emit OnChange();
}

void THsvPicker::mouseMoveEvent(QMouseEvent* event) {
    if (!leftDown_ || dragArea_ == Area::None || !(event->buttons() & Qt::LeftButton))
        return;
    if (pick(dragArea_, event->position().toPoint()))
        emit OnChange();
}

void THsvPicker::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !leftDown_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    leftDown_ = false;
    dragArea_ = Area::None;
    if (rect().contains(event->position().toPoint()))
        emit OnClick();
}

} // namespace velvo::imaging

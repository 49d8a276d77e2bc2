#include "ui/TGradPan.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "ui/TFormAutoSize.h"

namespace {

const QColor BevelLight(255, 255, 255);
const QColor BevelShadow(128, 128, 128);

// `width` one-pixel rings from r inwards: top and left in `topLeft`, bottom and right in
// `bottomRight`, which also takes the top-right and bottom-left corners. Returns what is left.
QRect frame3D(QPainter& p, QRect r, const QColor& topLeft, const QColor& bottomRight, int width) {
    for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
        p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
        r.adjust(1, 1, -1, -1);
    }
    return r;
}

Qt::CursorShape cursorFor(TGradPan::HitZone zone) {
    switch (zone) {
    case TGradPan::htLeft:
    case TGradPan::htRight:
        return Qt::SizeHorCursor;
    case TGradPan::htTop:
    case TGradPan::htBottom:
        return Qt::SizeVerCursor;
    case TGradPan::htTopLeft:
    case TGradPan::htBottomRight:
        return Qt::SizeFDiagCursor;
    case TGradPan::htTopRight:
    case TGradPan::htBottomLeft:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace

TGradPan::TGradPan(QWidget* parent)
    : QWidget(parent), bitmap_(50, 50, QImage::Format_RGB32),
      color_(palette().color(QPalette::Window)) {
    bitmap_.fill(Qt::black);
    QPainter(&bitmap_).fillRect(1, 1, 48, 48, Qt::white);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGradPan::changed() {
    update();
}

void TGradPan::SetBitmap(const QImage& bitmap) {
    bitmap_ = bitmap;
    changed();
}

void TGradPan::SetBackGroundEffect(TDirection effect) {
    effect_ = effect;
    changed();
}

void TGradPan::SetColorStart(const QColor& color) {
    colorStart_ = color;
    changed();
}

void TGradPan::SetColorEnd(const QColor& color) {
    colorEnd_ = color;
    changed();
}

void TGradPan::SetColorShadow(const QColor& color) {
    colorShadow_ = color;
    changed();
}

void TGradPan::SetCtl3D(bool on) {
    ctl3D_ = on;
    changed();
}

void TGradPan::SetTextEffect(TTextEffect effect) {
    textEffect_ = effect;
    changed();
}

void TGradPan::SetTextRotation(TTextRotation rotation) {
    textRotation_ = rotation;
    changed();
}

void TGradPan::SetVertAlign(TVertAlign align) {
    vertAlign_ = align;
    changed();
}

void TGradPan::SetMarge(int marge) {
    marge_ = std::max(0, marge);
    changed();
}

void TGradPan::SetMoveable(bool on) {
    moveable_ = on;
    // Hovering shows the size cursors only while the panel can be sized.
    setMouseTracking(on);
    if (!on) {
        dragZone_ = htClient;
        unsetCursor();
    }
    changed();
}

void TGradPan::SetCaption(const QString& caption) {
    caption_ = caption;
    changed();
}

void TGradPan::SetAlignment(Qt::Alignment alignment) {
    alignment_ = alignment & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter);
    if (!alignment_)
        alignment_ = Qt::AlignHCenter;
    changed();
}

void TGradPan::SetBevelInner(TBevelCut cut) {
    bevelInner_ = cut;
    changed();
}

void TGradPan::SetBevelOuter(TBevelCut cut) {
    bevelOuter_ = cut;
    changed();
}

void TGradPan::SetBevelWidth(int width) {
    bevelWidth_ = std::max(1, width);
    changed();
}

void TGradPan::SetBorderWidth(int width) {
    borderWidth_ = std::max(0, width);
    changed();
}

void TGradPan::SetColor(const QColor& color) {
    color_ = color;
    changed();
}

std::array<QColor, 100> TGradPan::ColorTable(const QColor& from, const QColor& to) {
    // Exact integers: the numerator is never negative, so division truncates as intended.
    auto channel = [](int a, int b, int i) { return (100 * a + (b - a) * i) / 100; };
    std::array<QColor, 100> table;
    for (int i = 0; i < 100; ++i)
        table[size_t(i)] =
            QColor(channel(from.red(), to.red(), i), channel(from.green(), to.green(), i),
                   channel(from.blue(), to.blue(), i));
    return table;
}

TGradPan::HitZone TGradPan::HitTest(QPoint p) const {
    if (!moveable_)
        return htClient;
    const int m = marge_, w = width(), h = height(), x = p.x(), y = p.y();
    if (x < m)
        return y < m ? htTopLeft : h - y < m ? htBottomLeft : htLeft;
    if (w - x < m)
        return y < m ? htTopRight : h - y < m ? htBottomRight : htRight;
    if (y < m)
        return htTop;
    if (h - y < m)
        return htBottom;
    return htCaption;
}

void TGradPan::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    paintBackground(p);
    paintCaption(p);
    paintBevels(p);
}

void TGradPan::paintBackground(QPainter& p) {
    const int w = width(), h = height();
    // The plain panel under everything: what shows around an inset image.
    p.fillRect(rect(), color_);
    switch (effect_) {
    case bdFlat:
        p.fillRect(rect(), colorStart_);
        return;
    case bdStretchImage:
    case bdTileImage: {
        if (bitmap_.isNull() || bitmap_.width() <= 0 || bitmap_.height() <= 0) {
            p.fillRect(rect(), colorStart_);
            return;
        }
        const int a = ctl3D_ ? 2 * bevelWidth_ + borderWidth_ : 0;
        if (effect_ == bdStretchImage) {
            const QRect target(a, a, w - 2 * a - 1, h - 2 * a - 1);
            if (target.isValid())
                p.drawImage(target, bitmap_);
            return;
        }
        const int iw = bitmap_.width(), ih = bitmap_.height();
        const int columns = (w - 2 * a) / iw + 1, rows = (h - 2 * a) / ih + 1;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                p.drawImage(a + c * iw, a + r * ih, bitmap_);
        return;
    }
    default:
        break;
    }
    const bool reversed =
        effect_ == bdDown || effect_ == bdRight || effect_ == bdHorzOut || effect_ == bdVertOut;
    const auto table =
        reversed ? ColorTable(colorEnd_, colorStart_) : ColorTable(colorStart_, colorEnd_);
    // Bands side by side across the width, or stacked down the height.
    const bool across =
        effect_ == bdLeft || effect_ == bdRight || effect_ == bdVertIn || effect_ == bdVertOut;
    // The "in/out" kinds reach the far colour in the middle and come back.
    const bool mirrored =
        effect_ == bdHorzIn || effect_ == bdHorzOut || effect_ == bdVertIn || effect_ == bdVertOut;
    const int extent = across ? w : h;
    for (int k = 0; k < 100; ++k) {
        const int from = TFormAutoSize::MulDiv(k, extent, 100);
        const int to = TFormAutoSize::MulDiv(k + 1, extent, 100);
        if (to <= from)
            continue;
        const int entry = !mirrored ? k : k < 50 ? 2 * k + 1 : 198 - 2 * k;
        const QRect band = across ? QRect(from, 0, to - from, h) : QRect(0, from, w, to - from);
        p.fillRect(band, table[size_t(entry)]);
    }
}

void TGradPan::paintCaption(QPainter& p) {
    if (caption_.isEmpty())
        return;
    const QFontMetrics fm(font());
    const int textWidth = fm.horizontalAdvance(caption_), textHeight = fm.height();
    const bool rotated = textRotation_ != trNone;
    // The box the (possibly rotated) text covers on screen, placed by Alignment and VertAlign.
    const int boxWidth = rotated ? textHeight : textWidth;
    const int boxHeight = rotated ? textWidth : textHeight;
    const int margin = borderWidth_ + bevelWidth_ + 2;
    const int x = alignment_ & Qt::AlignLeft    ? margin
                  : alignment_ & Qt::AlignRight ? width() - margin - boxWidth
                                                : (width() - boxWidth) / 2;
    const int y = vertAlign_ == vlTop      ? margin
                  : vertAlign_ == VlBottom ? height() - margin - boxHeight
                                           : (height() - boxHeight) / 2;
    // Baseline origin and angle: TrUp reads bottom to top, TrDown top to bottom.
    QPoint origin(x, y + fm.ascent());
    qreal angle = 0;
    if (textRotation_ == TrUp)
        origin = {x + fm.ascent(), y + boxHeight}, angle = -90;
    else if (textRotation_ == TrDown)
        origin = {x + fm.descent(), y}, angle = 90;

    auto draw = [&](int dx, int dy, const QColor& color) {
        p.save();
        p.translate(origin + QPoint(dx, dy));
        p.rotate(angle);
        p.setPen(color);
        p.drawText(0, 0, caption_);
        p.restore();
    };
    const QColor text = palette().color(QPalette::WindowText);
    switch (textEffect_) {
    case tenone:
        break;
    case teShadow:
        draw(1, 1, colorShadow_);
        break;
    case teRaised:
    case teLowered: {
        const bool raised = textEffect_ == teRaised;
        const QColor upperLeft = raised ? colorShadow_ : QColor(Qt::black);
        const QColor lowerRight = raised ? QColor(Qt::black) : colorShadow_;
        draw(-1, 0, upperLeft);
        draw(0, -1, upperLeft);
        draw(1, 0, lowerRight);
        draw(0, 1, lowerRight);
        break;
    }
    case teEmbossed:
        draw(-1, 0, colorShadow_);
        draw(1, 0, colorShadow_);
        draw(0, -1, colorShadow_);
        draw(0, 1, colorShadow_);
        break;
    }
    draw(0, 0, text);
}

void TGradPan::paintBevels(QPainter& p) {
    auto colours = [](TBevelCut cut) {
        return cut == bvRaised ? std::pair(BevelLight, BevelShadow)
                               : std::pair(BevelShadow, BevelLight);
    };
    QRect r = rect();
    if (bevelOuter_ != bvNone) {
        const auto [topLeft, bottomRight] = colours(bevelOuter_);
        r = frame3D(p, r, topLeft, bottomRight, bevelWidth_);
    }
    if (bevelInner_ == bvNone)
        return;
    if (ctl3D_)
        frame3D(p, r, color_, color_, borderWidth_);
    r.adjust(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
    const auto [topLeft, bottomRight] = colours(bevelInner_);
    frame3D(p, r, topLeft, bottomRight, bevelWidth_);
}

void TGradPan::moveEvent(QMoveEvent* event) {
    // Qt also sends move events that leave the position as it was (at showing, with some
    // resizes), and delivers moves made while hidden only at the next showing.
    if (pos() != reportedPos_) {
        reportedPos_ = pos();
        emit OnPanelMove();
    }
    QWidget::moveEvent(event);
}

QPoint TGradPan::pointerInParent(QPointF global) const {
    const QWidget* parent = parentWidget();
    if (!parent || isWindow())
        return global.toPoint();
    // As a window's move loop confines the pointer to the parent, the panel cannot be dragged
    // out of reach.
    const QPoint p = parent->mapFromGlobal(global.toPoint());
    return {std::clamp(p.x(), 0, std::max(0, parent->width() - 1)),
            std::clamp(p.y(), 0, std::max(0, parent->height() - 1))};
}

void TGradPan::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && moveable_) {
        const HitZone zone = HitTest(event->position().toPoint());
        if (zone != htClient) {
            dragZone_ = zone;
            dragStart_ = pointerInParent(event->globalPosition());
            dragGeometry_ = geometry();
            setCursor(cursorFor(zone));
            event->accept();
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void TGradPan::mouseMoveEvent(QMouseEvent* event) {
    if (dragZone_ == htClient || !(event->buttons() & Qt::LeftButton)) {
        dragZone_ = htClient;
        if (moveable_)
            setCursor(cursorFor(HitTest(event->position().toPoint())));
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint d = pointerInParent(event->globalPosition()) - dragStart_;
    QRect g = dragGeometry_;
    if (dragZone_ == htCaption) {
        move(g.topLeft() + d);
        return;
    }
    // A panel already below the minimum is not made to jump to it.
    const int minWidth = std::min(2 * marge_ + 1, g.width());
    const int minHeight = std::min(2 * marge_ + 1, g.height());
    const HitZone z = dragZone_;
    if (z == htLeft || z == htTopLeft || z == htBottomLeft)
        g.setLeft(std::min(g.left() + d.x(), g.right() - minWidth + 1));
    if (z == htRight || z == htTopRight || z == htBottomRight)
        g.setRight(std::max(g.right() + d.x(), g.left() + minWidth - 1));
    if (z == htTop || z == htTopLeft || z == htTopRight)
        g.setTop(std::min(g.top() + d.y(), g.bottom() - minHeight + 1));
    if (z == htBottom || z == htBottomLeft || z == htBottomRight)
        g.setBottom(std::max(g.bottom() + d.y(), g.top() + minHeight - 1));
    setGeometry(g);
}

void TGradPan::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragZone_ != htClient) {
        dragZone_ = htClient;
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

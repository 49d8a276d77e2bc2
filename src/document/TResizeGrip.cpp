#include "document/TResizeGrip.h"

#include "imaging/codecs/Error.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

namespace velvo::document {

namespace {

constexpr int kDetachedSize = 24;
constexpr int kCornerHandle = 10;
constexpr int kEdgeHandle = 5;
// The grip's bounds around a single control: 2 before it, 3 after it.
constexpr int kLead = 2;
constexpr int kTrail = 3;
constexpr int kMinFrame = kLead + kTrail;

// Where a drag will put the framed control: a dotted outline over the parent that takes no
// mouse input. Hiding it restores what it covered exactly.
class RubberBandOutline : public QWidget {
public:
    explicit RubberBandOutline(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect outline = rect().adjusted(0, 0, -1, -1);
        // Black under white dots stays visible on light and dark pictures alike.
        painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
        painter.drawRect(outline);
        painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
        painter.drawRect(outline);
    }
};

bool isArrowKey(int key) {
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

Qt::CursorShape zoneCursor(int zone) {
    switch (zone) {
    case 1:
    case 4:
        return Qt::SizeFDiagCursor;
    case 2:
    case 3:
        return Qt::SizeBDiagCursor;
    case 5:
    case 7:
        return Qt::SizeVerCursor;
    case 6:
    case 8:
        return Qt::SizeHorCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// The zone of a point in a client rectangle of w x h; later tests win over earlier ones.
int zoneAt(QPoint p, int w, int h) {
    const int x = p.x(), y = p.y();
    const double midX = w / 2.0, midY = h / 2.0;
    int zone = 0;
    if (std::abs(x) < 10 && std::abs(y) < 10)
        zone = 1;
    if (std::abs(x - w) < 10 && std::abs(y - h) < 10)
        zone = 4;
    if (std::abs(x - w) < 10 && std::abs(y) < 10)
        zone = 2;
    if (std::abs(x) < 10 && std::abs(y - h) < 10)
        zone = 3;
    if (std::abs(x - midX) < 3 && std::abs(y) < 5)
        zone = 5;
    if (std::abs(x - midX) < 3 && std::abs(y - h) < 5)
        zone = 7;
    if (std::abs(y - midY) < 3 && std::abs(x) < 5)
        zone = 6;
    if (std::abs(y - midY) < 3 && std::abs(x - w) < 5)
        zone = 8;
    return zone;
}

QRect framedArea(const QWidget* control) {
    return control->geometry().adjusted(-kLead, -kLead, kLead, kLead);
}

} // namespace

TResizeGrip::TResizeGrip(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    // Zones and cursors follow the mouse with no button held.
    setMouseTracking(true);
    resize(kDetachedSize, kDetachedSize);
    setEnabled(false);
    hide();
}

TResizeGrip::~TResizeGrip() {
    delete band_;
}

void TResizeGrip::SetColor(const QColor& color) {
    color_ = color;
    update();
}

void TResizeGrip::SetSecondaryColor(const QColor& color) {
    secondaryColor_ = color;
    update();
}

void TResizeGrip::SetGridX(int grid) {
    gridX_ = std::clamp(grid, 1, 32);
}

void TResizeGrip::SetGridY(int grid) {
    gridY_ = std::clamp(grid, 1, 32);
}

void TResizeGrip::SetSnapToGrid(bool snap) {
    gridX_ = gridY_ = snap ? 8 : 1;
}

void TResizeGrip::Attach(QWidget* control) {
    if (!control || control == this)
        return;
    if (control->isWindow())
        throw velvo::Error("", "Handles can not be attached to a Form!");
    if (children_.contains(control))
        return;
    if (!children_.isEmpty() && control->parentWidget() != parentWidget())
        Detach();

    const QRect c = control->geometry();
    if (children_.isEmpty()) {
        if (parentWidget() != control->parentWidget())
            setParent(control->parentWidget());
        eraseRubberBand();
        setEnabled(true);
        show();
        setGeometry(c.x() - kLead, c.y() - kLead, c.width() + kMinFrame, c.height() + kMinFrame);
    } else {
        // The union of the current frame and the new control; no framed control moves.
        const QRect g = geometry();
        const int left = std::min(g.x(), c.x() - kLead);
        const int top = std::min(g.y(), c.y() - kLead);
        const int right = std::max(g.x() + g.width() - kTrail, c.x() + c.width());
        const int bottom = std::max(g.y() + g.height() - kTrail, c.y() + c.height());
        setGeometry(left, top, right - left + kTrail, bottom - top + kTrail);
    }
    children_.append(control);
    connect(control, &QObject::destroyed, this, &TResizeGrip::forgetControl);
    zone_ = 0;

    raise();
    if (!isHidden() && isEnabled())
        setFocus();
    update();
}

void TResizeGrip::Detach() {
    for (QWidget* control : children_)
        disconnect(control, &QObject::destroyed, this, &TResizeGrip::forgetControl);
    children_.clear();
    locked_ = false;
    dragging_ = false;
    pressedControl_ = nullptr;
    zone_ = 0;
    if (band_)
        band_->hide();
    rubberRect_ = QRect();
    resize(kDetachedSize, kDetachedSize);
    setEnabled(false);
    hide();
}

void TResizeGrip::forgetControl(QObject* control) {
    // Only the address is compared: the control is past its QWidget part by now.
    children_.removeIf([control](QWidget* w) { return static_cast<QObject*>(w) == control; });
    if (children_.isEmpty())
        Detach();
    else
        update();
}

bool TResizeGrip::HitTest(QPoint parentPoint) const {
    return std::any_of(children_.begin(), children_.end(), [parentPoint](const QWidget* c) {
        return framedArea(c).contains(parentPoint);
    });
}

void TResizeGrip::SetBounds(int left, int top, int width, int height) {
    if (locked_)
        return;
    const QRect g = geometry();
    const int dx = left - g.x(), dy = top - g.y();
    const int dw = width - g.width(), dh = height - g.height();
    for (QWidget* control : children_) {
        const QRect c = control->geometry();
        control->setGeometry(c.x() + dx, c.y() + dy, std::max(c.width() + dw, 0),
                             std::max(c.height() + dh, 0));
    }
    setGeometry(left, top, width, height);
}

bool TResizeGrip::event(QEvent* event) {
    // The arrow keys nudge the frame, so no shortcut of the window may take them first.
    if (event->type() == QEvent::ShortcutOverride &&
        isArrowKey(static_cast<QKeyEvent*>(event)->key())) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void TResizeGrip::paintEvent(QPaintEvent*) {
    if (children_.isEmpty())
        return;
    QPainter painter(this);
    const bool single = children_.size() == 1;
    const QColor brush = single ? color_ : secondaryColor_;
    const QPoint origin = pos();
    for (const QWidget* control : children_) {
        const QRect r = framedArea(control).translated(-origin);
        const int l = r.x(), t = r.y(), rt = r.x() + r.width(), b = r.y() + r.height();
        const int k = kCornerHandle;
        painter.fillRect(l, t, k, k, brush);
        painter.fillRect(rt - k, t, k, k, brush);
        painter.fillRect(l, b - k, k, k, brush);
        painter.fillRect(rt - k, b - k, k, k, brush);
        if (single) {
            const int hw = (rt - l) / 2, hh = (b - t) / 2;
            const int e = kEdgeHandle;
            painter.fillRect(l + hw - 2, t, e, e, brush);
            painter.fillRect(l + hw - 2, b - e, e, e, brush);
            painter.fillRect(l, t + hh - 2, e, e, brush);
            painter.fillRect(rt - e, t + hh - 2, e, e, brush);
        }
    }
}

bool TResizeGrip::press(QMouseEvent* event) {
    const QPoint local = event->position().toPoint();
    if (!HitTest(pos() + local)) {
        if (QWidget* target = passOn(event->type(), event->button(), pos() + local)) {
            pressedControl_ = target;
            pressedButton_ = event->button();
        }
        return false;
    }
    pressedControl_ = nullptr;
    if (event->button() == Qt::LeftButton && !locked_) {
        dragStart_ = local;
        dragging_ = true;
    }
    emit OnMouseDown(event->button(), event->modifiers(), local);
    return true;
}

void TResizeGrip::mousePressEvent(QMouseEvent* event) {
    press(event);
}

void TResizeGrip::mouseDoubleClickEvent(QMouseEvent* event) {
    if (press(event) && event->button() == Qt::LeftButton)
        emit OnDblClick();
}

void TResizeGrip::mouseMoveEvent(QMouseEvent* event) {
    const QPoint local = event->position().toPoint();
    if (pressedControl_ && (event->buttons() & pressedButton_)) {
        sendTo(pressedControl_, QEvent::MouseMove, Qt::NoButton, event->buttons(), pos() + local);
        return;
    }
    // A release the grip never saw (the pointer let go over another window) ends it too.
    pressedControl_ = nullptr;
    if ((event->buttons() & Qt::LeftButton) && !dragging_ && !locked_) {
        dragStart_ = local;
        dragging_ = true;
    } else {
        // With several controls framed only the body zone exists: the frame can only move.
        const int zone = children_.size() == 1 ? zoneAt(local, width(), height()) : 0;
        if (locked_) {
            setCursor(Qt::ForbiddenCursor);
        } else if (dragging_) {
            // The cursor follows the part being dragged, not the part now under the pointer.
            if (zone_ == 0)
                setCursor(dragCursor_);
            else
                setCursor(zoneCursor(zone_));
        } else {
            setCursor(zoneCursor(zone));
        }
        if (dragging_)
            showRubberBand(clampToParent(local));
        else
            zone_ = zone;
    }
    emit OnMouseMove(event->buttons(), event->modifiers(), local);
}

void TResizeGrip::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint local = event->position().toPoint();
    if (pressedControl_ && event->button() == pressedButton_) {
        // Its drag must end even when the pointer comes up over something else.
        QPointer<QWidget> target = std::exchange(pressedControl_, nullptr);
        sendTo(target, QEvent::MouseButtonRelease, event->button(), event->buttons(),
               pos() + local);
        return;
    }
    if (!dragging_ || event->button() != Qt::LeftButton) {
        passOn(event->type(), event->button(), pos() + local);
        return;
    }
    const QPoint point = clampToParent(local);
    if (point != dragStart_) {
        update();
        const QRect frame = frameFor(point);
        SetBounds(frame.x(), frame.y(), frame.width(), frame.height());
    }
    eraseRubberBand();
    if (!isHidden() && isEnabled())
        setFocus();
    dragging_ = false;
    setCursor(Qt::ArrowCursor);
    emit OnMouseUp(event->button(), event->modifiers(), local);
    if (rect().contains(local))
        emit OnClick();
}

void TResizeGrip::keyPressEvent(QKeyEvent* event) {
    const QRect g = geometry();
    switch (event->key()) {
    case Qt::Key_Left:
        SetBounds(g.x() - 1, g.y(), g.width(), g.height());
        break;
    case Qt::Key_Right:
        SetBounds(g.x() + 1, g.y(), g.width(), g.height());
        break;
    case Qt::Key_Up:
        SetBounds(g.x(), g.y() - 1, g.width(), g.height());
        break;
    case Qt::Key_Down:
        SetBounds(g.x(), g.y() + 1, g.width(), g.height());
        break;
    default:
        break;
    }
    const int key = event->key();
    emit OnKeyDown(key, event->modifiers());
    if (isArrowKey(key))
        event->accept();
    else
        QWidget::keyPressEvent(event);
    // Releases are left alone: the document acts on the release of the same keys.
}

QWidget* TResizeGrip::passOn(QEvent::Type type, Qt::MouseButton button, QPoint parentPoint) {
    setCursor(Qt::ArrowCursor);
    QWidget* parent = parentWidget();
    if (!parent ||
        !(button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton))
        return nullptr;
    QWidget* target = parent;
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow() || qobject_cast<TResizeGrip*>(widget) ||
            dynamic_cast<RubberBandOutline*>(widget))
            continue;
        if (widget->geometry().contains(parentPoint)) {
            target = widget;
            break;
        }
    }
    sendTo(target, type, button, type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
           parentPoint);
    return target;
}

void TResizeGrip::sendTo(QWidget* target, QEvent::Type type, Qt::MouseButton button,
                         Qt::MouseButtons buttons, QPoint parentPoint) {
    if (!target)
        return;
    const QPoint local = target == parentWidget() ? parentPoint : parentPoint - target->pos();
    QMouseEvent forwarded(type, QPointF(local), target->mapToGlobal(QPointF(local)), button,
                          buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &forwarded);
}

QPoint TResizeGrip::clampToParent(QPoint point) const {
    const QWidget* parent = parentWidget();
    if (!parent)
        return point;
    return {std::clamp(point.x(), -x(), parent->width() - x()),
            std::clamp(point.y(), -y(), parent->height() - y())};
}

QRect TResizeGrip::frameFor(QPoint point) const {
    const int dx = point.x() - dragStart_.x(), dy = point.y() - dragStart_.y();
    const auto snapX = [this](int v) { return v / gridX_ * gridX_; };
    const auto snapY = [this](int v) { return v / gridY_ * gridY_; };
    // Worked on the framed control's rectangle so that nothing jumps when a drag starts.
    const QRect g = geometry();
    int left = g.x() + kLead, top = g.y() + kLead;
    int width = g.width() - kMinFrame, height = g.height() - kMinFrame;
    const int right = left + width, bottom = top + height;
    const bool moveLeft = zone_ == 0 || zone_ == 1 || zone_ == 3 || zone_ == 6;
    const bool moveTop = zone_ == 0 || zone_ == 1 || zone_ == 2 || zone_ == 5;
    const bool sizeRight = zone_ == 2 || zone_ == 4 || zone_ == 8;
    const bool sizeBottom = zone_ == 3 || zone_ == 4 || zone_ == 7;
    if (moveLeft) {
        left = snapX(left + dx);
        if (zone_ != 0)
            width = right - left;
    }
    if (moveTop) {
        top = snapY(top + dy);
        if (zone_ != 0)
            height = bottom - top;
    }
    if (sizeRight)
        width = snapX(width + dx);
    if (sizeBottom)
        height = snapY(height + dy);
    return {left - kLead, top - kLead, std::max(width, 0) + kMinFrame,
            std::max(height, 0) + kMinFrame};
}

void TResizeGrip::showRubberBand(QPoint point) {
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    if (band_ && band_->parentWidget() != parent)
        delete band_;
    if (!band_)
        band_ = new RubberBandOutline(parent);
    const QRect frame = frameFor(point);
    // The inner rectangle, where the control will be; a collapsed one still shows a line.
    band_->setGeometry(frame.x() + kLead, frame.y() + kLead, std::max(frame.width() - kMinFrame, 1),
                       std::max(frame.height() - kMinFrame, 1));
    band_->show();
    band_->raise();
    rubberRect_ = frame;
}

void TResizeGrip::eraseRubberBand() {
    if (band_)
        band_->hide();
    rubberRect_ = QRect();
    if (QWidget* parent = parentWidget())
        parent->update();
    update();
}

} // namespace velvo::document

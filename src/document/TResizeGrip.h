#pragma once
#include <QColor>
#include <QCursor>
#include <QEvent>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace velvo::document {

// A frame with drag handles laid around one or more sibling controls so the user can move and
// resize them with the mouse (corners, edges, body) or nudge them with the arrow keys. It only
// changes the bounds of the controls it frames. With one control C the grip's bounds are C's
// grown by 2 to the left and top and by 3 to the right and bottom; the framed area used for
// hit tests is C grown by 2 on every side. A new or detached grip is 24 x 24, hidden and
// disabled; it paints only its handles, so the framed controls stay visible between them.
class TResizeGrip : public QWidget {
    Q_OBJECT
public:
    explicit TResizeGrip(QWidget* parent = nullptr);
    ~TResizeGrip() override;

    // Handle colour with exactly one control framed (default black); repaints.
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    // Handle colour with several controls framed (default grey 128, 128, 128); repaints.
    QColor SecondaryColor() const { return secondaryColor_; }
    void SetSecondaryColor(const QColor& color);
    // A locked grip starts no drag, ignores SetBounds and shows the no-drop cursor.
    bool Locked() const { return locked_; }
    void SetLocked(bool locked) { locked_ = locked; }
    // Grid for positions and sizes set with the mouse, clamped to 1..32; 1 means no snapping.
    int GridX() const { return gridX_; }
    void SetGridX(int grid);
    int GridY() const { return gridY_; }
    void SetGridY(int grid);
    // True when either grid is above 1; setting true makes both 8, false makes both 1.
    bool SnapToGrid() const { return gridX_ > 1 || gridY_ > 1; }
    void SetSnapToGrid(bool snap);
    // Cursor while the whole frame is being moved.
    QCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(const QCursor& cursor) { dragCursor_ = cursor; }

    // Frames one more control. Throws velvo::Error for a top-level window; nullptr, the grip
    // itself or a control already framed: nothing. A control with another parent than the
    // framed ones detaches them first. The first control gives the grip its parent; the grip
    // is then shown, enabled, raised and focused.
    void Attach(QWidget* control);
    // Frees the controls (their bounds stay), unlocks, and leaves the grip 24 x 24, hidden and
    // disabled. The grip keeps its parent: a parentless child would become a window.
    void Detach();
    bool Attached() const { return !children_.isEmpty(); }
    // The framed controls in the order attached (not owned; a destroyed one drops out).
    const QList<QWidget*>& Children() const { return children_; }
    // True when a point in parent coordinates lies in the framed area of any framed control
    // (right and bottom edges excluded).
    bool HitTest(QPoint parentPoint) const;
    // Moves and sizes every framed control by the differences to the grip's current bounds,
    // then takes the new bounds. Ignored when Locked.
    void SetBounds(int left, int top, int width, int height);

    // Part under the mouse: 0 body, 1 top-left, 2 top-right, 3 bottom-left, 4 bottom-right,
    // 5 top edge, 6 left edge, 7 bottom edge, 8 right edge. Kept for the length of a drag.
    int Zone() const { return zone_; }
    // A left-button drag runs.
    bool Dragging() const { return dragging_; }
    // The frame (parent coordinates) whose outline is shown during a drag; empty when none.
    QRect RubberRect() const { return rubberRect_; }

signals:
    // Only for presses inside the framed area; presses elsewhere go to the control under them.
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint position);
    // Only at the end of a drag; other releases go to the control under them.
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void OnKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void OnClick();
    void OnDblClick();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Returns true when the press landed in the framed area and was handled here.
    bool press(QMouseEvent* event);
    // Sends a mouse event the grip does not want to the first sibling under the point, or to
    // the parent when there is none; returns the receiver (null when nothing was sent).
    QWidget* passOn(QEvent::Type type, Qt::MouseButton button, QPoint parentPoint);
    // Sends a mouse event to `target` at a point given in the grip's parent coordinates.
    void sendTo(QWidget* target, QEvent::Type type, Qt::MouseButton button,
                Qt::MouseButtons buttons, QPoint parentPoint);
    // The pointer held inside the parent's client area, in grip coordinates.
    QPoint clampToParent(QPoint point) const;
    // The grip frame (parent coordinates) a drag to `point` would give.
    QRect frameFor(QPoint point) const;
    void showRubberBand(QPoint point);
    void eraseRubberBand();
    void forgetControl(QObject* control);

    QList<QWidget*> children_;
    QColor color_{Qt::black};
    QColor secondaryColor_{128, 128, 128};
    bool locked_ = false;
    int gridX_ = 1;
    int gridY_ = 1;
    QCursor dragCursor_{Qt::ClosedHandCursor};
    int zone_ = 0;
    bool dragging_ = false;
    QPoint dragStart_;
    QRect rubberRect_;
    QPointer<QWidget> band_; // outline shown during a drag, a child of the grip's parent
    // The control that was passed a press, until that button comes up: the moves and the
    // release are its own, wherever the pointer goes, and start no drag of the grip.
    QPointer<QWidget> pressedControl_;
    Qt::MouseButton pressedButton_ = Qt::NoButton;
};

} // namespace velvo::document

#pragma once
#include <QImage>
#include <QWidget>

namespace velvo::document {

// The hair overlay: a copy of the hairstyle bitmap drawn stretched to the control's bounds,
// with every pixel of the key colour left out so the photo shows through. The key colour is
// the bitmap's bottom-left pixel, taken again whenever the bitmap changes; the key test is
// made on the unscaled bitmap and the mask scales with it (rows and columns are dropped, not
// blended). Mouse events are passed on as signals in the control's own coordinates.
class THairOverlay : public QWidget {
    Q_OBJECT
public:
    explicit THairOverlay(QWidget* parent = nullptr);

    // Copies the bitmap (as 24-bit BGR). With AutoSize, a picture of at least 1 x 1 gives the
    // control its size; left and top stay.
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }
    // For changes in place; call PictureChanged afterwards.
    QImage& PictureForEdit() { return picture_; }
    void PictureChanged();

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on) { autoSize_ = on; }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool on);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    // The colour left out (meaningful for a non-empty picture).
    QColor KeyColor() const;

signals:
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint position);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void rebuildKeyed();

    QImage picture_;
    QImage keyed_; // premultiplied ARGB: key pixels fully transparent, the rest opaque
    bool autoSize_ = true;
    bool stretch_ = true;
    bool transparent_ = true;
};

} // namespace velvo::document

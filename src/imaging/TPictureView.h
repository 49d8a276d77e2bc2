#pragma once
#include <QImage>
#include <QPolygon>
#include <QWidget>

namespace velvo::imaging {

// The engine's image view: one bitmap shown at an integer zoom from a view offset, scrolled by
// dragging, with an optional polygon selection drawn by the user. Other controls (the hair
// overlay, the resize grip) may be children of the view and are drawn over the picture.
class TPictureView : public QWidget {
    Q_OBJECT
public:
    enum ScrollBarsKind { ssNone, ssHorizontal, ssVertical, ssBoth };
    // What the mouse does in the view.
    enum MouseInteractFlag { miNone = 0, miScroll = 1, miSelect = 2 };

    explicit TPictureView(QWidget* parent = nullptr);

    // The bitmap. The colour operations need QImage::Format_BGR888 (rows of blue, green, red);
    // SetImage stores a copy converted to it.
    QImage& Image() { return image_; }
    const QImage& Image() const { return image_; }
    void SetImage(const QImage& image);
    // As SetImage, for a picture read from a two-colour black-and-white source: the view
    // remembers that until the image is changed, so that it can be written back at 1 bit.
    void SetImage(const QImage& image, bool bilevel);
    // The image is still, unchanged, the bilevel picture SetImage was given. Any access that
    // may change it (a painter, scanLine or bits on the non-const image, assigning another
    // image) ends this, as QImage gives such an access a new cache key.
    bool ImageIsBilevel() const;
    // After the bitmap was changed in place: new scroll range, offsets re-clamped, repaint.
    void ImageChanged();
    bool IsEmpty() const { return image_.isNull() || image_.width() == 0 || image_.height() == 0; }

    // Zoom in percent (> 0; 100 = one image pixel per screen pixel).
    int Zoom() const { return zoom_; }
    // Ignored for 0 or less or when equal to the current zoom; otherwise stores it, recomputes
    // the scroll range, repaints and raises OnViewChange(1).
    void SetZoom(int percent);

    // Offsets in zoomed screen pixels: the visible window's top-left inside the zoomed image.
    int ViewX() const { return viewX_; }
    int ViewY() const { return viewY_; }
    // Ignored when equal to the current value; otherwise clamped to 0..MaxViewX(), stored,
    // repainted, OnViewChange(0) raised.
    void SetViewX(int x);
    void SetViewY(int y);
    // round(image size x zoom / 100) minus the client size, not below 0; both 0 when the
    // control is at least as large as the zoomed image in both directions.
    int MaxViewX() const;
    int MaxViewY() const;

    ScrollBarsKind ScrollBars() const { return scrollBars_; }
    void SetScrollBars(ScrollBarsKind kind);
    // With AutoFit the control takes the zoomed image's size whenever the image changes.
    bool AutoFit() const { return autoFit_; }
    void SetAutoFit(bool on);
    bool Center() const { return center_; }
    void SetCenter(bool on);
    int MouseInteract() const { return mouseInteract_; }
    void SetMouseInteract(int flags) { mouseInteract_ = flags; }

    // Image pixel under a client point, and back.
    QPointF ClientToImage(QPoint client) const;
    QPoint ImageToClient(QPointF image) const;

    // Selection polygon in image pixels.
    const QPolygon& SelectionPoints() const { return selection_; }
    int SelectionPointCount() const { return int(selection_.size()); }
    void SetSelectionPoints(const QPolygon& points);
    void ClearSelection();
    bool SelectionVisible() const { return selectionVisible_; }
    void SetSelectionVisible(bool visible);

    // Copies the points' bounding box of `source` into the image with its top-left at
    // target's top-left, through the polygon moved by the same amount; grows the image when
    // the copy reaches past its right or bottom edge; repaints. Fewer than 3 points: nothing.
    void PasteThroughPolygon(const QImage& source, const QPolygon& points, const QRect& target);
    // Copies from the image the box of the polygon's bounding-box size at `source` into
    // `target` at the bounding box's own position, through the polygon; grows `target` when
    // needed. Fewer than 3 points: nothing.
    void CopyThroughPolygon(QImage& target, const QPolygon& points, QPoint source) const;

signals:
    // 1 after a zoom change, 0 after an offset change.
    void OnViewChange(int what);
    // The user closed a selection polygon with the mouse.
    void OnSelectionChange();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QSize zoomedSize() const;
    void clampOffsets();
    void fitToImage();

    QImage image_;
    // The cache key the image had when it was set as bilevel; 0 when it was not.
    qint64 bilevelKey_ = 0;
    int zoom_ = 100;
    int viewX_ = 0;
    int viewY_ = 0;
    ScrollBarsKind scrollBars_ = ssNone;
    bool autoFit_ = false;
    bool center_ = false;
    int mouseInteract_ = miScroll;

    QPolygon selection_;
    bool selectionVisible_ = false;
    bool drawingSelection_ = false;
    QPoint selectionHover_;

    bool dragging_ = false;
    QPoint dragStart_;
    QPoint dragStartView_;
};

} // namespace velvo::imaging

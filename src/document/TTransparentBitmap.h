#pragma once
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QVariant>

namespace velvo::document {

// A picture with the two masks that draw it with one colour left out. Mask is white where the
// picture has the key colour (its colour at KeyPoint) and black elsewhere; MaskedImage is the
// picture with those pixels made black. ANDing Mask into a target and then ORing MaskedImage
// leaves the target untouched exactly where the key colour was. The masks exist only while
// KeyEnabled, and are rebuilt on every change of the picture or of the key point.
class TTransparentBitmap {
public:
    TTransparentBitmap();

    const QImage& Image() const { return image_; }
    // Replaces the picture (a shared copy; the pixels are copied on the next write) and
    // rebuilds the masks.
    void SetImage(const QImage& image);
    // For changes in place; call ImageChanged afterwards.
    QImage& ImageForEdit() { return image_; }

    // Copies a bitmap (QImage, QPixmap or QBitmap) into Image. Anything else throws
    // velvo::Error "Assignment requires a TBitmap argument" and leaves the object as it was.
    void Assign(const QVariant& source);
    void Assign(const QImage& source) { SetImage(source); }

    // QImage::Format_Mono of the picture's size, colour index 1 white (key), 0 black; null while
    // keying is off or the picture is empty.
    const QImage& Mask() const { return mask_; }
    // QImage::Format_RGB32 of the picture's size; null while keying is off or the picture is empty.
    const QImage& MaskedImage() const { return maskedImage_; }

    // Picture pixel whose colour is the key; starts (0, 0). A point outside the picture keys
    // out nothing.
    QPoint KeyPoint() const { return keyPoint_; }
    void SetKeyPoint(QPoint point);
    // Starts true.
    bool KeyEnabled() const { return keyEnabled_; }
    void SetKeyEnabled(bool enabled);
    // The picture's colour at KeyPoint; invalid when the point lies outside the picture.
    QColor KeyColor() const;

    // Rebuilds the masks (KeyEnabled) or frees them. Ignored while a rebuild runs.
    void ImageChanged();
    bool Busy() const { return busy_; }

private:
    void RebuildMasks();

    QImage image_;
    QImage mask_;
    QImage maskedImage_;
    QPoint keyPoint_{0, 0};
    bool keyEnabled_ = true;
    bool busy_ = false;
};

} // namespace velvo::document

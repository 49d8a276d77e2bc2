#include "document/TTransparentBitmap.h"

#include <QBitmap>
#include <QPixmap>

#include "imaging/codecs/Error.h"

namespace velvo::document {

TTransparentBitmap::TTransparentBitmap() = default;

void TTransparentBitmap::SetImage(const QImage& image) {
    image_ = image;
    ImageChanged();
}

void TTransparentBitmap::Assign(const QVariant& source) {
    switch (source.metaType().id()) {
    case QMetaType::QImage:
        SetImage(source.value<QImage>());
        return;
    case QMetaType::QPixmap:
        SetImage(source.value<QPixmap>().toImage());
        return;
    case QMetaType::QBitmap:
        SetImage(source.value<QBitmap>().toImage());
        return;
    default:
        throw velvo::Error("", "Assignment requires a TBitmap argument");
    }
}

void TTransparentBitmap::SetKeyPoint(QPoint point) {
    if (point != keyPoint_) {
        keyPoint_ = point;
        ImageChanged();
    }
}

void TTransparentBitmap::SetKeyEnabled(bool enabled) {
    if (enabled != keyEnabled_) {
        keyEnabled_ = enabled;
        ImageChanged();
    }
}

QColor TTransparentBitmap::KeyColor() const {
    if (!image_.valid(keyPoint_))
        return {};
    return image_.pixelColor(keyPoint_);
}

void TTransparentBitmap::ImageChanged() {
    if (busy_)
        return;
    busy_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{busy_};
    if (keyEnabled_) {
        RebuildMasks();
    } else {
        mask_ = QImage();
        maskedImage_ = QImage();
    }
}

void TTransparentBitmap::RebuildMasks() {
    if (image_.isNull() || image_.width() < 1 || image_.height() < 1) {
        mask_ = QImage();
        maskedImage_ = QImage();
        return;
    }
    const int w = image_.width(), h = image_.height();
    // Colours are compared, not palette indices: two entries of one colour are one key.
    const QImage rgb = image_.convertToFormat(QImage::Format_RGB32);
    const bool hasKey = rgb.valid(keyPoint_);
    const QRgb key = hasKey ? rgb.pixel(keyPoint_) & 0xffffffu : 0;

    QImage mask(w, h, QImage::Format_Mono);
    mask.setColorCount(2);
    mask.setColor(0, qRgb(0, 0, 0));
    mask.setColor(1, qRgb(255, 255, 255));
    mask.fill(0);
    QImage masked(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(masked.scanLine(y));
        uchar* bits = mask.scanLine(y);
        for (int x = 0; x < w; ++x) {
            if (hasKey && (in[x] & 0xffffffu) == key) {
                bits[x >> 3] |= uchar(0x80 >> (x & 7));
                out[x] = qRgb(0, 0, 0);
            } else {
                out[x] = in[x] | 0xff000000u;
            }
        }
    }
    mask_ = std::move(mask);
    maskedImage_ = std::move(masked);
}

} // namespace velvo::document

#include "pixel/PixelBitmapQt.h"

#include <QPainter>
#include <cstring>

namespace velvo::pixel {

QImage ToQImage(const TPixelBitmap& bitmap) {
    if (bitmap.Empty())
        return {};
    QImage image(bitmap.Width, bitmap.Height, QImage::Format_BGR888);
    const size_t bytes = size_t(bitmap.Width) * 3;
    for (int y = 0; y < bitmap.Height; ++y)
        std::memcpy(image.scanLine(y), bitmap.PixelAt(0, y), bytes);
    return image;
}

void TPixelBitmap::LoadFromBitmapHandle(const QImage& image) {
    const QImage bgr = image.format() == QImage::Format_BGR888
                           ? image
                           : image.convertToFormat(QImage::Format_BGR888);
    SetSize(bgr.width(), bgr.height());
    const size_t bytes = size_t(Width) * 3;
    for (int y = 0; y < Height; ++y)
        std::memcpy(PixelAt(0, y), bgr.constScanLine(y), bytes);
}

void TPixelBitmap::DrawAt(QPainter& painter, int x, int y) const {
    if (!Empty())
        painter.drawImage(x, y, ToQImage(*this));
}

void TPixelBitmap::DrawAt(QImage& image, int x, int y) const {
    if (Empty() || image.isNull())
        return;
    if (image.format() == QImage::Format_BGR888) {
        // Direct row copies, clipped: the colour panel draws back onto 24-bit images often.
        const int x0 = std::max(0, x), x1 = std::min(image.width(), x + Width);
        const int y0 = std::max(0, y), y1 = std::min(image.height(), y + Height);
        for (int row = y0; row < y1; ++row)
            if (x1 > x0)
                std::memcpy(image.scanLine(row) + size_t(x0) * 3, PixelAt(x0 - x, row - y),
                            size_t(x1 - x0) * 3);
        return;
    }
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    DrawAt(painter, x, y);
}

void TPixelBitmap::StretchTo(QPainter& painter, int x, int y, int width, int height) const {
    StretchPart(painter, x, y, width, height, 0, 0, Width, Height);
}

void TPixelBitmap::DrawPart(QPainter& painter, int x, int y, int width, int height, int sourceX,
                            int sourceY) const {
    if (!Empty())
        painter.drawImage(QPoint(x, y), ToQImage(*this), QRect(sourceX, sourceY, width, height));
}

void TPixelBitmap::StretchPart(QPainter& painter, int x, int y, int width, int height,
                               int sourceX, int sourceY, int sourceWidth,
                               int sourceHeight) const {
    if (Empty() || width <= 0 || height <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(x, y, width, height), ToQImage(*this),
                      QRect(sourceX, sourceY, sourceWidth, sourceHeight));
    painter.restore();
}

void TPixelBitmap::TileDraw(QPainter& painter, int x, int y, int width, int height) const {
    if (Empty() || width <= 0 || height <= 0)
        return;
    TPixelBitmap tiled;
    tiled.SetSize(width, height);
    TileInto(tiled);
    tiled.DrawAt(painter, x, y);
}

} // namespace velvo::pixel

#include "imaging/RasterImage.h"

#include <cstring>

namespace velvo::imaging {

QImage toQImage(const Raster& raster) {
    if (raster.empty())
        return {};
    QImage image(raster.width, raster.height, QImage::Format_BGR888);
    if (image.isNull())
        return {};
    for (int y = 0; y < raster.height; ++y)
        std::memcpy(image.scanLine(y), raster.row(y), raster.stride());
    return image;
}

namespace {
bool isBlackAndWhite(const QImage& image) {
    if (image.format() != QImage::Format_Mono && image.format() != QImage::Format_MonoLSB)
        return false;
    const QList<QRgb> table = image.colorTable();
    for (QRgb c : table)
        if ((c & 0xFFFFFF) != 0 && (c & 0xFFFFFF) != 0xFFFFFF)
            return false;
    return true;
}
} // namespace

Raster toRaster(const QImage& image) {
    Raster raster;
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return raster;
    const QImage bgr = image.format() == QImage::Format_BGR888
                           ? image
                           : image.convertToFormat(QImage::Format_BGR888);
    raster.width = bgr.width();
    raster.height = bgr.height();
    raster.pixels.resize(raster.stride() * size_t(raster.height));
    for (int y = 0; y < raster.height; ++y)
        std::memcpy(raster.row(y), bgr.constScanLine(y), raster.stride());
    raster.bilevel = isBlackAndWhite(image);
    return raster;
}

} // namespace velvo::imaging

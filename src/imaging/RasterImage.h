#pragma once
#include <QImage>

#include "imaging/codecs/Raster.h"

namespace velvo::imaging {

// The two conversions between what the codecs hold and what the views hold. Both copy rows;
// the view side is always QImage::Format_BGR888, the byte order the codecs use.
QImage toQImage(const Raster& raster);
// Any QImage format; a two-colour black-and-white picture is marked bilevel.
Raster toRaster(const QImage& image);

} // namespace velvo::imaging

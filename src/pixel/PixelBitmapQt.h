#pragma once
// The one place where fast bitmaps and QImages meet.
#include <QImage>

#include "pixel/TPixelBitmap.h"

namespace velvo::pixel {

// The bitmap as a top-down Format_BGR888 image (a null image when the bitmap is empty).
QImage ToQImage(const TPixelBitmap& bitmap);

} // namespace velvo::pixel

#pragma once
#include <QImage>
#include <QSize>
#include <QString>

namespace velvo::imaging {

// A picture file read to be shown small. `atLeast` is the size the caller will shrink it to;
// a reader may deliver any size that still covers it (never smaller than the picture's own
// size when that is smaller). A file that cannot be read gives a null image.
QImage readPictureForThumbnail(const QString& file, QSize atLeast);

} // namespace velvo::imaging

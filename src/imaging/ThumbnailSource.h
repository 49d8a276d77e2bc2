#pragma once
#include <QImage>
#include <QSize>
#include <QString>

namespace velvo::imaging {

// A picture file read to be shown small. `atLeast` is the size the caller will shrink it to;
// a reader may deliver any size that still covers it (never smaller than the picture's own
// size when that is smaller). `shown`, when given, is the smaller size the picture is actually
// shown at: a JPEG's EXIF thumbnail that covers it (upright, undistorted) is delivered instead,
// and the caller enlarges it to its shrink size. A file that cannot be read gives a null image.
QImage readPictureForThumbnail(const QString& file, QSize atLeast, QSize shown = QSize());

// The size of the picture in its file (as decoded in full, after EXIF orientation) that an
// image from readPictureForThumbnail stands for; its own size when it was read in full.
// Callers that compute a shrink target from the picture's size use this one, so a reduced
// read ends at exactly the size a full decode would.
QSize thumbnailSourceSize(const QImage& thumbnail);
// Qt copies an image's texts into its scaled and converted copies: a picture made from a
// thumbnail at its final size must forget the size it was read for.
void clearThumbnailSourceSize(QImage& image);

// On by default. Off, every file is decoded in full (the reference the reduced JPEG reading
// is measured and compared against).
void setReducedJpegReading(bool on);

} // namespace velvo::imaging

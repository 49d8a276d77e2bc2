#pragma once
// Reading a JPEG photo to be shown small, without decoding it at full size: libjpeg's DCT
// scaling delivers 1/2, 1/4 or 1/8 of the picture for a fraction of the work, and many
// cameras store a small JPEG copy in the EXIF segment that costs almost nothing to read.
#include <optional>
#include <string>

#include "imaging/codecs/Codecs.h"

namespace velvo::imaging {

// What decodeJpegAtLeast delivered, for callers that compute their final size from the
// picture's true size (the result of decodeJpeg) rather than from the reduced one.
struct JpegThumbnailInfo {
    // The picture as decodeJpeg delivers it: after EXIF orientation.
    int fullWidth = 0;
    int fullHeight = 0;
    // 1, 2, 4 or 8: the reduction libjpeg applied to the image that was decoded.
    int scaleDenom = 1;
    // The EXIF embedded thumbnail was decoded instead of the main image.
    bool fromExifThumbnail = false;
};

// The largest reduction among 1/8, 1/4, 1/2 (else 1) after which a width x height picture
// still covers minWidth x minHeight in both directions; libjpeg rounds the reduced sides up.
// Returns the denominator.
int jpegScaleDenomFor(int width, int height, int minWidth, int minHeight);

// The picture of a JPEG file, EXIF orientation applied, at least minWidth x minHeight in both
// directions as shown (or at full size when it is smaller than that): the EXIF thumbnail when
// it is that large and has the main image's proportions, otherwise the main image DCT-scaled
// by jpegScaleDenomFor. A damaged or lying EXIF thumbnail is ignored. Faults of the main image
// throw velvo::Error naming `name`, exactly as decodeJpeg does.
Raster decodeJpegAtLeast(Bytes data, const std::string& name, int minWidth, int minHeight,
                         JpegThumbnailInfo* info = nullptr);

// As decodeJpegAtLeast, except that the EXIF thumbnail already stands in for the picture when
// it covers thumbMinWidth x thumbMinHeight as shown: a caller that keeps minWidth x minHeight
// but shows less (a thumbnail cell) accepts the camera's small copy, enlarged if need be.
Raster decodeJpegAtLeast(Bytes data, const std::string& name, int minWidth, int minHeight,
                         int thumbMinWidth, int thumbMinHeight, JpegThumbnailInfo* info);

// The EXIF thumbnail alone, exactly when decodeJpegAtLeast would deliver it, from `head`: the
// file's first bytes, which need only reach the start of scan. nullopt when the thumbnail will
// not do or the head is too short or damaged; this never throws, and decodeJpegAtLeast on the
// whole file then has the last word.
std::optional<Raster> decodeJpegExifThumbnail(Bytes head, const std::string& name, int minWidth,
                                              int minHeight, int thumbMinWidth, int thumbMinHeight,
                                              JpegThumbnailInfo* info);

} // namespace velvo::imaging

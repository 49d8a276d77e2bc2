#include "imaging/ThumbnailSource.h"

#include "imaging/RasterImage.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"

namespace velvo::imaging {

QImage readPictureForThumbnail(const QString& file, QSize) {
    try {
        std::optional<Raster> picture = loadImageFile(std::filesystem::path(file.toStdString()));
        if (picture && !picture->empty())
            return toQImage(*picture);
    } catch (const velvo::Error&) {
    }
    return {};
}

} // namespace velvo::imaging

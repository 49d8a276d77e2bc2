#include "imaging/codecs/Raster.h"

#include "imaging/codecs/Error.h"
#include "imaging/codecs/FileBytes.h"

#include <algorithm>

namespace velvo::imaging {

PictureLimits& pictureLimits() {
    static PictureLimits limits;
    return limits;
}

void checkPictureSize(int64_t width, int64_t height, const std::string& file) {
    const PictureLimits& lim = pictureLimits();
    if (width <= 0 || height <= 0)
        throw Error(file, "invalid picture size " + std::to_string(width) + "x" + std::to_string(height));
    if (width > lim.maxSide)
        throw Error(file, "width " + std::to_string(width) + " exceeds the limit of " +
                              std::to_string(lim.maxSide));
    if (height > lim.maxSide)
        throw Error(file, "height " + std::to_string(height) + " exceeds the limit of " +
                              std::to_string(lim.maxSide));
    if (width * height > lim.maxPixels)
        throw Error(file, std::to_string(width) + "x" + std::to_string(height) +
                              " exceeds the limit of " + std::to_string(lim.maxPixels) + " pixels");
}

Raster Raster::create(int width, int height, const std::string& file, Bgr fill) {
    checkPictureSize(width, height, file);
    Raster r;
    r.width = width;
    r.height = height;
    reserveLarge(r.pixels, size_t(width) * size_t(height) * 3);
    r.pixels.resize(size_t(width) * size_t(height) * 3);
    if (fill.b == fill.g && fill.g == fill.r) {
        std::fill(r.pixels.begin(), r.pixels.end(), fill.b);
    } else {
        for (size_t i = 0; i < r.pixels.size(); i += 3) {
            r.pixels[i] = fill.b;
            r.pixels[i + 1] = fill.g;
            r.pixels[i + 2] = fill.r;
        }
    }
    return r;
}

} // namespace velvo::imaging

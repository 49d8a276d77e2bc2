// libFuzzer target for the JPEG decoder, EXIF orientation included: any input must give a
// picture or a velvo::Error.
#include <cstddef>
#include <cstdint>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool limited = [] {
        velvo::imaging::pictureLimits().maxPixels = 16'000'000;
        return true;
    }();
    (void)limited;
    try {
        velvo::imaging::Raster r = velvo::imaging::decodeJpeg({data, size}, "fuzz.jpeg");
        if (r.pixels.size() != size_t(r.width) * size_t(r.height) * 3)
            __builtin_trap();
    } catch (const velvo::Error&) {
    }
    return 0;
}

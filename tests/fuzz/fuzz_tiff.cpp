// libFuzzer target for the TIFF reader: any input must give a picture or a velvo::Error.
#include <cstddef>
#include <cstdint>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool limited = [] {
        velvo::imaging::pictureLimits().maxPixels = 16'000'000;
        velvo::imaging::pictureLimits().maxSide = 30000;
        return true;
    }();
    (void)limited;
    try {
        velvo::imaging::decodeTiff({data, size}, "fuzz.tif");
    } catch (const velvo::Error&) {
    }
    return 0;
}

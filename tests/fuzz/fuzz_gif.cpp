// libFuzzer target for the GIF reader: anything but a clean velvo::Error is a bug.
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
        velvo::imaging::Raster r = velvo::imaging::decodeGif({data, size}, "fuzz.gif");
        if (r.pixels.size() != r.stride() * size_t(r.height))
            __builtin_trap();
    } catch (const velvo::Error&) {
    }
    return 0;
}

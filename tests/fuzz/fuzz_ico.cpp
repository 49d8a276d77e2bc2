// libFuzzer target for the ICO decoder. Any exception other than velvo::Error is a bug.
#include <cstddef>
#include <cstdint>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool limited = [] {
        velvo::imaging::pictureLimits().maxPixels = 16'000'000;
        velvo::imaging::pictureLimits().maxSide = 16'000;
        return true;
    }();
    (void)limited;
    try {
        velvo::imaging::decodeIco({data, size}, "fuzz.ico");
    } catch (const velvo::Error&) {
    }
    return 0;
}

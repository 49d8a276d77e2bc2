#pragma once
// What every decoder's fuzz target does: under a lowered picture limit (so a lying header
// cannot spend the fuzzer's memory budget), any input must give a well-formed picture or a
// velvo::Error. Any other exception, or a picture whose buffer does not match its size, is a
// bug and stops the fuzzer.
#include <cstddef>
#include <cstdint>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

namespace velvo::fuzz {

template <typename Decoder>
int fuzzDecoder(Decoder decode, const uint8_t* data, size_t size, const char* name) {
    static const bool limited = [] {
        imaging::pictureLimits().maxPixels = 16'000'000;
        imaging::pictureLimits().maxSide = 16'000;
        return true;
    }();
    (void)limited;
    try {
        const imaging::Raster r = decode(imaging::Bytes{data, size}, name);
        if (r.width <= 0 || r.height <= 0 || r.pixels.size() != r.stride() * size_t(r.height))
            __builtin_trap();
    } catch (const velvo::Error&) {
    }
    return 0;
}

} // namespace velvo::fuzz

// libFuzzer target for the WebP decoder (libwebp).
#include "FuzzDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return velvo::fuzz::fuzzDecoder(velvo::imaging::decodeWebp, data, size, "fuzz.webp");
}

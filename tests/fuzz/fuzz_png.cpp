// libFuzzer target for the PNG decoder.
#include "FuzzDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return velvo::fuzz::fuzzDecoder(velvo::imaging::decodePng, data, size, "fuzz.png");
}

// libFuzzer target for the ICO decoder.
#include "FuzzDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return velvo::fuzz::fuzzDecoder(velvo::imaging::decodeIco, data, size, "fuzz.ico");
}

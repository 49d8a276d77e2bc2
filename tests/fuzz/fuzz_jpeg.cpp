// libFuzzer target for the JPEG decoder.
#include "FuzzDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return velvo::fuzz::fuzzDecoder(velvo::imaging::decodeJpeg, data, size, "fuzz.jpeg");
}

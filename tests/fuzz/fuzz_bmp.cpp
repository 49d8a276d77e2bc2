// libFuzzer target for the BMP decoder.
#include "FuzzDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return velvo::fuzz::fuzzDecoder(velvo::imaging::decodeBmp, data, size, "fuzz.bmp");
}

// libFuzzer target for the TIFF decoder.
#include "FuzzDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return velvo::fuzz::fuzzDecoder(velvo::imaging::decodeTiff, data, size, "fuzz.tiff");
}

// libFuzzer target for the HEIF and AVIF decoder (libheif). libdav1d leaks on some malformed
// AV1 streams; run with LSAN_OPTIONS=suppressions=tests/fuzz/heif.lsan-suppressions so that
// leak does not stop the run, while leaks in our own code still do.
#include "FuzzDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return velvo::fuzz::fuzzDecoder(velvo::imaging::decodeHeif, data, size, "fuzz.heif");
}

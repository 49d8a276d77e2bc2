// libFuzzer target for the reduced JPEG reading of thumbnails (DCT scaling, EXIF thumbnail).
#include "FuzzDecoder.h"
#include "imaging/codecs/JpegThumbnail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return velvo::fuzz::fuzzDecoder(
        [](velvo::imaging::Bytes bytes, const char* name) {
            return velvo::imaging::decodeJpegAtLeast(bytes, name, 100, 100);
        },
        data, size, "fuzz.jpg");
}

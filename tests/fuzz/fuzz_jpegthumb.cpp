// libFuzzer target for the reduced JPEG reading of thumbnails (DCT scaling, EXIF thumbnail),
// and for the EXIF thumbnail read from a file's head alone, which must never throw.
#include "FuzzDecoder.h"
#include "imaging/codecs/JpegThumbnail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return velvo::fuzz::fuzzDecoder(
        [](velvo::imaging::Bytes bytes, const char* name) {
            if (std::optional<velvo::imaging::Raster> thumb =
                    velvo::imaging::decodeJpegExifThumbnail(bytes, name, 200, 200, 100, 100,
                                                            nullptr))
                return std::move(*thumb);
            return velvo::imaging::decodeJpegAtLeast(bytes, name, 100, 100);
        },
        data, size, "fuzz.jpg");
}

// libFuzzer target for the WMF reader, drawing with the QPainter canvas.
#include "FuzzMetafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velvo::fuzz::startMetafileDrawing();
    return velvo::fuzz::fuzzDecoder(velvo::imaging::decodeWmf, data, size, "fuzz.wmf");
}

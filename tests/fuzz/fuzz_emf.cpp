// libFuzzer target for the EMF reader, drawing with the QPainter canvas.
#include "FuzzMetafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velvo::fuzz::startMetafileDrawing();
    return velvo::fuzz::fuzzDecoder(velvo::imaging::decodeEmf, data, size, "fuzz.emf");
}

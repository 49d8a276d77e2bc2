#include "imaging/codecs/MetafileReader.h"

#include "imaging/codecs/Error.h"

namespace velvo::imaging {

namespace {
MetafileCanvasFactory& factory() {
    static MetafileCanvasFactory f;
    return f;
}

Raster decodeWith(MetafileResult (*read)(Bytes, const std::string&, metafile::Canvas&), Bytes data,
                  const std::string& name, const char* kind) {
    if (!factory())
        throw Error(name, std::string(kind) + " metafiles cannot be drawn in this program");
    std::unique_ptr<metafile::Canvas> canvas = factory()();
    read(data, name, *canvas);
    return canvas->finish();
}
} // namespace

MetafileLimits& metafileLimits() {
    static MetafileLimits limits;
    return limits;
}

void setMetafileCanvasFactory(MetafileCanvasFactory f) {
    factory() = std::move(f);
}

bool haveMetafileCanvas() {
    return bool(factory());
}

Raster decodeWmf(Bytes data, const std::string& name) {
    return decodeWith(readWmf, data, name, "WMF");
}

Raster decodeEmf(Bytes data, const std::string& name) {
    return decodeWith(readEmf, data, name, "EMF");
}

} // namespace velvo::imaging

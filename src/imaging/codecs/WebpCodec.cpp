// WebP through libwebp: lossy, lossless, with or without alpha; the first frame is the whole
// picture, so animations are refused rather than shown as their first frame only.
//
// The size comes from the bitstream header before anything is allocated, and the pixels are
// decoded straight into the Raster's buffer. With alpha the buffer is allocated a quarter
// larger, decoded as BGRA and composited onto white in place, front to back: each BGR pixel
// lands at or before the BGRA pixel it comes from, so nothing is overwritten before it is read.
#include <string_view>

#include <webp/decode.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/FileBytes.h"

namespace velvo::imaging {

namespace {

std::string statusText(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY: return "out of memory";
    case VP8_STATUS_INVALID_PARAM: return "invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR: return "corrupt WebP data";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "unsupported WebP feature";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "truncated WebP data";
    default: return "WebP decoding failed";
    }
}

} // namespace

Raster decodeWebp(Bytes data, const std::string& name) {
    if (data.size() < 12 || std::string_view(reinterpret_cast<const char*>(data.data()), 4) != "RIFF" ||
        std::string_view(reinterpret_cast<const char*>(data.data()) + 8, 4) != "WEBP")
        throw Error(name, "not a WebP file (no \"RIFF....WEBP\" signature)");
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(data.data(), data.size(), &features);
    if (status != VP8_STATUS_OK)
        throw Error(name, statusText(status));
    if (features.has_animation)
        throw Error(name, "animated WebP files cannot be read");
    checkPictureSize(features.width, features.height, name);

    Raster r;
    r.width = features.width;
    r.height = features.height;
    const size_t pixels = size_t(r.width) * size_t(r.height);
    const size_t depth = features.has_alpha ? 4 : 3;
    reserveLarge(r.pixels, pixels * depth);
    r.pixels.resize(pixels * depth);
    const size_t stride = size_t(r.width) * depth;
    const uint8_t* done =
        features.has_alpha
            ? WebPDecodeBGRAInto(data.data(), data.size(), r.pixels.data(), r.pixels.size(), int(stride))
            : WebPDecodeBGRInto(data.data(), data.size(), r.pixels.data(), r.pixels.size(), int(stride));
    if (!done)
        throw Error(name, "corrupt or truncated WebP data");
    if (features.has_alpha) {
        uint8_t* p = r.pixels.data();
        const uint8_t* q = p;
        for (size_t i = 0; i < pixels; ++i, p += 3, q += 4) {
            const unsigned a = q[3], white = 255 * (255 - a) + 127;
            p[0] = uint8_t((q[0] * a + white) / 255);
            p[1] = uint8_t((q[1] * a + white) / 255);
            p[2] = uint8_t((q[2] * a + white) / 255);
        }
        r.pixels.resize(pixels * 3);
    }
    return r;
}

} // namespace velvo::imaging

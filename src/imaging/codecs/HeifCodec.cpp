// HEIC/HEIF and AVIF through libheif: the primary image, with the rotation, mirror and crop
// the file asks for (libheif applies them while decoding), 8 bits or more per sample.
//
// The sizes the file declares (every image's, a grid's or overlay's output) are checked against
// our limits from its boxes before libheif sees it (HeifLayout), and the primary image's size
// once more as libheif reports it. The decoded picture arrives as interleaved RGB(A) and is
// converted to BGR once, row by row, into the Raster; samples above 8 bits are scaled with
// rounding and alpha is composited onto white as in the PNG reader.
#include <algorithm>
#include <memory>
#include <string>

#include <libheif/heif.h>
#include <webp/decode.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/HeifLayout.h"

namespace velvo::imaging {

namespace {

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleFree {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageFree {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

void check(const heif_error& err, const std::string& name) {
    if (err.code != heif_error_Ok)
        throw Error(name, std::string("cannot read HEIF picture (") +
                              (err.message && *err.message ? err.message : "unknown error") + ")");
}

void initialise() {
    // Registers the decoders once for the whole program; never undone, as other threads may
    // be decoding at exit.
    static const bool done = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)done;
}

// One sample of an interleaved 16-bit little-endian row, scaled from `max` to 255.
inline unsigned scaled(const uint8_t* p, unsigned max) {
    const unsigned v = std::min<unsigned>(unsigned(p[0]) | unsigned(p[1]) << 8, max);
    return (v * 255 + max / 2) / max;
}

// c over white with alpha a; premultiplied colour already holds the c * a part.
inline uint8_t onWhite(unsigned c, unsigned a, bool premultiplied) {
    if (premultiplied)
        return uint8_t(std::min(255u, c + (255 - a)));
    return uint8_t((c * a + 255 * (255 - a) + 127) / 255);
}

void convertRow(const uint8_t* in, uint8_t* out, int width, bool alpha, int bits, bool premultiplied) {
    if (bits <= 8) {
        if (!alpha) {
            for (int x = 0; x < width; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
            return;
        }
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            const unsigned a = in[3];
            out[0] = onWhite(in[2], a, premultiplied);
            out[1] = onWhite(in[1], a, premultiplied);
            out[2] = onWhite(in[0], a, premultiplied);
        }
        return;
    }
    const unsigned max = (1u << bits) - 1;
    const int step = alpha ? 8 : 6;
    for (int x = 0; x < width; ++x, in += step, out += 3) {
        const unsigned r = scaled(in, max), g = scaled(in + 2, max), b = scaled(in + 4, max);
        if (!alpha) {
            out[0] = uint8_t(b);
            out[1] = uint8_t(g);
            out[2] = uint8_t(r);
        } else {
            const unsigned a = scaled(in + 6, max);
            out[0] = onWhite(b, a, premultiplied);
            out[1] = onWhite(g, a, premultiplied);
            out[2] = onWhite(r, a, premultiplied);
        }
    }
}

} // namespace

Raster decodeHeif(Bytes data, const std::string& name) {
    if (data.size() < 12 || data[4] != 'f' || data[5] != 't' || data[6] != 'y' || data[7] != 'p')
        throw Error(name, "not a HEIF file (no \"ftyp\" box)");
    heif::checkDeclaredSizes(data, name);
    initialise();
    const PictureLimits& lim = pictureLimits();
    std::unique_ptr<heif_context, ContextFree> ctx(heif_context_alloc());
    if (!ctx)
        throw Error(name, "out of memory");
    heif_context_set_maximum_image_size_limit(ctx.get(), lim.maxSide);
    check(heif_context_read_from_memory_without_copy(ctx.get(), data.data(), data.size(), nullptr), name);

    heif_image_handle* rawHandle = nullptr;
    check(heif_context_get_primary_image_handle(ctx.get(), &rawHandle), name);
    std::unique_ptr<heif_image_handle, HandleFree> handle(rawHandle);
    checkPictureSize(heif_image_handle_get_width(handle.get()),
                     heif_image_handle_get_height(handle.get()), name);

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle.get()) != 0;
    const int storedBits = std::max(heif_image_handle_get_luma_bits_per_pixel(handle.get()),
                                    heif_image_handle_get_chroma_bits_per_pixel(handle.get()));
    const bool deep = storedBits > 8;
    const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE
                                             : heif_chroma_interleaved_RRGGBB_LE)
                                    : (alpha ? heif_chroma_interleaved_RGBA
                                             : heif_chroma_interleaved_RGB);

    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    heif_image* rawImage = nullptr;
    check(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, chroma, options.get()), name);
    std::unique_ptr<heif_image, ImageFree> image(rawImage);

    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int bits = deep ? heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) : 8;
    const size_t pixelBytes = size_t(alpha ? 4 : 3) * (deep ? 2 : 1);
    if (!plane || width <= 0 || height <= 0 || stride < 0 || size_t(stride) < size_t(width) * pixelBytes ||
        bits < 8 || bits > 16)
        throw Error(name, "the HEIF decoder gave no usable picture");

    // Every byte is written below, so the buffer is not filled first.
    checkPictureSize(width, height, name);
    Raster r;
    r.width = width;
    r.height = height;
    reserveLarge(r.pixels, size_t(width) * size_t(height) * 3);
    r.pixels.resize(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y)
        convertRow(plane + size_t(y) * size_t(stride), r.row(y), width, alpha, bits, premultiplied);
    return r;
}

DecoderSupport decoderSupport() {
    initialise();
    DecoderSupport support;
    support.heic = heif_have_decoder_for_format(heif_compression_HEVC) != 0;
    support.avif = heif_have_decoder_for_format(heif_compression_AV1) != 0;
    support.heifVersion = heif_get_version();
    const int webp = WebPGetDecoderVersion();
    support.webpVersion = std::to_string(webp >> 16) + "." + std::to_string((webp >> 8) & 0xff) +
                          "." + std::to_string(webp & 0xff);
    return support;
}

} // namespace velvo::imaging

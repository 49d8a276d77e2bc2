#pragma once
// HEIC and AVIF files written by libheif's own encoders (x265, aom), for the tests.
#include <cstdint>
#include <functional>
#include <libheif/heif.h>
#include <vector>

namespace velvo::testing {

// 16-bit samples r, g, b, a at (x, y), in the range of the file's bit depth.
using Painter = std::function<void(int x, int y, uint16_t rgba[4])>;

struct HeifFile {
    heif_compression_format format = heif_compression_HEVC;
    int width = 64, height = 48, bits = 8;
    bool alpha = false;
    heif_orientation orientation = heif_orientation_normal;
};

inline heif_error appendTo(heif_context*, const void* data, size_t size, void* out) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(out);
    bytes->insert(bytes->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    return {heif_error_Ok, heif_suberror_Unspecified, ""};
}

// The encoded file, or empty when this libheif cannot write it.
inline std::vector<uint8_t> encodeHeif(const HeifFile& f, const Painter& paint) {
    if (!heif_have_encoder_for_format(f.format))
        return {};
    const bool deep = f.bits > 8;
    const heif_chroma chroma = deep ? (f.alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                    : (f.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image* image = nullptr;
    if (heif_image_create(f.width, f.height, heif_colorspace_RGB, chroma, &image).code != heif_error_Ok)
        return {};
    heif_image_add_plane(image, heif_channel_interleaved, f.width, f.height, f.bits);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const int channels = f.alpha ? 4 : 3;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            uint16_t rgba[4] = {0, 0, 0, uint16_t((1 << f.bits) - 1)};
            paint(x, y, rgba);
            for (int c = 0; c < channels; ++c) {
                if (deep) {
                    uint8_t* p = plane + y * stride + (x * channels + c) * 2;
                    p[0] = uint8_t(rgba[c]);
                    p[1] = uint8_t(rgba[c] >> 8);
                } else {
                    plane[y * stride + x * channels + c] = uint8_t(rgba[c]);
                }
            }
        }
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    std::vector<uint8_t> out;
    if (heif_context_get_encoder_for_format(ctx, f.format, &encoder).code == heif_error_Ok) {
        heif_encoder_set_lossy_quality(encoder, 95);
        if (f.format == heif_compression_AV1)
            heif_encoder_set_parameter(encoder, "chroma", "422"); // Debian 12 aom asserts on the rest
        heif_encoding_options* options = heif_encoding_options_alloc();
        options->image_orientation = f.orientation;
        if (heif_context_encode_image(ctx, image, encoder, options, nullptr).code == heif_error_Ok) {
            heif_writer writer{1, appendTo};
            if (heif_context_write(ctx, &writer, &out).code != heif_error_Ok)
                out.clear();
        }
        heif_encoding_options_free(options);
        heif_encoder_release(encoder);
    }
    heif_context_free(ctx);
    heif_image_release(image);
    return out;
}

} // namespace velvo::testing

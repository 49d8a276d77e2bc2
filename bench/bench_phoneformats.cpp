// Opening a 12-megapixel HEIC and WebP through loadImageFile against libheif and libwebp called
// directly, the simplest way a developer would get 24-bit rows: the reader's own work (reading
// the file, checking sizes, converting to BGR) should add little to the libraries' decoding.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <vector>

#include <libheif/heif.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include "imaging/codecs/ImageFile.h"

using namespace velvo::imaging;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

heif_error appendTo(heif_context*, const void* data, size_t size, void* out) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(out);
    bytes->insert(bytes->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    return {heif_error_Ok, heif_suberror_Unspecified, ""};
}

// Smooth gradients with texture and noise, as RGB; encoded once into a HEIC (x265, quality 80)
// and a lossy WebP (quality 80), each also written to a file.
struct Files {
    std::vector<uint8_t> heic, webp;
    std::filesystem::path heicFile, webpFile;

    Files() {
        std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
        std::mt19937 rng(42);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uint8_t* p = &rgb[(size_t(y) * kWidth + x) * 3];
                // Fine texture (hair, fabric) and sensor noise, so the files are the size
                // a phone writes rather than a few kilobytes of flat gradient.
                const int n = int(rng() % 41) - 20 + int(24 * std::sin(x * 0.37) * std::cos(y * 0.23));
                auto clamp = [](int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
                p[0] = clamp(80 + 90 * (x + y) / (kWidth + kHeight) - n);
                p[1] = clamp(200 - 140 * y / kHeight + n / 2);
                p[2] = clamp(60 + 120 * x / kWidth + n);
            }
        encodeHeic(rgb);
        uint8_t* out = nullptr;
        const size_t n = WebPEncodeRGB(rgb.data(), kWidth, kHeight, kWidth * 3, 80, &out);
        webp.assign(out, out + n);
        WebPFree(out);
        const auto dir = std::filesystem::temp_directory_path();
        heicFile = dir / "velvo_bench_phone.heic";
        webpFile = dir / "velvo_bench_phone.webp";
        writeFileAtomic(heicFile, heic);
        writeFileAtomic(webpFile, webp);
    }
    ~Files() {
        std::filesystem::remove(heicFile);
        std::filesystem::remove(webpFile);
    }

    void encodeHeic(const std::vector<uint8_t>& rgb) {
        heif_image* image = nullptr;
        heif_image_create(kWidth, kHeight, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
        heif_image_add_plane(image, heif_channel_interleaved, kWidth, kHeight, 8);
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < kHeight; ++y)
            std::copy_n(&rgb[size_t(y) * kWidth * 3], size_t(kWidth) * 3, plane + size_t(y) * stride);
        heif_context* ctx = heif_context_alloc();
        heif_encoder* encoder = nullptr;
        heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder);
        heif_encoder_set_lossy_quality(encoder, 80);
        heif_encoder_set_parameter(encoder, "preset", "ultrafast");
        heif_context_encode_image(ctx, image, encoder, nullptr, nullptr);
        heif_writer writer{1, appendTo};
        heif_context_write(ctx, &writer, &heic);
        heif_encoder_release(encoder);
        heif_context_free(ctx);
        heif_image_release(image);
    }
};

const Files& files() {
    static const Files f;
    return f;
}

void BM_HeicOurs(benchmark::State& state) {
    const Files& f = files();
    for (auto _ : state) {
        std::optional<Raster> r = loadImageFile(f.heicFile);
        benchmark::DoNotOptimize(r->pixels.data());
    }
    state.counters["MB"] = double(f.heic.size()) / 1e6;
}

void BM_HeicLibheifDirect(benchmark::State& state) {
    const Files& f = files();
    for (auto _ : state) {
        heif_context* ctx = heif_context_alloc();
        heif_context_read_from_memory_without_copy(ctx, f.heic.data(), f.heic.size(), nullptr);
        heif_image_handle* handle = nullptr;
        heif_context_get_primary_image_handle(ctx, &handle);
        heif_image* image = nullptr;
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
        int stride = 0;
        benchmark::DoNotOptimize(heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride));
        heif_image_release(image);
        heif_image_handle_release(handle);
        heif_context_free(ctx);
    }
}

void BM_WebpOurs(benchmark::State& state) {
    const Files& f = files();
    for (auto _ : state) {
        std::optional<Raster> r = loadImageFile(f.webpFile);
        benchmark::DoNotOptimize(r->pixels.data());
    }
    state.counters["MB"] = double(f.webp.size()) / 1e6;
}

void BM_WebpLibwebpDirect(benchmark::State& state) {
    const Files& f = files();
    for (auto _ : state) {
        int w = 0, h = 0;
        uint8_t* rgb = WebPDecodeRGB(f.webp.data(), f.webp.size(), &w, &h);
        benchmark::DoNotOptimize(rgb);
        WebPFree(rgb);
    }
}

} // namespace

BENCHMARK(BM_HeicOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeicLibheifDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebpOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebpLibwebpDirect)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

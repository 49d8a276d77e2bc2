// Our JPEG and PNG readers against libjpeg-turbo and libpng called directly, the simplest way a
// developer would get 24-bit BGR rows, on the same 12-megapixel photo-like file held in memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "CameraJpeg.h"
#include "imaging/codecs/Codecs.h"

using namespace velvo::imaging;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

// Smooth gradients with a little noise, encoded once: the JPEG as a camera writes it
// (libjpeg defaults: 4:2:0, quality 90), the PNG by our writer (24-bit, default compression).
struct Files {
    std::vector<uint8_t> jpeg, png;

    Files() {
        Raster r = Raster::create(kWidth, kHeight, "bench");
        std::mt19937 rng(42);
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* p = r.row(y);
            for (int x = 0; x < kWidth; ++x, p += 3) {
                const int n = int(rng() % 33) - 16;
                auto clamp = [](int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
                p[0] = clamp(60 + 120 * x / kWidth + n);
                p[1] = clamp(200 - 140 * y / kHeight + n / 2);
                p[2] = clamp(80 + 90 * (x + y) / (kWidth + kHeight) - n);
            }
        }
        png = encodePng(r);
        jpeg = velvo::bench::cameraJpeg(r, 90);
    }
};

const Files& files() {
    static const Files f;
    return f;
}

void BM_JpegOurs(benchmark::State& state) {
    const auto& data = files().jpeg;
    for (auto _ : state) {
        Raster r = decodeJpeg(data, "bench.jpg");
        benchmark::DoNotOptimize(r.pixels.data());
    }
    state.counters["MB"] = double(data.size()) / 1e6;
}

void BM_JpegLibjpegDirect(benchmark::State& state) {
    const auto& data = files().jpeg;
    for (auto _ : state) {
        jpeg_decompress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_decompress(&c);
        jpeg_mem_src(&c, data.data(), data.size());
        jpeg_read_header(&c, TRUE);
        c.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&c);
        std::vector<uint8_t> pixels(size_t(c.output_width) * c.output_height * 3);
        while (c.output_scanline < c.output_height) {
            JSAMPROW row = pixels.data() + size_t(c.output_scanline) * c.output_width * 3;
            jpeg_read_scanlines(&c, &row, 1);
        }
        jpeg_finish_decompress(&c);
        jpeg_destroy_decompress(&c);
        benchmark::DoNotOptimize(pixels.data());
    }
}

void BM_PngOurs(benchmark::State& state) {
    const auto& data = files().png;
    for (auto _ : state) {
        Raster r = decodePng(data, "bench.png");
        benchmark::DoNotOptimize(r.pixels.data());
    }
    state.counters["MB"] = double(data.size()) / 1e6;
}

struct MemoryReader {
    const uint8_t* data;
    size_t size, pos;
};

void readFromMemory(png_structp png, png_bytep out, size_t n) {
    auto* m = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (n > m->size - m->pos)
        png_error(png, "truncated");
    std::copy(m->data + m->pos, m->data + m->pos + n, out);
    m->pos += n;
}

void BM_PngLibpngDirect(benchmark::State& state) {
    const auto& data = files().png;
    for (auto _ : state) {
        MemoryReader m{data.data(), data.size(), 0};
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png)))
            std::abort();
        png_set_read_fn(png, &m, readFromMemory);
        png_read_png(png, info, PNG_TRANSFORM_EXPAND | PNG_TRANSFORM_SCALE_16 | PNG_TRANSFORM_BGR,
                     nullptr);
        png_bytepp rows = png_get_rows(png, info);
        benchmark::DoNotOptimize(rows[0]);
        png_destroy_read_struct(&png, &info, nullptr);
    }
}

} // namespace

BENCHMARK(BM_JpegOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegLibjpegDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngLibpngDirect)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

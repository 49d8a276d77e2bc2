// GIF decoding of photo-like pictures (smooth gradients with noise, quantized to 256 colours by
// our writer): our reader against giflib, both delivering 24-bit BGR, and our LZW core alone.
// Bytes processed: 3 per pixel for whole decodes, 1 (the index) per pixel for the LZW core.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <map>
#include <random>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/GifLzw.h"

#ifdef VELVO_HAVE_GIFLIB
#include <gif_lib.h>
#endif

using namespace velvo::imaging;

namespace {

struct Sample {
    int width = 0, height = 0;
    std::vector<uint8_t> file;
    std::vector<uint8_t> codes; // the LZW stream, sub-blocks joined
    int minCodeSize = 8;
};

Raster photoLike(int w, int h) {
    std::mt19937 rng(42);
    Raster r = Raster::create(w, h, "");
    for (int y = 0; y < h; ++y) {
        uint8_t* p = r.row(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const double fx = double(x) / w, fy = double(y) / h;
            const int n = int(rng() % 13) - 6;
            auto c = [&](double v) { return uint8_t(std::clamp(int(v) + n, 0, 255)); };
            p[0] = c(60 + 120 * fx * fy + 40 * std::sin(fx * 9));
            p[1] = c(90 + 100 * std::sin(fy * 5 + fx * 2) * 0.5 + 60 * fy);
            p[2] = c(200 - 150 * fx + 30 * std::cos(fy * 7));
        }
    }
    return r;
}

const Sample& sample(int megapixelsTimes10) {
    static std::map<int, Sample> cache;
    auto it = cache.find(megapixelsTimes10);
    if (it != cache.end())
        return it->second;
    Sample s;
    s.width = megapixelsTimes10 == 3 ? 640 : megapixelsTimes10 == 30 ? 2000 : 4000;
    s.height = megapixelsTimes10 == 3 ? 480 : megapixelsTimes10 == 30 ? 1500 : 3000;
    s.file = encodeGif(photoLike(s.width, s.height));
    // Our files: header, global table, descriptor, code size, then sub-blocks.
    size_t p = 13 + 3 * (size_t(2) << (s.file[10] & 7)) + 10;
    s.minCodeSize = s.file[p++];
    for (size_t len = s.file[p++]; len != 0; len = s.file[p++]) {
        s.codes.insert(s.codes.end(), s.file.begin() + ptrdiff_t(p),
                       s.file.begin() + ptrdiff_t(p + len));
        p += len;
    }
    return cache.emplace(megapixelsTimes10, std::move(s)).first->second;
}

void label(benchmark::State& state, const Sample& s) {
    state.SetLabel(std::to_string(s.width) + "x" + std::to_string(s.height) + ", " +
                   std::to_string(s.file.size() / 1024) + " KB file");
}

void BM_GifDecodeOurs(benchmark::State& state) {
    const Sample& s = sample(int(state.range(0)));
    for (auto _ : state) {
        Raster r = decodeGif(s.file, "bench.gif");
        benchmark::DoNotOptimize(r.pixels.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * s.width * s.height * 3);
    label(state, s);
}

void BM_GifLzwCore(benchmark::State& state) {
    const Sample& s = sample(int(state.range(0)));
    std::vector<uint8_t> out(size_t(s.width) * s.height);
    for (auto _ : state) {
        auto res = gif::lzwDecode(s.codes, s.minCodeSize, out);
        if (res.produced != out.size())
            state.SkipWithError("short decode");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(out.size()));
    label(state, s);
}

#ifdef VELVO_HAVE_GIFLIB
struct MemoryInput {
    const uint8_t* data;
    size_t size, pos;
};

int readMemory(GifFileType* gif, GifByteType* buf, int n) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const size_t k = std::min(size_t(n), in->size - in->pos);
    std::memcpy(buf, in->data + in->pos, k);
    in->pos += k;
    return int(k);
}

void BM_GifDecodeGiflib(benchmark::State& state) {
    const Sample& s = sample(int(state.range(0)));
    for (auto _ : state) {
        MemoryInput in{s.file.data(), s.file.size(), 0};
        int err = 0;
        GifFileType* gif = DGifOpen(&in, readMemory, &err);
        if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
            state.SkipWithError("giflib failed");
            break;
        }
        const SavedImage& img = gif->SavedImages[0];
        const ColorMapObject* map =
            img.ImageDesc.ColorMap ? img.ImageDesc.ColorMap : gif->SColorMap;
        const int w = img.ImageDesc.Width, h = img.ImageDesc.Height;
        std::vector<uint8_t> bgr(size_t(w) * h * 3);
        const GifByteType* src = img.RasterBits;
        uint8_t* dst = bgr.data();
        for (size_t i = 0, n = size_t(w) * h; i < n; ++i, dst += 3) {
            const GifColorType& c = map->Colors[src[i] < map->ColorCount ? src[i] : 0];
            dst[0] = c.Blue, dst[1] = c.Green, dst[2] = c.Red;
        }
        benchmark::DoNotOptimize(bgr.data());
        DGifCloseFile(gif, &err);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * s.width * s.height * 3);
    label(state, s);
}
BENCHMARK(BM_GifDecodeGiflib)->Arg(3)->Arg(30)->Arg(120)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK(BM_GifDecodeOurs)->Arg(3)->Arg(30)->Arg(120)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifLzwCore)->Arg(3)->Arg(30)->Arg(120)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

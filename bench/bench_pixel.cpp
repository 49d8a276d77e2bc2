// The colour panel's filters and the display's scaling, one core. Peers: memcpy of the same
// bytes, and OpenCV (single-threaded) for sharpen and bilinear resize when installed.
#include <benchmark/benchmark.h>
#include <cstring>
#include <map>
#include <memory>
#include <random>

#include "pixel/PixelFilters.h"
#include "pixel/TPixelBitmap.h"
#ifdef VELVO_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

using namespace velvo::pixel;

namespace {

// A photo-like picture: smooth gradients with noise, so tables and clamps see varied bytes.
TPixelBitmap& picture(int w, int h) {
    static std::map<std::pair<int, int>, std::unique_ptr<TPixelBitmap>> cache;
    auto& slot = cache[{w, h}];
    if (!slot) {
        slot = std::make_unique<TPixelBitmap>();
        slot->SetSize(w, h);
        std::mt19937 rng(1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = slot->RowStarts[size_t(y)] + size_t(x) * 3;
                p[0] = uint8_t((x * 255 / w + rng() % 32) & 255);
                p[1] = uint8_t((y * 255 / h + rng() % 32) & 255);
                p[2] = uint8_t(((x + y) * 127 / (w + h) + rng() % 64) & 255);
            }
    }
    return *slot;
}

const int kW = 4000, kH = 3000; // 12 megapixels

template <class F> void runFilter(benchmark::State& state, int w, int h, F filter) {
    const TPixelBitmap& src = picture(w, h);
    TPixelBitmap work;
    work.SetSize(w, h);
    std::memcpy(work.PixelBytes, src.PixelBytes, size_t(src.ByteSize));
    for (auto _ : state) {
        filter(work);
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] =
        benchmark::Counter(double(w) * h * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_Memcpy(benchmark::State& state) {
    const TPixelBitmap& src = picture(kW, kH);
    std::vector<uint8_t> dst(size_t(src.ByteSize));
    for (auto _ : state) {
        std::memcpy(dst.data(), src.PixelBytes, dst.size());
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(double(kW) * kH * double(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

void BM_OffsetChannels(benchmark::State& s) {
    runFilter(s, kW, kH, [](TPixelBitmap& b) { OffsetChannels(b, 20, -10, 5); });
}
void BM_ApplyLightness(benchmark::State& s) {
    runFilter(s, kW, kH, [](TPixelBitmap& b) { ApplyLightness(b, 30); });
}
void BM_ApplyContrast(benchmark::State& s) {
    runFilter(s, kW, kH, [](TPixelBitmap& b) { ApplyContrast(b, 40); });
}
void BM_ApplySaturation(benchmark::State& s) {
    runFilter(s, kW, kH, [](TPixelBitmap& b) { ApplySaturation(b, 300); });
}
void BM_ApplySharpen(benchmark::State& s) {
    runFilter(s, kW, kH, [](TPixelBitmap& b) { ApplySharpen(b, 1); });
}
void BM_ApplySharpen3(benchmark::State& s) {
    runFilter(s, kW, kH, [](TPixelBitmap& b) { ApplySharpen(b, 3); });
}
void BM_ReferenceOffset(benchmark::State& s) {
    runFilter(s, kW, kH, [](TPixelBitmap& b) { reference::OffsetChannels(b, 20, -10, 5); });
}
void BM_ReferenceSharpen(benchmark::State& s) {
    runFilter(s, kW, kH, [](TPixelBitmap& b) { reference::ApplySharpen(b, 1); });
}
BENCHMARK(BM_OffsetChannels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyLightness)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyContrast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplySaturation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplySharpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplySharpen3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceOffset)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceSharpen)->Unit(benchmark::kMillisecond);

// What the panel does on every slider notification: copy the capture back, then the chain.
void pipeline(benchmark::State& state, int w, int h) {
    const TPixelBitmap& capture = picture(w, h);
    TPixelBitmap work;
    work.SetSize(w, h);
    const PanelSettings settings{20, -10, 5, 30, 40, 300, 1};
    for (auto _ : state) {
        std::memcpy(work.PixelBytes, capture.PixelBytes, size_t(capture.ByteSize));
        ApplyPanelPipeline(work, settings);
        benchmark::ClobberMemory();
    }
}
void BM_Pipeline12MP(benchmark::State& s) { pipeline(s, kW, kH); }
void BM_PipelineHairstyle(benchmark::State& s) { pipeline(s, 400, 600); }
BENCHMARK(BM_Pipeline12MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PipelineHairstyle)->Unit(benchmark::kMillisecond);

void resize(benchmark::State& state, int dw, int dh) {
    const TPixelBitmap& src = picture(kW, kH);
    TPixelBitmap dst;
    dst.SetSize(dw, dh);
    for (auto _ : state) {
        src.ResizeBilinear(dst);
        benchmark::ClobberMemory();
    }
}
void BM_ResizeBilinearDown(benchmark::State& s) { resize(s, 200, 150); }
void BM_ResizeBilinearUp2x(benchmark::State& s) { resize(s, kW * 2, kH * 2); }
BENCHMARK(BM_ResizeBilinearDown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResizeBilinearUp2x)->Unit(benchmark::kMillisecond);
// A photo fitted into a preview-sized control: one destination row per four source rows.
void BM_ResizeBilinearFit(benchmark::State& s) { resize(s, 1000, 750); }
BENCHMARK(BM_ResizeBilinearFit)->Unit(benchmark::kMillisecond);

#ifdef VELVO_HAVE_OPENCV
cv::Mat asMat(const TPixelBitmap& b) {
    return cv::Mat(b.Height, b.Width, CV_8UC3, b.PixelBytes, size_t(b.RowBytes));
}
void BM_OpenCvFilter2D(benchmark::State& state) {
    cv::setNumThreads(1);
    const cv::Mat src = asMat(picture(kW, kH)).clone();
    cv::Mat dst;
    const float k[9] = {-1 / 8.f, -1 / 8.f, -1 / 8.f, -1 / 8.f, 2, -1 / 8.f, -1 / 8.f, -1 / 8.f, -1 / 8.f};
    const cv::Mat kernel(3, 3, CV_32F, const_cast<float*>(k));
    for (auto _ : state) {
        cv::filter2D(src, dst, -1, kernel);
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(double(kW) * kH * double(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OpenCvFilter2D)->Unit(benchmark::kMillisecond);

void cvResize(benchmark::State& state, int dw, int dh) {
    cv::setNumThreads(1);
    const cv::Mat src = asMat(picture(kW, kH)).clone();
    cv::Mat dst;
    for (auto _ : state) {
        cv::resize(src, dst, cv::Size(dw, dh), 0, 0, cv::INTER_LINEAR);
        benchmark::ClobberMemory();
    }
}
void BM_OpenCvResizeDown(benchmark::State& s) { cvResize(s, 200, 150); }
void BM_OpenCvResizeUp2x(benchmark::State& s) { cvResize(s, kW * 2, kH * 2); }
BENCHMARK(BM_OpenCvResizeDown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvResizeUp2x)->Unit(benchmark::kMillisecond);
void BM_OpenCvResizeFit(benchmark::State& s) { cvResize(s, 1000, 750); }
BENCHMARK(BM_OpenCvResizeFit)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK_MAIN();

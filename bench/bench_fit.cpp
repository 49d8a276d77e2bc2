// Face finding for the automatic framing, on a 12-megapixel photo of the sample portrait
// (enlarged five times into a 4000 x 3000 canvas with a textured background):
//  - from the JPEG file to the face's keypoints (the file read, DCT-reduced decoding, both
//    models), written by our own codec (4:4:4) and as a camera writes it (4:2:0);
//  - the same through the cascades alone, the finder used before (and the fallback);
//  - the two models alone on the reduced photo;
//  - on the photo already in memory, as a just-opened document holds it;
//  - loading the models and cascades, which a finder does once;
//  - turning a library hairstyle to a rolled head.
// Run on one core (bench/run pins it).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "CameraJpeg.h"
#include "fit/CascadeFinder.h"
#include "fit/FaceFinder.h"
#include "fit/LandmarkFinder.h"
#include "fit/TurnedHair.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"

namespace fs = std::filesystem;
using namespace velvo;

namespace {

struct Fixture {
    imaging::Raster photo;
    fs::path ownJpeg, cameraJpeg;
    bool ready = false;

    Fixture() {
        const auto portrait = imaging::loadImageFile(fs::path(VELVO_PROGRAM_DIR) / "Modelo.JPG");
        if (!portrait)
            return;
        photo = imaging::Raster::create(4000, 3000, "photo");
        uint32_t seed = 12345;
        for (int y = 0; y < photo.height; ++y)
            for (int x = 0; x < photo.width; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int n = int(seed >> 28);
                photo.set(x, y, {uint8_t(90 + n + x / 80), uint8_t(110 + n + y / 60), uint8_t(130 + n)});
            }
        const int scale = 5, ox = 1200, oy = 400;
        for (int y = 0; y < portrait->height * scale; ++y)
            for (int x = 0; x < portrait->width * scale; ++x)
                photo.set(ox + x, oy + y, portrait->at(x / scale, y / scale));
        const std::string stem = "/tmp/velvo-bench-fit-" + std::to_string(::getpid());
        ownJpeg = stem + "-own.jpg";
        cameraJpeg = stem + "-camera.jpg";
        imaging::writeFileAtomic(ownJpeg, imaging::encodeJpeg(photo, 90));
        imaging::writeFileAtomic(cameraJpeg, bench::cameraJpeg(photo, 90));
        ready = true;
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove(ownJpeg, ec);
        fs::remove(cameraJpeg, ec);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

const fit::FaceFinder& finder() {
    static const fit::FaceFinder f{fs::path(VELVO_PROGRAM_DIR)};
    return f;
}

bool skipUnlessReady(benchmark::State& state) {
    if (!fixture().ready) {
        state.SkipWithError("no sample portrait Modelo.JPG in the program folder");
        return true;
    }
    if (!finder().missingModels().empty()) {
        state.SkipWithError(finder().missingModels().c_str());
        return true;
    }
    return false;
}

void findInFile(benchmark::State& state, const fs::path& file) {
    if (skipUnlessReady(state))
        return;
    for (auto _ : state) {
        const auto face = finder().findInFile(file);
        if (!face || !face->keypoints) {
            state.SkipWithError("the portrait's face and keypoints were not found");
            return;
        }
        benchmark::DoNotOptimize(face);
    }
}

void BM_FindFaceInJpegFile(benchmark::State& state) {
    findInFile(state, fixture().ownJpeg);
}
BENCHMARK(BM_FindFaceInJpegFile)->Unit(benchmark::kMillisecond);

void BM_FindFaceInCameraJpegFile(benchmark::State& state) {
    findInFile(state, fixture().cameraJpeg);
}
BENCHMARK(BM_FindFaceInCameraJpegFile)->Unit(benchmark::kMillisecond);

void BM_CascadesInJpegFile(benchmark::State& state) {
    static const fit::CascadeFinder cascades{fs::path(VELVO_PROGRAM_DIR)};
    if (skipUnlessReady(state))
        return;
    for (auto _ : state) {
        const auto face = cascades.findInFile(fixture().ownJpeg);
        if (!face) {
            state.SkipWithError("the portrait's face was not found");
            return;
        }
        benchmark::DoNotOptimize(face);
    }
}
BENCHMARK(BM_CascadesInJpegFile)->Unit(benchmark::kMillisecond);

void BM_FindFaceInRaster(benchmark::State& state) {
    if (skipUnlessReady(state))
        return;
    for (auto _ : state) {
        const auto face = finder().find(fixture().photo);
        if (!face) {
            state.SkipWithError("the portrait's face was not found");
            return;
        }
        benchmark::DoNotOptimize(face);
    }
}
BENCHMARK(BM_FindFaceInRaster)->Unit(benchmark::kMillisecond);

// The models alone, on the photo as the reduced JPEG decoding gives it (500 x 375).
void BM_LandmarksOnReducedPhoto(benchmark::State& state) {
    if (skipUnlessReady(state))
        return;
    static const fit::LandmarkFinder landmarks{fs::path(VELVO_PROGRAM_DIR) / fit::FaceFinder::kModelFolder};
    imaging::Raster small = imaging::Raster::create(500, 375, "reduced");
    for (int y = 0; y < small.height; ++y)
        for (int x = 0; x < small.width; ++x)
            small.set(x, y, fixture().photo.at(x * 8, y * 8));
    for (auto _ : state)
        benchmark::DoNotOptimize(landmarks.detect(small.pixels.data(), small.width, small.height, small.stride()));
}
BENCHMARK(BM_LandmarksOnReducedPhoto)->Unit(benchmark::kMillisecond);

void BM_LoadModelsAndCascades(benchmark::State& state) {
    for (auto _ : state) {
        const fit::FaceFinder f{fs::path(VELVO_PROGRAM_DIR)};
        if (!f.missingModels().empty()) {
            state.SkipWithError(f.missingModels().c_str());
            return;
        }
        benchmark::DoNotOptimize(&f);
    }
}
BENCHMARK(BM_LoadModelsAndCascades)->Unit(benchmark::kMillisecond);

// A library hairstyle's size (the sample ones are about 200 x 260) turned by 25 degrees.
void BM_TurnHairstyle(benchmark::State& state) {
    imaging::Raster hair = imaging::Raster::create(200, 260, "hair");
    for (int y = 0; y < 260; ++y)
        for (int x = 0; x < 200; ++x)
            if ((x - 100) * (x - 100) / 60.0 / 60.0 + (y - 140) * (y - 140) / 80.0 / 80.0 > 1)
                hair.set(x, y, {20, 40, uint8_t(60 + y / 4)});
    for (auto _ : state)
        benchmark::DoNotOptimize(fit::turnHair(hair, {255, 255, 255}, {100, 140, 120}, 25).picture.pixels.data());
}
BENCHMARK(BM_TurnHairstyle)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

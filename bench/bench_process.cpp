// Whole processes, as a user runs them: `velvo-img filter` against the same job written with
// OpenCV, and `velvo-img convert` of a GIF to a bitmap against giflib, on a 4000 x 3000
// picture, side by side in one run. Each iteration starts the program and waits for it, so
// loading, reading, memory and writing are all in the time. Counters per run: the child's
// user and system milliseconds, minor page faults and peak resident megabytes.
#include <benchmark/benchmark.h>
#include <cmath>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace velvo::imaging;

constexpr int kW = 4000, kH = 3000;

// The pictures, written once per benchmark process into a folder of its own.
struct Pictures {
    fs::path dir;
    std::string bmp, gif;
    Pictures() {
        dir = fs::temp_directory_path() / ("velvo-bench-process-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        bmp = (dir / "photo.bmp").string();
        gif = (dir / "photo.gif").string();
        // Written by a child, so that this process stays small: a program started from it
        // inherits its peak memory until the exec, which would hide the programs' own peaks.
        const pid_t writer = ::fork();
        if (writer == 0) {
            write();
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(writer, &status, 0);
    }
    // A photo-like picture: gradients with noise. The GIF version keeps 256 colours of it, so
    // its LZW codes carry noise too.
    void write() const {
        Raster photo = Raster::create(kW, kH, "");
        Raster indexed = Raster::create(kW, kH, "");
        uint32_t seed = 1;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int n = int(seed >> 27);
                photo.set(x, y,
                          {uint8_t((x * 255 / kW + n) & 255), uint8_t((y * 255 / kH + n) & 255),
                           uint8_t(((x + y) * 127 / (kW + kH) + 2 * n) & 255)});
                const int level = (x * 15 / kW) * 16 + (y * 15 / kH + n / 4) % 16;
                indexed.set(x, y, {uint8_t(level), uint8_t(255 - level), uint8_t(level * 7 & 255)});
            }
        saveImageFile(bmp, photo);
        saveImageFile(gif, indexed);
    }
    ~Pictures() { fs::remove_all(dir); }
    std::string out(const std::string& name) const { return (dir / name).string(); }
};

const Pictures& pictures() {
    static Pictures p;
    return p;
}

// Runs the program to its end; false when it could not start or did not exit with 0.
bool runProcess(const std::vector<std::string>& args, rusage& usage) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double ms(const timeval& t) {
    return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
}

void measure(benchmark::State& state, const std::vector<std::string>& args) {
    pictures();
    double user = 0, system = 0, faults = 0, peak = 0;
    for (auto _ : state) {
        rusage usage{};
        if (!runProcess(args, usage)) {
            state.SkipWithError(("failed: " + args[0]).c_str());
            return;
        }
        user += ms(usage.ru_utime), system += ms(usage.ru_stime);
        faults += double(usage.ru_minflt);
        peak = std::max(peak, double(usage.ru_maxrss) / 1024);
    }
    const double n = double(state.iterations());
    state.counters["user_ms"] = user / n;
    state.counters["sys_ms"] = system / n;
    state.counters["minflt"] = faults / n;
    state.counters["peak_MB"] = peak;
}

const std::vector<std::string> kFilterOps = {"offset=20,-10,5", "lightness=30", "saturation=300",
                                             "sharpen=1"};

void BM_ProcessFilterVelvo(benchmark::State& state) {
    std::vector<std::string> args = {VELVO_IMG, "filter", pictures().bmp,
                                     pictures().out("velvo.bmp")};
    args.insert(args.end(), kFilterOps.begin(), kFilterOps.end());
    measure(state, args);
}
BENCHMARK(BM_ProcessFilterVelvo)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VELVO_PEER_CV_FILTER
void BM_ProcessFilterOpenCv(benchmark::State& state) {
    measure(state, {VELVO_PEER_CV_FILTER, pictures().bmp, pictures().out("opencv.bmp"), "20", "-10",
                    "5", "30", "300", "1"});
}
BENCHMARK(BM_ProcessFilterOpenCv)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

void BM_ProcessConvertGifVelvo(benchmark::State& state) {
    measure(state, {VELVO_IMG, "convert", pictures().gif, pictures().out("velvo-gif.bmp")});
}
BENCHMARK(BM_ProcessConvertGifVelvo)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VELVO_PEER_GIF_TO_BMP
void BM_ProcessConvertGifGiflib(benchmark::State& state) {
    measure(state, {VELVO_PEER_GIF_TO_BMP, pictures().gif, pictures().out("giflib.bmp")});
}
BENCHMARK(BM_ProcessConvertGifGiflib)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

} // namespace

BENCHMARK_MAIN();

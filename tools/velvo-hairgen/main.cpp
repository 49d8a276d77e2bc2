// velvo-hairgen: writes the sample hairstyle libraries and sample photos into a program
// folder, or a contact sheet for looking at the hairstyles.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Catalogue.h"
#include "ContactSheet.h"
#include "HairRenderer.h"
#include "SamplePhotos.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"

namespace fs = std::filesystem;
using namespace velvo;
using namespace velvo::hairgen;

namespace {

// zlib's level for the masters: they are written in every build, and level 6 spends twice the
// time of the drawing itself for files about a tenth smaller.
constexpr int kMasterCompression = 2;

void usage() {
    std::fputs("usage: velvo-hairgen PROGRAM_DIR [--portrait FILE]\n"
               "       velvo-hairgen --sheet OUT [--portrait FILE]\n",
               stderr);
}

// Removes numbered hairstyles and masters beyond `count` left by an earlier, larger
// generation, so the numbers always run from 1 without gaps and nothing stale is shown.
void removeStale(const fs::path& folder, size_t count) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string stem = entry.path().stem().string();
        const fs::path ext = entry.path().extension();
        if ((ext != ".GIF" && ext != ".png") || stem.empty() ||
            stem.find_first_not_of("0123456789") != std::string::npos)
            continue;
        if (stem.size() > 4 || size_t(std::stoi(stem)) > count)
            fs::remove(entry.path());
    }
}

int writeLibraries(const fs::path& programDir) {
    struct Job {
        const HairStyle* style;
        fs::path file;
    };
    const std::vector<Library> libraries = sampleLibraries();
    std::vector<Job> jobs;
    for (const Library& lib : libraries)
        for (const Category& category : lib.categories) {
            const fs::path folder = programDir / lib.label / fs::path(category.folder);
            fs::create_directories(folder);
            removeStale(folder, category.styles.size());
            for (size_t i = 0; i < category.styles.size(); ++i)
                jobs.push_back({&category.styles[i], folder / (std::to_string(i + 1) + ".GIF")});
        }

    // Every picture depends on its own style only, so the workers' order does not matter.
    std::atomic<size_t> next{0};
    std::mutex failure;
    std::string error;
    auto work = [&] {
        for (size_t i; (i = next++) < jobs.size();) {
            try {
                const RenderedHair hair = renderHairstyle(*jobs[i].style);
                fs::path master = jobs[i].file;
                master.replace_extension(".png");
                imaging::writeFileAtomic(master, imaging::encodePngBgra(hair.master, kMasterCompression));
                imaging::saveImageFile(jobs[i].file, hair.picture);
            } catch (const std::exception& e) {
                std::lock_guard lock(failure);
                error = e.what();
            }
        }
    };
    const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    std::vector<std::thread> workers;
    for (unsigned t = 1; t < count; ++t)
        workers.emplace_back(work);
    work();
    for (std::thread& t : workers)
        t.join();
    if (!error.empty())
        throw std::runtime_error(error);
    return int(jobs.size());
}

int writeSheet(const fs::path& out, const std::optional<fs::path>& portrait) {
    std::vector<imaging::Raster> all;
    for (const Library& lib : sampleLibraries())
        for (const Category& category : lib.categories)
            for (const HairStyle& style : category.styles)
                all.push_back(renderHairstyle(style, nullptr, 1).picture);
    imaging::Raster sheet = contactSheet(all, 16, 170, 260);
    imaging::saveImageFile(out, sheet);
    std::printf("%zu hairstyles: %s\n", all.size(), out.string().c_str());
    if (portrait) {
        // One medium and one short style of each library laid over the portrait's head.
        std::vector<imaging::Raster> tries;
        const auto libs = sampleLibraries();
        for (const Library& lib : libs)
            for (int c : {0, 1, 3, 4, 6}) {
                std::optional<imaging::Raster> photo = imaging::loadImageFile(*portrait);
                if (!photo)
                    return 1;
                FacePlacement face;
                const imaging::Raster hair =
                    renderHairstyle(lib.categories[c].styles[c % 8], &face, 1).picture;
                // The portrait's face: centre (225, 123), about 96 pixels wide.
                const double scale = 48 / face.halfWidth;
                layOver(*photo, hair, int(225 - face.centreX * scale),
                        int(123 - face.centreY * scale), scale);
                tries.push_back(std::move(*photo));
            }
        fs::path tryFile = out;
        tryFile.replace_filename(out.stem().string() + "-portrait" + out.extension().string());
        imaging::saveImageFile(tryFile, contactSheet(tries, 5, 512, 512));
        std::printf("portrait tries: %s\n", tryFile.string().c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::optional<fs::path> portrait, sheet;
    std::optional<fs::path> programDir;
    for (size_t i = 0; i < args.size(); ++i) {
        if ((args[i] == "--portrait" || args[i] == "--sheet") && i + 1 < args.size()) {
            (args[i] == "--portrait" ? portrait : sheet) = fs::path(args[i + 1]);
            ++i;
        } else if (!programDir && args[i].rfind("--", 0) != 0) {
            programDir = fs::path(args[i]);
        } else {
            usage();
            return 2;
        }
    }
    if (!programDir && !sheet) {
        usage();
        return 2;
    }
    try {
        if (sheet)
            return writeSheet(*sheet, portrait);
        const auto start = std::chrono::steady_clock::now();
        fs::create_directories(*programDir);
        const int files = writeLibraries(*programDir);
        writeSamplePhotos(*programDir, portrait);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("velvo-hairgen: %d hairstyles and the sample photos in %s (%.1f s)\n", files,
                    programDir->string().c_str(), seconds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velvo-hairgen: %s\n", e.what());
        return 1;
    }
    return 0;
}

// The program folder the build assembles: the two sample hairstyle libraries and the sample
// photos, read back with our own codecs the way the studio reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"

namespace fs = std::filesystem;
using velvo::imaging::Bgr;
using velvo::imaging::Raster;

namespace {

const fs::path kProgram = VELVO_PROGRAM_DIR;
const char* const kLibraries[] = {"Velvo5", "Velvo42"};
const char* const kCategories[] = {"Curtos e Claros",  "Curtos e Escuros", "Médios e Claros",
                                   "Médios e Escuros", "Longos e Claros",  "Longos e Escuros",
                                   "Masculinos"};
constexpr Bgr kWhite{255, 255, 255};

fs::path categoryFolder(const char* library, const char* category) {
    return kProgram / library / fs::path(category);
}

// Numbers of the hairstyle files in a folder; other names are reported as failures. Beside
// each N.GIF lies its master N.png, and no master is without its hairstyle.
std::vector<int> hairstyleNumbers(const fs::path& folder) {
    std::vector<int> numbers;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        const std::string stem = entry.path().stem().string();
        const bool numbered = !stem.empty() && stem[0] != '0' &&
                              stem.find_first_not_of("0123456789") == std::string::npos;
        if (numbered && entry.path().extension() == ".png") {
            EXPECT_TRUE(fs::is_regular_file(folder / (stem + ".GIF")))
                << folder / name << " is a master without its hairstyle";
            continue;
        }
        EXPECT_TRUE(entry.is_regular_file() && numbered && entry.path().extension() == ".GIF")
            << folder / name << " is not a hairstyle file named NUMBER.GIF";
        if (numbered) {
            numbers.push_back(std::stoi(stem));
            EXPECT_TRUE(fs::is_regular_file(folder / (stem + ".png"))) << folder / name
                                                                       << " has no master";
        }
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

Raster load(const fs::path& file) {
    std::optional<Raster> picture = velvo::imaging::loadImageFile(file);
    if (!picture)
        throw std::runtime_error(file.string() + ": no reader for this extension");
    return *picture;
}

// A row with hair, then white, then hair again: the face is cut out of the hair.
bool hasCutOut(const Raster& p) {
    for (int y = 0; y < p.height; ++y) {
        int phase = 0;
        for (int x = 0; x < p.width && phase < 3; ++x) {
            const bool white = p.at(x, y) == kWhite;
            if ((phase == 0 && !white) || (phase == 1 && white) || (phase == 2 && !white))
                ++phase;
        }
        if (phase == 3)
            return true;
    }
    return false;
}

class SampleLibrary : public ::testing::TestWithParam<const char*> {};

TEST_P(SampleLibrary, HasTheSevenCategoryFoldersNumberedFromOne) {
    for (const char* category : kCategories) {
        const fs::path folder = categoryFolder(GetParam(), category);
        ASSERT_TRUE(fs::is_directory(folder)) << folder << " is missing";
        const std::vector<int> numbers = hairstyleNumbers(folder);
        EXPECT_GE(numbers.size(), 8u) << folder;
        for (size_t i = 0; i < numbers.size(); ++i)
            EXPECT_EQ(numbers[i], int(i + 1)) << folder << ": the numbers have a gap";
    }
}

TEST_P(SampleLibrary, EveryHairstyleIsACutOutOnUniformWhite) {
    for (const char* category : kCategories) {
        const fs::path folder = categoryFolder(GetParam(), category);
        for (int n = 1; fs::exists(folder / (std::to_string(n) + ".GIF")); ++n) {
            const fs::path file = folder / (std::to_string(n) + ".GIF");
            SCOPED_TRACE(file.string());
            const Raster p = load(file);
            EXPECT_TRUE(p.width >= 150 && p.width <= 400 && p.height >= 100 && p.height <= 500)
                << p.width << " x " << p.height;
            // The overlay keys out the bottom-left pixel; the whitening step reads (1, 1).
            EXPECT_EQ(p.at(0, 0), kWhite);
            EXPECT_EQ(p.at(p.width - 1, 0), kWhite);
            EXPECT_EQ(p.at(0, p.height - 1), kWhite);
            EXPECT_EQ(p.at(p.width - 1, p.height - 1), kWhite);
            EXPECT_EQ(p.at(1, 1), kWhite);
            ASSERT_TRUE(p.background.has_value());
            EXPECT_EQ(*p.background, kWhite);

            std::set<uint32_t> colours;
            size_t hair = 0;
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x) {
                    const Bgr c = p.at(x, y);
                    colours.insert(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b);
                    hair += !(c == kWhite);
                }
            const double share = double(hair) / (double(p.width) * p.height);
            EXPECT_GT(share, 0.2);
            EXPECT_LT(share, 0.9);
            // Shading, not a flat fill; and few enough colours that white stays exact.
            EXPECT_GE(colours.size(), 40u);
            EXPECT_LE(colours.size(), 256u);
            EXPECT_TRUE(hasCutOut(p)) << "no face cut out of the hair";
        }
    }
}

// The master: four times the hairstyle's size over the same region, see-through around the
// hair with a soft edge, framing the face opening the library picture frames.
TEST_P(SampleLibrary, EveryMasterFramesItsHairstylesOpeningWithASoftEdge) {
    constexpr int kScale = 4;
    for (const char* category : kCategories) {
        const fs::path folder = categoryFolder(GetParam(), category);
        for (int n = 1; fs::exists(folder / (std::to_string(n) + ".GIF")); ++n) {
            const fs::path file = folder / (std::to_string(n) + ".png");
            SCOPED_TRACE(file.string());
            const Raster gif = load(folder / (std::to_string(n) + ".GIF"));
            const velvo::imaging::RasterBgra master =
                velvo::imaging::decodePngBgra(velvo::imaging::readFile(file), file.string());
            ASSERT_EQ(master.width, kScale * gif.width);
            ASSERT_EQ(master.height, kScale * gif.height);
            auto alpha = [&](int x, int y) { return master.row(y)[size_t(x) * 4 + 3]; };

            // The key colour never in the hair, so no halo of it can show over a photo; and
            // just outside the half-opaque line the hair blends out rather than stops.
            size_t whiteHair = 0, rim = 0, softRim = 0;
            for (int y = 1; y + 1 < master.height; ++y)
                for (int x = 1; x + 1 < master.width; ++x) {
                    const uint8_t* p = master.row(y) + size_t(x) * 4;
                    whiteHair += p[3] > 0 && Bgr{p[0], p[1], p[2]} == kWhite;
                    if (p[3] < 128 && std::max({alpha(x - 1, y), alpha(x + 1, y), alpha(x, y - 1),
                                                alpha(x, y + 1)}) >= 128) {
                        ++rim;
                        softRim += p[3] > 0;
                    }
                }
            EXPECT_EQ(whiteHair, 0u);
            EXPECT_EQ(alpha(0, master.height - 1), 0) << "the bottom-left corner is see-through";
            EXPECT_GT(double(softRim), 0.9 * double(rim)) << softRim << " of " << rim;

            // The library picture is the master block by block, hair where the block is at
            // least half opaque (bar the 8-bit rounding of alpha), so both frame the same
            // opening. Compared shape for shape: the opening measure counts rows and runs in
            // pixels, and on the four times larger master it settles on other rows.
            size_t blocksDiffer = 0;
            for (int y = 0; y < gif.height; ++y)
                for (int x = 0; x < gif.width; ++x) {
                    int sum = 0;
                    for (int j = 0; j < kScale; ++j)
                        for (int i = 0; i < kScale; ++i)
                            sum += alpha(x * kScale + i, y * kScale + j);
                    blocksDiffer += (2 * sum >= 255 * kScale * kScale) != !(gif.at(x, y) == kWhite);
                }
            EXPECT_LE(double(blocksDiffer), 0.001 * gif.width * gif.height) << blocksDiffer;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ProgramFolder, SampleLibrary, ::testing::ValuesIn(kLibraries));

TEST(SampleLibraries, TheCollectionDiffersFromTheProgramsOwn) {
    for (const char* category : kCategories)
        for (int n = 1; n <= 8; ++n) {
            const std::string name = std::to_string(n) + ".GIF";
            const fs::path own = categoryFolder("Velvo5", category) / name;
            const fs::path other = categoryFolder("Velvo42", category) / name;
            if (!fs::exists(own) || !fs::exists(other))
                continue;
            EXPECT_NE(velvo::imaging::readFile(own), velvo::imaging::readFile(other))
                << own << " and " << other << " are the same picture";
        }
}

TEST(SamplePhotos, GeneratedPhotosInOtherFormatsAndNoActiveTranslation) {
    int others = 0;
    for (const auto& entry : fs::directory_iterator(kProgram)) {
        const auto format = velvo::imaging::formatFromExtension(entry.path());
        if (!entry.is_regular_file() || format == velvo::imaging::ImageFormat::None ||
            format == velvo::imaging::ImageFormat::Jpeg)
            continue;
        const Raster p = load(entry.path());
        EXPECT_GE(std::min(p.width, p.height), 200) << entry.path();
        ++others;
    }
    EXPECT_GE(others, 2);
    EXPECT_FALSE(fs::exists(kProgram / "language.lng"));
}

TEST(SamplePhotos, PortraitIsWrittenAsJpegWhenItWasFetched) {
    const fs::path portrait = kProgram.parent_path().parent_path() / "downloads" / "astronaut.png";
    if (!fs::exists(portrait))
        GTEST_SKIP() << "no sample portrait at " << portrait;
    const fs::path modelo = kProgram / "Modelo.JPG";
    ASSERT_TRUE(fs::exists(modelo));
    EXPECT_EQ(velvo::imaging::detectFileFormat(modelo, true), velvo::imaging::ImageFormat::Jpeg);
    const Raster p = load(modelo);
    const Raster original = load(portrait);
    EXPECT_EQ(p.width, original.width);
    EXPECT_EQ(p.height, original.height);
}

} // namespace

// The program folder the build assembles: the two sample hairstyle libraries and the sample
// photos, read back with our own codecs the way the studio reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fit/HairOpening.h"
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

            // Hair where at least half opaque, as the library picture has it; the key colour
            // never in the hair, so no halo of it can show over a photo.
            Raster keyed = Raster::create(master.width, master.height, "master", kWhite);
            size_t whiteHair = 0, rim = 0, softRim = 0;
            for (int y = 0; y < master.height; ++y)
                for (int x = 0; x < master.width; ++x) {
                    const uint8_t* p = master.row(y) + size_t(x) * 4;
                    const Bgr c{p[0], p[1], p[2]};
                    whiteHair += p[3] > 0 && c == kWhite;
                    if (p[3] >= 128)
                        keyed.set(x, y, c);
                    // The pixels just outside the half-opaque line: blends, not a cut.
                    if (p[3] < 128 && x > 0 && x + 1 < master.width && y > 0 &&
                        y + 1 < master.height &&
                        std::max({p[3 - 4], p[3 + 4], p[3 - int(master.stride())],
                                  p[3 + int(master.stride())]}) >= 128) {
                        ++rim;
                        softRim += p[3] > 0;
                    }
                }
            EXPECT_EQ(whiteHair, 0u);
            EXPECT_EQ(master.pixels[3], 0) << "the top-left corner is see-through";
            EXPECT_GT(double(softRim), 0.9 * double(rim)) << softRim << " of " << rim;

            const auto opening = velvo::fit::measureOpening(gif, kWhite);
            const auto masterOpening = velvo::fit::measureOpening(keyed, kWhite);
            ASSERT_EQ(opening.has_value(), masterOpening.has_value());
            if (!opening)
                continue;
            EXPECT_NEAR(masterOpening->centreX / kScale, opening->centreX, 1.5);
            EXPECT_NEAR(masterOpening->centreY / kScale, opening->centreY, 1.5);
            EXPECT_NEAR(masterOpening->width / kScale, opening->width, 1.5);
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

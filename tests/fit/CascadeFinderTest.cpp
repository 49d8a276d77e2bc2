#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "FitSamples.h"
#include "fit/GreyCopy.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

namespace fs = std::filesystem;
using namespace velvo::fit;
using namespace velvo::fit::testing;
using velvo::imaging::Raster;

TEST(GreyCopy, ReducesByAWholeFactorAndEqualises) {
    Raster r = Raster::create(4003, 3000, "r", {0, 0, 0});
    for (int y = 0; y < r.height; ++y)
        for (int x = 2000; x < r.width; ++x)
            r.set(x, y, {40, 40, 40}); // right half darker grey than white, lighter than black
    const GreyCopy g = reducedGrey(r.pixels.data(), r.width, r.height, r.stride(), 480);
    EXPECT_EQ(g.width, 500); // factor 8; the last 3 columns are left out
    EXPECT_EQ(g.height, 375);
    // Two greys equalised: the darker keeps 0, the lighter becomes white.
    EXPECT_EQ(g.pixels[0], 0);
    EXPECT_EQ(g.pixels[499], 255);
    const GreyCopy h = reducedGrey(r.pixels.data(), r.width, r.height, r.stride(), 3000);
    EXPECT_EQ(h.width, 4003);
}

TEST(CascadeFinder, FindsTheSamplePortraitsFace) {
    VELVO_CASCADES_OR_SKIP(finder);
    const auto photo = portrait();
    if (!photo)
        GTEST_SKIP() << "no sample portrait in " << kProgram;
    const auto face = finder.find(*photo);
    ASSERT_TRUE(face);
    EXPECT_NEAR(face->centreX(), 225, 8);
    EXPECT_NEAR(face->centreY(), 118, 12);
    EXPECT_NEAR(face->w, 100, 12);
    const auto fromFile = finder.findInFile(kProgram / "Modelo.JPG");
    ASSERT_TRUE(fromFile);
    EXPECT_NEAR(fromFile->centreX(), face->centreX(), 2);
    EXPECT_NEAR(fromFile->w, face->w, 4);
}

TEST(CascadeFinder, ReducedJpegAndFullRasterAgree) {
    VELVO_CASCADES_OR_SKIP(finder);
    const auto photo = portrait();
    if (!photo)
        GTEST_SKIP() << "no sample portrait in " << kProgram;
    const Raster big = placed(*photo, 5, 1700, 300, 4000, 3000);
    const fs::path file = fs::temp_directory_path() / ("velvo-fit-" + std::to_string(::getpid()) + ".jpg");
    velvo::imaging::writeFileAtomic(file, velvo::imaging::encodeJpeg(big, 90));
    const auto fromFile = finder.findInFile(file);
    fs::remove(file);
    const auto inMemory = finder.find(big);
    ASSERT_TRUE(fromFile);
    ASSERT_TRUE(inMemory);
    EXPECT_NEAR(fromFile->centreX(), 1700 + 5 * 224.5, 15);
    EXPECT_NEAR(fromFile->centreX(), inMemory->centreX(), 10);
    EXPECT_NEAR(fromFile->centreY(), inMemory->centreY(), 10);
    EXPECT_NEAR(fromFile->w, inMemory->w, inMemory->w * 0.05);
}

TEST(CascadeFinder, NoFaceInAColourChartOrNoise) {
    VELVO_CASCADES_OR_SKIP(finder);
    if (fs::exists(kProgram / "Cartela.tif")) {
        EXPECT_FALSE(finder.findInFile(kProgram / "Cartela.tif"));
    }
    Raster noise = Raster::create(800, 600, "noise");
    std::srand(7);
    for (uint8_t& b : noise.pixels)
        b = uint8_t(std::rand());
    EXPECT_FALSE(finder.find(noise));
    EXPECT_FALSE(finder.find(Raster::create(3000, 2000, "flat")));
    EXPECT_FALSE(finder.find(Raster::create(10, 10, "tiny")));
}

TEST(CascadeFinder, UnreadableFilesAreReportedByName) {
    VELVO_CASCADES_OR_SKIP(finder);
    try {
        (void)finder.findInFile("/nonexistent/photo.jpg");
        FAIL() << "no error";
    } catch (const velvo::Error& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/photo.jpg"), std::string::npos) << e.what();
    }
    EXPECT_THROW((void)finder.findInFile(kProgram / "language-en.lng"), velvo::Error);
}

TEST(CascadeFinder, ProgramFolderCascadesComeFirstAndADamagedOneIsPassedOver) {
    const CascadeFinder system;
    if (!system.available())
        GTEST_SKIP() << "no system face cascade (Debian's opencv-data)";
    const fs::path dir = fs::temp_directory_path() / ("velvo-cascades-" + std::to_string(::getpid()));
    fs::create_directories(dir / "cascades");
    fs::copy_file(system.faceCascadeFile(), dir / "cascades" / CascadeFinder::kDefaultFaceCascade);
    EXPECT_EQ(CascadeFinder(dir).faceCascadeFile(), dir / "cascades" / CascadeFinder::kDefaultFaceCascade);
    std::ofstream(dir / "cascades" / CascadeFinder::kDefaultFaceCascade, std::ios::trunc) << "<opencv_storage>broken";
    const CascadeFinder fallback(dir);
    EXPECT_TRUE(fallback.available());
    EXPECT_EQ(fallback.faceCascadeFile(), system.faceCascadeFile());
    EXPECT_FALSE(CascadeFinder(dir, "no-such-cascade.xml").available());
    fs::remove_all(dir);
}

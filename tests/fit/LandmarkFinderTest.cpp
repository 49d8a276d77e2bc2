#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "FitSamples.h"
#include "fit/LandmarkFinder.h"

namespace fs = std::filesystem;
using namespace velvo::fit;
using namespace velvo::fit::testing;
using velvo::imaging::Raster;

namespace {

constexpr int kCanvas = 760;

// The portrait turned clockwise (as seen) by `degrees` about its centre, in the middle of a
// grey-blue square large enough for every corner.
Raster tilted(const Raster& p, double degrees) {
    Raster c = Raster::create(kCanvas, kCanvas, "tilted", {90, 110, 130});
    const double a = degrees * std::numbers::pi / 180, cs = std::cos(a), sn = std::sin(a);
    for (int y = 0; y < kCanvas; ++y)
        for (int x = 0; x < kCanvas; ++x) {
            const double dx = x + 0.5 - kCanvas / 2.0, dy = y + 0.5 - kCanvas / 2.0;
            const double sx = p.width / 2.0 + cs * dx + sn * dy,
                         sy = p.height / 2.0 - sn * dx + cs * dy;
            if (sx >= 0 && sy >= 0 && sx < p.width && sy < p.height)
                c.set(x, y, p.at(int(sx), int(sy)));
        }
    return c;
}

// Where the upright portrait's point (x, y) lies in tilted(p, degrees).
Point inTilted(const Raster& p, Point q, double degrees) {
    const double a = degrees * std::numbers::pi / 180, dx = q.x - p.width / 2.0,
                 dy = q.y - p.height / 2.0;
    return {kCanvas / 2.0 + dx * std::cos(a) - dy * std::sin(a),
            kCanvas / 2.0 + dx * std::sin(a) + dy * std::cos(a)};
}

} // namespace

#define VELVO_MODELS_OR_SKIP(finder)                                                               \
    const LandmarkFinder finder(kProgram / FaceFinder::kModelFolder);                              \
    if (!finder.complete())                                                                        \
        GTEST_SKIP() << "no face models in " << kProgram / FaceFinder::kModelFolder                \
                     << " (scripts/fetch-facemodels.sh build/downloads fetches them)";             \
    const auto photo = portrait();                                                                 \
    if (!photo)                                                                                    \
    GTEST_SKIP() << "no sample portrait in " << kProgram

TEST(LandmarkFinder, TiltedPortraitsGiveTheirRollWidthAndCentre) {
    VELVO_MODELS_OR_SKIP(finder);
    const Raster upright = tilted(*photo, 0);
    const auto base =
        finder.detect(upright.pixels.data(), upright.width, upright.height, upright.stride());
    ASSERT_EQ(base.size(), 1u);
    ASSERT_TRUE(base[0].keypoints);
    // Back into the portrait's own pixels: its face is near (225, 125), its left eye a little
    // lower.
    const Point centre{base[0].centreX() - (kCanvas - photo->width) / 2.0,
                       base[0].centreY() - (kCanvas - photo->height) / 2.0};
    EXPECT_NEAR(centre.x, 224, 8);
    EXPECT_NEAR(centre.y, 122, 8);
    EXPECT_NEAR(base[0].roll, 2.5, 3.5);
    for (double degrees : {10.0, -10.0, 25.0, -25.0, 40.0, -40.0}) {
        SCOPED_TRACE(degrees);
        const Raster t = tilted(*photo, degrees);
        const auto faces = finder.detect(t.pixels.data(), t.width, t.height, t.stride());
        ASSERT_EQ(faces.size(), 1u);
        const Face& f = faces[0];
        EXPECT_NEAR(f.roll, base[0].roll + degrees, 4);
        EXPECT_NEAR(f.width(), base[0].width(), 0.1 * base[0].width());
        const Point expected = inTilted(*photo, centre, degrees);
        EXPECT_NEAR(f.centreX(), expected.x, 6);
        EXPECT_NEAR(f.centreY(), expected.y, 6);
    }
}

TEST(LandmarkFinder, NothingInNoiseOrAFlatPhoto) {
    VELVO_MODELS_OR_SKIP(finder);
    Raster noise = Raster::create(800, 600, "noise");
    std::srand(7);
    for (uint8_t& b : noise.pixels)
        b = uint8_t(std::rand());
    Raster flat = Raster::create(3000, 2000, "flat"), tiny = Raster::create(3, 2, "tiny");
    for (const Raster* r : {&noise, &flat, &tiny})
        EXPECT_TRUE(finder.detect(r->pixels.data(), r->width, r->height, r->stride()).empty())
            << r->width;
}

TEST(FaceFinder, SeveralFacesComeLargestAndMostCentralFirst) {
    VELVO_MODELS_OR_SKIP(landmarks);
    const FaceFinder finder(kProgram);
    Raster two = placed(*photo, 2, 0, 0, 1600, 1024);
    const Raster small = placed(*photo, 1, 0, 0, 512, 512);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x)
            two.set(1060 + x, 300 + y, small.at(x, y));
    const auto faces = finder.findAll(two);
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_NEAR(faces[0].centreX(), 2 * 224, 16);
    EXPECT_NEAR(faces[1].centreX(), 1060 + 224, 10);
    EXPECT_NEAR(faces[0].width(), 2 * faces[1].width(), 0.2 * faces[0].width());
}

TEST(FaceFinder, AMissingOrDamagedModelIsReportedAndTheOtherFindersTakeOver) {
    VELVO_MODELS_OR_SKIP(landmarks);
    struct Case {
        const char* name;
        bool copyFront, copyBack, damageBack;
        const char* said;
    };
    for (const Case& c : {Case{"none", false, false, false, "not found in"},
                          Case{"front only", true, false, false, LandmarkFinder::kBackModel},
                          Case{"back damaged", true, true, true, "damaged"},
                          Case{"both", true, true, false, nullptr}}) {
        SCOPED_TRACE(c.name);
        const fs::path dir = fs::temp_directory_path() / ("velvo-models-" + std::to_string(::getpid())),
                       models = dir / FaceFinder::kModelFolder;
        fs::remove_all(dir);
        fs::create_directories(models);
        for (const auto& [copy, name] : {std::pair{c.copyFront, LandmarkFinder::kFrontModel},
                                         std::pair{c.copyBack, LandmarkFinder::kBackModel}})
            if (copy)
                fs::copy_file(kProgram / FaceFinder::kModelFolder / name, models / name);
        if (c.damageBack)
            fs::resize_file(models / LandmarkFinder::kBackModel, 5000);
        const FaceFinder finder(dir);
        const std::string said = finder.missingModels();
        if (c.said) {
            EXPECT_NE(said.find(c.said), std::string::npos) << said;
            EXPECT_NE(said.find(LandmarkFinder::kBackModel), std::string::npos) << said;
        } else
            EXPECT_EQ(said, "");
        const auto files = finder.files();
        ASSERT_GE(files.size(), 2u);
        EXPECT_EQ(files[1].loaded(), c.copyBack && !c.damageBack);
        EXPECT_EQ(files[1].problem.empty(), files[1].loaded());
        // Whatever is missing, the upright portrait is still framed.
        const auto face = finder.find(*photo);
        ASSERT_TRUE(face);
        EXPECT_NEAR(face->centreX(), 225, 10);
        // The front model leaves a face this small (a fifth of the photo) to the back model.
        EXPECT_EQ(face->keypoints.has_value(), files[1].loaded());
        fs::remove_all(dir);
    }
}

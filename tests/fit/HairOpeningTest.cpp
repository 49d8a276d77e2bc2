#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "fit/HairOpening.h"
#include "imaging/codecs/ImageFile.h"

namespace fs = std::filesystem;
using namespace velvo::fit;
using velvo::imaging::Bgr;
using velvo::imaging::Raster;

namespace {
constexpr Bgr kWhite{255, 255, 255};
constexpr Bgr kHair{30, 40, 60};

// A white picture with a ring of hair round an oval face at (cx, cy), half-width a, half-height
// b; below `sidesEnd` the ring stops, as a crop leaves the jaw free.
Raster ringOfHair(double cx, double cy, double a, double b, int sidesEnd) {
    Raster r = Raster::create(220, 300, "ring");
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            const double u = (x + 0.5 - cx) / a, v = (y + 0.5 - cy) / b;
            const double outer = std::pow((x + 0.5 - cx) / (a + 30), 2) + std::pow((y + 0.5 - cy) / (b + 35), 2);
            if (u * u + v * v >= 1 && outer < 1 && y < sidesEnd)
                r.set(x, y, kHair);
        }
    return r;
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("velvo-fit-" + std::to_string(::getpid()) + "-" +
                                                 std::to_string(std::rand()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
};

void write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}
} // namespace

TEST(HairOpening, MeasuresTheOvalTheHairFrames) {
    const auto op = measureOpening(ringOfHair(110, 140, 45, 60, 300), kWhite);
    ASSERT_TRUE(op);
    EXPECT_NEAR(op->centreX, 110, 1.5);
    EXPECT_NEAR(op->centreY, 140, 4);
    EXPECT_NEAR(op->width, 90, 2);
}

TEST(HairOpening, OpenJawAndStrayStrandsDoNotMoveIt) {
    Raster r = ringOfHair(110, 140, 45, 60, 150); // sides stop just past the middle
    for (int y = 95; y < 112; ++y)
        r.set(108, y, kHair); // a lock down the forehead
    const auto op = measureOpening(r, kWhite);
    ASSERT_TRUE(op);
    EXPECT_NEAR(op->centreX, 110, 2);
    EXPECT_NEAR(op->width, 90, 3);
    EXPECT_NEAR(op->centreY, 140, 12);
}

TEST(HairOpening, NothingFramedGivesNothing) {
    EXPECT_FALSE(measureOpening(Raster::create(50, 50, "white"), kWhite));
    Raster blob = Raster::create(100, 100, "blob");
    for (int y = 20; y < 80; ++y)
        for (int x = 20; x < 80; ++x)
            blob.set(x, y, kHair);
    EXPECT_FALSE(measureOpening(blob, kWhite));
}

TEST(HairOpening, SideFileIsRead) {
    TempDir dir;
    std::string error;
    write(dir.path / "1.fit", "# salon's own\r\n; measured by hand\r\n\r\nCentreX = 101.5\r\ncentrey=88\r\nwidth=77\r\n");
    const auto op = readSideFile(dir.path / "1.fit", error);
    ASSERT_TRUE(op) << error;
    EXPECT_DOUBLE_EQ(op->centreX, 101.5);
    EXPECT_DOUBLE_EQ(op->centreY, 88);
    EXPECT_DOUBLE_EQ(op->width, 77);
    EXPECT_FALSE(readSideFile(dir.path / "none.fit", error));
    EXPECT_TRUE(error.empty());
}

TEST(HairOpening, MalformedSideFilesNameFileAndLine) {
    TempDir dir;
    const struct {
        const char* text;
        const char* fault;
    } cases[] = {
        {"centrex=1\ncentrey=2\nwidth=3\nwidht=4\n", "line 4: unknown key"},
        {"centrex=1\ncentrey 2\nwidth=3\n", "line 2: expected key=value"},
        {"centrex=1\ncentrey=2\nwidth=3px\n", "line 3: \"3px\" is not a number"},
        {"centrex=1\ncentrey=2\nwidth=0\n", "line 3: width must be above 0"},
        {"centrex=-1\ncentrey=2\nwidth=3\n", "line 1: centrex must not be negative"},
        {"centrex=1\ncentrex=2\nwidth=3\n", "line 2: \"centrex\" given twice"},
        {"centrex=1\nwidth=3\n", "no centrey line"},
        {"centrex=nan\ncentrey=1\nwidth=3\n", "is not a number"},
    };
    for (const auto& c : cases) {
        const fs::path file = dir.path / "7.fit";
        write(file, c.text);
        std::string error;
        EXPECT_FALSE(readSideFile(file, error)) << c.text;
        EXPECT_NE(error.find(file.string()), std::string::npos) << error;
        EXPECT_NE(error.find(c.fault), std::string::npos) << error;
    }
}

TEST(HairOpening, MalformedSideFileIsReportedOnceAndTheMeasureUsed) {
    TempDir dir;
    clearOpeningCache();
    const Raster hair = ringOfHair(110, 140, 45, 60, 300);
    write(dir.path / "4.GIF", "stand-in");
    write(dir.path / "4.fit", "width=abc\n");
    const OpeningResult first = openingFor(dir.path / "4.GIF", hair, kWhite);
    EXPECT_FALSE(first.fromSideFile);
    EXPECT_NE(first.error.find("4.fit: line 1"), std::string::npos) << first.error;
    EXPECT_NEAR(first.opening.width, 90, 2);
    const OpeningResult again = openingFor(dir.path / "4.GIF", hair, kWhite);
    EXPECT_TRUE(again.fromCache);
    EXPECT_TRUE(again.error.empty());
    EXPECT_NEAR(again.opening.width, 90, 2);
}

TEST(HairOpening, SideFileOverridesAndIsNotReadAgainUntilItChanges) {
    TempDir dir;
    clearOpeningCache();
    const Raster hair = ringOfHair(110, 140, 45, 60, 300);
    const fs::path gif = dir.path / "5.GIF", side = dir.path / "5.Fit"; // matched in any case
    write(gif, "stand-in");
    write(side, "centrex=50\ncentrey=60\nwidth=70\n");
    const OpeningResult first = openingFor(gif, hair, kWhite);
    EXPECT_TRUE(first.fromSideFile);
    EXPECT_DOUBLE_EQ(first.opening.width, 70);
    // Same size and time: the cache answers, without reading the new contents.
    const auto stamp = fs::last_write_time(side);
    write(side, "centrex=50\ncentrey=60\nwidth=80\n");
    fs::last_write_time(side, stamp);
    const OpeningResult cached = openingFor(gif, hair, kWhite);
    EXPECT_TRUE(cached.fromCache);
    EXPECT_DOUBLE_EQ(cached.opening.width, 70);
    // A later modification time is a new file.
    fs::last_write_time(side, stamp + std::chrono::seconds(5));
    const OpeningResult fresh = openingFor(gif, hair, kWhite);
    EXPECT_FALSE(fresh.fromCache);
    EXPECT_DOUBLE_EQ(fresh.opening.width, 80);
    // Removing the side file brings the measure back.
    fs::remove(side);
    EXPECT_NEAR(openingFor(gif, hair, kWhite).opening.width, 90, 2);
}

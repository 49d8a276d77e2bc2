#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "imaging/codecs/ImageFile.h"

#ifdef VELVO_IMG
using velvo::imaging::Bgr;
using velvo::imaging::Raster;
namespace fs = std::filesystem;

namespace {

class FilterCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("velvo-filter-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        // 3 x 2: top row red, green, blue; bottom row grey 100, black, white.
        Raster r = Raster::create(3, 2, "in");
        r.set(0, 0, {0, 0, 200}), r.set(1, 0, {0, 200, 0}), r.set(2, 0, {200, 0, 0});
        r.set(0, 1, {100, 100, 100}), r.set(1, 1, {0, 0, 0}), r.set(2, 1, {255, 255, 255});
        velvo::imaging::saveImageFile(in(), r);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string in() const { return (dir_ / "in.bmp").string(); }
    std::string out() const { return (dir_ / "out.png").string(); }
    int run(const std::string& ops) const {
        const std::string cmd = std::string(VELVO_IMG) + " filter '" + in() + "' '" + out() +
                                "' " + ops + " 2>/dev/null";
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    Raster result() const { return *velvo::imaging::loadImageFile(out()); }

    fs::path dir_;
};

} // namespace

TEST_F(FilterCommandTest, AppliesOperationsInOrder) {
    // Red + 100, blue - 50, then mirror: the top row's first pixel is the former blue one.
    ASSERT_EQ(run("offset=100,0,-50 mirror"), 0);
    Raster r = result();
    EXPECT_EQ(r.at(0, 0), (Bgr{150, 0, 100}));
    EXPECT_EQ(r.at(2, 0), (Bgr{0, 0, 255}));
    EXPECT_EQ(r.at(2, 1), (Bgr{50, 100, 200}));
    // Lightness 50 maps 0, 100, 255 to 49, 130, 255; then saturation 0 makes grey.
    ASSERT_EQ(run("lightness=50 saturation=0"), 0);
    r = result();
    EXPECT_EQ(r.at(0, 1), (Bgr{130, 130, 130}));
    EXPECT_EQ(r.at(1, 1), (Bgr{49, 49, 49}));
    // Red 200 -> 200 + (55 x 50) >> 8 = 210, the others 49: grey (49 + 49 + 210) div 3 = 102.
    EXPECT_EQ(r.at(0, 0), (Bgr{102, 102, 102}));
}

TEST_F(FilterCommandTest, SelectionRestrictsEngineOperations) {
    // The square covers only pixel (0, 0); offsets of the filter ignore the selection.
    ASSERT_EQ(run("'select=0,0;1,0;1,1;0,1' rgb=0,50,0 contrast=0"), 0);
    Raster r = result();
    EXPECT_EQ(r.at(0, 0), (Bgr{0, 50, 200}));
    EXPECT_EQ(r.at(1, 1), (Bgr{0, 0, 0}));
    ASSERT_EQ(run("hsv=0,0,-99"), 0);
    EXPECT_EQ(result().at(2, 1), (Bgr{0, 0, 0}));
}

TEST_F(FilterCommandTest, RejectsBadOperations) {
    for (const char* bad : {"", "blur=3", "offset=1,2", "offset=1,2,x", "lightness=", "sharpen=0",
                            "mirror=1", "'select=0,0;1,1'", "hsv=400,0,0", "rgb=1,2,3,"})
        EXPECT_NE(run(bad), 0) << bad;
    EXPECT_FALSE(fs::exists(out()));
    fs::remove(in());
    EXPECT_NE(run("mirror"), 0);
}
#endif

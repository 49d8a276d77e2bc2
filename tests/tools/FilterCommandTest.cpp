#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"
#include "pixel/PixelFilters.h"
#include "pixel/TPixelBitmap.h"

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

// A photo-like picture 13 wide (rows padded to 40 bytes in a bitmap file) and its result after
// offsets, lightness, saturation and sharpen by the plain loops, one after another.
Raster noisy(unsigned seed) {
    Raster r = Raster::create(13, 7, "in");
    for (size_t i = 0; i < r.pixels.size(); ++i)
        r.pixels[i] = uint8_t((i * 37 + seed * 11 + i * i % 53) & 255);
    return r;
}
Raster filteredByPlainLoops(const Raster& in) {
    namespace px = velvo::pixel;
    px::TPixelBitmap bm;
    bm.SetSize(in.width, in.height);
    for (int y = 0; y < in.height; ++y)
        std::memcpy(bm.PixelAt(0, y), in.row(y), in.stride());
    px::reference::OffsetChannels(bm, 20, -10, 5);
    px::reference::ApplyLightness(bm, 30);
    px::reference::ApplySaturation(bm, 300);
    px::reference::ApplySharpen(bm, 1);
    Raster out = Raster::create(in.width, in.height, "out");
    for (int y = 0; y < in.height; ++y)
        std::memcpy(out.row(y), bm.PixelAt(0, y), out.stride());
    return out;
}

TEST_F(FilterCommandTest, TheFiltersGiveThePlainLoopsBytesWhateverTheFormats) {
    const Raster photo = noisy(3);
    velvo::imaging::saveImageFile(in(), photo);
    const Raster expected = filteredByPlainLoops(photo);
    const std::string ops = "offset=20,-10,5 lightness=30 saturation=300 sharpen=1";
    // Bitmap file to bitmap file: the very file the bitmap writer makes of the result.
    const std::string bmp = (dir_ / "out.bmp").string();
    const std::string cmd = std::string(VELVO_IMG) + " filter '" + in() + "' '" + bmp + "' " + ops;
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(velvo::imaging::readFile(bmp), velvo::imaging::encodeBmp(expected));
    // Another format on each side.
    const std::string gif = (dir_ / "in.gif").string();
    velvo::imaging::saveImageFile(gif, photo);
    const Raster fromGif = *velvo::imaging::loadImageFile(gif);
    const std::string cmd2 =
        std::string(VELVO_IMG) + " filter '" + gif + "' '" + out() + "' " + ops;
    ASSERT_EQ(std::system(cmd2.c_str()), 0);
    EXPECT_EQ(result().pixels, filteredByPlainLoops(fromGif).pixels);
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

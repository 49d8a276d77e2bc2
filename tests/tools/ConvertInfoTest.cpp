#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"
#include "imaging/codecs/MetafileTestWriter.h"

#ifdef VELVO_IMG
using velvo::imaging::Bgr;
using velvo::imaging::Raster;
namespace fs = std::filesystem;

namespace {
struct ToolRun {
    int status;
    std::string out;
};

// Runs velvo-img with stderr folded into the captured output.
ToolRun velvoImg(const std::string& args) {
    const std::string cmd = std::string(VELVO_IMG) + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    std::array<char, 256> buf;
    while (p && fgets(buf.data(), int(buf.size()), p))
        out += buf.data();
    const int status = p ? pclose(p) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class ConvertInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("velvo-convert-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        Raster r = Raster::create(5, 3, "in", Bgr{10, 20, 30});
        r.set(4, 2, {200, 100, 0});
        velvo::imaging::saveImageFile(path("in.bmp"), r);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};
} // namespace

TEST_F(ConvertInfoTest, ConvertsThroughEveryWriterAndReportsTheFormat) {
    for (const char* ext : {"gif", "tif", "pcx", "png", "bmp", "jpg"}) {
        const std::string out = path(std::string("out.") + ext);
        ASSERT_EQ(velvoImg("convert " + path("in.bmp") + " " + out).status, 0) << ext;
        const ToolRun info = velvoImg("info " + out);
        EXPECT_EQ(info.status, 0) << ext;
        EXPECT_NE(info.out.find(" 5x3"), std::string::npos) << info.out;
        if (std::string(ext) != "jpg") {
            EXPECT_EQ(velvo::imaging::loadImageFile(out)->at(4, 2), (Bgr{200, 100, 0})) << ext;
        }
    }
    EXPECT_EQ(velvoImg("info " + path("out.gif")).out, "GIF 5x3\n");
}

TEST_F(ConvertInfoTest, FailuresExitNonZeroWithOneLineSayingWhy) {
    const ToolRun unknownOut = velvoImg("convert " + path("in.bmp") + " " + path("out.xyz"));
    EXPECT_NE(unknownOut.status, 0);
    EXPECT_FALSE(fs::exists(path("out.xyz")));
    EXPECT_NE(unknownOut.out.find("out.xyz"), std::string::npos);

    const ToolRun missing = velvoImg("convert " + path("none.png") + " " + path("x.bmp"));
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.out.find("none.png"), std::string::npos);
    EXPECT_EQ(std::count(missing.out.begin(), missing.out.end(), '\n'), 1);

    velvo::imaging::writeFileAtomic(path("junk.gif"), std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0, 7});
    const ToolRun junk = velvoImg("info " + path("junk.gif"));
    EXPECT_NE(junk.status, 0);
    EXPECT_NE(junk.out.find("junk.gif"), std::string::npos);

    EXPECT_NE(velvoImg("info").status, 0);
    EXPECT_NE(velvoImg("frobnicate a b").status, 0);
}
TEST_F(ConvertInfoTest, ACutPhotoIsConvertedWithOneWarning) {
    Raster r = Raster::create(64, 48, "in");
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            r.set(x, y, {uint8_t(x * 4), uint8_t(y * 5), uint8_t((x * y) % 251)});
    const std::vector<uint8_t> jpeg = velvo::imaging::encodeJpeg(r);
    velvo::imaging::writeFileAtomic(path("whole.jpg"), jpeg);
    velvo::imaging::writeFileAtomic(
        path("cut.jpg"), std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + ptrdiff_t(jpeg.size() * 3 / 10)));

    EXPECT_EQ(velvoImg("convert " + path("whole.jpg") + " " + path("whole.bmp")).out, "");
    const ToolRun cut = velvoImg("convert " + path("cut.jpg") + " " + path("cut.bmp"));
    EXPECT_EQ(cut.status, 0);
    EXPECT_TRUE(fs::exists(path("cut.bmp")));
    EXPECT_EQ(cut.out.find("velvo-img: warning: " + path("cut.jpg") + ": "), 0u) << cut.out;
    EXPECT_NE(cut.out.find("incomplete"), std::string::npos) << cut.out;
    EXPECT_EQ(std::count(cut.out.begin(), cut.out.end(), '\n'), 1) << cut.out;
}

// A metafile's text needs Qt's fonts, which the command line tool has only when it starts a
// GUI application for it.
TEST_F(ConvertInfoTest, MetafileTextIsDrawnOnTheCommandLine) {
    velvo::testing::WmfWriter w;
    std::vector<uint8_t> font;
    for (int v : {-30, 0, 0, 0, 700, 0, 0, 0, 0})
        velvo::testing::put16(font, v);
    for (char c : std::string("DejaVu Sans").append(21, '\0'))
        font.push_back(uint8_t(c));
    w.raw(0x02FB, font).select(0).colorRec(0x0209, velvo::testing::rgb(0, 0, 0));
    w.rec(0x0521, {4, 'W' | 'W' << 8, 'W' | 'W' << 8, 10, 10});
    velvo::imaging::writeFileAtomic(path("text.wmf"), w.file(1, 0, 0, 200, 100, 96));
    ASSERT_EQ(velvoImg("convert " + path("text.wmf") + " " + path("text.bmp")).status, 0);
    const Raster r = *velvo::imaging::loadImageFile(path("text.bmp"));
    int dark = 0;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x)
            dark += r.at(x, y).g < 128;
    EXPECT_GT(dark, 100);
}
#endif

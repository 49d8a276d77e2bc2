// Cross-checks of the BMP reader and writer against ImageMagick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

using namespace velvo::imaging;
namespace fs = std::filesystem;

namespace {

bool haveConvert() {
    return std::system("command -v convert >/dev/null 2>&1") == 0;
}

std::vector<uint8_t> capture(const std::string& command) {
    std::vector<uint8_t> out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    uint8_t buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.insert(out.end(), buf, buf + n);
    pclose(p);
    return out;
}

struct Scratch {
    fs::path dir = fs::temp_directory_path() /
                   ("velvo_bmp_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    Scratch() { fs::create_directories(dir); }
    ~Scratch() { fs::remove_all(dir); }
    std::string operator/(const std::string& f) const { return (dir / f).string(); }
};

std::vector<uint8_t> readAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeAll(const std::string& file, const std::vector<uint8_t>& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// ImageMagick's own reading, flattened onto white, as B,G,R rows like a Raster.
std::vector<uint8_t> magickPixels(const std::string& file) {
    std::vector<uint8_t> rgb =
        capture("convert '" + file + "' -background white -flatten -depth 8 rgb:-");
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        std::swap(rgb[i], rgb[i + 2]);
    return rgb;
}

int maxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size())
        return 256;
    int most = 0;
    for (size_t i = 0; i < a.size(); ++i)
        most = std::max(most, std::abs(a[i] - b[i]));
    return most;
}

const char* kScene = "-size 37x23 gradient:red-blue -fill green -draw 'circle 12,11 18,15' "
                     "-fill yellow -draw 'rectangle 25,2 33,9'";

TEST(BmpImageMagick, ReadsWhatImageMagickWrites) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    Scratch tmp;
    struct Case {
        const char* args;
        int headerSize, bpp, compression; // what the file must contain for the case to count
    };
    const Case cases[] = {
        {"-type TrueColor", 124, 24, 0},
        {"-type TrueColor -define bmp:format=bmp3", 40, 24, 0},
        {"-type Palette -compress None -define bmp:format=bmp3", 40, 8, 0},
        {"-type Palette -compress RLE -define bmp:format=bmp3", 40, 8, 1},
        {"-colors 16 -type Palette -depth 4 -compress None -define bmp:format=bmp3", 40, 4, 0},
        {"-type Bilevel", 108, 1, 0},
        {"-alpha off -type TrueColor -define bmp:subtype=RGB565", 124, 16, 3},
        {"-alpha off -type TrueColor -define bmp:subtype=RGB555", 124, 16, 3},
        {"-alpha set -channel A -fx 'i/w' +channel", 124, 32, 3},
        {"-type TrueColor -define bmp:format=bmp2", 12, 24, -1},
        {"-type Palette -define bmp:format=bmp2", 12, 8, -1},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string file = tmp / ("in" + std::to_string(index++) + ".bmp");
        ASSERT_EQ(
            std::system(
                ("convert " + std::string(kScene) + " " + c.args + " '" + file + "'").c_str()),
            0)
            << c.args;
        const std::vector<uint8_t> bytes = readAll(file);
        ASSERT_GT(bytes.size(), 54u);
        EXPECT_EQ(bytes[14], c.headerSize) << c.args;
        EXPECT_EQ(bytes[c.headerSize == 12 ? 24 : 28], c.bpp) << c.args;
        if (c.compression >= 0) {
            EXPECT_EQ(bytes[30], c.compression) << c.args;
        }
        const Raster r = decodeBmp(bytes, file);
        EXPECT_EQ(r.width, 37);
        EXPECT_EQ(r.height, 23);
        // We round when widening 5- and 6-bit fields and when compositing; ImageMagick
        // replicates bits and rounds its compositing differently, so those may differ by 1.
        EXPECT_LE(maxDifference(r.pixels, magickPixels(file)), c.bpp >= 16 && c.bpp != 24)
            << c.args;
        EXPECT_EQ(r.bilevel, c.bpp == 1) << c.args;
    }
}

TEST(BmpImageMagick, ReadsTransparencyOntoWhite) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    Scratch tmp;
    const std::string file = tmp / "a.bmp";
    ASSERT_EQ(std::system(("convert -size 4x1 xc:'rgba(255,0,0,0)' '" + file + "'").c_str()), 0);
    const Raster r = decodeBmp(readAll(file), file);
    // Fully transparent everywhere is the "all-zero alpha" case: ImageMagick wrote colour
    // under it, and the file is taken as opaque.
    EXPECT_EQ(r.at(0, 0), (Bgr{0, 0, 255}));

    ASSERT_EQ(std::system(("convert -size 1x1 xc:'rgba(0,0,0,0)' xc:'rgba(0,0,255,0.25)' "
                           "+append '" +
                           file + "'")
                              .c_str()),
              0);
    const Raster s = decodeBmp(readAll(file), file);
    EXPECT_EQ(s.at(0, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(s.at(1, 0), (Bgr{255, 191, 191}));
    EXPECT_LE(maxDifference(s.pixels, magickPixels(file)), 1);
}

TEST(BmpImageMagick, ImageMagickReadsWhatWeWrite) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    Scratch tmp;
    Raster color = Raster::create(31, 9, "c");
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 31; ++x)
            color.set(x, y, {uint8_t(x * 8), uint8_t(y * 28), uint8_t(255 - x * 3)});
    Raster bw = Raster::create(29, 6, "b");
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 29; ++x)
            if ((x + y) % 3 == 0)
                bw.set(x, y, {0, 0, 0});
    bw.bilevel = true;
    for (const Raster* r : {&color, &bw}) {
        const std::string file = tmp / "ours.bmp";
        writeAll(file, encodeBmp(*r));
        EXPECT_EQ(magickPixels(file), r->pixels);
        const std::vector<uint8_t> info = capture("identify -format '%wx%h %z' '" + file + "'");
        const std::string expected =
            std::to_string(r->width) + "x" + std::to_string(r->height) + (r->bilevel ? " 1" : " 8");
        EXPECT_EQ(std::string(info.begin(), info.end()), expected);
    }
}

} // namespace

// Cross-checks with ImageMagick: files it writes decode to the pixels it reports itself, and
// it reads what we write.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

using namespace velvo::imaging;
namespace fs = std::filesystem;

namespace {

bool haveConvert() {
    return std::system("command -v convert >/dev/null 2>&1") == 0;
}

std::vector<uint8_t> readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const fs::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void run(const std::string& command) {
    ASSERT_EQ(std::system((command + " 2>/dev/null").c_str()), 0) << command;
}

fs::path workDir() {
    fs::path dir = fs::temp_directory_path() / ("velvo-tiff-im-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

// A 37x23 picture with smooth runs and scattered colours, written as PPM.
fs::path sourcePicture(const fs::path& dir) {
    const int w = 37, h = 23;
    std::string ppm = "P6\n37 23\n255\n";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool odd = (x * 7 + y * 13) % 11 == 0;
            ppm += char(odd ? 250 - x : x * 6);
            ppm += char(odd ? y * 9 : 255 - y * 10);
            ppm += char(odd ? 17 : (x * y) % 256);
        }
    const fs::path p = dir / "source.ppm";
    std::ofstream(p, std::ios::binary) << ppm;
    return p;
}

// Largest difference between our picture and ImageMagick's own RGB reading of `tif`.
int differenceFromImageMagick(const Raster& ours, const fs::path& tif, const fs::path& dir) {
    const fs::path ref = dir / "ref.rgb";
    run("convert '" + tif.string() + "' -background white -alpha remove -depth 8 rgb:'" +
        ref.string() + "'");
    const std::vector<uint8_t> rgb = readFile(ref);
    EXPECT_EQ(rgb.size(), size_t(ours.width) * ours.height * 3);
    int worst = 0;
    for (size_t i = 0; i + 2 < rgb.size() && i + 2 < ours.pixels.size(); i += 3)
        for (int c = 0; c < 3; ++c)
            worst = std::max(
                worst, std::abs(int(ours.pixels[i + 2 - size_t(c)]) - int(rgb[i + size_t(c)])));
    return worst;
}

} // namespace

TEST(TiffImageMagickTest, DecodesWhatImageMagickWrites) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const fs::path dir = workDir();
    const fs::path source = sourcePicture(dir);
    const std::string alpha = " -alpha set -channel A -fx '(i+j)/(w+h-2)' +channel";
    struct Case {
        std::string options;
        int tolerance;
    };
    const Case cases[] = {
        {"-compress None", 0},
        {"-compress LZW", 0},
        {"-compress LZW -define tiff:predictor=2", 0},
        {"-compress RLE", 0},
        {"-compress Zip", 0},
        {"-compress Zip -define tiff:predictor=2", 0},
        {"-endian MSB -compress LZW -define tiff:predictor=2", 0},
        {"-endian LSB -compress None", 0},
        {"-define tiff:tile-geometry=64x64 -compress LZW", 0},
        {"-define tiff:tile-geometry=16x16 -compress Zip -endian MSB", 0},
        {"-define tiff:rows-per-strip=5 -compress RLE", 0},
        {"-interlace plane -compress LZW", 0},
        {"-type Bilevel -compress None", 0},
        {"-type Bilevel -define quantum:polarity=min-is-white", 0},
        {"-type Grayscale -compress LZW", 0},
        {"-type Grayscale -depth 4", 0},
        {"-type Grayscale -depth 16 -endian MSB", 1},
        {"-type Palette -compress LZW", 1}, // IM rounds 16-bit map entries its own way
        {"-colors 12 -type Palette -depth 4", 0},
        {"-type TrueColor -depth 16 -compress LZW -define tiff:predictor=2", 1},
        {"-type TrueColor -depth 16 -endian MSB -compress Zip", 1},
        {"-type TrueColorAlpha" + alpha, 1},
        {"-type TrueColorAlpha -depth 16 -compress LZW" + alpha, 2},
        {"-type TrueColorAlpha -define tiff:alpha=associated" + alpha, 2},
        {"-type GrayscaleAlpha" + alpha, 1},
        {"-colorspace CMYK -compress LZW", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const fs::path tif = dir / "im.tif";
        fs::remove(tif);
        run("convert '" + source.string() + "' " + c.options + " '" + tif.string() + "'");
        Raster ours;
        try {
            ours = decodeTiff(readFile(tif), "im.tif");
        } catch (const velvo::Error& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        ASSERT_EQ(ours.width, 37);
        ASSERT_EQ(ours.height, 23);
        EXPECT_LE(differenceFromImageMagick(ours, tif, dir), c.tolerance);
    }
    fs::remove_all(dir);
}

TEST(TiffImageMagickTest, ImageMagickReadsWhatWeWrite) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const fs::path dir = workDir();
    Raster picture = Raster::create(301, 77, "p");
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.set(x, y, {uint8_t(x * 3 + y), uint8_t(y * 5), uint8_t((x * x + y) % 251)});
    for (TiffCompression c : {TiffCompression::None, TiffCompression::Lzw}) {
        const fs::path tif = dir / "ours.tif";
        writeFile(tif, encodeTiff(picture, c));
        EXPECT_EQ(differenceFromImageMagick(picture, tif, dir), 0) << "compression " << int(c);
    }
    fs::remove_all(dir);
}

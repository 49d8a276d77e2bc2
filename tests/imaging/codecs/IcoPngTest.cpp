// Icons whose entries are PNG files (the usual form of 256 x 256 entries).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

using namespace velvo::imaging;
namespace fs = std::filesystem;

namespace {

bool haveConvert() {
    return std::system("command -v convert >/dev/null 2>&1") == 0;
}

std::vector<uint8_t> readAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct Scratch {
    fs::path dir = fs::temp_directory_path() / ("velvo_icopng_" + std::to_string(::getpid()));
    Scratch() { fs::create_directories(dir); }
    ~Scratch() { fs::remove_all(dir); }
    std::string operator/(const std::string& f) const { return (dir / f).string(); }
};

TEST(IcoPng, AutoResizedIconUsesItsPngEntry) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    Scratch tmp;
    const std::string make = "convert -size 300x300 gradient:red-blue -alpha set -region "
                             "41x41+0+0 -alpha transparent +region PNG32:'" +
                             (tmp / "t.png") + "' && convert '" + (tmp / "t.png") +
                             "' -define icon:auto-resize=16,256,32 '" + (tmp / "x.ico") + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const std::vector<uint8_t> bytes = readAll(tmp / "x.ico");
    const Raster r = decodeIco(bytes, "x.ico");
    EXPECT_EQ(r.width, 256);
    EXPECT_EQ(r.height, 256);
    EXPECT_EQ(r.at(2, 2), (Bgr{255, 255, 255})); // transparent corner
    const Bgr c = r.at(128, 250);
    EXPECT_GT(c.b, 200); // the blue end of the gradient
    EXPECT_LT(c.r, 60);
}

TEST(IcoPng, PngEntryBesideBitmapEntries) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    Scratch tmp;
    ASSERT_EQ(std::system(("convert -size 20x10 xc:green '" + (tmp / "e.png") + "'").c_str()), 0);
    const std::vector<uint8_t> png = readAll(tmp / "e.png");
    // A 4x4 bitmap entry of one palette colour (red), and the 20x10 PNG entry.
    std::vector<uint8_t> dib;
    putU32le(dib, 40), putU32le(dib, 4), putU32le(dib, 8), putU16le(dib, 1), putU16le(dib, 8);
    for (int i = 0; i < 4; ++i)
        putU32le(dib, 0);
    putU32le(dib, 1), putU32le(dib, 0);
    dib.insert(dib.end(), {0, 0, 255, 0});
    dib.resize(dib.size() + 16 + 16, 0); // indexes, then the mask
    for (bool pngFirst : {true, false}) {
        std::vector<uint8_t> file;
        putU16le(file, 0), putU16le(file, 1), putU16le(file, 2);
        const std::vector<uint8_t>* parts[2] = {pngFirst ? &png : &dib, pngFirst ? &dib : &png};
        uint32_t offset = 6 + 32;
        for (const auto* p : parts) {
            const bool isPng = p == &png;
            file.push_back(isPng ? 20 : 4), file.push_back(isPng ? 10 : 4);
            file.insert(file.end(), {0, 0, 1, 0});
            putU16le(file, isPng ? 32 : 8);
            putU32le(file, uint32_t(p->size())), putU32le(file, offset);
            offset += uint32_t(p->size());
        }
        for (const auto* p : parts)
            file.insert(file.end(), p->begin(), p->end());
        const Raster r = decodeIco(file, "m.ico");
        EXPECT_EQ(r.width, 20);
        EXPECT_EQ(r.at(19, 9), (Bgr{0, 128, 0}));

        // A PNG entry whose data past the header is garbage gives a clean error.
        std::vector<uint8_t> broken = file;
        const size_t pngAt = pngFirst ? 38 : 38 + dib.size();
        std::fill(broken.begin() + std::ptrdiff_t(pngAt + 33),
                  broken.begin() + std::ptrdiff_t(pngAt + png.size()), 0x11);
        EXPECT_THROW(decodeIco(broken, "m.ico"), velvo::Error);
    }
}

} // namespace

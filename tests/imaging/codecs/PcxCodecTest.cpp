#include <gtest/gtest.h>

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

constexpr Bgr kWhite{255, 255, 255}, kBlack{0, 0, 0};

// A 128-byte header; palette is 16 RGB triples.
std::vector<uint8_t> header(int version, int encoding, int bpp, int w, int h, int planes,
                            int bytesPerLine, std::vector<uint8_t> palette = {}) {
    std::vector<uint8_t> out(128, 0);
    auto put16 = [&](size_t at, int v) { out[at] = uint8_t(v), out[at + 1] = uint8_t(v >> 8); };
    out[0] = 0x0A, out[1] = uint8_t(version), out[2] = uint8_t(encoding), out[3] = uint8_t(bpp);
    put16(4, 10), put16(6, 20), put16(8, 10 + w - 1), put16(10, 20 + h - 1);
    std::copy(palette.begin(), palette.end(), out.begin() + 16);
    out[65] = uint8_t(planes);
    put16(66, bytesPerLine);
    return out;
}

std::vector<uint8_t> join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string errorOf(const std::vector<uint8_t>& file) {
    try {
        decodePcx(file, "bad.pcx");
    } catch (const velvo::Error& e) {
        EXPECT_EQ(e.file(), "bad.pcx");
        return e.fault();
    }
    return "";
}

Raster scene(int w, int h) {
    Raster r = Raster::create(w, h, "p");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            r.set(x, y, {uint8_t(x < w / 2 ? 200 : x * 9), uint8_t(y * 17), uint8_t(0xC0 + x % 7)});
    return r;
}

bool haveConvert() {
    return std::system("command -v convert >/dev/null 2>&1") == 0;
}

std::vector<uint8_t> magickBgr(const std::string& file) {
    std::vector<uint8_t> out;
    FILE* p =
        popen(("convert '" + file + "' -background white -flatten -depth 8 rgb:-").c_str(), "r");
    if (!p)
        return out;
    for (int c; (c = std::fgetc(p)) != EOF;)
        out.push_back(uint8_t(c));
    pclose(p);
    for (size_t i = 0; i + 2 < out.size(); i += 3)
        std::swap(out[i], out[i + 2]);
    return out;
}

struct Scratch {
    fs::path dir = fs::temp_directory_path() / ("velvo_pcx_" + std::to_string(::getpid()));
    Scratch() { fs::create_directories(dir); }
    ~Scratch() { fs::remove_all(dir); }
    std::string operator/(const std::string& f) const { return (dir / f).string(); }
};

std::vector<uint8_t> readAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(PcxCodec, RoundTripThroughThreeRlePlanes) {
    for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {7, 3}, {130, 5}}) {
        const Raster in = scene(w, h);
        const std::vector<uint8_t> file = encodePcx(in);
        EXPECT_EQ(file[1], 5);
        EXPECT_EQ(file[2], 1);
        EXPECT_EQ(file[65], 3);
        EXPECT_EQ(file[66] | file[67] << 8, (w + 1) / 2 * 2); // even bytes per line
        const Raster out = decodePcx(file, "t.pcx");
        EXPECT_EQ(out.width, w);
        EXPECT_EQ(out.height, h);
        EXPECT_EQ(out.pixels, in.pixels) << w << "x" << h;
    }
}

TEST(PcxCodec, MonochromeAndPlanarPalettes) {
    // 1 bit: header palette all zeros means black and white; runs carry across scanlines.
    std::vector<uint8_t> mono = join(header(5, 1, 1, 12, 2, 1, 2), {0xC3, 0xF0, 0x0F});
    Raster r = decodePcx(mono, "m.pcx");
    EXPECT_TRUE(r.bilevel);
    EXPECT_EQ(r.at(0, 0), kWhite);
    EXPECT_EQ(r.at(4, 0), kBlack);
    EXPECT_EQ(r.at(0, 1), kWhite); // third byte of the run: the first of row 1
    EXPECT_EQ(r.at(8, 1), kBlack);

    // 1 bit x 4 planes: bit k of the index comes from plane k; bytes per line larger than needed.
    std::vector<uint8_t> pal(48, 0);
    for (int i = 0; i < 16; ++i)
        pal[size_t(3 * i)] = uint8_t(i * 16), pal[size_t(3 * i + 2)] = uint8_t(255 - i);
    std::vector<uint8_t> ega =
        join(header(5, 0, 1, 8, 1, 4, 2, pal), {0x80, 0xEE, 0x40, 0xEE, 0x20, 0xEE, 0x10, 0xEE});
    r = decodePcx(ega, "e.pcx");
    EXPECT_FALSE(r.bilevel);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(r.at(x, 0), (Bgr{uint8_t(255 - (1 << x)), 0, uint8_t((1 << x) * 16)})) << x;
    EXPECT_EQ(r.at(4, 0), (Bgr{255, 0, 0}));

    // 2-bit packed, and a run spanning the two scanlines.
    std::vector<uint8_t> cga = join(header(5, 1, 2, 4, 2, 1, 1, pal), {0xC2, 0x1B});
    r = decodePcx(cga, "c.pcx");
    EXPECT_EQ(r.at(3, 1), (Bgr{255 - 3, 0, 48}));
    EXPECT_EQ(r.at(0, 1), (Bgr{255, 0, 0}));
}

TEST(PcxCodec, EightBitPaletteOrGrayRamp) {
    std::vector<uint8_t> body = {0xC3, 7, 0xC1, 200}; // 7, 7, 7, 200 (a value >= 0xC0 needs a run)
    std::vector<uint8_t> noPalette = join(header(5, 1, 8, 4, 1, 1, 4), body);
    Raster r = decodePcx(noPalette, "g.pcx");
    EXPECT_EQ(r.at(0, 0), (Bgr{7, 7, 7}));
    EXPECT_EQ(r.at(3, 0), (Bgr{200, 200, 200}));

    std::vector<uint8_t> vga(769, 0);
    vga[0] = 0x0C;
    vga[1 + 3 * 7] = 10, vga[2 + 3 * 7] = 20, vga[3 + 3 * 7] = 30;
    r = decodePcx(join(noPalette, vga), "v.pcx");
    EXPECT_EQ(r.at(0, 0), (Bgr{30, 20, 10}));
    EXPECT_EQ(r.at(3, 0), kBlack);
}

TEST(PcxCodec, ReadsWhatImageMagickWritesAndTheOtherWayRound) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    Scratch tmp;
    const std::string drawing =
        "-size 37x23 gradient:red-blue -fill green -draw 'circle 12,11 18,15'";
    struct Case {
        const char* args;
        int bpp, planes;
    };
    for (const Case& c : {Case{"-type Palette", 8, 1}, Case{"-type TrueColor", 8, 3},
                          Case{"-type Bilevel", 8, 3}, Case{"-type Palette -compress None", 8, 1},
                          Case{"-alpha set -channel A -fx 'i/w' +channel", 8, 4}}) {
        const std::string file = tmp / "in.pcx";
        ASSERT_EQ(std::system(("convert " + drawing + " " + c.args + " '" + file + "'").c_str()),
                  0);
        const std::vector<uint8_t> bytes = readAll(file);
        ASSERT_GT(bytes.size(), 128u);
        EXPECT_EQ(bytes[3], c.bpp) << c.args;
        EXPECT_EQ(bytes[65], c.planes) << c.args;
        const Raster r = decodePcx(bytes, file);
        EXPECT_EQ(r.width, 37);
        const std::vector<uint8_t> theirs = magickBgr(file);
        ASSERT_EQ(r.pixels.size(), theirs.size()) << c.args;
        int most = 0;
        for (size_t i = 0; i < theirs.size(); ++i)
            most = std::max(most, std::abs(r.pixels[i] - theirs[i]));
        EXPECT_LE(most, c.planes == 4 ? 1 : 0) << c.args; // compositing rounds differently
    }

    const Raster ours = scene(41, 13);
    const std::string file = tmp / "ours.pcx";
    const std::vector<uint8_t> bytes = encodePcx(ours);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    EXPECT_EQ(magickBgr(file), ours.pixels);
}

TEST(PcxCodec, BadInputGivesCleanErrors) {
    const std::vector<uint8_t> good = encodePcx(scene(9, 4));
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> prefix(good.begin(), good.begin() + std::ptrdiff_t(n));
        EXPECT_FALSE(errorOf(prefix).empty()) << n;
    }
    EXPECT_NE(errorOf(header(5, 1, 8, 30001, 1, 3, 30002)).find("width 30001"), std::string::npos);
    EXPECT_NE(errorOf(header(5, 1, 8, 4, 1, 3, 3)).find("bytes per line 3"), std::string::npos);
    EXPECT_NE(errorOf(header(5, 2, 8, 4, 1, 3, 4)).find("encoding 2"), std::string::npos);
    EXPECT_NE(errorOf(header(5, 1, 8, 4, 1, 2, 4)).find("2 planes"), std::string::npos);
    EXPECT_NE(errorOf(header(5, 1, 16, 4, 1, 1, 8)).find("16 bits"), std::string::npos);
    // Uncompressed data is checked against the file before anything is allocated.
    EXPECT_NE(errorOf(header(5, 0, 8, 20000, 5000, 1, 20000)).find("truncated"), std::string::npos);
    std::vector<uint8_t> window = header(5, 1, 8, 4, 1, 1, 4);
    window[8] = 0, window[9] = 0; // Xmax below Xmin
    EXPECT_NE(errorOf(window).find("window"), std::string::npos);
    std::vector<uint8_t> garbage(200, 0x5A);
    EXPECT_NE(errorOf(garbage).find("not a PCX"), std::string::npos);
    garbage[0] = 0x0A;
    EXPECT_FALSE(errorOf(garbage).empty());
}

} // namespace

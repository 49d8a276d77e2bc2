#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include <unistd.h>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

using namespace velvo::imaging;
namespace fs = std::filesystem;

namespace {

constexpr Bgr kWhite{255, 255, 255}, kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0};

using Bgra = std::array<uint8_t, 4>;
using PixelFn = std::function<Bgra(int x, int y)>; // 8-bit entries use [0] as the index
using MaskFn = std::function<bool(int x, int y)>;

// An icon entry bitmap: 40-byte header with doubled height, palette, XOR rows bottom-up, then
// the AND mask unless withMask is false.
std::vector<uint8_t> dib(int w, int h, int bpp, const std::vector<Bgr>& palette, PixelFn pixel,
                         MaskFn masked, bool withMask = true) {
    std::vector<uint8_t> out;
    putU32le(out, 40), putU32le(out, uint32_t(w)), putU32le(out, uint32_t(2 * h));
    putU16le(out, 1), putU16le(out, uint16_t(bpp));
    for (int i = 0; i < 4; ++i)
        putU32le(out, 0);
    putU32le(out, uint32_t(palette.size())), putU32le(out, 0);
    for (Bgr c : palette)
        out.insert(out.end(), {c.b, c.g, c.r, 0});
    const size_t stride = (size_t(w) * size_t(bpp) + 31) / 32 * 4;
    for (int y = h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < w; ++x) {
            const Bgra p = pixel(x, y);
            if (bpp == 32)
                std::copy(p.begin(), p.end(), row.begin() + 4 * x);
            else
                row[size_t(x)] = p[0];
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    const size_t maskStride = (size_t(w) + 31) / 32 * 4;
    for (int y = h - 1; withMask && y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int x = 0; x < w; ++x)
            if (masked(x, y))
                row[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

struct Entry {
    int dirWidth, dirHeight, dirDepth;
    std::vector<uint8_t> data;
};

std::vector<uint8_t> iconFile(const std::vector<Entry>& entries, int type = 1) {
    std::vector<uint8_t> out;
    putU16le(out, 0), putU16le(out, uint16_t(type)), putU16le(out, uint16_t(entries.size()));
    uint32_t offset = uint32_t(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        out.push_back(uint8_t(e.dirWidth)), out.push_back(uint8_t(e.dirHeight));
        out.push_back(0), out.push_back(0);
        putU16le(out, type == 2 ? 3 : 1); // planes, or the hot spot x of a cursor
        putU16le(out, uint16_t(e.dirDepth));
        putU32le(out, uint32_t(e.data.size())), putU32le(out, offset);
        offset += uint32_t(e.data.size());
    }
    for (const Entry& e : entries)
        out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
}

Entry solid(int size, int bpp, Bgr c, int dirDepth = -1) {
    const MaskFn none = [](int, int) { return false; };
    if (bpp == 32)
        return {size & 255, size & 255, dirDepth < 0 ? 32 : dirDepth,
                dib(
                    size, size, 32, {},
                    [c](int, int) {
                        return Bgra{c.b, c.g, c.r, 255};
                    },
                    none)};
    return {size & 255, size & 255, dirDepth < 0 ? bpp : dirDepth,
            dib(
                size, size, bpp, {c},
                [](int, int) {
                    return Bgra{0, 0, 0, 0};
                },
                none)};
}

Raster decode(const std::vector<uint8_t>& file) {
    return decodeIco(file, "t.ico");
}

std::string errorOf(const std::vector<uint8_t>& file) {
    try {
        decodeIco(file, "bad.ico");
    } catch (const velvo::Error& e) {
        EXPECT_EQ(e.file(), "bad.ico");
        return e.fault();
    }
    return "";
}

TEST(IcoCodec, ChoosesTheLargestEntryThenTheDeepest) {
    const Entry small = solid(16, 8, kRed), big8 = solid(32, 8, kGreen),
                big32 = solid(32, 32, kBlue);
    for (const auto& order : {std::vector{small, big8, big32}, std::vector{big32, big8, small},
                              std::vector{big8, big32, small}}) {
        const Raster r = decode(iconFile(order));
        EXPECT_EQ(r.width, 32);
        EXPECT_EQ(r.at(5, 5), kBlue);
    }
    // A size byte of 0 means 256; a cursor's depth field holds the hot spot and is ignored.
    const Raster r = decode(iconFile({solid(48, 8, kRed), solid(256, 8, kGreen)}));
    EXPECT_EQ(r.width, 256);
    EXPECT_EQ(r.at(200, 255), kGreen);
    const Raster cur = decode(iconFile({solid(32, 32, kBlue, 1), solid(32, 8, kRed, 99)}, 2));
    EXPECT_EQ(cur.at(0, 0), kBlue);
}

TEST(IcoCodec, AndMaskAndAlphaBecomeWhite) {
    const std::vector<Bgr> pal = {kRed, kGreen};
    auto index = [](int x, int y) { return Bgra{uint8_t((x + y) % 2), 0, 0, 0}; };
    auto leftMasked = [](int x, int) { return x < 3; };
    Raster r = decode(iconFile({{5, 4, 8, dib(5, 4, 8, pal, index, leftMasked)}}));
    EXPECT_EQ(r.height, 4);
    EXPECT_EQ(r.at(0, 0), kWhite);
    EXPECT_EQ(r.at(2, 3), kWhite);
    EXPECT_EQ(r.at(3, 0), kGreen);
    EXPECT_EQ(r.at(4, 0), kRed);
    EXPECT_EQ(r.at(3, 1), kRed);

    // A mask missing altogether counts as opaque; a partial one is an error.
    std::vector<uint8_t> noMask = dib(5, 4, 8, pal, index, leftMasked, false);
    EXPECT_EQ(decode(iconFile({{5, 4, 8, noMask}})).at(0, 0), kRed);
    std::vector<uint8_t> partial = dib(5, 4, 8, pal, index, leftMasked);
    partial.resize(partial.size() - 5);
    EXPECT_NE(errorOf(iconFile({{5, 4, 8, partial}})).find("AND mask"), std::string::npos);

    // 32 bits: the alpha wins over the mask; all-zero alpha falls back to the mask.
    auto halfRed = [](int x, int) { return Bgra{0, 0, 255, uint8_t(x == 0 ? 0 : 128)}; };
    r = decode(iconFile({{2, 1, 32, dib(2, 1, 32, {}, halfRed, leftMasked)}}));
    EXPECT_EQ(r.at(0, 0), kWhite);
    EXPECT_EQ(r.at(1, 0), (Bgr{127, 127, 255}));
    auto zeroAlpha = [](int, int) { return Bgra{0, 255, 0, 0}; };
    auto firstMasked = [](int x, int) { return x == 0; };
    r = decode(iconFile({{2, 1, 32, dib(2, 1, 32, {}, zeroAlpha, firstMasked)}}));
    EXPECT_EQ(r.at(0, 0), kWhite);
    EXPECT_EQ(r.at(1, 0), kGreen);
}

TEST(IcoCodec, BadInputGivesCleanErrors) {
    const std::vector<uint8_t> good = iconFile({solid(4, 8, kRed), solid(8, 32, kGreen)});
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> prefix(good.begin(), good.begin() + std::ptrdiff_t(n));
        EXPECT_FALSE(errorOf(prefix).empty()) << n;
    }
    std::vector<uint8_t> f = good;
    f[2] = 3; // type
    EXPECT_NE(errorOf(f).find("not an icon"), std::string::npos);
    f = good, f[4] = 0; // no entries
    EXPECT_NE(errorOf(f).find("no entries"), std::string::npos);
    f = good, f[4] = 200; // the directory runs past the end
    EXPECT_NE(errorOf(f).find("truncated"), std::string::npos);
    f = good, f[6 + 12 + 3] = 0x10; // offset of the first entry
    EXPECT_NE(errorOf(f).find("outside the file"), std::string::npos);
    f = good, f[6 + 16 + 8 + 2] = 0x10; // size of the second entry
    EXPECT_NE(errorOf(f).find("entry 2"), std::string::npos);
    Entry huge = solid(8, 32, kRed);
    huge.data[6] = 0x7F; // width far beyond the limits
    EXPECT_NE(errorOf(iconFile({huge})).find("width"), std::string::npos);
    Entry rle = solid(8, 8, kRed);
    rle.data[16] = 1;
    EXPECT_NE(errorOf(iconFile({rle})).find("run-length"), std::string::npos);
    std::vector<uint8_t> garbage(100, 0xEE);
    EXPECT_FALSE(errorOf(garbage).empty());
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

TEST(IcoCodec, ReadsTheLargestOfImageMagickIcons) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    const fs::path dir = fs::temp_directory_path() / ("velvo_ico_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string d = dir.string() + "/";
    const std::string make = "convert -size 16x16 xc:red " + d +
                             "a.png && convert -size 48x40 gradient:yellow-blue "
                             "-alpha set -channel A -fx 'i/w' +channel " +
                             d + "b.png && convert -size 32x32 xc:green " + d +
                             "c.png && convert " + d + "a.png " + d + "b.png " + d + "c.png " + d +
                             "x.ico";
    ASSERT_EQ(std::system(make.c_str()), 0);
    for (const char* name : {"x.ico", "as cursor"}) {
        std::ifstream in(d + "x.ico", std::ios::binary);
        std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        ASSERT_GT(bytes.size(), 6u);
        if (name[0] == 'a')
            bytes[2] = 2;
        const Raster r = decodeIco(bytes, name);
        EXPECT_EQ(r.width, 48);
        EXPECT_EQ(r.height, 40);
        EXPECT_EQ(r.at(0, 0), kWhite); // fully transparent
        const std::vector<uint8_t> theirs = magickBgr(d + "x.ico[1]");
        ASSERT_EQ(theirs.size(), r.pixels.size());
        int most = 0;
        for (size_t i = 0; i < theirs.size(); ++i)
            most = std::max(most, std::abs(r.pixels[i] - theirs[i]));
        EXPECT_LE(most, 1) << name; // compositing rounds differently
    }
    fs::remove_all(dir);
}

} // namespace

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Exif.h"

using namespace velvo::imaging;
namespace fs = std::filesystem;

namespace {

struct Entry {
    uint16_t tag, type;
    uint32_t count, value;
};

// "Exif\0\0" + a TIFF header + IFD0 at `ifdOffset` holding `entries`.
std::vector<uint8_t> exifPayload(bool bigEndian, std::vector<Entry> entries,
                                 uint32_t ifdOffset = 8) {
    std::vector<uint8_t> p = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](uint16_t v) {
        if (bigEndian)
            p.insert(p.end(), {uint8_t(v >> 8), uint8_t(v)});
        else
            p.insert(p.end(), {uint8_t(v), uint8_t(v >> 8)});
    };
    auto u32 = [&](uint32_t v) {
        if (bigEndian)
            u16(uint16_t(v >> 16)), u16(uint16_t(v));
        else
            u16(uint16_t(v)), u16(uint16_t(v >> 16));
    };
    p.insert(p.end(), bigEndian ? std::initializer_list<uint8_t>{'M', 'M'}
                                : std::initializer_list<uint8_t>{'I', 'I'});
    u16(42);
    u32(ifdOffset);
    while (p.size() < 6 + ifdOffset)
        p.push_back(0);
    u16(uint16_t(entries.size()));
    for (const Entry& e : entries) {
        u16(e.tag), u16(e.type), u32(e.count);
        if (e.type == 3)
            u16(uint16_t(e.value)), u16(0);
        else
            u32(e.value);
    }
    u32(0);
    return p;
}

std::vector<uint8_t> withApp1(const std::vector<uint8_t>& jpeg,
                              const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out = {
        0xFF, 0xD8, 0xFF, 0xE1, uint8_t((payload.size() + 2) >> 8), uint8_t(payload.size() + 2)};
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// 3x2 with six distinct pixels, named a..f in reading order.
Raster sixPixels() {
    Raster r = Raster::create(3, 2, "six");
    for (int i = 0; i < 6; ++i)
        r.set(i % 3, i / 3, {uint8_t('a' + i), 0, 0});
    return r;
}

std::string layout(const Raster& r) {
    std::string s;
    for (int y = 0; y < r.height; ++y) {
        for (int x = 0; x < r.width; ++x)
            s += char(r.at(x, y).b);
        s += y + 1 < r.height ? "/" : "";
    }
    return s;
}

} // namespace

TEST(Exif, FindsOrientationInBothByteOrders) {
    for (bool big : {false, true})
        for (int v = 1; v <= 8; ++v) {
            // The orientation after another tag, as cameras write it (Make, Model first).
            auto payload = exifPayload(big, {{0x010F, 2, 4, 0}, {0x0112, 3, 1, uint32_t(v)}});
            EXPECT_EQ(exifOrientation(payload), v) << (big ? "MM " : "II ") << v;
        }
    auto far = exifPayload(true, {{0x0112, 3, 1, 6}}, 40);
    EXPECT_EQ(exifOrientation(far), 6);
}

TEST(Exif, DamagedOrForeignPayloadsGiveOne) {
    EXPECT_EQ(exifOrientation({}), 1);
    auto good = exifPayload(false, {{0x0112, 3, 1, 8}});
    // Every cut short payload: never read outside, answer 1 or the value if it was intact.
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        const int v = exifOrientation(cut);
        EXPECT_TRUE(v == 1 || v == 8) << n;
    }
    auto notExif = good;
    notExif[0] = 'X';
    EXPECT_EQ(exifOrientation(notExif), 1);
    auto badOrder = good;
    badOrder[6] = 'I', badOrder[7] = 'M';
    EXPECT_EQ(exifOrientation(badOrder), 1);
    EXPECT_EQ(exifOrientation(exifPayload(false, {{0x0112, 3, 1, 0}})), 1);
    EXPECT_EQ(exifOrientation(exifPayload(false, {{0x0112, 3, 1, 9}})), 1);
    EXPECT_EQ(exifOrientation(exifPayload(false, {{0x0112, 4, 1, 6}})), 1) << "wrong type";
    auto offsetPastEnd = exifPayload(false, {{0x0112, 3, 1, 6}});
    offsetPastEnd[6 + 4] = 0xF0, offsetPastEnd[6 + 7] = 0xFF;
    EXPECT_EQ(exifOrientation(offsetPastEnd), 1);
    // An entry count that runs past the payload.
    auto lying = exifPayload(false, {{0x0110, 2, 1, 0}});
    lying[6 + 8] = 0xFF, lying[6 + 9] = 0xFF;
    EXPECT_EQ(exifOrientation(lying), 1);
}

TEST(Exif, EachOrientationMatchesItsHandDrawnResult) {
    const char* expected[9] = {"",         "abc/def",  "cba/fed",  "fed/cba", "def/abc",
                               "ad/be/cf", "da/eb/fc", "fc/eb/da", "cf/be/ad"};
    for (int v = 1; v <= 8; ++v)
        EXPECT_EQ(layout(applyOrientation(sixPixels(), v)), expected[v]) << v;
    EXPECT_EQ(layout(applyOrientation(sixPixels(), 0)), "abc/def");
    EXPECT_EQ(layout(applyOrientation(sixPixels(), 42)), "abc/def");
    const Raster turned = applyOrientation(Raster::create(5, 1, "line"), 6);
    EXPECT_EQ(turned.width, 1);
    EXPECT_EQ(turned.height, 5);
}

TEST(Exif, JpegDecoderStandsPhotoUprightLikeImageMagick) {
    // A picture whose corners differ, so every orientation gives a different result.
    Raster src = Raster::create(48, 32, "src");
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x)
            src.set(x, y, {uint8_t(x < 24 ? 20 : 220), uint8_t(y < 16 ? 30 : 200), uint8_t(x * 5)});
    const std::vector<uint8_t> plain = encodeJpeg(src);
    const Raster upright = decodeJpeg(plain, "plain.jpg");
    const bool convert = std::system("command -v convert >/dev/null 2>&1") == 0;
    const fs::path dir = fs::temp_directory_path() / ("velvo_exif_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (int v = 1; v <= 8; ++v) {
        const std::vector<uint8_t> file =
            withApp1(plain, exifPayload(v % 2, {{0x0112, 3, 1, uint32_t(v)}}));
        const Raster r = decodeJpeg(file, "phone.jpg");
        const Raster want = applyOrientation(upright, v);
        ASSERT_EQ(r.width, want.width) << v;
        ASSERT_EQ(r.height, want.height) << v;
        EXPECT_EQ(r.pixels, want.pixels) << v;
        if (!convert)
            continue;
        const std::string path = (dir / ("o" + std::to_string(v) + ".jpg")).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
        FILE* p = popen(("convert '" + path + "' -auto-orient -depth 8 rgb:-").c_str(), "r");
        std::vector<uint8_t> rgb(r.pixels.size() + 1);
        const size_t n = std::fread(rgb.data(), 1, rgb.size(), p);
        pclose(p);
        ASSERT_EQ(n, r.pixels.size()) << v;
        int worst = 0;
        for (size_t i = 0; i < n; i += 3)
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(int(rgb[i + c]) - int(r.pixels[i + 2 - c])));
        EXPECT_LE(worst, 1) << "orientation " << v;
    }
    fs::remove_all(dir);
}

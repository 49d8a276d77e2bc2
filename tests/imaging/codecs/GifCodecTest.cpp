#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <unistd.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

using namespace velvo::imaging;
namespace fs = std::filesystem;

namespace {

// Every one of n colours (1..256) occurs; the rest of the pixels pick among them at random.
Raster palettePicture(int w, int h, int n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Bgr> colours;
    for (int i = 0; i < n; ++i)
        colours.push_back({uint8_t(i * 37 + 11), uint8_t(255 - i), uint8_t((i * 91) ^ (i >> 1))});
    Raster r = Raster::create(w, h, "");
    for (int i = 0; i < w * h; ++i)
        r.set(i % w, i / w, colours[size_t(i < n ? i : int(rng() % unsigned(n)))]);
    return r;
}

// Smooth gradients with noise: far more than 256 colours.
Raster photoLike(int w, int h, uint32_t seed) {
    std::mt19937 rng(seed);
    Raster r = Raster::create(w, h, "");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto c = [&](double v) {
                return uint8_t(std::clamp(v + int(rng() % 9) - 4, 0.0, 255.0));
            };
            r.set(x, y,
                  {c(255.0 * x / w), c(128 + 100 * std::sin(y * 0.05)),
                   c(255.0 * (x + y) / (w + h))});
        }
    return r;
}

bool haveConvert() {
    return std::system("command -v convert >/dev/null 2>&1") == 0;
}

fs::path tempDir() {
    fs::path d = fs::temp_directory_path() / ("velvo_gif_test_" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
}

std::vector<uint8_t> readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
void writeAll(const fs::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void writePpm(const fs::path& p, const Raster& r) {
    std::string head =
        "P6\n" + std::to_string(r.width) + " " + std::to_string(r.height) + "\n255\n";
    std::vector<uint8_t> bytes(head.begin(), head.end());
    for (size_t i = 0; i < r.pixels.size(); i += 3)
        bytes.insert(bytes.end(), {r.pixels[i + 2], r.pixels[i + 1], r.pixels[i]});
    writeAll(p, bytes);
}

void run(const std::string& cmd) {
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

// ImageMagick's own reading of a file's first frame, as BGR.
std::vector<uint8_t> imagemagickPixels(const fs::path& file) {
    fs::path out = file;
    out += ".rgb";
    run("convert '" + file.string() + "[0]' -depth 8 rgb:'" + out.string() + "'");
    std::vector<uint8_t> px = readAll(out);
    for (size_t i = 0; i + 2 < px.size(); i += 3)
        std::swap(px[i], px[i + 2]);
    return px;
}

// Makes a GIF with ImageMagick from our picture; `options` go before the output name.
std::vector<uint8_t> imagemagickGif(const Raster& r, const std::string& options,
                                    const std::string& stem) {
    fs::path dir = tempDir();
    writePpm(dir / (stem + ".ppm"), r);
    run("convert '" + (dir / (stem + ".ppm")).string() + "' " + options + " '" +
        (dir / (stem + ".gif")).string() + "'");
    return readAll(dir / (stem + ".gif"));
}

// Offset of the first image descriptor, walking the blocks.
size_t imageDescriptorAt(const std::vector<uint8_t>& f) {
    size_t p = 13 + ((f[10] & 0x80) ? 3u * (2u << (f[10] & 7)) : 0);
    while (f.at(p) == 0x21) {
        for (p += 2; f.at(p) != 0; p += f[p] + 1u) {
        }
        ++p;
    }
    return f.at(p) == 0x2C ? p : 0;
}
size_t codeSizeAt(const std::vector<uint8_t>& f) {
    size_t d = imageDescriptorAt(f);
    return d + 10 + ((f[d + 9] & 0x80) ? 3u * (2u << (f[d + 9] & 7)) : 0);
}
int codeSizeOf(const std::vector<uint8_t>& f) {
    return f.at(codeSizeAt(f));
}
// Our files: 13-byte header, global table, then the descriptor.
size_t ourDescriptor(const std::vector<uint8_t>& f) {
    return 13 + 3u * (2u << (f[10] & 7));
}

double meanError(const Raster& a, const Raster& b) {
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / double(a.pixels.size());
}

} // namespace

TEST(GifCodec, PalettePicturesRoundTripExactly) {
    for (int n : {1, 2, 3, 5, 16, 17, 200, 256}) {
        Raster in = palettePicture(37, 23, n, uint32_t(n));
        std::vector<uint8_t> file = encodeGif(in);
        Raster out = decodeGif(file, "p.gif");
        SCOPED_TRACE(std::to_string(n) + " colours");
        ASSERT_EQ(out.width, 37);
        ASSERT_EQ(out.height, 23);
        EXPECT_EQ(out.pixels, in.pixels);
        int bits = 1;
        while ((1 << bits) < n)
            ++bits;
        EXPECT_EQ(2 << (file[10] & 7), 1 << bits) << "colour table size";
        EXPECT_EQ(codeSizeOf(file), std::max(2, bits));
        EXPECT_EQ(file.back(), 0x3B);
    }
    Raster one = palettePicture(1, 1, 1, 0);
    EXPECT_EQ(decodeGif(encodeGif(one), "one.gif").pixels, one.pixels);
}

TEST(GifCodec, BackgroundEntrySurvivesASave) {
    Raster in = palettePicture(40, 30, 12, 5);
    for (int x = 0; x < 40; ++x)
        in.set(x, 0, {255, 255, 255});
    in.background = Bgr{255, 255, 255};
    Raster out = decodeGif(encodeGif(in), "bg.gif");
    ASSERT_TRUE(out.background.has_value());
    EXPECT_EQ(*out.background, (Bgr{255, 255, 255}));
    EXPECT_EQ(out.pixels, in.pixels);
    // A background colour the picture does not have falls back to entry 0, the first pixel's.
    in.background = Bgr{1, 2, 3};
    out = decodeGif(encodeGif(in), "bg.gif");
    EXPECT_EQ(out.background, in.at(0, 0));
}

TEST(GifCodec, ManyColoursAreQuantizedClosely) {
    Raster in = photoLike(160, 120, 9);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 160; ++x)
            in.set(x, y, {250, 250, 250});
    in.background = Bgr{250, 250, 250};
    Raster out = decodeGif(encodeGif(in), "photo.gif");
    ASSERT_EQ(out.pixels.size(), in.pixels.size());
    EXPECT_LT(meanError(in, out), 4.0);
    EXPECT_EQ(out.background, in.background);
    // The key colour stays exact, and no other pixel turns into it.
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            ASSERT_EQ(in.at(x, y) == *in.background, out.at(x, y) == *in.background)
                << x << "," << y;
}

TEST(GifCodec, ImageMagickReadsOurFiles) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    fs::path dir = tempDir();
    for (const Raster& in :
         {palettePicture(61, 17, 256, 2), palettePicture(8, 9, 3, 4), photoLike(90, 70, 3)}) {
        std::vector<uint8_t> file = encodeGif(in);
        writeAll(dir / "ours.gif", file);
        EXPECT_EQ(imagemagickPixels(dir / "ours.gif"), decodeGif(file, "ours.gif").pixels);
    }
}

TEST(GifCodec, ReadsImageMagickFilesOfEveryCodeSize) {
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    std::set<int> codeSizes;
    for (int n : {2, 4, 8, 16, 32, 64, 128, 256}) {
        Raster in = palettePicture(53, 41, n, uint32_t(100 + n));
        std::vector<uint8_t> file = imagemagickGif(in, "", "im" + std::to_string(n));
        codeSizes.insert(codeSizeOf(file));
        Raster out = decodeGif(file, "im.gif");
        SCOPED_TRACE(std::to_string(n) + " colours");
        EXPECT_EQ(out.pixels, in.pixels);
        EXPECT_EQ(out.pixels, imagemagickPixels(tempDir() / ("im" + std::to_string(n) + ".gif")));
    }
    EXPECT_EQ(codeSizes, (std::set<int>{2, 3, 4, 5, 6, 7, 8}));
}

TEST(GifCodec, ReadsInterlacedFiles) {
    // Rows stored in interlaced order (0, 8, 16.., 4, 12.., 2, 6.., 1, 3..) by our own writer,
    // then flagged as interlaced, must come back in picture order.
    for (int h = 1; h <= 20; ++h) {
        Raster in = palettePicture(7, h, 9, uint32_t(h));
        Raster stored = in;
        const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        int k = 0;
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < h; y += step[pass])
                std::copy_n(in.row(y), in.stride(), stored.row(k++));
        std::vector<uint8_t> file = encodeGif(stored);
        file[ourDescriptor(file) + 9] |= 0x40;
        EXPECT_EQ(decodeGif(file, "i.gif").pixels, in.pixels) << "height " << h;
    }
    if (!haveConvert())
        GTEST_SKIP() << "ImageMagick convert not found";
    for (auto [w, h] : {std::pair{37, 23}, {5, 3}, {16, 9}, {1, 1}, {3, 2}}) {
        Raster in = palettePicture(w, h, 7, uint32_t(w * h));
        std::vector<uint8_t> file = imagemagickGif(in, "-interlace GIF", "interlaced");
        ASSERT_TRUE(file[imageDescriptorAt(file) + 9] & 0x40) << "not interlaced";
        // ImageMagick 6.9 writes some pictures of few rows wrongly, so compare with its reading.
        const auto ours = decodeGif(file, "i.gif").pixels;
        EXPECT_EQ(ours, imagemagickPixels(tempDir() / "interlaced.gif")) << w << "x" << h;
        if (h > 8) {
            EXPECT_EQ(ours, in.pixels) << w << "x" << h;
        }
    }
}

TEST(GifCodec, LocalColourTableOverridesTheGlobalOne) {
    Raster in = palettePicture(20, 10, 4, 8);
    std::vector<uint8_t> file = encodeGif(in);
    const size_t tableSize = 3u * (2u << (file[10] & 7));
    std::vector<uint8_t> table(file.begin() + 13, file.begin() + 13 + ptrdiff_t(tableSize));
    const size_t desc = ourDescriptor(file);
    // The real table moves behind the descriptor; the global one is scrambled.
    file.insert(file.begin() + ptrdiff_t(desc + 10), table.begin(), table.end());
    file[desc + 9] = uint8_t(0x80 | (file[10] & 7));
    for (size_t i = 13; i < 13 + tableSize; ++i)
        file[i] = uint8_t(~file[i]);
    EXPECT_EQ(decodeGif(file, "local.gif").pixels, in.pixels);
    // Without any global table the local one is all there is; no background is reported.
    file.erase(file.begin() + 13, file.begin() + 13 + ptrdiff_t(tableSize));
    file[10] &= 0x7F;
    Raster out = decodeGif(file, "local.gif");
    EXPECT_EQ(out.pixels, in.pixels);
    EXPECT_FALSE(out.background.has_value());
}

TEST(GifCodec, TransparentIndexKeepsItsPaletteColour) {
    Raster in = palettePicture(12, 12, 4, 9);
    std::vector<uint8_t> file = encodeGif(in);
    const size_t desc = ourDescriptor(file);
    // Graphic control extension: transparency on, index 1.
    const std::vector<uint8_t> gce{0x21, 0xF9, 4, 0x01, 0, 0, 1, 0};
    file.insert(file.begin() + ptrdiff_t(desc), gce.begin(), gce.end());
    EXPECT_EQ(decodeGif(file, "t.gif").pixels, in.pixels);
}

TEST(GifCodec, ImageIsPlacedOnTheLogicalScreen) {
    Raster in = palettePicture(6, 4, 3, 10);
    in.background = in.at(0, 0);
    std::vector<uint8_t> file = encodeGif(in);
    const size_t desc = ourDescriptor(file);
    file[6] = 10, file[8] = 9; // screen 10x9
    file[desc + 1] = 3;        // left 3
    file[desc + 3] = 2;        // top 2
    Raster out = decodeGif(file, "screen.gif");
    ASSERT_EQ(out.width, 10);
    ASSERT_EQ(out.height, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 3 && x < 9 && y >= 2 && y < 6;
            EXPECT_EQ(out.at(x, y), inside ? in.at(x - 3, y - 2) : *in.background) << x << "," << y;
        }
    // A screen of size 0 (or too small) grows to hold the image.
    file[6] = 0, file[8] = 0;
    out = decodeGif(file, "screen.gif");
    EXPECT_EQ(out.width, 9);
    EXPECT_EQ(out.height, 6);
}

TEST(GifCodec, CodeSizesOutsideTwoToNineAreRejected) {
    std::vector<uint8_t> file = encodeGif(palettePicture(8, 8, 4, 1));
    const size_t at = ourDescriptor(file) + 10;
    for (int size : {0, 1, 10, 11, 12, 255}) {
        file[at] = uint8_t(size);
        try {
            decodeGif(file, "hair 7.gif");
            ADD_FAILURE() << "code size " << size << " accepted";
        } catch (const velvo::Error& e) {
            EXPECT_EQ(e.file(), "hair 7.gif");
            EXPECT_NE(std::string(e.what()).find("LZW code size " + std::to_string(size)),
                      std::string::npos)
                << e.what();
        }
    }
    // Size 9: 10-bit codes clear(512), 1, 2, end(513), packed by hand into one sub-block.
    uint64_t codes = 512 | 1ull << 10 | 2ull << 20 | 513ull << 30;
    file.resize(at);
    file[6] = 2, file[8] = 1, file[ourDescriptor(file) + 5] = 2, file[ourDescriptor(file) + 7] = 1;
    file.insert(file.end(), {9, 5});
    for (int i = 0; i < 5; ++i)
        file.push_back(uint8_t(codes >> (8 * i)));
    file.insert(file.end(), {0, 0x3B});
    Raster out = decodeGif(file, "nine.gif");
    EXPECT_EQ(out.width, 2);
    EXPECT_NE(out.at(0, 0), out.at(1, 0));
}

TEST(GifCodec, TruncatedFilesKeepTheDecodedRows) {
    std::vector<std::vector<uint8_t>> files{encodeGif(palettePicture(30, 20, 50, 3))};
    if (haveConvert())
        files.push_back(imagemagickGif(palettePicture(30, 20, 50, 3), "-interlace GIF", "trunc"));
    const Raster full = decodeGif(files[0], "full.gif");
    for (const auto& file : files) {
        const size_t dataStart = codeSizeAt(file) + 1;
        for (size_t len = 0; len < file.size(); ++len) {
            std::span<const uint8_t> prefix(file.data(), len);
            try {
                Raster out = decodeGif(prefix, "cut.gif");
                ASSERT_GT(len, dataStart) << "a picture from a file cut before its image";
                ASSERT_EQ(out.pixels.size(), full.pixels.size());
                for (int y = 0; y < out.height; ++y)
                    for (int x = 0; x < out.width; ++x)
                        ASSERT_TRUE(out.at(x, y) == full.at(x, y) ||
                                    out.at(x, y) == *out.background);
            } catch (const velvo::Error& e) {
                EXPECT_EQ(e.file(), "cut.gif");
            }
        }
    }
}

TEST(GifCodec, HostileFilesGiveCleanErrors) {
    auto fails = [](std::vector<uint8_t> f, const std::string& fault) {
        try {
            decodeGif(f, "bad.gif");
            ADD_FAILURE() << "accepted, expected " << fault;
        } catch (const velvo::Error& e) {
            EXPECT_EQ(e.file(), "bad.gif");
            EXPECT_NE(e.fault().find(fault), std::string::npos) << e.what();
        }
    };
    const std::vector<uint8_t> good = encodeGif(palettePicture(8, 8, 4, 1));
    const size_t desc = ourDescriptor(good);
    fails({'P', 'N', 'G', '8', '9', 'a', 0, 0}, "not a GIF");
    fails({'G', 'I', 'F', '8', '8', 'a', 1, 0, 1, 0, 0, 0, 0}, "version");
    std::vector<uint8_t> f(good.begin(), good.begin() + ptrdiff_t(desc));
    fails(f, "no image");
    f.push_back(0x3B);
    fails(f, "no image");
    f.back() = 0x77;
    fails(f, "unknown block");
    f.back() = 0x21;
    f.insert(f.end(), {0xFE, 200, 'x'}); // a comment claiming 200 bytes
    fails(f, "truncated");
    f = good;
    f[desc + 5] = 0, f[desc + 6] = 0; // width 0
    fails(f, "invalid picture size");
    f = good;
    f[desc + 5] = 0xFF, f[desc + 6] = 0xFF, f[desc + 7] = 0xFF, f[desc + 8] = 0xFF;
    fails(f, "exceeds the limit");
    f = good;
    f[10] &= 0x7F;
    f.erase(f.begin() + 13, f.begin() + ptrdiff_t(desc));
    fails(f, "no colour table");
    // Data: clear, then 7 while 6 is the next free code (3-bit codes of size 2).
    f.assign(good.begin(), good.begin() + ptrdiff_t(desc + 11));
    f.insert(f.end(), {1, uint8_t(4 | 7 << 3), 0, 0x3B});
    fails(f, "invalid LZW code 7");
    // Nothing but clear codes.
    f.resize(desc + 11);
    f.insert(f.end(), {3, 0x24, 0x49, 0x92, 0, 0x3B});
    fails(f, "no pixels");
}

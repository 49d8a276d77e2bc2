#include <QImage>
#include <QPainter>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "PixelTestSupport.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"
#include "pixel/PixelBitmapQt.h"
#include "pixel/TPixelBitmap.h"

using namespace velvo::pixel;
using namespace velvo::pixel::test;

namespace {

void put16(std::vector<uint8_t>& v, size_t at, uint16_t x) { v[at] = uint8_t(x), v[at + 1] = uint8_t(x >> 8); }
void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v[at + size_t(i)] = uint8_t(x >> (8 * i));
}

// A bitmap file of the given depth with `colours` palette entries and `pixelBytes` of data.
std::vector<uint8_t> bmpFile(int w, int h, int bits, const std::vector<uint32_t>& palette,
                             const std::vector<uint8_t>& pixels) {
    const size_t offset = 14 + 40 + palette.size() * 4;
    std::vector<uint8_t> f(offset + pixels.size(), 0);
    f[0] = 'B', f[1] = 'M';
    put32(f, 2, uint32_t(f.size()));
    put32(f, 10, uint32_t(offset));
    put32(f, 14, 40);
    put32(f, 18, uint32_t(w));
    put32(f, 22, uint32_t(h));
    put16(f, 26, 1);
    put16(f, 28, uint16_t(bits));
    put32(f, 46, uint32_t(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i)
        put32(f, 54 + i * 4, palette[i]);
    std::copy(pixels.begin(), pixels.end(), f.begin() + long(offset));
    return f;
}

} // namespace

TEST(TPixelBitmapTest, GeometryFollowsWidth) {
    const int gaps[] = {1, 2, 3, 0, 1}, rows[] = {4, 8, 12, 12, 16};
    for (int w = 1; w <= 5; ++w) {
        TPixelBitmap bm;
        bm.SetSize(w, 3);
        EXPECT_EQ(bm.RowGap, gaps[w - 1]);
        EXPECT_EQ(bm.RowBytes, rows[w - 1]);
        EXPECT_EQ(bm.ByteSize, rows[w - 1] * 3);
        ASSERT_EQ(bm.RowStarts.size(), 3u);
        EXPECT_EQ(bm.RowStarts[2], bm.PixelBytes + 2 * rows[w - 1]);
    }
    TPixelBitmap bm;
    fillRandom(bm, 5, 4, 9);
    const uint8_t* block = bm.PixelBytes;
    const uint8_t first = block[0];
    bm.SetSize(5, 4);
    EXPECT_EQ(bm.PixelBytes, block);
    EXPECT_EQ(bm.PixelBytes[0], first);
    bm.SetSize(0, 0);
    EXPECT_EQ(bm.PixelBytes, nullptr);
    EXPECT_THROW(bm.SetSize(-1, 4), velvo::Error);
    EXPECT_THROW(bm.SetSize(100000, 100000), velvo::Error);
}

TEST(TPixelBitmapTest, QImageRoundTripIsBottomUp) {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(Qt::red);
    image.setPixelColor(0, 1, QColor(1, 2, 3));
    TPixelBitmap bm;
    bm.LoadFromBitmapHandle(image);
    ASSERT_EQ(bm.Width, 3);
    // Stored row 0 is the picture's bottom row.
    EXPECT_EQ(bm.RowStarts[0][0], 3);
    EXPECT_EQ(bm.RowStarts[0][2], 1);
    EXPECT_EQ(bm.RowStarts[1][2], 255);
    QImage out(4, 4, QImage::Format_BGR888);
    out.fill(Qt::black);
    bm.DrawAt(out, 1, 1);
    EXPECT_EQ(out.pixelColor(1, 2), QColor(1, 2, 3));
    EXPECT_EQ(out.pixelColor(3, 1), QColor(Qt::red));
    EXPECT_EQ(out.pixelColor(0, 0), QColor(Qt::black));
    QImage argb(4, 4, QImage::Format_ARGB32);
    argb.fill(Qt::black);
    bm.DrawAt(argb, -1, 0);
    EXPECT_EQ(argb.pixelColor(0, 1), QColor(Qt::red));
    EXPECT_EQ(ToQImage(bm).pixelColor(0, 1), QColor(1, 2, 3));
}

TEST(TPixelBitmapTest, ResizeBilinearFixedPoint) {
    TPixelBitmap src, dst;
    src.SetSize(2, 2);
    setPixel(src, 0, 0, 0, 0, 0), setPixel(src, 1, 0, 100, 100, 100);
    setPixel(src, 0, 1, 200, 200, 200), setPixel(src, 1, 1, 40, 40, 40);
    dst.SetSize(4, 4);
    src.ResizeBilinear(dst);
    // Steps 8192 both ways, so every destination pixel lies between stored rows 200, 40
    // (bottom) and 0, 100 with fx = 8192 j, fy = 8192 i. Stored (1, 1): a = 6144, w00 = 18432,
    // b = 2048, w10 = 6144 -> (200 x 18432 + 40 x 6144 + 0 x 6144 + 100 x 2048) div 32768 = 126.
    // Stored row 0 and column 0 start at the first stored pixel exactly.
    const uint8_t expected[4][4] = {
        {200, 160, 120, 80}, {150, 126, 102, 78}, {100, 92, 85, 77}, {50, 58, 67, 76}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(dst.RowStarts[size_t(i)][j * 3 + c], expected[i][j])
                    << "stored row " << i << " column " << j << " channel " << c;

    // One column: picking pixels.
    src.SetSize(1, 3);
    for (int y = 0; y < 3; ++y)
        setPixel(src, 0, y, uint8_t(y * 50), 0, 0);
    dst.SetSize(3, 6);
    src.ResizeBilinear(dst);
    TPixelBitmap nearest;
    nearest.SetSize(3, 6);
    src.ResizeNearest(nearest);
    EXPECT_TRUE(sameBytes(dst, nearest));
    EXPECT_EQ(dst.PixelAt(2, 5)[0], 100);

    // The last destination pixel weighs the source's last column and row and nothing beyond
    // them (the sanitizer build reports a read past). Source stored (x, y): blue 30x + 5y,
    // green 200 - blue, red 7y. 3 x 3: steps 65536 and 43690, the last pixel at x0 = 4,
    // fx = 0 and y0 = 2, fy = 21844: blue (130 x 10924 + 135 x 21844) div 32768 = 133.
    src.SetSize(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            uint8_t* p = src.RowStarts[size_t(y)] + x * 3;
            p[0] = uint8_t(30 * x + 5 * y), p[1] = uint8_t(200 - p[0]), p[2] = uint8_t(7 * y);
        }
    struct Case {
        int w, h;
        uint8_t last[3];
    };
    for (const Case& c : {Case{3, 3, {133, 66, 18}}, Case{13, 2, {176, 23, 14}},
                          Case{2, 13, {108, 91, 25}}, Case{50, 40, {195, 4, 27}}}) {
        dst.SetSize(c.w, c.h);
        src.ResizeBilinear(dst);
        EXPECT_EQ(0, std::memcmp(dst.RowStarts[0], src.RowStarts[0], 3)) << c.w << "x" << c.h;
        EXPECT_EQ(0, std::memcmp(dst.RowStarts[size_t(c.h - 1)] + (c.w - 1) * 3, c.last, 3))
            << c.w << "x" << c.h;
    }
}

namespace {

// The bilinear rule written out one channel at a time, for comparison with the vector code.
void plainBilinear(const TPixelBitmap& src, TPixelBitmap& dst) {
    const int sw = src.Width, sh = src.Height, dw = dst.Width, dh = dst.Height;
    if (sw == dw && sh == dh) {
        std::memcpy(dst.PixelBytes, src.PixelBytes, size_t(src.ByteSize));
        return;
    }
    const int64_t stepX = int64_t(sw - 1) * 32768 / dw, stepY = int64_t(sh - 1) * 32768 / dh;
    for (int i = 0; i < dh; ++i) {
        const int64_t y = i * stepY;
        const uint8_t* row0 = src.RowStarts[size_t(y / 32768)];
        const uint8_t* row1 = sh > 1 ? src.RowStarts[size_t(y / 32768 + 1)] : row0;
        const int64_t fy = y % 32768;
        for (int j = 0; j < dw; ++j) {
            const int64_t x = j * stepX, x0 = x / 32768, fx = x % 32768;
            const int64_t a = fx * (32768 - fy) / 32768, w00 = 32768 - fy - a;
            const int64_t b = fx * fy / 32768, w10 = fy - b;
            for (int c = 0; c < 3; ++c)
                dst.RowStarts[size_t(i)][j * 3 + c] = uint8_t(
                    (row0[x0 * 3 + c] * w00 + row0[x0 * 3 + 3 + c] * a + row1[x0 * 3 + c] * w10 +
                     row1[x0 * 3 + 3 + c] * b) /
                    32768);
        }
    }
}

} // namespace

// Upscales go through per-column terms, downscales per destination pixel; widths 4, 5, 8, 9
// leave fewer than 8 bytes after the last pixel pair of the last row; destination widths
// that are not a multiple of 4 take the partial group at the row end. Gap bytes stay as they
// were.
TEST(TPixelBitmapTest, ResizeBilinearMatchesPlainRule) {
    const int sources[][2] = {{2, 1}, {2, 2}, {3, 1}, {4, 3}, {5, 3}, {8, 2}, {9, 5},
                              {16, 9}, {33, 17}, {100, 7}, {7, 100}};
    const int targets[][2] = {{1, 1}, {1, 5}, {2, 1}, {3, 2}, {4, 4}, {5, 5}, {7, 3},
                              {8, 8}, {13, 2}, {31, 20}, {64, 33}, {203, 3}, {6, 150}};
    unsigned seed = 500;
    for (const auto& s : sources)
        for (const auto& t : targets) {
            TPixelBitmap src, fast, plain;
            fillRandom(src, s[0], s[1], seed++);
            fillRandom(fast, t[0], t[1], seed++);
            copyBitmap(fast, plain);
            src.ResizeBilinear(fast);
            plainBilinear(src, plain);
            ASSERT_TRUE(sameBytes(fast, plain))
                << s[0] << "x" << s[1] << " -> " << t[0] << "x" << t[1];
        }
    // Grid points (fx = fy = 0) carry the full weight 32768 on one pixel.
    TPixelBitmap src, fast, plain;
    fillRandom(src, 5, 5, 9);
    for (int i = 0; i < src.ByteSize; ++i)
        src.PixelBytes[i] |= 0x80;
    fast.SetSize(4, 4), plain.SetSize(4, 4);
    src.ResizeBilinear(fast);
    plainBilinear(src, plain);
    EXPECT_TRUE(sameBytes(fast, plain));
    EXPECT_EQ(fast.RowStarts[1][3], src.RowStarts[1][3]);
}

TEST(TPixelBitmapTest, ResizeNearestUpAndDown) {
    TPixelBitmap src, dst;
    src.SetSize(2, 1);
    setPixel(src, 0, 0, 1, 1, 1), setPixel(src, 1, 0, 2, 2, 2);
    // sx = 2.5: round(3.0) = 3 copies from columns 0 and 2 (trunc 2.5).
    dst.SetSize(5, 2);
    src.ResizeNearest(dst);
    const int expected[5] = {1, 1, 2, 2, 2};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(dst.PixelAt(x, 1)[0], expected[x]) << x;
    // Down: step 65536 x 4 div 2.
    fillRandom(src, 4, 4, 2);
    dst.SetSize(2, 2);
    src.ResizeNearest(dst);
    EXPECT_EQ(0, std::memcmp(dst.RowStarts[1] + 3, src.RowStarts[2] + 6, 3));
}

TEST(TPixelBitmapTest, LoadFromFileDepthsAndHostileFiles) {
    // 24-bit 2 x 2 bottom-up: rows of 8 bytes.
    const std::vector<uint8_t> px24 = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    TPixelBitmap bm;
    std::vector<uint8_t> f = bmpFile(2, 2, 24, {}, px24);
    bm.LoadFromBytes(f.data(), f.size(), "a.bmp");
    EXPECT_EQ(0, std::memcmp(bm.PixelBytes, px24.data(), px24.size()));
    // Top-down 4-bit: the first file row is the top.
    f = bmpFile(3, 2, 4, {0x000000, 0x0a0b0c}, {0x10, 0x10, 0, 0, 0x01, 0x00, 0, 0});
    put32(f, 22, uint32_t(-2));
    bm.LoadFromBytes(f.data(), f.size(), "b.bmp");
    EXPECT_EQ(bm.PixelAt(0, 0)[0], 0x0c);
    EXPECT_EQ(bm.PixelAt(2, 0)[0], 0x0c);
    EXPECT_EQ(bm.PixelAt(1, 1)[2], 0x0a);
    EXPECT_EQ(bm.PixelAt(0, 1)[2], 0);

    auto fails = [&](std::vector<uint8_t> bytes, const char* why) {
        try {
            bm.LoadFromBytes(bytes.data(), bytes.size(), "bad.bmp");
            ADD_FAILURE() << why;
        } catch (const velvo::Error& e) {
            EXPECT_EQ(e.file(), "bad.bmp") << why;
        }
    };
    f = bmpFile(2, 2, 24, {}, px24);
    fails(std::vector<uint8_t>(f.begin(), f.end() - 1), "short pixel data");
    fails(std::vector<uint8_t>(f.begin(), f.begin() + 30), "short header");
    std::vector<uint8_t> lying = f;
    put32(lying, 10, 0xfffffff0);
    fails(lying, "offset past the file");
    lying = f;
    put32(lying, 18, 0x7fffffff);
    fails(lying, "huge width");
    lying = f;
    put32(lying, 30, 1);
    fails(lying, "compressed");
    lying = bmpFile(2, 2, 8, {1, 2}, {0, 1, 0, 0, 1, 0, 0, 0});
    put32(lying, 46, 256);
    fails(lying, "colour table past the file");
    EXPECT_THROW(bm.LoadFromFile("/nonexistent/file.bmp"), velvo::Error);
}

TEST(TPixelBitmapTest, CopyBlockClipsAndTileIntoRepeats) {
    TPixelBitmap src, dst;
    fillRandom(src, 3, 2, 4);
    dst.SetSize(7, 5);
    src.TileInto(dst);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(0, std::memcmp(dst.PixelAt(x, y), src.PixelAt(x % 3, y % 2), 3)) << x << y;
    TPixelBitmap small;
    small.SetSize(2, 2);
    dst.CopyBlock(small, -1, -1, 10, 10, 0, 0);
    // Source (0, 0) lands at (-1, -1): the clipped copy starts at source (1, 1).
    EXPECT_EQ(0, std::memcmp(small.PixelAt(0, 0), dst.PixelAt(1, 1), 3));
    EXPECT_EQ(0, std::memcmp(small.PixelAt(1, 1), dst.PixelAt(2, 2), 3));
}

TEST(TPixelBitmapTest, SavesTheBitmapFileTheEncoderWritesAndLoadsItBack) {
    const std::string file =
        ::testing::TempDir() + "pixel-save-" + std::to_string(::getpid()) + ".bmp";
    for (int w : {4, 5, 7}) {
        TPixelBitmap bm;
        fillRandom(bm, w, 3, unsigned(w)); // gap bytes random too: the file gets zeros
        velvo::imaging::Raster picture = velvo::imaging::Raster::create(w, 3, "");
        for (int y = 0; y < 3; ++y)
            std::memcpy(picture.row(y), bm.PixelAt(0, y), size_t(w) * 3);
        bm.SaveToFile(file);
        EXPECT_EQ(velvo::imaging::readFile(file), velvo::imaging::encodeBmp(picture)) << w;

        TPixelBitmap back;
        fillRandom(back, w, 3, 99); // same size: the block is reused, every byte rewritten
        back.LoadFromFile(file);
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(0, std::memcmp(back.PixelAt(0, y), bm.PixelAt(0, y), size_t(w) * 3)) << w;
        for (int i = 0; i < 3; ++i)
            for (int g = 0; g < back.RowGap; ++g)
                EXPECT_EQ(back.RowStarts[size_t(i)][w * 3 + g], 0) << w;
    }
    std::remove(file.c_str());
    EXPECT_THROW(TPixelBitmap().SaveToFile(file), velvo::Error);
}

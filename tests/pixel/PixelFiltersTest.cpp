#include <gtest/gtest.h>

#include "PixelTestSupport.h"
#include "pixel/PixelFilters.h"

using namespace velvo::pixel;
using namespace velvo::pixel::test;

namespace {

// One pixel through a filter: returns (b, g, r).
template <class F> std::array<int, 3> onePixel(int b, int g, int r, F filter) {
    TPixelBitmap bm;
    bm.SetSize(1, 1);
    setPixel(bm, 0, 0, uint8_t(b), uint8_t(g), uint8_t(r));
    filter(bm);
    const uint8_t* p = bm.PixelAt(0, 0);
    return {p[0], p[1], p[2]};
}

const int kSizes[][2] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 5}, {5, 3}, {4, 4},
                         {13, 11}, {31, 17}, {64, 9}, {101, 33}};

} // namespace

TEST(PixelFiltersTest, TablesMatchWorkedExamples) {
    auto pick = [](const ByteTable& t, std::initializer_list<int> in) {
        std::vector<int> out;
        for (int i : in)
            out.push_back(t[size_t(i)]);
        return out;
    };
    EXPECT_EQ(pick(LightnessTable(50), {0, 100, 255}), (std::vector<int>{49, 130, 255}));
    EXPECT_EQ(pick(LightnessTable(-50), {0, 100, 255}), (std::vector<int>{0, 81, 206}));
    EXPECT_EQ(pick(LightnessTable(150), {0, 100, 255}), (std::vector<int>{149, 190, 255}));
    EXPECT_EQ(pick(LightnessTable(-150), {0, 100, 255}), (std::vector<int>{0, 42, 106}));
    const auto in = {0, 64, 127, 128, 192, 255};
    EXPECT_EQ(pick(ContrastTable(100), in), (std::vector<int>{0, 39, 127, 128, 217, 255}));
    EXPECT_EQ(pick(ContrastTable(-100), in), (std::vector<int>{50, 89, 127, 128, 167, 206}));
    EXPECT_EQ(pick(ContrastTable(150), in), (std::vector<int>{0, 27, 127, 128, 229, 255}));
    EXPECT_EQ(pick(ContrastTable(-150), in), (std::vector<int>{75, 101, 127, 128, 155, 181}));
    for (int v = -255; v <= 255; ++v) {
        const ByteTable t = ContrastTable(v);
        ASSERT_EQ(t[127], 127) << v;
        ASSERT_EQ(t[128], 128) << v;
    }
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(LightnessTable(0)[size_t(i)], i);
        ASSERT_EQ(ContrastTable(0)[size_t(i)], i);
    }
}

TEST(PixelFiltersTest, PerPixelWorkedExamples) {
    auto offset = [](int r, int g, int b) {
        return [=](TPixelBitmap& bm) { OffsetChannels(bm, r, g, b); };
    };
    EXPECT_EQ(onePixel(10, 20, 200, offset(100, 0, 0)), (std::array<int, 3>{10, 20, 255}));
    EXPECT_EQ(onePixel(10, 20, 100, offset(100, 0, 0)), (std::array<int, 3>{10, 20, 200}));
    EXPECT_EQ(onePixel(10, 20, 30, offset(255, 255, 255)), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(onePixel(10, 20, 30, offset(-255, -255, -255)), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(onePixel(10, 20, 30, offset(-5, 7, 1)), (std::array<int, 3>{11, 27, 25}));

    auto sat = [](int s) { return [=](TPixelBitmap& bm) { ApplySaturation(bm, s); }; };
    EXPECT_EQ(onePixel(0, 0, 255, sat(255)), (std::array<int, 3>{1, 1, 255}));
    EXPECT_EQ(onePixel(10, 20, 30, sat(255)), (std::array<int, 3>{10, 20, 30}));
    EXPECT_EQ(onePixel(0, 0, 255, sat(0)), (std::array<int, 3>{85, 85, 85}));
    EXPECT_EQ(onePixel(200, 100, 50, sat(128)), (std::array<int, 3>{158, 108, 83}));
    EXPECT_EQ(onePixel(200, 100, 50, sat(510)), (std::array<int, 3>{255, 84, 0}));
    EXPECT_EQ(onePixel(10, 20, 30, sat(510)), (std::array<int, 3>{0, 20, 40}));
}

TEST(PixelFiltersTest, FastFiltersMatchReferenceByteForByte) {
    struct Case {
        const char* name;
        std::function<void(TPixelBase&)> fast, slow;
    };
    std::vector<Case> cases;
    for (auto [r, g, b] : {std::tuple{0, 0, 0}, {100, -30, 7}, {-255, 255, 13}})
        cases.push_back({"offset", [=](TPixelBase& bm) { OffsetChannels(bm, r, g, b); },
                         [=](TPixelBase& bm) { reference::OffsetChannels(bm, r, g, b); }});
    for (int v : {-150, -1, 0, 37, 150}) {
        cases.push_back({"lightness", [=](TPixelBase& bm) { ApplyLightness(bm, v); },
                         [=](TPixelBase& bm) { reference::ApplyLightness(bm, v); }});
        cases.push_back({"contrast", [=](TPixelBase& bm) { ApplyContrast(bm, v); },
                         [=](TPixelBase& bm) { reference::ApplyContrast(bm, v); }});
    }
    for (int s : {0, 128, 255, 256, 510})
        cases.push_back({"saturation", [=](TPixelBase& bm) { ApplySaturation(bm, s); },
                         [=](TPixelBase& bm) { reference::ApplySaturation(bm, s); }});
    for (int a : {1, 2, 3, 5, 10, 40})
        cases.push_back({"sharpen", [=](TPixelBase& bm) { ApplySharpen(bm, a); },
                         [=](TPixelBase& bm) { reference::ApplySharpen(bm, a); }});
    cases.push_back({"mirror", [](TPixelBase& bm) { MirrorRows(bm); },
                     [](TPixelBase& bm) { reference::MirrorRows(bm); }});
    unsigned seed = 1;
    for (const Case& c : cases)
        for (const auto& size : kSizes) {
            TPixelBitmap fast, slow;
            fillRandom(fast, size[0], size[1], seed++);
            copyBitmap(fast, slow);
            c.fast(fast);
            c.slow(slow);
            ASSERT_TRUE(sameBytes(fast, slow)) << c.name << " " << size[0] << "x" << size[1];
        }
}

TEST(PixelFiltersTest, PipelineEqualsFiltersInPanelOrder) {
    const PanelSettings settings[] = {
        {}, {10, -20, 30, 0, 0, 255, 0}, {0, 0, 0, 50, -70, 255, 0}, {-40, 5, 90, -30, 100, 300, 2},
        {0, 0, 0, 0, 0, 0, 1}, {255, 0, 0, 150, 150, 510, 10}};
    unsigned seed = 100;
    for (const PanelSettings& s : settings)
        for (const auto& size : kSizes) {
            TPixelBitmap piped, chained;
            fillRandom(piped, size[0], size[1], seed++);
            copyBitmap(piped, chained);
            ApplyPanelPipeline(piped, s);
            if (s.red || s.green || s.blue)
                reference::OffsetChannels(chained, s.red, s.green, s.blue);
            if (s.lightness)
                reference::ApplyLightness(chained, s.lightness);
            if (s.contrast)
                reference::ApplyContrast(chained, s.contrast);
            if (s.saturation != 255)
                reference::ApplySaturation(chained, s.saturation);
            if (s.sharpen)
                reference::ApplySharpen(chained, s.sharpen);
            ASSERT_TRUE(sameBytes(piped, chained)) << size[0] << "x" << size[1];
        }
}

TEST(PixelFiltersTest, ChainOrderMatters) {
    TPixelBitmap a, b;
    fillRandom(a, 16, 16, 7);
    copyBitmap(a, b);
    ApplyLightness(a, 80), ApplyContrast(a, 120);
    ApplyContrast(b, 120), ApplyLightness(b, 80);
    EXPECT_FALSE(sameBytes(a, b));
}

TEST(PixelFiltersTest, SharpenKeepsUniformAreasAndReadsSharpenedPredecessors) {
    TPixelBitmap flat;
    flat.SetSize(9, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 9; ++x)
            setPixel(flat, x, y, 100, 100, 100);
    TPixelBitmap before;
    copyBitmap(flat, before);
    ApplySharpen(flat, 2);
    EXPECT_TRUE(sameBytes(flat, before));

    // One row 50, 100, 60 with distance 1, worked by hand. Pixel 0: N = 5 x 50 + 3 x 100,
    // (16 x 50 - 550) div 8 = 31. Pixel 1 reads pixel 0 as 31: N = 3 x 31 + 2 x 100 + 3 x 60,
    // (1600 - 473) div 8 = 140 (133 if it read the original 50). Pixel 2 (its own right
    // neighbour) reads pixel 1 as 140: N = 3 x 140 + 5 x 60, (960 - 720) div 8 = 30.
    TPixelBitmap row;
    row.SetSize(3, 1);
    const uint8_t values[3] = {50, 100, 60};
    for (int x = 0; x < 3; ++x)
        setPixel(row, x, 0, values[x], values[x], values[x]);
    ApplySharpen(row, 1);
    EXPECT_EQ(row.PixelAt(0, 0)[0], 31);
    EXPECT_EQ(row.PixelAt(1, 0)[1], 140);
    EXPECT_EQ(row.PixelAt(2, 0)[2], 30);
}

TEST(PixelFiltersTest, SharpenWalksStoredRowsFromTheBottomOfThePicture) {
    // A 1 x 3 column, distance 1: blue 60, 100, 50 from the top, so stored row 0 (the
    // bottom) holds 50. Stored row 0: N = 5 x 50 + 3 x 100, (12800 - 8800) div 128 = 31.
    // Stored row 1 reads row 0 as 31: N = 3 x 31 + 2 x 100 + 3 x 60, (25600 - 7568) div
    // 128 = 140. Stored row 2 (the top, its own upper neighbour) reads 140: N = 3 x 140 +
    // 5 x 60, (15360 - 11520) div 128 = 30. A top-down walk would give 45 at the top.
    // Green 0 and red 255 are uniform and stay.
    TPixelBitmap column;
    column.SetSize(1, 3);
    const uint8_t blue[3] = {60, 100, 50};
    for (int y = 0; y < 3; ++y)
        setPixel(column, 0, y, blue[y], 0, 255);
    ApplySharpen(column, 1);
    const uint8_t expected[3][3] = {{30, 0, 255}, {140, 0, 255}, {31, 0, 255}};
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(0, std::memcmp(column.PixelAt(0, y), expected[y], 3)) << "picture row " << y;
}

TEST(PixelFiltersTest, MirrorSwapsPixelsAndKeepsTheRowGap) {
    // Width 5: 15 pixel bytes and one gap byte per row.
    TPixelBitmap bm;
    bm.SetSize(5, 2);
    for (int y = 0; y < 2; ++y) {
        for (int i = 0; i < 15; ++i)
            bm.RowStarts[size_t(y)][i] = uint8_t(100 * y + i + 1);
        bm.RowStarts[size_t(y)][15] = 0xEE;
    }
    MirrorRows(bm);
    const uint8_t row0[16] = {13, 14, 15, 10, 11, 12, 7, 8, 9, 4, 5, 6, 1, 2, 3, 0xEE};
    const uint8_t row1[16] = {113, 114, 115, 110, 111, 112, 107, 108,
                              109, 104, 105, 106, 101, 102, 103, 0xEE};
    EXPECT_EQ(0, std::memcmp(bm.RowStarts[0], row0, 16));
    EXPECT_EQ(0, std::memcmp(bm.RowStarts[1], row1, 16));

    // Even width: every pixel moves; width 1: nothing does.
    TPixelBitmap even, start;
    fillRandom(even, 4, 3, 3);
    copyBitmap(even, start);
    MirrorRows(even);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(0, std::memcmp(even.PixelAt(x, y), start.PixelAt(3 - x, y), 3))
                << x << "," << y;
    fillRandom(even, 1, 5, 4);
    copyBitmap(even, start);
    MirrorRows(even);
    EXPECT_TRUE(sameBytes(even, start));

    // No rows to walk: the sanitizer build reports any access.
    TPixelBitmap empty;
    OffsetChannels(empty, 1, 2, 3);
    ApplySaturation(empty, 0);
    ApplySharpen(empty, 3);
    MirrorRows(empty);
    ApplyPanelPipeline(empty, {1, 2, 3, 4, 5, 6, 7});
}

namespace {

// Every byte value in every channel (rows 0 and 1), every channel sum 0..765 (row 2), random
// bytes elsewhere; width 767 leaves a gap and a partial 16-pixel chunk at each row end.
void allValues(TPixelBitmap& bm) {
    fillRandom(bm, 767, 4, 77);
    for (int x = 0; x < 767; ++x) {
        uint8_t* p0 = bm.RowStarts[0] + x * 3;
        p0[0] = p0[1] = p0[2] = uint8_t(x);
        uint8_t* p1 = bm.RowStarts[1] + x * 3;
        p1[0] = uint8_t(x), p1[1] = uint8_t(255 - x), p1[2] = uint8_t(x * 7);
        const int k = std::min(x, 765);
        uint8_t* p2 = bm.RowStarts[2] + x * 3;
        p2[0] = uint8_t(std::min(k, 255)), p2[1] = uint8_t(std::clamp(k - 255, 0, 255));
        p2[2] = uint8_t(std::max(k - 510, 0));
    }
}

template <class F, class G> void expectSame(const TPixelBitmap& start, F fast, G slow, int v) {
    TPixelBitmap a, b;
    copyBitmap(start, a);
    copyBitmap(start, b);
    fast(a);
    slow(b);
    ASSERT_TRUE(sameBytes(a, b)) << v;
}

} // namespace

// The vector kernels compute the table formulas directly; beyond their exact ranges the table
// and scalar paths take over. Both sides of each boundary are checked.
TEST(PixelFiltersTest, KernelsExactOverWholeParameterRanges) {
    TPixelBitmap start;
    allValues(start);
    for (int v = -300; v <= 300; ++v) {
        expectSame(start, [&](TPixelBase& b) { ApplyLightness(b, v); },
                   [&](TPixelBase& b) { reference::ApplyLightness(b, v); }, v);
        expectSame(start, [&](TPixelBase& b) { ApplyContrast(b, v); },
                   [&](TPixelBase& b) { reference::ApplyContrast(b, v); }, v);
        expectSame(start, [&](TPixelBase& b) { OffsetChannels(b, v, -v, v / 3); },
                   [&](TPixelBase& b) { reference::OffsetChannels(b, v, -v, v / 3); }, v);
    }
    std::vector<int> amounts;
    for (int s = -3; s <= 520; ++s)
        amounts.push_back(s);
    for (int s : {4097, 31999, 32000, 32001, 40000, 65535, 70000})
        amounts.push_back(s);
    for (int s : amounts)
        expectSame(start, [&](TPixelBase& b) { ApplySaturation(b, s); },
                   [&](TPixelBase& b) { reference::ApplySaturation(b, s); }, s);
}

// Widths around the 16-pixel chunk and the 8-lane sharpen blocks, row starts at every offset
// mod 16 (row bytes 12, 20, ...), bitmaps narrower or lower than the sharpen distance, and
// distances past the four-register blocks (11 and 12 use the scalar recurrence).
TEST(PixelFiltersTest, TinyOddAndChunkEdgeSizes) {
    const int widths[] = {1, 2, 3, 4, 5, 6, 7, 8, 11, 15, 16, 17, 21, 31, 32, 33, 47, 48, 49};
    const PanelSettings fused{-40, 5, 90, -30, 100, 300, 3}, wide{7, 0, -9, 300, -2, 40000, 2},
        noSharpen{3, 2, 1, 20, 20, 100, 0}, tablesOnly{0, 0, 0, 10, 0, 255, 0};
    unsigned seed = 900;
    for (int w : widths)
        for (int h : {1, 2, 3, 4, 13}) {
            TPixelBitmap start;
            fillRandom(start, w, h, seed++);
            for (int a : {1, 2, 3, 4, 5, 6, 10, 11, 12})
                expectSame(start, [&](TPixelBase& b) { ApplySharpen(b, a); },
                           [&](TPixelBase& b) { reference::ApplySharpen(b, a); }, a * 1000 + w);
            expectSame(start, [&](TPixelBase& b) { ApplySaturation(b, 510); },
                       [&](TPixelBase& b) { reference::ApplySaturation(b, 510); }, w);
            expectSame(start, [&](TPixelBase& b) { ApplyContrast(b, -77); },
                       [&](TPixelBase& b) { reference::ApplyContrast(b, -77); }, w);
            for (const PanelSettings& s : {fused, wide, noSharpen, tablesOnly})
                expectSame(start, [&](TPixelBase& b) { ApplyPanelPipeline(b, s); },
                           [&](TPixelBase& b) {
                               if (s.red || s.green || s.blue)
                                   reference::OffsetChannels(b, s.red, s.green, s.blue);
                               if (s.lightness)
                                   reference::ApplyLightness(b, s.lightness);
                               if (s.contrast)
                                   reference::ApplyContrast(b, s.contrast);
                               if (s.saturation != 255)
                                   reference::ApplySaturation(b, s.saturation);
                               if (s.sharpen)
                                   reference::ApplySharpen(b, s.sharpen);
                           },
                           w * 100 + h);
        }
}

// The metafile readers' records, sizes, limits and faults, seen through a canvas that records
// what it is asked to draw.
#include <gtest/gtest.h>

#include "imaging/codecs/Error.h"
#include "imaging/codecs/MetafileReader.h"
#include "imaging/codecs/MetafileTestWriter.h"

using namespace velvo::imaging;
using namespace velvo::imaging::metafile;
using velvo::testing::EmfWriter;
using velvo::testing::rgb;
using velvo::testing::WmfWriter;

namespace {

struct Recorded {
    enum Kind { Fill, Stroke, Text, Image, Clip } kind;
    Path path;
    Brush brush;
    Pen pen;
    ClipOp op{};
};

class RecordingCanvas : public Canvas {
public:
    int width = -1, height = -1;
    std::vector<Recorded> calls;
    void begin(int w, int h) override { width = w, height = h; }
    void fill(const Path& p, const Brush& b, FillRule) override { calls.push_back({Recorded::Fill, p, b, {}}); }
    void stroke(const Path& p, const Pen& pen) override { calls.push_back({Recorded::Stroke, p, {}, pen}); }
    bool text(const Text&, double& advance) override {
        calls.push_back({Recorded::Text, {}, {}, {}});
        advance = 10;
        return true;
    }
    void image(const Raster&, int, int, int, int, Point tl, Point, Point, BlitMode) override {
        Path p;
        p.moveTo(tl);
        calls.push_back({Recorded::Image, p, {}, {}});
    }
    void clip(const Path& p, ClipOp op) override { calls.push_back({Recorded::Clip, p, {}, {}, op}); }
    void resetClip() override {}
    void save() override {}
    void restore() override {}
    Raster finish() override { return Raster::create(width, height, ""); }
};

void expectBox(const Path& path, double l, double t, double r, double b) {
    Point lo, hi;
    ASSERT_TRUE(path.bounds(lo, hi));
    EXPECT_NEAR(lo.x, l, 0.01);
    EXPECT_NEAR(lo.y, t, 0.01);
    EXPECT_NEAR(hi.x, r, 0.01);
    EXPECT_NEAR(hi.y, b, 0.01);
}

std::string faultOf(const std::vector<uint8_t>& file, bool emf) {
    RecordingCanvas canvas;
    try {
        emf ? readEmf(file, "bad.mf", canvas) : readWmf(file, "bad.mf", canvas);
    } catch (const velvo::Error& e) {
        EXPECT_EQ(e.file(), "bad.mf");
        return e.fault();
    }
    return {};
}

} // namespace

TEST(WmfReader, PictureSizeComesFromThePlaceableBoxOrTheWindow) {
    WmfWriter w;
    w.brush(0, rgb(255, 0, 0)).select(0).rect(360, 360, 720, 1080);
    RecordingCanvas placeable;
    const MetafileResult r = readWmf(w.file(1, 0, 0, 1440, 2880, 1440), "a.wmf", placeable);
    EXPECT_EQ(placeable.width, 96);
    EXPECT_EQ(placeable.height, 192);
    EXPECT_EQ(r.width, 96);
    ASSERT_EQ(placeable.calls.size(), 2u); // fill and outline
    expectBox(placeable.calls[0].path, 24, 24, 48, 72);

    WmfWriter plain;
    plain.window(100, 100, 400, 300).rect(100, 100, 300, 250);
    RecordingCanvas c2;
    readWmf(plain.file(0), "b.wmf", c2);
    EXPECT_EQ(c2.width, 400);
    EXPECT_EQ(c2.height, 300);
    expectBox(c2.calls[0].path, 0, 0, 200, 150);

    WmfWriter big;
    big.window(0, 0, 8000, 4000).rect(0, 0, 4000, 4000);
    RecordingCanvas c3;
    readWmf(big.file(0), "c.wmf", c3);
    EXPECT_EQ(c3.width, kMaxPlainWmfSide);
    EXPECT_EQ(c3.height, kMaxPlainWmfSide / 2);
    expectBox(c3.calls[0].path, 0, 0, 1000, 1000);

    EXPECT_NE(faultOf(WmfWriter().rect(0, 0, 5, 5).file(0), false).find("window extent"), std::string::npos);
}

TEST(WmfReader, ObjectsTakeTheLowestFreeSlotAndUnknownRecordsAreCounted) {
    WmfWriter w;
    w.brush(0, rgb(255, 0, 0)) // slot 0
        .brush(0, rgb(0, 255, 0)) // slot 1
        .rec(0x01F0, {0})         // delete slot 0
        .brush(0, rgb(0, 0, 255)) // takes slot 0 again
        .select(0)
        .rec(0x0104, {13}) // SETROP2: not drawn
        .rec(0x7777, {1, 2})
        .select(9) // past the table
        .rect(0, 0, 10, 10);
    RecordingCanvas c;
    const MetafileResult r = readWmf(w.file(2, 0, 0, 10, 10, 96), "o.wmf", c);
    ASSERT_FALSE(c.calls.empty());
    EXPECT_EQ(c.calls[0].brush.color, (Bgr{255, 0, 0})); // blue in BGR order
    EXPECT_EQ(r.skipped, 3);
    EXPECT_EQ(r.drawn, 6);
    EXPECT_EQ(r.records, 10); // EOF included
}

TEST(WmfReader, RecordsThatLieAboutTheirSizeEndTheReading) {
    std::vector<uint8_t> good = WmfWriter().rect(0, 0, 5, 5).file(0, 0, 0, 10, 10, 96);
    const size_t first = 22 + 18; // placeable and standard headers
    auto withSize = [&](uint32_t words) {
        std::vector<uint8_t> f = good;
        for (int i = 0; i < 4; ++i)
            f[first + i] = uint8_t(words >> (8 * i));
        return f;
    };
    EXPECT_NE(faultOf(withSize(2), false).find("at least 3"), std::string::npos);
    EXPECT_NE(faultOf(withSize(1000), false).find("past the end"), std::string::npos);
    // A rectangle needs four words; one that holds two is too short for its contents.
    EXPECT_NE(faultOf(withSize(5), false).find("too short"), std::string::npos);
    // A polygon counting more points than the record holds.
    WmfWriter poly;
    poly.rec(0x0324, {50, 0, 0, 5, 5});
    EXPECT_NE(faultOf(poly.file(0, 0, 0, 10, 10, 96), false).find("too short"), std::string::npos);
    EXPECT_NE(faultOf({1, 2, 3}, false).find("not a Windows metafile"), std::string::npos);
}

TEST(WmfReader, EveryTruncatedPrefixGivesAPictureOrAnError) {
    WmfWriter w;
    w.pen(0, 3, rgb(0, 0, 0)).select(0).brush(2, rgb(0, 0, 255), 4).select(1);
    w.rect(1, 1, 8, 8).ellipse(2, 2, 9, 9).polygon({0, 0, 5, 0, 5, 5});
    w.rec(0x0817, {0, 10, 10, 0, 10, 10, 0, 0}).rec(0x0521, {2, 'h' | 'i' << 8, 3, 3});
    const std::vector<uint8_t> full = w.file(2, 0, 0, 10, 10, 96);
    for (size_t n = 0; n <= full.size(); ++n) {
        RecordingCanvas c;
        try {
            readWmf(std::span(full.data(), n), "t.wmf", c);
        } catch (const velvo::Error& e) {
            EXPECT_EQ(e.file(), "t.wmf");
        }
    }
}

TEST(WmfReader, PenWidthsAndCoordinatesAreKeptWithinReach) {
    WmfWriter w;
    w.pen(0, 32767, rgb(0, 0, 0)).select(0).window(0, 0, 1, 1).rec(0x020E, {32767, 32767});
    w.rec(0x0325, {2, -32768, -32768, 32767, 32767});
    RecordingCanvas c;
    readWmf(w.file(1, 0, 0, 10, 10, 96), "p.wmf", c);
    ASSERT_EQ(c.calls.size(), 1u);
    EXPECT_LE(c.calls[0].pen.width, 40);
    Point lo, hi;
    ASSERT_TRUE(c.calls[0].path.bounds(lo, hi));
    EXPECT_GE(lo.x, -(1 << 20));
    EXPECT_LE(hi.y, 1 << 20);
}

TEST(WmfReader, PaintingStopsAtTheBudgetAndCountsWhatItLeft) {
    WmfWriter w;
    w.brush(0, rgb(1, 2, 3)).select(0).pen(5, 0, 0).select(1);
    for (int i = 0; i < 300; ++i)
        w.rect(0, 0, 1000, 1000);
    const int64_t saved = metafileLimits().paintBudget;
    metafileLimits().paintBudget = 100;
    RecordingCanvas c;
    const MetafileResult r = readWmf(w.file(2, 0, 0, 1000, 1000, 96), "b.wmf", c);
    metafileLimits().paintBudget = saved;
    EXPECT_TRUE(r.budgetExhausted);
    EXPECT_GT(r.skipped, 150);
    EXPECT_LT(c.calls.size(), 150u);
}

TEST(MetafileLimits, CheckedBeforeAnythingIsAllocated) {
    RecordingCanvas c;
    // 30000 units at 1 unit per inch: a picture far past the limits.
    EXPECT_THROW(readWmf(WmfWriter().file(0, 0, 0, 30000, 30000, 1), "huge.wmf", c), velvo::Error);
    EXPECT_EQ(c.width, -1);
    EmfWriter e;
    EXPECT_THROW(readEmf(e.file(1, {0, 0, 9, 9}, {0, 0, 2000000000, 2000000000}), "huge.emf", c), velvo::Error);
    EXPECT_EQ(c.width, -1);
    const int savedObjects = metafileLimits().maxObjects;
    metafileLimits().maxObjects = 100;
    const std::string tableFault = faultOf(e.file(101, {0, 0, 9, 9}, {0, 0, 254, 254}), true);
    metafileLimits().maxObjects = savedObjects;
    EXPECT_NE(tableFault.find("object table of 101"), std::string::npos);

    const int64_t saved = metafileLimits().maxRecords;
    metafileLimits().maxRecords = 5;
    WmfWriter many;
    for (int i = 0; i < 10; ++i)
        many.rect(0, 0, 1, 1);
    const std::string fault = faultOf(many.file(0, 0, 0, 10, 10, 96), false);
    std::vector<uint8_t> emf = EmfWriter().file(0, {0, 0, 9, 9}, {0, 0, 254, 254});
    emf[52] = 100; // the header announces 100 records
    const std::string emfFault = faultOf(emf, true);
    metafileLimits().maxRecords = saved;
    EXPECT_NE(fault.find("more than 5 records"), std::string::npos);
    EXPECT_NE(emfFault.find("announces 100 records"), std::string::npos);
}

TEST(MetafileDecoders, WithoutACanvasSayTheyCannotDraw) {
    if (haveMetafileCanvas())
        GTEST_SKIP() << "a canvas is installed in this program";
    try {
        decodeWmf(WmfWriter().file(0, 0, 0, 10, 10, 96), "x.wmf");
        FAIL();
    } catch (const velvo::Error& e) {
        EXPECT_NE(std::string(e.what()).find("x.wmf: WMF metafiles cannot be drawn"), std::string::npos);
    }
}

TEST(EmfReader, FrameGivesTheSizeAndTransformsMapTheRecords) {
    EmfWriter e;
    e.brush(1, 0, rgb(0, 0, 255)).select(1).select(0x80000008); // NULL_PEN
    e.rect(10, 20, 30, 40);
    e.xformRec(35, 2, 0, 0, 2, 5, 0); // SETWORLDTRANSFORM: twice as large, 5 to the right
    e.rect(10, 20, 30, 40);
    e.rec(17, {8}).rec(9, {100, 100}).rec(11, {50, 50}); // anisotropic, half size
    e.xformRec(36, 1, 0, 0, 1, 0, 0, 1);                 // identity again
    e.rect(10, 20, 30, 40);
    RecordingCanvas c;
    // Frame 0..5080 x 0..2540 (0.01 mm) at 96 dpi: 192 x 96.
    const MetafileResult r = readEmf(e.file(2, {0, 0, 191, 95}, {0, 0, 5080, 2540}), "f.emf", c);
    EXPECT_EQ(c.width, 192);
    EXPECT_EQ(c.height, 96);
    ASSERT_EQ(c.calls.size(), 3u);
    EXPECT_EQ(c.calls[0].brush.color, (Bgr{255, 0, 0}));
    expectBox(c.calls[0].path, 10, 20, 30, 40);
    expectBox(c.calls[1].path, 25, 40, 65, 80);
    expectBox(c.calls[2].path, 5, 10, 15, 20);
    EXPECT_EQ(r.skipped, 0);

    // An empty frame: the bounds, in device pixels.
    RecordingCanvas b;
    readEmf(EmfWriter().rect(0, 0, 1, 1).file(0, {10, 10, 59, 29}, {0, 0, 0, 0}), "b.emf", b);
    EXPECT_EQ(b.width, 50);
    EXPECT_EQ(b.height, 20);
}

TEST(EmfReader, PathsAreBuiltThenFilledStrokedOrClipped) {
    EmfWriter e;
    e.rec(59, {});                                         // BEGINPATH
    e.rec(27, {10, 10}).rec(54, {50, 10}).rec(54, {50, 50}); // MOVETO, LINETO
    e.rec(61, {}).rec(60, {});                            // CLOSEFIGURE, ENDPATH
    e.rec(62, {});                                        // FILLPATH
    e.rec(62, {});                                        // nothing left to fill: skipped
    e.rec(59, {}).rect(0, 0, 20, 20).rec(60, {}).rec(67, {4}); // SELECTCLIPPATH(RGN_DIFF)
    e.rec(59, {}).ellipse(0, 0, 20, 20).rec(60, {}).rec(63, {}); // STROKEANDFILLPATH
    RecordingCanvas c;
    const MetafileResult r = readEmf(e.file(0, {0, 0, 99, 99}, {0, 0, 2646, 2646}), "p.emf", c);
    ASSERT_EQ(c.calls.size(), 4u);
    EXPECT_EQ(c.calls[0].kind, Recorded::Fill);
    expectBox(c.calls[0].path, 10, 10, 50, 50);
    EXPECT_EQ(c.calls[1].kind, Recorded::Clip);
    EXPECT_EQ(c.calls[1].op, ClipOp::Exclude);
    EXPECT_EQ(c.calls[2].kind, Recorded::Fill);
    EXPECT_EQ(c.calls[3].kind, Recorded::Stroke);
    expectBox(c.calls[3].path, 0, 0, 20, 20);
    EXPECT_EQ(r.skipped, 1);
}

TEST(EmfReader, LyingRecordsAndTruncatedFilesAreFaults) {
    EmfWriter e;
    e.brush(1, 0, rgb(9, 9, 9)).select(1).polygon({0, 0, 9, 0, 9, 9}).rect(1, 1, 5, 5);
    e.rec(84, {0, 0, 0, 0, 1, 0, 0, 1, 1, 2, 76, 0, 0, 0, 0, 0, 0, 'a' | 'b' << 16});
    const std::vector<uint8_t> full = e.file(2, {0, 0, 9, 9}, {0, 0, 254, 254});
    for (size_t n = 0; n <= full.size(); ++n) {
        RecordingCanvas c;
        try {
            readEmf(std::span(full.data(), n), "t.emf", c);
        } catch (const velvo::Error& e) {
            EXPECT_EQ(e.file(), "t.emf");
        }
    }
    std::vector<uint8_t> lying = full;
    lying[88 + 4] = 4; // the first record's size below 8
    EXPECT_NE(faultOf(lying, true).find("at least 8"), std::string::npos);
    lying[88 + 4] = 0xF0, lying[88 + 5] = 0xFF;
    EXPECT_NE(faultOf(lying, true).find("past the end"), std::string::npos);
    // The polygon's point count larger than its record.
    std::vector<uint8_t> many = EmfWriter().polygon({0, 0, 9, 0, 9, 9}).file(0, {0, 0, 9, 9}, {0, 0, 254, 254});
    many[88 + 8 + 16] = 200;
    EXPECT_NE(faultOf(many, true).find("too short"), std::string::npos);
}

// Metafiles drawn with the QPainter canvas: the pixels each family of records must give, and
// WMF cross-checked against libwmf's wmf2gd where it is installed.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/CodecTestSupport.h"
#include "imaging/codecs/MetafileReader.h"
#include "imaging/codecs/MetafileTestWriter.h"
#include "imaging/metafile/MetafileRenderer.h"

using namespace velvo::imaging;
using velvo::testing::EmfWriter;
using velvo::testing::rgb;
using velvo::testing::WmfWriter;

namespace {

Raster wmf(const std::vector<uint8_t>& file) {
    installMetafileRenderer();
    return decodeWmf(file, "test.wmf");
}
Raster emf(const std::vector<uint8_t>& file) {
    installMetafileRenderer();
    return decodeEmf(file, "test.emf");
}

// Colour at (x, y) as 0xRRGGBB-ish triple, within a tolerance.
::testing::AssertionResult near(const Raster& r, int x, int y, Bgr want, int tolerance = 24) {
    const Bgr c = r.at(x, y);
    if (std::abs(c.r - want.r) <= tolerance && std::abs(c.g - want.g) <= tolerance &&
        std::abs(c.b - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "at (" << x << ", " << y << ") rgb(" << int(c.r) << ", "
                                         << int(c.g) << ", " << int(c.b) << ") wanted rgb("
                                         << int(want.r) << ", " << int(want.g) << ", " << int(want.b) << ")";
}

constexpr Bgr kWhite{255, 255, 255}, kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0}, kBlack{0, 0, 0};

// Filled shapes without outlines, in a 200 x 200 picture.
// wmf2gd leaves ellipse fills out, so the peer gets the shapes without it.
std::vector<uint8_t> filledShapes(bool withEllipse = true) {
    WmfWriter w;
    w.pen(5, 0, 0).select(0);
    // A white ground over the whole box: wmf2gd sizes its picture by what is drawn.
    w.brush(0, rgb(255, 255, 255)).select(1).rect(0, 0, 200, 200);
    w.brush(0, rgb(255, 0, 0)).select(2).rect(10, 10, 90, 90);
    w.brush(0, rgb(0, 255, 0)).select(3);
    if (withEllipse)
        w.ellipse(110, 10, 190, 90);
    w.brush(0, rgb(0, 0, 255)).select(4).polygon({10, 110, 90, 110, 50, 190});
    // Two squares in one poly-polygon, the inner one a hole under the alternate rule.
    w.brush(0, rgb(0, 0, 0)).select(5);
    std::vector<uint8_t> p;
    velvo::testing::put16(p, 2), velvo::testing::put16(p, 4), velvo::testing::put16(p, 4);
    for (int v : {110, 110, 190, 110, 190, 190, 110, 190, 130, 130, 170, 130, 170, 170, 130, 170})
        velvo::testing::put16(p, v);
    w.raw(0x0538, p);
    return w.file(6, 0, 0, 200, 200, 96);
}

void expectFilledShapes(const Raster& r, bool withEllipse = true) {
    ASSERT_EQ(r.width, 200);
    ASSERT_EQ(r.height, 200);
    EXPECT_TRUE(near(r, 50, 50, kRed));
    EXPECT_TRUE(near(r, 150, 50, withEllipse ? kGreen : kWhite));
    EXPECT_TRUE(near(r, 112, 12, kWhite)); // outside the ellipse, inside its box
    EXPECT_TRUE(near(r, 50, 140, kBlue));
    EXPECT_TRUE(near(r, 15, 180, kWhite)); // beside the triangle
    EXPECT_TRUE(near(r, 120, 120, kBlack));
    EXPECT_TRUE(near(r, 150, 150, kWhite)); // the hole
}

} // namespace

TEST(MetafileDrawing, FilledShapesGiveTheirColours) {
    expectFilledShapes(wmf(filledShapes()));
}

TEST(MetafileDrawing, Wmf2gdDrawsTheSameShapes) {
    if (std::system("command -v wmf2gd >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "wmf2gd (libwmf-bin) is not installed";
    QTemporaryDir dir;
    const std::string in = dir.filePath("shapes.wmf").toStdString();
    const std::string out = dir.filePath("shapes.png").toStdString();
    velvo::testing::writeBytes(in, filledShapes(false));
    ASSERT_EQ(std::system(("wmf2gd -t png --maxwidth=200 --maxheight=200 --maxsize -o '" + out + "' '" +
                           in + "' 2>/dev/null").c_str()),
              0);
    const Raster peer = decodePng(velvo::testing::readBytes(out), out);
    expectFilledShapes(peer, false);
    // Both agree across the whole picture, away from the shapes' edges.
    const Raster ours = wmf(filledShapes(false));
    int differ = 0;
    for (int y = 0; y < 200; y += 4)
        for (int x = 0; x < 200; x += 4)
            differ += !near(ours, x, y, peer.at(x, y), 60);
    EXPECT_LT(differ, 2500 / 50); // under 2 % of the samples, all on edges
}

TEST(MetafileDrawing, PensHatchesAndTheWindowMapping) {
    WmfWriter w;
    // Window 0..1000 mapped onto a 100 x 100 picture: a pen 50 units wide is 5 pixels.
    w.window(0, 0, 1000, 1000);
    w.pen(0, 50, rgb(0, 0, 0)).select(0);
    w.rec(0x0214, {100, 100}).rec(0x0213, {100, 900}); // MoveTo (y, x), LineTo: across y = 10
    w.pen(5, 0, 0).select(1);
    w.brush(2, rgb(255, 0, 0), 4).select(2); // red cross hatch
    w.colorRec(0x0201, rgb(0, 0, 255)).rec(0x0102, {2}); // opaque blue background
    w.rect(200, 400, 800, 900);
    const Raster r = wmf(w.file(3, 0, 0, 1000, 1000, 960));
    ASSERT_EQ(r.width, 100);
    EXPECT_TRUE(near(r, 50, 10, kBlack));
    EXPECT_TRUE(near(r, 50, 11, kBlack));
    EXPECT_TRUE(near(r, 50, 15, kWhite));
    int red = 0, blue = 0;
    for (int y = 45; y < 85; ++y)
        for (int x = 25; x < 75; ++x) {
            red += near(r, x, y, kRed, 60);
            blue += near(r, x, y, kBlue, 60);
        }
    EXPECT_GT(red, 100);
    EXPECT_GT(blue, 1000);
    EXPECT_TRUE(near(r, 50, 30, kWhite));
}

TEST(MetafileDrawing, TextIsDrawnInItsColourAtItsPlace) {
    WmfWriter w;
    std::vector<uint8_t> font;
    for (int v : {-30, 0, 0, 0, 700, 0, 0, 0, 0})
        velvo::testing::put16(font, v);
    for (char c : std::string("DejaVu Sans").append(21, '\0'))
        font.push_back(uint8_t(c));
    w.raw(0x02FB, font).select(0).colorRec(0x0209, rgb(255, 0, 0)).rec(0x0102, {1}); // transparent
    w.rec(0x0521, {4, 'W' | 'W' << 8, 'W' | 'W' << 8, 10, 10}); // TextOut "WWWW" at (10, 10), top aligned
    const Raster r = wmf(w.file(1, 0, 0, 200, 100, 96));
    int red = 0, other = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const Bgr c = r.at(x, y);
            if (c == kWhite)
                continue;
            const bool reddish = c.r > 200 && c.r >= c.g && std::abs(c.g - c.b) <= 8;
            (reddish && x >= 8 && y >= 8 && y < 50 ? red : other)++;
        }
    EXPECT_GT(red, 100);
    EXPECT_EQ(other, 0);
}

TEST(MetafileDrawing, BitmapsAreStretchedOntoTheirRectangle) {
    const std::vector<uint8_t> dib = velvo::testing::dib24(2, 2, {rgb(255, 0, 0), rgb(0, 255, 0),
                                                                  rgb(0, 0, 255), rgb(0, 0, 0)});
    std::vector<uint8_t> p;
    for (int v : {0x0020, 0x00CC, 0, 2, 2, 0, 0, 80, 80, 10, 10})
        velvo::testing::put16(p, v);
    p.insert(p.end(), dib.begin(), dib.end());
    WmfWriter w;
    w.raw(0x0F43, p); // StretchDIB of the 2 x 2 bitmap onto 80 x 80 at (10, 10)
    const Raster r = wmf(w.file(0, 0, 0, 100, 100, 96));
    EXPECT_TRUE(near(r, 25, 25, kRed));
    EXPECT_TRUE(near(r, 75, 25, kGreen));
    EXPECT_TRUE(near(r, 25, 75, kBlue));
    EXPECT_TRUE(near(r, 75, 75, kBlack));
    EXPECT_TRUE(near(r, 5, 5, kWhite));

    EmfWriter e;
    std::vector<uint8_t> s;
    for (int v : {0, 0, 0, 0, 60, 40, 0, 0, 2, 2, 80, 40, 120, int(dib.size()) - 40, 0, 0xCC0020, 40, -40})
        velvo::testing::put32(s, v);
    s.insert(s.end(), dib.begin(), dib.end());
    e.raw(81, s); // StretchDIBits, upside down (negative height) from y = 40 up to 0
    const Raster m = emf(e.file(0, {0, 0, 99, 99}, {0, 0, 2646, 2646}));
    ASSERT_EQ(m.width, 100);
    EXPECT_TRUE(near(m, 70, 30, kRed));
    EXPECT_TRUE(near(m, 90, 10, kBlack));
}

TEST(MetafileDrawing, ClippingAndSavedStates) {
    WmfWriter w;
    w.pen(5, 0, 0).select(0).brush(0, rgb(0, 0, 255)).select(1);
    w.rec(0x0416, {100, 60, 0, 0});  // IntersectClipRect 0, 0, 60, 100
    w.rec(0x001E, {});               // SaveDC
    w.rec(0x0415, {60, 40, 20, 20}); // ExcludeClipRect 20, 20, 40, 60
    w.rect(0, 0, 100, 30);
    w.rec(0x0127, {-1}); // RestoreDC: the hole is gone, the first clip stays
    w.rect(0, 70, 100, 100);
    const Raster r = wmf(w.file(2, 0, 0, 100, 100, 96));
    EXPECT_TRUE(near(r, 10, 10, kBlue));
    EXPECT_TRUE(near(r, 30, 25, kWhite)); // excluded
    EXPECT_TRUE(near(r, 80, 10, kWhite)); // outside the clip
    EXPECT_TRUE(near(r, 30, 85, kBlue));
    EXPECT_TRUE(near(r, 80, 85, kWhite));
}

TEST(MetafileDrawing, EmfPathsTransformsAndText) {
    EmfWriter e;
    e.select(0x80000008); // NULL_PEN
    e.brush(1, 0, rgb(0, 160, 0)).select(1);
    e.rec(59, {}).rec(27, {10, 10}).rec(54, {90, 10}).rec(54, {90, 40}).rec(61, {}).rec(60, {}).rec(62, {});
    // Rotated a quarter turn about the origin, then moved right: the square lands at 60..90.
    e.xformRec(35, 0, 1, -1, 0, 100, 50);
    e.brush(2, 0, rgb(0, 0, 200)).select(2).rect(0, 10, 40, 40);
    e.xformRec(36, 0, 0, 0, 0, 0, 0, 1);
    std::vector<uint8_t> font;
    for (int v : {3, -20, 0, 0, 0, 400})
        velvo::testing::put32(font, v);
    font.resize(font.size() + 8);
    for (char c : std::string("DejaVu Sans").append(21, '\0'))
        font.push_back(uint8_t(c)), font.push_back(0);
    e.raw(82, font).select(3).rec(24, {rgb(200, 0, 0)}).rec(18, {1});
    std::vector<uint8_t> text;
    for (int v : {0, 0, 0, 0, 1, 0x3F800000, 0x3F800000, 5, 60, 3, 76, 0, 0, 0, 0, 0, 0})
        velvo::testing::put32(text, v);
    for (char c : std::string("MMM"))
        text.push_back(uint8_t(c)), text.push_back(0);
    e.raw(84, text);
    const Raster r = emf(e.file(4, {0, 0, 99, 99}, {0, 0, 2646, 2646}));
    ASSERT_EQ(r.width, 100);
    EXPECT_TRUE(near(r, 85, 15, {0, 160, 0}));  // inside the triangle's right part
    EXPECT_TRUE(near(r, 15, 35, kWhite));       // beside it
    EXPECT_TRUE(near(r, 75, 65, {200, 0, 0}));  // the turned square
    EXPECT_TRUE(near(r, 30, 65, kWhite));       // where it stood before turning
    int red = 0;
    for (int y = 60; y < 90; ++y)
        for (int x = 0; x < 50; ++x)
            red += r.at(x, y).r > 120 && r.at(x, y).g < 100;
    EXPECT_GT(red, 50);
}

#include <gtest/gtest.h>

#include <cmath>

#include "fit/Framing.h"

using namespace velvo::fit;

namespace {
const Size kWindow{241, 313};

// Where the face centre lands on screen under `v`.
double screenX(const FaceBox& f, const View& v) { return f.centreX() * v.zoom / 100.0 - v.viewX; }
double screenY(const FaceBox& f, const View& v) { return f.centreY() * v.zoom / 100.0 - v.viewY; }
} // namespace

TEST(Framing, FaceGetsTheOpeningsWidthAndCentre) {
    const Size photo{4000, 3000};
    const FaceBox face{1800, 1200, 400, 400};
    const Size hair{200, 260};
    const Opening op{100, 120, 80};
    const View v = frameFace(photo, face, kWindow, hair, op);
    EXPECT_EQ(v.zoom, 20);
    // Overlay centred: left (241-200)/2 = 20, top (313-260)/2 = 26.
    EXPECT_NEAR(screenX(face, v), 20 + 100, 0.5);
    EXPECT_NEAR(screenY(face, v), 26 + 120, 0.5);

    const HairPlacement p = placeHair(face, v, hair, op);
    EXPECT_EQ(p.width, 200);
    EXPECT_EQ(p.height, 260);
    EXPECT_NEAR(p.left + op.centreX, screenX(face, v), 0.5);
    EXPECT_NEAR(p.top + op.centreY, screenY(face, v), 0.5);
}

TEST(Framing, ZoomIsRoundedToWholePercentAndKeptInRange) {
    const Size photo{4000, 3000};
    const Size hair{200, 260};
    EXPECT_EQ(frameFace(photo, FaceBox{1000, 1000, 300, 300}, kWindow, hair, {100, 120, 80}).zoom, 27); // 26.67
    EXPECT_EQ(frameFace(photo, FaceBox{1000, 1000, 320, 320}, kWindow, hair, {100, 120, 80}).zoom, 25);
    // A face far bigger than the opening still gets 1 %.
    EXPECT_EQ(frameFace({30000, 30000}, FaceBox{0, 0, 29000, 29000}, kWindow, hair, {100, 120, 80}).zoom, 1);
    // A face of two pixels cannot ask for 4000 %.
    EXPECT_EQ(frameFace({50, 50}, FaceBox{10, 10, 2, 2}, kWindow, hair, {100, 120, 80}).zoom, kMaxFramingZoom);
    // No face width, or no opening width: the whole photo, fitted.
    EXPECT_EQ(frameFace(photo, FaceBox{10, 10, 0, 0}, kWindow, hair, {100, 120, 80}).zoom, 6);
    EXPECT_EQ(frameFace(photo, FaceBox{10, 10, 50, 50}, kWindow, hair, {100, 120, 0}).zoom, 6);
}

TEST(Framing, OffsetsAreClampedAtThePhotoEdges) {
    const Size photo{1000, 800};
    const Size hair{200, 260};
    const Opening op{100, 120, 100};
    // Face at the top-left corner: the view cannot scroll before the photo's start.
    View v = frameFace(photo, FaceBox{0, 0, 100, 100}, kWindow, hair, op);
    EXPECT_EQ(v.zoom, 100);
    EXPECT_EQ(v.viewX, 0);
    EXPECT_EQ(v.viewY, 0);
    // Face at the bottom-right: no further than the zoomed photo minus the window.
    v = frameFace(photo, FaceBox{900, 700, 100, 100}, kWindow, hair, op);
    EXPECT_EQ(v.viewX, 1000 - 241);
    EXPECT_EQ(v.viewY, 800 - 313);
    // The hairstyle still follows the face, not the window's middle.
    const HairPlacement p = placeHair(FaceBox{900, 700, 100, 100}, v, hair, op);
    EXPECT_NEAR(p.left + op.centreX, 950 - v.viewX, 0.5);
    EXPECT_NEAR(p.top + op.centreY, 750 - v.viewY, 0.5);
}

TEST(Framing, SmallPhotoThatFitsHasNoOffsets) {
    // 200 x 150 at 100 % fits the window both ways, so the view pins its offsets to 0.
    const View v = frameFace({200, 150}, FaceBox{150, 100, 100, 40}, kWindow, {200, 260}, {100, 120, 100});
    EXPECT_EQ(v.zoom, 100);
    EXPECT_EQ(v.viewX, 0);
    EXPECT_EQ(v.viewY, 0);
    // Wider than the window but shorter: only the horizontal offset may move.
    const View w = frameFace({600, 150}, FaceBox{450, 50, 100, 40}, kWindow, {200, 260}, {100, 120, 100});
    EXPECT_GT(w.viewX, 0);
    EXPECT_EQ(w.viewY, 0);
}

TEST(Framing, StretchMatchesFaceWidthAfterZoomRounding) {
    // 100 x 80 / 300 gives 26.67 %, shown 27 %: the face is 81 px wide on screen, so the
    // overlay must grow by 81/80.
    const FaceBox face{1000, 1000, 300, 300};
    const Size hair{200, 260};
    const Opening op{100, 120, 80};
    const View v = frameFace({4000, 3000}, face, kWindow, hair, op);
    const HairPlacement p = placeHair(face, v, hair, op);
    EXPECT_EQ(p.width, std::lround(200 * 81.0 / 80));
    EXPECT_EQ(p.height, std::lround(260 * 81.0 / 80));
    EXPECT_NEAR(op.width * p.width / 200.0, 81.0, 0.5);
}

TEST(Framing, FitWholeIsLargestWholePercentNotAbove100) {
    View v = fitWhole({4000, 3000}, kWindow);
    EXPECT_EQ(v.zoom, 6); // 241/4000 = 6.03 %
    EXPECT_LE(zoomedLength(4000, v.zoom), 241);
    EXPECT_EQ(v.viewX, 0);
    EXPECT_EQ(v.viewY, 0);
    EXPECT_EQ(fitWhole({100, 100}, kWindow).zoom, 100);
    // The view rounds the zoomed size halves up; the fitted size must still fit.
    v = fitWhole({3001, 100}, {241, 313});
    EXPECT_LE(zoomedLength(3001, v.zoom), 241);
    EXPECT_EQ(fitWhole({100000, 10}, kWindow).zoom, 1);
}

TEST(Framing, DefaultOpeningFramesInWindowCoordinates) {
    const Opening op = defaultOpening(kWindow);
    EXPECT_DOUBLE_EQ(op.centreX, 120.5);
    EXPECT_NEAR(op.centreY, 140.85, 1e-9);
    EXPECT_DOUBLE_EQ(op.width, 96);
    const FaceBox face{2000, 1500, 480, 480};
    const View v = frameFace({4000, 3000}, face, kWindow, kWindow, op);
    EXPECT_EQ(v.zoom, 20);
    EXPECT_NEAR(screenX(face, v), op.centreX, 0.5);
    EXPECT_NEAR(screenY(face, v), op.centreY, 0.5);
}

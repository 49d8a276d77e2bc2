#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "fit/Face.h"
#include "fit/Framing.h"
#include "fit/TurnedHair.h"

using namespace velvo::fit;
using velvo::imaging::Bgr;
using velvo::imaging::Raster;

namespace {

constexpr Bgr kKey{255, 255, 255}, kHair{30, 60, 90}, kMark{0, 0, 255};

// A picture with no key colour at all, so every non-key pixel of the turned copy must come
// from it; a red block marks a point above the pivot.
Raster solidHair() {
    Raster r = Raster::create(120, 160, "hair", kHair);
    for (int y = 20; y < 30; ++y)
        for (int x = 55; x < 65; ++x)
            r.set(x, y, kMark);
    return r;
}

// (dx, dy) from `about`, turned clockwise (as seen) by `degrees`.
Point turned(Point about, double degrees, double dx, double dy) {
    const double a = degrees * std::numbers::pi / 180;
    return {about.x + dx * std::cos(a) - dy * std::sin(a), about.y + dx * std::sin(a) + dy * std::cos(a)};
}

} // namespace

TEST(TurnedHair, TurnsClockwiseAboutTheOpeningAndFillsOnlyTheCornersWithKey) {
    const Raster hair = solidHair();
    const Opening opening{60, 90, 70}; // off the picture's centre (60, 80), so a wrong pivot shows
    for (double degrees : {10.0, -25.0, 40.0, -40.0}) {
        SCOPED_TRACE(degrees);
        const TurnedHair t = turnHair(hair, kKey, opening, degrees);
        const TurnedFrame frame = turnedFrame({hair.width, hair.height}, opening, degrees);
        ASSERT_EQ(t.picture.width, frame.size.w);
        ASSERT_EQ(t.picture.height, frame.size.h);
        EXPECT_EQ(t.opening.width, opening.width);
        EXPECT_DOUBLE_EQ(t.opening.centreX, frame.opening.centreX);
        // The pivot keeps its pixel: what lay at the opening's centre still lies there.
        EXPECT_EQ(t.picture.at(int(t.opening.centreX), int(t.opening.centreY)), hair.at(60, 90));
        int hairPixels = 0, marks = 0;
        double markX = 0, markY = 0;
        for (int y = 0; y < t.picture.height; ++y)
            for (int x = 0; x < t.picture.width; ++x) {
                const Bgr c = t.picture.at(x, y);
                // Where the turned pixel came from: the inverse turn about the pivot.
                const Point p = turned({opening.centreX, opening.centreY}, -degrees,
                                       x + 0.5 - t.opening.centreX, y + 0.5 - t.opening.centreY);
                const bool inside =
                    p.x > 0.7 && p.y > 0.7 && p.x < hair.width - 0.7 && p.y < hair.height - 0.7;
                const bool outside =
                    p.x < -0.7 || p.y < -0.7 || p.x > hair.width + 0.7 || p.y > hair.height + 0.7;
                if (outside)
                    ASSERT_EQ(c, kKey) << "picture leaks to " << x << "," << y;
                if (inside)
                    ASSERT_NE(c, kKey) << "hole at " << x << "," << y;
                hairPixels += c != kKey;
                if (c == kMark)
                    markX += x, markY += y, ++marks;
            }
        // Nearest pixels keep the area.
        EXPECT_NEAR(hairPixels, hair.width * hair.height, 0.03 * hair.width * hair.height);
        // The overlay takes its key from the bottom-left pixel.
        EXPECT_EQ(t.picture.at(0, t.picture.height - 1), kKey);
        // The mark, 65 pixels above the pivot, swings right for a clockwise turn.
        ASSERT_GT(marks, 60);
        const Point mark = turned({t.opening.centreX, t.opening.centreY}, degrees, 0, -65);
        EXPECT_NEAR(markX / marks + 0.5, mark.x, 1.5);
        EXPECT_NEAR(markY / marks + 0.5, mark.y, 1.5);
    }
    // Below the least turn the picture stays as it is.
    const TurnedHair upright = turnHair(hair, kKey, opening, 0.6);
    EXPECT_EQ(upright.picture.pixels, hair.pixels);
    EXPECT_EQ(upright.opening.centreX, opening.centreX);
}

TEST(Face, RollFromTheEyesAndWidthFromTheEarsAlongTheEyeLine) {
    // An upright head 150 pixels from ear to ear in a box 100 wide, rolled about (200, 200).
    for (double degrees : {0.0, 10.0, -25.0, 40.0, -40.0}) {
        SCOPED_TRACE(degrees);
        auto at = [&](double dx, double dy) { return turned({200, 200}, degrees, dx, dy); };
        // One ear a little forward, as with a head turned slightly: it must not widen the head.
        const Keypoints k{at(-30, -20), at(30, -20), at(0, 5), at(0, 30), at(-75, 0), at(75, -12)};
        const Face f = faceFromKeypoints({150, 150, 100, 100}, k, 0.9);
        EXPECT_NEAR(f.roll, degrees, 1e-9);
        EXPECT_NEAR(f.width(), 150, 1e-9);
        const Point centre = at(0, -7.5); // a quarter of the way from the eyes' midpoint to the mouth
        EXPECT_NEAR(f.centreX(), centre.x, 1e-9);
        EXPECT_NEAR(f.centreY(), centre.y, 1e-9);
    }
    const Face box(FaceBox{10, 20, 80, 90});
    EXPECT_EQ(box.width(), 80);
    EXPECT_EQ(box.roll, 0);
}

TEST(Face, TheLargestMostCentralFaceComesFirst) {
    std::vector<Face> faces{Face(FaceBox{0, 0, 100, 100}),       // big, in the corner
                            Face(FaceBox{900, 450, 100, 100}),   // as big, in the middle
                            Face(FaceBox{940, 490, 20, 20}),     // small, in the middle
                            Face(FaceBox{1700, 800, 200, 200})}; // biggest, off-centre
    orderByProminence(faces, 1900, 1000);
    const int expected[] = {1700, 900, 0, 940};
    for (size_t i = 0; i < faces.size(); ++i)
        EXPECT_EQ(faces[i].box.x, expected[i]) << i;
}

TEST(Framing, TheOpeningIsMatchedToTheEarsNotTheBox) {
    // The box is 100 wide, the ears 160 apart: an opening of 120 needs a zoom of 75 %.
    auto at = [](double dx, double dy) { return turned({1000, 800}, 25, dx, dy); };
    const Face f = faceFromKeypoints(
        {950, 750, 100, 100},
        {at(-30, -20), at(30, -20), at(0, 5), at(0, 40), at(-80, 0), at(80, 0)}, 0.9);
    const Opening op{100, 120, 120};
    const View v = frameFace({3000, 2000}, f, {241, 313}, {200, 260}, op);
    EXPECT_EQ(v.zoom, 75);
    const HairPlacement p = placeHair(f, v, {200, 260}, op);
    EXPECT_EQ(p.width, 200); // 160 x 0.75 on screen = the opening's 120: the picture at its own size
    // The opening's centre lands on the face's centre (between eyes and mouth), not the box's.
    EXPECT_NEAR(p.left + op.centreX * p.width / 200.0, f.centreX() * 0.75 - v.viewX, 1);
    EXPECT_NEAR(p.top + op.centreY * p.height / 260.0, f.centreY() * 0.75 - v.viewY, 1);
}

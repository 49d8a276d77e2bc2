#pragma once
// A face as the framing consumes it: its box, how far the head is rolled, and where the
// detector put the eyes, nose, mouth and ears. Plain numbers; no detector is needed to make one.
#include <array>
#include <optional>
#include <vector>

namespace velvo::fit {

// A rectangle in photo pixels (the photo at full size).
struct FaceBox {
    int x = 0, y = 0, w = 0, h = 0;
    double centreX() const { return x + w / 2.0; }
    double centreY() const { return y + h / 2.0; }
    friend bool operator==(const FaceBox&, const FaceBox&) = default;
};

struct Point {
    double x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// The detector's six points, in its order. "Right" and "left" are the client's own: facing
// the camera, the right eye is on the photo's left.
enum Keypoint { kRightEye, kLeftEye, kNoseTip, kMouth, kRightEar, kLeftEar, kKeypointCount };
using Keypoints = std::array<Point, kKeypointCount>;

struct Face {
    FaceBox box;
    // Degrees, positive when the head leans clockwise as the photo is seen (the client's left
    // eye, on the photo's right, is the lower). 0 for a face known only by its box.
    double roll = 0;
    std::optional<Keypoints> keypoints; // photo pixels
    double score = 0;                   // the detector's confidence, 0..1

    Face() = default;
    // A face known only by its box, as the cascades give it: upright, as wide as the box.
    Face(const FaceBox& b) : box(b) {}

    // The head's width at the ears (tragion to tragion, measured along the eye line, so a
    // rolled head is as wide as an upright one); the box's width without keypoints.
    double width() const;
    // Halfway between the eyes' midpoint and the mouth; the box's centre without keypoints.
    double centreX() const;
    double centreY() const;
};

// Builds a face from the detector's box and points: the roll from the eye line.
Face faceFromKeypoints(const FaceBox& box, const Keypoints& points, double score);

// The roll of the line from the right eye to the left eye, in degrees within -180..180.
double rollOf(const Point& rightEye, const Point& leftEye);

// Largest and most central first: each face's width weighed down by its centre's distance
// from the photo's centre (half the weight at a corner), so a big face at the edge still
// comes before a small one in the middle, and equal faces go by centrality.
void orderByProminence(std::vector<Face>& faces, int photoWidth, int photoHeight);

} // namespace velvo::fit

#include "fit/Face.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velvo::fit {

namespace {
// Where the face's centre lies on the way from the eyes' midpoint to the mouth. Hairstyle
// openings were measured against the cascade's box, whose centre falls a quarter of the way
// down (0.26 on the sample portrait); halfway put every fringe over the eyes.
constexpr double kCentreFromEyesToMouth = 0.25;
} // namespace

double rollOf(const Point& rightEye, const Point& leftEye) {
    return std::atan2(leftEye.y - rightEye.y, leftEye.x - rightEye.x) * 180.0 / std::numbers::pi;
}

Face faceFromKeypoints(const FaceBox& box, const Keypoints& points, double score) {
    Face f(box);
    f.keypoints = points;
    f.roll = rollOf(points[kRightEye], points[kLeftEye]);
    f.score = score;
    return f;
}

double Face::width() const {
    if (!keypoints)
        return box.w;
    const double a = roll * std::numbers::pi / 180.0;
    const Point& r = (*keypoints)[kRightEar];
    const Point& l = (*keypoints)[kLeftEar];
    // Along the eye line only: a head turned a little to one side brings one ear forward,
    // which should not make it look taller or wider than it is.
    return std::abs((l.x - r.x) * std::cos(a) + (l.y - r.y) * std::sin(a));
}

double Face::centreX() const {
    if (!keypoints)
        return box.centreX();
    const Keypoints& k = *keypoints;
    const double eyes = (k[kRightEye].x + k[kLeftEye].x) / 2;
    return eyes + kCentreFromEyesToMouth * (k[kMouth].x - eyes);
}

double Face::centreY() const {
    if (!keypoints)
        return box.centreY();
    const Keypoints& k = *keypoints;
    const double eyes = (k[kRightEye].y + k[kLeftEye].y) / 2;
    return eyes + kCentreFromEyesToMouth * (k[kMouth].y - eyes);
}

void orderByProminence(std::vector<Face>& faces, int photoWidth, int photoHeight) {
    const double cx = photoWidth / 2.0, cy = photoHeight / 2.0;
    const double halfDiagonal = std::max(1.0, std::hypot(cx, cy));
    auto weight = [&](const Face& f) {
        const double off = std::hypot(f.box.centreX() - cx, f.box.centreY() - cy) / halfDiagonal;
        return f.box.w * (1.0 - 0.5 * std::min(1.0, off));
    };
    std::stable_sort(faces.begin(), faces.end(),
                     [&](const Face& a, const Face& b) { return weight(a) > weight(b); });
}

} // namespace velvo::fit

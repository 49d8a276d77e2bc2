#pragma once
// The geometry of one hairstyle around a head: where hair may be, where the face and neck
// must stay free, which way the strands run, and how light falls on them. All functions take
// coordinates relative to the centre of the skull ellipse, in pixels, y downwards.
#include "HairStyle.h"

namespace velvo::hairgen {

class HairShape {
public:
    explicit HairShape(const HairStyle& style);

    // Inside the outline of the hair mass (the face is not subtracted).
    bool inOutline(double x, double y) const;
    // Face and neck: never hair, except a fringe over the forehead.
    bool forbidden(double x, double y) const;
    // Where loose strand tips may not go: the neck, and the face below the brows (or all of
    // it when there is no fringe).
    bool forbiddenForTips(double x, double y) const;

    // Unit direction of the strands at (x, y).
    void flow(double x, double y, double& dx, double& dy) const;
    // A coordinate that changes little along a strand and steadily across strands, so that
    // neighbouring strands can share a lock colour.
    double across(double x, double y) const;
    // Lighting factor of the hair body, about 0.3 .. 1.1.
    double shade(double x, double y) const;
    // Strength of the highlight bands, 0 .. 1.
    double highlight(double x, double y) const;

    // Face cut-out: half its width and the height of its centre.
    double faceHalfWidth() const { return faceRx_; }
    double faceCentreY() const { return faceY_; }

    // Extent of the outline, for sizing the canvas.
    double top() const;
    double bottom() const;
    double halfWidth() const;

private:
    double volumeAt(double x, double y) const;
    double hangingHalfWidth(double y) const;
    double endsAt(double x) const;
    double hangingBlend(double y) const;
    double wavePhase(double x, double y) const;
    double fringeBottom(double x) const;
    bool inFace(double x, double y) const;

    const HairStyle& s_;
    double faceRx_, faceRy_, faceY_, faceTop_, browY_, partX_, phase_;
    bool earsFree_;
};

} // namespace velvo::hairgen

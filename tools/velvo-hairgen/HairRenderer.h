#pragma once
// Draws a hairstyle as thousands of thin strands traced along its flow, shades them, and
// maps the result onto a ramp of at most 254 hair colours on a pure white background.
#include "HairStyle.h"
#include "imaging/codecs/Raster.h"

namespace velvo::hairgen {

// Where the face cut-out lies in a rendered picture, in its pixels.
struct FacePlacement {
    double centreX = 0, centreY = 0, halfWidth = 0;
};

// The picture is cropped to the hair with a white margin of a few pixels on every side, so
// all four corners are white. Every hair pixel differs from white.
imaging::Raster renderHairstyle(const HairStyle& style, FacePlacement* face = nullptr);

// The colour of ramp position t (0 .. 1), as the renderer uses it.
imaging::Bgr rampColour(const HairColour& colour, double t);

} // namespace velvo::hairgen

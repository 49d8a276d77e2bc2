#pragma once
// Draws a hairstyle as thousands of thin strands traced along its flow and shades them, at
// several times the library's size: that is the hairstyle's high-resolution master, with
// anti-aliased strands and a soft see-through edge. The library picture is derived from it,
// each of its pixels one block of the master, mapped onto a ramp of at most 254 hair colours
// on a pure white background.
#include "HairStyle.h"
#include "imaging/codecs/Raster.h"

namespace velvo::hairgen {

// Master pixels per library pixel along each axis.
constexpr int kMasterScale = 4;

// Where the face cut-out lies in a rendered library picture, in its pixels.
struct FacePlacement {
    double centreX = 0, centreY = 0, halfWidth = 0;
};

struct RenderedHair {
    // Cropped to the hair with a white margin of a few pixels on every side, so all four
    // corners are white. Every hair pixel differs from white. A pixel is hair where the
    // master block under it is at least half opaque, so both frame the same face opening.
    imaging::Raster picture;
    // `scale` times the picture's size, covering exactly the same region; transparent
    // where the picture is white, apart from the soft edge.
    imaging::RasterBgra master;
    int scale = 1;
};

// `scale` 1 draws the library picture alone (the master is then the same size).
RenderedHair renderHairstyle(const HairStyle& style, FacePlacement* face = nullptr,
                             int scale = kMasterScale);

// The colour of ramp position t (0 .. 1), as the renderer uses it.
imaging::Bgr rampColour(const HairColour& colour, double t);

} // namespace velvo::hairgen

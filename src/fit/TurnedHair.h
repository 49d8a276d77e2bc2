#pragma once
// A hairstyle picture turned to a rolled head: about its face opening's centre, so the opening
// stays where the framing put it, on a canvas that holds every turned pixel.
#include "fit/Framing.h"
#include "imaging/codecs/Raster.h"

namespace velvo::fit {

// Rolls smaller than this leave the picture upright: the head's roll is read to about a degree,
// and turning resamples the picture, which roughens the hair's edge for nothing.
inline constexpr double kLeastTurn = 1.0;

// Where things go when a `hair`-sized picture is turned by `degrees` (clockwise as seen, as
// Face::roll) about `opening`'s centre: the new canvas' size (one pixel of margin all round, so
// its corner pixels never fall inside the picture) and the opening in it (same width, its
// centre moved by the canvas' growth only).
struct TurnedFrame {
    Size size;
    Opening opening;
};
TurnedFrame turnedFrame(Size hair, const Opening& opening, double degrees);

// `hair` turned as turnedFrame() says, each pixel the nearest of the picture's (no blending,
// so the key colour stays exact and no new colours appear); everything outside the picture is
// `key`. |degrees| below kLeastTurn gives the picture unchanged.
struct TurnedHair {
    imaging::Raster picture;
    Opening opening;
};
TurnedHair turnHair(const imaging::Raster& hair, imaging::Bgr key, const Opening& opening,
                    double degrees);

} // namespace velvo::fit

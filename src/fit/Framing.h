#pragma once
// The framing arithmetic: where to look at a photo so that a hairstyle's face opening sits on
// the client's face. Plain numbers, no pictures and no windows.
#include <optional>

#include "fit/Face.h"

namespace velvo::fit {

// The see-through region a hairstyle frames, in the hairstyle picture's own pixels.
struct Opening {
    double centreX = 0, centreY = 0;
    double width = 0;
};

struct Size {
    int w = 0, h = 0;
};

// What a document shows: zoom in whole percent and the view offsets in zoomed screen pixels
// (the visible window's top-left inside the zoomed photo), as the picture view takes them.
struct View {
    int zoom = 100;
    int viewX = 0, viewY = 0;
};

// Where the hairstyle goes on screen (client pixels of the document) and the size it is
// stretched to.
struct HairPlacement {
    int left = 0, top = 0;
    int width = 0, height = 0;
};

// Zoom (whole percent, at least 1) and view offsets that give the face (its width(): the
// head's, ear to ear, when the detector found the ears) the width of the opening, with its centre where the opening's centre falls when a `hair`-sized overlay is
// centred in `window`. The offsets are clamped as the picture view clamps them (0 .. zoomed
// size minus window, 0 when the zoomed photo fits), so they can be set as they are.
// A face of width 0 or less (or an opening without width) frames nothing: the whole photo is fitted.
// The zoom stays within 1 .. kMaxFramingZoom, so a face of a few pixels cannot ask for a
// zoomed picture the view could not hold.
inline constexpr int kMaxFramingZoom = 1600;
View frameFace(Size photo, const Face& face, Size window, Size hair, const Opening& opening);

// The zoom and offsets that show the whole photo inside `window` (no face found): the largest
// whole percent at which it fits, never above 100, offsets 0.
View fitWhole(Size photo, Size window);

// Where the overlay goes so that its opening, stretched to the face's on-screen width, is
// centred on the face as `view` shows it (after any clamping of the offsets).
HairPlacement placeHair(const Face& face, const View& view, Size hair, const Opening& opening);

// round(length x zoom / 100), halves up, as the picture view sizes a zoomed photo.
int zoomedLength(int length, int zoom);

// The opening used when a document has no hairstyle: the size of the window itself, centred
// across it and 45 % of the way down (where a head's middle sits in a portrait), 40 % of the
// window's width (about 96 pixels in the standard 241-pixel window, a face at about 100 %).
// frameFace(photo, face, window, window, defaultOpening(window)) then frames in window
// coordinates.
Opening defaultOpening(Size window);

} // namespace velvo::fit

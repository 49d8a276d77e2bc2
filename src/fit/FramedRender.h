#pragma once
// What a document window shows after framing, drawn without windows: the photo at a zoom and
// view offsets, with a hairstyle stretched over it.
#include <optional>

#include "fit/Framing.h"
#include "imaging/codecs/Raster.h"

namespace velvo::fit {

// The document window's client area.
inline constexpr Size kDocumentWindow{241, 313};
// Where the zoomed photo does not reach, the window's own colour shows.
inline constexpr imaging::Bgr kWindowColour{240, 240, 240};

// The key colour of a hairstyle picture: its bottom-left pixel, as the overlay takes it.
imaging::Bgr hairKey(const imaging::Raster& hair);

// Whether the hairstyle stretched to `place` covers window pixel (x, y): the picture pixel
// drawn there (nearest, rows and columns dropped or repeated as the overlay stretches) is not
// the key colour.
bool hairCovers(const imaging::Raster& hair, const HairPlacement& place, int x, int y);

// The window's picture: the photo's pixel (x + viewX, y + viewY) at `view`'s zoom, the mean
// of its footprint when reduced and the nearest pixel when enlarged, top-left aligned as the
// picture view draws it; then the hairstyle (when given) over it, its key colour see-through.
imaging::Raster renderFramed(const imaging::Raster& photo, const View& view, Size window,
                             const imaging::Raster* hair = nullptr, const HairPlacement* place = nullptr);

} // namespace velvo::fit

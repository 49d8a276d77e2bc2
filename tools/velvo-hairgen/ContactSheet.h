#pragma once
// Pictures for looking at the generated hairstyles: a grid of them with the white background
// keyed out over grey, and a hairstyle laid over a portrait the way the document window does.
#include <vector>

#include "imaging/codecs/Raster.h"

namespace velvo::hairgen {

// Cells of cellWidth x cellHeight, `columns` per row; each picture is scaled down to fit.
imaging::Raster contactSheet(const std::vector<imaging::Raster>& pictures, int columns,
                             int cellWidth, int cellHeight);

// Draws `hair` scaled by `scale` (nearest pixel) with its top-left corner at (left, top),
// leaving out every pixel of the colour of its bottom-left corner.
void layOver(imaging::Raster& photo, const imaging::Raster& hair, int left, int top, double scale);

} // namespace velvo::hairgen

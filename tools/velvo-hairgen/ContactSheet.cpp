#include "ContactSheet.h"

#include <algorithm>
#include <cmath>

namespace velvo::hairgen {

using imaging::Bgr;
using imaging::Raster;

void layOver(Raster& photo, const Raster& hair, int left, int top, double scale) {
    if (hair.empty() || scale <= 0)
        return;
    const Bgr key = hair.at(0, hair.height - 1);
    const int w = int(std::lround(hair.width * scale)), h = int(std::lround(hair.height * scale));
    for (int y = 0; y < h; ++y) {
        const int py = top + y;
        if (py < 0 || py >= photo.height)
            continue;
        const int sy = std::min(hair.height - 1, int(y / scale));
        for (int x = 0; x < w; ++x) {
            const int px = left + x;
            if (px < 0 || px >= photo.width)
                continue;
            const Bgr c = hair.at(std::min(hair.width - 1, int(x / scale)), sy);
            if (!(c == key))
                photo.set(px, py, c);
        }
    }
}

Raster contactSheet(const std::vector<Raster>& pictures, int columns, int cellWidth,
                    int cellHeight) {
    const int rows = int((pictures.size() + columns - 1) / columns);
    Raster sheet = Raster::create(columns * cellWidth, std::max(1, rows) * cellHeight,
                                  "contact sheet", Bgr{150, 150, 150});
    for (size_t i = 0; i < pictures.size(); ++i) {
        const Raster& p = pictures[i];
        const double scale =
            std::min({1.0, double(cellWidth - 4) / p.width, double(cellHeight - 4) / p.height});
        const int cx = int(i % columns) * cellWidth, cy = int(i / columns) * cellHeight;
        // A darker frame marks the picture's full extent, so margins can be judged.
        const int w = int(p.width * scale), h = int(p.height * scale);
        const int left = cx + (cellWidth - w) / 2, top = cy + (cellHeight - h) / 2;
        for (int x = left - 1; x <= left + w; ++x) {
            sheet.set(x, top - 1, Bgr{110, 110, 110});
            sheet.set(x, std::min(sheet.height - 1, top + h), Bgr{110, 110, 110});
        }
        for (int y = top - 1; y <= std::min(sheet.height - 1, top + h); ++y) {
            sheet.set(left - 1, y, Bgr{110, 110, 110});
            sheet.set(std::min(sheet.width - 1, left + w), y, Bgr{110, 110, 110});
        }
        layOver(sheet, p, left, top, scale);
    }
    return sheet;
}

} // namespace velvo::hairgen

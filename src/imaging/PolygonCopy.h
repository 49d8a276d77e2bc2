#pragma once
// Copies through a polygon, and which pixels a polygon covers.
#include <QImage>
#include <QPolygon>
#include <QRect>
#include <cstdint>
#include <vector>

namespace velvo::imaging {

// The points' box: min x, min y as the top-left; max x, max y as the exclusive right and
// bottom (so width = max x - min x), as a polygon region on the platform has it.
QRect polygonBox(const QPolygon& points);

// Pixel (x, y) is covered when its centre (x + 0.5, y + 0.5) lies inside the polygon by the
// even-odd rule; a centre exactly on a left edge is inside, on a right edge outside (the
// boundary rule of a platform polygon region). Computed exactly in integers.
// Returns one byte per pixel of `box` (row by row, 1 = covered).
std::vector<uint8_t> polygonCoverage(const QPolygon& points, const QRect& box);

// Copies the points' box of `source` into `image` with its top-left at target's top-left,
// through the polygon moved by the same amount. `image` grows (new area white) when the copy
// reaches past its right or bottom edge; it becomes Format_BGR888. Fewer than 3 points: nothing.
void pasteThroughPolygon(QImage& image, const QImage& source, const QPolygon& points,
                         const QRect& target);

// Copies from `image` the box of the polygon's box size whose top-left is `source` into
// `target` at the box's own position, through the polygon at its own position; `target` grows
// (new area white) when needed and becomes Format_BGR888. Fewer than 3 points: nothing.
void copyThroughPolygon(const QImage& image, QImage& target, const QPolygon& points,
                        QPoint source);

} // namespace velvo::imaging

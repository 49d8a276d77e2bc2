#include "imaging/PolygonCopy.h"

#include <algorithm>
#include <cstring>

namespace velvo::imaging {
namespace {

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }

QImage asBgr(const QImage& image) {
    return image.format() == QImage::Format_BGR888 ? image
                                                   : image.convertToFormat(QImage::Format_BGR888);
}

// `image` as BGR888 of at least width x height; grown parts are white.
void ensureSize(QImage& image, int width, int height) {
    const int w = std::max(width, image.isNull() ? 0 : image.width());
    const int h = std::max(height, image.isNull() ? 0 : image.height());
    if (!image.isNull() && w == image.width() && h == image.height()) {
        if (image.format() != QImage::Format_BGR888)
            image = image.convertToFormat(QImage::Format_BGR888);
        return;
    }
    QImage grown(w, h, QImage::Format_BGR888);
    grown.fill(Qt::white);
    if (!image.isNull()) {
        const QImage old = asBgr(image);
        for (int y = 0; y < old.height(); ++y)
            std::memcpy(grown.scanLine(y), old.constScanLine(y), size_t(old.width()) * 3);
    }
    image = grown;
}

// Copies covered pixels of the box at `from` (in `source`) to the box at `to` (in `dest`);
// `mask` is the coverage of a box of that size; pixels outside either image are skipped.
void copyMasked(const QImage& source, QPoint from, QImage& dest, QPoint to, QSize size,
                const std::vector<uint8_t>& mask) {
    for (int y = 0; y < size.height(); ++y) {
        const int sy = from.y() + y, dy = to.y() + y;
        if (sy < 0 || sy >= source.height() || dy < 0 || dy >= dest.height())
            continue;
        const uint8_t* in = source.constScanLine(sy);
        uint8_t* out = dest.scanLine(dy);
        const uint8_t* m = mask.data() + size_t(y) * size_t(size.width());
        for (int x = 0; x < size.width(); ++x) {
            const int sx = from.x() + x, dx = to.x() + x;
            if (m[x] && sx >= 0 && sx < source.width() && dx >= 0 && dx < dest.width())
                std::memcpy(out + size_t(dx) * 3, in + size_t(sx) * 3, 3);
        }
    }
}

} // namespace

QRect polygonBox(const QPolygon& points) {
    if (points.isEmpty())
        return {};
    int x0 = points[0].x(), y0 = points[0].y(), x1 = x0, y1 = y0;
    for (const QPoint& p : points) {
        x0 = std::min(x0, p.x()), x1 = std::max(x1, p.x());
        y0 = std::min(y0, p.y()), y1 = std::max(y1, p.y());
    }
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

std::vector<uint8_t> polygonCoverage(const QPolygon& points, const QRect& box) {
    const int w = std::max(0, box.width()), h = std::max(0, box.height());
    std::vector<uint8_t> mask(size_t(w) * size_t(h), 0);
    const int n = int(points.size());
    if (n < 3)
        return mask;
    std::vector<int64_t> starts;
    for (int row = 0; row < h; ++row) {
        const int py = box.top() + row;
        // Twice the centre's y, so every comparison stays in integers.
        const int64_t cy2 = 2 * int64_t(py) + 1;
        starts.clear();
        for (int i = 0; i < n; ++i) {
            QPoint a = points[i], b = points[(i + 1) % n];
            if (a.y() > b.y())
                std::swap(a, b);
            if (!(2 * int64_t(a.y()) <= cy2 && cy2 < 2 * int64_t(b.y())))
                continue;
            // First pixel whose centre is at or right of the crossing: (2 px + 1) dy >= N.
            const int64_t dy = b.y() - a.y();
            const int64_t num = 2 * int64_t(a.x()) * dy + (cy2 - 2 * int64_t(a.y())) * (b.x() - a.x());
            starts.push_back(ceilDiv(num - dy, 2 * dy));
        }
        std::sort(starts.begin(), starts.end());
        uint8_t* m = mask.data() + size_t(row) * size_t(w);
        for (size_t k = 0; k + 1 < starts.size(); k += 2) {
            const int64_t from = std::max<int64_t>(starts[k], box.left());
            const int64_t to = std::min<int64_t>(starts[k + 1], int64_t(box.left()) + w);
            for (int64_t x = from; x < to; ++x)
                m[x - box.left()] = 1;
        }
    }
    return mask;
}

void pasteThroughPolygon(QImage& image, const QImage& source, const QPolygon& points,
                         const QRect& target) {
    if (points.size() < 3)
        return;
    const QRect box = polygonBox(points);
    const QPoint to = target.topLeft();
    ensureSize(image, to.x() + box.width(), to.y() + box.height());
    copyMasked(asBgr(source), box.topLeft(), image, to, box.size(), polygonCoverage(points, box));
}

void copyThroughPolygon(const QImage& image, QImage& target, const QPolygon& points,
                        QPoint source) {
    if (points.size() < 3)
        return;
    const QRect box = polygonBox(points);
    ensureSize(target, box.right() + 1, box.bottom() + 1);
    copyMasked(asBgr(image), source, target, box.topLeft(), box.size(),
               polygonCoverage(points, box));
}

} // namespace velvo::imaging

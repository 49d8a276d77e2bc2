#include "imaging/codecs/ColorQuantizer.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace velvo::imaging {

namespace {

constexpr int kCellBits = 6;
constexpr unsigned kCells = 1u << (3 * kCellBits);

inline uint32_t packColour(const uint8_t* p) {
    return uint32_t(p[0]) | p[1] << 8 | p[2] << 16;
}

// Cell key: red, green, blue in 6 bits each; axis 0 is red, 1 green, 2 blue.
inline uint32_t cellOf(const uint8_t* p) {
    return uint32_t(p[2] >> 2) << 12 | uint32_t(p[1] >> 2) << 6 | uint32_t(p[0] >> 2);
}
inline unsigned axisValue(uint32_t key, int axis) {
    return (key >> (12 - 6 * axis)) & 63;
}

struct Cell {
    uint32_t key;
    uint32_t count;
};

struct Box {
    size_t begin, end; // range in the cell list
    double error = 0;  // weighted squared error over all axes; < 0 when it cannot split
    int axis = 0;      // axis of largest error
};

void measure(Box& box, const std::vector<Cell>& cells) {
    std::array<double, 3> sum{}, sq{}, err{};
    double w = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
        const double c = cells[i].count;
        w += c;
        for (int a = 0; a < 3; ++a) {
            const double v = axisValue(cells[i].key, a);
            sum[a] += c * v;
            sq[a] += c * v * v;
        }
    }
    for (int a = 0; a < 3; ++a)
        err[a] = sq[a] - sum[a] * sum[a] / w;
    box.axis = int(std::max_element(err.begin(), err.end()) - err.begin());
    box.error = box.end - box.begin > 1 ? err[0] + err[1] + err[2] : -1;
}

// Splits along the box's axis at the value that leaves the least error on that axis; returns
// the start of the upper half (strictly inside the box).
size_t split(const Box& box, std::vector<Cell>& cells) {
    std::array<double, 64> w{}, s{}, q{};
    for (size_t i = box.begin; i < box.end; ++i) {
        const unsigned v = axisValue(cells[i].key, box.axis);
        w[v] += cells[i].count;
        s[v] += double(cells[i].count) * v;
        q[v] += double(cells[i].count) * v * v;
    }
    double tw = 0, ts = 0, tq = 0;
    for (int v = 0; v < 64; ++v)
        tw += w[v], ts += s[v], tq += q[v];
    double lw = 0, ls = 0, lq = 0, best = -1;
    int cut = -1;
    for (int v = 0; v < 63; ++v) {
        lw += w[v], ls += s[v], lq += q[v];
        const double rw = tw - lw;
        if (lw == 0 || rw == 0)
            continue;
        const double rs = ts - ls, rq = tq - lq;
        const double e = (lq - ls * ls / lw) + (rq - rs * rs / rw);
        if (cut < 0 || e < best)
            best = e, cut = v;
    }
    auto mid =
        std::partition(cells.begin() + ptrdiff_t(box.begin), cells.begin() + ptrdiff_t(box.end),
                       [&](const Cell& c) { return int(axisValue(c.key, box.axis)) <= cut; });
    return size_t(mid - cells.begin());
}

inline int distance(const Bgr& a, int r, int g, int b) {
    const int dr = a.r - r, dg = a.g - g, db = a.b - b;
    return dr * dr + dg * dg + db * db;
}

} // namespace

std::optional<IndexedPicture> exactPalette(const Raster& picture, int maxColours) {
    if (maxColours < 1 || maxColours > 256)
        throw std::invalid_argument("palette size out of range");
    constexpr unsigned kSlots = 1024; // at most 257 colours are ever stored
    constexpr uint32_t kEmpty = 0xFFFFFFFF;
    std::vector<uint32_t> keys(kSlots, kEmpty);
    std::vector<uint8_t> slotIndex(kSlots);
    IndexedPicture out;
    const size_t n = size_t(picture.width) * size_t(picture.height);
    out.indices.resize(n);
    const uint8_t* p = picture.pixels.data();
    uint32_t last = kEmpty;
    uint8_t lastIndex = 0;
    for (size_t i = 0; i < n; ++i, p += 3) {
        const uint32_t c = packColour(p);
        if (c != last) {
            unsigned h = (c * 2654435761u) >> 22;
            while (keys[h] != kEmpty && keys[h] != c)
                h = (h + 1) & (kSlots - 1);
            if (keys[h] == kEmpty) {
                if (int(out.palette.size()) == maxColours)
                    return std::nullopt;
                keys[h] = c;
                slotIndex[h] = uint8_t(out.palette.size());
                out.palette.push_back({p[0], p[1], p[2]});
            }
            last = c;
            lastIndex = slotIndex[h];
        }
        out.indices[i] = lastIndex;
    }
    return out;
}

IndexedPicture quantizeMedianCut(const Raster& picture, int maxColours, std::optional<Bgr> keep) {
    if (maxColours < 2 || maxColours > 256)
        throw std::invalid_argument("palette size out of range");
    const size_t n = size_t(picture.width) * size_t(picture.height);
    const uint8_t* const px = picture.pixels.data();
    const uint32_t keyColour = keep ? uint32_t(keep->b) | keep->g << 8 | keep->r << 16 : 0;
    auto isKept = [&](const uint8_t* p) { return keep && packColour(p) == keyColour; };

    std::vector<uint32_t> hist(kCells, 0);
    bool keptSeen = false;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = px + 3 * i;
        if (isKept(p))
            keptSeen = true;
        else
            ++hist[cellOf(p)];
    }
    std::vector<Cell> cells;
    for (uint32_t k = 0; k < kCells; ++k)
        if (hist[k])
            cells.push_back({k, hist[k]});

    const int first = keptSeen ? 1 : 0;
    std::vector<Box> boxes;
    if (!cells.empty()) {
        boxes.push_back({0, cells.size()});
        measure(boxes[0], cells);
    }
    while (int(boxes.size()) + first < maxColours) {
        auto worst = std::max_element(boxes.begin(), boxes.end(),
                                      [](const Box& a, const Box& b) { return a.error < b.error; });
        if (worst == boxes.end() || worst->error <= 0)
            break;
        Box upper{split(*worst, cells), worst->end};
        worst->end = upper.begin;
        measure(*worst, cells);
        measure(upper, cells);
        boxes.push_back(upper);
    }

    // The entries are the exact means of the pixels whose cells fall in each box.
    std::vector<uint16_t> cellBox(kCells, 0);
    for (size_t b = 0; b < boxes.size(); ++b)
        for (size_t i = boxes[b].begin; i < boxes[b].end; ++i)
            cellBox[cells[i].key] = uint16_t(b);
    std::vector<std::array<uint64_t, 4>> sums(boxes.size(), {0, 0, 0, 0});
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = px + 3 * i;
        if (isKept(p))
            continue;
        auto& s = sums[cellBox[cellOf(p)]];
        s[0] += p[0], s[1] += p[1], s[2] += p[2], ++s[3];
    }
    IndexedPicture out;
    if (keptSeen)
        out.palette.push_back(*keep);
    for (const auto& s : sums) {
        const uint64_t c = s[3];
        out.palette.push_back({uint8_t((s[0] + c / 2) / c), uint8_t((s[1] + c / 2) / c),
                               uint8_t((s[2] + c / 2) / c)});
    }

    // Nearest entry to each cell's centre, looked up once per cell actually used.
    std::vector<int16_t> nearest(kCells, -1);
    out.indices.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = px + 3 * i;
        if (isKept(p)) {
            out.indices[i] = 0;
            continue;
        }
        const uint32_t cell = cellOf(p);
        if (nearest[cell] < 0) {
            const int r = int(axisValue(cell, 0)) * 4 + 2, g = int(axisValue(cell, 1)) * 4 + 2,
                      b = int(axisValue(cell, 2)) * 4 + 2;
            int best = first, bestD = distance(out.palette[size_t(first)], r, g, b);
            for (int e = first + 1; e < int(out.palette.size()); ++e) {
                const int d = distance(out.palette[size_t(e)], r, g, b);
                if (d < bestD)
                    best = e, bestD = d;
            }
            nearest[cell] = int16_t(best);
        }
        out.indices[i] = uint8_t(nearest[cell]);
    }
    return out;
}

} // namespace velvo::imaging

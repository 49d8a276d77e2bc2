#include "imaging/codecs/JpegEighth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/codecs/JpegHuffman.h"

namespace velvo::imaging::jpeg {

namespace {

constexpr int kMaxDc = 1 << 14;

// The DC difference of a block added to `dc`; false for a damaged code.
[[gnu::always_inline]] inline bool decodeDc(BitReader& in, const Huffman& h, int& dc) {
    in.refill();
    const int e = decodeSymbol(in.acc, h);
    if (e < 0)
        return false;
    in.skip(e >> 8);
    if (const int s = e & 0xFF) {
        in.refill();
        dc += in.value(s);
    }
    // 8-bit samples keep the DC within +-1024 times 8 over the quantizer; a predictor far
    // outside is damaged data, and could overflow in a long enough file.
    return dc >= -kMaxDc && dc <= kMaxDc;
}

[[gnu::always_inline]] inline bool skipAc(BitReader& in, const Huffman& h) {
    for (int k = 1; k < 64;) {
        // A code and its value take at most 16 + 15 bits. Refilling only when fewer remain
        // keeps the refill's loads off the path from one code to the next.
        if (in.bits < 31)
            in.refill();
        if (const uint16_t e = h.skip[in.peek(kFastBits)]) {
            in.skip(e & 0xFF);
            k += e >> 8;
            continue;
        }
        const int e = decodeSymbol(in.acc, h);
        if (e < 0)
            return false;
        in.skip(e >> 8);
        const int run = (e >> 4) & 15, size = e & 15;
        if (size) {
            in.refill();
            in.skip(size);
            k += run + 1;
        } else if (run == 15)
            k += 16;
        else
            break;
    }
    return true;
}

// The mean of each quadrant of a block's 8 x 8 inverse DCT needs only the frequencies 0, 1,
// 3, 5 and 7 in each direction (the even ones average out over four samples): 25 of the 64.
constexpr int kKept = 5;
constexpr int kKeptFrequency[kKept] = {0, 1, 3, 5, 7};

// Zigzag position -> the slot (row * kKept + column) of a kept coefficient, or -1.
constexpr std::array<int8_t, 64> kSlot = [] {
    std::array<int8_t, 64> slot{};
    int x = 0, y = 0;
    const auto kept = [](int f) {
        for (int i = 0; i < kKept; ++i)
            if (kKeptFrequency[i] == f)
                return i;
        return -1;
    };
    for (int i = 0; i < 64; ++i) {
        slot[size_t(i)] = int8_t(kept(x) < 0 || kept(y) < 0 ? -1 : kept(y) * kKept + kept(x));
        if ((x + y) % 2 == 0) {
            if (x == 7)
                ++y;
            else if (y == 0)
                ++x;
            else
                --y, ++x;
        } else {
            if (y == 7)
                ++x;
            else if (x == 0)
                ++y;
            else
                ++y, --x;
        }
    }
    return slot;
}();

// A chroma block's kept coefficients, in the order they came; a block has few.
struct Kept {
    int count = 0;
    std::array<int8_t, kKept * kKept> slot;
    std::array<int, kKept * kKept> value;
};

// The kept AC coefficients of a block; false for a damaged code.
[[gnu::always_inline]] inline bool decodeKeptAc(BitReader& in, const Huffman& h, Kept& kept) {
    kept.count = 0;
    for (int k = 1; k < 64;) {
        in.refill();
        const int e = decodeSymbol(in.acc, h);
        if (e < 0)
            return false;
        in.skip(e >> 8);
        const int run = (e >> 4) & 15, size = e & 15;
        if (size) {
            k += run;
            in.refill();
            const int v = in.value(size);
            // Positions rise, so no slot comes twice.
            if (k < 64 && kSlot[size_t(k)] >= 0) {
                kept.slot[size_t(kept.count)] = kSlot[size_t(k)];
                kept.value[size_t(kept.count++)] = v;
            }
            ++k;
        } else if (run == 15)
            k += 16;
        else
            break;
    }
    return true;
}

// The weight of each kept frequency in the first half of a row or column (the second half
// has the same weight for 0, the opposite for the odd ones), scaled so that the DC alone
// gives dc * q / 8 as the 1 x 1 reduction does.
const std::array<double, kKept> kHalfWeight = [] {
    std::array<double, kKept> w{};
    const double pi = std::acos(-1.0);
    for (int i = 0; i < kKept; ++i) {
        const int u = kKeptFrequency[i];
        double sum = 0;
        for (int x = 0; x < 4; ++x)
            sum += std::cos((2 * x + 1) * u * pi / 16);
        w[size_t(i)] = (u == 0 ? std::sqrt(0.5) : 1.0) * sum / 8;
    }
    return w;
}();

uint8_t clampSample(int v) {
    return uint8_t(std::clamp(v, 0, 255));
}

// A block mean of real samples lies in 0..255 give or take the quantization error. Far outside
// it the data is damaged, and libjpeg's range limiting (which wraps there rather than
// saturating) has the last word.
constexpr int kWildBelow = -128, kWildAbove = 383;

// Rounded like libjpeg's 1 x 1 inverse DCT: (dc * q + 4) >> 3, arithmetic shift.
[[gnu::always_inline]] inline uint8_t dcSample(int dc, int quant, bool& wild) {
    const int v = ((dc * quant + 4) >> 3) + 128;
    wild |= v < kWildBelow || v > kWildAbove;
    return clampSample(v);
}

// JFIF YCbCr to BGR in 16-bit fixed point, rounded to nearest.
void toBgr(uint8_t* out, int y, int cb, int cr) {
    cb -= 128, cr -= 128;
    constexpr int kHalfUnit = 1 << 15;
    out[2] = clampSample(y + ((91881 * cr + kHalfUnit) >> 16));
    out[1] = clampSample(y + ((-22554 * cb - 46802 * cr + kHalfUnit) >> 16));
    out[0] = clampSample(y + ((116130 * cb + kHalfUnit) >> 16));
}

// Per kept slot, the weight of its dequantized coefficient in the top-left quadrant's mean.
using QuadrantWeights = std::array<double, kKept * kKept>;

QuadrantWeights quadrantWeights(const UINT16* quant) {
    QuadrantWeights w{};
    for (int r = 0; r < kKept; ++r)
        for (int c = 0; c < kKept; ++c)
            w[size_t(r * kKept + c)] = double(quant[kKeptFrequency[r] * 8 + kKeptFrequency[c]]) *
                                       kHalfWeight[size_t(r)] * kHalfWeight[size_t(c)];
    return w;
}

// The four quadrant means of a block (left, right of the top half, then the bottom half),
// level-shifted to samples. An odd frequency weighs the other way in the right or lower half.
[[gnu::always_inline]] inline void quadrants(int dc, const Kept& kept, const QuadrantWeights& w,
                                             uint8_t out[4], bool& wild) {
    const double base = dc * w[0];
    double sum[4] = {base, base, base, base};
    for (int i = 0; i < kept.count; ++i) {
        const int slot = kept.slot[size_t(i)];
        const double t = kept.value[size_t(i)] * w[size_t(slot)];
        const bool oddColumn = slot % kKept != 0, oddRow = slot >= kKept;
        sum[0] += t;
        sum[1] += oddColumn ? -t : t;
        sum[2] += oddRow ? -t : t;
        sum[3] += oddColumn != oddRow ? -t : t;
    }
    for (int q = 0; q < 4; ++q) {
        const double v = sum[q] + 128;
        wild |= !(v >= kWildBelow && v <= kWildAbove);
        out[q] = clampSample(int(std::clamp(v, -1.0, 256.0) + 0.5));
    }
}

// The scan's bytes without stuffing, padded; the start of each restart interval in them.
struct Scan {
    std::vector<uint8_t> bytes;
    std::vector<size_t> intervals;
    size_t size = 0;
};

// Nullopt when the data ends before a marker, a restart marker is out of sequence, or the
// scan ends with anything but the end of the image: those are libjpeg's to judge.
std::optional<Scan> unstuff(const uint8_t* data, size_t size) {
    Scan scan;
    scan.bytes.reserve(size + kBitReaderPadding);
    scan.intervals.push_back(0);
    size_t i = 0;
    int nextRestart = 0;
    while (true) {
        const auto* ff = static_cast<const uint8_t*>(std::memchr(data + i, 0xFF, size - i));
        if (!ff)
            return std::nullopt;
        const size_t at = size_t(ff - data);
        scan.bytes.insert(scan.bytes.end(), data + i, data + at);
        size_t j = at + 1;
        while (j < size && data[j] == 0xFF)
            ++j;
        if (j >= size)
            return std::nullopt;
        const uint8_t marker = data[j];
        i = j + 1;
        if (marker == 0x00) {
            scan.bytes.push_back(0xFF);
        } else if (marker >= 0xD0 && marker <= 0xD7) {
            if (marker != 0xD0 + nextRestart)
                return std::nullopt;
            nextRestart = (nextRestart + 1) & 7;
            scan.intervals.push_back(scan.bytes.size());
        } else if (marker == 0xD9) {
            break;
        } else {
            return std::nullopt;
        }
    }
    scan.size = scan.bytes.size();
    scan.bytes.resize(scan.size + kBitReaderPadding, 0);
    return scan;
}

struct Component {
    const Huffman* dc;
    const Huffman* ac;
    const UINT16* quant;
    QuadrantWeights weights;
    int predictor = 0;
};

} // namespace

std::optional<Raster> decodeEighth(const jpeg_decompress_struct& c, const std::string& name) {
    const bool gray = c.num_components == 1 && c.jpeg_color_space == JCS_GRAYSCALE;
    const bool ycc = c.num_components == 3 && c.jpeg_color_space == JCS_YCbCr;
    // A header libjpeg already warned about (stray bytes between segments) stays its to report.
    if (!c.err || c.err->num_warnings > 0)
        return std::nullopt;
    if (c.progressive_mode || c.arith_code || c.data_precision != 8 || !c.src ||
        c.comps_in_scan != c.num_components || c.Ss != 0 || c.Se != 63 || c.Ah != 0 || c.Al != 0 ||
        !(gray || ycc))
        return std::nullopt;
    for (int i = 0; i < c.comps_in_scan; ++i)
        if (c.cur_comp_info[i] != &c.comp_info[i])
            return std::nullopt;
    // Luma full or 2 x 2, chroma one block per MCU.
    const int lumaH = gray ? 1 : c.comp_info[0].h_samp_factor;
    const int lumaV = gray ? 1 : c.comp_info[0].v_samp_factor;
    if (lumaH != lumaV || (lumaH != 1 && lumaH != 2))
        return std::nullopt;
    for (int i = 1; i < c.num_components; ++i)
        if (c.comp_info[i].h_samp_factor != 1 || c.comp_info[i].v_samp_factor != 1)
            return std::nullopt;

    std::array<Huffman, NUM_HUFF_TBLS> dcTables, acTables;
    std::array<bool, NUM_HUFF_TBLS> dcBuilt{}, acBuilt{};
    std::array<Component, 3> comps{};
    for (int i = 0; i < c.num_components; ++i) {
        const jpeg_component_info& info = c.comp_info[i];
        const int d = info.dc_tbl_no, a = info.ac_tbl_no, q = info.quant_tbl_no;
        if (d < 0 || d >= NUM_HUFF_TBLS || a < 0 || a >= NUM_HUFF_TBLS || q < 0 ||
            q >= NUM_QUANT_TBLS || !c.quant_tbl_ptrs[q])
            return std::nullopt;
        if (!dcBuilt[size_t(d)] && !buildHuffman(dcTables[size_t(d)], c.dc_huff_tbl_ptrs[d], true))
            return std::nullopt;
        if (!acBuilt[size_t(a)] && !buildHuffman(acTables[size_t(a)], c.ac_huff_tbl_ptrs[a], false))
            return std::nullopt;
        dcBuilt[size_t(d)] = acBuilt[size_t(a)] = true;
        const UINT16* quant = c.quant_tbl_ptrs[q]->quantval;
        comps[size_t(i)] = {&dcTables[size_t(d)], &acTables[size_t(a)], quant,
                            quadrantWeights(quant), 0};
    }

    std::optional<Scan> scan = unstuff(c.src->next_input_byte, c.src->bytes_in_buffer);
    if (!scan)
        return std::nullopt;

    const int width = int((c.image_width + 7) / 8), height = int((c.image_height + 7) / 8);
    const int mcuCols = (width + lumaH - 1) / lumaH, mcuRows = (height + lumaV - 1) / lumaV;
    const size_t mcus = size_t(mcuCols) * size_t(mcuRows);
    const size_t perInterval = c.restart_interval ? c.restart_interval : mcus;
    if (scan->intervals.size() != (mcus + perInterval - 1) / perInterval)
        return std::nullopt;

    Raster picture = Raster::create(width, height, name);
    // Luma of the current MCU row, and the chroma each output pixel takes.
    std::vector<uint8_t> luma(size_t(width) * size_t(lumaV));
    std::vector<uint8_t> chroma(gray ? 0 : size_t(width) * size_t(lumaV) * 2);
    BitReader in;
    in.data = scan->bytes.data();
    // Past the data by more than a refill's reach: consumedBits then shows the overrun.
    in.limit = scan->size + 8;
    size_t interval = 0, inInterval = 0;
    in.start(0);
    Kept kept;
    bool wild = false;
    for (int my = 0; my < mcuRows; ++my) {
        for (int mx = 0; mx < mcuCols; ++mx) {
            if (inInterval == perInterval) {
                // The interval must end exactly at its restart marker.
                const size_t end = scan->intervals[interval + 1];
                if ((in.consumedBits() + 7) / 8 != end)
                    return std::nullopt;
                ++interval, inInterval = 0;
                for (Component& comp : comps)
                    comp.predictor = 0;
                in.start(end);
            }
            ++inInterval;
            Component& y = comps[0];
            for (int by = 0; by < lumaV; ++by)
                for (int bx = 0; bx < lumaH; ++bx) {
                    if (!decodeDc(in, *y.dc, y.predictor) || !skipAc(in, *y.ac))
                        return std::nullopt;
                    const int x = mx * lumaH + bx;
                    if (x < width)
                        luma[size_t(by) * size_t(width) + size_t(x)] =
                            dcSample(y.predictor, y.quant[0], wild);
                }
            for (int ci = 1; ci < c.num_components; ++ci) {
                Component& comp = comps[size_t(ci)];
                if (!decodeDc(in, *comp.dc, comp.predictor))
                    return std::nullopt;
                uint8_t* out = chroma.data() + size_t(ci - 1);
                if (lumaH == 1) {
                    if (!skipAc(in, *comp.ac))
                        return std::nullopt;
                    out[size_t(mx) * 2] = dcSample(comp.predictor, comp.quant[0], wild);
                    continue;
                }
                if (!decodeKeptAc(in, *comp.ac, kept))
                    return std::nullopt;
                uint8_t q[4];
                quadrants(comp.predictor, kept, comp.weights, q, wild);
                for (int i = 0; i < 4; ++i) {
                    const int x = mx * 2 + (i & 1);
                    if (x < width)
                        out[(size_t(i >> 1) * size_t(width) + size_t(x)) * 2] = q[i];
                }
            }
            // Damaged data runs on into the padding: stop there rather than decode zeros.
            if (in.consumedBits() > scan->size * 8 || wild)
                return std::nullopt;
        }
        for (int by = 0; by < lumaV; ++by) {
            const int row = my * lumaV + by;
            if (row >= height)
                break;
            uint8_t* out = picture.row(row);
            const uint8_t* l = luma.data() + size_t(by) * size_t(width);
            if (gray) {
                for (int x = 0; x < width; ++x, out += 3)
                    out[0] = out[1] = out[2] = l[x];
                continue;
            }
            const uint8_t* ch = chroma.data() + size_t(by) * size_t(width) * 2;
            for (int x = 0; x < width; ++x, out += 3, ch += 2)
                toBgr(out, l[x], ch[0], ch[1]);
        }
    }
    // Every byte of the last interval used: anything else is for libjpeg to report.
    if ((in.consumedBits() + 7) / 8 != scan->size)
        return std::nullopt;
    return picture;
}

} // namespace velvo::imaging::jpeg

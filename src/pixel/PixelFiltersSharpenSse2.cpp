// Sharpen of one interior stored row. With the upper row final and the lower one untouched,
// everything but the left neighbour in the same row is known before the row is written:
//   base = max(16 C - (V[xl] + V[x] + V[xr]) - orig[xr], 0),   V = up + down,
//   out[x] = min((base - P) >> 3 saturating at 0, 255),           P = out[x - a]
// (P is the original C for x = 0 and out[0] for 0 < x < a, where xl trims to 0). That equals
// clamp((16 C - N) div 8): a negative numerator clamps to 0 whether truncated or floored.
// The serial part runs on blocks of 3a bytes: each byte depends only on the byte 3a earlier,
// so a block depends only on the previous block, which stays in registers.
#include <algorithm>
#include <cstring>
#include <emmintrin.h>

#include "pixel/PixelFiltersKernels.h"

namespace velvo::pixel::kernels {
namespace {

constexpr int kMaxVectors = 4; // distances up to 10 (30 bytes per block) run in registers
constexpr int kPad = 8 * kMaxVectors + 16;

inline int finish(int base, int previous) {
    const int t = base - previous;
    return t <= 0 ? 0 : std::min(t >> 3, 255);
}

void verticalSums(const uint8_t* up, const uint8_t* down, int16_t* v, int n) {
    const __m128i zero = _mm_setzero_si128();
    int k = 0;
    for (; k + 16 <= n; k += 16) {
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(up + k));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(down + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(v + k),
                         _mm_add_epi16(_mm_unpacklo_epi8(u, zero), _mm_unpacklo_epi8(d, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(v + k + 8),
                         _mm_add_epi16(_mm_unpackhi_epi8(u, zero), _mm_unpackhi_epi8(d, zero)));
    }
    for (; k < n; ++k)
        v[k] = int16_t(up[k] + down[k]);
}

void edgeBase(const uint8_t* row, const int16_t* v, int16_t* base, int w, int a, int x) {
    const int xl = std::max(x - a, 0), xr = std::min(x + a, w - 1);
    for (int c = 0; c < 3; ++c) {
        const int b =
            16 * row[x * 3 + c] - v[xl * 3 + c] - v[x * 3 + c] - v[xr * 3 + c] - row[xr * 3 + c];
        base[x * 3 + c] = int16_t(std::max(b, 0));
    }
}

// Bytes [3a, 3(w - a)) have untrimmed neighbours 3a bytes either side.
void interiorBase(const uint8_t* row, const int16_t* v, int16_t* base, int begin, int end, int d) {
    const __m128i zero = _mm_setzero_si128();
    auto eight = [&](int k) {
        const __m128i c =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + k)), zero);
        const __m128i r =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + k + d)), zero);
        const __m128i n = _mm_add_epi16(
            _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + k - d)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + k))),
            _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + k + d)), r));
        const __m128i b = _mm_max_epi16(_mm_sub_epi16(_mm_slli_epi16(c, 4), n), zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(base + k), b);
    };
    if (end - begin < 8) {
        for (int k = begin; k < end; ++k)
            base[k] = int16_t(std::max(16 * row[k] - v[k - d] - v[k] - v[k + d] - row[k + d], 0));
        return;
    }
    int k = begin;
    for (; k + 8 <= end; k += 8)
        eight(k);
    if (k < end)
        eight(end - 8); // overlaps bytes already done with the same values
}

template <int NV> void recurrence(const int16_t* base, uint8_t* out, int n, int d) {
    const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi16(255);
    __m128i prev[NV];
    for (int j = 0; j < NV; ++j)
        prev[j] =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(out + 8 * j)), zero);
    for (int k = d; k < n; k += d) {
        // Lanes past the block's 3a bytes compute junk that the next block overwrites.
        for (int j = 0; j < NV; ++j) {
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + k + 8 * j));
            prev[j] = _mm_min_epi16(_mm_srli_epi16(_mm_subs_epu16(b, prev[j]), 3), top);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k + 8 * j),
                             _mm_packus_epi16(prev[j], prev[j]));
        }
    }
}

} // namespace

void SharpenScratch::Reserve(int width, int distance) {
    const size_t n = size_t(width) * 3 + size_t(std::max(distance, 1)) * 3 + kPad;
    if (vertical.size() < n) {
        vertical.assign(n, 0);
        base.assign(n, 0);
        out.assign(n, 0);
    }
}

void SharpenInteriorRow(const uint8_t* up, const uint8_t* down, uint8_t* row, int w, int a,
                        SharpenScratch& s) {
    const int n = w * 3;
    s.Reserve(w, a);
    int16_t* v = s.vertical.data();
    int16_t* base = s.base.data();
    uint8_t* out = s.out.data();
    verticalSums(up, down, v, n);
    const int lead = std::min(a, w), tailStart = std::max(lead, w - a);
    for (int x = 0; x < lead; ++x)
        edgeBase(row, v, base, w, a, x);
    if (tailStart > lead)
        interiorBase(row, v, base, lead * 3, tailStart * 3, a * 3);
    for (int x = tailStart; x < w; ++x)
        edgeBase(row, v, base, w, a, x);

    for (int c = 0; c < 3; ++c)
        out[c] = uint8_t(finish(base[c], row[c]));
    for (int x = 1; x < lead; ++x)
        for (int c = 0; c < 3; ++c)
            out[x * 3 + c] = uint8_t(finish(base[x * 3 + c], out[c]));
    const int d = a * 3;
    if (a < w) {
        switch ((d + 7) / 8) {
        case 1:
            recurrence<1>(base, out, n, d);
            break;
        case 2:
            recurrence<2>(base, out, n, d);
            break;
        case 3:
            recurrence<3>(base, out, n, d);
            break;
        case 4:
            recurrence<4>(base, out, n, d);
            break;
        default:
            for (int k = d; k < n; ++k)
                out[k] = uint8_t(finish(base[k], out[k - d]));
        }
    }
    std::memcpy(row, out, size_t(n));
}

} // namespace velvo::pixel::kernels

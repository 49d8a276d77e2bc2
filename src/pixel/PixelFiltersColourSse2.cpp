// The colour stages as SSE2 arithmetic on 48-byte chunks (16 pixels). The table formulas are
// computed directly instead of looked up; the ranges in Vectorisable() keep every intermediate
// inside 16 bits, so the bytes equal the tables' bytes.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <emmintrin.h>

#include "pixel/PixelFiltersKernels.h"

namespace velvo::pixel::kernels {
namespace {

struct Constants {
    __m128i add[3], sub[3]; // offsets per vector of a chunk, split into add and subtract parts
    __m128i lightFlip;      // all ones when lightness >= 0: the table then scales 255 - byte
    __m128i lightScale;     // |lightness|
    bool lightUp;
    __m128i contrastScale; // |contrast|
    bool contrastUp;
    __m128i saturation;
};

Constants prepare(const ColourPlan& plan) {
    Constants k{};
    const int offsets[3] = {plan.blue, plan.green, plan.red};
    for (int v = 0; v < 3; ++v) {
        alignas(16) uint8_t add[16], sub[16];
        for (int i = 0; i < 16; ++i) {
            const int o = offsets[(v * 16 + i) % 3];
            add[i] = uint8_t(std::clamp(o, 0, 255));
            sub[i] = uint8_t(std::clamp(-o, 0, 255));
        }
        k.add[v] = _mm_load_si128(reinterpret_cast<const __m128i*>(add));
        k.sub[v] = _mm_load_si128(reinterpret_cast<const __m128i*>(sub));
    }
    k.lightUp = plan.lightnessAmount >= 0;
    k.lightFlip = k.lightUp ? _mm_set1_epi8(-1) : _mm_setzero_si128();
    k.lightScale = _mm_set1_epi16(short(std::abs(plan.lightnessAmount)));
    k.contrastUp = plan.contrastAmount >= 0;
    k.contrastScale = _mm_set1_epi16(short(std::abs(plan.contrastAmount)));
    k.saturation = _mm_set1_epi16(short(plan.saturationAmount));
    return k;
}

// (byte * scale) >> 8 per byte, for scale <= 256 (so the result fits a byte).
inline __m128i scaleBytes(__m128i x, __m128i scale) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, x), scale);
    const __m128i hi = _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, x), scale);
    return _mm_packus_epi16(lo, hi);
}

// v >= 0: i + ((255 - i) v) >> 8; v < 0: i - (i |v|) >> 8; clamped.
inline __m128i lightness(__m128i x, const Constants& k) {
    const __m128i m = scaleBytes(_mm_xor_si128(x, k.lightFlip), k.lightScale);
    return k.lightUp ? _mm_adds_epu8(x, m) : _mm_subs_epu8(x, m);
}

// m = (|i - 128| |v|) >> 8 is the truncated quotient's size; bytes 0..126 move by -m sign(v),
// 127..255 by +m sign(v), clamped.
inline __m128i contrast(__m128i x, const Constants& k) {
    const __m128i mid = _mm_set1_epi8(char(128));
    const __m128i d = _mm_or_si128(_mm_subs_epu8(x, mid), _mm_subs_epu8(mid, x));
    const __m128i m = scaleBytes(d, k.contrastScale);
    const __m128i low = _mm_cmplt_epi8(_mm_xor_si128(x, mid), _mm_set1_epi8(-1));
    const __m128i lowPart = _mm_and_si128(low, m), highPart = _mm_andnot_si128(low, m);
    return k.contrastUp ? _mm_subs_epu8(_mm_adds_epu8(x, highPart), lowPart)
                        : _mm_subs_epu8(_mm_adds_epu8(x, lowPart), highPart);
}

// One step of the 48-byte perfect shuffle: byte n moves to 2n mod 47. Four steps turn
// b g r b g r ... into 16 blues, 16 greens, 16 reds (16 = 2^4 and 16 x 3 = 1 mod 47).
inline void shuffleStep(__m128i& a, __m128i& b, __m128i& c) {
    const __m128i na = _mm_unpacklo_epi8(a, _mm_srli_si128(b, 8));
    const __m128i nb = _mm_unpackhi_epi8(a, _mm_slli_si128(c, 8));
    const __m128i nc = _mm_unpacklo_epi8(b, _mm_srli_si128(c, 8));
    a = na, b = nb, c = nc;
}

// The inverse step: byte 2n mod 47 moves back to n.
inline void unshuffleStep(__m128i& a, __m128i& b, __m128i& c) {
    const __m128i even = _mm_set1_epi16(0x00FF);
    const __m128i na = _mm_packus_epi16(_mm_and_si128(a, even), _mm_and_si128(b, even));
    const __m128i nb = _mm_packus_epi16(_mm_and_si128(c, even), _mm_srli_epi16(a, 8));
    const __m128i nc = _mm_packus_epi16(_mm_srli_epi16(b, 8), _mm_srli_epi16(c, 8));
    a = na, b = nb, c = nc;
}

// Eight pixels' channels as 16-bit lanes, each also given shifted left by 8 (the form the
// (x s) >> 8 products take: mulhi(x << 8, s)). Grey j = (b + g + r) div 3 as mulhi(sum, 21846),
// exact for sums up to 765.
inline void saturateHalf(__m128i b8, __m128i g8, __m128i r8, __m128i s, __m128i& b, __m128i& g,
                         __m128i& r) {
    const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_srli_epi16(b8, 8), _mm_srli_epi16(g8, 8)),
                                      _mm_srli_epi16(r8, 8));
    const __m128i grey = _mm_mulhi_epu16(sum, _mm_set1_epi16(21846));
    const __m128i base = _mm_sub_epi16(grey, _mm_mulhi_epu16(_mm_slli_epi16(grey, 8), s));
    b = _mm_add_epi16(base, _mm_mulhi_epu16(b8, s));
    g = _mm_add_epi16(base, _mm_mulhi_epu16(g8, s));
    r = _mm_add_epi16(base, _mm_mulhi_epu16(r8, s));
}

inline void saturate(__m128i& v0, __m128i& v1, __m128i& v2, __m128i s) {
    shuffleStep(v0, v1, v2);
    shuffleStep(v0, v1, v2);
    shuffleStep(v0, v1, v2);
    shuffleStep(v0, v1, v2);
    const __m128i zero = _mm_setzero_si128();
    __m128i bl, gl, rl, bh, gh, rh;
    saturateHalf(_mm_unpacklo_epi8(zero, v0), _mm_unpacklo_epi8(zero, v1),
                 _mm_unpacklo_epi8(zero, v2), s, bl, gl, rl);
    saturateHalf(_mm_unpackhi_epi8(zero, v0), _mm_unpackhi_epi8(zero, v1),
                 _mm_unpackhi_epi8(zero, v2), s, bh, gh, rh);
    v0 = _mm_packus_epi16(bl, bh);
    v1 = _mm_packus_epi16(gl, gh);
    v2 = _mm_packus_epi16(rl, rh);
    unshuffleStep(v0, v1, v2);
    unshuffleStep(v0, v1, v2);
    unshuffleStep(v0, v1, v2);
    unshuffleStep(v0, v1, v2);
}

template <bool O, bool L, bool C, bool S> void chunk(uint8_t* p, const Constants& k) {
    __m128i v[3];
    for (int i = 0; i < 3; ++i) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        if constexpr (O)
            x = _mm_subs_epu8(_mm_adds_epu8(x, k.add[i]), k.sub[i]);
        if constexpr (L)
            x = lightness(x, k);
        if constexpr (C)
            x = contrast(x, k);
        v[i] = x;
    }
    if constexpr (S)
        saturate(v[0], v[1], v[2], k.saturation);
    for (int i = 0; i < 3; ++i)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * i), v[i]);
}

template <bool O, bool L, bool C, bool S> void run(uint8_t* p, size_t count, const Constants& k) {
    size_t i = 0;
    for (; i + 48 <= count; i += 48)
        chunk<O, L, C, S>(p + i, k);
    if (i < count) {
        // The last partial chunk goes through a buffer so nothing past `count` is touched.
        alignas(16) uint8_t tail[48] = {};
        std::memcpy(tail, p + i, count - i);
        chunk<O, L, C, S>(tail, k);
        std::memcpy(p + i, tail, count - i);
    }
}

using RunFn = void (*)(uint8_t*, size_t, const Constants&);

template <int Bits> constexpr RunFn pick() {
    return run<(Bits & 1) != 0, (Bits & 2) != 0, (Bits & 4) != 0, (Bits & 8) != 0>;
}

constexpr RunFn kRuns[16] = {pick<0>(),  pick<1>(),  pick<2>(),  pick<3>(), pick<4>(),  pick<5>(),
                             pick<6>(),  pick<7>(),  pick<8>(),  pick<9>(), pick<10>(), pick<11>(),
                             pick<12>(), pick<13>(), pick<14>(), pick<15>()};

} // namespace

bool Vectorisable(const ColourPlan& plan) {
    return (!plan.lightness || std::abs(plan.lightnessAmount) <= 256) &&
           (!plan.contrast || std::abs(plan.contrastAmount) <= 256) &&
           (!plan.saturation || (plan.saturationAmount >= 0 && plan.saturationAmount <= 32000));
}

void ApplyColourPlan(uint8_t* p, size_t count, const ColourPlan& plan) {
    const int bits = (plan.offsets ? 1 : 0) | (plan.lightness ? 2 : 0) | (plan.contrast ? 4 : 0) |
                     (plan.saturation ? 8 : 0);
    if (bits == 0 || count == 0)
        return;
    const Constants k = prepare(plan);
    kRuns[bits](p, count, k);
}

} // namespace velvo::pixel::kernels

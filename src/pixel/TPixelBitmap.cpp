#include "pixel/TPixelBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <emmintrin.h>
#include <fstream>
#include <iterator>

#include "imaging/codecs/Error.h"
#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/Raster.h"

namespace velvo::pixel {

void TPixelBitmap::SetSize(int width, int height) {
    allocate(width, height, true);
}

void TPixelBitmap::allocate(int width, int height, bool zeroed) {
    if (width == Width && height == Height)
        return;
    if (width < 0 || height < 0)
        throw Error("", "invalid bitmap size " + std::to_string(width) + " x " +
                            std::to_string(height));
    if (width > 0 && height > 0)
        imaging::checkPictureSize(width, height, "");
    // Within the picture limits, RowBytes * height stays far below 2^31.
    const int64_t rowBytes = ((int64_t(width) * 24 + 31) / 32) * 4;
    const int64_t byteSize = rowBytes * height;
    // The old block goes first, so that two picture-sized blocks are never held at once; the
    // bitmap is empty until the new one is there.
    block_.reset();
    PixelBytes = nullptr;
    Width = Height = Header.Width = Header.Height = 0;
    RowBytes = RowGap = ByteSize = 0;
    RowStarts.clear();
    std::unique_ptr<uint8_t[]> block(byteSize > 0 ? new uint8_t[size_t(byteSize)] : nullptr);
    if (block) {
        imaging::preferHugePages(block.get(), size_t(byteSize));
        if (zeroed)
            std::memset(block.get(), 0, size_t(byteSize));
    }
    block_ = std::move(block);
    Width = width;
    Height = height;
    Header.Width = width;
    Header.Height = height;
    RowBytes = int32_t(rowBytes);
    RowGap = width % 4;
    ByteSize = int32_t(byteSize);
    PixelBytes = block_.get();
    RowStarts.assign(size_t(height), nullptr);
    if (PixelBytes)
        for (int i = 0; i < height; ++i)
            RowStarts[size_t(i)] = PixelBytes + size_t(i) * size_t(RowBytes);
}

void TPixelBitmap::ResizeNearest(TPixelBase& dst) const {
    const int sw = Width, sh = Height, dw = dst.Width, dh = dst.Height;
    if (dw < 1 || dh < 1 || sw < 1 || sh < 1)
        return;
    if (sw == dw && sh == dh) {
        std::memcpy(dst.PixelBytes, PixelBytes, size_t(ByteSize));
        return;
    }
    const double sx = double(dw) / sw, sy = double(dh) / sh;
    if (sx >= 1 && sy >= 1) {
        // std::rint rounds halves to even in the default rounding mode.
        const int repeatX = int(std::rint(sx + 0.5)), repeatY = int(std::rint(sy + 0.5));
        std::vector<uint8_t> row(size_t(dw) * 3, 0);
        for (int i = 0; i < sh; ++i) {
            const uint8_t* src = RowStarts[size_t(i)];
            for (int j = 0; j < sw; ++j) {
                const int start = int(sx * j);
                const int end = std::min(dw, start + repeatX);
                for (int c = start; c < end; ++c)
                    std::memcpy(&row[size_t(c) * 3], src + size_t(j) * 3, 3);
            }
            const int start = int(sy * i);
            const int end = std::min(dh, start + repeatY);
            for (int r = start; r < end; ++r)
                std::memcpy(dst.RowStarts[size_t(r)], row.data(), row.size());
        }
        return;
    }
    const int64_t stepX = int64_t(sw) * 65536 / dw, stepY = int64_t(sh) * 65536 / dh;
    std::vector<size_t> columns(static_cast<size_t>(dw));
    for (int j = 0; j < dw; ++j)
        columns[size_t(j)] = size_t((j * stepX) >> 16) * 3;
    for (int i = 0; i < dh; ++i) {
        const uint8_t* src = RowStarts[size_t((i * stepY) >> 16)];
        uint8_t* out = dst.RowStarts[size_t(i)];
        for (int j = 0; j < dw; ++j, out += 3) {
            const uint8_t* p = src + columns[size_t(j)];
            out[0] = p[0], out[1] = p[1], out[2] = p[2];
        }
    }
}

namespace {

// The bilinear sum (row0[x0] w00 + row0[x0 + 1] a + row1[x0] w10 + row1[x0 + 1] b) with
// w00 = gy - a, w10 = fy - b and gy + fy = 32768 regroups exactly as
//   32768 p0 + fy (q0 - p0) + a (p1 - p0) + b (q1 - q0)      (p = row0, q = row1),
// which needs only weights below 32768, so two pmaddwd per pixel give it: E holds the pairs
// (q0 - p0, 2 p0) for the weights (fy, 16384), D the pairs (p1 - p0, q1 - q0) for (a, b).
struct ColumnTerms {
    __m128i e, d;
};

// p and q point at pixel x0 of row0 and row1; 8 bytes must be readable at each.
inline ColumnTerms columnTerms(const uint8_t* p, const uint8_t* q) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i P = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    const __m128i Q = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q)), zero);
    const __m128i e = _mm_unpacklo_epi16(_mm_sub_epi16(Q, P), _mm_add_epi16(P, P));
    const __m128i d = _mm_unpacklo_epi16(_mm_sub_epi16(_mm_srli_si128(P, 6), P),
                                         _mm_sub_epi16(_mm_srli_si128(Q, 6), Q));
    return {e, d};
}

// Where fewer than 8 bytes of the row's storage follow pixel x0 (past the last row that would
// leave the block), its 6 bytes are read through a copy.
inline ColumnTerms columnTermsAt(const uint8_t* row0, const uint8_t* row1, uint32_t offset,
                                 uint32_t safeOffsets) {
    if (offset < safeOffsets)
        return columnTerms(row0 + offset, row1 + offset);
    uint8_t p[8] = {}, q[8] = {};
    std::memcpy(p, row0 + offset, 6);
    std::memcpy(q, row1 + offset, 6);
    return columnTerms(p, q);
}

// Blue, green, red of the pixel in the low three 32-bit lanes.
inline __m128i blend(const ColumnTerms& t, __m128i wy, uint32_t wab) {
    const __m128i s =
        _mm_add_epi32(_mm_madd_epi16(t.e, wy), _mm_madd_epi16(t.d, _mm_set1_epi32(int(wab))));
    return _mm_srli_epi32(s, 15);
}

// Four pixels from blend() as 12 bytes b g r b g r ... at the front.
inline __m128i packPixels(__m128i r0, __m128i r1, __m128i r2, __m128i r3) {
    const __m128i v = _mm_packus_epi16(_mm_packs_epi32(r0, r1), _mm_packs_epi32(r2, r3));
    const __m128i low3 = _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF);
    const __m128i next3 = _mm_set_epi32(0xFFFF, int(0xFF000000), 0xFFFF, int(0xFF000000));
    const __m128i pairs =
        _mm_or_si128(_mm_and_si128(v, low3), _mm_and_si128(_mm_srli_epi64(v, 8), next3));
    const __m128i upper = _mm_set_epi32(0, -1, int(0xFFFF0000), 0);
    return _mm_or_si128(_mm_move_epi64(pairs), _mm_and_si128(_mm_srli_si128(pairs, 2), upper));
}

} // namespace

// Fixed point with 15 fractional bits. The steps are (size - 1) * 32768 div destination size,
// so x0 + 1 and row0 + 1 never pass the last source column and row.
void TPixelBitmap::ResizeBilinear(TPixelBase& dst) const {
    const int sw = Width, sh = Height, dw = dst.Width, dh = dst.Height;
    if (dw < 1 || dh < 1 || sw < 1 || sh < 1)
        return;
    if (sw == 1) {
        ResizeNearest(dst);
        return;
    }
    if (sw == dw && sh == dh) {
        std::memcpy(dst.PixelBytes, PixelBytes, size_t(ByteSize));
        return;
    }
    const int64_t stepX = (int64_t(sw - 1) * 32768) / dw;
    const int64_t stepY = (int64_t(sh - 1) * 32768) / dh;
    // fx doubled, so that (fx g) >> 15 is the high half of a 16 x 16 bit product.
    const size_t groups = (size_t(dw) + 7) / 8;
    std::vector<uint32_t> offsets(groups * 8, 0), columns(groups * 8, 0);
    std::vector<uint16_t> fx2(groups * 8, 0);
    for (int j = 0; j < dw; ++j) {
        const int64_t x = j * stepX;
        columns[size_t(j)] = uint32_t(x >> 15);
        offsets[size_t(j)] = uint32_t((x >> 15) * 3);
        fx2[size_t(j)] = uint16_t((x & 32767) * 2);
    }
    const uint32_t safeOffsets = RowBytes >= 8 ? uint32_t(RowBytes - 8) + 1 : 0;
    // Terms per source column are shared by every destination row on the same source rows;
    // they pay off when those rows and columns are fewer than the destination pixels.
    int64_t distinctRows = 0;
    for (int i = 0, last = -1; i < dh; ++i)
        if (int(i * stepY >> 15) != last)
            last = int(i * stepY >> 15), ++distinctRows;
    const bool byColumn = distinctRows * (sw - 1) < int64_t(dw) * dh;
    std::vector<ColumnTerms> table(byColumn ? size_t(sw - 1) : 0);
    std::vector<uint32_t> wab(groups * 8);
    int tableRow = -1;
    for (int i = 0; i < dh; ++i) {
        const int64_t y = i * stepY;
        const int y0 = int(y >> 15);
        const uint8_t* row0 = RowStarts[size_t(y0)];
        const uint8_t* row1 = sh > 1 ? RowStarts[size_t(y0 + 1)] : row0;
        const int fy = int(y & 32767), gy = 32768 - fy;
        const __m128i wy = _mm_set1_epi32(fy | (16384 << 16));
        const __m128i gyv = _mm_set1_epi16(short(uint16_t(gy))), fyv = _mm_set1_epi16(short(fy));
        for (size_t g = 0; g < groups; ++g) {
            const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&fx2[g * 8]));
            const __m128i a = _mm_mulhi_epu16(f, gyv), b = _mm_mulhi_epu16(f, fyv);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&wab[g * 8]), _mm_unpacklo_epi16(a, b));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&wab[g * 8 + 4]), _mm_unpackhi_epi16(a, b));
        }
        if (byColumn && y0 != tableRow) {
            for (int x = 0; x < sw - 1; ++x)
                table[size_t(x)] = columnTermsAt(row0, row1, uint32_t(x) * 3, safeOffsets);
            tableRow = y0;
        }
        auto pixel = [&](int j) {
            const ColumnTerms t = byColumn
                                      ? table[columns[size_t(j)]]
                                      : columnTermsAt(row0, row1, offsets[size_t(j)], safeOffsets);
            return blend(t, wy, wab[size_t(j)]);
        };
        uint8_t* out = dst.RowStarts[size_t(i)];
        int j = 0;
        for (; j + 4 <= dw; j += 4, out += 12) {
            const __m128i v = packPixels(pixel(j), pixel(j + 1), pixel(j + 2), pixel(j + 3));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), v);
            const uint32_t last = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(v, 8)));
            std::memcpy(out + 8, &last, 4);
        }
        if (j < dw) {
            const __m128i zero = _mm_setzero_si128();
            __m128i r[4] = {zero, zero, zero, zero};
            for (int k = 0; j + k < dw; ++k)
                r[k] = pixel(j + k);
            alignas(16) uint8_t bytes[16];
            _mm_store_si128(reinterpret_cast<__m128i*>(bytes), packPixels(r[0], r[1], r[2], r[3]));
            std::memcpy(out, bytes, size_t(dw - j) * 3);
        }
    }
}

void TPixelBitmap::CopyBlock(TPixelBase& dst, int x, int y, int width, int height, int sourceX,
                             int sourceY) const {
    // Clip on the source side, then on the destination side, moving both corners together.
    int64_t sx = sourceX, sy = sourceY, dx = x, dy = y, w = width, h = height;
    auto clip = [&](int64_t& a, int64_t& b, int64_t& len, int64_t limit) {
        if (a < 0) {
            b -= a, len += a, a = 0;
        }
        len = std::min(len, limit - a);
    };
    clip(sx, dx, w, Width);
    clip(sy, dy, h, Height);
    clip(dx, sx, w, dst.Width);
    clip(dy, sy, h, dst.Height);
    if (w <= 0 || h <= 0)
        return;
    for (int64_t r = 0; r < h; ++r)
        std::memmove(dst.PixelAt(int(dx), int(dy + r)), PixelAt(int(sx), int(sy + r)),
                     size_t(w) * 3);
}

void TPixelBitmap::TileInto(TPixelBase& dst) const {
    if (Empty() || dst.Empty())
        return;
    CopyBlock(dst, 0, 0, Width, Height, 0, 0);
    // Doubling: each pass copies the area covered so far next to itself.
    for (int w = Width; w < dst.Width; w *= 2)
        for (int y = 0; y < std::min(Height, dst.Height); ++y)
            std::memmove(dst.PixelAt(w, y), dst.PixelAt(0, y),
                         size_t(std::min(w, dst.Width - w)) * 3);
    for (int h = Height; h < dst.Height; h *= 2)
        for (int y = h; y < std::min(2 * h, dst.Height); ++y)
            std::memcpy(dst.PixelAt(0, y), dst.PixelAt(0, y - h), size_t(dst.Width) * 3);
}

} // namespace velvo::pixel

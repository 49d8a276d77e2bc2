#include "pixel/TPixelBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "imaging/codecs/Error.h"
#include "imaging/codecs/Raster.h"

namespace velvo::pixel {

void TPixelBitmap::SetSize(int width, int height) {
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
    std::unique_ptr<uint8_t[]> block(byteSize > 0 ? new uint8_t[size_t(byteSize)]() : nullptr);
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
    std::vector<uint32_t> offsets(static_cast<size_t>(dw)), fractions(static_cast<size_t>(dw));
    for (int j = 0; j < dw; ++j) {
        const int64_t x = j * stepX;
        offsets[size_t(j)] = uint32_t((x >> 15) * 3);
        fractions[size_t(j)] = uint32_t(x & 32767);
    }
    const uint32_t* off = offsets.data();
    const uint32_t* frac = fractions.data();
    for (int i = 0; i < dh; ++i) {
        const int64_t y = i * stepY;
        const int y0 = int(y >> 15);
        const uint8_t* row0 = RowStarts[size_t(y0)];
        const uint8_t* row1 = sh > 1 ? RowStarts[size_t(y0 + 1)] : row0;
        const uint32_t fy = uint32_t(y & 32767), gy = 32768 - fy;
        uint8_t* out = dst.RowStarts[size_t(i)];
        for (int j = 0; j < dw; ++j, out += 3) {
            const uint32_t fx = frac[j];
            const uint32_t a = (fx * gy) >> 15, w00 = gy - a;
            const uint32_t b = (fx * fy) >> 15, w10 = fy - b;
            const uint8_t* p = row0 + off[j];
            const uint8_t* q = row1 + off[j];
            out[0] = uint8_t((p[0] * w00 + p[3] * a + q[0] * w10 + q[3] * b) >> 15);
            out[1] = uint8_t((p[1] * w00 + p[4] * a + q[1] * w10 + q[4] * b) >> 15);
            out[2] = uint8_t((p[2] * w00 + p[5] * a + q[2] * w10 + q[5] * b) >> 15);
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

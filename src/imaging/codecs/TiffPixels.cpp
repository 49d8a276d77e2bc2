#include "imaging/codecs/TiffPixels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

#include "imaging/codecs/Error.h"

namespace velvo::imaging::tiff {

namespace {

uint8_t reduce16(uint32_t v) {
    return uint8_t((v * 255 + 32767) / 65535);
}

// A float of `expBits` exponent and `mantBits` mantissa bits below a sign bit, IEEE style:
// biased exponent, subnormals, all-ones exponent for infinities and NaN.
float smallFloat(uint32_t v, int expBits, int mantBits) {
    const uint32_t mantMask = (1u << mantBits) - 1, expMax = (1u << expBits) - 1;
    const uint32_t mant = v & mantMask, exp = (v >> mantBits) & expMax;
    const bool negative = (v >> (expBits + mantBits)) & 1;
    const int bias = int(expMax >> 1);
    float f;
    if (exp == expMax)
        f = mant ? NAN : INFINITY;
    else if (exp == 0)
        f = std::ldexp(float(mant), 1 - bias - mantBits);
    else
        f = std::ldexp(float(mant | (mantMask + 1)), int(exp) - bias - mantBits);
    return negative ? -f : f;
}

// 0..1 shown as 0..255, rounded; below 0 (and NaN) black, above 1 full.
uint8_t reduceFloat(float f) {
    if (!(f > 0))
        return 0;
    return f >= 1 ? 255 : uint8_t(f * 255 + 0.5f);
}

// Doubles are reduced in double: narrowed to float first, a value just below a rounding
// boundary could land on it.
uint8_t reduceFloat(double d) {
    if (!(d > 0))
        return 0;
    return d >= 1 ? 255 : uint8_t(d * 255 + 0.5);
}

// Colour `c` over white with coverage `a`.
uint8_t overWhite(uint8_t c, uint8_t a, AlphaKind kind) {
    if (kind == AlphaKind::Associated)
        return uint8_t(std::min(255, c + 255 - a)); // c is already multiplied by a
    return uint8_t((c * a + 255 * (255 - a) + 127) / 255);
}

} // namespace

std::vector<Bgr> buildColourMap(const std::vector<uint32_t>& values, size_t entries) {
    const bool eightBit = std::all_of(values.begin(), values.begin() + ptrdiff_t(entries * 3),
                                      [](uint32_t v) { return v < 256; }) &&
                          std::any_of(values.begin(), values.begin() + ptrdiff_t(entries * 3),
                                      [](uint32_t v) { return v != 0; });
    auto level = [&](uint32_t v) { return eightBit ? uint8_t(v) : reduce16(std::min(v, 65535u)); };
    std::vector<Bgr> map(entries);
    for (size_t i = 0; i < entries; ++i)
        map[i] = {level(values[2 * entries + i]), level(values[entries + i]), level(values[i])};
    return map;
}

SampleImage::SampleImage(uint32_t width, uint32_t height, const PixelFormat& format,
                         const std::string& name)
    : width_(width), height_(height), format_(format) {
    checkPictureSize(width, height, name);
    const int bits = format.bitsPerSample;
    if (bits < 8) {
        const int max = (1 << bits) - 1;
        for (int v = 0; v <= max; ++v)
            scale_[size_t(v)] = uint8_t((v * 255 + max / 2) / max);
    }
    try {
        samples_.assign(size_t(width) * height * size_t(format.kept), 0);
    } catch (const std::bad_alloc&) {
        throw Error(name, "not enough memory for a " + std::to_string(width) + "x" +
                              std::to_string(height) + " picture");
    }
}

uint8_t SampleImage::sample(const uint8_t* row, size_t index, bool raw) const {
    if (format_.floating) {
        const size_t width = size_t(format_.bitsPerSample) / 8;
        const uint8_t* p = row + width * index;
        uint64_t v = 0;
        for (size_t b = 0; b < width; ++b)
            v |= uint64_t(p[b]) << (8 * (format_.bigEndian ? width - 1 - b : b));
        switch (width) {
        case 2: return reduceFloat(smallFloat(uint32_t(v), 5, 10));
        case 3: return reduceFloat(smallFloat(uint32_t(v), 7, 16));
        case 4: return reduceFloat(std::bit_cast<float>(uint32_t(v)));
        default: return reduceFloat(std::bit_cast<double>(v));
        }
    }
    switch (format_.bitsPerSample) {
    case 8:
        return row[index];
    case 16: {
        const uint8_t* p = row + 2 * index;
        return reduce16(format_.bigEndian ? uint32_t(p[0] << 8 | p[1])
                                          : uint32_t(p[0] | p[1] << 8));
    }
    default: {
        const int bits = format_.bitsPerSample;
        const size_t bit = index * size_t(bits);
        const int shift = 8 - bits - int(bit & 7);
        const uint8_t v = uint8_t((row[bit >> 3] >> shift) & ((1 << bits) - 1));
        return raw ? v : scale_[v];
    }
    }
}

void SampleImage::putChunkyRow(const uint8_t* row, uint32_t x0, uint32_t y, uint32_t count) {
    const size_t kept = size_t(format_.kept);
    const size_t spp = size_t(format_.samplesPerPixel);
    const bool palette = format_.model == ColourModel::Palette;
    uint8_t* out = samples_.data() + (size_t(y) * width_ + x0) * kept;
    if (format_.bitsPerSample == 8) { // the common case, with nothing to scale
        if (kept == spp) {
            std::memcpy(out, row, count * kept);
            return;
        }
        for (size_t x = 0; x < count; ++x, row += spp, out += kept)
            std::memcpy(out, row, kept);
        return;
    }
    for (size_t x = 0; x < count; ++x)
        for (size_t s = 0; s < kept; ++s)
            *out++ = sample(row, x * spp + s, palette && s == 0);
}

void SampleImage::putPlaneRow(const uint8_t* row, uint32_t x0, uint32_t y, uint32_t count,
                              int plane) {
    const size_t kept = size_t(format_.kept);
    const bool raw = format_.model == ColourModel::Palette && plane == 0;
    uint8_t* out = samples_.data() + (size_t(y) * width_ + x0) * kept + size_t(plane);
    for (size_t x = 0; x < count; ++x, out += kept)
        *out = sample(row, x, raw);
}

Raster SampleImage::toRaster(const std::string& name) const {
    Raster r = Raster::create(int(width_), int(height_), name);
    const size_t kept = size_t(format_.kept);
    const bool hasAlpha = format_.alpha != AlphaKind::None;
    const uint8_t* s = samples_.data();
    uint8_t* out = r.pixels.data();
    const size_t pixels = size_t(width_) * height_;
    for (size_t i = 0; i < pixels; ++i, s += kept, out += 3) {
        Bgr c;
        switch (format_.model) {
        case ColourModel::WhiteIsZero:
            c.b = c.g = c.r = uint8_t(255 - s[0]);
            break;
        case ColourModel::BlackIsZero:
            c.b = c.g = c.r = s[0];
            break;
        case ColourModel::Palette:
            c = format_.colourMap[s[0]];
            break;
        case ColourModel::Rgb:
            c = {s[2], s[1], s[0]};
            break;
        case ColourModel::Cmyk: {
            auto ink = [&](uint8_t v) { return uint8_t(((255 - v) * (255 - s[3]) + 127) / 255); };
            c = {ink(s[2]), ink(s[1]), ink(s[0])};
            break;
        }
        }
        if (hasAlpha) {
            const uint8_t a = s[kept - 1];
            c = {overWhite(c.b, a, format_.alpha), overWhite(c.g, a, format_.alpha),
                 overWhite(c.r, a, format_.alpha)};
        }
        out[0] = c.b, out[1] = c.g, out[2] = c.r;
    }
    r.bilevel =
        format_.bitsPerSample == 1 && !hasAlpha &&
        (format_.model == ColourModel::WhiteIsZero || format_.model == ColourModel::BlackIsZero);
    return r;
}

} // namespace velvo::imaging::tiff

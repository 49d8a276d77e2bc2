#pragma once
// The samples of a TIFF picture and their conversion to the 24-bit Raster.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/codecs/Raster.h"

namespace velvo::imaging::tiff {

enum class ColourModel { WhiteIsZero, BlackIsZero, Rgb, Palette, Cmyk };
enum class AlphaKind { None, Associated, Unassociated };

struct PixelFormat {
    ColourModel model = ColourModel::BlackIsZero;
    AlphaKind alpha = AlphaKind::None;
    int samplesPerPixel = 1; // in the file, 1..64
    int bitsPerSample = 1;   // 1, 2, 4, 8 or 16; 16, 24, 32 or 64 when floating
    // IEEE half, single and double, and the 24-bit float of scientific writers (1 sign, 7
    // exponent and 16 mantissa bits), in the file's byte order. 0..1 is the range shown,
    // clamped.
    bool floating = false;
    int kept = 1;            // leading samples that matter: colour samples plus alpha
    bool bigEndian = false;
    std::vector<Bgr> colourMap; // 2^bitsPerSample entries for Palette
};

// Colour map values (all reds, then greens, then blues) reduced to 8 bits. A map whose values
// all fit in 8 bits was written by an old 8-bit writer and is taken as it stands.
std::vector<Bgr> buildColourMap(const std::vector<uint32_t>& values, size_t entries);

// The kept samples of every pixel, 8 bits each (palette indices as they are), gathered from
// strips or tiles in any order.
class SampleImage {
public:
    // Throws velvo::Error naming `name` when the picture is too large.
    SampleImage(uint32_t width, uint32_t height, const PixelFormat& format,
                const std::string& name);

    // `count` pixels of interleaved samples from column x0 of row y.
    void putChunkyRow(const uint8_t* row, uint32_t x0, uint32_t y, uint32_t count);
    // `count` samples of one plane (sample index `plane` < kept) from column x0 of row y.
    void putPlaneRow(const uint8_t* row, uint32_t x0, uint32_t y, uint32_t count, int plane);

    // Colour converted, alpha composited onto white.
    Raster toRaster(const std::string& name) const;

private:
    uint8_t sample(const uint8_t* row, size_t index, bool raw) const;

    uint32_t width_, height_;
    const PixelFormat& format_;
    std::array<uint8_t, 256> scale_{}; // low-depth value to 8 bits
    std::vector<uint8_t> samples_;
};

} // namespace velvo::imaging::tiff

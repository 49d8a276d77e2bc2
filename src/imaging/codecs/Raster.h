#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velvo::imaging {

struct Bgr {
    uint8_t b = 0, g = 0, r = 0;
    friend bool operator==(const Bgr&, const Bgr&) = default;
};

// Largest picture any decoder accepts, checked before anything is allocated. Fuzzers lower
// it so that a lying header cannot exhaust their memory budget.
struct PictureLimits {
    int maxSide = 30000;
    int64_t maxPixels = 200'000'000;
};
PictureLimits& pictureLimits();

// What the codecs read and write: a 24-bit picture, rows top-down, each row width * 3 bytes of
// blue, green, red with no padding.
struct Raster {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    // The GIF background colour entry, for the caller of LoadGif.
    std::optional<Bgr> background;
    // The picture came from a two-colour black-and-white source; SaveBmp may keep it 1-bit.
    bool bilevel = false;
    // The file broke off (cut short, or its picture data damaged) and the reader kept what it
    // could: the rest of the picture is filled, and the user should be told. Set by the
    // readers that keep such pictures: JPEG, GIF, and run-length BMP.
    bool incomplete = false;

    // Allocates width x height, filled with `fill`. Throws velvo::Error naming `file` when the
    // size is not positive or exceeds pictureLimits().
    static Raster create(int width, int height, const std::string& file, Bgr fill = {255, 255, 255});

    bool empty() const { return width <= 0 || height <= 0; }
    size_t stride() const { return size_t(width) * 3; }
    uint8_t* row(int y) { return pixels.data() + size_t(y) * stride(); }
    const uint8_t* row(int y) const { return pixels.data() + size_t(y) * stride(); }
    Bgr at(int x, int y) const {
        const uint8_t* p = row(y) + size_t(x) * 3;
        return {p[0], p[1], p[2]};
    }
    void set(int x, int y, Bgr c) {
        uint8_t* p = row(y) + size_t(x) * 3;
        p[0] = c.b, p[1] = c.g, p[2] = c.r;
    }
};

// A picture with a see-through channel: rows top-down, each row width * 4 bytes of blue, green,
// red and alpha, the colour not multiplied by alpha (as PNG stores it). Cut-outs whose soft
// edge matters, such as a hairstyle's high-resolution master, travel in it.
struct RasterBgra {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    bool empty() const { return width <= 0 || height <= 0; }
    size_t stride() const { return size_t(width) * 4; }
    uint8_t* row(int y) { return pixels.data() + size_t(y) * stride(); }
    const uint8_t* row(int y) const { return pixels.data() + size_t(y) * stride(); }
};

// Throws velvo::Error naming `file` unless 0 < width, height and the picture is within limits.
void checkPictureSize(int64_t width, int64_t height, const std::string& file);

} // namespace velvo::imaging

// PNG through libpng 1.6. libpng reports fatal errors through our error function, which
// longjmps back into the phase that called setjmp; each phase holds only C data across its
// setjmp, and the C++ code around the phases owns the libpng state through a guard.
//
// Every colour type and bit depth becomes 8-bit BGR: palettes and grey expanded, 16-bit
// samples scaled with rounding, alpha (and tRNS) composited onto white by
// (c * a + 255 * (255 - a) + 127) / 255. The BGRA reader and writer keep alpha as it is.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <png.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/FileBytes.h"

namespace velvo::imaging {

namespace {

// Ancillary chunks (text, ICC profiles) larger than this are refused rather than allocated.
constexpr png_alloc_size_t kMaxChunkBytes = 8 << 20;

struct ErrorState {
    char message[256] = "";
};

extern "C" void onPngError(png_structp png, png_const_charp message) {
    auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message ? message : "PNG error");
    png_longjmp(png, 1);
}

// libpng warns about recoverable oddities (bad ancillary CRCs, unknown sRGB profiles) on
// stderr by default; they do not stop the picture, and a decoder does not print.
extern "C" void onPngWarning(png_structp, png_const_charp) {}

struct Source {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

extern "C" void onPngRead(png_structp png, png_bytep out, size_t length) {
    auto* src = static_cast<Source*>(png_get_io_ptr(png));
    if (length > src->size - src->pos)
        png_error(png, "truncated file");
    std::memcpy(out, src->data + src->pos, length);
    src->pos += length;
}

struct Reader {
    ErrorState err;
    Source source{};
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~Reader() {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

// Phase 1: signature and chunks up to the first IDAT, then the transformations to 8-bit BGR
// (BGRA while there is alpha, or always with `forceAlpha`, opaque where the file has none).
// false with err.message on failure.
bool readInfo(Reader& r, bool& hasAlpha, int& passes, bool forceAlpha = false) {
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.err, onPngError, onPngWarning);
    if (!r.png) {
        std::snprintf(r.err.message, sizeof r.err.message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    r.info = png_create_info_struct(r.png);
    if (!r.info)
        png_error(r.png, "out of memory");
    png_set_read_fn(r.png, &r.source, onPngRead);
    const PictureLimits& lim = pictureLimits();
    png_set_user_limits(r.png, png_uint_32(lim.maxSide), png_uint_32(lim.maxSide));
    png_set_chunk_malloc_max(r.png, kMaxChunkBytes);
    png_read_info(r.png, r.info);

    const int colorType = png_get_color_type(r.png, r.info);
    const int depth = png_get_bit_depth(r.png, r.info);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(r.png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(r.png);
    hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    if (png_get_valid(r.png, r.info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(r.png);
        hasAlpha = true;
    }
    if (depth == 16)
        png_set_scale_16(r.png);
    if (!(colorType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(r.png);
    png_set_bgr(r.png);
    if (forceAlpha && !hasAlpha)
        png_set_add_alpha(r.png, 0xFF, PNG_FILLER_AFTER);
    passes = png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    return true;
}

// Composites one BGRA row onto white into a BGR row.
void compositeRow(const uint8_t* bgra, uint8_t* bgr, size_t width) {
    for (size_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        const unsigned a = bgra[3], white = 255 * (255 - a) + 127;
        bgr[0] = uint8_t((bgra[0] * a + white) / 255);
        bgr[1] = uint8_t((bgra[1] * a + white) / 255);
        bgr[2] = uint8_t((bgra[2] * a + white) / 255);
    }
}

// Phase 2: the pixels. Without alpha the rows land in `out` directly; with alpha they go
// through `work`, one BGRA row, or the whole BGRA picture when interlaced (later passes
// revisit every row).
bool readPixels(Reader& r, uint8_t* out, size_t width, size_t height, size_t outStride,
                int passes, uint8_t* work, bool workIsWhole) {
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    const size_t workStride = width * 4;
    for (int pass = 0; pass < passes; ++pass) {
        for (size_t y = 0; y < height; ++y) {
            uint8_t* row = !work ? out + y * outStride : workIsWhole ? work + y * workStride : work;
            png_read_row(r.png, row, nullptr);
            if (work && !workIsWhole)
                compositeRow(work, out + y * outStride, width);
        }
    }
    if (work && workIsWhole)
        for (size_t y = 0; y < height; ++y)
            compositeRow(work + y * workStride, out + y * outStride, width);
    return true;
}

// Phase 3: the chunks after the pixels, up to IEND. Its failure is ignored on purpose: a file
// cut short after its last pixel row (no IEND, say) still shows a complete picture.
bool readEnd(Reader& r) {
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    png_read_end(r.png, nullptr);
    return true;
}

struct Writer {
    ErrorState err;
    std::vector<uint8_t> out;
    bool outOfMemory = false;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~Writer() {
        if (png)
            png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

extern "C" void onPngWrite(png_structp png, png_bytep data, size_t length) {
    auto* w = static_cast<Writer*>(png_get_io_ptr(png));
    // No C++ exception may cross libpng's C frames.
    try {
        w->out.insert(w->out.end(), data, data + length);
    } catch (...) {
        w->outOfMemory = true;
        png_error(png, "out of memory");
    }
}

extern "C" void onPngFlush(png_structp) {}

// `rows` gives row y of `height` rows, each `width` pixels of BGR or, with `alpha`, BGRA.
template <typename Rows>
bool writePng(Writer& w, int width, int height, bool alpha, Rows rows, int compression = 6) {
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w.err, onPngError, onPngWarning);
    if (!w.png) {
        std::snprintf(w.err.message, sizeof w.err.message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(w.png)))
        return false;
    w.info = png_create_info_struct(w.png);
    if (!w.info)
        png_error(w.png, "out of memory");
    png_set_write_fn(w.png, &w, onPngWrite, onPngFlush);
    png_set_compression_level(w.png, std::clamp(compression, 1, 9));
    png_set_IHDR(w.png, w.info, png_uint_32(width), png_uint_32(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w.png, w.info);
    png_set_bgr(w.png);
    for (int y = 0; y < height; ++y)
        png_write_row(w.png, const_cast<uint8_t*>(rows(y)));
    png_write_end(w.png, nullptr);
    return true;
}

// How much of the file libpng may see: everything up to the first chunk whose stated length
// runs past the end of the file. libpng allocates a chunk's buffer from the stated length before
// reading it, so a 274-byte file claiming a 1.5 GB text chunk would otherwise cost 1.5 GB.
// Cut there, libpng meets a clean end of data instead.
size_t plausibleLength(Bytes data) {
    size_t pos = 8;
    while (data.size() - pos >= 12) {
        const uint32_t length = uint32_t(data[pos]) << 24 | uint32_t(data[pos + 1]) << 16 |
                                uint32_t(data[pos + 2]) << 8 | uint32_t(data[pos + 3]);
        if (length > data.size() - pos - 12)
            return pos;
        const bool end = std::memcmp(data.data() + pos + 4, "IEND", 4) == 0;
        pos += 12 + size_t(length);
        if (end)
            return pos;
    }
    return data.size();
}

} // namespace

Raster decodePng(Bytes data, const std::string& name) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (data.size() < 8 || std::memcmp(data.data(), kSignature, 8) != 0)
        throw Error(name, "not a PNG file (bad signature)");
    Reader r;
    r.source = {data.data(), plausibleLength(data), 0};
    bool hasAlpha = false;
    int passes = 1;
    if (!readInfo(r, hasAlpha, passes))
        throw Error(name, r.err.message);
    const png_uint_32 width = png_get_image_width(r.png, r.info);
    const png_uint_32 height = png_get_image_height(r.png, r.info);
    checkPictureSize(width, height, name);
    const size_t expectedRow = size_t(width) * (hasAlpha ? 4 : 3);
    if (png_get_rowbytes(r.png, r.info) != expectedRow)
        throw Error(name, "unexpected row layout after conversion");

    // Every row is written by the decoder (or it fails), so no fill colour is spent.
    Raster picture;
    picture.width = int(width);
    picture.height = int(height);
    reserveLarge(picture.pixels, size_t(width) * height * 3);
    picture.pixels.resize(size_t(width) * height * 3);
    const bool whole = hasAlpha && passes > 1;
    std::vector<uint8_t> work(hasAlpha ? expectedRow * (whole ? height : 1) : 0);
    if (!readPixels(r, picture.pixels.data(), width, height, size_t(width) * 3, passes,
                    hasAlpha ? work.data() : nullptr, whole))
        throw Error(name, r.err.message);
    readEnd(r);
    return picture;
}

std::vector<uint8_t> encodePng(const Raster& picture) {
    if (picture.empty() || picture.pixels.size() != size_t(picture.width) * picture.height * 3)
        throw Error("", "there is no picture to encode as PNG");
    Writer w;
    if (!writePng(w, picture.width, picture.height, false,
                  [&](int y) { return picture.row(y); }))
        throw Error("", std::string("PNG encoding failed: ") + w.err.message);
    return std::move(w.out);
}

RasterBgra decodePngBgra(Bytes data, const std::string& name, bool* hadAlpha) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (data.size() < 8 || std::memcmp(data.data(), kSignature, 8) != 0)
        throw Error(name, "not a PNG file (bad signature)");
    Reader r;
    r.source = {data.data(), plausibleLength(data), 0};
    bool hasAlpha = false;
    int passes = 1;
    if (!readInfo(r, hasAlpha, passes, true))
        throw Error(name, r.err.message);
    const png_uint_32 width = png_get_image_width(r.png, r.info);
    const png_uint_32 height = png_get_image_height(r.png, r.info);
    checkPictureSize(width, height, name);
    if (png_get_rowbytes(r.png, r.info) != size_t(width) * 4)
        throw Error(name, "unexpected row layout after conversion");

    RasterBgra picture;
    picture.width = int(width);
    picture.height = int(height);
    reserveLarge(picture.pixels, size_t(width) * height * 4);
    picture.pixels.resize(size_t(width) * height * 4);
    // The BGRA rows are the result itself: every pass lands in place, nothing to composite.
    if (!readPixels(r, picture.pixels.data(), width, height, size_t(width) * 4, passes, nullptr,
                    false))
        throw Error(name, r.err.message);
    readEnd(r);
    if (hadAlpha)
        *hadAlpha = hasAlpha;
    return picture;
}

std::vector<uint8_t> encodePngBgra(const RasterBgra& picture, int compression) {
    if (picture.empty() || picture.pixels.size() != size_t(picture.width) * picture.height * 4)
        throw Error("", "there is no picture to encode as PNG");
    Writer w;
    if (!writePng(w, picture.width, picture.height, true,
                  [&](int y) { return picture.row(y); }, compression))
        throw Error("", std::string("PNG encoding failed: ") + w.err.message);
    return std::move(w.out);
}

} // namespace velvo::imaging

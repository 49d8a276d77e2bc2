// Reduced JPEG reading through libjpeg-turbo; the error handling is described in
// JpegDecoding.h.
//
// The main image accepts libjpeg's warnings (a file cut short is completed with grey), exactly
// as decodeJpeg does, so both paths agree on which files are pictures. The EXIF thumbnail is
// an optional extra: any fault or warning in it falls back to the main image.
#include "imaging/codecs/JpegThumbnail.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <optional>

#include <jpeglib.h>

#include "imaging/codecs/Error.h"
#include "imaging/codecs/Exif.h"
#include "imaging/codecs/JpegDecoding.h"
#include "imaging/codecs/JpegEighth.h"

namespace velvo::imaging {

namespace {

constexpr uint16_t kTagThumbnailOffset = 0x0201;
constexpr uint16_t kTagThumbnailLength = 0x0202;

using jpeg::Decoder;
using jpeg::readHeader;
using jpeg::readPixels;

// The reduced output size for 1/denom.
bool computeOutputSize(Decoder& d, int denom) {
    if (setjmp(d.err.jump))
        return false;
    d.cinfo.scale_num = 1;
    d.cinfo.scale_denom = unsigned(denom);
    jpeg_calc_output_dimensions(&d.cinfo);
    return true;
}

// Chooses the output colour space; false for one we cannot show.
bool chooseOutput(jpeg_decompress_struct& c) {
    switch (c.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        c.out_color_space = JCS_EXT_BGR;
        return true;
    case JCS_CMYK:
    case JCS_YCCK:
        c.out_color_space = JCS_CMYK;
        return true;
    default:
        return false;
    }
}

// Decodes a decoder whose header has been read, reduced by 1/denom, without orientation.
// `strict` turns libjpeg's warnings (corrupt or missing data) into faults.
Raster decodeReduced(Decoder& d, const std::string& name, int denom, bool strict) {
    jpeg_decompress_struct& c = d.cinfo;
    if (!chooseOutput(c))
        throw Error(name, "unsupported colour space with " + std::to_string(c.num_components) +
                              " components");
    if (!computeOutputSize(d, denom))
        throw Error(name, d.err.message);
    checkPictureSize(c.output_width, c.output_height, name);
    // Photos shown small are read at 1/8; our DC reader does that in far less time.
    if (denom == 8)
        if (std::optional<Raster> picture = jpeg::decodeEighth(c, name);
            picture && picture->width == int(c.output_width) &&
            picture->height == int(c.output_height))
            return std::move(*picture);
    const bool cmyk = c.out_color_space == JCS_CMYK;
    Raster picture = Raster::create(int(c.output_width), int(c.output_height), name);
    std::vector<uint8_t> cmykRow(cmyk ? size_t(c.output_width) * 4 : 0);
    if (!readPixels(d, picture.pixels.data(), picture.stride(), cmyk ? cmykRow.data() : nullptr,
                    c.saw_Adobe_marker))
        throw Error(name, d.err.message);
    if (strict && d.err.pub.num_warnings > 0)
        throw Error(name, "damaged JPEG data");
    return picture;
}

// The JPEG stream of the IFD1 thumbnail inside an APP1 payload ("Exif\0\0" + TIFF), or empty.
// Every offset is checked against the payload in 64-bit arithmetic, so no lying value can
// overflow or point outside it.
std::span<const uint8_t> exifThumbnailStream(std::span<const uint8_t> app1) {
    static const uint8_t kSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1.size() < 6 + 8 || std::memcmp(app1.data(), kSignature, 6) != 0)
        return {};
    const std::span<const uint8_t> tiff = app1.subspan(6);
    bool big;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        big = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else
        return {};
    const auto has = [&](uint64_t offset, uint64_t n) {
        return offset <= tiff.size() && n <= tiff.size() - offset;
    };
    const auto u16 = [&](uint64_t at) {
        return big ? uint16_t(tiff[at] << 8 | tiff[at + 1])
                   : uint16_t(tiff[at] | tiff[at + 1] << 8);
    };
    const auto u32 = [&](uint64_t at) {
        return big ? uint32_t(u16(at)) << 16 | u16(at + 2) : u16(at) | uint32_t(u16(at + 2)) << 16;
    };
    if (u16(2) != 42)
        return {};
    const uint64_t ifd0 = u32(4);
    if (!has(ifd0, 2))
        return {};
    const uint64_t link = ifd0 + 2 + uint64_t(u16(ifd0)) * 12;
    if (!has(link, 4))
        return {};
    const uint64_t ifd1 = u32(link);
    if (ifd1 == 0 || !has(ifd1, 2))
        return {};
    const uint64_t count = u16(ifd1);
    std::optional<uint64_t> offset, length;
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t entry = ifd1 + 2 + i * 12;
        if (!has(entry, 12))
            return {};
        const uint16_t tag = u16(entry), type = u16(entry + 2);
        if ((tag != kTagThumbnailOffset && tag != kTagThumbnailLength) || u32(entry + 4) != 1)
            continue;
        // LONG as the standard says; SHORT from lenient writers.
        std::optional<uint64_t> value;
        if (type == 4)
            value = u32(entry + 8);
        else if (type == 3)
            value = u16(entry + 8);
        (tag == kTagThumbnailOffset ? offset : length) = value;
    }
    if (!offset || !length || *length < 4 || !has(*offset, *length))
        return {};
    const std::span<const uint8_t> stream = tiff.subspan(size_t(*offset), size_t(*length));
    if (stream[0] != 0xFF || stream[1] != 0xD8)
        return {};
    return stream;
}

// Whether a stored tw x th thumbnail shows the stored w x h picture undistorted: the sides
// agree within one pixel of rounding each. Cameras often pad a 4:3 thumbnail of a 3:2 photo
// with black bars, which the reduced main image never has.
bool sameProportions(int64_t tw, int64_t th, int64_t w, int64_t h) {
    const int64_t diff = tw * h - th * w;
    return (diff < 0 ? -diff : diff) <= w + h && tw <= w && th <= h;
}

struct Cover {
    int minWidth, minHeight, thumbMinWidth, thumbMinHeight;
};

// The EXIF thumbnail as the picture to show, or nullopt when it is missing, too small, of
// other proportions or damaged in any way. It is reduced only as far as it still covers the
// size the caller keeps.
std::optional<Raster> decodeExifThumbnail(std::span<const uint8_t> stream, const std::string& name,
                                          int storedWidth, int storedHeight, const Cover& cover,
                                          int orientation, int& denom) {
    Decoder d;
    if (!readHeader(d, stream.data(), stream.size(), false))
        return std::nullopt;
    const int64_t tw = d.cinfo.image_width, th = d.cinfo.image_height;
    if (tw <= 0 || th <= 0 || !sameProportions(tw, th, storedWidth, storedHeight))
        return std::nullopt;
    const bool swap = orientation >= 5;
    const int shownW = int(swap ? th : tw), shownH = int(swap ? tw : th);
    if (shownW < cover.thumbMinWidth || shownH < cover.thumbMinHeight)
        return std::nullopt;
    denom = jpegScaleDenomFor(shownW, shownH, cover.minWidth, cover.minHeight);
    try {
        return applyOrientation(decodeReduced(d, name, denom, true), orientation);
    } catch (const Error&) {
        return std::nullopt;
    }
}

} // namespace

int jpegScaleDenomFor(int width, int height, int minWidth, int minHeight) {
    const int64_t needW = std::max(minWidth, 1), needH = std::max(minHeight, 1);
    for (int denom : {8, 4, 2}) {
        const int64_t w = (int64_t(width) + denom - 1) / denom;
        const int64_t h = (int64_t(height) + denom - 1) / denom;
        if (w >= needW && h >= needH)
            return denom;
    }
    return 1;
}

Raster decodeJpegAtLeast(Bytes data, const std::string& name, int minWidth, int minHeight,
                         JpegThumbnailInfo* info) {
    return decodeJpegAtLeast(data, name, minWidth, minHeight, minWidth, minHeight, info);
}

namespace {

// From a header read with its APP1 segments kept: the upright size and orientation into
// `result`, and the EXIF thumbnail when it will do.
std::optional<Raster> exifThumbnailFor(Decoder& d, const std::string& name, const Cover& cover,
                                       JpegThumbnailInfo& result, int& orientation) {
    const jpeg_decompress_struct& c = d.cinfo;
    const int storedW = int(c.image_width), storedH = int(c.image_height);
    // The first APP1 with an orientation other than 1 wins, as in decodeJpeg.
    orientation = 1;
    for (jpeg_saved_marker_ptr m = c.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1) {
            orientation = exifOrientation({m->data, m->data_length});
            if (orientation != 1)
                break;
        }
    }
    const bool swap = orientation >= 5;
    result.fullWidth = swap ? storedH : storedW;
    result.fullHeight = swap ? storedW : storedH;

    for (jpeg_saved_marker_ptr m = c.marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1)
            continue;
        const std::span<const uint8_t> stream = exifThumbnailStream({m->data, m->data_length});
        if (stream.empty())
            continue;
        int denom = 1;
        std::optional<Raster> thumb =
            decodeExifThumbnail(stream, name, storedW, storedH, cover, orientation, denom);
        if (thumb) {
            result.scaleDenom = denom;
            result.fromExifThumbnail = true;
        }
        return thumb;
    }
    return std::nullopt;
}

} // namespace

std::optional<Raster> decodeJpegExifThumbnail(Bytes head, const std::string& name, int minWidth,
                                              int minHeight, int thumbMinWidth, int thumbMinHeight,
                                              JpegThumbnailInfo* info) {
    if (head.size() < 3 || head[0] != 0xFF || head[1] != 0xD8)
        return std::nullopt;
    // A head cut before the start of scan fails here: libjpeg finds no image in it.
    Decoder d;
    if (!readHeader(d, head.data(), head.size(), true))
        return std::nullopt;
    try {
        checkPictureSize(d.cinfo.image_width, d.cinfo.image_height, name);
    } catch (const Error&) {
        return std::nullopt;
    }
    JpegThumbnailInfo result;
    int orientation = 1;
    std::optional<Raster> thumb = exifThumbnailFor(
        d, name, {minWidth, minHeight, thumbMinWidth, thumbMinHeight}, result, orientation);
    if (thumb && info)
        *info = result;
    return thumb;
}

Raster decodeJpegAtLeast(Bytes data, const std::string& name, int minWidth, int minHeight,
                         int thumbMinWidth, int thumbMinHeight, JpegThumbnailInfo* info) {
    const Cover cover{minWidth, minHeight, thumbMinWidth, thumbMinHeight};
    if (data.size() < 3 || data[0] != 0xFF || data[1] != 0xD8)
        throw Error(name, "not a JPEG file (no start-of-image marker)");
    Decoder d;
    if (!readHeader(d, data.data(), data.size(), true))
        throw Error(name, d.err.message);
    checkPictureSize(d.cinfo.image_width, d.cinfo.image_height, name);

    JpegThumbnailInfo result;
    int orientation = 1;
    if (std::optional<Raster> thumb = exifThumbnailFor(d, name, cover, result, orientation)) {
        if (info)
            *info = result;
        return std::move(*thumb);
    }

    result.scaleDenom = jpegScaleDenomFor(result.fullWidth, result.fullHeight, minWidth, minHeight);
    Raster picture =
        applyOrientation(decodeReduced(d, name, result.scaleDenom, false), orientation);
    if (info)
        *info = result;
    return picture;
}

} // namespace velvo::imaging

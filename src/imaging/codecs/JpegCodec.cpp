// JPEG through libjpeg-turbo; the error handling is described in JpegDecoding.h.
//
// Warnings (corrupt data that libjpeg recovers from, a file cut short that it completes with
// grey) are accepted: the picture is delivered as decoded, as every viewer does, and marked
// incomplete when picture data was lost.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/Exif.h"
#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/JpegDecoding.h"

namespace velvo::imaging {

namespace {

using jpeg::Decoder;
using jpeg::ErrorManager;
using jpeg::initErrors;
using jpeg::readPixels;

struct Encoder {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    bool created = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    ~Encoder() {
        if (created)
            jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

bool compress(Encoder& e, const Raster& picture, int quality) {
    initErrors(e.err);
    e.cinfo.err = &e.err.pub;
    if (setjmp(e.err.jump))
        return false;
    jpeg_create_compress(&e.cinfo);
    e.created = true;
    jpeg_mem_dest(&e.cinfo, &e.buffer, &e.size);
    e.cinfo.image_width = JDIMENSION(picture.width);
    e.cinfo.image_height = JDIMENSION(picture.height);
    e.cinfo.input_components = 3;
    e.cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&e.cinfo);
    jpeg_set_quality(&e.cinfo, quality, TRUE);
    // 4:4:4: the pictures saved are composites with sharp coloured edges (the hairstyle
    // cut-out, retouch strokes) that 4:2:0 would smear; the file grows by about a quarter.
    for (int i = 0; i < e.cinfo.num_components; ++i)
        e.cinfo.comp_info[i].h_samp_factor = e.cinfo.comp_info[i].v_samp_factor = 1;
    e.cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&e.cinfo, TRUE);
    while (e.cinfo.next_scanline < e.cinfo.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(picture.row(int(e.cinfo.next_scanline)));
        jpeg_write_scanlines(&e.cinfo, &row, 1);
    }
    jpeg_finish_compress(&e.cinfo);
    return true;
}

} // namespace

Raster decodeJpeg(Bytes data, const std::string& name) {
    if (data.size() < 3 || data[0] != 0xFF || data[1] != 0xD8)
        throw Error(name, "not a JPEG file (no start-of-image marker)");
    Decoder d;
    if (!jpeg::readHeader(d, data.data(), data.size(), true))
        throw Error(name, d.err.message);
    jpeg_decompress_struct& c = d.cinfo;
    checkPictureSize(c.image_width, c.image_height, name);

    bool cmyk = false;
    switch (c.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        c.out_color_space = JCS_EXT_BGR;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        c.out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        throw Error(name, "unsupported colour space with " + std::to_string(c.num_components) +
                              " components");
    }

    int orientation = 1;
    for (jpeg_saved_marker_ptr m = c.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1) {
            orientation = exifOrientation({m->data, m->data_length});
            if (orientation != 1)
                break;
        }
    }

    // Every row is written by the decoder (or it fails), so no fill colour is spent.
    Raster picture;
    picture.width = int(c.image_width);
    picture.height = int(c.image_height);
    reserveLarge(picture.pixels, size_t(c.image_width) * c.image_height * 3);
    picture.pixels.resize(size_t(c.image_width) * c.image_height * 3);
    std::vector<uint8_t> cmykRow(cmyk ? size_t(c.image_width) * 4 : 0);
    if (!readPixels(d, picture.pixels.data(), picture.stride(), cmyk ? cmykRow.data() : nullptr,
                    c.saw_Adobe_marker))
        throw Error(name, d.err.message);
    Raster upright = applyOrientation(std::move(picture), orientation);
    upright.incomplete = d.err.lostData;
    return upright;
}

std::vector<uint8_t> encodeJpeg(const Raster& picture, int quality) {
    if (picture.empty() || picture.pixels.size() != size_t(picture.width) * picture.height * 3)
        throw Error("", "there is no picture to encode as JPEG");
    if (picture.width > JPEG_MAX_DIMENSION || picture.height > JPEG_MAX_DIMENSION)
        throw Error("", "a JPEG file cannot hold a picture of " + std::to_string(picture.width) +
                            "x" + std::to_string(picture.height));
    Encoder e;
    if (!compress(e, picture, quality < 1 ? 1 : quality > 100 ? 100 : quality))
        throw Error("", std::string("JPEG encoding failed: ") + e.err.message);
    return std::vector<uint8_t>(e.buffer, e.buffer + e.size);
}

} // namespace velvo::imaging

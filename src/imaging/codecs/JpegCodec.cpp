// JPEG through libjpeg-turbo. libjpeg reports fatal errors by calling error_exit, which must
// not return; we longjmp back into the phase that called setjmp. Each phase is a function that
// holds only C data (no object with a destructor lives across its setjmp), and the C++ code
// around the phases owns the libjpeg state through a guard that destroys it on every path.
//
// Warnings (corrupt data that libjpeg recovers from, a file cut short that it completes with
// grey) are accepted: the picture is delivered as decoded, as every viewer does.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/Exif.h"

namespace velvo::imaging {

namespace {

// Progressive files may hold any number of scans, each costing a pass over the whole picture;
// real encoders write about ten.
constexpr int kMaxScans = 500;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->pub.format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// libjpeg prints warnings on stderr by default; a decoder has no business writing there.
extern "C" void onOutputMessage(j_common_ptr) {}

struct ScanLimit {
    jpeg_progress_mgr pub;
};

extern "C" void onProgress(j_common_ptr cinfo) {
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "more than %d progressive scans",
                      kMaxScans);
        std::longjmp(err->jump, 1);
    }
}

void initErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.output_message = onOutputMessage;
    err.message[0] = '\0';
}

struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    ScanLimit progress;
    bool created = false;
    ~Decoder() {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

// Phase 1: the header and the saved APP1 segments. false with err.message on failure.
bool readHeader(Decoder& d, const uint8_t* data, size_t size) {
    initErrors(d.err);
    d.cinfo.err = &d.err.pub;
    if (setjmp(d.err.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.progress.pub.progress_monitor = onProgress;
    d.cinfo.progress = &d.progress.pub;
    jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&d.cinfo, TRUE);
    return true;
}

// Phase 2: the pixels, straight into `out` (rows of `stride` bytes) when the output colour
// space is BGR, or through `cmykRow` (width * 4 bytes) converted to BGR. `invertedCmyk` is the
// Adobe convention (Photoshop), where 255 means no ink.
bool readPixels(Decoder& d, uint8_t* out, size_t stride, uint8_t* cmykRow, bool invertedCmyk) {
    if (setjmp(d.err.jump))
        return false;
    j_decompress_ptr c = &d.cinfo;
    jpeg_start_decompress(c);
    while (c->output_scanline < c->output_height) {
        uint8_t* row = out + size_t(c->output_scanline) * stride;
        JSAMPROW target = cmykRow ? cmykRow : row;
        if (jpeg_read_scanlines(c, &target, 1) != 1) {
            std::snprintf(d.err.message, sizeof d.err.message, "the decoder stopped at row %u",
                          c->output_scanline);
            return false;
        }
        if (cmykRow) {
            const uint8_t* s = cmykRow;
            for (JDIMENSION x = 0; x < c->output_width; ++x, s += 4, row += 3) {
                unsigned cy = s[0], m = s[1], ye = s[2], k = s[3];
                if (!invertedCmyk)
                    cy = 255 - cy, m = 255 - m, ye = 255 - ye, k = 255 - k;
                row[0] = uint8_t((ye * k + 127) / 255);
                row[1] = uint8_t((m * k + 127) / 255);
                row[2] = uint8_t((cy * k + 127) / 255);
            }
        }
    }
    jpeg_finish_decompress(c);
    return true;
}

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
    if (!readHeader(d, data.data(), data.size()))
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
    picture.pixels.resize(size_t(c.image_width) * c.image_height * 3);
    std::vector<uint8_t> cmykRow(cmyk ? size_t(c.image_width) * 4 : 0);
    if (!readPixels(d, picture.pixels.data(), picture.stride(), cmyk ? cmykRow.data() : nullptr,
                    c.saw_Adobe_marker))
        throw Error(name, d.err.message);
    return applyOrientation(std::move(picture), orientation);
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

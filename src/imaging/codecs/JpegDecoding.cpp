#include "imaging/codecs/JpegDecoding.h"

#include <jerror.h>

namespace velvo::imaging::jpeg {

namespace {
// Real encoders write about ten scans.
constexpr int kMaxScans = 500;

extern "C" void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->pub.format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// libjpeg prints warnings on stderr by default; a decoder has no business writing there.
extern "C" void onOutputMessage(j_common_ptr) {}

// Level -1 is a warning; higher levels are trace messages.
extern "C" void onEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    const int code = err->pub.msg_code;
    // The end of the file alone (JWRN_JPEG_EOF) loses nothing when only the end-of-image
    // marker is missing; a scan cut short always runs into the fake end marker libjpeg puts
    // there, and that is JWRN_HIT_MARKER.
    if (code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC)
        err->lostData = true;
    ++err->pub.num_warnings;
}

extern "C" void onProgress(j_common_ptr cinfo) {
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "more than %d progressive scans",
                      kMaxScans);
        std::longjmp(err->jump, 1);
    }
}
} // namespace

void initErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.output_message = onOutputMessage;
    err.pub.emit_message = onEmitMessage;
    err.message[0] = '\0';
    err.lostData = false;
}

bool readHeader(Decoder& d, const uint8_t* data, size_t size, bool keepApp1) {
    initErrors(d.err);
    d.cinfo.err = &d.err.pub;
    if (setjmp(d.err.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.progress.progress_monitor = onProgress;
    d.cinfo.progress = &d.progress;
    jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
    if (keepApp1)
        jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&d.cinfo, TRUE);
    return true;
}

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

} // namespace velvo::imaging::jpeg

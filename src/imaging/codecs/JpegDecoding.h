#pragma once
// The libjpeg-turbo reading steps that the full and the reduced JPEG readers share.
//
// libjpeg reports fatal errors by calling error_exit, which must not return; ours longjmps back
// into the step that called setjmp. Each step is a function that holds only C data (no object
// with a destructor lives across its setjmp), and the Decoder guard destroys the libjpeg state
// on every path. Each step returns false with err.message set on failure.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

namespace velvo::imaging::jpeg {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    // A warning said picture data was lost: the entropy-coded data broke off (the file ends
    // inside a scan) or had to be resynchronised. libjpeg fills what it lost and goes on.
    bool lostData;
};

// Errors longjmp to err.jump; warnings are still counted in num_warnings but never printed.
void initErrors(ErrorManager& err);

struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    bool created = false;
    ~Decoder() {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

// The header, keeping the APP1 segments (EXIF) when asked. Progressive files with more than
// 500 scans are refused as they are read: each scan costs a pass over the whole picture.
bool readHeader(Decoder& d, const uint8_t* data, size_t size, bool keepApp1);

// The pixels, straight into `out` (rows of `stride` bytes) when the output colour space is BGR,
// or through `cmykRow` (width * 4 bytes) converted to BGR. `invertedCmyk` is the Adobe
// convention (Photoshop), where 255 means no ink.
bool readPixels(Decoder& d, uint8_t* out, size_t stride, uint8_t* cmykRow, bool invertedCmyk);

} // namespace velvo::imaging::jpeg

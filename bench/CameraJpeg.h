#pragma once
// A JPEG written the way a camera or phone writes its photos: libjpeg's defaults (4:2:0
// chroma) at the given quality. Our own encoder writes 4:4:4 for composites, which is not what
// the photos a stylist opens look like.
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "imaging/codecs/Raster.h"

namespace velvo::bench {

inline std::vector<uint8_t> cameraJpeg(const imaging::Raster& r, int quality) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(r.width);
    c.image_height = JDIMENSION(r.height);
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(r.row(int(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(buf, buf + size);
    std::free(buf);
    return out;
}

} // namespace velvo::bench

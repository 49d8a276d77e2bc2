#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "imaging/codecs/JpegDecoding.h"
#include "imaging/codecs/JpegEighth.h"

using namespace velvo::imaging;

namespace {

struct Encoding {
    const char* what;
    int width, height;
    int lumaSampling; // 1: 4:4:4, 2: 4:2:0; 0: grayscale
    unsigned restartInterval = 0;
    bool optimized = false;
    bool progressive = false;
    int lumaVertical = 0; // other than lumaSampling, for 4:2:2
};

// Colour edges off the 16-pixel grid in both directions, gradients and noise: a wrong chroma
// quadrant, sign or frequency shows at once against libjpeg's reduction.
std::vector<uint8_t> pictureBgr(int w, int h) {
    std::vector<uint8_t> px(size_t(w) * size_t(h) * 3);
    uint32_t seed = 99;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245 + 12345;
            const int noise = int(seed >> 28) - 8;
            const bool red = (x / 11 + y / 7) % 3 == 0, blue = x * 3 > w * 2 && y * 5 < h * 2;
            uint8_t* p = &px[(size_t(y) * size_t(w) + size_t(x)) * 3];
            p[0] = uint8_t(std::clamp((blue ? 230 : 30 + 150 * y / h) + noise, 0, 255));
            p[1] = uint8_t(std::clamp(40 + 170 * x / w + noise, 0, 255));
            p[2] = uint8_t(std::clamp((red ? 240 : 60) + noise, 0, 255));
        }
    return px;
}

std::vector<uint8_t> encode(const Encoding& e) {
    const std::vector<uint8_t> px = pictureBgr(e.width, e.height);
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(e.width);
    c.image_height = JDIMENSION(e.height);
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    if (e.lumaSampling == 0)
        jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    else {
        c.comp_info[0].h_samp_factor = e.lumaSampling;
        c.comp_info[0].v_samp_factor = e.lumaVertical ? e.lumaVertical : e.lumaSampling;
    }
    c.restart_interval = e.restartInterval;
    c.optimize_coding = e.optimized;
    if (e.progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(&px[size_t(c.next_scanline) * size_t(e.width) * 3]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(buf, buf + size);
    std::free(buf);
    return out;
}

// libjpeg's own 1/8 reduction, and how many warnings it gave.
Raster libjpegEighth(const std::vector<uint8_t>& file, int& warnings) {
    jpeg::Decoder d;
    EXPECT_TRUE(jpeg::readHeader(d, file.data(), file.size(), false));
    d.cinfo.out_color_space = JCS_EXT_BGR;
    d.cinfo.scale_num = 1;
    d.cinfo.scale_denom = 8;
    jpeg_calc_output_dimensions(&d.cinfo);
    Raster r = Raster::create(int(d.cinfo.output_width), int(d.cinfo.output_height), "ref");
    EXPECT_TRUE(jpeg::readPixels(d, r.pixels.data(), r.stride(), nullptr, false)) << d.err.message;
    warnings = int(d.err.pub.num_warnings);
    return r;
}

std::optional<Raster> eighth(const std::vector<uint8_t>& file) {
    jpeg::Decoder d;
    if (!jpeg::readHeader(d, file.data(), file.size(), false))
        return std::nullopt;
    return jpeg::decodeEighth(d.cinfo, "e.jpg");
}

int largestDifference(const Raster& a, const Raster& b) {
    int most = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        most = std::max(most, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return most;
}

} // namespace

TEST(JpegEighth, ReadsWhatCamerasWriteAsLibjpegReducesItAndLeavesTheRestToIt) {
    const Encoding cases[] = {
        {"4:2:0", 1600, 1200, 2},
        {"4:2:0, sides off the MCU grid", 1001, 757, 2},
        {"4:4:4", 808, 600, 1},
        {"grayscale", 803, 411, 0},
        {"4:2:0 with restart intervals", 1001, 757, 2, 7},
        {"4:4:4 with a restart every MCU", 200, 120, 1, 1},
        {"optimized tables, with long codes", 1600, 1200, 2, 0, true},
        {"progressive: libjpeg's", 800, 600, 2, 0, false, true},
        {"4:2:2: libjpeg's", 800, 600, 2, 0, false, false, 1},
    };
    for (const Encoding& e : cases) {
        SCOPED_TRACE(e.what);
        const std::vector<uint8_t> file = encode(e);
        int warnings = 0;
        const Raster reference = libjpegEighth(file, warnings);
        const std::optional<Raster> ours = eighth(file);
        if (e.progressive || e.lumaVertical) {
            EXPECT_FALSE(ours);
            continue;
        }
        ASSERT_TRUE(ours);
        ASSERT_EQ(ours->width, reference.width);
        ASSERT_EQ(ours->height, reference.height);
        // Rounding only: the 2 x 2 chroma in floating point, libjpeg's in fixed point.
        EXPECT_LE(largestDifference(*ours, reference), 2);
    }
}

size_t find(const std::vector<uint8_t>& file, size_t from, uint8_t marker) {
    for (size_t i = from; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == marker)
            return i;
    return file.size();
}

// Damaged data is never read our way unless libjpeg reads it the same without a word: a file
// cut short, a broken restart sequence, wild coefficients or a header libjpeg warned about
// are libjpeg's to judge.
TEST(JpegEighth, DamagedScansAreLeftToLibjpeg) {
    const std::vector<uint8_t> file = encode({"", 640, 480, 2, 4});
    ASSERT_TRUE(eighth(file));
    const size_t scan = find(file, 2, 0xDA), restart = find(file, scan, 0xD0);
    ASSERT_LT(restart, file.size());

    std::vector<std::vector<uint8_t>> structural;
    for (size_t keep : {file.size() / 2, file.size() - 3}) {
        structural.emplace_back(file.begin(), file.begin() + long(keep));
        structural.push_back(structural.back());
        structural.back().insert(structural.back().end(), {0xFF, 0xD9});
    }
    structural.push_back(file);
    structural.back()[restart + 1] = 0xD3;
    structural.push_back(file);
    structural.back().erase(structural.back().begin() + long(restart),
                            structural.back().begin() + long(restart) + 2);
    // A DC quantizer raised far beyond what the encoder used: block means out of all range,
    // where libjpeg wraps rather than saturates.
    structural.push_back(file);
    structural.back()[find(file, 2, 0xDB) + 5] = 255;
    // A stray byte between header segments, which libjpeg warns about.
    structural.push_back(file);
    structural.back().insert(structural.back().begin() + long(scan), 0x00);
    for (size_t i = 0; i < structural.size(); ++i)
        EXPECT_FALSE(eighth(structural[i])) << "case " << i;

    // A stray byte may only change coefficients; then both readers agree.
    uint32_t seed = 5;
    for (int i = 0; i < 60; ++i) {
        std::vector<uint8_t> damaged = file;
        seed = seed * 1103515245 + 12345;
        const size_t at = scan + 20 + (seed >> 8) % (file.size() - scan - 30);
        damaged[at] = damaged[at] == 0xFF ? 0x00 : uint8_t(seed >> 24 | 1);
        if (const std::optional<Raster> r = eighth(damaged)) {
            int warnings = 0;
            const Raster reference = libjpegEighth(damaged, warnings);
            EXPECT_EQ(warnings, 0) << "byte " << at;
            EXPECT_LE(largestDifference(*r, reference), 2) << "byte " << at;
        }
    }
}

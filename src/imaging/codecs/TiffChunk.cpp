#include "imaging/codecs/TiffChunk.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>
#include <zlib.h>

#include "imaging/codecs/Error.h"
#include "imaging/codecs/PackBits.h"
#include "imaging/codecs/TiffLzw.h"
#include "imaging/codecs/TiffPixels.h"

namespace velvo::imaging::tiff {

namespace {

size_t inflateBounded(std::span<const uint8_t> in, std::span<uint8_t> out,
                      const std::string& name) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        throw Error(name, "cannot start the Deflate decoder");
    struct End {
        z_stream* s;
        ~End() { inflateEnd(s); }
    } end{&zs};
    // zlib counts in 32-bit units, so very large chunks are fed in pieces.
    constexpr size_t kPiece = size_t(1) << 30;
    size_t inPos = 0, outPos = 0;
    while (outPos < out.size()) {
        const uInt inAvail = uInt(std::min(in.size() - inPos, kPiece));
        const uInt outAvail = uInt(std::min(out.size() - outPos, kPiece));
        zs.next_in = const_cast<Bytef*>(in.data() + inPos);
        zs.avail_in = inAvail;
        zs.next_out = out.data() + outPos;
        zs.avail_out = outAvail;
        const int rc = inflate(&zs, Z_NO_FLUSH);
        inPos += inAvail - zs.avail_in;
        outPos += outAvail - zs.avail_out;
        if (rc == Z_STREAM_END)
            break;
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            const std::string why = zs.msg ? zs.msg : "zlib error " + std::to_string(rc);
            throw Error(name, "corrupt Deflate data (" + why + ")");
        }
        if (inAvail == zs.avail_in && outAvail == zs.avail_out)
            break; // no progress: out of input, and the caller reports the short chunk
    }
    return outPos;
}

} // namespace

size_t decompressChunk(uint32_t compression, std::span<const uint8_t> in, std::span<uint8_t> out,
                       const std::string& name) {
    switch (compression) {
    case 1: {
        const size_t n = std::min(in.size(), out.size());
        std::memcpy(out.data(), in.data(), n);
        return n;
    }
    case 5:
        return decodeTiffLzw(in, out, name, detectTiffLzwFlavour(in));
    case 32773:
        return decodePackBits(in, out);
    case 8:
    case 32946:
        return inflateBounded(in, out, name);
    default:
        throw Error(name, "compression " + std::to_string(compression) + " is not supported");
    }
}

void reverseBits(std::span<uint8_t> bytes) {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i) {
            int r = 0;
            for (int b = 0; b < 8; ++b)
                if (i & (1 << b))
                    r |= 0x80 >> b;
            t[i] = uint8_t(r);
        }
        return t;
    }();
    for (uint8_t& b : bytes)
        b = table[b];
}

void undoHorizontalPredictor(std::span<uint8_t> rows, size_t rowBytes, int samplesPerPixel,
                             const PixelFormat& format) {
    if (rowBytes == 0)
        return;
    const size_t stride = size_t(samplesPerPixel);
    for (size_t start = 0; start + rowBytes <= rows.size(); start += rowBytes) {
        uint8_t* row = rows.data() + start;
        if (format.bitsPerSample == 8) {
            for (size_t i = stride; i < rowBytes; ++i)
                row[i] = uint8_t(row[i] + row[i - stride]);
            continue;
        }
        const size_t n = rowBytes / 2;
        auto get = [&](size_t i) {
            return format.bigEndian ? uint16_t(row[2 * i] << 8 | row[2 * i + 1])
                                    : uint16_t(row[2 * i] | row[2 * i + 1] << 8);
        };
        for (size_t i = stride; i < n; ++i) {
            const uint16_t v = uint16_t(get(i) + get(i - stride));
            if (format.bigEndian)
                row[2 * i] = uint8_t(v >> 8), row[2 * i + 1] = uint8_t(v);
            else
                row[2 * i] = uint8_t(v), row[2 * i + 1] = uint8_t(v >> 8);
        }
    }
}

void undoFloatingPointPredictor(std::span<uint8_t> rows, size_t rowBytes, int samplesPerPixel,
                                const PixelFormat& format) {
    const size_t width = size_t(format.bitsPerSample) / 8; // bytes per sample
    const size_t step = size_t(samplesPerPixel);
    if (rowBytes == 0 || width == 0)
        return;
    const size_t samples = rowBytes / width;
    std::vector<uint8_t> planes(rowBytes);
    for (size_t start = 0; start + rowBytes <= rows.size(); start += rowBytes) {
        uint8_t* row = rows.data() + start;
        for (size_t i = step; i < rowBytes; ++i)
            row[i] = uint8_t(row[i] + row[i - step]);
        std::memcpy(planes.data(), row, rowBytes);
        // Plane b holds byte b, most significant first, of every sample.
        for (size_t s = 0; s < samples; ++s)
            for (size_t b = 0; b < width; ++b)
                row[s * width + (format.bigEndian ? b : width - 1 - b)] = planes[b * samples + s];
    }
}

} // namespace velvo::imaging::tiff

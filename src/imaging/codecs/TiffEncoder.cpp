// TIFF writer: baseline 24-bit RGB, little-endian, chunky, uncompressed or LZW, strips of
// about 8 KB.
#include <algorithm>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/TiffDirectory.h"
#include "imaging/codecs/TiffLzw.h"

namespace velvo::imaging {

using namespace tiff;

namespace {

constexpr size_t kStripTarget = 8192;

struct Field {
    uint16_t tag;
    uint16_t type;
    std::vector<uint32_t> values; // RATIONAL: numerator, denominator pairs
};

size_t fieldBytes(const Field& f) {
    const size_t size = f.type == Short ? 2 : 4;
    return f.values.size() * size;
}

void putValues(std::vector<uint8_t>& out, const Field& f) {
    for (uint32_t v : f.values) {
        if (f.type == Short)
            putU16le(out, uint16_t(v));
        else
            putU32le(out, v);
    }
}

} // namespace

std::vector<uint8_t> encodeTiff(const Raster& picture, TiffCompression compression) {
    if (picture.empty() || picture.pixels.size() < picture.stride() * size_t(picture.height))
        throw Error("", "cannot write an empty picture as TIFF");
    const size_t rowBytes = picture.stride();
    const uint32_t rowsPerStrip =
        uint32_t(std::clamp<size_t>(kStripTarget / rowBytes, 1, size_t(picture.height)));
    const uint32_t strips = (uint32_t(picture.height) + rowsPerStrip - 1) / rowsPerStrip;

    std::vector<std::vector<uint8_t>> data(strips);
    std::vector<uint8_t> rgb;
    for (uint32_t s = 0; s < strips; ++s) {
        const int y0 = int(s * rowsPerStrip);
        const int y1 = std::min(picture.height, y0 + int(rowsPerStrip));
        rgb.resize(size_t(y1 - y0) * rowBytes);
        uint8_t* o = rgb.data();
        for (int y = y0; y < y1; ++y) {
            const uint8_t* p = picture.row(y);
            for (int x = 0; x < picture.width; ++x, p += 3, o += 3)
                o[0] = p[2], o[1] = p[1], o[2] = p[0];
        }
        data[s] = compression == TiffCompression::Lzw ? encodeTiffLzw(rgb) : rgb;
    }

    const bool lzw = compression == TiffCompression::Lzw;
    std::vector<Field> fields = {
        {ImageWidth, Long, {uint32_t(picture.width)}},
        {ImageLength, Long, {uint32_t(picture.height)}},
        {BitsPerSample, Short, {8, 8, 8}},
        {Compression, Short, {lzw ? 5u : 1u}},
        {Photometric, Short, {2}},
        {StripOffsets, Long, std::vector<uint32_t>(strips)},
        {SamplesPerPixel, Short, {3}},
        {RowsPerStrip, Long, {rowsPerStrip}},
        {StripByteCounts, Long, std::vector<uint32_t>(strips)},
        {XResolution, Rational, {72, 1}},
        {YResolution, Rational, {72, 1}},
        {PlanarConfig, Short, {1}},
        {ResolutionUnit, Short, {2}},
    };
    // Layout: header, IFD 0, the field values too long for their entries, then the strips.
    const size_t ifdBytes = 2 + fields.size() * 12 + 4;
    size_t extra = 0;
    for (const Field& f : fields)
        if (fieldBytes(f) > 4)
            extra += fieldBytes(f);
    uint64_t at = 8 + ifdBytes + extra;
    for (uint32_t s = 0; s < strips; ++s) {
        if (at + data[s].size() > UINT32_MAX)
            throw Error("", "the picture is too large for a TIFF file");
        fields[5].values[s] = uint32_t(at);
        fields[8].values[s] = uint32_t(data[s].size());
        at += data[s].size();
    }

    std::vector<uint8_t> out;
    out.reserve(size_t(at));
    for (uint8_t b : {uint8_t('I'), uint8_t('I'), uint8_t(42), uint8_t(0)})
        out.push_back(b);
    putU32le(out, 8);
    putU16le(out, uint16_t(fields.size()));
    uint32_t valueAt = uint32_t(8 + ifdBytes);
    for (const Field& f : fields) {
        putU16le(out, f.tag);
        putU16le(out, f.type);
        putU32le(out, uint32_t(f.type == Rational ? f.values.size() / 2 : f.values.size()));
        if (fieldBytes(f) > 4) {
            putU32le(out, valueAt);
            valueAt += uint32_t(fieldBytes(f));
        } else {
            const size_t before = out.size();
            putValues(out, f);
            out.resize(before + 4, 0);
        }
    }
    putU32le(out, 0); // no further directory
    for (const Field& f : fields)
        if (fieldBytes(f) > 4)
            putValues(out, f);
    for (const std::vector<uint8_t>& strip : data)
        out.insert(out.end(), strip.begin(), strip.end());
    return out;
}

} // namespace velvo::imaging

// TIFF 6.0 reader: the first page, strips or tiles, uncompressed, LZW, PackBits or Deflate,
// bilevel, gray, palette, RGB and CMYK, with or without alpha, integer or floating-point
// samples; always delivers 24 bits, turned upright by the orientation tag.
#include <algorithm>
#include <cstring>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Exif.h"
#include "imaging/codecs/TiffChunk.h"
#include "imaging/codecs/TiffDirectory.h"
#include "imaging/codecs/TiffPixels.h"

namespace velvo::imaging {

using namespace tiff;

namespace {

std::string compressionName(uint32_t c) {
    switch (c) {
    case 2:
        return "CCITT modified Huffman compression (2)";
    case 3:
        return "CCITT group 3 fax compression (3)";
    case 4:
        return "CCITT group 4 fax compression (4)";
    case 6:
        return "old-style JPEG compression (6)";
    case 7:
        return "JPEG compression (7)";
    case 34712:
        return "JPEG 2000 compression (34712)";
    case 34925:
        return "LZMA compression (34925)";
    case 50000:
        return "Zstandard compression (50000)";
    case 50001:
        return "WebP compression (50001)";
    default:
        return "compression " + std::to_string(c);
    }
}

std::string photometricName(uint32_t p) {
    switch (p) {
    case 4:
        return "transparency mask photometric (4)";
    case 6:
        return "YCbCr photometric (6)";
    case 8:
        return "CIE L*a*b* photometric (8)";
    case 9:
        return "ICC L*a*b* photometric (9)";
    case 10:
        return "ITU L*a*b* photometric (10)";
    case 32844:
    case 32845:
        return "LogLuv photometric (" + std::to_string(p) + ")";
    default:
        return "photometric " + std::to_string(p);
    }
}

// Reads the fields that describe the samples, and rejects what the reader cannot show.
PixelFormat readFormat(const Directory& dir, const std::string& name) {
    PixelFormat f;
    f.bigEndian = dir.bigEndian();
    const uint32_t spp = dir.value(SamplesPerPixel, 1);
    if (spp == 0 || spp > 64)
        throw Error(name, std::to_string(spp) + " samples per pixel is not supported");
    f.samplesPerPixel = int(spp);
    const std::vector<uint32_t> bits = dir.values(BitsPerSample);
    f.bitsPerSample = bits.empty() ? 1 : int(std::min<uint32_t>(bits[0], 1000));
    for (uint32_t b : bits)
        if (b != bits[0])
            throw Error(name, "samples of different sizes are not supported");
    const std::vector<uint32_t> formats = dir.values(SampleFormat);
    for (uint32_t s : formats)
        if (s != formats[0])
            throw Error(name, "samples of different formats are not supported");
    const uint32_t sampleFormat = formats.empty() ? 1 : formats[0];
    if (sampleFormat != 1 && sampleFormat != 3)
        throw Error(name, "sample format " + std::to_string(sampleFormat) + " is not supported");
    f.floating = sampleFormat == 3;

    const uint32_t photometric = dir.value(Photometric, spp >= 3 ? 2 : 1);
    int colourSamples = 1;
    switch (photometric) {
    case 0:
        f.model = ColourModel::WhiteIsZero;
        break;
    case 1:
        f.model = ColourModel::BlackIsZero;
        break;
    case 2:
        f.model = ColourModel::Rgb, colourSamples = 3;
        break;
    case 3:
        f.model = ColourModel::Palette;
        break;
    case 5:
        if (dir.value(InkSet, 1) != 1)
            throw Error(name, "separated images with inks other than CMYK are not supported");
        f.model = ColourModel::Cmyk, colourSamples = 4;
        break;
    default:
        throw Error(name, photometricName(photometric) + " is not supported");
    }
    if (f.samplesPerPixel < colourSamples)
        throw Error(name, std::to_string(spp) + " samples per pixel are too few for photometric " +
                              std::to_string(photometric));

    const int b = f.bitsPerSample;
    if (f.floating) {
        if (b != 16 && b != 24 && b != 32 && b != 64)
            throw Error(name, std::to_string(b) + "-bit floating-point samples are not supported");
        if (f.model == ColourModel::Palette)
            throw Error(name, "floating-point palette indices are not valid");
    }
    const bool lowDepthOk = f.model == ColourModel::WhiteIsZero ||
                            f.model == ColourModel::BlackIsZero || f.model == ColourModel::Palette;
    const bool ok = f.floating || b == 8 || (b == 16 && f.model != ColourModel::Palette) ||
                    (lowDepthOk && (b == 1 || b == 2 || b == 4));
    if (!ok)
        throw Error(name, std::to_string(b) + " bits per sample with photometric " +
                              std::to_string(photometric) + " is not supported");

    // Only the first extra sample can be alpha; an unspecified one (0) is ignored.
    const std::vector<uint32_t> extra = dir.values(ExtraSamples);
    if (f.samplesPerPixel > colourSamples && !extra.empty()) {
        if (extra[0] == 1)
            f.alpha = AlphaKind::Associated;
        else if (extra[0] == 2)
            f.alpha = AlphaKind::Unassociated;
    }
    f.kept = colourSamples + (f.alpha != AlphaKind::None ? 1 : 0);

    if (f.model == ColourModel::Palette) {
        const std::vector<uint32_t> map = dir.values(ColorMap);
        const size_t entries = size_t(1) << b;
        if (map.size() < entries * 3)
            throw Error(name, "the colour map has " + std::to_string(map.size()) +
                                  " values where " + std::to_string(entries * 3) + " are needed");
        f.colourMap = buildColourMap(map, entries);
    }
    return f;
}

struct Layout {
    bool tiled = false;
    bool separate = false; // planar configuration 2: one plane of one sample per chunk
    uint32_t chunkWidth = 0, chunkHeight = 0;
    uint64_t across = 0, down = 0, chunks = 0;
    uint64_t rowBytes = 0;
    std::vector<uint32_t> offsets, counts;
    uint32_t compression = 1;
    int predictor = 1;
    bool reversedBits = false;
};

uint64_t ceilDiv(uint64_t a, uint64_t b) {
    return (a + b - 1) / b;
}

Layout readLayout(const Directory& dir, const PixelFormat& f, uint32_t width, uint32_t height,
                  const std::string& name) {
    Layout l;
    l.compression = dir.value(Compression, 1);
    if (l.compression != 1 && l.compression != 5 && l.compression != 8 && l.compression != 32946 &&
        l.compression != 32773)
        throw Error(name, compressionName(l.compression) + " is not supported");
    const uint32_t predictor = dir.value(Predictor, 1);
    if (predictor == 2 && f.bitsPerSample != 8 && f.bitsPerSample != 16)
        throw Error(name, "the horizontal predictor with " + std::to_string(f.bitsPerSample) +
                              " bits per sample is not supported");
    if (predictor == 3 && !f.floating)
        throw Error(name, "the floating-point predictor (3) with integer samples is not valid");
    if (predictor != 1 && predictor != 2 && predictor != 3)
        throw Error(name, "predictor " + std::to_string(predictor) + " is not supported");
    l.predictor = int(predictor);
    const uint32_t fill = dir.value(FillOrder, 1);
    if (fill != 1 && fill != 2)
        throw Error(name, "fill order " + std::to_string(fill) + " is not valid");
    l.reversedBits = fill == 2;
    const uint32_t planar = dir.value(PlanarConfig, 1);
    if (planar != 1 && planar != 2)
        throw Error(name, "planar configuration " + std::to_string(planar) + " is not valid");
    l.separate = planar == 2 && f.samplesPerPixel > 1;

    l.tiled = dir.has(TileOffsets) || dir.has(TileWidth);
    if (l.tiled) {
        l.chunkWidth = dir.required(TileWidth, "tile width");
        l.chunkHeight = dir.required(TileLength, "tile length");
        const PictureLimits& lim = pictureLimits();
        // A tile may overhang the picture, but never hold more than four pictures' worth.
        const uint64_t area = uint64_t(l.chunkWidth) * l.chunkHeight;
        if (l.chunkWidth == 0 || l.chunkHeight == 0 || l.chunkWidth > 65536 ||
            l.chunkHeight > 65536 || area > uint64_t(lim.maxPixels) ||
            area > std::max<uint64_t>(uint64_t(width) * height * 4, 1 << 20))
            throw Error(name, "tile size " + std::to_string(l.chunkWidth) + "x" +
                                  std::to_string(l.chunkHeight) + " is not supported");
        l.offsets = dir.values(TileOffsets);
        l.counts = dir.values(TileByteCounts);
    } else {
        // 0 is invalid and anything past the height means one strip; both read as one strip.
        uint32_t rows = dir.value(RowsPerStrip, height);
        if (rows == 0 || rows > height)
            rows = height;
        l.chunkWidth = width;
        l.chunkHeight = rows;
        l.offsets = dir.values(StripOffsets);
        l.counts = dir.values(StripByteCounts);
    }
    l.across = ceilDiv(width, l.chunkWidth);
    l.down = ceilDiv(height, l.chunkHeight);
    const uint64_t planes = l.separate ? uint64_t(f.samplesPerPixel) : 1;
    l.chunks = l.across * l.down * planes;
    const char* kind = l.tiled ? "tile" : "strip";
    if (l.offsets.size() < l.chunks)
        throw Error(name, std::to_string(l.offsets.size()) + " " + kind + " offsets where " +
                              std::to_string(l.chunks) + " are needed");
    if (!l.counts.empty() && l.counts.size() < l.chunks)
        throw Error(name, std::to_string(l.counts.size()) + " " + kind + " byte counts where " +
                              std::to_string(l.chunks) + " are needed");
    const uint64_t samplesInChunk = l.separate ? 1 : uint64_t(f.samplesPerPixel);
    l.rowBytes = ceilDiv(uint64_t(l.chunkWidth) * samplesInChunk * uint64_t(f.bitsPerSample), 8);
    return l;
}

// Most bytes `compressed` bytes can decode to, so that a chunk whose data cannot possibly
// fill it is rejected before anything is allocated.
uint64_t expansionBound(uint32_t compression, uint64_t compressed) {
    switch (compression) {
    case 1:
        return compressed;
    case 32773:
        return compressed * 64 + 128;
    case 5:
        return (compressed * 8 / 9 + 1) * 4096;
    default:
        return compressed * 1032 + 4096; // deflate cannot beat about 1032:1
    }
}

// 1..8 as in EXIF; a damaged or out-of-range tag shows the picture as stored.
int orientation(const Directory& dir) {
    try {
        const uint32_t v = dir.value(Orientation, 1);
        return v >= 1 && v <= 8 ? int(v) : 1;
    } catch (const Error&) {
        return 1;
    }
}

} // namespace

Raster decodeTiff(Bytes data, const std::string& name) {
    const Directory dir(data, name);
    const uint32_t width = dir.required(ImageWidth, "image width");
    const uint32_t height = dir.required(ImageLength, "image length");
    checkPictureSize(width, height, name);
    const PixelFormat format = readFormat(dir, name);
    const Layout l = readLayout(dir, format, width, height, name);
    const char* kind = l.tiled ? "tile" : "strip";

    // Every chunk is checked against the file before the picture is allocated.
    struct Chunk {
        uint64_t offset, bytes, expected;
        uint32_t x0, y0, rows;
        int plane;
    };
    std::vector<Chunk> chunks;
    chunks.reserve(size_t(l.chunks));
    for (uint64_t i = 0; i < l.chunks; ++i) {
        Chunk c;
        const uint64_t perPlane = l.across * l.down;
        c.plane = int(i / perPlane);
        const uint64_t j = i % perPlane;
        c.x0 = uint32_t((j % l.across) * l.chunkWidth);
        c.y0 = uint32_t((j / l.across) * l.chunkHeight);
        c.rows = l.tiled ? l.chunkHeight : std::min(l.chunkHeight, height - c.y0);
        c.expected = l.rowBytes * c.rows;
        if (l.separate && c.plane >= format.kept)
            continue; // a plane nobody looks at is not read
        c.offset = l.offsets[size_t(i)];
        if (c.offset > data.size())
            throw Error(name, std::string(kind) + " " + std::to_string(i) + " at offset " +
                                  std::to_string(c.offset) + " is past the end of the file");
        const uint64_t available = data.size() - c.offset;
        const uint64_t declared =
            l.counts.empty() ? (l.compression == 1 ? c.expected : available) : l.counts[size_t(i)];
        c.bytes = std::min(declared, available);
        if (expansionBound(l.compression, c.bytes) < c.expected)
            throw Error(name, std::string(kind) + " " + std::to_string(i) + " is truncated (" +
                                  std::to_string(c.bytes) + " bytes for " +
                                  std::to_string(c.expected) + " bytes of pixels)");
        chunks.push_back(c);
    }

    SampleImage image(width, height, format, name);
    std::vector<uint8_t> buffer;
    std::vector<uint8_t> reversed;
    for (const Chunk& c : chunks) {
        Bytes src = data.subspan(size_t(c.offset), size_t(c.bytes));
        if (l.reversedBits) {
            reversed.assign(src.begin(), src.end());
            reverseBits(reversed);
            src = reversed;
        }
        try {
            buffer.resize(size_t(c.expected));
        } catch (const std::bad_alloc&) {
            throw Error(name,
                        "not enough memory for a " + std::to_string(c.expected) + "-byte " + kind);
        }
        const size_t got = decompressChunk(l.compression, src, buffer, name);
        if (got < c.expected)
            throw Error(name, std::string(kind) + " at offset " + std::to_string(c.offset) +
                                  " is truncated (" + std::to_string(got) + " of " +
                                  std::to_string(c.expected) + " bytes decoded)");
        const int samplesInChunk = l.separate ? 1 : format.samplesPerPixel;
        if (l.predictor == 2)
            undoHorizontalPredictor(buffer, size_t(l.rowBytes), samplesInChunk, format);
        else if (l.predictor == 3)
            undoFloatingPointPredictor(buffer, size_t(l.rowBytes), samplesInChunk, format);
        for (uint32_t r = 0; r < c.rows && c.y0 + r < height; ++r) {
            const uint8_t* row = buffer.data() + size_t(r) * size_t(l.rowBytes);
            const uint32_t count = std::min(l.chunkWidth, width - c.x0);
            if (l.separate)
                image.putPlaneRow(row, c.x0, c.y0 + r, count, c.plane);
            else
                image.putChunkyRow(row, c.x0, c.y0 + r, count);
        }
    }
    return applyOrientation(image.toRaster(name), orientation(dir));
}

} // namespace velvo::imaging

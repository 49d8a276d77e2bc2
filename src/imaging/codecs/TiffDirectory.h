#pragma once
// The first image file directory (IFD 0) of a TIFF file, read defensively: every entry's data
// is checked against the file only when a field is asked for, so a broken tag that the
// decoder never uses cannot reject an otherwise good file.
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace velvo::imaging::tiff {

enum Tag : uint16_t {
    ImageWidth = 256,
    ImageLength = 257,
    BitsPerSample = 258,
    Compression = 259,
    Photometric = 262,
    FillOrder = 266,
    StripOffsets = 273,
    Orientation = 274,
    SamplesPerPixel = 277,
    RowsPerStrip = 278,
    StripByteCounts = 279,
    XResolution = 282,
    YResolution = 283,
    PlanarConfig = 284,
    ResolutionUnit = 296,
    Predictor = 317,
    ColorMap = 320,
    TileWidth = 322,
    TileLength = 323,
    TileOffsets = 324,
    TileByteCounts = 325,
    InkSet = 332,
    ExtraSamples = 338,
    SampleFormat = 339,
};

enum Type : uint16_t { Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5 };

class Directory {
public:
    // Reads the header and IFD 0. Throws velvo::Error naming `name` when the header is not
    // TIFF, or the directory lies outside the file.
    Directory(std::span<const uint8_t> data, std::string name);

    bool bigEndian() const { return bigEndian_; }
    bool has(uint16_t tag) const { return entries_.count(tag) != 0; }

    // The values of an integer field (BYTE, SHORT, LONG or their signed kinds); empty when
    // the tag is absent. Throws when the field is of another type or its data is not inside
    // the file.
    std::vector<uint32_t> values(uint16_t tag) const;
    // The first value, or `fallback` when the tag is absent or has no values.
    uint32_t value(uint16_t tag, uint32_t fallback) const;
    // As value(), but a missing tag is an error naming `what`.
    uint32_t required(uint16_t tag, const char* what) const;

private:
    struct Entry {
        uint16_t type = 0;
        uint32_t count = 0;
        uint64_t offset = 0; // of the value bytes in the file
        uint64_t bytes = 0;
    };

    std::span<const uint8_t> data_;
    std::string name_;
    bool bigEndian_ = false;
    std::map<uint16_t, Entry> entries_;
};

} // namespace velvo::imaging::tiff

#pragma once
// LZW as GIF uses it: codes packed least significant bit first, a clear code (1 << minCodeSize)
// and an end code one above it, code width growing from minCodeSize + 1 to 12 bits, and a
// table that, once full at 4096 entries, stays as it is until the next clear code.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace velvo::imaging::gif {

constexpr int kMinCodeSizeLow = 2;
constexpr int kMinCodeSizeHigh = 9;
constexpr int kMaxCodeWidth = 12;
constexpr int kMaxCodes = 1 << kMaxCodeWidth;

enum class LzwStop {
    EndCode,       // the end code was read
    OutputFull,    // the output span is full; later codes were not read
    DataExhausted, // the code stream ended without an end code
    BadCode,       // a code above the next free one, or a literal that does not fit a byte
};

struct LzwResult {
    size_t produced = 0; // bytes of `out` that hold decoded data
    LzwStop stop = LzwStop::EndCode;
    unsigned badCode = 0;  // for BadCode: the offending code
    unsigned nextFree = 0; // for BadCode: the next free code at that point
};

// Decodes the code stream `codes` (the image data sub-blocks joined, without their length
// bytes) into `out`. minCodeSize must be within kMinCodeSizeLow..kMinCodeSizeHigh. Never reads
// or writes outside the spans and ends after at most codes.size() * 8 / 3 codes. Bytes of
// `out` past `produced` may have been overwritten.
LzwResult lzwDecode(std::span<const uint8_t> codes, int minCodeSize, std::span<uint8_t> out);

// Encodes `indices`, each below 1 << minCodeSize, into a code stream (clear code first, end
// code last, no sub-block framing) that lzwDecode and every GIF reader decode back exactly.
// minCodeSize within kMinCodeSizeLow..8. Emits a clear code whenever the table fills.
std::vector<uint8_t> lzwEncode(std::span<const uint8_t> indices, int minCodeSize);

} // namespace velvo::imaging::gif

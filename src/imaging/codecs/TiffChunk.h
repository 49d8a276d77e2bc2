#pragma once
// Turning one strip or tile of a TIFF file back into its rows of samples.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velvo::imaging::tiff {

struct PixelFormat;

// Decompresses `in` with TIFF compression 1, 5, 8, 32773 or 32946 into `out`, never past its
// end; returns the bytes written, which is less than out.size() when the data runs short.
// Throws velvo::Error naming `name` on corrupt data.
size_t decompressChunk(uint32_t compression, std::span<const uint8_t> in, std::span<uint8_t> out,
                       const std::string& name);

// Fill order 2: the bits of every byte in reverse.
void reverseBits(std::span<uint8_t> bytes);

// Undoes predictor 2 on rows of `rowBytes` bytes, `samplesPerPixel` interleaved samples of 8
// or 16 bits (16-bit in the file's byte order). A partial row at the end is left alone.
void undoHorizontalPredictor(std::span<uint8_t> rows, size_t rowBytes, int samplesPerPixel,
                             const PixelFormat& format);

// Undoes predictor 3 (floating-point differencing) on rows of `rowBytes` bytes: the bytes of
// each row were split into planes, most significant first, and differenced bytewise with a
// step of `samplesPerPixel`. Leaves the samples whole again, in the file's byte order. A
// partial row at the end is left alone.
void undoFloatingPointPredictor(std::span<uint8_t> rows, size_t rowBytes, int samplesPerPixel,
                                const PixelFormat& format);

} // namespace velvo::imaging::tiff

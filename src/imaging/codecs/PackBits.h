#pragma once
// PackBits run-length coding (Apple; TIFF compression 32773).
#include <cstddef>
#include <cstdint>
#include <span>

namespace velvo::imaging {

// Decodes until `out` is full or the input ends; a run or literal that would pass the end
// of `out` is cut short. Never reads or writes out of bounds. Returns the bytes written.
size_t decodePackBits(std::span<const uint8_t> in, std::span<uint8_t> out);

} // namespace velvo::imaging

#pragma once
// LZW as TIFF uses it: codes 9 to 12 bits wide, packed most significant bit first, 256 clears
// the table, 257 ends the data, and the width grows one code early (when the next free entry
// reaches 511, 1023 and 2047). The old, pre-6.0 flavour (least significant bit first, width
// growing at 512, 1024 and 2048) is read too, since some early writers produced it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velvo::imaging {

enum class TiffLzwFlavour { Standard, OldStyle };

// The flavour a strip is written in, judged from its first two bytes (a clear code in either
// bit order). Standard for anything else, which then fails or decodes as the data says.
TiffLzwFlavour detectTiffLzwFlavour(std::span<const uint8_t> in);

// Decodes one strip or tile into `out`, stopping at the end code, at the end of the input or
// when `out` is full, whichever comes first; never writes past `out`. Returns the bytes
// written. Throws velvo::Error naming `name` on a code that is neither in the table nor the
// next free one, or a string code right after a clear.
size_t decodeTiffLzw(std::span<const uint8_t> in, std::span<uint8_t> out, const std::string& name,
                     TiffLzwFlavour flavour = TiffLzwFlavour::Standard);

// Encodes in the standard flavour: a clear code first, a clear whenever the table reaches 4094
// entries, the end code last, the final byte padded with zero bits.
std::vector<uint8_t> encodeTiffLzw(std::span<const uint8_t> in);

} // namespace velvo::imaging

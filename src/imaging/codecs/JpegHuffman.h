#pragma once
// Huffman decoding of a baseline JPEG scan for the DC reader (JpegEighth): a table look-up per
// code, and a bit reader over scan data whose stuffed bytes have been taken out.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace velvo::imaging::jpeg {

// Codes up to this long are decoded with one table look-up; longer ones are rare in photos.
constexpr int kFastBits = 10;
// Zero bytes the bit reader needs after the data, so it may load 8 bytes anywhere up to its end.
constexpr size_t kBitReaderPadding = 16;

struct Huffman {
    // By the next kFastBits bits: code length << 8 | symbol, or 0 for a longer code.
    std::array<uint16_t, 1 << kFastBits> fast{};
    // The same index, for an AC coefficient that is only skipped: the bits of its code and
    // value together, and (high byte) how far it moves along the block, 64 ending it.
    std::array<uint16_t, 1 << kFastBits> skip{};
    // Canonical decoding of the longer codes.
    std::array<int32_t, 17> maxCode{};
    std::array<int32_t, 17> valueOffset{};
    std::array<uint8_t, 256> values{};
    int count = 0;
};

// The table of `table` in `h`; false for a table libjpeg would refuse too (too many codes, a
// code of all ones, a DC size over 15), which is then left to it.
bool buildHuffman(Huffman& h, const JHUFF_TBL* table, bool dc);

// Bits of the unstuffed scan data, most significant first. `bits` valid bits sit at the top
// of `acc`; a refill tops them up to at least 56 without a branch per byte.
struct BitReader {
    const uint8_t* data = nullptr;
    size_t pos = 0;
    // Where `pos` stops, so that loads stay within the padding after the data.
    size_t limit = 0;
    uint64_t acc = 0;
    int bits = 0;

    [[gnu::always_inline]] void start(size_t at) {
        pos = at, acc = 0, bits = 0;
        refill();
    }
    [[gnu::always_inline]] void refill() {
        uint64_t word;
        std::memcpy(&word, data + pos, 8);
        acc |= __builtin_bswap64(word) >> bits;
        pos = std::min(pos + size_t((63 - bits) >> 3), limit);
        bits |= 56;
    }
    [[gnu::always_inline]] uint32_t peek(int n) const { return uint32_t(acc >> (64 - n)); }
    [[gnu::always_inline]] void skip(int n) {
        acc <<= n;
        bits -= n;
    }
    // A value's `size` bits, sign-extended as JPEG codes them.
    [[gnu::always_inline]] int value(int size) {
        const int v = int(peek(size));
        skip(size);
        return v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
    }
    // How far into the data the reader has consumed; past `limit` (padding zeros) it only grows.
    size_t consumedBits() const { return pos * 8 - size_t(bits); }
};

// The code at the top of `acc`: its length << 8 | its symbol, or -1 for a code no table
// entry matches. Takes the bits by value so that callers keep their reader in registers.
[[gnu::always_inline]] inline int decodeSymbol(uint64_t acc, const Huffman& h) {
    if (const uint16_t e = h.fast[acc >> (64 - kFastBits)])
        return e;
    for (int l = kFastBits + 1; l <= 16; ++l) {
        const int32_t code = int32_t(acc >> (64 - l));
        if (code <= h.maxCode[size_t(l)]) {
            const int32_t at = h.valueOffset[size_t(l)] + code;
            if (at < 0 || at >= h.count)
                return -1;
            return l << 8 | h.values[size_t(at)];
        }
    }
    return -1;
}

} // namespace velvo::imaging::jpeg

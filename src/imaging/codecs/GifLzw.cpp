#include "imaging/codecs/GifLzw.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

namespace velvo::imaging::gif {

namespace {

inline uint64_t loadLe64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap64(v);
    return v;
}

// Copies eight bytes through a register, so source and destination may overlap.
inline void copy8(uint8_t* d, const uint8_t* s) {
    uint64_t v;
    std::memcpy(&v, s, 8);
    std::memcpy(d, &v, 8);
}

} // namespace

// Every table entry is a string that already stands in the output: the previous code's string
// followed by the first byte of the current one, which is exactly where the previous string was
// written. So an entry is just (offset, length) into the output, and decoding a code is one
// forward copy of earlier output; no prefix chains are walked.
LzwResult lzwDecode(std::span<const uint8_t> codes, int minCodeSize, std::span<uint8_t> out) {
    if (minCodeSize < kMinCodeSizeLow || minCodeSize > kMinCodeSizeHigh)
        throw std::invalid_argument("LZW minimum code size out of range");
    const unsigned clear = 1u << minCodeSize;
    const unsigned eoi = clear + 1;
    // Offsets are 32 bits; a picture never gets near 4 GB of indices.
    const size_t cap = std::min<size_t>(out.size(), std::numeric_limits<uint32_t>::max());
    uint8_t* const o = out.data();

    uint32_t offset[kMaxCodes];
    uint16_t length[kMaxCodes];

    const uint8_t* p = codes.data();
    const uint8_t* const end = p + codes.size();
    uint64_t bits = 0;
    unsigned nbits = 0;

    unsigned width = unsigned(minCodeSize) + 1;
    unsigned next = eoi + 1;
    bool havePrev = false;
    size_t prevPos = 0;
    unsigned prevLen = 0;
    size_t pos = 0;

    for (;;) {
        if (nbits < width) {
            // Bits above nbits already hold the following stream bits, so OR-ing the same
            // bytes in again at the same place is harmless.
            if (end - p >= 8) {
                bits |= loadLe64(p) << nbits;
                p += (63 - nbits) >> 3;
                nbits |= 56;
            } else {
                while (nbits <= 56 && p < end) {
                    bits |= uint64_t(*p++) << nbits;
                    nbits += 8;
                }
                if (nbits < width)
                    return {pos, LzwStop::DataExhausted};
            }
        }
        const unsigned code = unsigned(bits) & ((1u << width) - 1);
        bits >>= width;
        nbits -= width;

        size_t src;
        unsigned len;
        if (code > eoi && code < next) {
            src = offset[code];
            len = length[code];
        } else if (code < clear) {
            if (code > 0xFF)
                return {pos, LzwStop::BadCode, code, next};
            if (pos >= cap)
                return {pos, LzwStop::OutputFull};
            o[pos] = uint8_t(code);
            if (havePrev && next < kMaxCodes) {
                offset[next] = uint32_t(prevPos);
                length[next] = uint16_t(prevLen + 1);
                if (++next == (1u << width) && width < kMaxCodeWidth)
                    ++width;
            }
            prevPos = pos;
            prevLen = 1;
            havePrev = true;
            ++pos;
            continue;
        } else if (code == clear) {
            width = unsigned(minCodeSize) + 1;
            next = eoi + 1;
            havePrev = false;
            continue;
        } else if (code == eoi) {
            return {pos, LzwStop::EndCode};
        } else if (code == next && havePrev) {
            // The string being defined by this very code: previous string plus its own first byte.
            src = prevPos;
            len = prevLen + 1;
        } else {
            return {pos, LzwStop::BadCode, code, next};
        }

        uint8_t* d = o + pos;
        const uint8_t* s = o + src;
        if (pos + len + 8 <= cap) {
            // src + len <= pos except for the self-defining code, whose last byte is copied
            // apart; so every byte read below was written before this copy began.
            const unsigned body = (src + len <= pos) ? len : len - 1;
            copy8(d, s);
            for (unsigned i = 8; i < body; i += 8)
                copy8(d + i, s + i);
            if (body != len)
                d[body] = s[0];
        } else {
            const size_t n = std::min<size_t>(len, cap - pos);
            for (size_t i = 0; i < n; ++i)
                d[i] = s[i];
            if (n < len)
                return {pos + n, LzwStop::OutputFull};
        }
        if (havePrev && next < kMaxCodes) {
            offset[next] = uint32_t(prevPos);
            length[next] = uint16_t(prevLen + 1);
            if (++next == (1u << width) && width < kMaxCodeWidth)
                ++width;
        }
        prevPos = pos;
        prevLen = len;
        havePrev = true;
        pos += len;
    }
}

namespace {

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void put(unsigned code, unsigned width) {
        acc_ |= uint64_t(code) << n_;
        n_ += width;
        while (n_ >= 8) {
            out_.push_back(uint8_t(acc_));
            acc_ >>= 8;
            n_ -= 8;
        }
    }
    void finish() {
        if (n_ > 0)
            out_.push_back(uint8_t(acc_));
        acc_ = 0;
        n_ = 0;
    }

private:
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    unsigned n_ = 0;
};

// (prefix code, next byte) -> code, open addressing; at most 4096 entries in 8192 slots.
class StringTable {
public:
    static constexpr unsigned kSlots = 8192;
    void reset() { std::fill(std::begin(keys_), std::end(keys_), kEmpty); }
    // Returns the slot of `key`, or the empty slot where it belongs.
    unsigned find(uint32_t key) const {
        unsigned h = (key * 2654435761u) >> 19;
        while (keys_[h] != kEmpty && keys_[h] != key)
            h = (h + 1) & (kSlots - 1);
        return h;
    }
    bool has(unsigned slot) const { return keys_[slot] != kEmpty; }
    uint16_t code(unsigned slot) const { return codes_[slot]; }
    void insert(unsigned slot, uint32_t key, uint16_t code) {
        keys_[slot] = key;
        codes_[slot] = code;
    }

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFF;
    uint32_t keys_[kSlots];
    uint16_t codes_[kSlots];
};

} // namespace

std::vector<uint8_t> lzwEncode(std::span<const uint8_t> indices, int minCodeSize) {
    if (minCodeSize < kMinCodeSizeLow || minCodeSize > 8)
        throw std::invalid_argument("LZW minimum code size out of range");
    const unsigned clear = 1u << minCodeSize;
    const unsigned eoi = clear + 1;
    for (uint8_t v : indices)
        if (v >= clear)
            throw std::invalid_argument("LZW index does not fit the code size");

    std::vector<uint8_t> out;
    out.reserve(indices.size() / 2 + 16);
    BitWriter w(out);
    auto table = std::make_unique<StringTable>();
    table->reset();
    unsigned width = unsigned(minCodeSize) + 1;
    unsigned next = eoi + 1;
    w.put(clear, width);
    if (indices.empty()) {
        w.put(eoi, width);
        w.finish();
        return out;
    }

    unsigned prefix = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        const uint8_t c = indices[i];
        const uint32_t key = (uint32_t(prefix) << 8) | c;
        const unsigned slot = table->find(key);
        if (table->has(slot)) {
            prefix = table->code(slot);
            continue;
        }
        w.put(prefix, width);
        // A reader widens after the code that brings its table (one entry behind ours) to
        // 1 << width entries, which is when our count before this entry reaches it.
        if (next == (1u << width) && width < kMaxCodeWidth)
            ++width;
        if (next < kMaxCodes) {
            table->insert(slot, key, uint16_t(next++));
        } else {
            w.put(clear, width);
            table->reset();
            width = unsigned(minCodeSize) + 1;
            next = eoi + 1;
        }
        prefix = c;
    }
    w.put(prefix, width);
    if (next == (1u << width) && width < kMaxCodeWidth)
        ++width;
    w.put(eoi, width);
    w.finish();
    return out;
}

} // namespace velvo::imaging::gif

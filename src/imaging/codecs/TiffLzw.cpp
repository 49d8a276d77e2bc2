#include "imaging/codecs/TiffLzw.h"

#include <algorithm>
#include <array>

#include "imaging/codecs/Error.h"

namespace velvo::imaging {

namespace {

constexpr int kClear = 256;
constexpr int kEnd = 257;
constexpr int kFirstFree = 258;
constexpr int kTableSize = 4096;
// The writer clears once the table holds this many entries, as TIFF 6.0 asks.
constexpr int kWriterLimit = 4094;

// Width of the next code given the reader's next free entry, standard flavour.
int standardWidth(int next) {
    return next >= 2047 ? 12 : next >= 1023 ? 11 : next >= 511 ? 10 : 9;
}
int oldStyleWidth(int next) {
    return next >= 2048 ? 12 : next >= 1024 ? 11 : next >= 512 ? 10 : 9;
}

class BitSource {
public:
    BitSource(std::span<const uint8_t> in, bool msbFirst) : in_(in), msbFirst_(msbFirst) {}

    // False once fewer than `width` bits are left.
    bool read(int width, int& code) {
        while (bits_ < width) {
            if (pos_ >= in_.size())
                return false;
            if (msbFirst_)
                acc_ = (acc_ << 8) | in_[pos_++];
            else
                acc_ |= uint32_t(in_[pos_++]) << bits_;
            bits_ += 8;
        }
        const uint32_t mask = (1u << width) - 1;
        if (msbFirst_) {
            code = int((acc_ >> (bits_ - width)) & mask);
            bits_ -= width;
            acc_ &= (1u << bits_) - 1;
        } else {
            code = int(acc_ & mask);
            acc_ >>= width;
            bits_ -= width;
        }
        return true;
    }

private:
    std::span<const uint8_t> in_;
    bool msbFirst_;
    size_t pos_ = 0;
    uint32_t acc_ = 0;
    int bits_ = 0;
};

class BitSink {
public:
    explicit BitSink(std::vector<uint8_t>& out) : out_(out) {}
    void put(int code, int width) {
        acc_ = (acc_ << width) | uint32_t(code);
        bits_ += width;
        while (bits_ >= 8) {
            out_.push_back(uint8_t(acc_ >> (bits_ - 8)));
            bits_ -= 8;
        }
        acc_ &= (1u << bits_) - 1;
    }
    void flush() {
        if (bits_ > 0)
            out_.push_back(uint8_t(acc_ << (8 - bits_)));
        bits_ = 0;
        acc_ = 0;
    }

private:
    std::vector<uint8_t>& out_;
    uint32_t acc_ = 0;
    int bits_ = 0;
};

} // namespace

TiffLzwFlavour detectTiffLzwFlavour(std::span<const uint8_t> in) {
    // A leading clear code reads 0x80 0x.. most significant bit first, 0x00 0x?1 otherwise.
    if (in.size() >= 2 && in[0] == 0 && (in[1] & 1))
        return TiffLzwFlavour::OldStyle;
    return TiffLzwFlavour::Standard;
}

size_t decodeTiffLzw(std::span<const uint8_t> in, std::span<uint8_t> out, const std::string& name,
                     TiffLzwFlavour flavour) {
    std::array<uint16_t, kTableSize> prefix{};
    std::array<uint16_t, kTableSize> length{};
    std::array<uint8_t, kTableSize> suffix{};
    std::array<uint8_t, kTableSize> first{};
    for (int i = 0; i < 256; ++i) {
        suffix[i] = first[i] = uint8_t(i);
        length[i] = 1;
    }
    const bool standard = flavour == TiffLzwFlavour::Standard;
    BitSource source(in, standard);
    const size_t cap = out.size();
    size_t written = 0;
    int next = kFirstFree;
    int width = 9;
    int old = -1;
    int code = 0;
    while (written < cap && source.read(width, code)) {
        if (code == kEnd)
            break;
        if (code == kClear) {
            next = kFirstFree;
            width = 9;
            old = -1;
            continue;
        }
        if (old < 0) {
            if (code > 255)
                throw Error(name,
                            "invalid LZW code " + std::to_string(code) + " after a clear code");
        } else {
            if (code > next || (code == next && next >= kTableSize))
                throw Error(name, "invalid LZW code " + std::to_string(code) +
                                      " (next free entry " + std::to_string(next) + ")");
            if (next < kTableSize) {
                const uint8_t head = code < next ? first[code] : first[old];
                prefix[next] = uint16_t(old);
                suffix[next] = head;
                first[next] = first[old];
                length[next] = uint16_t(length[old] + 1);
                ++next;
                width = standard ? standardWidth(next) : oldStyleWidth(next);
            }
        }
        // Strings are stored last byte first; the part past `cap` is dropped.
        const size_t end = written + length[code];
        size_t p = end;
        int c = code;
        for (;;) {
            --p;
            if (p < cap)
                out[p] = suffix[c];
            if (c < 256)
                break;
            c = prefix[c];
        }
        written = std::min(end, cap);
        old = code;
    }
    return written;
}

std::vector<uint8_t> encodeTiffLzw(std::span<const uint8_t> in) {
    std::vector<uint8_t> out;
    out.reserve(in.size() / 2 + 16);
    BitSink sink(out);
    sink.put(kClear, 9);
    if (in.empty()) {
        sink.put(kEnd, 9);
        sink.flush();
        return out;
    }
    // Open addressing over (prefix code, byte); the table never holds more than 3836 strings,
    // so 8192 slots stay under half full.
    constexpr size_t kSlots = 8192;
    std::vector<int32_t> keys(kSlots, -1);
    std::vector<uint16_t> codes(kSlots);
    auto slotOf = [&](int32_t key) {
        size_t s = (uint32_t(key) * 2654435761u) >> 19;
        while (keys[s] != -1 && keys[s] != key)
            s = (s + 1) & (kSlots - 1);
        return s;
    };
    int next = kFirstFree;
    int prefixCode = in[0];
    for (size_t i = 1; i < in.size(); ++i) {
        const int32_t key = (prefixCode << 8) | in[i];
        const size_t s = slotOf(key);
        if (keys[s] == key) {
            prefixCode = codes[s];
            continue;
        }
        // The reader lags one entry behind: it adds the entry for a code when it reads the
        // code after it, so its next free entry is ours minus one.
        sink.put(prefixCode, standardWidth(next - 1));
        keys[s] = key;
        codes[s] = uint16_t(next++);
        if (next == kWriterLimit) {
            sink.put(kClear, standardWidth(next - 1));
            next = kFirstFree;
            std::fill(keys.begin(), keys.end(), -1);
        }
        prefixCode = in[i];
    }
    sink.put(prefixCode, standardWidth(next - 1));
    ++next; // the entry the reader adds on reading that last code
    sink.put(kEnd, standardWidth(next - 1));
    sink.flush();
    return out;
}

} // namespace velvo::imaging

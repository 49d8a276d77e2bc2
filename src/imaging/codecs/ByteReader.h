#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/codecs/Error.h"

namespace velvo::imaging {

// Bounds-checked reading of a file held in memory. Every read past the end throws
// velvo::Error naming the file, so a truncated or lying file can never be read outside
// its buffer.
class ByteReader {
public:
    ByteReader(std::span<const uint8_t> data, std::string name)
        : data_(data), name_(std::move(name)) {}

    size_t size() const { return data_.size(); }
    size_t pos() const { return pos_; }
    size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }
    const std::string& name() const { return name_; }
    std::span<const uint8_t> data() const { return data_; }

    void seek(size_t offset) {
        if (offset > data_.size())
            fail("offset " + std::to_string(offset) + " is past the end of the file");
        pos_ = offset;
    }
    void skip(size_t n) {
        need(n);
        pos_ += n;
    }
    // Throws unless n more bytes are there.
    void need(size_t n) const {
        if (n > remaining())
            fail("truncated file (wanted " + std::to_string(n) + " bytes at offset " +
                 std::to_string(pos_) + ", have " + std::to_string(remaining()) + ")");
    }
    std::span<const uint8_t> bytes(size_t n) {
        need(n);
        auto s = data_.subspan(pos_, n);
        pos_ += n;
        return s;
    }
    uint8_t u8() {
        need(1);
        return data_[pos_++];
    }
    uint16_t u16le() {
        need(2);
        uint16_t v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    uint16_t u16be() {
        need(2);
        uint16_t v = uint16_t((data_[pos_] << 8) | data_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    uint32_t u32le() {
        need(4);
        uint32_t v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 |
                     uint32_t(data_[pos_ + 2]) << 16 | uint32_t(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    uint32_t u32be() {
        need(4);
        uint32_t v = uint32_t(data_[pos_]) << 24 | uint32_t(data_[pos_ + 1]) << 16 |
                     uint32_t(data_[pos_ + 2]) << 8 | uint32_t(data_[pos_ + 3]);
        pos_ += 4;
        return v;
    }
    uint16_t u16(bool bigEndian) { return bigEndian ? u16be() : u16le(); }
    uint32_t u32(bool bigEndian) { return bigEndian ? u32be() : u32le(); }

    [[noreturn]] void fail(const std::string& fault) const { throw Error(name_, fault); }

private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    std::string name_;
};

// Little helpers for writers.
inline void putU16le(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
inline void putU32le(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

} // namespace velvo::imaging

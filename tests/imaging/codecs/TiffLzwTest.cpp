#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imaging/codecs/Error.h"
#include "imaging/codecs/TiffLzw.h"

using namespace velvo::imaging;

namespace {

// Packs codes of the given widths, most (or least) significant bit first.
class CodeWriter {
public:
    explicit CodeWriter(bool msbFirst = true) : msbFirst_(msbFirst) {}
    void put(int code, int width) {
        for (int i = 0; i < width; ++i) {
            const int bit = msbFirst_ ? (code >> (width - 1 - i)) & 1 : (code >> i) & 1;
            if (used_ % 8 == 0)
                bytes_.push_back(0);
            if (bit)
                bytes_.back() |= uint8_t(msbFirst_ ? 0x80 >> (used_ % 8) : 1 << (used_ % 8));
            ++used_;
        }
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    bool msbFirst_;
    std::vector<uint8_t> bytes_;
    size_t used_ = 0;
};

// Codes all 9 bits wide, as they are while the table is small.
std::vector<uint8_t> nineBit(std::initializer_list<int> codes) {
    CodeWriter w;
    for (int c : codes)
        w.put(c, 9);
    return w.bytes();
}

std::vector<uint8_t> decodeAll(const std::vector<uint8_t>& in, size_t capacity,
                               TiffLzwFlavour flavour = TiffLzwFlavour::Standard) {
    std::vector<uint8_t> out(capacity);
    out.resize(decodeTiffLzw(in, out, "t.tif", flavour));
    return out;
}

// A stream of `count` literal codes after one clear; each code after the first adds a table
// entry, and the width grows when the next free entry reaches `first`, `first`*2+1, ...
std::vector<uint8_t> literalStream(const std::vector<uint8_t>& values, bool early, bool msbFirst) {
    CodeWriter w(msbFirst);
    w.put(256, 9);
    int next = 258;
    int width = 9;
    const int steps[3] = {early ? 511 : 512, early ? 1023 : 1024, early ? 2047 : 2048};
    for (size_t i = 0; i < values.size(); ++i) {
        w.put(values[i], width);
        if (i > 0 && next < 4096)
            ++next;
        width = next >= steps[2] ? 12 : next >= steps[1] ? 11 : next >= steps[0] ? 10 : 9;
    }
    w.put(257, width);
    return w.bytes();
}

} // namespace

TEST(TiffLzwTest, DecodesHandMadeStreams) {
    // A, B, then 258, the entry "AB" that reading B added.
    EXPECT_EQ(decodeAll(nineBit({256, 'A', 'B', 258, 257}), 100),
              (std::vector<uint8_t>{'A', 'B', 'A', 'B'}));
    // Codes that are the next free entry: the previous string plus its own first byte.
    EXPECT_EQ(decodeAll(nineBit({256, 'x', 258, 259, 257}), 100), std::vector<uint8_t>(6, 'x'));
    // A clear in the middle empties the table, so 258 is "cd", not "ab".
    EXPECT_EQ(decodeAll(nineBit({256, 'a', 'b', 256, 'c', 'd', 258, 257}), 100),
              (std::vector<uint8_t>{'a', 'b', 'c', 'd', 'c', 'd'}));
    // Data that stops without an end code still gives what it holds.
    EXPECT_EQ(decodeAll(nineBit({256, 'q', 'r'}), 100), (std::vector<uint8_t>{'q', 'r'}));
}

TEST(TiffLzwTest, WidensCodesEarlyAt511And1023And2047) {
    std::vector<uint8_t> values(3500);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = uint8_t(i * 7 + i / 256);
    EXPECT_EQ(decodeAll(literalStream(values, true, true), 10000), values);

    // The same codes widened one entry late are not a valid standard stream: they decode to
    // something else or fail, but never to the same bytes.
    const std::vector<uint8_t> late = literalStream(values, false, true);
    try {
        EXPECT_NE(decodeAll(late, 10000), values);
    } catch (const velvo::Error&) {
    }
}

TEST(TiffLzwTest, ReadsOldStyleLeastSignificantBitFirst) {
    std::vector<uint8_t> values(2500);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = uint8_t(255 - i % 251);
    const std::vector<uint8_t> old = literalStream(values, false, false);
    EXPECT_EQ(detectTiffLzwFlavour(old), TiffLzwFlavour::OldStyle);
    EXPECT_EQ(decodeAll(old, 10000, TiffLzwFlavour::OldStyle), values);
    EXPECT_EQ(detectTiffLzwFlavour(literalStream(values, true, true)), TiffLzwFlavour::Standard);
}

TEST(TiffLzwTest, EncoderRoundTrips) {
    std::mt19937 rng(7);
    std::vector<std::vector<uint8_t>> inputs = {{}, {42}, {1, 2}, std::vector<uint8_t>(300000, 0)};
    std::vector<uint8_t> noise(200000);
    for (auto& b : noise)
        b = uint8_t(rng());
    inputs.push_back(noise); // fills the table again and again: many clears at 12 bits
    std::vector<uint8_t> ramp(100000);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = uint8_t((i / 3) % 256 ^ (i % 97));
    inputs.push_back(ramp);
    for (const auto& in : inputs) {
        const std::vector<uint8_t> coded = encodeTiffLzw(in);
        ASSERT_GE(coded.size(), 2u);
        EXPECT_EQ(coded[0], 0x80) << "starts with a clear code";
        EXPECT_EQ(decodeAll(coded, in.size() + 10), in) << "size " << in.size();
    }
    EXPECT_LT(encodeTiffLzw(inputs[3]).size(), 3000u) << "runs compress";
}

TEST(TiffLzwTest, NeverWritesPastTheOutput) {
    const std::vector<uint8_t> coded = encodeTiffLzw(std::vector<uint8_t>(5000, 9));
    for (size_t cap : {0u, 1u, 99u, 100u, 4999u}) {
        std::vector<uint8_t> buffer(cap + 64, 0xEE);
        const size_t n = decodeTiffLzw(coded, std::span<uint8_t>(buffer.data(), cap), "t.tif");
        EXPECT_EQ(n, cap);
        for (size_t i = 0; i < cap; ++i)
            ASSERT_EQ(buffer[i], 9);
        for (size_t i = cap; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], 0xEE) << "guard byte " << i << " overwritten, cap " << cap;
    }
}

TEST(TiffLzwTest, RejectsBadCodes) {
    // Code 300 while the next free entry is 259.
    EXPECT_THROW(decodeAll(nineBit({256, 'a', 'b', 300, 257}), 100), velvo::Error);

    // A string code while the table is empty.
    EXPECT_THROW(decodeAll(nineBit({256, 258, 257}), 100), velvo::Error);

    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) { // garbage: an error or some bytes, bounded
        std::vector<uint8_t> junk(1 + rng() % 400);
        for (auto& b : junk)
            b = uint8_t(rng());
        try {
            EXPECT_LE(decodeAll(junk, 1000).size(), 1000u);
        } catch (const velvo::Error& e) {
            EXPECT_NE(std::string(e.what()).find("t.tif"), std::string::npos);
        }
    }
}

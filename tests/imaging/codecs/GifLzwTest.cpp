#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "imaging/codecs/GifLzw.h"

using namespace velvo::imaging::gif;

namespace {

// Packs (code, width) pairs least significant bit first.
std::vector<uint8_t> pack(const std::vector<std::pair<unsigned, unsigned>>& codes) {
    std::vector<uint8_t> out;
    uint64_t acc = 0;
    unsigned n = 0;
    for (auto [code, width] : codes) {
        acc |= uint64_t(code) << n;
        for (n += width; n >= 8; n -= 8, acc >>= 8)
            out.push_back(uint8_t(acc));
    }
    if (n)
        out.push_back(uint8_t(acc));
    return out;
}

// A plain textbook encoder, written independently of ours. With deferClear it never clears:
// once the table is full it keeps coding with the frozen table at 12 bits.
std::vector<uint8_t> referenceEncode(const std::vector<uint8_t>& in, int m, bool deferClear) {
    const unsigned clear = 1u << m, eoi = clear + 1;
    std::vector<std::pair<unsigned, unsigned>> codes;
    std::map<std::vector<uint8_t>, unsigned> dict;
    unsigned width = m + 1, next = eoi + 1;
    auto reset = [&] {
        dict.clear();
        for (unsigned i = 0; i < clear; ++i)
            dict[{uint8_t(i)}] = i;
        width = m + 1;
        next = eoi + 1;
    };
    reset();
    codes.push_back({clear, width});
    std::vector<uint8_t> cur;
    for (uint8_t c : in) {
        std::vector<uint8_t> ext = cur;
        ext.push_back(c);
        if (cur.empty() || dict.count(ext)) {
            cur = ext;
            continue;
        }
        codes.push_back({dict[cur], width});
        if (next < 4096) {
            if (next == (1u << width) && width < 12)
                ++width;
            dict[ext] = next++;
        } else if (!deferClear) {
            codes.push_back({clear, width});
            reset();
        }
        cur = {c};
    }
    if (!cur.empty()) {
        codes.push_back({dict[cur], width});
        if (next == (1u << width) && width < 12)
            ++width;
    }
    codes.push_back({eoi, width});
    return pack(codes);
}

// A textbook decoder holding every string, for checking our encoder apart from our decoder.
std::vector<uint8_t> referenceDecode(const std::vector<uint8_t>& data, int m) {
    const unsigned clear = 1u << m, eoi = clear + 1;
    std::vector<std::vector<uint8_t>> table;
    unsigned width = m + 1;
    size_t bitPos = 0;
    std::vector<uint8_t> out, prev;
    auto reset = [&] {
        table.assign(eoi + 1, {});
        for (unsigned i = 0; i < clear; ++i)
            table[i] = {uint8_t(i)};
        width = m + 1;
        prev.clear();
    };
    reset();
    while (bitPos + width <= data.size() * 8) {
        unsigned code = 0;
        for (unsigned i = 0; i < width; ++i, ++bitPos)
            code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1u) << i;
        if (code == clear) {
            reset();
            continue;
        }
        if (code == eoi)
            break;
        std::vector<uint8_t> s;
        if (code < table.size() && !table[code].empty() && code != clear && code != eoi)
            s = table[code];
        else if (code == table.size() && !prev.empty())
            s = prev, s.push_back(prev[0]);
        else
            ADD_FAILURE() << "bad code " << code;
        if (!prev.empty() && table.size() < 4096) {
            auto e = prev;
            e.push_back(s[0]);
            table.push_back(e);
            if (table.size() == (1u << width) && width < 12)
                ++width;
        }
        out.insert(out.end(), s.begin(), s.end());
        prev = s;
    }
    return out;
}

std::vector<uint8_t> sample(size_t n, unsigned alphabet, unsigned runiness, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    uint8_t cur = 0;
    for (auto& x : v) {
        if (rng() % (runiness + 1) == 0)
            cur = uint8_t(rng() % alphabet);
        x = cur;
    }
    return v;
}

std::vector<uint8_t> decodeAll(const std::vector<uint8_t>& codes, int m, size_t size,
                               LzwStop expected = LzwStop::EndCode) {
    std::vector<uint8_t> out(size);
    LzwResult r = lzwDecode(codes, m, out);
    EXPECT_EQ(int(r.stop), int(expected));
    out.resize(r.produced);
    return out;
}

} // namespace

TEST(GifLzw, DecodesReferenceStreamsOfEveryCodeSize) {
    for (int m = 2; m <= 8; ++m) {
        for (unsigned runiness : {0u, 3u, 40u}) {
            auto in = sample(20000, 1u << m, runiness, uint32_t(m * 100 + runiness));
            SCOPED_TRACE("code size " + std::to_string(m) + " runiness " +
                         std::to_string(runiness));
            EXPECT_EQ(decodeAll(referenceEncode(in, m, false), m, in.size()), in);
        }
    }
}

TEST(GifLzw, FullTableStaysAtTwelveBitsUntilAClear) {
    // Random bytes fill the table quickly; the deferred-clear stream then codes tens of
    // thousands of bytes with the frozen table.
    for (int m : {2, 8}) {
        auto in = sample(60000, 1u << m, 1, 7u + m);
        EXPECT_EQ(decodeAll(referenceEncode(in, m, true), m, in.size()), in);
    }
}

TEST(GifLzw, EncoderOutputDecodesWithReferenceAndOurs) {
    for (int m = 2; m <= 8; ++m) {
        for (size_t n : {size_t(0), size_t(1), size_t(2), size_t(5000), size_t(70000)}) {
            auto in = sample(n, 1u << m, unsigned(n % 7), uint32_t(n + m));
            auto codes = lzwEncode(in, m);
            SCOPED_TRACE("code size " + std::to_string(m) + " length " + std::to_string(n));
            EXPECT_EQ(referenceDecode(codes, m), in);
            EXPECT_EQ(decodeAll(codes, m, n), in);
        }
    }
    // Long runs make strings up to the longest the table allows.
    std::vector<uint8_t> run(3'000'000, 1);
    EXPECT_EQ(decodeAll(lzwEncode(run, 2), 2, run.size()), run);
}

TEST(GifLzw, SelfReferencingCode) {
    // clear, 0, then 6: the code being defined (0 followed by its own first byte).
    auto codes = pack({{4, 3}, {0, 3}, {6, 3}, {5, 3}});
    EXPECT_EQ(decodeAll(codes, 2, 16), (std::vector<uint8_t>{0, 0, 0}));
}

TEST(GifLzw, RejectsCodesAboveTheNextFreeOne) {
    std::vector<uint8_t> out(16);
    LzwResult r = lzwDecode(pack({{4, 3}, {1, 3}, {7, 3}}), 2, out);
    EXPECT_EQ(r.stop, LzwStop::BadCode);
    EXPECT_EQ(r.badCode, 7u);
    EXPECT_EQ(r.nextFree, 6u);
    EXPECT_EQ(r.produced, 1u);
    // A table code straight after a clear, when the table is empty.
    r = lzwDecode(pack({{4, 3}, {6, 3}}), 2, out);
    EXPECT_EQ(r.stop, LzwStop::BadCode);
    // With code size 9 a literal above 255 cannot be a byte.
    r = lzwDecode(pack({{512, 10}, {300, 10}}), 9, out);
    EXPECT_EQ(r.stop, LzwStop::BadCode);
    EXPECT_EQ(r.badCode, 300u);
}

TEST(GifLzw, StopsCleanlyWhenOutputOrDataRunsOut) {
    auto in = sample(10000, 16, 5, 3);
    auto codes = lzwEncode(in, 4);
    // Output smaller than the data, at many sizes so that the cut falls inside strings.
    for (size_t cap = 0; cap < 300; cap += 7) {
        std::vector<uint8_t> out(cap);
        LzwResult r = lzwDecode(codes, 4, out);
        ASSERT_EQ(r.produced, cap);
        EXPECT_TRUE(cap == 0 || std::equal(out.begin(), out.end(), in.begin()));
    }
    // Data cut short: what was decoded is a true prefix.
    for (size_t len = 0; len < codes.size(); len += 97) {
        std::vector<uint8_t> cut(codes.begin(), codes.begin() + ptrdiff_t(len));
        auto got = decodeAll(cut, 4, in.size(), LzwStop::DataExhausted);
        ASSERT_LE(got.size(), in.size());
        EXPECT_TRUE(std::equal(got.begin(), got.end(), in.begin())) << "cut at " << len;
    }
}

TEST(GifLzw, EndlessClearsEndWithTheData) {
    std::vector<std::pair<unsigned, unsigned>> clears(100000, {4, 3});
    auto got = decodeAll(pack(clears), 2, 100, LzwStop::DataExhausted);
    EXPECT_TRUE(got.empty());
}

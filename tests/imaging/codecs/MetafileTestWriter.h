#pragma once
// Writes small WMF and EMF files record by record for the metafile tests and fuzz seeds.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace velvo::testing {

inline void put16(std::vector<uint8_t>& v, int value) {
    v.push_back(uint8_t(value)), v.push_back(uint8_t(value >> 8));
}
inline void put32(std::vector<uint8_t>& v, int64_t value) {
    for (int i = 0; i < 4; ++i)
        v.push_back(uint8_t(value >> (8 * i)));
}
inline uint32_t rgb(int r, int g, int b) {
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}

// A 24-bit packed DIB (info header and bottom-up rows), colours given top row first.
inline std::vector<uint8_t> dib24(int w, int h, const std::vector<uint32_t>& rgbTopDown) {
    std::vector<uint8_t> d;
    put32(d, 40), put32(d, w), put32(d, h), put16(d, 1), put16(d, 24);
    put32(d, 0), put32(d, 0), put32(d, 0), put32(d, 0), put32(d, 0), put32(d, 0);
    for (int y = h - 1; y >= 0; --y) {
        size_t n = 0;
        for (int x = 0; x < w; ++x, n += 3) {
            const uint32_t c = rgbTopDown[size_t(y) * w + x];
            d.push_back(uint8_t(c >> 16)), d.push_back(uint8_t(c >> 8)), d.push_back(uint8_t(c));
        }
        for (; n % 4; ++n)
            d.push_back(0);
    }
    return d;
}

class WmfWriter {
public:
    // Parameters as 16-bit words.
    WmfWriter& rec(uint16_t function, std::initializer_list<int> words) {
        std::vector<uint8_t> p;
        for (int w : words)
            put16(p, w);
        return raw(function, p);
    }
    WmfWriter& raw(uint16_t function, const std::vector<uint8_t>& params) {
        const int64_t words = int64_t(3 + (params.size() + 1) / 2);
        biggest_ = std::max(biggest_, words);
        put32(records_, words);
        put16(records_, function);
        records_.insert(records_.end(), params.begin(), params.end());
        if (params.size() % 2)
            records_.push_back(0);
        return *this;
    }
    WmfWriter& colorRec(uint16_t function, uint32_t color) {
        return rec(function, {int(color & 0xFFFF), int(color >> 16)});
    }
    WmfWriter& pen(int style, int width, uint32_t color) {
        return rec(0x02FA, {style, width, 0, int(color & 0xFFFF), int(color >> 16)});
    }
    WmfWriter& brush(int style, uint32_t color, int hatch = 0) {
        return rec(0x02FC, {style, int(color & 0xFFFF), int(color >> 16), hatch});
    }
    WmfWriter& select(int index) { return rec(0x012D, {index}); }
    WmfWriter& rect(int l, int t, int r, int b) { return rec(0x041B, {b, r, t, l}); }
    WmfWriter& ellipse(int l, int t, int r, int b) { return rec(0x0418, {b, r, t, l}); }
    WmfWriter& polygon(std::initializer_list<int> xy) {
        std::vector<uint8_t> p;
        put16(p, int(xy.size() / 2));
        for (int v : xy)
            put16(p, v);
        return raw(0x0324, p);
    }
    WmfWriter& window(int x, int y, int w, int h) {
        rec(0x020B, {y, x});
        return rec(0x020C, {h, w});
    }

    // The file with a placeable header when inch > 0.
    std::vector<uint8_t> file(int objects, int left = 0, int top = 0, int right = 0, int bottom = 0,
                              int inch = 0) const {
        std::vector<uint8_t> f;
        if (inch > 0) {
            put32(f, 0x9AC6CDD7), put16(f, 0);
            put16(f, left), put16(f, top), put16(f, right), put16(f, bottom), put16(f, inch);
            put32(f, 0);
            uint16_t sum = 0;
            for (size_t i = 0; i < 20; i += 2)
                sum ^= uint16_t(f[i] | f[i + 1] << 8);
            put16(f, sum);
        }
        const size_t words = 9 + records_.size() / 2 + 3;
        put16(f, 1), put16(f, 9), put16(f, 0x0300), put32(f, int64_t(words)), put16(f, objects);
        put32(f, biggest_), put16(f, 0);
        f.insert(f.end(), records_.begin(), records_.end());
        put32(f, 3), put16(f, 0); // EOF
        return f;
    }

private:
    std::vector<uint8_t> records_;
    int64_t biggest_ = 3;
};

class EmfWriter {
public:
    EmfWriter& rec(uint32_t type, std::initializer_list<int64_t> dwords) {
        std::vector<uint8_t> p;
        for (int64_t d : dwords)
            put32(p, d);
        return raw(type, p);
    }
    EmfWriter& raw(uint32_t type, std::vector<uint8_t> params) {
        while (params.size() % 4)
            params.push_back(0);
        put32(records_, type), put32(records_, int64_t(params.size() + 8));
        records_.insert(records_.end(), params.begin(), params.end());
        ++count_;
        return *this;
    }
    EmfWriter& brush(int index, int style, uint32_t color, int hatch = 0) {
        return rec(39, {index, style, color, hatch});
    }
    EmfWriter& pen(int index, int style, int width, uint32_t color) {
        return rec(38, {index, style, width, 0, color});
    }
    EmfWriter& select(int64_t handle) { return rec(37, {handle}); }
    EmfWriter& rect(int l, int t, int r, int b) { return rec(43, {l, t, r, b}); }
    EmfWriter& ellipse(int l, int t, int r, int b) { return rec(42, {l, t, r, b}); }
    EmfWriter& polygon(std::initializer_list<int> xy) {
        std::vector<uint8_t> p;
        put32(p, 0), put32(p, 0), put32(p, 0), put32(p, 0);
        put32(p, int64_t(xy.size() / 2));
        for (int v : xy)
            put32(p, v);
        return raw(3, p);
    }
    EmfWriter& xformRec(uint32_t type, float m11, float m12, float m21, float m22, float dx, float dy,
                        int mode = -1) {
        std::vector<uint8_t> p;
        for (float f : {m11, m12, m21, m22, dx, dy}) {
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            put32(p, bits);
        }
        if (mode >= 0)
            put32(p, mode);
        return raw(type, p);
    }

    // Bounds in device pixels, frame in 0.01 mm; the reference device is 96 dpi
    // (1000 x 1000 pixels on 264.58 x 264.58 mm, given as whole millimetres in the header).
    std::vector<uint8_t> file(int handles, std::initializer_list<int> bounds,
                              std::initializer_list<int> frame, int devicePx = 960, int deviceMm = 254) const {
        std::vector<uint8_t> f;
        put32(f, 1), put32(f, 88);
        for (int v : bounds)
            put32(f, v);
        for (int v : frame)
            put32(f, v);
        put32(f, 0x464D4520), put32(f, 0x10000);
        put32(f, int64_t(88 + records_.size() + 20));
        put32(f, int64_t(count_ + 2));
        put16(f, handles), put16(f, 0);
        put32(f, 0), put32(f, 0), put32(f, 0);
        put32(f, devicePx), put32(f, devicePx), put32(f, deviceMm), put32(f, deviceMm);
        f.insert(f.end(), records_.begin(), records_.end());
        put32(f, 14), put32(f, 20), put32(f, 0), put32(f, 16), put32(f, 20); // EOF
        return f;
    }

private:
    std::vector<uint8_t> records_;
    int count_ = 0;
};

} // namespace velvo::testing

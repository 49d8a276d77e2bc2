#pragma once
// Hand-made TIFF files for the reader's tests: any field, any lie.
#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

namespace velvo::imaging::tifftest {

class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian = false) : be_(bigEndian) {}

    // type 3 SHORT, 4 LONG, 5 RATIONAL (values in pairs), 1 BYTE.
    TiffBuilder& field(uint16_t tag, uint16_t type, std::vector<uint32_t> values) {
        fields_[tag] = {type, std::move(values)};
        return *this;
    }
    TiffBuilder& remove(uint16_t tag) {
        fields_.erase(tag);
        return *this;
    }
    // Strip (or tile) data; StripOffsets/StripByteCounts are filled in unless set by field().
    TiffBuilder& strip(std::vector<uint8_t> bytes) {
        strips_.push_back(std::move(bytes));
        return *this;
    }
    TiffBuilder& tiled(bool on) {
        tiled_ = on;
        return *this;
    }
    TiffBuilder& nextIfd(uint32_t offset) {
        next_ = offset;
        nextSet_ = true;
        return *this;
    }

    std::vector<uint8_t> build() const {
        std::vector<uint8_t> out;
        put(out, be_ ? 0x4D4D : 0x4949, 2);
        put(out, 42, 2);
        put(out, 0, 4); // patched below
        std::vector<uint32_t> offsets, counts;
        for (const auto& s : strips_) {
            offsets.push_back(uint32_t(out.size()));
            counts.push_back(uint32_t(s.size()));
            out.insert(out.end(), s.begin(), s.end());
            if (out.size() % 2)
                out.push_back(0);
        }
        auto fields = fields_;
        const uint16_t offTag = tiled_ ? 324 : 273, countTag = tiled_ ? 325 : 279;
        if (!fields.count(offTag))
            fields[offTag] = {4, offsets};
        if (!fields.count(countTag))
            fields[countTag] = {4, counts};
        const uint32_t ifd = uint32_t(out.size());
        patch(out, 4, ifd);
        put(out, uint32_t(fields.size()), 2);
        uint32_t valueAt = ifd + 2 + uint32_t(fields.size()) * 12 + 4;
        std::vector<uint8_t> values;
        for (const auto& [tag, f] : fields) {
            const uint32_t size = f.type == 3 ? 2 : f.type == 1 ? 1 : 4;
            const uint32_t count = uint32_t(f.type == 5 ? f.values.size() / 2 : f.values.size());
            put(out, tag, 2);
            put(out, f.type, 2);
            put(out, count, 4);
            std::vector<uint8_t> bytes;
            for (uint32_t v : f.values)
                put(bytes, v, size);
            if (bytes.size() <= 4) {
                bytes.resize(4, 0);
                out.insert(out.end(), bytes.begin(), bytes.end());
            } else {
                put(out, valueAt + uint32_t(values.size()), 4);
                values.insert(values.end(), bytes.begin(), bytes.end());
            }
        }
        put(out, nextSet_ ? next_ : 0, 4);
        out.insert(out.end(), values.begin(), values.end());
        return out;
    }

private:
    struct Field {
        uint16_t type;
        std::vector<uint32_t> values;
    };
    void put(std::vector<uint8_t>& out, uint32_t v, uint32_t size) const {
        for (uint32_t i = 0; i < size; ++i)
            out.push_back(uint8_t(be_ ? v >> (8 * (size - 1 - i)) : v >> (8 * i)));
    }
    void patch(std::vector<uint8_t>& out, size_t at, uint32_t v) const {
        std::vector<uint8_t> b;
        put(b, v, 4);
        std::copy(b.begin(), b.end(), out.begin() + ptrdiff_t(at));
    }

    bool be_;
    std::map<uint16_t, Field> fields_;
    std::vector<std::vector<uint8_t>> strips_;
    bool tiled_ = false;
    uint32_t next_ = 0;
    bool nextSet_ = false;
};

// A width x height 8-bit picture description: photometric, samples per pixel, bits.
inline TiffBuilder basicTiff(uint32_t width, uint32_t height, uint32_t photometric, uint32_t spp,
                             uint32_t bits, bool bigEndian = false) {
    TiffBuilder b(bigEndian);
    b.field(256, 4, {width}).field(257, 4, {height}).field(262, 3, {photometric});
    b.field(258, 3, std::vector<uint32_t>(spp, bits)).field(277, 3, {spp}).field(259, 3, {1});
    return b;
}

} // namespace velvo::imaging::tifftest

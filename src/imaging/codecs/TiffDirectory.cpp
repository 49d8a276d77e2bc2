#include "imaging/codecs/TiffDirectory.h"

#include "imaging/codecs/ByteReader.h"

namespace velvo::imaging::tiff {

namespace {

// Bytes per value of each field type, 0 for types this reader does not know.
uint64_t typeSize(uint16_t type) {
    switch (type) {
    case 1:
    case 2:
    case 6:
    case 7:
        return 1; // BYTE, ASCII, SBYTE, UNDEFINED
    case 3:
    case 8:
        return 2; // SHORT, SSHORT
    case 4:
    case 9:
    case 11:
    case 13:
        return 4; // LONG, SLONG, FLOAT, IFD
    case 5:
    case 10:
    case 12:
        return 8; // RATIONAL, SRATIONAL, DOUBLE
    default:
        return 0;
    }
}

} // namespace

Directory::Directory(std::span<const uint8_t> data, std::string name)
    : data_(data), name_(std::move(name)) {
    ByteReader r(data_, name_);
    if (data_.size() < 8)
        r.fail("not a TIFF file (too short for the header)");
    if (data_[0] == 'I' && data_[1] == 'I')
        bigEndian_ = false;
    else if (data_[0] == 'M' && data_[1] == 'M')
        bigEndian_ = true;
    else
        r.fail("not a TIFF file (no byte-order mark)");
    r.seek(2);
    const uint16_t magic = r.u16(bigEndian_);
    if (magic == 43)
        r.fail("BigTIFF files are not supported");
    if (magic != 42)
        r.fail("not a TIFF file (version " + std::to_string(magic) + " instead of 42)");
    const uint32_t ifd = r.u32(bigEndian_);
    if (ifd < 8 || uint64_t(ifd) + 2 > data_.size())
        r.fail("first directory offset " + std::to_string(ifd) + " is outside the file");
    r.seek(ifd);
    const uint16_t count = r.u16(bigEndian_);
    if (count == 0)
        r.fail("the first directory has no entries");
    if (uint64_t(count) * 12 > r.remaining())
        r.fail("the first directory (" + std::to_string(count) +
               " entries) runs past the end of the file");
    for (uint16_t i = 0; i < count; ++i) {
        const size_t at = r.pos();
        Entry e;
        const uint16_t tag = r.u16(bigEndian_);
        e.type = r.u16(bigEndian_);
        e.count = r.u32(bigEndian_);
        e.bytes = uint64_t(e.count) * typeSize(e.type); // at most 2^32 * 8, no overflow
        e.offset = e.bytes <= 4 ? at + 8 : r.u32(bigEndian_);
        r.seek(at + 12);
        // Unknown types are skipped; of repeated tags the first counts.
        if (typeSize(e.type) != 0)
            entries_.emplace(tag, e);
    }
    // Only IFD 0 is read, so the chain of further directories (even a cyclic one) is ignored.
}

std::vector<uint32_t> Directory::values(uint16_t tag) const {
    auto it = entries_.find(tag);
    if (it == entries_.end())
        return {};
    const Entry& e = it->second;
    const std::string what = "tag " + std::to_string(tag);
    if (e.offset > data_.size() || e.bytes > data_.size() - e.offset)
        throw Error(name_, what + " data (" + std::to_string(e.bytes) + " bytes at offset " +
                               std::to_string(e.offset) + ") is past the end of the file");
    ByteReader r(data_, name_);
    r.seek(size_t(e.offset));
    std::vector<uint32_t> out;
    out.reserve(e.count);
    for (uint32_t i = 0; i < e.count; ++i) {
        switch (e.type) {
        case 1:
        case 6:
            out.push_back(r.u8());
            break;
        case 3:
        case 8:
            out.push_back(r.u16(bigEndian_));
            break;
        case 4:
        case 9:
            out.push_back(r.u32(bigEndian_));
            break;
        default:
            throw Error(name_, what + " has field type " + std::to_string(e.type) +
                                   " where an integer is expected");
        }
    }
    return out;
}

uint32_t Directory::value(uint16_t tag, uint32_t fallback) const {
    const std::vector<uint32_t> v = values(tag);
    return v.empty() ? fallback : v[0];
}

uint32_t Directory::required(uint16_t tag, const char* what) const {
    const std::vector<uint32_t> v = values(tag);
    if (v.empty())
        throw Error(name_, std::string("missing ") + what + " (tag " + std::to_string(tag) + ")");
    return v[0];
}

} // namespace velvo::imaging::tiff

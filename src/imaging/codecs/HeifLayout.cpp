#include "imaging/codecs/HeifLayout.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/Raster.h"

namespace velvo::imaging::heif {

namespace {

using Bytes = std::span<const uint8_t>;

struct Box {
    std::string_view type;
    Bytes body;
};

struct Size {
    uint64_t width = 0, height = 0;
};

std::string text(const Size& s) {
    return std::to_string(s.width) + "x" + std::to_string(s.height);
}

// The boxes lying one after another in `span`. With `lenient`, a box running past the end
// ends the list (a file cut short in its picture data still has its description); otherwise
// it is a fault.
std::vector<Box> boxesIn(Bytes span, const std::string& name, bool lenient = false) {
    std::vector<Box> boxes;
    size_t at = 0;
    while (span.size() - at >= 8) {
        ByteReader r(span.subspan(at), name);
        uint64_t size = r.u32be();
        const std::string_view type(reinterpret_cast<const char*>(span.data() + at + 4), 4);
        r.skip(4);
        if (size == 1) {
            if (r.remaining() < 8)
                break;
            size = uint64_t(r.u32be()) << 32;
            size |= r.u32be();
        } else if (size == 0) {
            size = span.size() - at;
        }
        if (size < r.pos() || size > span.size() - at) {
            if (lenient)
                break;
            throw Error(name, "damaged HEIF file: the '" + std::string(type) + "' box at offset " +
                                  std::to_string(at) + " runs past the box that holds it");
        }
        boxes.push_back({type, span.subspan(at + r.pos(), size_t(size) - r.pos())});
        at += size_t(size);
    }
    return boxes;
}

uint64_t uintOf(ByteReader& r, unsigned bytes) {
    uint64_t v = 0;
    for (unsigned i = 0; i < bytes; ++i)
        v = v << 8 | r.u8();
    return v;
}

struct Extent {
    uint64_t offset = 0, length = 0;
};
struct Location {
    unsigned method = 0; // 0: in the file, 1: in the 'idat' box
    std::vector<Extent> extents;
};

// What the 'meta' box says about its items.
struct Items {
    std::map<uint32_t, std::string> types;
    std::map<uint32_t, Location> locations;
    std::map<uint32_t, std::vector<uint32_t>> tiles; // 'dimg' references
    std::vector<std::optional<Size>> properties;     // 'ipco' children, 'ispe' read
    std::map<uint32_t, std::vector<unsigned>> associations;
    Bytes idat;

    std::optional<Size> declared(uint32_t item) const {
        auto it = associations.find(item);
        if (it == associations.end())
            return std::nullopt;
        for (unsigned index : it->second)
            if (index >= 1 && index <= properties.size() && properties[index - 1])
                return properties[index - 1];
        return std::nullopt;
    }
};

void readItemInfo(ByteReader r, Items& items, const std::string& name) {
    const unsigned version = r.u8();
    r.skip(3);
    r.skip(version == 0 ? 2 : 4);
    for (const Box& infe : boxesIn(r.data().subspan(r.pos()), name)) {
        if (infe.type != "infe")
            continue;
        ByteReader e(infe.body, name);
        const unsigned v = e.u8();
        e.skip(3);
        if (v < 2)
            continue; // no item type in these
        const uint32_t id = v == 2 ? e.u16be() : e.u32be();
        e.skip(2);
        const auto type = e.bytes(4);
        items.types[id] = std::string(type.begin(), type.end());
    }
}

void readLocations(ByteReader r, Items& items) {
    const unsigned version = r.u8();
    r.skip(3);
    const unsigned sizes = r.u16be();
    const unsigned offsetSize = sizes >> 12, lengthSize = sizes >> 8 & 15,
                   baseSize = sizes >> 4 & 15, indexSize = version >= 1 ? sizes & 15 : 0;
    const uint32_t count = version < 2 ? r.u16be() : r.u32be();
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t id = version < 2 ? r.u16be() : r.u32be();
        Location loc;
        if (version >= 1)
            loc.method = r.u16be() & 15;
        r.skip(2); // data reference
        const uint64_t base = uintOf(r, baseSize);
        const unsigned extents = r.u16be();
        for (unsigned k = 0; k < extents; ++k) {
            uintOf(r, indexSize);
            Extent e;
            e.offset = base + uintOf(r, offsetSize);
            e.length = uintOf(r, lengthSize);
            loc.extents.push_back(e);
        }
        items.locations[id] = std::move(loc);
    }
}

void readReferences(ByteReader r, Items& items, const std::string& name) {
    const unsigned version = r.u8();
    r.skip(3);
    for (const Box& ref : boxesIn(r.data().subspan(r.pos()), name)) {
        if (ref.type != "dimg")
            continue;
        ByteReader e(ref.body, name);
        const uint32_t from = version == 0 ? e.u16be() : e.u32be();
        const unsigned count = e.u16be();
        std::vector<uint32_t>& to = items.tiles[from];
        for (unsigned k = 0; k < count; ++k)
            to.push_back(version == 0 ? e.u16be() : e.u32be());
    }
}

void readProperties(Bytes iprp, Items& items, const std::string& name) {
    for (const Box& box : boxesIn(iprp, name)) {
        if (box.type == "ipco") {
            for (const Box& p : boxesIn(box.body, name)) {
                std::optional<Size> size;
                if (p.type == "ispe") {
                    ByteReader e(p.body, name);
                    e.skip(4);
                    size = Size{e.u32be(), 0};
                    size->height = e.u32be();
                    checkPictureSize(int64_t(size->width), int64_t(size->height), name);
                }
                items.properties.push_back(size);
            }
        } else if (box.type == "ipma") {
            ByteReader r(box.body, name);
            const unsigned version = r.u8();
            r.skip(2);
            const bool wide = r.u8() & 1;
            const uint32_t count = r.u32be();
            for (uint32_t i = 0; i < count; ++i) {
                const uint32_t id = version < 1 ? r.u16be() : r.u32be();
                const unsigned n = r.u8();
                std::vector<unsigned>& to = items.associations[id];
                for (unsigned k = 0; k < n; ++k)
                    to.push_back(wide ? r.u16be() & 0x7FFF : r.u8() & 0x7F);
            }
        }
    }
}

// The first `want` bytes of an item's data (fewer when it has fewer).
std::vector<uint8_t> itemData(const Items& items, uint32_t item, size_t want, Bytes file,
                              const std::string& name) {
    auto it = items.locations.find(item);
    if (it == items.locations.end())
        throw Error(name, "damaged HEIF file: item " + std::to_string(item) + " has no data");
    const Location& loc = it->second;
    if (loc.method > 1)
        throw Error(name, "HEIF item " + std::to_string(item) + " is stored in an unsupported way");
    const Bytes source = loc.method == 0 ? file : items.idat;
    std::vector<uint8_t> out;
    for (const Extent& e : loc.extents) {
        if (out.size() >= want)
            break;
        if (e.offset > source.size() || e.length > source.size() - e.offset)
            throw Error(name, "damaged HEIF file: the data of item " + std::to_string(item) +
                                  " lies past the end of the file");
        const size_t length = e.length == 0 ? source.size() - e.offset : size_t(e.length);
        const size_t take = std::min(length, want - out.size());
        out.insert(out.end(), source.begin() + ptrdiff_t(e.offset),
                   source.begin() + ptrdiff_t(e.offset + take));
    }
    return out;
}

void checkDerived(const Items& items, uint32_t item, bool grid, Bytes file,
                  const std::string& name) {
    const std::string what = (grid ? "grid item " : "overlay item ") + std::to_string(item);
    const std::vector<uint8_t> bytes = itemData(items, item, 20, file, name);
    ByteReader r(bytes, name);
    Size output;
    unsigned rows = 0, columns = 0;
    try {
        r.skip(1);
        const unsigned fieldBytes = (r.u8() & 1) ? 4 : 2;
        if (grid) {
            rows = r.u8() + 1u;
            columns = r.u8() + 1u;
        } else {
            r.skip(8); // the canvas fill colour
        }
        output.width = uintOf(r, fieldBytes);
        output.height = uintOf(r, fieldBytes);
    } catch (const Error&) {
        throw Error(name, "damaged HEIF file: the description of " + what + " is cut short");
    }
    // The output is not compared with the item's own 'ispe': libheif itself writes a turned
    // grid's 'ispe' turned. The tiles must make the output instead.
    checkPictureSize(int64_t(output.width), int64_t(output.height), name);
    if (!grid)
        return;
    auto refs = items.tiles.find(item);
    const size_t tiles = refs == items.tiles.end() ? 0 : refs->second.size();
    if (tiles != size_t(rows) * columns)
        throw Error(name, "damaged HEIF file: " + what + " has " + std::to_string(tiles) +
                              " tiles for " + std::to_string(rows) + "x" + std::to_string(columns));
    const std::optional<Size> tile = items.declared(refs->second.front());
    if (!tile)
        throw Error(name, "damaged HEIF file: the tiles of " + what + " declare no size");
    const uint64_t area = output.width * output.height;
    if (tile->width * columns < output.width || tile->height * rows < output.height ||
        tile->width * tile->height * tiles > std::max<uint64_t>(4 * area, 1 << 20))
        throw Error(name, "damaged HEIF file: " + std::to_string(columns) + "x" +
                              std::to_string(rows) + " tiles of " + text(*tile) +
                              " do not make the " + text(output) + " picture of " + what);
}

} // namespace

void checkDeclaredSizes(Bytes data, const std::string& name) {
    for (const Box& meta : boxesIn(data, name, true)) {
        if (meta.type != "meta" || meta.body.size() < 4)
            continue;
        Items items;
        const std::vector<Box> boxes = boxesIn(meta.body.subspan(4), name);
        for (const Box& box : boxes) {
            // A field read past its box's end is named after the box.
            try {
                if (box.type == "iinf")
                    readItemInfo(ByteReader(box.body, name), items, name);
                else if (box.type == "iloc")
                    readLocations(ByteReader(box.body, name), items);
                else if (box.type == "iref")
                    readReferences(ByteReader(box.body, name), items, name);
                else if (box.type == "iprp")
                    readProperties(box.body, items, name);
                else if (box.type == "idat")
                    items.idat = box.body;
            } catch (const Error& e) {
                if (e.fault().rfind("truncated file", 0) != 0)
                    throw;
                throw Error(name, "damaged HEIF file: the '" + std::string(box.type) +
                                      "' box is cut short");
            }
        }
        for (const auto& [item, type] : items.types)
            if (type == "grid" || type == "iovl")
                checkDerived(items, item, type == "grid", data, name);
        return;
    }
}

} // namespace velvo::imaging::heif

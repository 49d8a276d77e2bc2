// The Windows Metafile reader: 16-bit records of (size in words, function, parameters).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/MetafileDc.h"
#include "imaging/codecs/MetafileReader.h"

namespace velvo::imaging {

namespace {

using metafile::ArcKind;
using metafile::Dc;
using metafile::Point;

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

// The parameters of one record; every read past them is a record lying about its size.
class Params {
public:
    Params(Bytes data, const Dc& dc, uint16_t function, size_t offset)
        : data_(data), dc_(dc), function_(function), offset_(offset) {}
    size_t size() const { return data_.size(); }
    size_t remaining() const { return data_.size() - pos_; }
    void need(size_t n) const {
        if (n > remaining())
            dc_.fail("record 0x" + hex(function_) + " at offset " + std::to_string(offset_) +
                     " is too short for its contents");
    }
    uint16_t u16() {
        need(2);
        const uint16_t v = uint16_t(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    int16_t i16() { return int16_t(u16()); }
    uint32_t u32() {
        const uint32_t lo = u16();
        return lo | uint32_t(u16()) << 16;
    }
    Bytes bytes(size_t n) {
        need(n);
        Bytes b = data_.subspan(pos_, n);
        pos_ += n;
        return b;
    }
    Bytes rest() { return bytes(remaining()); }
    Point point() { // stored y first in most records: callers say which
        const double x = i16();
        return {x, double(i16())};
    }
    // The rectangle records store bottom, right, top, left.
    std::array<double, 4> rectBrtl() {
        const double b = i16(), r = i16(), t = i16(), l = i16();
        return {l, t, r, b};
    }

private:
    static std::string hex(uint16_t v) {
        static const char digits[] = "0123456789ABCDEF";
        std::string s(4, '0');
        for (int i = 3; i >= 0; --i, v >>= 4)
            s[i] = digits[v & 15];
        return s;
    }
    Bytes data_;
    const Dc& dc_;
    uint16_t function_;
    size_t offset_;
    size_t pos_ = 0;
};

std::u16string latin1(Bytes b) {
    std::u16string s;
    s.reserve(b.size());
    for (uint8_t c : b) {
        if (c == 0)
            break;
        s.push_back(char16_t(c));
    }
    return s;
}

// Points stored x, y.
std::vector<Point> points(Params& p, size_t count) {
    p.need(count * 4);
    std::vector<Point> pts(count);
    for (Point& pt : pts) {
        pt.x = p.i16();
        pt.y = p.i16();
    }
    return pts;
}

void dibImage(Dc& dc, Params& p, int srcX, int srcY, int srcW, int srcH, double x, double y,
              double w, double h, uint32_t rop, bool srcFromBottom) {
    Bytes dib = p.rest();
    if (dib.size() < 4)
        return dc.skipRecord();
    const uint32_t headerSize = uint32_t(dib[0] | dib[1] << 8 | dib[2] << 16) | uint32_t(dib[3]) << 24;
    if (headerSize > dib.size())
        return dc.skipRecord();
    try {
        // The BMP reader finds where the colour table ends and the bits begin.
        Raster picture = metafile::decodeDib(dib, {}, dc.name());
        if (!dc.spendDecode(int64_t(picture.width) * picture.height))
            return dc.skipRecord();
        if (srcFromBottom && metafile::dibBottomUp(dib))
            srcY = picture.height - srcY - srcH;
        dc.image(picture, srcX, srcY, srcW, srcH, x, y, w, h, rop);
    } catch (const Error&) {
        dc.skipRecord();
    }
}

metafile::LogFont readFont(Params& p) {
    metafile::LogFont f;
    f.height = p.i16();
    f.width = p.i16();
    f.escapement = p.i16();
    p.i16(); // orientation
    f.weight = p.i16();
    const uint16_t italicUnderline = p.u16();
    const uint16_t strikeCharset = p.u16();
    f.italic = (italicUnderline & 0xFF) != 0;
    f.underline = (italicUnderline >> 8) != 0;
    f.strikeOut = (strikeCharset & 0xFF) != 0;
    p.u16(); // precisions
    p.u16(); // quality, pitch and family
    Bytes face = p.bytes(std::min<size_t>(p.remaining(), 32));
    for (uint8_t c : face) {
        if (c == 0)
            break;
        // Face names are ANSI; as UTF-8 for the canvas.
        if (c < 0x80) {
            f.face.push_back(char(c));
        } else {
            f.face.push_back(char(0xC0 | c >> 6));
            f.face.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return f;
}

struct Header {
    bool placeable = false;
    int left = 0, top = 0, right = 0, bottom = 0, inch = 0;
    size_t recordsStart = 0;
    uint16_t objects = 0;
};

Header readHeader(Bytes data, const std::string& name) {
    if (data.size() < 18)
        throw Error(name, "not a Windows metafile (header cut short)");
    ByteReader r(data, name);
    Header h;
    if (data.size() >= 4 && r.u32le() == kPlaceableKey) {
        h.placeable = true;
        r.u16(false); // handle
        h.left = int16_t(r.u16le()), h.top = int16_t(r.u16le());
        h.right = int16_t(r.u16le()), h.bottom = int16_t(r.u16le());
        h.inch = r.u16le();
        r.u32le(); // reserved
        r.u16le(); // checksum
    } else {
        r.seek(0);
    }
    const size_t start = r.pos();
    const uint16_t type = r.u16le();
    const uint16_t headerWords = r.u16le();
    if ((type != 1 && type != 2) || headerWords != 9)
        throw Error(name, "not a Windows metafile (bad header)");
    r.u16le(); // version
    r.u32le(); // size in words: files often get it wrong, the records decide
    h.objects = r.u16le();
    r.u32le(); // largest record
    r.u16le(); // unused
    h.recordsStart = start + 18;
    return h;
}

// Without a placeable header the picture is the window the records set up.
bool findWindowExtent(Bytes data, size_t pos, int& w, int& h) {
    while (pos + 6 <= data.size()) {
        const uint32_t words = uint32_t(data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16) |
                               uint32_t(data[pos + 3]) << 24;
        const uint16_t fn = uint16_t(data[pos + 4] | data[pos + 5] << 8);
        if (words < 3 || words > (data.size() - pos) / 2 || fn == 0)
            return false;
        if (fn == 0x020C && words >= 5) {
            h = std::abs(int(int16_t(data[pos + 6] | data[pos + 7] << 8)));
            w = std::abs(int(int16_t(data[pos + 8] | data[pos + 9] << 8)));
            return w > 0 && h > 0;
        }
        pos += size_t(words) * 2;
    }
    return false;
}

} // namespace

MetafileResult readWmf(Bytes data, const std::string& name, metafile::Canvas& canvas) {
    MetafileResult result;
    const Header header = readHeader(data, name);
    Dc dc(name, canvas, result);
    dc.windowToViewportOnly = true;
    dc.s.mapMode = metafile::MmAnisotropic;
    dc.setTableSize(header.objects);

    int width = 0, height = 0;
    if (header.placeable) {
        if (header.inch == 0)
            throw Error(name, "placeable header gives 0 units per inch");
        const double w = std::abs(double(header.right) - header.left) * 96.0 / header.inch;
        const double h = std::abs(double(header.bottom) - header.top) * 96.0 / header.inch;
        width = std::max(1, int(std::lround(w)));
        height = std::max(1, int(std::lround(h)));
        dc.s.winOrg = {double(header.left), double(header.top)};
        dc.s.winExt = {double(header.right) - header.left, double(header.bottom) - header.top};
    } else {
        int w = 0, h = 0;
        if (!findWindowExtent(data, header.recordsStart, w, h))
            throw Error(name, "metafile without a placeable header sets no window extent");
        const double scale = std::min(1.0, double(kMaxPlainWmfSide) / std::max(w, h));
        width = std::max(1, int(std::lround(w * scale)));
        height = std::max(1, int(std::lround(h * scale)));
        dc.s.winExt = {double(w), double(h)};
    }
    dc.s.vpExt = {double(width), double(height)};
    dc.begin(width, height);

    const int64_t maxRecords = metafileLimits().maxRecords;
    size_t pos = header.recordsStart;
    while (pos < data.size()) {
        if (data.size() - pos < 6)
            throw Error(name, "record at offset " + std::to_string(pos) + " is cut short");
        const uint32_t words = uint32_t(data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16) |
                               uint32_t(data[pos + 3]) << 24;
        const uint16_t fn = uint16_t(data[pos + 4] | data[pos + 5] << 8);
        if (words < 3)
            throw Error(name, "record at offset " + std::to_string(pos) + " gives a size of " +
                                  std::to_string(words) + " words (at least 3)");
        if (words > (data.size() - pos) / 2)
            throw Error(name, "record at offset " + std::to_string(pos) + " runs past the end of the file");
        if (++result.records > maxRecords)
            throw Error(name, "more than " + std::to_string(maxRecords) + " records");
        if (fn == 0x0000)
            break;
        Params p(data.subspan(pos + 6, size_t(words) * 2 - 6), dc, fn, pos);
        pos += size_t(words) * 2;
        dc.startRecord();
        bool known = true;
        auto& s = dc.s;
        switch (fn) {
        case 0x0103: { // SETMAPMODE
            const int mode = p.u16();
            if (mode >= 1 && mode <= 8)
                s.mapMode = mode;
            break;
        }
        case 0x0102: s.bkOpaque = p.u16() == 2; break;
        case 0x0201: s.bkColor = metafile::colorRef(p.u32()); break;
        case 0x0209: s.textColor = metafile::colorRef(p.u32()); break;
        case 0x012E: s.textAlign = p.u16(); break;
        case 0x0106: s.fillRule = p.u16() == 2 ? metafile::FillRule::Winding : metafile::FillRule::Alternate; break;
        case 0x020B: { const double y = p.i16(); s.winOrg = {double(p.i16()), y}; break; }
        case 0x020C: { const double y = p.i16(); s.winExt = {double(p.i16()), y}; break; }
        case 0x020D: { const double y = p.i16(); s.vpOrg = {double(p.i16()), y}; break; }
        case 0x020E: { const double y = p.i16(); s.vpExt = {double(p.i16()), y}; break; }
        case 0x020F: { const double y = p.i16(); s.winOrg.x += p.i16(), s.winOrg.y += y; break; }
        case 0x0211: { const double y = p.i16(); s.vpOrg.x += p.i16(), s.vpOrg.y += y; break; }
        case 0x0410:   // SCALEWINDOWEXT
        case 0x0412: { // SCALEVIEWPORTEXT
            const double yd = p.i16(), yn = p.i16(), xd = p.i16(), xn = p.i16();
            Point& ext = fn == 0x0410 ? s.winExt : s.vpExt;
            if (xd == 0 || yd == 0) {
                dc.skipRecord();
                break;
            }
            ext = {std::clamp(ext.x * xn / xd, -1e9, 1e9), std::clamp(ext.y * yn / yd, -1e9, 1e9)};
            break;
        }
        case 0x0214: { const double y = p.i16(); dc.moveTo({double(p.i16()), y}); break; }
        case 0x0213: { const double y = p.i16(); dc.lineTo({double(p.i16()), y}); break; }
        case 0x0325:   // POLYLINE
        case 0x0324: { // POLYGON
            const uint16_t n = p.u16();
            const std::vector<Point> pts = points(p, n);
            if (fn == 0x0325)
                dc.polyline(pts, false);
            else
                dc.polygon(pts);
            break;
        }
        case 0x0538: { // POLYPOLYGON
            const uint16_t n = p.u16();
            p.need(size_t(n) * 2);
            std::vector<uint16_t> counts(n);
            size_t total = 0;
            for (auto& c : counts)
                total += c = p.u16();
            p.need(total * 4);
            std::vector<std::vector<Point>> polys;
            polys.reserve(n);
            for (uint16_t c : counts)
                polys.push_back(points(p, c));
            dc.polyPolygon(polys);
            break;
        }
        case 0x041B: { const auto r = p.rectBrtl(); dc.rectangle(r[0], r[1], r[2], r[3]); break; }
        case 0x0418: { const auto r = p.rectBrtl(); dc.ellipse(r[0], r[1], r[2], r[3]); break; }
        case 0x061C: { // ROUNDRECT
            const double h = p.i16(), w = p.i16();
            const auto r = p.rectBrtl();
            dc.roundRect(r[0], r[1], r[2], r[3], w, h);
            break;
        }
        case 0x0817:   // ARC
        case 0x081A:   // PIE
        case 0x0830: { // CHORD
            const double ye = p.i16(), xe = p.i16(), ys = p.i16(), xs = p.i16();
            const auto r = p.rectBrtl();
            const ArcKind kind = fn == 0x0817 ? ArcKind::Arc : fn == 0x081A ? ArcKind::Pie : ArcKind::Chord;
            dc.arc(kind, r[0], r[1], r[2], r[3], {xs, ys}, {xe, ye});
            break;
        }
        case 0x041F: { // SETPIXEL
            const uint32_t color = p.u32();
            const double y = p.i16();
            dc.setPixel({double(p.i16()), y}, metafile::colorRef(color));
            break;
        }
        case 0x0521: { // TEXTOUT
            const uint16_t n = p.u16();
            Bytes str = p.bytes((size_t(n) + 1) & ~size_t(1));
            const double y = p.i16(), x = p.i16();
            dc.text({x, y}, latin1(str.first(n)), nullptr, nullptr);
            break;
        }
        case 0x0A32: { // EXTTEXTOUT
            const double y = p.i16(), x = p.i16();
            const uint16_t n = p.u16(), options = p.u16();
            double box[4] = {};
            const bool hasBox = (options & 0x0006) != 0; // ETO_OPAQUE | ETO_CLIPPED
            if (hasBox) {
                box[0] = p.i16(), box[1] = p.i16(), box[2] = p.i16(), box[3] = p.i16();
            }
            Bytes str = p.bytes(std::min<size_t>(n, p.remaining()));
            if (str.size() < n)
                dc.fail("text record at offset " + std::to_string(pos - size_t(words) * 2) +
                        " is too short for its " + std::to_string(n) + " characters");
            dc.text({x, y}, latin1(str), hasBox && (options & 2) ? box : nullptr,
                    hasBox && (options & 4) ? box : nullptr);
            break;
        }
        case 0x02FA: { // CREATEPENINDIRECT
            metafile::LogPen pen;
            const uint16_t style = p.u16();
            pen.style = style & 0xF;
            pen.endCap = (style >> 8) & 0xF;
            pen.join = (style >> 12) & 0xF;
            pen.width = p.i16();
            p.i16();
            pen.color = metafile::colorRef(p.u32());
            const int slot = dc.freeSlot();
            if (slot < 0)
                dc.skipRecord();
            else
                dc.createObject(size_t(slot), pen);
            break;
        }
        case 0x02FC: { // CREATEBRUSHINDIRECT
            metafile::LogBrush brush;
            brush.style = p.u16();
            brush.color = metafile::colorRef(p.u32());
            brush.hatch = p.u16();
            if (brush.style > 2)
                brush.style = 0;
            const int slot = dc.freeSlot();
            if (slot < 0)
                dc.skipRecord();
            else
                dc.createObject(size_t(slot), brush);
            break;
        }
        case 0x0142: { // DIBCREATEPATTERNBRUSH: the pattern's average colour
            p.u16(); // style
            p.u16(); // colour usage
            metafile::LogBrush brush;
            brush.color = {128, 128, 128};
            try {
                Raster pattern = metafile::decodeDib(p.rest(), {}, name);
                if (dc.spendDecode(int64_t(pattern.width) * pattern.height)) {
                    uint64_t sum[3] = {};
                    for (size_t i = 0; i < pattern.pixels.size(); ++i)
                        sum[i % 3] += pattern.pixels[i];
                    const uint64_t n = uint64_t(pattern.width) * uint64_t(pattern.height);
                    brush.color = {uint8_t(sum[0] / n), uint8_t(sum[1] / n), uint8_t(sum[2] / n)};
                }
            } catch (const Error&) {
            }
            const int slot = dc.freeSlot();
            if (slot < 0)
                dc.skipRecord();
            else
                dc.createObject(size_t(slot), brush);
            break;
        }
        case 0x02FB: { // CREATEFONTINDIRECT
            const metafile::LogFont font = readFont(p);
            const int slot = dc.freeSlot();
            if (slot < 0)
                dc.skipRecord();
            else
                dc.createObject(size_t(slot), font);
            break;
        }
        case 0x00F7:   // CREATEPALETTE
        case 0x01F9:   // CREATEPATTERNBRUSH
        case 0x06FF: { // CREATEREGION
            const int slot = dc.freeSlot();
            if (slot >= 0)
                dc.createObject(size_t(slot), fn == 0x01F9 ? metafile::Object(metafile::LogBrush{0, {128, 128, 128}, 0})
                                                           : metafile::Object(metafile::OtherObject{}));
            dc.skipRecord();
            break;
        }
        case 0x012D: dc.selectObject(p.u16()); break;
        case 0x01F0: dc.deleteObject(p.u16()); break;
        case 0x001E: dc.save(); break;
        case 0x0127: dc.restore(p.i16()); break;
        case 0x0416: { const auto r = p.rectBrtl(); dc.intersectClip(r[0], r[1], r[2], r[3]); break; }
        case 0x0415: { const auto r = p.rectBrtl(); dc.excludeClip(r[0], r[1], r[2], r[3]); break; }
        case 0x0B41: { // DIBSTRETCHBLT
            const uint32_t rop = p.u32();
            const bool noBitmap = words == uint32_t(fn >> 8) + 3;
            const int srcH = p.i16(), srcW = p.i16(), ySrc = p.i16(), xSrc = p.i16();
            if (noBitmap)
                p.i16();
            const double h = p.i16(), w = p.i16(), y = p.i16(), x = p.i16();
            if (noBitmap)
                dc.patternBlt(x, y, w, h, rop);
            else
                dibImage(dc, p, xSrc, ySrc, srcW, srcH, x, y, w, h, rop, false);
            break;
        }
        case 0x0940: { // DIBBITBLT
            const uint32_t rop = p.u32();
            const bool noBitmap = words == uint32_t(fn >> 8) + 3;
            const int ySrc = p.i16(), xSrc = p.i16();
            if (noBitmap)
                p.i16();
            const double h = p.i16(), w = p.i16(), y = p.i16(), x = p.i16();
            if (noBitmap)
                dc.patternBlt(x, y, w, h, rop);
            else
                dibImage(dc, p, xSrc, ySrc, int(w), int(h), x, y, w, h, rop, false);
            break;
        }
        case 0x0F43: { // STRETCHDIB
            const uint32_t rop = p.u32();
            p.u16(); // colour usage
            const int srcH = p.i16(), srcW = p.i16(), ySrc = p.i16(), xSrc = p.i16();
            const double h = p.i16(), w = p.i16(), y = p.i16(), x = p.i16();
            dibImage(dc, p, xSrc, ySrc, srcW, srcH, x, y, w, h, rop, true);
            break;
        }
        default: known = false;
        }
        result.tally(known && !dc.recordSkipped());
    }
    return result;
}

} // namespace velvo::imaging

// The Enhanced Metafile reader: 32-bit records of (type, size in bytes, parameters).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/codecs/Error.h"
#include "imaging/codecs/MetafileDc.h"
#include "imaging/codecs/MetafileReader.h"

namespace velvo::imaging {

namespace {

using metafile::ArcKind;
using metafile::Dc;
using metafile::Point;

constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"

// One record, its type and size included; every read past it is a record lying about its size.
class Record {
public:
    Record(Bytes data, const Dc& dc, uint32_t type, size_t offset)
        : data_(data), dc_(dc), type_(type), offset_(offset) {}
    size_t size() const { return data_.size(); }
    void need(size_t at, size_t n) const {
        if (at > data_.size() || n > data_.size() - at)
            tooShort();
    }
    [[noreturn]] void tooShort() const {
        dc_.fail("record " + std::to_string(type_) + " at offset " + std::to_string(offset_) +
                 " is too short for its contents");
    }
    uint32_t u32() {
        need(pos_, 4);
        const uint32_t v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 |
                           uint32_t(data_[pos_ + 2]) << 16 | uint32_t(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    int32_t i32() { return int32_t(u32()); }
    int16_t i16() {
        need(pos_, 2);
        const int16_t v = int16_t(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    uint8_t u8() {
        need(pos_, 1);
        return data_[pos_++];
    }
    float f32() {
        const uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    void skip(size_t n) {
        need(pos_, n);
        pos_ += n;
    }
    void seek(size_t at) {
        need(at, 0);
        pos_ = at;
    }
    size_t pos() const { return pos_; }
    size_t remaining() const { return data_.size() - pos_; }
    Point point() {
        const double x = i32();
        return {x, double(i32())};
    }
    std::array<double, 4> rect() {
        const double l = i32(), t = i32(), r = i32(), b = i32();
        return {l, t, r, b};
    }
    // A part of the record given by offset and size from its start; empty when it lies outside.
    Bytes part(uint32_t offset, uint32_t size) const {
        if (offset > data_.size() || size > data_.size() - offset)
            return {};
        return data_.subspan(offset, size);
    }
    metafile::Xform xform() {
        metafile::Xform x;
        x.m11 = f32(), x.m12 = f32(), x.m21 = f32(), x.m22 = f32(), x.dx = f32(), x.dy = f32();
        return x;
    }

private:
    Bytes data_;
    const Dc& dc_;
    uint32_t type_;
    size_t offset_;
    size_t pos_ = 8;
};

std::vector<Point> points(Record& r, uint32_t count, bool small) {
    r.need(r.pos(), size_t(count) * (small ? 4 : 8));
    std::vector<Point> pts(count);
    for (Point& p : pts) {
        if (small) {
            p.x = r.i16();
            p.y = r.i16();
        } else {
            p = r.point();
        }
    }
    return pts;
}

std::vector<std::vector<Point>> polyPoints(Record& r, bool small) {
    r.skip(16); // bounds
    const uint32_t n = r.u32(), total = r.u32();
    r.need(r.pos(), size_t(n) * 4);
    std::vector<uint32_t> counts(n);
    uint64_t sum = 0;
    for (auto& c : counts)
        sum += c = r.u32();
    if (sum != total)
        r.tooShort();
    r.need(r.pos(), size_t(total) * (small ? 4 : 8));
    std::vector<std::vector<Point>> polys;
    polys.reserve(n);
    for (uint32_t c : counts)
        polys.push_back(points(r, c, small));
    return polys;
}

void dibImage(Dc& dc, const Record& r, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
              uint32_t cbBits, int srcX, int srcY, int srcW, int srcH, double x, double y,
              double w, double h, uint32_t rop, bool srcFromBottom) {
    const Bytes info = r.part(offBmi, cbBmi), bits = r.part(offBits, cbBits);
    if (info.empty())
        return dc.skipRecord();
    try {
        Raster picture = metafile::decodeDib(info, bits, dc.name());
        if (!dc.spendDecode(int64_t(picture.width) * picture.height))
            return dc.skipRecord();
        if (srcFromBottom && metafile::dibBottomUp(info))
            srcY = picture.height - srcY - srcH;
        dc.image(picture, srcX, srcY, srcW, srcH, x, y, w, h, rop);
    } catch (const Error&) {
        dc.skipRecord();
    }
}

std::u16string utf16(Bytes b, size_t chars) {
    std::u16string s;
    s.reserve(chars);
    for (size_t i = 0; i < chars && 2 * i + 1 < b.size(); ++i)
        s.push_back(char16_t(b[2 * i] | b[2 * i + 1] << 8));
    return s;
}

std::string utf8(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        if (c == 0)
            break;
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | c >> 6));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xE0 | c >> 12));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

struct Header {
    std::array<double, 4> bounds{}, frame{};
    uint32_t records = 0;
    uint16_t handles = 0;
    double devW = 0, devH = 0, mmW = 0, mmH = 0;
};

Header readHeader(Bytes data, const std::string& name) {
    if (data.size() < 88)
        throw Error(name, "not an enhanced metafile (header cut short)");
    auto u32 = [&](size_t at) {
        return uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
               uint32_t(data[at + 3]) << 24;
    };
    if (u32(0) != 1 || u32(40) != kEmfSignature)
        throw Error(name, "not an enhanced metafile (bad header)");
    const uint32_t size = u32(4);
    if (size < 88 || size > data.size())
        throw Error(name, "header record gives a size of " + std::to_string(size) + " bytes");
    Header h;
    for (int i = 0; i < 4; ++i) {
        h.bounds[i] = int32_t(u32(8 + 4 * i));
        h.frame[i] = int32_t(u32(24 + 4 * i));
    }
    h.records = u32(52);
    h.handles = uint16_t(data[56] | data[57] << 8);
    h.devW = int32_t(u32(72)), h.devH = int32_t(u32(76));
    h.mmW = int32_t(u32(80)), h.mmH = int32_t(u32(84));
    return h;
}

} // namespace

MetafileResult readEmf(Bytes data, const std::string& name, metafile::Canvas& canvas) {
    MetafileResult result;
    const Header header = readHeader(data, name);
    const MetafileLimits& limits = metafileLimits();
    if (int64_t(header.records) > limits.maxRecords)
        throw Error(name, "header announces " + std::to_string(header.records) +
                              " records (at most " + std::to_string(limits.maxRecords) + ")");
    Dc dc(name, canvas, result);
    dc.setTableSize(header.handles);
    if (header.devW > 0 && header.devH > 0 && header.mmW > 0 && header.mmH > 0) {
        dc.pxPerMmX = header.devW / header.mmW;
        dc.pxPerMmY = header.devH / header.mmH;
    }

    // The frame in reference device pixels is laid onto the picture at 96 dpi.
    const auto& f = header.frame;
    const double frameW = f[2] - f[0], frameH = f[3] - f[1];
    int width = 0, height = 0;
    if (frameW > 0 && frameH > 0) {
        const double w = std::round(frameW * 96 / 2540), h = std::round(frameH * 96 / 2540);
        checkPictureSize(int64_t(std::max(1.0, w)), int64_t(std::max(1.0, h)), name);
        width = int(std::max(1.0, w)), height = int(std::max(1.0, h));
        const double left = f[0] / 100 * dc.pxPerMmX, top = f[1] / 100 * dc.pxPerMmY;
        const double refW = frameW / 100 * dc.pxPerMmX, refH = frameH / 100 * dc.pxPerMmY;
        dc.output.m11 = width / refW, dc.output.m22 = height / refH;
        dc.output.dx = -left * dc.output.m11, dc.output.dy = -top * dc.output.m22;
    } else {
        const auto& b = header.bounds;
        const int64_t w = int64_t(b[2] - b[0]) + 1, h = int64_t(b[3] - b[1]) + 1;
        checkPictureSize(w, h, name);
        width = int(w), height = int(h);
        dc.output.dx = -b[0], dc.output.dy = -b[1];
    }
    dc.begin(width, height);

    size_t pos = 0;
    bool first = true;
    while (pos < data.size()) {
        if (data.size() - pos < 8)
            throw Error(name, "record at offset " + std::to_string(pos) + " is cut short");
        const uint32_t type = uint32_t(data[pos]) | uint32_t(data[pos + 1]) << 8 |
                              uint32_t(data[pos + 2]) << 16 | uint32_t(data[pos + 3]) << 24;
        const uint32_t size = uint32_t(data[pos + 4]) | uint32_t(data[pos + 5]) << 8 |
                              uint32_t(data[pos + 6]) << 16 | uint32_t(data[pos + 7]) << 24;
        if (size < 8)
            throw Error(name, "record at offset " + std::to_string(pos) + " gives a size of " +
                                  std::to_string(size) + " bytes (at least 8)");
        if (size > data.size() - pos)
            throw Error(name, "record at offset " + std::to_string(pos) + " runs past the end of the file");
        if (++result.records > limits.maxRecords)
            throw Error(name, "more than " + std::to_string(limits.maxRecords) + " records");
        Record r(data.subspan(pos, size), dc, type, pos);
        pos += size;
        if (first) {
            first = false;
            ++result.drawn;
            continue;
        }
        if (type == 14) // EOF
            break;
        dc.startRecord();
        bool known = true;
        auto& s = dc.s;
        switch (type) {
        case 2: case 3: case 4: case 5: case 6:       // POLYBEZIER .. POLYLINETO
        case 85: case 86: case 87: case 88: case 89: { // the same with 16-bit points
            const bool small = type >= 85;
            const uint32_t t = small ? type - 83 : type;
            r.skip(16);
            const uint32_t n = r.u32();
            const std::vector<Point> pts = points(r, n, small);
            switch (t) {
            case 2: dc.polyBezier(pts, false); break;
            case 3: dc.polygon(pts); break;
            case 4: dc.polyline(pts, false); break;
            case 5: dc.polyBezier(pts, true); break;
            case 6: dc.polyline(pts, true); break;
            }
            break;
        }
        case 7: case 8: case 90: case 91: { // POLYPOLYLINE, POLYPOLYGON (and 16-bit)
            const auto polys = polyPoints(r, type >= 90);
            if (type == 7 || type == 90)
                dc.polyPolyline(polys);
            else
                dc.polyPolygon(polys);
            break;
        }
        case 9: { const Point p = r.point(); s.winExt = p; break; }
        case 10: s.winOrg = r.point(); break;
        case 11: s.vpExt = r.point(); break;
        case 12: s.vpOrg = r.point(); break;
        case 31: case 32: { // SCALEVIEWPORTEXTEX, SCALEWINDOWEXTEX
            const double xn = r.i32(), xd = r.i32(), yn = r.i32(), yd = r.i32();
            Point& ext = type == 32 ? s.winExt : s.vpExt;
            if (xd == 0 || yd == 0) {
                dc.skipRecord();
                break;
            }
            ext = {std::clamp(ext.x * xn / xd, -1e12, 1e12), std::clamp(ext.y * yn / yd, -1e12, 1e12)};
            break;
        }
        case 15: { // SETPIXELV
            const Point p = r.point();
            dc.setPixel(p, metafile::colorRef(r.u32()));
            break;
        }
        case 17: {
            const uint32_t mode = r.u32();
            if (mode >= 1 && mode <= 8)
                s.mapMode = int(mode);
            else
                dc.skipRecord();
            break;
        }
        case 18: s.bkOpaque = r.u32() == 2; break;
        case 19: s.fillRule = r.u32() == 2 ? metafile::FillRule::Winding : metafile::FillRule::Alternate; break;
        case 22: s.textAlign = int(r.u32() & 0xFFFF); break;
        case 24: s.textColor = metafile::colorRef(r.u32()); break;
        case 25: s.bkColor = metafile::colorRef(r.u32()); break;
        case 27: dc.moveTo(r.point()); break;
        case 29: { const auto b = r.rect(); dc.excludeClip(b[0], b[1], b[2], b[3]); break; }
        case 30: { const auto b = r.rect(); dc.intersectClip(b[0], b[1], b[2], b[3]); break; }
        case 33: dc.save(); break;
        case 34: dc.restore(r.i32()); break;
        case 35: { // SETWORLDTRANSFORM
            const metafile::Xform x = r.xform();
            if (x.finite())
                s.world = x;
            else
                dc.skipRecord();
            break;
        }
        case 36: { // MODIFYWORLDTRANSFORM
            const metafile::Xform x = r.xform();
            const uint32_t mode = r.u32();
            if (!x.finite() && mode != 1) {
                dc.skipRecord();
                break;
            }
            switch (mode) {
            case 1: s.world = {}; break;
            case 2: s.world = x.then(s.world); break;
            case 3: s.world = s.world.then(x); break;
            case 4: s.world = x; break;
            default: dc.skipRecord();
            }
            if (!s.world.finite())
                s.world = {};
            break;
        }
        case 37: { // SELECTOBJECT
            const uint32_t h = r.u32();
            if (h & 0x80000000u)
                dc.selectStock(h & 0x7FFFFFFFu);
            else
                dc.selectObject(h);
            break;
        }
        case 40: dc.deleteObject(r.u32()); break;
        case 38: { // CREATEPEN
            const uint32_t index = r.u32();
            metafile::LogPen pen;
            const uint32_t style = r.u32();
            pen.style = int(style & 0xF);
            pen.width = r.i32();
            r.i32();
            pen.color = metafile::colorRef(r.u32());
            dc.createObject(index, pen);
            break;
        }
        case 95: { // EXTCREATEPEN
            const uint32_t index = r.u32();
            r.skip(16); // the pattern bitmap, drawn as its colour
            metafile::LogPen pen;
            const uint32_t style = r.u32();
            pen.style = int(style & 0xF);
            pen.endCap = int((style >> 8) & 0xF);
            pen.join = int((style >> 12) & 0xF);
            // Geometric pens (0x10000) scale with the mapping; cosmetic ones are one pixel.
            pen.width = (style & 0xF0000) ? double(r.u32()) : (r.u32(), 0.0);
            const uint32_t brushStyle = r.u32();
            pen.color = metafile::colorRef(r.u32());
            if (brushStyle == 1)
                pen.style = 5;
            dc.createObject(index, pen);
            break;
        }
        case 39: { // CREATEBRUSHINDIRECT
            const uint32_t index = r.u32();
            metafile::LogBrush brush;
            brush.style = int(r.u32());
            brush.color = metafile::colorRef(r.u32());
            brush.hatch = int(r.u32());
            if (brush.style > 2)
                brush.style = 0;
            dc.createObject(index, brush);
            break;
        }
        case 93: case 94: { // CREATEMONOBRUSH, CREATEDIBPATTERNBRUSHPT: the average colour
            const uint32_t index = r.u32();
            r.u32(); // usage
            const uint32_t offBmi = r.u32(), cbBmi = r.u32(), offBits = r.u32(), cbBits = r.u32();
            metafile::LogBrush brush;
            brush.color = {128, 128, 128};
            try {
                const Bytes info = r.part(offBmi, cbBmi);
                if (!info.empty()) {
                    Raster pattern = metafile::decodeDib(info, r.part(offBits, cbBits), name);
                    if (dc.spendDecode(int64_t(pattern.width) * pattern.height)) {
                        uint64_t sum[3] = {};
                        for (size_t i = 0; i < pattern.pixels.size(); ++i)
                            sum[i % 3] += pattern.pixels[i];
                        const uint64_t n = uint64_t(pattern.width) * uint64_t(pattern.height);
                        brush.color = {uint8_t(sum[0] / n), uint8_t(sum[1] / n), uint8_t(sum[2] / n)};
                    }
                }
            } catch (const Error&) {
            }
            dc.createObject(index, brush);
            break;
        }
        case 82: { // EXTCREATEFONTINDIRECTW
            const uint32_t index = r.u32();
            metafile::LogFont font;
            font.height = r.i32();
            font.width = r.i32();
            font.escapement = r.i32();
            r.i32(); // orientation
            font.weight = r.i32();
            font.italic = r.u8() != 0;
            font.underline = r.u8() != 0;
            font.strikeOut = r.u8() != 0;
            r.skip(5); // charset, precisions, quality, pitch and family
            r.need(r.pos(), 64);
            std::u16string face;
            for (int i = 0; i < 32; ++i) {
                const uint32_t lo = r.u8();
                face.push_back(char16_t(lo | uint32_t(r.u8()) << 8));
            }
            font.face = utf8(face);
            dc.createObject(index, font);
            break;
        }
        case 48: case 49: case 50: case 51: case 52: { // palettes: their slot, nothing drawn
            if (type == 49)
                dc.createObject(r.u32(), metafile::OtherObject{});
            dc.skipRecord();
            break;
        }
        case 42: { const auto b = r.rect(); dc.ellipse(b[0], b[1], b[2], b[3]); break; }
        case 43: { const auto b = r.rect(); dc.rectangle(b[0], b[1], b[2], b[3]); break; }
        case 44: {
            const auto b = r.rect();
            const Point corner = r.point();
            dc.roundRect(b[0], b[1], b[2], b[3], corner.x, corner.y);
            break;
        }
        case 45: case 46: case 47: case 55: { // ARC, CHORD, PIE, ARCTO
            const auto b = r.rect();
            const Point start = r.point(), end = r.point();
            const ArcKind kind = type == 45 ? ArcKind::Arc : type == 46 ? ArcKind::Chord
                               : type == 47 ? ArcKind::Pie : ArcKind::ArcTo;
            dc.arc(kind, b[0], b[1], b[2], b[3], start, end);
            break;
        }
        case 41: { // ANGLEARC
            const Point c = r.point();
            const double radius = r.u32();
            const double start = r.f32(), sweep = r.f32();
            dc.angleArc(c, radius, start, sweep);
            break;
        }
        case 54: dc.lineTo(r.point()); break;
        case 57: s.clockwise = r.u32() == 2; break;
        case 59: dc.beginPath(); break;
        case 60: dc.endPath(); break;
        case 61: dc.closeFigure(); break;
        case 62: dc.fillPath(); break;
        case 63: dc.strokeAndFillPath(); break;
        case 64: dc.strokePath(); break;
        case 65: break; // FLATTENPATH: curves stay curves; the canvas flattens them
        case 67: dc.selectClipPath(int(r.u32())); break;
        case 68: dc.abortPath(); break;
        case 75: { // EXTSELECTCLIPRGN
            const uint32_t cb = r.u32();
            const int mode = int(r.u32());
            std::vector<std::array<double, 4>> rects;
            if (cb >= 32) {
                r.need(r.pos(), cb);
                r.skip(8);
                const uint32_t n = r.u32();
                r.skip(20);
                if (uint64_t(n) * 16 > cb - 32)
                    r.tooShort();
                rects.reserve(n);
                for (uint32_t i = 0; i < n; ++i)
                    rects.push_back(r.rect());
            }
            dc.regionClip(rects, mode);
            break;
        }
        case 76: case 77: { // BITBLT, STRETCHBLT
            r.skip(16);
            const double x = r.i32(), y = r.i32(), w = r.i32(), h = r.i32();
            const uint32_t rop = r.u32();
            const int xSrc = r.i32(), ySrc = r.i32();
            r.skip(24 + 4 + 4); // source transform, background colour, usage
            const uint32_t offBmi = r.u32(), cbBmi = r.u32(), offBits = r.u32(), cbBits = r.u32();
            int wSrc = int(w), hSrc = int(h);
            if (type == 77)
                wSrc = r.i32(), hSrc = r.i32();
            if (cbBmi == 0)
                dc.patternBlt(x, y, w, h, rop);
            else
                dibImage(dc, r, offBmi, cbBmi, offBits, cbBits, xSrc, ySrc, wSrc, hSrc, x, y, w, h, rop, false);
            break;
        }
        case 80: case 81: { // SETDIBITSTODEVICE, STRETCHDIBITS
            r.skip(16);
            const double x = r.i32(), y = r.i32();
            const int xSrc = r.i32(), ySrc = r.i32(), wSrc = r.i32(), hSrc = r.i32();
            const uint32_t offBmi = r.u32(), cbBmi = r.u32(), offBits = r.u32(), cbBits = r.u32();
            r.u32(); // usage
            uint32_t rop = 0x00CC0020;
            double w = wSrc, h = hSrc;
            if (type == 81) {
                rop = r.u32();
                w = r.i32(), h = r.i32();
            }
            dibImage(dc, r, offBmi, cbBmi, offBits, cbBits, xSrc, ySrc, wSrc, hSrc, x, y, w, h, rop, true);
            break;
        }
        case 83: case 84: { // EXTTEXTOUTA, EXTTEXTOUTW
            r.skip(16 + 4 + 8); // bounds, graphics mode, scales
            const Point at = r.point();
            const uint32_t chars = r.u32(), offString = r.u32(), options = r.u32();
            const auto box = r.rect();
            const size_t bytes = type == 84 ? size_t(chars) * 2 : chars;
            const Bytes str = r.part(offString, uint32_t(std::min<size_t>(bytes, 0xFFFFFFFFu)));
            if (str.size() != bytes)
                r.tooShort();
            std::u16string text;
            if (type == 84) {
                text = utf16(str, chars);
            } else {
                for (uint8_t c : str)
                    text.push_back(char16_t(c));
            }
            const double b[4] = {box[0], box[1], box[2], box[3]};
            dc.text(at, std::move(text), (options & 2) ? b : nullptr, (options & 4) ? b : nullptr);
            break;
        }
        default: known = false;
        }
        result.tally(known && !dc.recordSkipped());
    }
    return result;
}

} // namespace velvo::imaging

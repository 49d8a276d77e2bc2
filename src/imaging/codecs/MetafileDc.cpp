#include "imaging/codecs/MetafileDc.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "imaging/codecs/Error.h"

namespace velvo::imaging::metafile {

namespace {
// Coordinates beyond this many pixels from the picture are drawn as if they were this far:
// the picture never shows them, and the rasteriser need not walk them.
constexpr double kFar = 1 << 20;
constexpr size_t kMaxSavedStates = 4096;
constexpr double kPi = std::numbers::pi;

double clampFar(double v) {
    if (std::isnan(v))
        return 0;
    return std::clamp(v, -kFar, kFar);
}
} // namespace

// --- Path -------------------------------------------------------------------------------

void Path::moveTo(Point p) {
    ops_.push_back(Op::Move);
    points_.push_back(p);
    current_ = start_ = p;
    hasCurrent_ = true;
}
void Path::lineTo(Point p) {
    if (!hasCurrent_)
        return moveTo(p);
    ops_.push_back(Op::Line);
    points_.push_back(p);
    current_ = p;
}
void Path::cubicTo(Point c1, Point c2, Point end) {
    if (!hasCurrent_)
        moveTo(c1);
    ops_.push_back(Op::Cubic);
    points_.insert(points_.end(), {c1, c2, end});
    current_ = end;
}
void Path::close() {
    if (!hasCurrent_)
        return;
    ops_.push_back(Op::Close);
    current_ = start_;
    hasCurrent_ = false;
}
void Path::append(const Path& other) {
    ops_.insert(ops_.end(), other.ops_.begin(), other.ops_.end());
    points_.insert(points_.end(), other.points_.begin(), other.points_.end());
    if (!other.ops_.empty()) {
        current_ = other.current_;
        start_ = other.start_;
        hasCurrent_ = other.hasCurrent_;
    }
}
void Path::clear() {
    ops_.clear();
    points_.clear();
    hasCurrent_ = false;
}
bool Path::bounds(Point& low, Point& high) const {
    if (points_.empty())
        return false;
    low = high = points_.front();
    for (const Point& p : points_) {
        low.x = std::min(low.x, p.x), low.y = std::min(low.y, p.y);
        high.x = std::max(high.x, p.x), high.y = std::max(high.y, p.y);
    }
    return true;
}

// --- Xform ------------------------------------------------------------------------------

Xform Xform::then(const Xform& n) const {
    Xform r;
    r.m11 = m11 * n.m11 + m12 * n.m21;
    r.m12 = m11 * n.m12 + m12 * n.m22;
    r.m21 = m21 * n.m11 + m22 * n.m21;
    r.m22 = m21 * n.m12 + m22 * n.m22;
    r.dx = dx * n.m11 + dy * n.m21 + n.dx;
    r.dy = dx * n.m12 + dy * n.m22 + n.dy;
    return r;
}
bool Xform::finite() const {
    return std::isfinite(m11) && std::isfinite(m12) && std::isfinite(m21) && std::isfinite(m22) &&
           std::isfinite(dx) && std::isfinite(dy);
}

// --- bitmaps ----------------------------------------------------------------------------

Raster decodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, const std::string& name) {
    // The BMP reader wants a file: give it the 14-byte file header in front.
    const size_t total = 14 + info.size() + bits.size();
    if (total > 0xFFFFFFFFu)
        throw Error(name, "embedded bitmap too large");
    std::vector<uint8_t> file(14);
    file[0] = 'B', file[1] = 'M';
    for (int i = 0; i < 4; ++i) {
        file[2 + i] = uint8_t(total >> (8 * i));
        // Bits that follow the colour table directly are found by the reader (offset 0).
        file[10 + i] = bits.empty() ? 0 : uint8_t((14 + info.size()) >> (8 * i));
    }
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), bits.begin(), bits.end());
    return decodeBmp(file, name);
}

bool dibBottomUp(std::span<const uint8_t> info) {
    if (info.size() >= 12 && info[0] == 12 && info[1] == 0 && info[2] == 0 && info[3] == 0)
        return true; // core headers are always bottom-up
    if (info.size() < 12)
        return true;
    const int32_t h = int32_t(uint32_t(info[8]) | uint32_t(info[9]) << 8 | uint32_t(info[10]) << 16 |
                              uint32_t(info[11]) << 24);
    return h > 0;
}

// --- Dc ---------------------------------------------------------------------------------

Dc::Dc(const std::string& name, Canvas& canvas, MetafileResult& result)
    : name_(name), canvas_(canvas), result_(result) {}

void Dc::fail(const std::string& fault) const {
    throw Error(name_, fault);
}

void Dc::begin(int width, int height) {
    checkPictureSize(width, height, name_);
    width_ = width, height_ = height;
    result_.width = width, result_.height = height;
    budget_ = double(metafileLimits().paintBudget) * width * height + double(1 << 22);
    decodeBudget_ = 4 * pictureLimits().maxPixels;
    canvas_.begin(width, height);
}

Xform Dc::total() const {
    Xform page;
    double sx = 1, sy = 1;
    int mode = windowToViewportOnly && s.mapMode != MmIsotropic ? MmAnisotropic : s.mapMode;
    auto ratio = [](double v, double w) { return w == 0 ? 1.0 : v / w; };
    switch (mode) {
    case MmLoMetric: sx = pxPerMmX / 10, sy = -pxPerMmY / 10; break;
    case MmHiMetric: sx = pxPerMmX / 100, sy = -pxPerMmY / 100; break;
    case MmLoEnglish: sx = pxPerMmX * 0.254, sy = -pxPerMmY * 0.254; break;
    case MmHiEnglish: sx = pxPerMmX * 0.0254, sy = -pxPerMmY * 0.0254; break;
    case MmTwips: sx = pxPerMmX * 25.4 / 1440, sy = -pxPerMmY * 25.4 / 1440; break;
    case MmIsotropic: {
        sx = ratio(s.vpExt.x, s.winExt.x), sy = ratio(s.vpExt.y, s.winExt.y);
        const double m = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(m, sx), sy = std::copysign(m, sy);
        break;
    }
    case MmAnisotropic: sx = ratio(s.vpExt.x, s.winExt.x), sy = ratio(s.vpExt.y, s.winExt.y); break;
    default: break;
    }
    page.m11 = sx, page.m22 = sy;
    page.dx = s.vpOrg.x - s.winOrg.x * sx;
    page.dy = s.vpOrg.y - s.winOrg.y * sy;
    return s.world.then(page).then(output);
}

Point Dc::map(Point p) const {
    const Point d = total().map(p);
    return {clampFar(d.x), clampFar(d.y)};
}

// --- objects ----------------------------------------------------------------------------

void Dc::setTableSize(size_t size) {
    if (size > size_t(metafileLimits().maxObjects))
        fail("object table of " + std::to_string(size) + " entries (at most " +
             std::to_string(metafileLimits().maxObjects) + ")");
    tableSize_ = size;
}

int Dc::freeSlot() const {
    for (size_t i = 0; i < objects_.size(); ++i)
        if (std::holds_alternative<std::monostate>(objects_[i]))
            return int(i);
    return objects_.size() < tableSize_ ? int(objects_.size()) : -1;
}

void Dc::createObject(size_t index, Object object) {
    if (index >= tableSize_)
        return skipRecord();
    if (index >= objects_.size())
        objects_.resize(index + 1);
    objects_[index] = std::move(object);
}

void Dc::selectObject(size_t index) {
    if (index >= objects_.size())
        return skipRecord();
    const Object& o = objects_[index];
    if (auto* pen = std::get_if<LogPen>(&o))
        s.pen = *pen;
    else if (auto* brush = std::get_if<LogBrush>(&o))
        s.brush = *brush;
    else if (auto* font = std::get_if<LogFont>(&o))
        s.font = *font;
    else if (!std::holds_alternative<OtherObject>(o))
        skipRecord();
}

void Dc::selectStock(uint32_t stock) {
    switch (stock) {
    case 0: s.brush = {0, {255, 255, 255}, 0}; break;
    case 1: s.brush = {0, {192, 192, 192}, 0}; break;
    case 2: s.brush = {0, {128, 128, 128}, 0}; break;
    case 3: s.brush = {0, {64, 64, 64}, 0}; break;
    case 4: s.brush = {0, {0, 0, 0}, 0}; break;
    case 5: s.brush = {1, {}, 0}; break;
    case 6: s.pen = {0, 0, {255, 255, 255}}; break;
    case 7: s.pen = {0, 0, {0, 0, 0}}; break;
    case 8: s.pen = {5, 0, {}}; break;
    case 10: case 11: case 12: case 13: case 14: case 16: case 17: s.font = LogFont{}; break;
    case 15: break;
    default: skipRecord();
    }
}

void Dc::deleteObject(size_t index) {
    if (index < objects_.size())
        objects_[index] = std::monostate{};
    else
        skipRecord();
}

// --- drawing ----------------------------------------------------------------------------

Pen Dc::devicePen() const {
    Pen p;
    const Xform t = total();
    const double scale = std::sqrt(std::abs(t.det()));
    const double limit = 2.0 * (width_ + height_);
    p.width = std::clamp(std::isfinite(scale) ? s.pen.width * scale : 1.0, 1.0, limit);
    p.color = s.pen.color;
    switch (s.pen.style & 0xF) {
    case 1: p.style = PenStyle::Dash; break;
    case 2: p.style = PenStyle::Dot; break;
    case 3: p.style = PenStyle::DashDot; break;
    case 4: p.style = PenStyle::DashDotDot; break;
    default: p.style = PenStyle::Solid;
    }
    // Dashes only exist on thin pens in GDI; wide ones draw solid.
    if (p.width > 1.5 && (s.pen.style & 0xF0000) == 0)
        p.style = PenStyle::Solid;
    p.cap = s.pen.endCap == 1 ? LineCap::Square : s.pen.endCap == 2 ? LineCap::Flat : LineCap::Round;
    p.join = s.pen.join == 1 ? LineJoin::Bevel : s.pen.join == 2 ? LineJoin::Miter : LineJoin::Round;
    return p;
}

Brush Dc::deviceBrush() const {
    Brush b;
    b.color = s.brush.color;
    b.hatched = s.brush.style == 2 && s.brush.hatch >= 0 && s.brush.hatch <= 5;
    b.hatch = s.brush.hatch;
    b.opaqueBackground = s.bkOpaque;
    b.background = s.bkColor;
    return b;
}

bool Dc::spend(const Path& path, double grow) {
    Point lo, hi;
    if (!path.bounds(lo, hi))
        return false;
    lo.x = std::max(lo.x - grow, 0.0), lo.y = std::max(lo.y - grow, 0.0);
    hi.x = std::min(hi.x + grow, double(width_)), hi.y = std::min(hi.y + grow, double(height_));
    const double area = std::max(hi.x - lo.x, 0.0) * std::max(hi.y - lo.y, 0.0);
    const double cost = area + double(path.ops().size()) * 4;
    if (cost > budget_) {
        result_.budgetExhausted = true;
        skipRecord();
        return false;
    }
    budget_ -= cost;
    return true;
}

bool Dc::spendDecode(int64_t pixels) {
    if (pixels > decodeBudget_) {
        result_.budgetExhausted = true;
        return false;
    }
    decodeBudget_ -= pixels;
    return true;
}

bool Dc::fillNow(const Path& path) {
    if (s.brush.style == 1 || !spend(path, 0))
        return false;
    canvas_.fill(path, deviceBrush(), s.fillRule);
    return true;
}

bool Dc::strokeNow(const Path& path) {
    if ((s.pen.style & 0xF) == 5)
        return false;
    const Pen pen = devicePen();
    if (!spend(path, pen.width))
        return false;
    canvas_.stroke(path, pen);
    return true;
}

void Dc::drawShape(Path&& path, bool closed) {
    if (pathOpen_) {
        path_.append(path);
        return;
    }
    if (closed)
        fillNow(path);
    strokeNow(path);
}

void Dc::moveTo(Point p) {
    s.position = p;
    if (pathOpen_)
        path_.moveTo(map(p));
}

void Dc::lineTo(Point p) {
    Path path;
    if (pathOpen_) {
        if (!path_.hasCurrent())
            path_.moveTo(map(s.position));
        path_.lineTo(map(p));
    } else {
        path.moveTo(map(s.position));
        path.lineTo(map(p));
        strokeNow(path);
    }
    s.position = p;
}

void Dc::polyline(std::span<const Point> pts, bool fromPosition) {
    if (pts.empty())
        return;
    Path path;
    if (fromPosition) {
        if (pathOpen_ && path_.hasCurrent())
            path = Path{}, path.moveTo(path_.current());
        else
            path.moveTo(map(s.position));
    }
    for (const Point& p : pts)
        path.lineTo(map(p));
    if (fromPosition) {
        s.position = pts.back();
        if (pathOpen_) {
            if (!path_.hasCurrent())
                path_.moveTo(map(s.position));
            for (const Point& p : pts)
                path_.lineTo(map(p));
            return;
        }
    }
    drawShape(std::move(path), false);
}

void Dc::polygon(std::span<const Point> pts) {
    if (pts.empty())
        return;
    Path path;
    for (const Point& p : pts)
        path.lineTo(map(p));
    path.close();
    drawShape(std::move(path), true);
}

void Dc::polyPolygon(const std::vector<std::vector<Point>>& polys) {
    polyOutline(polys, true);
}

void Dc::polyPolyline(const std::vector<std::vector<Point>>& polys) {
    polyOutline(polys, false);
}

// Poly-polygons and poly-polylines are one path of several figures, so a fill rule sees the
// holes and a wide pen joins nothing across figures.
void Dc::polyOutline(const std::vector<std::vector<Point>>& polys, bool closed) {
    Path path;
    for (const auto& poly : polys) {
        if (poly.empty())
            continue;
        path.moveTo(map(poly.front()));
        for (size_t i = 1; i < poly.size(); ++i)
            path.lineTo(map(poly[i]));
        if (closed)
            path.close();
    }
    if (!path.empty())
        drawShape(std::move(path), closed);
}

void Dc::polyBezier(std::span<const Point> pts, bool fromPosition) {
    Path path;
    size_t i = 0;
    if (fromPosition) {
        if (pathOpen_ && path_.hasCurrent())
            path.moveTo(path_.current());
        else
            path.moveTo(map(s.position));
    } else {
        if (pts.empty())
            return;
        path.moveTo(map(pts[0]));
        i = 1;
    }
    for (; i + 3 <= pts.size(); i += 3) {
        path.cubicTo(map(pts[i]), map(pts[i + 1]), map(pts[i + 2]));
        s.position = fromPosition ? pts[i + 2] : s.position;
    }
    if (pathOpen_ && fromPosition && path_.hasCurrent()) {
        // Continue the open figure rather than starting a new one at the same point.
        const auto& ops = path.ops();
        const auto& ps = path.points();
        size_t k = 1;
        for (size_t o = 1; o < ops.size(); ++o, k += 3)
            path_.cubicTo(ps[k], ps[k + 1], ps[k + 2]);
        return;
    }
    drawShape(std::move(path), false);
}

Path Dc::rectPath(double l, double t, double r, double b) const {
    Path path;
    path.moveTo(map({l, t}));
    path.lineTo(map({r, t}));
    path.lineTo(map({r, b}));
    path.lineTo(map({l, b}));
    path.close();
    return path;
}

void Dc::rectangle(double l, double t, double r, double b) {
    drawShape(rectPath(l, t, r, b), true);
}

// Angles in radians, counter-clockwise with y growing downwards as the logical space shows it.
void Dc::appendArc(Path& path, Point c, double rx, double ry, double a0, double a1,
                   bool connect) const {
    auto at = [&](double a) { return Point{c.x + rx * std::cos(a), c.y - ry * std::sin(a)}; };
    auto tangent = [&](double a) { return Point{-rx * std::sin(a), -ry * std::cos(a)}; };
    if (connect)
        path.lineTo(map(at(a0)));
    else
        path.moveTo(map(at(a0)));
    const double sweep = a1 - a0;
    const int n = std::clamp(int(std::ceil(std::abs(sweep) / (kPi / 2) - 1e-9)), 1, 8);
    const double step = sweep / n;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    for (int i = 0; i < n; ++i) {
        const double s0 = a0 + step * i, s1 = s0 + step;
        const Point p0 = at(s0), p3 = at(s1), d0 = tangent(s0), d1 = tangent(s1);
        path.cubicTo(map({p0.x + k * d0.x, p0.y + k * d0.y}), map({p3.x - k * d1.x, p3.y - k * d1.y}),
                     map(p3));
    }
}

void Dc::roundRect(double l, double t, double r, double b, double w, double h) {
    if (l > r)
        std::swap(l, r);
    if (t > b)
        std::swap(t, b);
    const double rx = std::min(std::abs(w) / 2, (r - l) / 2), ry = std::min(std::abs(h) / 2, (b - t) / 2);
    Path path;
    appendArc(path, {r - rx, t + ry}, rx, ry, kPi / 2, 0, false);
    appendArc(path, {r - rx, b - ry}, rx, ry, 0, -kPi / 2, true);
    appendArc(path, {l + rx, b - ry}, rx, ry, -kPi / 2, -kPi, true);
    appendArc(path, {l + rx, t + ry}, rx, ry, kPi, kPi / 2, true);
    path.close();
    drawShape(std::move(path), true);
}

void Dc::ellipse(double l, double t, double r, double b) {
    Path path;
    appendArc(path, {(l + r) / 2, (t + b) / 2}, std::abs(r - l) / 2, std::abs(b - t) / 2, 0, 2 * kPi, false);
    path.close();
    drawShape(std::move(path), true);
}

void Dc::arc(ArcKind kind, double l, double t, double r, double b, Point start, Point end) {
    const Point c{(l + r) / 2, (t + b) / 2};
    const double rx = std::abs(r - l) / 2, ry = std::abs(b - t) / 2;
    auto angle = [&](Point p) {
        return std::atan2(ry > 0 ? -(p.y - c.y) / ry : 0.0, rx > 0 ? (p.x - c.x) / rx : 1.0);
    };
    const double a0 = angle(start);
    double a1 = angle(end);
    if (!s.clockwise) {
        while (a1 <= a0)
            a1 += 2 * kPi;
    } else {
        while (a1 >= a0)
            a1 -= 2 * kPi;
    }
    Path path;
    if (kind == ArcKind::Pie) {
        path.moveTo(map(c));
        appendArc(path, c, rx, ry, a0, a1, true);
        path.close();
    } else if (kind == ArcKind::ArcTo) {
        if (pathOpen_ && path_.hasCurrent())
            path.moveTo(path_.current());
        else
            path.moveTo(map(s.position));
        appendArc(path, c, rx, ry, a0, a1, true);
        const Point last{c.x + rx * std::cos(a1), c.y - ry * std::sin(a1)};
        s.position = last;
        if (pathOpen_) {
            if (!path_.hasCurrent())
                path_.moveTo(path.points().front());
            const auto& ops = path.ops();
            const auto& ps = path.points();
            size_t k = 1;
            for (size_t o = 1; o < ops.size(); ++o) {
                if (ops[o] == Path::Op::Line)
                    path_.lineTo(ps[k]), k += 1;
                else
                    path_.cubicTo(ps[k], ps[k + 1], ps[k + 2]), k += 3;
            }
            return;
        }
    } else {
        appendArc(path, c, rx, ry, a0, a1, false);
        if (kind == ArcKind::Chord)
            path.close();
    }
    drawShape(std::move(path), kind == ArcKind::Pie || kind == ArcKind::Chord);
}

void Dc::angleArc(Point center, double radius, double startDeg, double sweepDeg) {
    if (!std::isfinite(startDeg) || !std::isfinite(sweepDeg))
        return skipRecord();
    sweepDeg = std::clamp(sweepDeg, -360.0, 360.0);
    startDeg = std::fmod(startDeg, 360.0);
    Path path;
    if (pathOpen_ && path_.hasCurrent())
        path.moveTo(path_.current());
    else
        path.moveTo(map(s.position));
    const double a0 = startDeg * kPi / 180, a1 = (startDeg + sweepDeg) * kPi / 180;
    appendArc(path, center, radius, radius, a0, a1, true);
    s.position = {center.x + radius * std::cos(a1), center.y - radius * std::sin(a1)};
    if (pathOpen_) {
        path_.append(path);
        return;
    }
    strokeNow(path);
}

void Dc::setPixel(Point p, Bgr color) {
    const Point d = map(p);
    Path path;
    const double x = std::floor(d.x), y = std::floor(d.y);
    path.moveTo({x, y});
    path.lineTo({x + 1, y});
    path.lineTo({x + 1, y + 1});
    path.lineTo({x, y + 1});
    path.close();
    if (spend(path, 0))
        canvas_.fill(path, Brush{false, 0, color}, FillRule::Winding);
}

void Dc::text(Point at, std::u16string str, const double* opaqueBox, const double* clipBox) {
    if (pathOpen_)
        return skipRecord();
    const Xform t = total();
    if (opaqueBox) {
        Path box = rectPath(opaqueBox[0], opaqueBox[1], opaqueBox[2], opaqueBox[3]);
        if (spend(box, 0))
            canvas_.fill(box, Brush{false, 0, s.bkColor}, FillRule::Winding);
    }
    if (str.empty())
        return;
    Text run;
    run.text = std::move(str);
    const bool updateCp = s.textAlign & 1;
    run.reference = map(updateCp ? s.position : at);
    const double yScale = std::hypot(t.m21, t.m22), xScale = std::hypot(t.m11, t.m12);
    const double limit = 2.0 * (width_ + height_);
    if (s.font.height == 0) {
        run.pixelHeight = 16, run.emHeight = false;
    } else {
        run.pixelHeight = std::clamp(std::abs(s.font.height) * yScale, 1.0, limit);
        run.emHeight = s.font.height < 0;
    }
    if (s.font.width != 0)
        run.pixelWidth = std::clamp(std::abs(s.font.width) * xScale, 1.0, limit);
    run.angle = s.font.escapement / 10;
    if (s.world.m11 != 1 || s.world.m12 != 0)
        run.angle -= std::atan2(s.world.m12, s.world.m11) * 180 / kPi;
    if (!std::isfinite(run.angle))
        run.angle = 0;
    run.family = s.font.face;
    run.weight = std::clamp(s.font.weight, 0, 1000);
    run.italic = s.font.italic, run.underline = s.font.underline, run.strikeOut = s.font.strikeOut;
    run.color = s.textColor;
    run.opaque = s.bkOpaque && !opaqueBox;
    run.background = s.bkColor;
    switch (s.textAlign & 6) {
    case 2: run.hAlign = HAlign::Right; break;
    case 6: run.hAlign = HAlign::Center; break;
    default: run.hAlign = HAlign::Left;
    }
    switch (s.textAlign & 24) {
    case 8: run.vAlign = VAlign::Bottom; break;
    case 24: run.vAlign = VAlign::Baseline; break;
    default: run.vAlign = VAlign::Top;
    }
    // Text costs roughly its box: the characters times the square of the height.
    Path box;
    const double extent = run.pixelHeight * double(run.text.size());
    box.moveTo({run.reference.x - extent, run.reference.y - extent});
    box.lineTo({run.reference.x + extent, run.reference.y + extent});
    if (!spend(box, 0))
        return;
    if (clipBox) {
        canvas_.save();
        canvas_.clip(rectPath(clipBox[0], clipBox[1], clipBox[2], clipBox[3]), ClipOp::Intersect);
    }
    double advance = 0;
    const bool drawn = canvas_.text(run, advance);
    if (clipBox)
        canvas_.restore();
    if (!drawn)
        return skipRecord();
    if (updateCp && xScale > 0 && std::isfinite(advance))
        s.position.x += (run.hAlign == HAlign::Right ? -advance : advance) / xScale;
}

void Dc::image(const Raster& picture, int srcX, int srcY, int srcW, int srcH, double x, double y,
               double w, double h, uint32_t rop) {
    if (pathOpen_)
        return skipRecord();
    // Source part within the bitmap (a negative size mirrors, as GDI allows).
    if (srcW < 0)
        srcX += srcW, srcW = -srcW, x += w, w = -w;
    if (srcH < 0)
        srcY += srcH, srcH = -srcH, y += h, h = -h;
    const int64_t x0 = std::max<int64_t>(srcX, 0), y0 = std::max<int64_t>(srcY, 0);
    const int64_t x1 = std::min<int64_t>(int64_t(srcX) + srcW, picture.width);
    const int64_t y1 = std::min<int64_t>(int64_t(srcY) + srcH, picture.height);
    if (x1 <= x0 || y1 <= y0 || srcW == 0 || srcH == 0)
        return skipRecord();
    // Shrink the destination along with the source.
    const double fx = w / srcW, fy = h / srcH;
    const double dx0 = x + (x0 - srcX) * fx, dy0 = y + (y0 - srcY) * fy;
    const double dw = (x1 - x0) * fx, dh = (y1 - y0) * fy;
    const Point tl = map({dx0, dy0}), tr = map({dx0 + dw, dy0}), bl = map({dx0, dy0 + dh});
    const Point br = map({dx0 + dw, dy0 + dh});
    Path outline;
    outline.moveTo(tl), outline.lineTo(tr), outline.lineTo(br), outline.lineTo(bl), outline.close();
    if (!spend(outline, 0))
        return;
    BlitMode mode = BlitMode::Copy;
    switch (rop) {
    case 0x008800C6: mode = BlitMode::And; break;
    case 0x00EE0086: mode = BlitMode::Or; break;
    case 0x00660046: mode = BlitMode::Xor; break;
    default: break;
    }
    canvas_.image(picture, int(x0), int(y0), int(x1 - x0), int(y1 - y0), tl, tr, bl, mode);
}

void Dc::patternBlt(double x, double y, double w, double h, uint32_t rop) {
    if (pathOpen_)
        return skipRecord();
    Path box = rectPath(x, y, x + w, y + h);
    Brush brush;
    switch (rop) {
    case 0x00F00021: // PATCOPY
        if (s.brush.style == 1)
            return;
        brush = deviceBrush();
        break;
    case 0x00000042: brush.color = {0, 0, 0}; break;       // BLACKNESS
    case 0x00FF0062: brush.color = {255, 255, 255}; break; // WHITENESS
    default: return skipRecord();
    }
    if (spend(box, 0))
        canvas_.fill(box, brush, FillRule::Winding);
}

// --- clipping and state -----------------------------------------------------------------

void Dc::intersectClip(double l, double t, double r, double b) {
    canvas_.clip(rectPath(l, t, r, b), ClipOp::Intersect);
}

void Dc::excludeClip(double l, double t, double r, double b) {
    canvas_.clip(rectPath(l, t, r, b), ClipOp::Exclude);
}

void Dc::regionClip(const std::vector<std::array<double, 4>>& rects, int mode) {
    if (rects.empty()) {
        if (mode == 5)
            canvas_.resetClip();
        else
            skipRecord();
        return;
    }
    Path region;
    for (const auto& r : rects) {
        const Point a = output.map({r[0], r[1]}), b = output.map({r[2], r[3]});
        region.moveTo({clampFar(a.x), clampFar(a.y)});
        region.lineTo({clampFar(b.x), clampFar(a.y)});
        region.lineTo({clampFar(b.x), clampFar(b.y)});
        region.lineTo({clampFar(a.x), clampFar(b.y)});
        region.close();
    }
    switch (mode) {
    case 1: canvas_.clip(region, ClipOp::Intersect); break;
    case 2: canvas_.clip(region, ClipOp::Unite); break;
    case 3: canvas_.clip(region, ClipOp::Xor); break;
    case 4: canvas_.clip(region, ClipOp::Exclude); break;
    case 5: canvas_.clip(region, ClipOp::Replace); break;
    default: skipRecord();
    }
}

void Dc::save() {
    if (saved_.size() >= kMaxSavedStates)
        return skipRecord();
    saved_.push_back(s);
    canvas_.save();
}

void Dc::restore(int which) {
    // Negative: that many levels back; positive: the state saved as that number.
    const int64_t depth = int64_t(saved_.size());
    const int64_t keep = which < 0 ? depth + which : int64_t(which) - 1;
    if (which == 0 || keep < 0 || keep >= depth)
        return skipRecord();
    while (int64_t(saved_.size()) > keep) {
        s = saved_.back();
        saved_.pop_back();
        canvas_.restore();
    }
}

void Dc::beginPath() {
    path_.clear();
    pathOpen_ = true;
}

void Dc::abortPath() {
    path_.clear();
    pathOpen_ = false;
}

void Dc::closeFigure() {
    if (pathOpen_)
        path_.close();
    else
        skipRecord();
}

void Dc::fillPath() {
    if (!pathOpen_ && !path_.empty())
        fillNow(path_);
    else
        skipRecord();
    path_.clear();
}

void Dc::strokePath() {
    if (!pathOpen_ && !path_.empty())
        strokeNow(path_);
    else
        skipRecord();
    path_.clear();
}

void Dc::strokeAndFillPath() {
    if (!pathOpen_ && !path_.empty()) {
        fillNow(path_);
        strokeNow(path_);
    } else {
        skipRecord();
    }
    path_.clear();
}

void Dc::selectClipPath(int mode) {
    if (pathOpen_ || path_.empty()) {
        path_.clear();
        return skipRecord();
    }
    switch (mode) {
    case 1: canvas_.clip(path_, ClipOp::Intersect); break;
    case 2: canvas_.clip(path_, ClipOp::Unite); break;
    case 3: canvas_.clip(path_, ClipOp::Xor); break;
    case 4: canvas_.clip(path_, ClipOp::Exclude); break;
    case 5: canvas_.clip(path_, ClipOp::Replace); break;
    default: skipRecord();
    }
    path_.clear();
}

} // namespace velvo::imaging::metafile

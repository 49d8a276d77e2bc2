#pragma once
// The device context both metafile readers play their records into: mapping modes, window and
// viewport, world transform, the object table, current position, paths, clipping and the
// saved states. It turns logical coordinates into picture pixels and hands the canvas finished
// shapes, guarding the canvas against coordinates, pen widths and painted area that only a
// hostile file would ask for.
#include <cstdint>
#include <array>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "imaging/codecs/MetafileCanvas.h"
#include "imaging/codecs/MetafileReader.h"

namespace velvo::imaging::metafile {

// x' = m11 x + m21 y + dx, y' = m12 x + m22 y + dy, as the files store it.
struct Xform {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
    Point map(Point p) const { return {m11 * p.x + m21 * p.y + dx, m12 * p.x + m22 * p.y + dy}; }
    // This transform first, then `next`.
    Xform then(const Xform& next) const;
    double det() const { return m11 * m22 - m12 * m21; }
    bool finite() const;
};

struct LogPen {
    int style = 0; // PS_SOLID .. PS_INSIDEFRAME, with PS_NULL (5) drawing nothing
    double width = 0; // logical units; 0 is one pixel whatever the mapping
    Bgr color{};
    int endCap = 0; // PS_ENDCAP_ROUND/SQUARE/FLAT as 0, 1, 2
    int join = 0;   // PS_JOIN_ROUND/BEVEL/MITER as 0, 1, 2
};
struct LogBrush {
    int style = 0; // BS_SOLID 0, BS_NULL 1, BS_HATCHED 2; patterns come as solid
    Bgr color{};
    int hatch = 0;
};
struct LogFont {
    double height = 0; // negative: em height; positive: cell height; 0: the default
    double width = 0;
    double escapement = 0; // tenths of a degree
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    std::string face;
};
// Palettes, regions and other objects that only hold their slot.
struct OtherObject {};
using Object = std::variant<std::monostate, LogPen, LogBrush, LogFont, OtherObject>;

enum MapMode { MmText = 1, MmLoMetric, MmHiMetric, MmLoEnglish, MmHiEnglish, MmTwips, MmIsotropic, MmAnisotropic };

struct DcState {
    int mapMode = MmText;
    Point winOrg{0, 0}, winExt{1, 1}, vpOrg{0, 0}, vpExt{1, 1};
    Xform world;
    LogPen pen;
    LogBrush brush{0, {255, 255, 255}, 0};
    LogFont font;
    Bgr textColor{0, 0, 0};
    Bgr bkColor{255, 255, 255};
    bool bkOpaque = true;
    FillRule fillRule = FillRule::Alternate;
    int textAlign = 0;
    bool clockwise = false;
    Point position{0, 0}; // logical
};

enum class ArcKind { Arc, ArcTo, Pie, Chord };

class Dc {
public:
    Dc(const std::string& name, Canvas& canvas, MetafileResult& result);

    // Checks the size against the picture limits, then starts the canvas.
    void begin(int width, int height);
    [[noreturn]] void fail(const std::string& fault) const;
    const std::string& name() const { return name_; }

    DcState s;
    // Reference device pixels to picture pixels.
    Xform output;
    // Pixels per millimetre of the reference device, for the metric and English mapping modes.
    double pxPerMmX = 96 / 25.4, pxPerMmY = 96 / 25.4;
    // WMF: every mapping mode plays as window-to-viewport (the viewport is the picture).
    bool windowToViewportOnly = false;

    // Called before each record; a record is counted as skipped when it was not understood
    // or when it asked to paint past the budget.
    void startRecord() { skippedNow_ = false; }
    void skipRecord() { skippedNow_ = true; }
    bool recordSkipped() const { return skippedNow_; }

    Xform total() const; // logical to picture pixels
    Point map(Point logical) const;

    // The object table. Indexes past the file's declared table are refused (skipped).
    void setTableSize(size_t size);
    // WMF: the lowest free slot; -1 when full.
    int freeSlot() const;
    void createObject(size_t index, Object object);
    void selectObject(size_t index);
    void selectStock(uint32_t stock);
    void deleteObject(size_t index);

    // Drawing in logical coordinates.
    void moveTo(Point p);
    void lineTo(Point p);
    void polyline(std::span<const Point> pts, bool fromPosition);
    void polygon(std::span<const Point> pts);
    void polyPolygon(const std::vector<std::vector<Point>>& polys);
    void polyPolyline(const std::vector<std::vector<Point>>& polys);
    void polyBezier(std::span<const Point> pts, bool fromPosition);
    void rectangle(double l, double t, double r, double b);
    void roundRect(double l, double t, double r, double b, double w, double h);
    void ellipse(double l, double t, double r, double b);
    void arc(ArcKind kind, double l, double t, double r, double b, Point start, Point end);
    void angleArc(Point center, double radius, double startDeg, double sweepDeg);
    void setPixel(Point p, Bgr color);
    // `opaqueBox`/`clipBox` (logical l, t, r, b) as ExtTextOut's options give them.
    void text(Point at, std::u16string str, const double* opaqueBox, const double* clipBox);
    void image(const Raster& picture, int srcX, int srcY, int srcW, int srcH, double x, double y,
               double w, double h, uint32_t rop);
    // Blits without a source: the brush, black or white over the rectangle.
    void patternBlt(double x, double y, double w, double h, uint32_t rop);

    void intersectClip(double l, double t, double r, double b);
    void excludeClip(double l, double t, double r, double b);
    // Rectangles in reference device pixels (EMF regions), combined by RGN_* mode; none with
    // RGN_COPY resets the clip.
    void regionClip(const std::vector<std::array<double, 4>>& rects, int mode);
    void save();
    void restore(int which);

    void beginPath();
    void endPath() { pathOpen_ = false; }
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void selectClipPath(int mode);

    // Counts decoded bitmap pixels; false once more than the limits allow in one file.
    bool spendDecode(int64_t pixels);

private:
    void drawShape(Path&& path, bool closed);
    void polyOutline(const std::vector<std::vector<Point>>& polys, bool closed);
    bool fillNow(const Path& path);
    bool strokeNow(const Path& path);
    bool spend(const Path& path, double grow);
    Pen devicePen() const;
    Brush deviceBrush() const;
    Path rectPath(double l, double t, double r, double b) const;
    void appendArc(Path& path, Point c, double rx, double ry, double a0, double a1, bool connect) const;

    std::string name_;
    Canvas& canvas_;
    MetafileResult& result_;
    int width_ = 0, height_ = 0;
    std::vector<Object> objects_;
    size_t tableSize_ = 0;
    std::vector<DcState> saved_;
    Path path_;
    bool pathOpen_ = false;
    double budget_ = 0;
    int64_t decodeBudget_ = 0;
    bool skippedNow_ = false;
};

// 0x00bbggrr as the files store colours.
inline Bgr colorRef(uint32_t c) {
    return {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
}

// A bitmap stored as its info header (with colour table) and its pixel bits, through the
// BMP reader. Throws velvo::Error when the bitmap is not valid.
Raster decodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, const std::string& name);
// Height field of a DIB header: positive means stored bottom-up.
bool dibBottomUp(std::span<const uint8_t> info);

} // namespace velvo::imaging::metafile

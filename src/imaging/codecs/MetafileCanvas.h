#pragma once
// What the metafile readers draw on. The readers keep the device context (mapping modes,
// world transform, selected objects, current position, paths) and hand the canvas shapes
// already in picture pixels, so a canvas only fills, strokes, prints and clips. The codecs
// stay free of any drawing library; the picture itself is painted by a canvas installed from
// outside (see MetafileReader.h).
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/codecs/Raster.h"

namespace velvo::imaging::metafile {

struct Point {
    double x = 0, y = 0;
};

// An outline in picture pixels: figures of straight and cubic segments.
class Path {
public:
    enum class Op : uint8_t { Move, Line, Cubic, Close };

    void moveTo(Point p);
    void lineTo(Point p);
    void cubicTo(Point c1, Point c2, Point end);
    void close();
    void append(const Path& other);
    void clear();
    bool empty() const { return ops_.empty(); }
    // A figure is open (a segment may continue it).
    bool hasCurrent() const { return hasCurrent_; }
    Point current() const { return current_; }

    const std::vector<Op>& ops() const { return ops_; }
    // One point per Move and Line, three per Cubic, none per Close.
    const std::vector<Point>& points() const { return points_; }
    // Smallest box around every point (control points included); false when empty.
    bool bounds(Point& low, Point& high) const;

private:
    std::vector<Op> ops_;
    std::vector<Point> points_;
    Point current_{};
    Point start_{};
    bool hasCurrent_ = false;
};

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot };
enum class LineCap { Round, Square, Flat };
enum class LineJoin { Round, Bevel, Miter };

struct Pen {
    PenStyle style = PenStyle::Solid;
    double width = 1; // picture pixels, at least 1
    Bgr color{};
    LineCap cap = LineCap::Round;
    LineJoin join = LineJoin::Round;
};

// Hatch styles numbered as in the files: horizontal, vertical, "\", "/", cross, diagonal cross.
struct Brush {
    bool hatched = false;
    int hatch = 0;
    Bgr color{};
    // Behind the hatch lines: the background colour when the background mode is opaque.
    bool opaqueBackground = false;
    Bgr background{255, 255, 255};
};

enum class FillRule { Alternate, Winding };

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Baseline, Bottom };

struct Text {
    std::u16string text;
    Point reference;      // picture pixels
    double angle = 0;     // degrees, counter-clockwise on the picture
    std::string family;   // UTF-8; empty for the default face
    double pixelHeight = 16; // of the em square when emHeight, else of the character cell
    bool emHeight = true;
    double pixelWidth = 0; // average character width; 0 for the face's own
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    Bgr color{};
    bool opaque = false; // fill the text's box with `background` first
    Bgr background{255, 255, 255};
    HAlign hAlign = HAlign::Left;
    VAlign vAlign = VAlign::Top;
};

// How a bitmap meets what is already drawn; the few raster operations clip-art uses.
enum class BlitMode { Copy, And, Or, Xor };

enum class ClipOp { Intersect, Exclude, Unite, Xor, Replace };

class Canvas {
public:
    virtual ~Canvas() = default;
    // A white picture of this size; called once, after the size passed the picture limits.
    virtual void begin(int width, int height) = 0;
    virtual void fill(const Path& path, const Brush& brush, FillRule rule) = 0;
    virtual void stroke(const Path& path, const Pen& pen) = 0;
    // Sets `advance` to the text's advance in picture pixels along its baseline. False when
    // nothing could be drawn (no fonts at hand).
    virtual bool text(const Text& text, double& advance) = 0;
    // Draws the `srcW` x `srcH` part at (srcX, srcY) of `picture` onto the parallelogram whose
    // corners for the part's top-left, top-right and bottom-left are given.
    virtual void image(const Raster& picture, int srcX, int srcY, int srcW, int srcH,
                       Point topLeft, Point topRight, Point bottomLeft, BlitMode mode) = 0;
    virtual void clip(const Path& path, ClipOp op) = 0;
    virtual void resetClip() = 0;
    virtual void save() = 0;
    virtual void restore() = 0;
    virtual Raster finish() = 0;
};

} // namespace velvo::imaging::metafile

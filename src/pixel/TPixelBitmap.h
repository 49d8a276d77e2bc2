#pragma once
// The filters' 24-bit buffer: blue, green, red triples, rows stored bottom-up, each row padded
// to a multiple of 4 bytes, like a device-independent bitmap section. This file and its .cpp
// need no Qt, so the filters can be fuzzed and benchmarked on plain memory; the drawing and
// QImage members are defined in PixelBitmapQt.cpp.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QImage;
class QPainter;

namespace velvo::pixel {

// The 40-byte information header that describes the pixel block (and a bitmap file written
// from it). Height is positive: bottom-up rows.
struct BitmapInfoHeader {
    uint32_t Size = 40;
    int32_t Width = 0;
    int32_t Height = 0;
    uint16_t Planes = 1;
    uint16_t BitCount = 24;
    uint32_t Compression = 0;
    uint32_t SizeImage = 0;
    int32_t XPelsPerMeter = 0;
    int32_t YPelsPerMeter = 0;
    uint32_t ClrUsed = 0;
    uint32_t ClrImportant = 0;
};

// The pixel geometry and the scaling operations.
class TPixelBase {
public:
    virtual ~TPixelBase() = default;
    TPixelBase() = default;
    TPixelBase(const TPixelBase&) = delete;
    TPixelBase& operator=(const TPixelBase&) = delete;

    int32_t RowGap = 0;   // width mod 4
    int32_t RowBytes = 0; // ((width * 24 + 31) div 32) * 4
    int32_t ByteSize = 0; // RowBytes * height
    int32_t Width = 0;
    int32_t Height = 0;
    // Stored row i (0 = bottom row of the picture) starts at RowStarts[i].
    std::vector<uint8_t*> RowStarts;
    uint8_t* PixelBytes = nullptr;

    // Same size: nothing happens and the pixels stay. Another size: a fresh block (zeroed).
    // Throws velvo::Error for a negative size or one beyond the picture limits.
    virtual void SetSize(int width, int height) = 0;
    // Scale into the destination's current size (see the .cpp for the fixed-point rules).
    virtual void ResizeNearest(TPixelBase& destination) const = 0;
    virtual void ResizeBilinear(TPixelBase& destination) const = 0;
    // Copies width x height pixels from (sourceX, sourceY) of this bitmap to (x, y) of the
    // destination, clipped to both; coordinates count from the top row of the picture.
    virtual void CopyBlock(TPixelBase& destination, int x, int y, int width, int height,
                           int sourceX, int sourceY) const = 0;
    // Fills the destination with copies of this bitmap, the first at its top-left.
    virtual void TileInto(TPixelBase& destination) const = 0;

    bool Empty() const { return Width <= 0 || Height <= 0; }
    // Pixel (x, y) counted from the top row of the picture, as displayed.
    uint8_t* PixelAt(int x, int y) { return RowStarts[Height - 1 - y] + size_t(x) * 3; }
    const uint8_t* PixelAt(int x, int y) const {
        return RowStarts[Height - 1 - y] + size_t(x) * 3;
    }
};

class TPixelBitmap : public TPixelBase {
public:
    TPixelBitmap() = default;

    BitmapInfoHeader Header;

    void SetSize(int width, int height) override;
    void ResizeNearest(TPixelBase& destination) const override;
    void ResizeBilinear(TPixelBase& destination) const override;
    void CopyBlock(TPixelBase& destination, int x, int y, int width, int height, int sourceX,
                   int sourceY) const override;
    void TileInto(TPixelBase& destination) const override;

    // An uncompressed Windows bitmap file of 1, 4, 8, 24 or 32 bits (bottom-up or top-down).
    // The signature is not checked. Throws velvo::Error naming the file when it cannot be read,
    // is compressed, or is shorter than its header says.
    void LoadFromFile(const std::string& file);
    // The same from bytes in memory; `name` is used in error messages.
    void LoadFromBytes(const uint8_t* data, size_t size, const std::string& name);
    // A 24-bit uncompressed bitmap file of the block, with the header encodeBmp writes, saved
    // safely (see writeFileAtomic). Throws velvo::Error when the bitmap is empty or writing fails.
    void SaveToFile(const std::string& file) const;

    // Qt side (PixelBitmapQt.cpp). LoadFromBitmapHandle takes the size and pixels of an image
    // of any format, converted to 24 bits.
    void LoadFromBitmapHandle(const QImage& image);
    void DrawAt(QPainter& painter, int x, int y) const;
    void DrawAt(QImage& image, int x, int y) const;
    // Stretches without blending (nearest pixels), as a colour-on-colour stretch does.
    void StretchTo(QPainter& painter, int x, int y, int width, int height) const;
    void DrawPart(QPainter& painter, int x, int y, int width, int height, int sourceX,
                  int sourceY) const;
    void StretchPart(QPainter& painter, int x, int y, int width, int height, int sourceX,
                     int sourceY, int sourceWidth, int sourceHeight) const;
    void TileDraw(QPainter& painter, int x, int y, int width, int height) const;

private:
    // SetSize, with the new block cleared only when `zeroed`.
    void allocate(int width, int height, bool zeroed);

    std::unique_ptr<uint8_t[]> block_;
};

} // namespace velvo::pixel

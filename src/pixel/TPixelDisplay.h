#pragma once
#include <QColor>
#include <QString>
#include <QWidget>
#include <memory>

#include "pixel/TPixelBitmap.h"

namespace velvo::pixel {

// Shows one fast bitmap. Painting covers every pixel of the control: what the picture does
// not cover is filled with Color().
class TPixelDisplay : public QWidget {
    Q_OBJECT
public:
    enum DrawStyles { dsDraw, dsStretch, dsResize, dsTile, dsCenter };
    enum DataTypes { dtPixelBitmap };
    enum Convert256 { cmGray, cmCut, cmDither };

    explicit TPixelDisplay(QWidget* parent = nullptr);
    ~TPixelDisplay() override;

    // Shows `bitmap` without copying or owning it; nullptr clears the control.
    void AssignBitmap(TPixelBitmap* bitmap);
    TPixelBitmap* Bitmap() const { return shown_; }

    // A file that does not exist leaves the control as it was. Otherwise the control's own
    // bitmap (made on first use) is loaded and shown; velvo::Error for a bad file.
    void LoadFromFile(const QString& file);
    QString FileName() const { return fileName_; }
    void SetFileName(const QString& file) { LoadFromFile(file); }

    DrawStyles DrawStyle() const { return drawStyle_; }
    void SetDrawStyle(DrawStyles style);
    bool BilinearResize() const { return bilinear_; }
    void SetBilinearResize(bool on);
    // With AutoSize the control takes the bitmap's size whenever one is assigned or loaded.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    DataTypes DataType() const { return dtPixelBitmap; }
    // Has no effect on 24-bit data, the only kind there is.
    Convert256 Convert_256() const { return convert_; }
    void SetConvert_256(Convert256 mode) { convert_ = mode; }
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

    // The picture rectangle of dsResize for a control of cw x ch and a picture of sw x sh.
    static QRect FitRect(int cw, int ch, int sw, int sh);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyAutoSize();

    TPixelBitmap* shown_ = nullptr;
    std::unique_ptr<TPixelBitmap> own_;
    QString fileName_;
    DrawStyles drawStyle_ = dsDraw;
    bool bilinear_ = false;
    bool autoSize_ = false;
    Convert256 convert_ = cmGray;
    QColor color_;
};

} // namespace velvo::pixel

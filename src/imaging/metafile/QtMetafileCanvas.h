#pragma once
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <vector>

#include "imaging/codecs/MetafileCanvas.h"

namespace velvo::imaging::metafile {

// Paints onto a white QImage with antialiasing. Text needs a QGuiApplication (fonts); without
// one, text records are left undrawn.
class QtMetafileCanvas : public Canvas {
public:
    ~QtMetafileCanvas() override;
    void begin(int width, int height) override;
    void fill(const Path& path, const Brush& brush, FillRule rule) override;
    void stroke(const Path& path, const Pen& pen) override;
    bool text(const Text& text, double& advance) override;
    void image(const Raster& picture, int srcX, int srcY, int srcW, int srcH, Point topLeft,
               Point topRight, Point bottomLeft, BlitMode mode) override;
    void clip(const Path& path, ClipOp op) override;
    void resetClip() override;
    void save() override;
    void restore() override;
    Raster finish() override;

    const QImage& picture() const { return image_; }

private:
    void applyClip();

    QImage image_;
    QPainter painter_;
    QPainterPath clip_;
    bool clipped_ = false;
    std::vector<std::pair<QPainterPath, bool>> saved_;
};

} // namespace velvo::imaging::metafile

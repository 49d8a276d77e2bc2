#include "pixel/TPixelDisplay.h"

#include <QFileInfo>
#include <QPainter>
#include <QRegion>
#include <cmath>

namespace velvo::pixel {
namespace {

// Rounding half to even, as std::rint does in the default rounding mode.
int roundEven(double v) { return int(std::rint(v)); }

} // namespace

TPixelDisplay::TPixelDisplay(QWidget* parent) : QWidget(parent) {
    color_ = palette().color(QPalette::Window);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TPixelDisplay::~TPixelDisplay() = default;

void TPixelDisplay::AssignBitmap(TPixelBitmap* bitmap) {
    shown_ = bitmap;
    if (!bitmap)
        own_.reset();
    applyAutoSize();
    update();
}

void TPixelDisplay::LoadFromFile(const QString& file) {
    if (!QFileInfo(file).isFile())
        return;
    if (!own_)
        own_ = std::make_unique<TPixelBitmap>();
    own_->LoadFromFile(file.toStdString());
    fileName_ = file;
    shown_ = own_.get();
    applyAutoSize();
    update();
}

void TPixelDisplay::SetDrawStyle(DrawStyles style) {
    drawStyle_ = style;
    update();
}

void TPixelDisplay::SetBilinearResize(bool on) {
    bilinear_ = on;
    update();
}

void TPixelDisplay::SetAutoSize(bool on) {
    autoSize_ = on;
    applyAutoSize();
}

void TPixelDisplay::SetColor(const QColor& color) {
    color_ = color;
    update();
}

void TPixelDisplay::applyAutoSize() {
    if (autoSize_ && shown_ && !shown_->Empty())
        resize(shown_->Width, shown_->Height);
}

QRect TPixelDisplay::FitRect(int cw, int ch, int sw, int sh) {
    sw = std::max(sw, 1), sh = std::max(sh, 1);
    const double kx = double(cw) / sw, ky = double(ch) / sh;
    if (kx > ky)
        return QRect(roundEven((cw - ky * sw) * 0.5), 0, roundEven(ky * sw), ch);
    return QRect(0, roundEven((ch - kx * sh) * 0.5), cw, roundEven(kx * sh));
}

void TPixelDisplay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int cw = width(), ch = height();
    const QRect client(0, 0, cw, ch);
    // Fills the control outside `picture` with the control's colour.
    auto fillAround = [&](const QRect& picture) {
        const QRegion rest = QRegion(client).subtracted(QRegion(picture));
        for (const QRect& r : rest)
            painter.fillRect(r, color_);
    };
    if (!shown_ || shown_->Empty()) {
        painter.fillRect(client, color_);
        return;
    }
    const TPixelBitmap& bm = *shown_;
    const int sw = bm.Width, sh = bm.Height;
    auto scaled = [&](const QRect& target) {
        if (target.width() < 1 || target.height() < 1)
            return;
        if (bilinear_) {
            TPixelBitmap temp;
            temp.SetSize(target.width(), target.height());
            bm.ResizeBilinear(temp);
            temp.DrawAt(painter, target.x(), target.y());
        } else {
            bm.StretchTo(painter, target.x(), target.y(), target.width(), target.height());
        }
    };
    switch (drawStyle_) {
    case dsDraw:
        fillAround(QRect(0, 0, sw, sh));
        bm.DrawAt(painter, 0, 0);
        break;
    case dsStretch:
        scaled(client);
        break;
    case dsResize: {
        // Filled whenever the rounded picture leaves anything uncovered, not only when an
        // offset is non-zero: otherwise a rounded-down height would leave a row unpainted.
        const QRect picture = FitRect(cw, ch, sw, sh);
        fillAround(picture);
        scaled(picture);
        break;
    }
    case dsTile:
        bm.TileDraw(painter, 0, 0, cw, ch);
        break;
    case dsCenter: {
        // C++ division truncates toward zero, as the halves must.
        const QRect picture((cw - sw) / 2, (ch - sh) / 2, sw, sh);
        fillAround(picture);
        bm.DrawAt(painter, picture.x(), picture.y());
        break;
    }
    }
}

} // namespace velvo::pixel

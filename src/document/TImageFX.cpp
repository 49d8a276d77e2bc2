#include "document/TImageFX.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "document/TTransparentBitmap.h"
#include "imaging/codecs/Error.h"

namespace velvo::document {
namespace {

// Nearest-pixel stretch of `s` of `src` (RGB32 or ARGB32) into `d` of `dst` (RGB32): the
// destination pixel x takes source column s.x + (x - d.x) * s.w / d.w, and likewise for rows,
// so rows and columns are dropped or repeated, never blended. With a mask (Format_Mono, 1 =
// key) the key pixels leave the destination as it was. Pixels outside either image are skipped.
void stretchCopy(QImage& dst, const QRect& d, const QImage& src, const QRect& s,
                 const QImage* mask = nullptr) {
    if (d.isEmpty() || s.isEmpty() || dst.isNull() || src.isNull())
        return;
    const QRect clip = d & dst.rect();
    if (clip.isEmpty())
        return;
    std::vector<int> columns(size_t(clip.width()));
    for (int x = clip.left(); x <= clip.right(); ++x)
        columns[size_t(x - clip.left())] = s.x() + int(qint64(x - d.x()) * s.width() / d.width());
    for (int y = clip.top(); y <= clip.bottom(); ++y) {
        const int sy = s.y() + int(qint64(y - d.y()) * s.height() / d.height());
        if (sy < 0 || sy >= src.height())
            continue;
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
        const uchar* keys = mask ? mask->constScanLine(sy) : nullptr;
        auto* out = reinterpret_cast<QRgb*>(dst.scanLine(y)) + clip.left();
        for (size_t i = 0; i < columns.size(); ++i) {
            const int sx = columns[i];
            if (sx < 0 || sx >= src.width())
                continue;
            if (keys && (keys[sx >> 3] & (0x80 >> (sx & 7))))
                continue;
            out[i] = in[sx] | 0xff000000u;
        }
    }
}

} // namespace

TImageFX::TImageFX(QWidget* parent)
    : QWidget(parent), bitmap_(std::make_unique<TTransparentBitmap>()) {
    bitmap_->SetKeyEnabled(transparent_);
    color_ = palette().color(QPalette::Base);
    resize(100, 100);
    setAttribute(Qt::WA_TransparentForMouseEvents, !isEnabled());
}

TImageFX::~TImageFX() = default;

QImage TImageFX::Bitmap() const {
    return bitmap_ ? bitmap_->Image() : QImage();
}

void TImageFX::SetBitmap(const QImage& bitmap) {
    if (!bitmap_) {
        // A new holder takes the control's keying as it stands, not the holder's defaults.
        bitmap_ = std::make_unique<TTransparentBitmap>();
        bitmap_->SetKeyEnabled(transparent_);
        bitmap_->SetKeyPoint(keyPoint_);
    }
    bitmap_->Assign(bitmap);
    SetAutoSize(autoSize_);
}

void TImageFX::ClearBitmap() {
    bitmap_.reset();
    ResizeBuffers();
}

bool TImageFX::PictureEmpty() const {
    return !bitmap_ || bitmap_->Image().width() < 1 || bitmap_->Image().height() < 1;
}

void TImageFX::SetAutoSize(bool on) {
    autoSize_ = on;
    if (on && !PictureEmpty())
        resize(bitmap_->Image().size());
    ResizeBuffers();
}

void TImageFX::ResizeBuffers() {
    const QSize size = PictureEmpty() ? QSize(0, 0) : bitmap_->Image().size();
    if (size.isEmpty()) {
        backgroundCopy_ = QImage();
        frameBuffer_ = QImage();
    } else {
        backgroundCopy_ = QImage(size, QImage::Format_RGB32);
        backgroundCopy_.fill(color_);
        frameBuffer_ = backgroundCopy_.copy();
    }
    bitmapRect_ = QRect(QPoint(0, 0), size);
}

void TImageFX::EnsureBuffers() {
    const QSize size = PictureEmpty() ? QSize(0, 0) : bitmap_->Image().size();
    if (bitmapRect_.size() != size || frameBuffer_.size() != size)
        ResizeBuffers();
}

void TImageFX::SetCenter(bool on) {
    center_ = on;
    update();
}

void TImageFX::SetStretch(bool on) {
    const bool changed = stretch_ != on || (!on && stretchRatio_);
    stretch_ = on;
    if (!on)
        stretchRatio_ = false;
    if (changed)
        update();
}

void TImageFX::SetStretchRatio(bool on) {
    const bool changed = stretchRatio_ != on || (on && !stretch_);
    stretchRatio_ = on;
    if (on)
        stretch_ = true;
    if (changed)
        update();
}

void TImageFX::SetTransparent(bool on) {
    if (transparent_ == on)
        return;
    transparent_ = on;
    if (bitmap_)
        bitmap_->SetKeyEnabled(on);
    update();
}

void TImageFX::SetTransparentPixel(const QString& text) {
    if (!bitmap_)
        throw velvo::Error("", "No bitmap selected!");
    // A part that is not an integer counts as -9999, and so does -9999 itself.
    const auto part = [](const QString& s) {
        bool ok = false;
        const int value = s.trimmed().toInt(&ok);
        return ok ? value : -9999;
    };
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    const int x = comma < 0 ? -9999 : part(text.left(comma));
    const int y = comma < 0 ? -9999 : part(text.mid(comma + 1));
    if (x == -9999 || y == -9999)
        throw velvo::Error("", "Invalid pixel string. Example: 123,45");
    // No lower bound, and the far edges themselves are accepted: such points key out nothing.
    if (x > bitmap_->Image().width() || y > bitmap_->Image().height())
        throw velvo::Error("", "Location is not within bitmap boundaries");
    transparentPixel_ = text;
    keyPoint_ = QPoint(x, y);
    if (bitmap_->KeyPoint() != keyPoint_) {
        bitmap_->SetKeyPoint(keyPoint_);
        update();
    }
}

void TImageFX::SetColor(const QColor& color) {
    if (color_ != color) {
        color_ = color;
        update();
    }
}

void TImageFX::SetVisible(bool on) {
    if (visible_ == on)
        return;
    visible_ = on;
    if (running_)
        StopEffect();
    update();
}

void TImageFX::SetHideIfStatic(bool on) {
    if (hideIfStatic_ != on) {
        hideIfStatic_ = on;
        update();
    }
}

void TImageFX::SetEffect(TEffect effect) {
    if (int(effect) < 0 || int(effect) > kLastEffect)
        throw velvo::Error("", "Invalid Effect");
    requestedEffect_ = effect;
    if (!running_) {
        effect_ = effect;
        RecomputeSteps();
    }
}

void TImageFX::SetGranularity(TGranularity granularity) {
    granularity_ = granularity;
    if (!running_)
        RecomputeSteps();
}

void TImageFX::SetEffectDelay(int delay) {
    effectDelay_ = std::clamp(delay, 0, 1000);
}

void TImageFX::SetEffectRate(int rate) {
    effectRate_ = std::clamp(rate, 0, 1000);
}

void TImageFX::RecomputeSteps() {
    effectSteps_ = StepsFor(effect_, granularity_);
}

QRect TImageFX::ScreenRect() const {
    QRect r = bitmapRect_;
    if (stretch_) {
        r = rect();
        const int pw = bitmapRect_.width(), ph = bitmapRect_.height();
        if (stretchRatio_ && pw > 0 && ph > 0) {
            // Ties round to even, as the platform's rounding did.
            const int h = int(std::nearbyint(double(ph) / pw * width()));
            if (h > height())
                r.setWidth(int(std::nearbyint(double(pw) / ph * height())));
            else
                r.setHeight(h);
        }
    }
    if (center_)
        r.moveTo((width() - r.width()) / 2, (height() - r.height()) / 2);
    return r;
}

QImage TImageFX::GrabBelow(const QRect& area) const {
    QImage shot(area.size(), QImage::Format_RGB32);
    if (shot.isNull())
        return shot;
    shot.fill(palette().color(QPalette::Window));
    // From the window down to this control: each ancestor alone, then its children that lie
    // below the next one on the way, with everything inside them.
    std::vector<QWidget*> chain;
    for (QWidget* w = const_cast<TImageFX*>(this); w;
         w = w->isWindow() ? nullptr : w->parentWidget())
        chain.push_back(w);
    QPainter painter(&shot);
    for (size_t i = chain.size() - 1; i >= 1; --i) {
        QWidget* ancestor = chain[i];
        const QWidget* next = chain[i - 1];
        const QRect wanted(mapTo(ancestor, area.topLeft()), area.size());
        const QRect seen = wanted & ancestor->rect();
        if (seen.isEmpty())
            break;
        ancestor->render(&painter, seen.topLeft() - wanted.topLeft(), QRegion(seen),
                         QWidget::DrawWindowBackground);
        for (QObject* object : ancestor->children()) {
            if (object == next)
                break;
            auto* sibling = qobject_cast<QWidget*>(object);
            if (!sibling || sibling->isWindow() || sibling->isHidden())
                continue;
            const QRect part = seen & sibling->geometry();
            if (part.isEmpty())
                continue;
            sibling->render(&painter, part.topLeft() - wanted.topLeft(),
                            QRegion(part.translated(-sibling->pos())),
                            QWidget::DrawWindowBackground | QWidget::DrawChildren);
        }
    }
    return shot;
}

void TImageFX::CaptureBackground() {
    EnsureBuffers();
    if (frameBuffer_.isNull())
        return;
    const QRect screen = ScreenRect();
    QImage under = GrabBelow(screen);
    if (!under.isNull() && !transparent_) {
        // An opaque control has filled itself with Color before its picture is drawn.
        QPainter painter(&under);
        painter.fillRect(rect().translated(-screen.topLeft()), color_);
    }
    stretchCopy(backgroundCopy_, bitmapRect_, under, under.rect());
    frameBuffer_ = backgroundCopy_.copy();
}

void TImageFX::DrawFrame(const Frame& frame, TEffect effect, bool present) {
    if (PictureEmpty())
        return;
    EnsureBuffers();
    if (frameBuffer_.isNull())
        return;
    if (!trails_ && RestoresBackground(effect))
        frameBuffer_ = backgroundCopy_.copy();
    if (!trails_)
        for (const QRect& area : frame.underlay)
            stretchCopy(frameBuffer_, area, backgroundCopy_, area);
    for (const Piece& piece : frame.background)
        stretchCopy(frameBuffer_, piece.dest, backgroundCopy_, piece.source);

    const bool keyed = transparent_ && !bitmap_->Mask().isNull();
    const QImage* source = &bitmap_->MaskedImage();
    if (!keyed) {
        const QImage& image = bitmap_->Image();
        if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32) {
            source = &image;
        } else {
            if (opaqueSource_.isNull() || opaqueSourceKey_ != image.cacheKey()) {
                opaqueSource_ = image.convertToFormat(QImage::Format_RGB32);
                opaqueSourceKey_ = image.cacheKey();
            }
            source = &opaqueSource_;
        }
    }
    for (const Piece& piece : frame.picture)
        stretchCopy(frameBuffer_, piece.dest, *source, piece.source,
                    keyed ? &bitmap_->Mask() : nullptr);
    if (!frame.picture.empty()) {
        sourceRect_ = frame.picture.back().source;
        destRect_ = frame.picture.back().dest;
    }
    if (present)
        Present();
}

void TImageFX::Present() {
    presentPending_ = true;
    update();
}

void TImageFX::paintEvent(QPaintEvent*) {
    if (!visible_)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // A running effect shows its own frames; so does the one whose last frame is not yet shown.
    if (presentPending_ || (running_ && effect_ != fxNone)) {
        presentPending_ = false;
        if (!transparent_)
            painter.fillRect(rect(), color_);
        if (!frameBuffer_.isNull())
            painter.drawImage(ScreenRect(), frameBuffer_);
        return;
    }
    if (!transparent_)
        painter.fillRect(rect(), color_);
    if (!bitmap_)
        return;
    if (effect_ == fxNone || !hideIfStatic_) {
        CaptureBackground();
        if (!PictureEmpty()) {
            Frame frame;
            frame.picture.push_back({bitmapRect_, bitmapRect_});
            DrawFrame(frame, effect_, false);
            if (!frameBuffer_.isNull())
                painter.drawImage(ScreenRect(), frameBuffer_);
        }
    }
    emit OnPaint();
}

void TImageFX::StartEffect() {
    if (!running_ && isEnabled() && !PictureEmpty()) {
        if (effectDelay_ == 0)
            return;
        if (visible_) {
            // The capture leaves this control out, so even a hiding effect starts from the true
            // background rather than from the picture it is about to hide.
            CaptureBackground();
            effectPass_ = 1;
            effectPasses_ = 1;
            RecomputeSteps();
            if (effectTimer_)
                effectTimer_->deleteLater();
            effectTimer_ = new QTimer(this);
            effectTimer_->setInterval(effectDelay_ * 10);
            connect(effectTimer_, &QTimer::timeout, this, &TImageFX::EffectTick);
            effectTimer_->start();
            firstStep_ = true;
            running_ = true;
            pixelRunning_ = false;
            presentPending_ = false;
            ++runId_;
            return;
        }
    }
    StopEffect();
}

void TImageFX::StopEffect() {
    if (effectTimer_) {
        // The timer may be the sender of the tick that stops it.
        effectTimer_->stop();
        effectTimer_->deleteLater();
        effectTimer_ = nullptr;
    }
    firstStep_ = true;
    running_ = false;
    pixelRunning_ = false;
    effect_ = requestedEffect_;
    if (hideIfStatic_)
        update();
}

void TImageFX::Complete() {
    StopEffect();
    emit OnComplete();
}

void TImageFX::AdvanceEffect() {
    if (effectPos_ < PassEnd(effect_, effectSteps_)) {
        effectPos_ += StepFor(effect_, effectRate_);
    } else if (effectPass_ < effectPasses_) {
        ++effectPass_;
        firstStep_ = true;
    } else {
        Complete();
    }
}

void TImageFX::EffectTick() {
    if (effectDelay_ == 0 || effectSteps_ == 0 || effectPasses_ == 0 || !visible_) {
        StopEffect();
        return;
    }
    if (!running_ || effectRate_ == 0)
        return;
    if (PictureEmpty()) {
        StopEffect();
        return;
    }
    if (effectTimer_ && effectTimer_->interval() != effectDelay_ * 10)
        effectTimer_->setInterval(effectDelay_ * 10);

    const TEffect effect = effect_;
    const QSize size = bitmapRect_.size();
    const unsigned run = runId_;
    QPointer<TImageFX> self(this);

    if (effect == fxPixelation) {
        if (!pixelRunning_)
            RunPixelation();
        return;
    }
    if (effect == fxNone) {
        Complete();
        if (self && runId_ == run)
            DrawFrame(FrameAt(fxNone, size, 0, effectSteps_, 1, 1), effect, true);
        return;
    }
    if (Hides(effect)) {
        if (firstStep_) {
            firstStep_ = false;
            effectPos_ = effectSteps_;
        }
        effectPos_ = std::clamp(effectPos_, 0, effectSteps_);
        if (effectPos_ > 0) {
            const Frame frame = FrameAt(effect, size, effectPos_, effectSteps_, 1, 1);
            effectPos_ = std::max(0, effectPos_ - effectRate_);
            DrawFrame(frame, effect, true);
            return;
        }
        // The picture is gone: the last frame shows only what lies under it.
        if (effect == fxHideZoomOut) {
            DrawFrame(FrameAt(effect, size, 0, effectSteps_, 1, 1), effect, true);
        } else {
            frameBuffer_ = backgroundCopy_.copy();
            Present();
        }
        Complete();
        return;
    }

    if (firstStep_) {
        firstStep_ = false;
        effectPos_ = 0;
        if (effect == fxDiagonal && effectPass_ == 1)
            effectPasses_ = 2;
        if (effect == fxStrips && effectPass_ == 1) {
            effectPasses_ = effectSteps_ / effectRate_;
            if (effectPasses_ == 0) {
                StopEffect();
                return;
            }
        }
    }
    effectPos_ = std::min(effectPos_, PassEnd(effect, effectSteps_));
    const Frame frame = FrameAt(effect, size, effectPos_, effectSteps_, effectPass_, effectPasses_);
    AdvanceEffect();
    // OnComplete may have deleted the control or started another effect.
    if (self && runId_ == run)
        DrawFrame(frame, effect, true);
}

void TImageFX::RunPixelation() {
    pixelRunning_ = true;
    const int n = effectSteps_ / std::max(1, effectRate_);
    const QSize size = bitmapRect_.size();
    std::vector<int> cells;
    try {
        cells.resize(size_t(n) * size_t(n));
    } catch (...) {
        cells.clear();
        StopEffect();
        throw;
    }
    std::iota(cells.begin(), cells.end(), 0);
    std::shuffle(cells.begin(), cells.end(), *QRandomGenerator::global());
    // Cells are W / n + 1 by H / n + 1 pixels, their origins truncated; each is drawn one pixel
    // larger than its truncated size, so no seam stays uncovered.
    const double cellW = n > 0 ? double(size.width()) / n + 1 : 0;
    const double cellH = n > 0 ? double(size.height()) / n + 1 : 0;
    const unsigned run = runId_;
    QPointer<TImageFX> self(this);
    for (const int cell : cells) {
        const int x = int((cell % n) * cellW), y = int((cell / n) * cellH);
        const QRect area(x, y, int(cellW) + 1, int(cellH) + 1);
        Frame frame;
        frame.picture.push_back({area, area});
        DrawFrame(frame, fxPixelation, true);
        QCoreApplication::processEvents();
        if (!self || !running_ || runId_ != run)
            return;
        emit OnPixelation();
        if (!self || !running_ || runId_ != run)
            return;
    }
    Complete();
}

void TImageFX::changeEvent(QEvent* event) {
    // A disabled control lets the mouse through to what lies under it.
    if (event->type() == QEvent::EnabledChange)
        setAttribute(Qt::WA_TransparentForMouseEvents, !isEnabled());
    QWidget::changeEvent(event);
}

void TImageFX::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        leftPressed_ = true;
    emit OnMouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

void TImageFX::mouseMoveEvent(QMouseEvent* event) {
    emit OnMouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
}

void TImageFX::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    const bool click =
        event->button() == Qt::LeftButton && leftPressed_ && rect().contains(position);
    if (event->button() == Qt::LeftButton)
        leftPressed_ = false;
    emit OnMouseUp(event->button(), event->modifiers(), position);
    if (click)
        emit OnClick();
}

void TImageFX::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = true;
        emit OnDblClick();
    }
    emit OnMouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

} // namespace velvo::document

#pragma once
#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

class QTimer;

namespace velvo::document {

class TTransparentBitmap;

// The studio's image control: a picture drawn with one colour keyed out (Transparent), stretched
// to the control (Stretch, StretchRatio) or centred in it (Center), and shown through one of 42
// animated transitions (Effect, StartEffect). Each frame is composed off screen in FrameBuffer, on
// a copy of what lies under the control (BackgroundCopy), both of the picture's size, and then
// copied to ScreenRect in one go; stretching drops or repeats whole rows and columns, never
// blends. Visible is a flag of the control's own: false draws no picture and stops effects, while
// the widget stays shown so that it still gets the mouse when enabled; a disabled control lets
// the mouse through to what lies under it.
class TImageFX : public QWidget {
    Q_OBJECT
public:
    enum TEffect : int {
        fxNone,
        fxHideImplode,
        fxHideZoomIn,
        fxHideZoomOut,
        fxViewExplode,
        fxViewZoomIn,
        fxViewZoomOut,
        fxWipeRightRoll,
        fxWipeRightSlide,
        fxWipeRightStretch,
        fxWipeLeftRoll,
        fxWipeLeftSlide,
        fxWipeLeftStretch,
        fxWipeUpRoll,
        fxWipeUpSlide,
        fxWipeUpStretch,
        fxWipeDownRoll,
        fxWipeDownSlide,
        fxWipeDownStretch,
        fxSideCurtainRoll,
        fxVertCurtainRoll,
        fxSqueeze,
        fxPushLeft,
        fxPushRight,
        fxPushDown,
        fxPushUp,
        fxRollRightDown,
        fxStretchRightDown,
        fxSlideRightDown,
        fxRollRightUp,
        fxStretchRightUp,
        fxSlideRightUp,
        fxRollLeftDown,
        fxStretchLeftDown,
        fxSlideLeftDown,
        fxRollLeftUp,
        fxStretchLeftUp,
        fxSlideLeftUp,
        fxDiagonal,
        fxStrips,
        fxPixelation,
        fxBlindHoriz,
        fxBlindVert
    };
    Q_ENUM(TEffect)
    static constexpr int kLastEffect = fxBlindVert;

    // Steps of an effect: 50, 100, 250, 500.
    enum TGranularity { gr50, gr100, gr250, gr500 };
    Q_ENUM(TGranularity)

    // A rectangle of a source (the picture or BackgroundCopy) stretched into one of FrameBuffer.
    struct Piece {
        QRect source;
        QRect dest;
    };
    // What one frame of an effect draws, in this order, after the optional restore of the whole
    // BackgroundCopy: `underlay` areas restored from BackgroundCopy (skipped with Trails, so that
    // moving pieces leave no copies behind otherwise), `background` pieces of BackgroundCopy moved
    // (a push shifts the old frame out), then the `picture` pieces, keyed when Transparent.
    struct Frame {
        std::vector<QRect> underlay;
        std::vector<Piece> background;
        std::vector<Piece> picture;
    };

    // 100 x 100, an empty picture, defaults as the accessors say.
    explicit TImageFX(QWidget* parent = nullptr);
    ~TImageFX() override;

    // The picture; a null image when the control has none (after ClearBitmap).
    QImage Bitmap() const;
    bool HasBitmap() const { return bitmap_ != nullptr; }
    // Copies the bitmap (creating the picture holder when there is none) and applies AutoSize.
    // Does not repaint: callers that show the control call update() or StartEffect.
    void SetBitmap(const QImage& bitmap);
    // The control has no picture afterwards: nothing is drawn and TransparentPixel is refused.
    void ClearBitmap();
    // The picture holder with its masks, or nullptr; after changing its image in place call its
    // ImageChanged.
    TTransparentBitmap* TransparentBitmap() { return bitmap_.get(); }
    const TTransparentBitmap* TransparentBitmap() const { return bitmap_.get(); }

    // Default false. Setting it true gives the control the picture's size (picture at least 1 x 1).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    // Default false.
    bool Center() const { return center_; }
    void SetCenter(bool on);
    // Default false. Setting Stretch false also clears StretchRatio.
    bool Stretch() const { return stretch_; }
    void SetStretch(bool on);
    // Default false. Setting it true also sets Stretch.
    bool StretchRatio() const { return stretchRatio_; }
    void SetStretchRatio(bool on);
    // Default false. Off, each paint first fills the control with Color.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    // The key point as "x,y"; default "0,0". Throws velvo::Error "No bitmap selected!" without a
    // picture, "Invalid pixel string. Example: 123,45" without a comma or with a part that is not
    // an integer (or is -9999), "Location is not within bitmap boundaries" for x above the
    // picture's width or y above its height; the text is kept only when accepted.
    QString TransparentPixel() const { return transparentPixel_; }
    void SetTransparentPixel(const QString& text);
    // Default the window (text-area) colour of the palette.
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    // Default true. False stops a running effect and draws no picture.
    bool Visible() const { return visible_; }
    void SetVisible(bool on);
    // Default false. With an effect chosen, ordinary paints leave the picture out.
    bool HideIfStatic() const { return hideIfStatic_; }
    void SetHideIfStatic(bool on);
    // Default false. Effect frames go over the previous frames instead of over BackgroundCopy.
    bool Trails() const { return trails_; }
    void SetTrails(bool on) { trails_ = on; }

    // Default fxNone. Values outside fxNone..fxBlindVert throw velvo::Error "Invalid Effect".
    // While an effect runs the value is only recorded; it takes over when the effect stops.
    TEffect Effect() const { return effect_; }
    void SetEffect(TEffect effect);
    // Default gr100.
    TGranularity Granularity() const { return granularity_; }
    void SetGranularity(TGranularity granularity);
    // Timer interval in 10 ms units, 0..1000 (clamped); default 5. 0 keeps effects from running.
    int EffectDelay() const { return effectDelay_; }
    void SetEffectDelay(int delay);
    // Progress per tick in steps, 0..1000 (clamped); default 5. 0 holds a running effect still.
    int EffectRate() const { return effectRate_; }
    void SetEffectRate(int rate);

    // Starts Effect when none runs and the control is enabled, Visible and has a non-empty
    // picture; with EffectDelay 0 it then does nothing. In every other case, a running effect
    // included, it stops the effect.
    void StartEffect();
    // Ends a running effect without OnComplete; Effect takes its last requested value.
    void StopEffect();
    bool Running() const { return running_; }

    // Where FrameBuffer goes on the control: with Stretch the client rectangle (its height, or
    // else its width, cut to the picture's aspect with StretchRatio), without it the picture's
    // rectangle; with Center moved to the middle of the control.
    QRect ScreenRect() const;
    // (0, 0, picture width, picture height) as of the last SetBitmap or SetAutoSize.
    QRect BitmapRect() const { return bitmapRect_; }
    // The last picture piece drawn: its part of the picture and its place in FrameBuffer.
    QRect SourceRect() const { return sourceRect_; }
    QRect DestRect() const { return destRect_; }
    // The frame last composed, and what lay under ScreenRect, both scaled to the picture's size.
    const QImage& FrameBuffer() const { return frameBuffer_; }
    const QImage& BackgroundCopy() const { return backgroundCopy_; }
    int EffectPos() const { return effectPos_; }
    int EffectSteps() const { return effectSteps_; }
    int EffectPass() const { return effectPass_; }
    int EffectPasses() const { return effectPasses_; }

    // Steps of `effect` at `granularity`: doubled for the curtains, tripled for fxSqueeze.
    static int StepsFor(TEffect effect, TGranularity granularity);
    // The frame `effect` draws on a picture of `size` at `pos` of `steps`, in pass `pass` of
    // `passes`. For the hiding effects `pos` counts down. fxPixelation draws cells instead.
    static Frame FrameAt(TEffect effect, QSize size, int pos, int steps, int pass, int passes);

public slots:
    // One timer tick of the running effect; the timer calls it, tests may too.
    void EffectTick();

signals:
    // At the end of each ordinary paint.
    void OnPaint();
    // When an effect has run to its end, before its last frame is shown.
    void OnComplete();
    // After each cell of fxPixelation.
    void OnPixelation();
    void OnClick();
    void OnDblClick();
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint position);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    static bool RestoresBackground(TEffect effect);
    static bool Hides(TEffect effect);
    // Where a pass ends: half the steps for the curtains and fxSqueeze, all of them otherwise.
    static int PassEnd(TEffect effect, int steps);
    // Progress per tick for `effect` at `rate`, at least 1.
    static int StepFor(TEffect effect, int rate);

    bool PictureEmpty() const;
    void ResizeBuffers();
    // Buffers follow a picture whose size was changed in place.
    void EnsureBuffers();
    // What the control's ancestors and its siblings below it show in `area` (control
    // coordinates), this control left out.
    QImage GrabBelow(const QRect& area) const;
    void CaptureBackground();
    // Composes `frame` of `effect` into FrameBuffer; with `present` schedules it for the screen.
    void DrawFrame(const Frame& frame, TEffect effect, bool present);
    void Present();
    void AdvanceEffect();
    void Complete();
    void RunPixelation();
    void RecomputeSteps();

    std::unique_ptr<TTransparentBitmap> bitmap_;
    QImage backgroundCopy_;
    QImage frameBuffer_;
    QRect bitmapRect_;
    QRect sourceRect_;
    QRect destRect_;
    QImage opaqueSource_; // the picture as RGB32 for non-keyed frames
    qint64 opaqueSourceKey_ = 0;

    bool autoSize_ = false;
    bool center_ = false;
    bool stretch_ = false;
    bool stretchRatio_ = false;
    bool transparent_ = false;
    QString transparentPixel_ = QStringLiteral("0,0");
    QPoint keyPoint_{0, 0}; // the accepted TransparentPixel, for a picture holder made anew
    QColor color_;
    bool visible_ = true;
    bool hideIfStatic_ = false;
    bool trails_ = false;

    TEffect effect_ = fxNone;
    TEffect requestedEffect_ = fxNone;
    TGranularity granularity_ = gr100;
    int effectDelay_ = 5;
    int effectRate_ = 5;

    QTimer* effectTimer_ = nullptr;
    int effectPos_ = 0;
    int effectSteps_ = 100;
    int effectPass_ = 1;
    int effectPasses_ = 1;
    bool firstStep_ = true;
    bool running_ = false;
    bool pixelRunning_ = false;
    bool presentPending_ = false; // a frame drawn after its effect ended still goes to the screen
    bool leftPressed_ = false;
    unsigned runId_ = 0; // tells a tick whether OnComplete started another effect
};

} // namespace velvo::document

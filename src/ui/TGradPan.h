#pragma once
#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>

class QPainter;

// A panel that paints its background as a two-colour gradient, a flat colour or an image, then
// its caption with an optional relief effect and rotation, then its bevels. When Moveable, the
// user drags it by its inside and resizes it by the Marge-wide edge zone within its parent, as
// a window by its caption and frame; presses that child controls take stay theirs.
class TGradPan : public QWidget {
    Q_OBJECT
public:
    enum TDirection {
        bdFlat,
        bdStretchImage,
        bdTileImage,
        bdUp,
        bdDown,
        bdLeft,
        bdRight,
        bdHorzIn,
        bdHorzOut,
        bdVertIn,
        bdVertOut
    };
    enum TTextEffect { tenone, teShadow, teRaised, teLowered, teEmbossed };
    enum TTextRotation { trNone, TrUp, TrDown };
    enum TVertAlign { vlTop, vlCenter, VlBottom };
    enum TBevelCut { bvNone, bvLowered, bvRaised };
    enum HitZone {
        htClient,
        htCaption,
        htLeft,
        htRight,
        htTop,
        htBottom,
        htTopLeft,
        htTopRight,
        htBottomLeft,
        htBottomRight
    };

    // Teal-to-white vertical-in gradient, grey shadowed caption centred, raised one-pixel outer
    // bevel, not moveable.
    explicit TGradPan(QWidget* parent = nullptr);

    // Every setter repaints.
    // The image of the image backgrounds, kept as a copy; by default 50 x 50 white, black outline.
    const QImage& Bitmap() const { return bitmap_; }
    void SetBitmap(const QImage& bitmap);
    TDirection BackGroundEffect() const { return effect_; }
    void SetBackGroundEffect(TDirection effect);
    // The gradient runs from ColorStart to ColorEnd; ColorStart is also the flat colour.
    QColor ColorStart() const { return colorStart_; }
    void SetColorStart(const QColor& color);
    QColor ColorEnd() const { return colorEnd_; }
    void SetColorEnd(const QColor& color);
    // The colour of the caption effects.
    QColor ColorShadow() const { return colorShadow_; }
    void SetColorShadow(const QColor& color);
    // Frames the border area in Color and insets the image backgrounds by the frame.
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool on);
    TTextEffect TextEffect() const { return textEffect_; }
    void SetTextEffect(TTextEffect effect);
    TTextRotation TextRotation() const { return textRotation_; }
    void SetTextRotation(TTextRotation rotation);
    TVertAlign VertAlign() const { return vertAlign_; }
    void SetVertAlign(TVertAlign align);
    // Width in pixels of the edge zone that resizes (0 or more).
    int Marge() const { return marge_; }
    void SetMarge(int marge);
    bool Moveable() const { return moveable_; }
    void SetMoveable(bool on);

    // Drawn in the palette's window-text colour with the widget font.
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter (other bits are dropped).
    Qt::Alignment Alignment() const { return alignment_; }
    void SetAlignment(Qt::Alignment alignment);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut cut);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut cut);
    // 1 or more.
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    // 0 or more: the gap between outer and inner bevel.
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);
    // The panel's own colour: under the image backgrounds' inset and in the Ctl3D frame.
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

    // Entry i, per channel: from + (to - from) * i / 100 truncated, so entry 99 stays one
    // step (a hundredth of the difference) short of `to`.
    static std::array<QColor, 100> ColorTable(const QColor& from, const QColor& to);
    // The zone under a panel point; always htClient when not Moveable.
    HitZone HitTest(QPoint p) const;

signals:
    // Whenever the panel has moved, by the user or by code, before its own move handling; a
    // move made while hidden is reported when the panel is shown.
    void OnPanelMove();

protected:
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void paintBackground(QPainter& p);
    void paintCaption(QPainter& p);
    void paintBevels(QPainter& p);
    void changed();
    // The pointer in parent coordinates, kept inside the parent while the user drags.
    QPoint pointerInParent(QPointF global) const;

    QImage bitmap_;
    TDirection effect_ = bdVertIn;
    QColor colorStart_{0, 128, 128};
    QColor colorEnd_{255, 255, 255};
    QColor colorShadow_{128, 128, 128};
    bool ctl3D_ = false;
    TTextEffect textEffect_ = teShadow;
    TTextRotation textRotation_ = trNone;
    TVertAlign vertAlign_ = vlCenter;
    int marge_ = 6;
    bool moveable_ = false;

    QString caption_;
    Qt::Alignment alignment_ = Qt::AlignHCenter;
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    QColor color_;

    HitZone dragZone_ = htClient;
    QPoint dragStart_; // pointer in parent coordinates at the press
    QRect dragGeometry_;
    QPoint reportedPos_; // where OnPanelMove last saw the panel
};

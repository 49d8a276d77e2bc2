#pragma once
#include <QColor>
#include <QImage>
#include <QWidget>

namespace velvo::imaging {

// The colour picker: a saturation/value plane for the current hue on the left (saturation
// growing to the right, value growing upwards) and a hue bar on the right (359 at the top, 0 at
// the bottom), HueGap pixels apart. Hue 0..359, Sat and Val 0..99 as in ColorOps; the channels
// always follow from them through hsvToRgb. The pixel the mouse picks is the colour shown there.
class THsvPicker : public QWidget {
    Q_OBJECT
public:
    static constexpr int HueBarWidth = 20;
    static constexpr int HueGap = 5;

    // Starts at hue 0, saturation 0, value 0 (black).
    explicit THsvPicker(QWidget* parent = nullptr);

    // The setters clamp, recompute the channels and repaint; they never raise OnChange.
    int Hue() const { return hue_; }
    void SetHue(int hue);
    int Sat() const { return sat_; }
    void SetSat(int sat);
    int Val() const { return val_; }
    void SetVal(int val);
    // 0..255 each.
    int Red() const { return rgb_.red(); }
    int Green() const { return rgb_.green(); }
    int Blue() const { return rgb_.blue(); }
    QColor Color() const { return rgb_; }
    // Fills the gap between plane and bar (and the plane when the control is too narrow for one).
    QColor Background() const { return background_; }
    void SetBackground(const QColor& color);

    // The two areas in control coordinates; the plane is empty when the control is no wider than
    // the bar and the gap.
    QRect PlaneRect() const;
    QRect HueBarRect() const;
    // Centre of the saturation/value marker and the row of the hue marker.
    QPoint SatValPoint() const;
    int HueRow() const;

    QSize sizeHint() const override { return {150, 120}; }

signals:
    // After every change made with the mouse: each press in the plane or the bar, and each drag
    // step that changes hue, saturation or value.
    void OnChange();
    // A left press and its release both inside the control.
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Area { None, Plane, HueBar };

    void recompute();
    // Sets the values from a point clamped into area; true when any of them changed.
    bool pick(Area area, QPoint p);
    const QImage& plane() const;
    const QImage& hueBar() const;

    int hue_ = 0;
    int sat_ = 0;
    int val_ = 0;
    QColor rgb_{0, 0, 0};
    QColor background_;

    Area dragArea_ = Area::None;
    bool leftDown_ = false;

    // Rendered faces, rebuilt only when the hue or the size changes so dragging stays cheap.
    mutable QImage plane_;
    mutable int planeHue_ = -1;
    mutable QImage hueBar_;
};

} // namespace velvo::imaging

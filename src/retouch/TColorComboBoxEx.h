#pragma once
#include <QColor>
#include <QComboBox>

class QPainter;

namespace velvo::retouch {

// How a colour item is drawn: a swatch across the item, its name alone, or both.
enum TShowStyle { ssOnlyColor, ssOnlyText, ssColorAndText };

// A drop-down list of the 16 basic colours (Black, Maroon, ... White), each item drawn as a
// swatch. ColorValue follows the chosen item and accepts only those 16 colours.
class TColorComboBoxEx : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kColorCount = 16;

    explicit TColorComboBoxEx(QWidget* parent = nullptr);

    // The selected colour; black at start.
    QColor ColorValue() const { return colorValue_; }
    // A colour not among the 16 is ignored, as is the current colour while its item is
    // selected; otherwise stores it, selects its item and raises OnChange.
    void SetColorValue(const QColor& color);

    TShowStyle ShowStyle() const { return showStyle_; }
    void SetShowStyle(TShowStyle style);

    // Fixed height of every item of the list, in pixels.
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);

    // The colour and the name of item `index` (0 .. 15).
    static QColor ItemColor(int index);
    static QString ItemName(int index);

    // Draws item `index` into `rect` (right and bottom exclusive, as the list hands it over)
    // in the current ShowStyle.
    void DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) const;

signals:
    // Raised by every change of ColorValue. A choice by the user raises it twice (once as
    // ColorValue takes the colour, once as the list reports the new selection), with OnClick
    // between them, so handlers must be idempotent.
    void OnChange();
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildItems();

    QColor colorValue_ = QColor(0, 0, 0);
    TShowStyle showStyle_ = ssOnlyColor;
    int itemHeight_ = 17;
};

} // namespace velvo::retouch

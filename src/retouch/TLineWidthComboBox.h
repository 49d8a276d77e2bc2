#pragma once
#include <QComboBox>

class QPainter;

namespace velvo::retouch {

// A drop-down list of line widths 1 .. MaxLineWidth, each item drawn as a grey sample line of
// its width; the item texts ("Ancho 1", "Ancho 2", ...) are not shown. LineWidth follows the
// chosen item.
class TLineWidthComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TLineWidthComboBox(QWidget* parent = nullptr);

    // The selected width in pixels; item i stands for width i + 1.
    int LineWidth() const { return lineWidth_; }
    // Stores `width` and selects its item; a width outside 1 .. MaxLineWidth leaves no item
    // selected. Raises no event.
    void SetLineWidth(int width);
    int MaxLineWidth() const { return maxLineWidth_; }
    // Rebuilds the items 1 .. `count` and selects the kept LineWidth again.
    void SetMaxLineWidth(int count);

    // Fixed height of every item of the list, in pixels.
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);

    // Draws item `index` into `rect` (right and bottom exclusive, as the list hands it over):
    // the background, a grey framed box and a grey line of the item's width across its middle.
    void DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) const;

signals:
    // A choice by the user: OnClick, then OnChange, after LineWidth took the chosen width.
    void OnClick();
    void OnChange();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void buildItems();

    int lineWidth_ = 1;
    int maxLineWidth_ = 5;
    int itemHeight_ = 17;
};

} // namespace velvo::retouch

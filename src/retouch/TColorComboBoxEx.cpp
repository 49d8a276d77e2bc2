#include "retouch/TColorComboBoxEx.h"

#include "retouch/OwnerDrawnItemDelegate.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

namespace velvo::retouch {

namespace {

struct BasicColor {
    const char* name;
    int red, green, blue;
};

const BasicColor kColors[TColorComboBoxEx::kColorCount] = {
    {"Black", 0, 0, 0},       {"Maroon", 128, 0, 0},    {"Green", 0, 128, 0},
    {"Olive", 128, 128, 0},   {"Navy", 0, 0, 128},      {"Purple", 128, 0, 128},
    {"Teal", 0, 128, 128},    {"Gray", 128, 128, 128},  {"Silver", 192, 192, 192},
    {"Red", 255, 0, 0},       {"Lime", 0, 255, 0},      {"Yellow", 255, 255, 0},
    {"Blue", 0, 0, 255},      {"Fuchsia", 255, 0, 255}, {"Aqua", 0, 255, 255},
    {"White", 255, 255, 255},
};

// The item of `color` among the 16 (alpha ignored), or -1.
int indexOf(const QColor& color) {
    if (!color.isValid())
        return -1;
    const QRgb rgb = color.rgb() & RGB_MASK;
    for (int i = 0; i < TColorComboBoxEx::kColorCount; ++i)
        if ((TColorComboBoxEx::ItemColor(i).rgb() & RGB_MASK) == rgb)
            return i;
    return -1;
}

} // namespace

TColorComboBoxEx::TColorComboBoxEx(QWidget* parent) : QComboBox(parent) {
    setFixedHeight(23);
    setItemDelegate(new OwnerDrawnItemDelegate<TColorComboBoxEx>(this));
    buildItems();
    connect(this, &QComboBox::activated, this, [this](int index) {
        SetColorValue(ItemColor(index));
        emit OnClick();
        emit OnChange();
    });
}

QColor TColorComboBoxEx::ItemColor(int index) {
    if (index < 0 || index >= kColorCount)
        return {};
    const BasicColor& c = kColors[index];
    return QColor(c.red, c.green, c.blue);
}

QString TColorComboBoxEx::ItemName(int index) {
    if (index < 0 || index >= kColorCount)
        return {};
    return QString::fromLatin1(kColors[index].name);
}

void TColorComboBoxEx::buildItems() {
    {
        const QSignalBlocker quiet(this);
        clear();
        for (int i = 0; i < kColorCount; ++i)
            addItem(ItemName(i), ItemColor(i));
        setCurrentIndex(-1);
    }
    // With no item selected the kept colour is applied again, and announced.
    SetColorValue(colorValue_);
}

void TColorComboBoxEx::SetColorValue(const QColor& color) {
    if (currentIndex() >= 0 && (color.rgb() & RGB_MASK) == (colorValue_.rgb() & RGB_MASK))
        return;
    const int index = indexOf(color);
    if (index < 0)
        return;
    colorValue_ = ItemColor(index);
    {
        const QSignalBlocker quiet(this);
        setCurrentIndex(index);
    }
    emit OnChange();
}

void TColorComboBoxEx::SetShowStyle(TShowStyle style) {
    showStyle_ = style;
    update();
    if (view())
        view()->viewport()->update();
}

void TColorComboBoxEx::SetItemHeight(int height) {
    itemHeight_ = height;
    if (view())
        view()->doItemsLayout();
}

void TColorComboBoxEx::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    if (event->type() != QEvent::FontChange || showStyle_ != ssColorAndText)
        return;
    // The names must fit: a line of the font and a pixel above and below.
    itemHeight_ = std::max(9, fontMetrics().height() + 2);
    buildItems();
}

void TColorComboBoxEx::DrawItem(QPainter& painter, int index, const QRect& rect,
                                bool selected) const {
    painter.setClipRect(rect);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(rect, palette().color(selected ? QPalette::Highlight : QPalette::Base));
    painter.setFont(font());
    const QColor text = palette().color(selected ? QPalette::HighlightedText : QPalette::Text);
    if (showStyle_ == ssOnlyText) {
        painter.setPen(text);
        painter.drawText(rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         ItemName(index));
        return;
    }
    // Swatch corners (left + 4, top + 2) and (right, bottom - 2), right and bottom excluded
    // as the item's own are; a 1-pixel stroke covers both corner pixels.
    const int right = showStyle_ == ssOnlyColor ? rect.x() + rect.width() - 4 : rect.x() + 26;
    const int bottom = rect.y() + rect.height() - 2;
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(ItemColor(index));
    painter.drawRect(QRect(QPoint(rect.x() + 4, rect.y() + 2), QPoint(right - 2, bottom - 2)));
    if (showStyle_ == ssColorAndText) {
        painter.setPen(text);
        painter.drawText(QPoint(rect.x() + 34, rect.y() + 2 + painter.fontMetrics().ascent()),
                         ItemName(index));
    }
}

void TColorComboBoxEx::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0)
        return;
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    DrawItem(painter, currentIndex(), field, hasFocus());
}

} // namespace velvo::retouch

#include "retouch/TLineWidthComboBox.h"

#include "retouch/OwnerDrawnItemDelegate.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace velvo::retouch {

namespace {

const QColor kGrey(128, 128, 128);

} // namespace

TLineWidthComboBox::TLineWidthComboBox(QWidget* parent) : QComboBox(parent) {
    setFixedHeight(23);
    setItemDelegate(new OwnerDrawnItemDelegate<TLineWidthComboBox>(this));
    buildItems();
    connect(this, &QComboBox::activated, this, [this](int index) {
        lineWidth_ = index + 1;
        emit OnClick();
        emit OnChange();
    });
}

void TLineWidthComboBox::buildItems() {
    const QSignalBlocker quiet(this);
    clear();
    for (int width = 1; width <= maxLineWidth_; ++width)
        addItem(QStringLiteral("Ancho %1").arg(width));
    SetLineWidth(lineWidth_);
}

void TLineWidthComboBox::SetLineWidth(int width) {
    lineWidth_ = width;
    const QSignalBlocker quiet(this);
    setCurrentIndex(width >= 1 && width <= count() ? width - 1 : -1);
}

void TLineWidthComboBox::SetMaxLineWidth(int count) {
    maxLineWidth_ = count;
    buildItems();
}

void TLineWidthComboBox::SetItemHeight(int height) {
    itemHeight_ = height;
    if (view())
        view()->doItemsLayout();
}

void TLineWidthComboBox::DrawItem(QPainter& painter, int index, const QRect& rect,
                                  bool selected) const {
    painter.setClipRect(rect);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(rect, palette().color(selected ? QPalette::Highlight : QPalette::Base));
    // Box corners (left + 4, top + 2) and (right - 4, bottom - 2), right and bottom excluded
    // as the item's own are; a 1-pixel stroke covers both corner pixels.
    const int right = rect.x() + rect.width();
    const int bottom = rect.y() + rect.height();
    painter.setPen(QPen(kGrey, 1));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(QRect(QPoint(rect.x() + 4, rect.y() + 2), QPoint(right - 6, bottom - 4)));
    const int width = index + 1;
    const int y = rect.y() + rect.height() / 2;
    painter.setPen(QPen(kGrey, width, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(rect.x() + 6 + width, y, right - 6 - width, y);
}

void TLineWidthComboBox::paintEvent(QPaintEvent*) {
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

#pragma once
#include <QAbstractItemDelegate>
#include <QPainter>

namespace velvo::retouch {

// Hands the drawing of every list item to an owner-drawn box, at the box's fixed item height.
// `Box` has DrawItem(QPainter&, int row, const QRect&, bool selected) and ItemHeight().
template <class Box> class OwnerDrawnItemDelegate : public QAbstractItemDelegate {
public:
    explicit OwnerDrawnItemDelegate(Box* box) : QAbstractItemDelegate(box), box_(box) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        box_->DrawItem(*painter, index.row(), option.rect,
                       option.state.testFlag(QStyle::State_Selected));
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), box_->ItemHeight()};
    }

private:
    Box* box_;
};

} // namespace velvo::retouch

#include "imaging/TPictureGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "imaging/ThumbnailSource.h"

namespace velvo::imaging {

namespace {
// A drag shorter than this is still a click on the entry under the pointer.
constexpr int kDragThreshold = 4;
} // namespace

TPictureGrid::TPictureGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(20);
}

int TPictureGrid::AppendImage() {
    entries_.push_back({QString(), palette().base().color(), QImage(), false});
    updateScrollRange();
    return int(entries_.size()) - 1;
}

void TPictureGrid::SetImageFileName(int index, const QString& file) {
    if (index < 0 || index >= ImageCount())
        return;
    Entry& e = entries_[size_t(index)];
    e.file = file;
    e.thumbnail = QImage();
    e.loaded = false;
    viewport()->update();
}

QString TPictureGrid::GetImageFileName(int index) const {
    if (index < 0 || index >= ImageCount())
        return {};
    return entries_[size_t(index)].file;
}

void TPictureGrid::SetImageBackground(int index, const QColor& color) {
    if (index < 0 || index >= ImageCount())
        return;
    entries_[size_t(index)].background = color;
    viewport()->update();
}

void TPictureGrid::ClearImages() {
    entries_.clear();
    selected_ = -1;
    updateScrollRange();
    viewport()->update();
}

void TPictureGrid::SetSelected(int index) {
    if (index < -1 || index >= ImageCount())
        return;
    selected_ = index;
    scrollIntoView(index);
    viewport()->update();
}

void TPictureGrid::SetThumbSize(int width, int height) {
    thumbW_ = std::max(1, width);
    thumbH_ = std::max(1, height);
    for (Entry& e : entries_)
        e.loaded = false, e.thumbnail = QImage();
    updateScrollRange();
    viewport()->update();
}

void TPictureGrid::SetBorders(int x, int y) {
    borderX_ = std::max(0, x);
    borderY_ = std::max(0, y);
    updateScrollRange();
    viewport()->update();
}

void TPictureGrid::SetGridWidth(int columns) {
    gridWidth_ = columns;
    updateScrollRange();
    viewport()->update();
}

void TPictureGrid::SetSelectionWidth(int width) {
    selectionWidth_ = std::max(0, width);
    viewport()->update();
}

void TPictureGrid::SetSelectionColor(const QColor& color) {
    selectionColor_ = color;
    viewport()->update();
}

void TPictureGrid::SetScrollBars(ScrollBarsKind kind) {
    const bool v = kind == ssVertical || kind == ssBoth;
    setVerticalScrollBarPolicy(v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

int TPictureGrid::Columns() const {
    if (gridWidth_ > 0)
        return gridWidth_;
    return std::max(1, (viewport()->width() - borderX_) / (thumbW_ + borderX_));
}

QRect TPictureGrid::CellRect(int index) const {
    const int cols = Columns();
    const int col = index % cols, row = index / cols;
    return {borderX_ + col * (thumbW_ + borderX_),
            borderY_ + row * (thumbH_ + borderY_) - verticalScrollBar()->value(), thumbW_, thumbH_};
}

int TPictureGrid::ImageAtPosition(int x, int y) const {
    const int cols = Columns();
    const int cx = x - borderX_;
    const int cy = y + verticalScrollBar()->value() - borderY_;
    if (cx < 0 || cy < 0)
        return -1;
    const int col = cx / (thumbW_ + borderX_), row = cy / (thumbH_ + borderY_);
    if (col >= cols || cx % (thumbW_ + borderX_) >= thumbW_ || cy % (thumbH_ + borderY_) >= thumbH_)
        return -1;
    const int64_t index = int64_t(row) * cols + col;
    return index < ImageCount() ? int(index) : -1;
}

bool TPictureGrid::ThumbnailLoaded(int index) const {
    return index >= 0 && index < ImageCount() && entries_[size_t(index)].loaded;
}

void TPictureGrid::updateScrollRange() {
    const int cols = Columns();
    const int rows = (ImageCount() + cols - 1) / cols;
    const int content = borderY_ + rows * (thumbH_ + borderY_);
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(std::max(1, viewport()->height()));
    bar->setRange(0, std::max(0, content - viewport()->height()));
}

int TPictureGrid::visibleRows() const {
    return std::max(1, viewport()->height() / (thumbH_ + borderY_));
}

void TPictureGrid::scrollIntoView(int index) {
    if (index < 0)
        return;
    const QRect cell = CellRect(index);
    QScrollBar* bar = verticalScrollBar();
    if (cell.top() - borderY_ < 0)
        bar->setValue(bar->value() + cell.top() - borderY_);
    else if (cell.bottom() + borderY_ >= viewport()->height())
        bar->setValue(bar->value() + cell.bottom() + borderY_ + 1 - viewport()->height());
}

// Read on first paint and shrunk once, keeping the aspect ratio; a file that cannot be read
// leaves an empty cell rather than stopping the paint.
const QImage& TPictureGrid::thumbnail(Entry& entry) {
    if (entry.loaded)
        return entry.thumbnail;
    entry.loaded = true;
    const QImage full = readPictureForThumbnail(entry.file, {thumbW_, thumbH_});
    if (full.isNull() || (full.width() <= thumbW_ && full.height() <= thumbH_))
        entry.thumbnail = full;
    else
        entry.thumbnail = full.scaled(thumbW_, thumbH_, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return entry.thumbnail;
}

void TPictureGrid::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), palette().base());
    const int cols = Columns();
    const int first = std::max(0, (verticalScrollBar()->value() - borderY_) / (thumbH_ + borderY_)) * cols;
    for (int i = first; i < ImageCount(); ++i) {
        const QRect cell = CellRect(i);
        if (cell.top() >= viewport()->height())
            break;
        Entry& e = entries_[size_t(i)];
        p.fillRect(cell, e.background);
        const QImage& thumb = thumbnail(e);
        if (!thumb.isNull()) {
            const QPoint at(cell.left() + (thumbW_ - thumb.width()) / 2,
                            cell.top() + (thumbH_ - thumb.height()) / 2);
            p.drawImage(at, thumb);
        }
        if (i == selected_ && selectionWidth_ > 0) {
            QPen pen(selectionColor_, selectionWidth_);
            pen.setJoinStyle(Qt::MiterJoin);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            // The frame lies inside the cell so neighbouring cells are never covered.
            const int inset = selectionWidth_ / 2;
            p.drawRect(cell.adjusted(inset, inset, -(selectionWidth_ - inset), -(selectionWidth_ - inset)));
        }
    }
}

void TPictureGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void TPictureGrid::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = true;
    scrolledByDrag_ = false;
    pressPos_ = event->position().toPoint();
    pressScroll_ = verticalScrollBar()->value();
    if (mouseInteract_ & miSelect) {
        const int index = ImageAtPosition(pressPos_.x(), pressPos_.y());
        if (index >= 0) {
            selected_ = index;
            viewport()->update();
        }
    }
}

void TPictureGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (pressed_ && (mouseInteract_ & miScroll)) {
        const int dy = pos.y() - pressPos_.y();
        if (std::abs(dy) >= kDragThreshold || scrolledByDrag_) {
            scrolledByDrag_ = true;
            verticalScrollBar()->setValue(pressScroll_ - dy);
        }
    }
    emit OnMouseMove(pos.x(), pos.y());
}

// A release that ends a scrolling drag is not a choice: otherwise scrolling the grid would
// insert whatever hairstyle happens to be under the pointer when the button comes up.
void TPictureGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    pressed_ = false;
    if (scrolledByDrag_ || !(mouseInteract_ & miSelect))
        return;
    const QPoint pos = event->position().toPoint();
    const int index = ImageAtPosition(pos.x(), pos.y());
    if (index >= 0)
        choose(index);
}

void TPictureGrid::choose(int index) {
    selected_ = index;
    scrollIntoView(index);
    viewport()->update();
    emit OnImageSelect(index);
}

void TPictureGrid::keyPressEvent(QKeyEvent* event) {
    if (ImageCount() == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int page = visibleRows() * Columns();
    const int current = std::max(selected_, 0);
    int target;
    switch (event->key()) {
    case Qt::Key_Home: target = 0; break;
    case Qt::Key_End: target = ImageCount() - 1; break;
    // A page move past either end chooses the entry already selected again.
    case Qt::Key_PageUp: target = current - page >= 0 ? current - page : current; break;
    case Qt::Key_PageDown: target = current + page < ImageCount() ? current + page : current; break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    choose(target);
}

} // namespace velvo::imaging

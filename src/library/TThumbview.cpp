#include "library/TThumbview.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "library/TThumbNail.h"

namespace velvo::library {

namespace {
// ceil of a positive quotient of integers.
int ceilDiv(int a, int b) {
    return a <= 0 ? a / b : (a + b - 1) / b;
}
} // namespace

TThumbview::TThumbview(QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    content_ = new QWidget;
    content_->resize(0, 0);
    setWidget(content_);
    content_->installEventFilter(this);
    viewport()->installEventFilter(this);
    resize(600, 480);
    recomputeSizes();
}

TThumbview::~TThumbview() = default;

TThumbNail* TThumbview::Cell(int index) const {
    return index >= 0 && index < Count() ? cells_[size_t(index)] : nullptr;
}

void TThumbview::SetMaxWidth(int w) {
    maxWidth_ = std::max(0, w);
    recomputeSizes();
    arrangeCells();
}

// Lowering the height is allowed, like the width: the form sets both once.
void TThumbview::SetMaxHeight(int h) {
    maxHeight_ = std::max(0, h);
    recomputeSizes();
    arrangeCells();
}

void TThumbview::SetSize(int percent) {
    size_ = std::clamp(percent, 0, 100);
    recomputeSizes();
    arrangeCells();
}

void TThumbview::SetThumbGap(int gap) {
    gap_ = std::clamp(gap, 0, 255);
    recomputeSizes();
    arrangeCells();
}

void TThumbview::SetScrollMode(Tscrollmode mode) {
    scrollMode_ = mode;
    recomputeSizes();
    arrangeCells();
    scrollIntoView(selected_);
}

void TThumbview::SetAlignView(Tviewtype align) {
    align_ = align;
    recomputeSizes();
    arrangeCells();
}

void TThumbview::SetSorted(bool sorted) {
    if (sorted == sorted_)
        return;
    sorted_ = sorted;
    if (paintedOnce_)
        scan(directory_);
}

void TThumbview::SetDirectory(const QString& folder) {
    scan(folder);
}

void TThumbview::SetSelectedFile(const QString& path) {
    const int cut = path.lastIndexOf('/');
    scan(cut >= 0 ? path.left(cut) : QString());
    for (int i = 0; i < Count(); ++i)
        if (cells_[size_t(i)]->Filename() == path) {
            SetSelected(i);
            return;
        }
    SetSelected(-1);
}

QString TThumbview::SelectedFile() const {
    const TThumbNail* c = Cell(selected_);
    return c ? c->Filename() : QString();
}

void TThumbview::freeCells() {
    for (TThumbNail* c : cells_)
        delete c;
    cells_.clear();
}

void TThumbview::scan(const QString& folder) {
    selected_ = -1;
    if (scanning_)
        return;
    pendingDirectory_ = folder;
    if (!paintedOnce_)
        return;
    if (folder.isEmpty()) {
        freeCells();
        directory_ = folder;
        arrangeCells();
        return;
    }
    scanning_ = true;
    scanOrder_.clear();
    sortedOrder_.clear();
    QString dir = folder;
    if (QFileInfo(dir).isDir()) {
        if (!dir.endsWith('/'))
            dir += '/';
        // Patterns in this order, each matched ignoring case; dot files count as hidden.
        static const char* const patterns[] = {"*.BMP",  "*.JPG",  "*.WMF",  "*.EMF", "*.ico",
                                               "*.gif",  "*.heic", "*.heif", "*.avif", "*.webp"};
        QDir d(dir);
        for (const char* pattern : patterns) {
            const QStringList names =
                d.entryList({QString::fromLatin1(pattern)}, QDir::Files | QDir::Readable, QDir::Unsorted);
            for (const QString& name : names)
                if (scanOrder_.size() < kMaxCells)
                    scanOrder_ << dir + name;
        }
        sortedOrder_ = scanOrder_;
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(sortedOrder_.begin(), sortedOrder_.end(),
                         [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    }
    const QStringList& files = sorted_ ? sortedOrder_ : scanOrder_;
    freeCells();
    if (!files.isEmpty()) {
        if (OnStartScanning)
            OnStartScanning(int(files.size()) - 1);
        bool stop = false;
        for (int i = 0; i < files.size() && !stop; ++i) {
            if (OnScanProgress)
                OnScanProgress(i + 1, stop);
            addCell(files[i]);
        }
        if (OnStopScanning)
            OnStopScanning();
    }
    scanning_ = false;
    directory_ = folder;
    arrangeCells();
    if (Count() > 0)
        SetSelected(0);
}

void TThumbview::addCell(const QString& path) {
    auto* cell = new TThumbNail(content_, this);
    cell->SetFilename(path);
    if (OnGetTitle) {
        QString title;
        QFont font;
        QColor color = palette().color(QPalette::Button);
        OnGetTitle(path, title, font, color);
        cell->SetTitleFont(font);
        cell->SetTitleColor(color);
        cell->SetTitle(title);
        cell->SetTitleChosen(true);
    }
    const QPoint at = CellPosition(Count() + 1);
    cell->setGeometry(at.x(), at.y(), cellWidth_, cellHeight_);
    cell->show();
    cells_.push_back(cell);
    recomputeSizes();
    arrangeCells();
}

void TThumbview::recomputeSizes() {
    cellWidth_ = int(maxWidth_ * 0.01 * size_);
    cellHeight_ = int(maxHeight_ * 0.01 * size_);
    int per = 1;
    switch (scrollMode_) {
    case SMVertical:
        if (gap_ + cellWidth_ > 0)
            per = (width() - 20) / (gap_ + cellWidth_);
        break;
    case SMHorizontal:
        if (gap_ + cellHeight_ > 0)
            per = (height() - 20) / (gap_ + cellHeight_);
        break;
    case SMboth: per = int(std::ceil(std::sqrt(double(Count())))); break;
    }
    perLine_ = std::max(1, per);
}

QPoint TThumbview::CellPosition(int n) const {
    const int r = ceilDiv(n, perLine_);
    const int c = n - (r - 1) * perLine_;
    if (scrollMode_ == SMHorizontal) // columns filled top to bottom
        return {(r - 1) * cellWidth_ + gap_ * r, (c - 1) * cellHeight_ + gap_ * c};
    int g = gap_;
    if (align_ == VTFitToScreen)
        g = (width() - perLine_ * cellWidth_ - 20) / (perLine_ + 1);
    int left = (c - 1) * cellWidth_ + g * c;
    if (align_ == VTCenter)
        left += (width() - 20) / 2 - ((gap_ + cellWidth_) * perLine_) / 2;
    return {left, (r - 1) * cellHeight_ + gap_ * r};
}

void TThumbview::arrangeCells() {
    const int h = horizontalScrollBar()->value(), v = verticalScrollBar()->value();
    int right = 0, bottom = 0;
    for (int i = 0; i < Count(); ++i) {
        const QPoint at = CellPosition(i + 1);
        cells_[size_t(i)]->setGeometry(at.x(), at.y(), cellWidth_, cellHeight_);
        right = std::max(right, at.x() + cellWidth_ + gap_);
        bottom = std::max(bottom, at.y() + cellHeight_ + gap_);
    }
    content_->resize(right, bottom);
    horizontalScrollBar()->setValue(h);
    verticalScrollBar()->setValue(v);
}

void TThumbview::SetSelected(int index) {
    if (Count() == 0)
        return;
    if (index < -1 || index >= Count())
        index = -1;
    if (TThumbNail* old = Cell(selected_)) {
        old->SetTitleColor(palette().color(QPalette::Button));
        old->SetTitleTextColor(palette().color(QPalette::WindowText));
    }
    if (TThumbNail* c = Cell(index)) {
        c->SetTitleColor(palette().color(QPalette::Highlight));
        c->SetTitleTextColor(palette().color(QPalette::HighlightedText));
        const QPoint at = c->pos() - QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
        if (at.y() < 0 || at.y() + c->height() > height() || at.x() < 0 || at.x() + c->width() > width())
            scrollIntoView(index);
    }
    selected_ = index;
}

// The cell ends with half a cell of margin on the side it came from.
void TThumbview::scrollIntoView(int index) {
    const TThumbNail* c = Cell(index);
    if (!c || !autoScrolling_)
        return;
    QScrollBar* vb = verticalScrollBar();
    QScrollBar* hb = horizontalScrollBar();
    const int top = c->y() - vb->value();
    const int left = c->x() - hb->value();
    if (scrollMode_ != SMHorizontal) {
        if (top < 0)
            vb->setValue(vb->value() + top - c->width() / 2);
        else if (top + c->height() > height())
            vb->setValue(vb->value() + top - (height() - c->height() - c->height() / 2));
    }
    if (scrollMode_ != SMVertical) {
        if (left < 0)
            hb->setValue(hb->value() + left - c->width() / 2);
        else if (left + c->width() > width())
            hb->setValue(hb->value() + left - (width() - c->width() - c->width() / 2));
    }
}

void TThumbview::mouseDownAt(QPoint p) {
    if (Count() == 0)
        return;
    // Size 0 with gap 0 leaves cells without area: nothing can be hit.
    if (gap_ + cellWidth_ <= 0 || gap_ + cellHeight_ <= 0) {
        SetSelected(-1);
        return;
    }
    const int hpos = horizontalScrollBar()->value(), vpos = verticalScrollBar()->value();
    int a = ceilDiv(p.x() + hpos, gap_ + cellWidth_);
    int b = ceilDiv(p.y() + vpos, gap_ + cellHeight_);
    int k;
    if (scrollMode_ == SMHorizontal)
        k = (std::max(a, 1) - 1) * perLine_ + std::min(b, perLine_) - 1;
    else
        k = (std::max(b, 1) - 1) * perLine_ + std::min(a, perLine_) - 1;
    int chosen = -1;
    if (k >= 0 && k < Count()) {
        const TThumbNail* c = cells_[size_t(k)];
        const int left = c->x() - hpos, top = c->y() - vpos;
        if (left < p.x() && p.x() < left + c->width() && top < p.y() && p.y() < top + c->height())
            chosen = k;
    }
    SetSelected(chosen);
}

TThumbNail* TThumbview::cellAt(QPoint p) const {
    for (TThumbNail* c : cells_)
        if (c->geometry().contains(p))
            return c;
    return nullptr;
}

QPoint TThumbview::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void TThumbview::pressAt(QMouseEvent* event, QPoint p, bool startsClick) {
    // Taken before the selection, which may scroll the pressed cell into view.
    const QPoint scroll = scrollPosition();
    TThumbNail* cell = cellAt(p + scroll);
    mouseDownAt(p);
    if (startsClick && event->button() == Qt::LeftButton) {
        pressed_ = true;
        pressScroll_ = scroll;
        pressedCell_ = cell;
        pressedOnCell_ = cell != nullptr;
    }
    emit OnMouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

// A release over the pressed cell, judged against the content as it lay at the press, so that
// the scroll bringing a pressed cell into view does not cancel its click; a press on the
// background clicks when released anywhere over the view.
bool TThumbview::releaseClicks(QPoint p) const {
    if (!pressedOnCell_)
        return viewport()->rect().contains(p);
    return pressedCell_ && pressedCell_->geometry().contains(p + pressScroll_);
}

bool TThumbview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport() && event->type() == QEvent::Paint && !paintedOnce_) {
        paintedOnce_ = true;
        // The first paint starts the remembered scan, once the paint itself has finished.
        QMetaObject::invokeMethod(this, [this] { scan(pendingDirectory_); }, Qt::QueuedConnection);
    }
    if (watched == viewport() || watched == content_) {
        auto* w = static_cast<QWidget*>(watched);
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* me = static_cast<QMouseEvent*>(event);
            pressAt(me, w->mapTo(viewport(), me->position().toPoint()), true);
            return false;
        }
        case QEvent::MouseButtonRelease: {
            auto* me = static_cast<QMouseEvent*>(event);
            if (pressed_ && me->button() == Qt::LeftButton) {
                pressed_ = false;
                if (releaseClicks(w->mapTo(viewport(), me->position().toPoint())))
                    emit OnClick();
            }
            return false;
        }
        // The second press of a double click is a mouse-down too: it selects before the
        // double click is raised. Its release is no click.
        case QEvent::MouseButtonDblClick: {
            auto* me = static_cast<QMouseEvent*>(event);
            pressAt(me, w->mapTo(viewport(), me->position().toPoint()), false);
            emit OnDblClick();
            return false;
        }
        default: break;
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

void TThumbview::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    recomputeSizes();
    arrangeCells();
}

} // namespace velvo::library

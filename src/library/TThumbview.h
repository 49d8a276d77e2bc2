#pragma once
#include <QPointer>
#include <QScrollArea>
#include <QStringList>
#include <functional>
#include <vector>

namespace velvo::library {

class TThumbNail;

// A scrolling view of every picture file of one folder as a grid of thumbnail cells. The folder
// is read in the user-interface thread when the view is first painted (or when Directory is
// set afterwards), with progress events around the scan.
class TThumbview : public QScrollArea {
    Q_OBJECT
public:
    enum Tscrollmode { SMHorizontal, SMVertical, SMboth };
    enum Tviewtype { VTNormal, VTCenter, VTFitToScreen };
    static constexpr int kMaxCells = 65535;

    explicit TThumbview(QWidget* parent = nullptr);
    ~TThumbview() override;

    int Count() const { return int(cells_.size()); }
    TThumbNail* Cell(int index) const;

    int MaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int w);
    int MaxHeight() const { return maxHeight_; }
    void SetMaxHeight(int h);
    // 0..100: the cell size in percent of MaxWidth x MaxHeight.
    int Size() const { return size_; }
    void SetSize(int percent);
    int ThumbGap() const { return gap_; }
    void SetThumbGap(int gap);
    Tscrollmode ScrollMode() const { return scrollMode_; }
    void SetScrollMode(Tscrollmode mode);
    Tviewtype AlignView() const { return align_; }
    void SetAlignView(Tviewtype align);
    bool AutoScrolling() const { return autoScrolling_; }
    void SetAutoScrolling(bool on) { autoScrolling_ = on; }
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);

    QString Directory() const { return directory_; }
    // Scans the folder and rebuilds every cell; before the first paint it is only remembered.
    void SetDirectory(const QString& folder);
    int Selected() const { return selected_; }
    void SetSelected(int index);
    void SetSelectedFile(const QString& path);
    QString SelectedFile() const;

    int CellWidth() const { return cellWidth_; }
    int CellHeight() const { return cellHeight_; }
    int PerLine() const { return perLine_; }
    // Top-left of the cell with 1-based number n, in content pixels (unscrolled).
    QPoint CellPosition(int n) const;
    bool PaintedOnce() const { return paintedOnce_; }

    std::function<void(int max)> OnStartScanning;
    std::function<void(int position, bool& stop)> OnScanProgress;
    std::function<void()> OnStopScanning;
    std::function<void(const QString& file, QString& title, QFont& font, QColor& color)> OnGetTitle;

signals:
    // A left press and release over the same cell, or over the view when the press was on
    // its background; the owner reads Selected.
    void OnClick();
    void OnDblClick();
    // Every press (also the second of a double click), raised after it set Selected; x and y
    // are in the view's visible area.
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void scan(const QString& folder);
    void addCell(const QString& path);
    void freeCells();
    void recomputeSizes();
    void arrangeCells();
    void scrollIntoView(int index);
    void mouseDownAt(QPoint viewPoint);
    // The cell whose rectangle holds the point (in content pixels), or null.
    TThumbNail* cellAt(QPoint contentPoint) const;
    QPoint scrollPosition() const;
    // Selects, notes a left press that a release may turn into a click, raises OnMouseDown.
    void pressAt(QMouseEvent* event, QPoint viewPoint, bool startsClick);
    bool releaseClicks(QPoint viewPoint) const;

    QWidget* content_;
    std::vector<TThumbNail*> cells_;
    QStringList scanOrder_;
    QStringList sortedOrder_;
    QString directory_;
    QString pendingDirectory_;
    int maxWidth_ = 200, maxHeight_ = 200, size_ = 100, gap_ = 4;
    Tscrollmode scrollMode_ = SMHorizontal;
    Tviewtype align_ = VTNormal;
    bool autoScrolling_ = true;
    bool sorted_ = true;
    int selected_ = -1;
    int cellWidth_ = 200, cellHeight_ = 200, perLine_ = 1;
    bool scanning_ = false;
    bool paintedOnce_ = false;
    // The left press awaiting its release: on a cell (which may be freed meanwhile) or on the
    // background, and the scroll position it was made at.
    bool pressed_ = false;
    bool pressedOnCell_ = false;
    QPointer<TThumbNail> pressedCell_;
    QPoint pressScroll_;
};

} // namespace velvo::library

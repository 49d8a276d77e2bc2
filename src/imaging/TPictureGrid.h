#pragma once
#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QString>
#include <vector>

namespace velvo::imaging {

// The engine's thumbnail grid: an ordered list of entries, each a picture file shown shrunk
// into a cell of ThumbWidth x ThumbHeight, read from its file the first time it is drawn and
// kept. Cells are laid out left to right, top to bottom, with BorderX / BorderY pixels around
// them; the view scrolls vertically.
class TPictureGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum MouseInteractFlag { miNone = 0, miScroll = 1, miSelect = 2 };
    enum ScrollBarsKind { ssNone, ssHorizontal, ssVertical, ssBoth };

    explicit TPictureGrid(QWidget* parent = nullptr);

    int AppendImage();
    // Indexes past the end are ignored.
    void SetImageFileName(int index, const QString& file);
    // Empty text past the end.
    QString GetImageFileName(int index) const;
    // The colour that fills the entry's cell around its picture; repaints.
    void SetImageBackground(int index, const QColor& color);
    int ImageCount() const { return int(entries_.size()); }
    // Index of the entry whose cell holds the point (viewport pixels), or -1.
    int ImageAtPosition(int x, int y) const;
    void ClearImages();

    int Selected() const { return selected_; }
    void SetSelected(int index);

    int ThumbWidth() const { return thumbW_; }
    int ThumbHeight() const { return thumbH_; }
    void SetThumbSize(int width, int height);
    int BorderX() const { return borderX_; }
    int BorderY() const { return borderY_; }
    void SetBorders(int x, int y);
    // -1: as many columns as fit.
    int GridWidth() const { return gridWidth_; }
    void SetGridWidth(int columns);
    int Columns() const;
    int SelectionWidth() const { return selectionWidth_; }
    void SetSelectionWidth(int width);
    QColor SelectionColor() const { return selectionColor_; }
    void SetSelectionColor(const QColor& color);
    int MouseInteract() const { return mouseInteract_; }
    void SetMouseInteract(int flags) { mouseInteract_ = flags; }
    void SetScrollBars(ScrollBarsKind kind);

    // The cell of an entry in viewport pixels (scrolled).
    QRect CellRect(int index) const;
    // Whether an entry's thumbnail has been read (for tests of the lazy loading).
    bool ThumbnailLoaded(int index) const;

signals:
    // An entry was chosen: the left button released over it, or Home/End/Page Up/Page Down.
    void OnImageSelect(int index);
    // The mouse moved over the grid (viewport pixels).
    void OnMouseMove(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Entry {
        QString file;
        QColor background;
        QImage thumbnail;
        bool loaded = false;
    };
    void updateScrollRange();
    void scrollIntoView(int index);
    int visibleRows() const;
    const QImage& thumbnail(Entry& entry);
    void choose(int index);

    std::vector<Entry> entries_;
    int selected_ = -1;
    int thumbW_ = 100, thumbH_ = 100;
    int borderX_ = 4, borderY_ = 4;
    int gridWidth_ = -1;
    int selectionWidth_ = 3;
    QColor selectionColor_ = Qt::red;
    int mouseInteract_ = miSelect;

    bool pressed_ = false;
    bool scrolledByDrag_ = false;
    QPoint pressPos_;
    int pressScroll_ = 0;
};

} // namespace velvo::imaging

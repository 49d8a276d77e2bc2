#pragma once
#include <QImage>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "render/TrialRenderer.h"

class QMdiSubWindow;

namespace velvo::document {
class TF_FILHO;
}

namespace velvo::app {

class TF_HAIR;

// "&Mostrar ao Cliente": the open tries at the screen's size, for the client to look at.
// Left and Right step through the documents in frame order (wrapping round), Space shows the
// photo alone, a divider dragged across the picture shows the photo alone to its left and the
// try to its right, 2 and 4 put that many tries side by side (the same key again: one), and
// Escape hands the studio back as it was. The documents are only read, never changed.
class TF_APRESENTACAO : public QWidget {
    Q_OBJECT
public:
    // `main` outlives the window; `first` indexes `documents`. Modal while shown, so the
    // documents cannot change under it.
    TF_APRESENTACAO(TF_HAIR* main, const QList<document::TF_FILHO*>& documents, int first);
    ~TF_APRESENTACAO() override;

    // The documents' indices shown, left to right (one, or up to 2 or 4 distinct ones).
    QList<int> Shown() const;
    bool PhotoOnly() const { return photoOnly_; }
    // The divider's x in widget pixels; -1 while there is none.
    int Divider() const { return divider_; }
    // Where the try of column `column` is drawn, in widget pixels.
    QRect CellRect(int column) const;

    // The client area of a try widened or heightened to the aspect of `cell`, so that the whole
    // client area shows and the photo around it fills the rest: about the client area's centre,
    // moved as far as needed (and possible) to stay on `photoArea` (client-area pixels).
    static QRectF RegionFor(const QRectF& clientArea, QSize cell, const QRectF& photoArea = {});

public slots:
    void FormKeyPress(int key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    using Layers = render::TrialRenderer::Layers;
    struct Try {
        QPointer<document::TF_FILHO> document;
        std::unique_ptr<render::TrialRenderer> renderer;
        bool tried = false;
        // Why the renderer could not be made; the window picture stands in for the try then.
        QString failure;
        // The photo as the document's view places it, in client-area pixels.
        QRectF photoArea;
        QImage windowPicture;
    };
    struct Cell {
        int index = -1;
        Layers layers = Layers::PhotoAndHair;
        QSize size;
        QImage picture;
    };

    int columns() const;
    // The photo alone where Space or the divider shows it, the try where it shows.
    std::vector<Layers> shownLayers() const;
    // Renders what the present state shows and is not cached yet, under the busy cursor when
    // there is any such work; painting then only draws.
    void prepareShown();
    // Readies the try after the ones shown while the stylist looks, so that Right is quick.
    void prepareNext();
    bool prepare(Try& t);
    const QImage& cell(int index, Layers layers, QSize size);
    const QImage* cached(int index, Layers layers, QSize size) const;
    void drawCell(QPainter& p, int column, Layers layers);
    void setDivider(int x);

    TF_HAIR* main_;
    QPointer<QMdiSubWindow> studioWindow_;
    std::vector<Try> tries_;
    // Most recently used first; bounded so that eight tries at full screen do not pile up.
    std::vector<Cell> cells_;
    int current_ = 0;
    int columns_ = 1;
    bool photoOnly_ = false;
    int divider_ = -1;
    // Started by every paint: the next try is readied once the picture has stayed a moment.
    QTimer nextTimer_;
};

} // namespace velvo::app

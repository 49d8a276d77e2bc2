#pragma once
#include <QImage>
#include <QMainWindow>
#include <array>

#include "pixel/TPixelBitmap.h"

class QAction;
class QMenuBar;
class QScrollArea;
class TFormAutoSize;
class TLanguage;

namespace velvo::pixel {
class TPixelDisplay;
}
namespace velvo::app {
class TF_HAIR;
}

namespace velvo::print {

// The print preview the user sees: eight cells in two rows of four, each a document's picture
// fitted into it, with "&Imprimir" (the sheet to the print options window) and "&Sair" (empty
// the cells and close). Closing by the frame keeps the cells.
class TF_PREVIEW2 : public QMainWindow {
    Q_OBJECT
public:
    // `main` must outlive the window; its PictureView1 receives the sheet.
    explicit TF_PREVIEW2(app::TF_HAIR* main);
    ~TF_PREVIEW2() override;

    // The n-th owned component (1-based) of the window's client area when it is a cell.
    pixel::TPixelDisplay* Cell(int n) const;
    // Shows `picture` in cell n (1-based), fitted and smoothed; nothing outside 1 .. 8.
    void ShowInCell(int n, const QImage& picture);

    // Holds the sheet of cells; scrolls when the sheet is taller than the window.
    QScrollArea* ScrollBox = nullptr;
    QAction* Imprimir1 = nullptr;
    QAction* Sair1 = nullptr;
    TLanguage* L1 = nullptr;
    TFormAutoSize* FormAutoSize1 = nullptr;

public slots:
    void FormCreate();
    void FormKeyDown(int key);
    // The sheet into the main window's scratch view, its top row and left column white, then
    // the print options window.
    void Imprimir1Click();
    void Sair1Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    app::TF_HAIR* main_;
    // The cells' pictures; a cell shows its bitmap without owning it.
    std::array<pixel::TPixelBitmap, 8> pictures_;
};

// The single instance while it exists.
extern TF_PREVIEW2* F_PREVIEW2;

} // namespace velvo::print

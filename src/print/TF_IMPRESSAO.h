#pragma once
#include <QImage>
#include <QRect>
#include <QWidget>

class QLabel;
class QPushButton;
class QToolButton;
class TFormAutoSize;
class TLanguage;

namespace velvo::app {
class TF_HAIR;
}
namespace velvo::platform {
class TPrintDialog;
}

namespace velvo::print {

class TPagePrinter;

// The print options window: the sheet in the main window's scratch view shown on a miniature
// landscape page at one of three sizes, and printed at that size. Closing only hides it; it
// keeps its size between showings.
class TF_IMPRESSAO : public QWidget {
    Q_OBJECT
public:
    // `main` must outlive the window; its PictureView1 holds the sheet.
    explicit TF_IMPRESSAO(app::TF_HAIR* main);
    ~TF_IMPRESSAO() override;

    // 3, 4 or 5: the size buttons "1", "2" and "3".
    int SizeCode = 3;

    QWidget* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    TPagePrinter* PP_IMPRESSAO = nullptr;
    platform::TPrintDialog* PrintDialog1 = nullptr;
    TLanguage* L1 = nullptr;
    TFormAutoSize* FormAutoSize1 = nullptr;

    // The miniature's rectangle on the page for a sheet of `sheet` at `sizeCode`.
    static QRect MiniatureRect(QSize sheet, int sizeCode);
    // Where the sheet prints on a page of `page` printer pixels at `sizeCode`: fitted to the
    // page's shorter side, divided by the size's divisor, at (100, 100); a print that would
    // leave the page is shrunk to fit with its proportions kept.
    static QRect PrintRect(QSize sheet, QSize page, int sizeCode);
    // Shows the window and draws the miniature of the current sheet.
    void ShowSheet();

public slots:
    void FormCreate();
    // Draws the miniature page.
    void FormActivate();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    // Prints the sheet, landscape, after the print dialog; the window stays open.
    void BitBtn2Click();
    void BitBtn1Click();
    // Escape closes.
    void FormKeyDown(int key);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const QImage& sheet() const;

    app::TF_HAIR* main_;
};

// Shrinks `target` about its top-left corner, keeping its proportions, until it lies inside
// `area`; a target already inside is returned as it is.
QRect FitInside(QRect target, QRect area);

// The single instance while it exists.
extern TF_IMPRESSAO* F_IMPRESSAO;

} // namespace velvo::print

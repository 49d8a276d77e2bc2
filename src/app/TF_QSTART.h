#pragma once
#include <QPixmap>
#include <QWidget>

class QLabel;
class QTabWidget;
class QToolButton;
class TFormAutoSize;
class TLanguage;

namespace velvo::app {

class TF_HAIR;

// The first-steps window: four pages of short instructions with pictures of the tool bar's
// own buttons, shown without modality from the help menu. Closing only hides it, and it keeps
// the page last chosen.
class TF_QSTART : public QWidget {
    Q_OBJECT
public:
    // `main` must outlive the window; it supplies the program folder and the buttons.
    explicit TF_QSTART(TF_HAIR* main);
    ~TF_QSTART() override;

    QLabel* StyledLabel1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QToolButton* BitBtn1 = nullptr;
    TLanguage* L1 = nullptr;
    TFormAutoSize* FormAutoSize1 = nullptr;

    // Label1 .. Label24 and Image1 .. Image13 by number (null outside).
    QLabel* Label(int n) const;
    QLabel* Image(int n) const;

    // A tool bar button as it looks enabled, whatever its state now.
    static QPixmap ButtonPicture(QToolButton* button);

public slots:
    void FormCreate();
    // Escape closes; other keys do nothing.
    void FormKeyDown(int key);
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildPages();
    void placePictures();

    TF_HAIR* main_;
};

// The single instance while it exists.
extern TF_QSTART* F_QSTART;

} // namespace velvo::app

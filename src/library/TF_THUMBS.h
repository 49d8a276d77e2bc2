#pragma once
#include <QString>
#include <QWidget>
#include <array>

class QTabWidget;
class TLanguage;

namespace velvo::imaging {
class TPictureGrid;
}
namespace velvo::app {
class TF_HAIR;
}

namespace velvo::library {

class TThumbview;

// The library browser: a tab "Fotos" with the photos of the program folder and seven tabs of
// hairstyle thumbnails, one per category of the library in use. A tab is read from its folder
// the first time it is shown while empty; a choice inserts the hairstyle into the active photo
// (or opens the photo) through the main window. Closing only hides it.
class TF_THUMBS : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCategories = 7;

    // `main` must outlive the browser; it supplies the program folder, the library label, the
    // category list and the translator of every message.
    explicit TF_THUMBS(app::TF_HAIR* main);
    ~TF_THUMBS() override;

    QTabWidget* PageControl1 = nullptr;
    // TabSheet1 ("Fotos") is page 0; TabSheet2 .. TabSheet8 hold the categories 0 .. 6.
    std::array<QWidget*, 8> TabSheet{};
    // PictureGrid1 .. PictureGrid7: the grids of categories 0 .. 6.
    std::array<imaging::TPictureGrid*, kCategories> PictureGrid{};
    TThumbview* Thumbview1 = nullptr;
    TLanguage* L1 = nullptr;

    // Full path of the entry last chosen, in any tab, and the hairstyle number taken from it.
    QString ChosenFile;
    QString HairNumber;

    // Makes `page` (0 = "Fotos", 1 + category) the active page without filling it; the
    // browser fills it when it next becomes active.
    void SetActivePage(int page);
    // Shows the browser modeless and brings it to the front.
    void ShowBrowser();

    // The hairstyle number of a file name: its first character when the second is ".",
    // otherwise all but its last four characters ("7.GIF" -> "7", "05.GIF" -> "05").
    static QString HairNumberOf(const QString& fileName);
    // Category folder order: numbered files by their number, then the others by name.
    static void SortByHairstyleNumber(QStringList& names);

    // With a document open: HairNumber from ChosenFile and the main window's InsertHairstyle.
    // Without one: the message "Abra uma foto e depois escolha um cabelo!".
    void ChooseHairstyle();

public slots:
    void FormCreate();
    void FormActivate();
    // Fills the active page when it is still empty.
    void PageControl1Change();
    void PictureGridImageSelect(int category, int index);
    void PictureGridMouseMove(int category, int x, int y);
    void Thumbview1Click();
    void Thumbview1StartScanning(int max);
    void Thumbview1StopScanning();
    // Qt::Key_Escape hides the window; other keys do nothing.
    void FormKeyDown(int key);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildPages();
    void fillGrid(int category);

    app::TF_HAIR* main_;
    bool settingPage_ = false;
};

// The single instance while it exists.
extern TF_THUMBS* F_THUMBS;

} // namespace velvo::library

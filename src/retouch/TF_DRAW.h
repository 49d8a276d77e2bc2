#pragma once
#include <QColor>
#include <QMainWindow>
#include <QPen>
#include <QPointer>
#include <QString>
#include <functional>

#include "app/TF_HAIR.h"

class QButtonGroup;
class QEventLoop;
class QFrame;
class QLabel;
class QMenu;
class QScrollArea;
class QToolButton;
class TFormAutoSize;
class TLanguage;

namespace velvo::imaging {
class TPictureView;
class TPictureIO;
} // namespace velvo::imaging
namespace velvo::platform {
class TFileDialog;
}

namespace velvo::retouch {

class TColorComboBoxEx;
class TLineWidthComboBox;

// The retouch editor: freehand strokes in a chosen colour and width straight onto a copy of
// the hairstyle picture or the photo, a colour dropper, one level of undo, the clipboard and
// picture files. Shown modally by the main window's "&Retoque" entries; its return button
// hands the picture back through the main window's scratch view, any other way out drops it.
// Tools, pen, CurrentFile and the undo copy survive from one retouch to the next. Closing
// only hides it.
class TF_DRAW : public QMainWindow, public app::RetouchEditor {
    Q_OBJECT
public:
    // `main` must outlive the editor; it supplies the program folder, the translator of the
    // program's messages and the scratch view the picture goes back through.
    explicit TF_DRAW(app::TF_HAIR* main);
    ~TF_DRAW() override;

    // The picture being edited (view at 100 %, sized to its picture, in ScrollBox1).
    imaging::TPictureView* Image = nullptr;
    // Hidden: the undo copy, one level.
    imaging::TPictureView* Image1 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QWidget* Panel1 = nullptr;
    // Shows the active colour as its fill (the window colour of its palette).
    QFrame* Shape1 = nullptr;
    QToolButton* UndoButton = nullptr;
    // The draw tool and the dropper tool; exactly one of the two is down.
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* GotasButton = nullptr;
    TColorComboBoxEx* ColorComboBoxEx1 = nullptr;
    TLineWidthComboBox* LineWidthComboBox1 = nullptr;
    QToolButton* VelvoButton1 = nullptr;
    imaging::TPictureIO* PictureIO1 = nullptr;
    platform::TFileDialog* OpenDialog1 = nullptr;
    platform::TFileDialog* SaveDialog1 = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    TLanguage* L1 = nullptr;
    TFormAutoSize* FormAutoSize1 = nullptr;

    // The file Save writes to: set by Open (once the file was read) and Save as, never cleared.
    QString CurrentFile;
    bool DropperMode = false;
    // From a press with the draw tool until the button is released.
    bool Drawing = false;

    // The drawing pen: colour, width, solid with round caps and joins.
    const QPen& Pen() const { return pen_; }
    // Shape1's fill.
    QColor ActiveColor() const;

    // Menu entries by their names (null for an unknown name).
    QAction* Action(const QString& name) const;
    QMenu* Menu(const QString& name) const;

    // RetouchEditor: the picture becomes the edited picture and its undo copy, shown from its
    // top-left corner.
    void SetPicture(const QImage& picture) override;
    // Shows the editor application-modal and returns once it is closed, by any way.
    void ShowModal() override;
    // Test seam: when set, it stands in for the user's session in ShowModal: it runs once the
    // editor is shown, and ShowModal returns when it returns, without an event loop.
    std::function<void()> WhileShown;

public slots:
    void FormCreate();
    void FormActivate();
    // Mouse over the view, in view pixels, which are picture pixels.
    void ImageMouseDown(Qt::MouseButton button, int x, int y);
    void ImageMouseMove(int x, int y);
    void ImageMouseUp();
    void DrawButtonClick();
    void GotasButtonClick();
    void ColorComboBoxEx1Change();
    void LineWidthComboBox1Change();
    void UndoButtonClick();
    void Copy1Click();
    void Cut1Click();
    void Paste1Click();
    void Open1Click();
    void Save1Click();
    void Saveas1Click();
    void VelvoButton1Click();
    void Exit1Click();
    // Qt::Key_Escape closes the editor; other keys do nothing.
    void FormKeyDown(int key);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildComponents();
    void buildMenus();
    void buildToolPanel();
    void buildStatusBar();
    QToolButton* addButton(const char* name, const QString& hint, const QIcon& icon,
                           void (TF_DRAW::*handler)());
    // Pen and Shape1 take `color`.
    void setActiveColor(const QColor& color);
    // The undo copy := the picture.
    void saveUndo();
    // Takes the picture's pixel at (x, y) as the active colour; outside the picture nothing.
    void pickColor(int x, int y);

    app::TF_HAIR* main_;
    QPen pen_;
    QPoint penPosition_;
    QButtonGroup* toolGroup_ = nullptr;
    QPointer<QEventLoop> modalLoop_;
};

// The single instance while it exists.
extern TF_DRAW* F_DRAW;

} // namespace velvo::retouch

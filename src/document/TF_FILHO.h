#pragma once
#include <QImage>
#include <QLabel>
#include <QString>
#include <QWidget>

#include "fit/Framing.h"
#include "fit/TurnedHair.h"
#include "trial/Trial.h"

class QMdiSubWindow;

namespace velvo::imaging {
class TPictureView;
class TPictureIO;
class TPictureProc;
} // namespace velvo::imaging
namespace velvo::app {
class TF_HAIR;
}

namespace velvo::document {

class THairOverlay;
class TImageFX;
class TResizeGrip;

// The document window: one photo (Image1) with one hairstyle laid over it (Image2), filled
// from the main window's hand-over state when it is created. Its state items are invisible
// labels, numbers as decimal text, so the main window reads and writes them as texts.
class TF_FILHO : public QWidget {
    Q_OBJECT
public:
    explicit TF_FILHO(app::TF_HAIR* owner);
    ~TF_FILHO() override;

    imaging::TPictureView* Image1 = nullptr;
    imaging::TPictureProc* PictureProc1 = nullptr;
    imaging::TPictureIO* PictureIO1 = nullptr;
    THairOverlay* Image2 = nullptr;
    // The pristine hairstyle from which the virtual colours are made.
    imaging::TPictureView* ImageAux2 = nullptr;
    imaging::TPictureProc* PictureProc2 = nullptr;
    // The frame the resize tool lays around the overlay; detached otherwise.
    TResizeGrip* SH1 = nullptr;
    // Scratch holder through which the main window bakes a stretched overlay.
    TImageFX* Image3 = nullptr;

    // State items.
    QLabel* lblFilename = nullptr;
    QLabel* lblTipo = nullptr;
    QLabel* Hair = nullptr;
    QLabel* L = nullptr;
    QLabel* T = nullptr;

    int HairNumber = 0;    // 1 and up; 0 = none
    quint16 ColorStep = 0; // 0 = not yet stepped, 1..5 the virtual colour last applied by a key
    bool Dragging = false;
    int DragStartX = 0;
    int DragStartY = 0;
    // Framed: the face was found at Face (photo pixels) and each hairstyle is fitted over it.
    bool Framed = false;
    fit::Face Face;
    // Which of the photo's faces (largest and most central first) "Enquadrar &Rosto" framed.
    int FaceIndex = 0;
    // The degrees the overlay's picture is turned by (0: upright, as the library has it).
    double HairTurn = 0;
    // The photo file was cut short or damaged when this document opened it; the main window
    // says so.
    bool PhotoIncomplete = false;
    // How the overlay was made from the library picture, step by step, so that a renderer can
    // make it again from the high-resolution master.
    trial::OverlayRecipe Recipe;
    // The photo picture's cache key once opened: any edit of the photo renews it.
    qint64 PhotoKeyAsOpened = 0;
    // The client whose record this try was reopened from or saved into; empty otherwise.
    QString ClientName;

    enum VirtualColor { Amarelo = 1, Marrom = 2, Vermelho = 3, Preto = 4, Normal = 5 };

    // ProgramFolder + label + "/" + item `category` of CB_TIPO as it shows now + "/" + number
    // + ".GIF". A category that is not a number throws; one outside the list throws too.
    QString HairFilePath(const QString& label, const QString& category, int number) const;
    // ProgramFolder + Hair label + "/Temp" + n + ".BMP".
    QString TempFilePath(int n) const;

    QString Caption() const { return windowTitle(); }

    // Shows the hairstyle in virtual colour 1..5, made from the pristine copy (never
    // cumulative); other values do nothing. Ends with WhitenHairBackground.
    void ApplyVirtualColor(int color);
    // Every overlay pixel of exactly the colour at (1, 1) becomes white; a bitmap smaller than
    // 2 x 2 is left as it is.
    void WhitenHairBackground();
    // Reads HairFilePath(Hair, lblTipo, HairNumber) through the main window's scratch view
    // into the pristine copy and the overlay (which takes its size). Throws when the file
    // cannot be read or is not a GIF file.
    void LoadHairOverlay();

    // The face opening of the hairstyle in the pristine copy, from its file's side file or
    // measured; a malformed side file is reported through the main window.
    fit::Opening HairOpening();
    // The pristine hairstyle's size.
    fit::Size HairSize() const;
    // The hairstyle's size and opening once turned by Face's roll.
    fit::TurnedFrame TurnedHairFrame();
    // Turns the overlay's picture by `degrees` about its opening (the upright overlay as it is,
    // one turned before from the pristine copy) and gives its size and opening; nothing changes
    // while both the turn and HairTurn are 0.
    fit::TurnedFrame TurnOverlay(double degrees);
    // Places the overlay so that its opening, at the face's on-screen width, is centred on
    // Face as the view shows it now: the grip stretches it, baked as the resize tool bakes it;
    // L and T follow. A rolled face turns the pristine copy about its opening first (colour
    // changes, flips and retouches of an overlay turned before are dropped, as the move tool
    // drops them). Nothing without a hairstyle picture.
    void FitHairToFace();

    // The client area as shown, at screen resolution, 24-bit (QImage::Format_BGR888).
    QImage CompositeImage();
    // What this document shows, as data: the photo file's bytes are read again now.
    trial::Trial Describe();

    QMdiSubWindow* SubWindow() const;
    // Closes the document's frame; the document is freed.
    void Close();

public slots:
    void FormCreate();
    void FormActivate();
    // Key released (virtual-key semantics of Left, Right, Up, Down, Ctrl+F8, Ctrl+F9).
    void FormKeyUp(int key, Qt::KeyboardModifiers modifiers);
    void Image1MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void Image1DblClick();
    void Image1ViewChange(int what);
    void Image2MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void Image2MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                         QPoint position);
    void Image2MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void SH1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void SH1MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint position);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormClose();
    void ChangeHairstyle();
    void DetachGrip();
    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    void TakeOverPhoto();
    // Rebuilds the try the main window hands over (TrialMode).
    void TakeOverTrial(const trial::Trial& trial);
    bool HairFileExists(const QString& category) const;

    app::TF_HAIR* owner_;
    bool closed_ = false;
};

} // namespace velvo::document

#pragma once
#include <QComboBox>
#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QPolygon>
#include <QString>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "fit/Framing.h"
#include "pixel/TPixelBitmap.h"
#include "platform/Messages.h"

class QAction;
class QActionGroup;
class QButtonGroup;
class QMdiArea;
class QLabel;
class QMenu;
class QScrollBar;
class QToolBar;
class QToolButton;
class TLanguage;
class TFormAutoSize;
class TGradPan;

namespace velvo::imaging {
class TPictureView;
class TPictureIO;
class TPictureProc;
class THsvPicker;
} // namespace velvo::imaging
namespace velvo::platform {
class TOpenPictureDialog;
class TSavePictureDialog;
class TPrintDialog;
class TPrinterSetupDialog;
} // namespace velvo::platform

namespace velvo::document {
class TF_FILHO;
}
namespace velvo::fit {
class FaceFinder;
}
namespace velvo::trial {
struct Trial;
}
namespace velvo::clients {
class ClientStore;
}

namespace velvo::app {

// The retouch editor as the main window uses it: it takes a copy of the scratch picture and
// runs modally; when the user hands the picture back it copies it into the scratch view and
// calls ReturnFromRetouch before it closes.
class RetouchEditor {
public:
    virtual ~RetouchEditor() = default;
    virtual void SetPicture(const QImage& picture) = 0;
    virtual void ShowModal() = 0;
};

// The main window: the multiple-document frame with the menu and the sectioned tool bar, the
// hand-over state through which documents are made, and the scratch view PictureView1.
// Every control carries its specified name as objectName.
class TF_HAIR : public QMainWindow {
    Q_OBJECT
public:
    // `programFolder` empty: the executable's folder. Always stored with a trailing "/".
    explicit TF_HAIR(const QString& programFolder = {}, QWidget* parent = nullptr);
    ~TF_HAIR() override;

    // State kept for the documents (see the field table of the main window).
    QString ProgramFolder;
    QString LibraryLabel = QStringLiteral("Velvo5");
    QString CategoryText = QStringLiteral("0");
    QString RetouchTarget;
    QString PendingPhotoFile;
    QString PendingHairstyleId;
    int PendingViewX = 0;
    int PendingViewY = 0;
    int PendingZoom = 0;
    int PendingHairLeft = 0;
    int PendingHairTop = 0;
    int ReplayHairNumber = 0;
    int CaptureCount = 0;
    bool ClosingAll = false;
    bool OpenMode = false;
    bool FromClipboard = false;
    bool InsertMode = false;
    bool ReplayMode = false;
    // When set, a document made by insertion takes this picture, already read from
    // PendingPhotoFile, rather than reading the file again.
    QImage PendingPhoto;
    // A new document made from a framed one fits each hairstyle by its opening over this face.
    bool PendingFramed = false;
    fit::Face PendingFace;
    bool LassoActive = false;
    bool PanelOpened = false;
    pixel::TPixelBitmap WorkBitmap;
    // The colour panel's target as captured; every slider move starts again from it. It
    // belongs to one document and target, and is taken again when either is not the one
    // active now; a document that closes takes its capture with it.
    pixel::TPixelBitmap PanelSnapshot;
    QString HelpFile;
    // The editor the "&Retoque" commands hand their picture to; none: they prepare the picture
    // and return.
    RetouchEditor* Retoucher = nullptr;

    // The colour panel and its controls.
    TGradPan* GradPan1 = nullptr;
    QScrollBar* sRed = nullptr;
    QScrollBar* sGreen = nullptr;
    QScrollBar* sBlue = nullptr;
    QScrollBar* sContrast = nullptr;
    QScrollBar* sLightness = nullptr;
    QScrollBar* sSaturation = nullptr;
    QScrollBar* sSharpen = nullptr;
    imaging::THsvPicker* HsvPicker1 = nullptr;
    QToolButton* BitBtn1 = nullptr;
    QToolButton* BitBtn2 = nullptr;
    QToolButton* BitBtn21 = nullptr;
    // Hidden: the HairNumber of the document the panel was opened for.
    QLabel* Label1 = nullptr;

    // Hidden components other windows use.
    QComboBox* CB_TIPO = nullptr;
    imaging::TPictureView* PictureView1 = nullptr;
    imaging::TPictureIO* PictureIO1 = nullptr;
    imaging::TPictureProc* PictureProc1 = nullptr;
    platform::TOpenPictureDialog* OD_ABRIR = nullptr;
    platform::TSavePictureDialog* SD_SALVAR = nullptr;
    platform::TPrintDialog* PD_IMPRIME = nullptr;
    platform::TPrinterSetupDialog* PSD_CONFIG = nullptr;
    QMdiArea* MdiArea = nullptr;
    // The translator of this window; every message text of the program passes through its
    // TranslateMsg.
    TLanguage* L1 = nullptr;
    TFormAutoSize* FormAutoSize1 = nullptr;

    // Menu entries and tool bar items by their names (null for an unknown name).
    QAction* Action(const QString& name) const;
    QMenu* Menu(const QString& name) const;
    QToolButton* Button(const QString& name) const;
    QToolButton* BT_SCROLL = nullptr;
    QToolButton* BT_MOVE = nullptr;
    QToolButton* BT_ZOOM = nullptr;
    QToolButton* BT_LACO = nullptr;

    // Document windows in frame (creation) order, a closing one included until it is gone.
    QList<document::TF_FILHO*> Documents() const;
    document::TF_FILHO* ActiveDocument() const;

    // Creates one document from the hand-over state, shows it active, UpdateCommands(true).
    // A fault while the document fills itself ends in the standard error box; the document
    // still opens with what it loaded. Returns the new document.
    document::TF_FILHO* NewDocument();
    // Opens a new document showing the active document's photo, zoom and view with hairstyle
    // `id` (decimal text) of CategoryText laid where the active document's overlay is, shown or
    // not. Without a document: the message "É preciso abrir uma foto primeiro!".
    void InsertHairstyle(const QString& id);
    // Enables the document commands: documents exist, not ClosingAll, and `creating` or more
    // than one document (a closing document still counts).
    void UpdateCommands(bool creating);

    // Every message box of the main window and its documents goes through here.
    int ShowMessage(const QString& caption, const QString& text, platform::MessageIcon icon,
                    int buttons = platform::mbOk);

    // Bakes an overlay the grip has stretched into a picture of its on-screen size and takes
    // the grip off; nothing unless the active document's grip is attached.
    void FinishResize();
    // The same for `doc`, active or not.
    void FinishResize(document::TF_FILHO& doc);
    // Reads the active document's hairstyle file again into the overlay (which takes its
    // size). A file that cannot be read throws; the overlay keeps its picture.
    void ReloadHair();
    // Tools, category and browser buttons and the print preview hide the panel; PanelOpened
    // stays as it is.
    void hideColourPanel();
    // Called by the retouch editor once it has put its picture into PictureView1.
    void ReturnFromRetouch();

    // Zoom and view offsets that give the face in `doc`'s photo the width of its hairstyle's
    // opening (the default opening while no hairstyle is shown), and the overlay fitted over
    // it. `face` is looked for when not given. No face: the whole photo fits the window, the
    // status bar says so, and false is returned. The photo's pixels are never changed.
    // A rolled head turns the hairstyle with it.
    bool FrameDocument(document::TF_FILHO& doc, std::optional<fit::Face> face = {});
    // The face finder, made on first use with the models and cascades of the program folder
    // first. A missing model is kept to be told once (ReportFaceModels).
    const fit::FaceFinder& Faces();
    // Every face in `photo`, in its pixels, the largest and most central first.
    std::vector<fit::Face> FindFaces(const QImage& photo);
    // The first of FindFaces(); nothing without a face or without any finder.
    std::optional<fit::Face> FindFace(const QImage& photo);
    // Tells in the status bar (a note of its own, `faceModelsNote`), the first time only, that
    // a face model is missing.
    void ReportFaceModels();
    // velvo.ini beside the program, [Opcoes] EnquadrarAoAbrir: missing = on, "0" = off.
    bool FrameOnOpen() const;
    // A message in the status bar (made when there is none), looked up with TranslateMsg; a
    // given `arg` then takes the place of %1, so the text stays one key whatever it names.
    void ShowStatus(const QString& text, const QString& arg = {});
    // A malformed side file's message (the opening lookup gives it only when it reads the
    // file, so a hairstyle used again is not reported again).
    void ReportOpeningError(const std::string& error);
    // The print preview sheet of `documents` (at most eight are shown).
    void ShowPreviewSheet(const QList<document::TF_FILHO*>& documents);

    // Client records.
    // A try being reopened (TrialMode): the new document rebuilds it from this description
    // and PendingPhotoFile, with PendingPhoto when set and the try's photo is not edited.
    bool TrialMode = false;
    const trial::Trial* PendingTrial = nullptr;
    // The studio's records, opened on first use at ClientStore::LocationFor(ProgramFolder).
    // One that cannot be opened is told in a message naming it; null then, and the next use
    // tries again.
    clients::ClientStore* Clients();
    // Uses `store` from now on instead (a benchmark's or a test's database).
    void SetClients(std::shared_ptr<clients::ClientStore> store);
    // Documents that show `trials` exactly as described, one each, in order. A photo that is
    // no longer in its file is written beside the library's Temp pictures first.
    QList<document::TF_FILHO*> OpenTrials(const std::vector<trial::Trial>& trials);
    document::TF_FILHO* OpenTrial(const trial::Trial& trial);
    // The documents showing the active document's photo, in frame order.
    QList<document::TF_FILHO*> TriesOfActivePhoto() const;
    // `documents` into one new visit of client `clientId`. A client without recorded consent
    // is asked first; a refusal saves nothing. A store fault is told naming the database, and
    // the documents stay as they were. True when the visit was saved.
    bool SaveTries(qint64 clientId, const QList<document::TF_FILHO*>& documents,
                   const QString& notes = {});
    // Tells a fault of the records, naming the database.
    void ReportStoreError(const std::exception& error);
    // The preview sheet of `pictures` alone: cells beyond them are emptied, so another
    // client's tries are never printed with these.
    void ShowPreviewPictures(const QList<QImage>& pictures);

public slots:
    void FormCreate();
    void FormActivate();

    // Start-up and main window.
    void Sair1Click();
    void ArranjarIcones1Click();
    void Ajuda2Click();
    void QuickStartClick();
    // The diagnostics window (made on first use, a child of this window).
    void Diagnostico1Click();
    void SobreoPrograma1Click();
    // Client records: the records window, and saving the open tries into a client's visit.
    void Fichas1Click();
    void GuardarProvas1Click();
    // Document commands.
    void AbrirFoto1Click();
    void Fechar1Click();
    void FecharTudo1Click();
    void Salvar1Click();
    void Salvarcomo1Click();
    // The active try as a JPEG or PNG picture at high resolution, or every try of its photo on
    // an A4 sheet (PDF), by the chosen name's extension.
    void ExportarProva1Click();
    // A salon's own hairstyle from a PNG with transparency into a category of the library.
    void ImportarCabelo1Click();
    void ConfigurarImpressora1Click();
    void Imprimir1Click();
    void PrintPreview1Click();
    void Copiar1Click();
    void Colar1Click();
    void CapturaTWAIN1Click();
    void SelecionarCapturaTWAIN1Click();
    // Hairstyle choice and insertion.
    void Inserir1Click();
    void ApagarCabelo1Click();
    void Visualizador50Click();
    void Visualizador42Click();
    void BT_ThumbsClick();
    void BT_CCClick();
    void BT_CEClick();
    void BT_MCClick();
    void BT_MEClick();
    void BT_LCClick();
    void BT_LEClick();
    void BT_MClick();
    // Interaction tools.
    void BT_SCROLLClick();
    void BT_MOVEClick();
    void BT_ZOOMClick();
    void BT_LACOClick();
    void Zoom1Click();
    void Zoom2Click();
    void tamanhoOriginal1Click();
    void Replay1Click();
    void Flip1Click();
    void Redimensionar1Click();
    void Undo1Click();
    void EnquadrarRosto1Click();
    void ProvarCategoria1Click();
    // The open tries at the screen's size for the client (TF_APRESENTACAO), starting with the
    // active one; nothing without a document.
    void MostrarCliente1Click();
    // Colour panel and virtual colours.
    void AjusteFoto1Click();
    void AjusteCabelo1Click();
    void ColorPanel1Click();
    void BT_SLIDERSClick();
    void RetoqueCabelo1Click();
    void RetoqueFoto1Click();
    void Amarelo1Click();
    void Marrom1Click();
    void Vermelho1Click();
    void Preto1Click();
    void Normal1Click();
    void sRedScroll();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn21Click();
    void HsvPicker1Click();
    void GradPan1Resize();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormClose();
    void buildComponents();
    void buildMenus();
    void buildToolBar();
    void buildTranslation();
    void buildColourPanel();
    // Takes `doc`'s panel target into WorkBitmap and PanelSnapshot, sliders untouched.
    void capturePanelTarget(document::TF_FILHO& doc);
    // PanelSnapshot was taken from `doc`'s present target and nothing else has changed that
    // picture since the panel last wrote it.
    bool panelCaptureIsOf(const document::TF_FILHO& doc) const;
    void rememberPanelPicture(const document::TF_FILHO& doc);
    void releasePanelCapture();
    QAction* addEntry(QMenu* menu, const char* name, const QString& caption,
                      const QKeySequence& shortcut, void (TF_HAIR::*handler)());
    QToolButton* addItem(QToolBar* bar, const char* name, const QString& hint,
                         void (TF_HAIR::*handler)(), int glyph);
    void addSection(QToolBar* bar, const QString& caption);

    QToolBar* SectionBar1 = nullptr;
    QList<QPointer<document::TF_FILHO>> documents_;
    // Where PanelSnapshot came from. The picture is known by its QImage cache key, which any
    // change to it (a new hairstyle, a virtual colour, a baked resize, a retouch) renews.
    struct PanelSource {
        QPointer<document::TF_FILHO> document;
        int target = -1;
        QPolygon selection;
        qint64 pictureKey = 0;
        // The overlay's recipe step this capture's sliders set; -1 until they first move.
        int recipeStep = -1;
    };
    PanelSource panelSource_;
    QMetaObject::Connection panelSourceWatch_;
    QButtonGroup* toolGroup_ = nullptr;
    QActionGroup* viewerGroup_ = nullptr;
    // Shared only so that its deleter is bound where it is made, beside the framing code.
    std::shared_ptr<fit::FaceFinder> faces_;
    // The missing models' message, until it has been shown.
    QString faceModelsMessage_;
    std::shared_ptr<clients::ClientStore> clients_;
};

// The single instance while it exists.
extern TF_HAIR* F_HAIR;

} // namespace velvo::app

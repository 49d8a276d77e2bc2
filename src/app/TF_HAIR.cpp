#include "app/TF_HAIR.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolButton>
#include <algorithm>

#include "app/TF_HAIR_Translations.h"
#include "document/TF_FILHO.h"
#include "imaging/TPictureIO.h"
#include "imaging/TPictureProc.h"
#include "imaging/TPictureView.h"
#include "library/TF_THUMBS.h"
#include "platform/Cursors.h"
#include "platform/DialogComponents.h"
#include "platform/Help.h"
#include "translation/TLanguage.h"
#include "ui/TFormAutoSize.h"

namespace velvo::app {

TF_HAIR* F_HAIR = nullptr;

namespace {
const char* const kAllGraphics =
    "All graphics|*.jpg;*.jpeg;*.gif;*.tif;*.tiff;*.pcx;*.png;*.bmp;*.wmf;*.emf;*.ico;*.cur;"
    "*.avi";
const char* const kPictureEntries =
    "|JPEG files (*.jpg;*.jpeg)|*.jpg;*.jpeg|GIF files (*.gif)|*.gif|"
    "TIFF files (*.tif;*.tiff)|*.tif;*.tiff|PCX files (*.pcx)|*.pcx|PNG files (*.png)|*.png|"
    "BMP files (*.bmp)|*.bmp|WMF files (*.wmf)|*.wmf|EMF files (*.emf)|*.emf|"
    "ICO files (*.ico)|*.ico|CUR files (*.cur)|*.cur|AVI files (*.avi)|*.avi";
// Phone and web photos open but cannot be saved, so only the open dialog lists them: at the
// end of "All graphics" and as an entry after the others, so every index keeps its meaning.
const char* const kPhoneAndWebPatterns = "*.heic;*.heif;*.avif;*.webp";

// The document commands that UpdateCommands switches; everything else stays enabled.
const char* const kDocumentEntries[] = {
    "Fechar1",         "FecharTudo1",     "Salvar1", "Salvarcomo1", "Imprimir1",
    "PrintPreview1",   "Undo1",           "Copiar1", "Inserir1",    "ApagarCabelo1",
    "Redimensionar1",  "Replay1",         "Zoom1",   "Zoom2",       "tamanhoOriginal1",
    "EnquadrarRosto1", "ProvarCategoria1",
    // Exporting a try.
    "ExportarProva1",
    // Showing the tries to the client.
    "MostrarCliente1"};
const char* const kDocumentMenus[] = {"AjustedeImagem1", "Desenho1", "VirtualColor1"};
const char* const kDocumentItems[] = {"BT_Salvar", "BT_Imprimir", "BT_Replay", "BT_Original",
                                      "BT_ZOOM",   "BT_PREVIEW",  "BT_SCROLL", "BT_MOVE",
                                      "BT_LACO",   "BT_SLIDERS",  "BT_ROSTO",
                                      "BT_MOSTRAR"};
} // namespace

TF_HAIR::TF_HAIR(const QString& programFolder, QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("F_HAIR"));
    F_HAIR = this;
    ProgramFolder =
        programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder;
    if (!ProgramFolder.endsWith(QLatin1Char('/')))
        ProgramFolder += QLatin1Char('/');
    resize(611, 450);
    buildComponents();
    buildMenus();
    buildToolBar();
    buildColourPanel();
    buildTranslation();
    // A translation value that does not convert ends the pass with the standard error box;
    // the window is still created and the rest of its creation still runs.
    platform::runGuarded([this] { FormCreate(); });
    // Without a window manager no activation may ever arrive to set the commands.
    UpdateCommands(true);
}

void TF_HAIR::buildTranslation() {
    L1 = new TLanguage(this);
    L1->setObjectName(QStringLiteral("L1"));
    L1->SetProperties(mainWindowTranslationList());
    L1->SetSeparator(QStringLiteral(","));
    FormAutoSize1 = new TFormAutoSize(this);
    FormAutoSize1->setObjectName(QStringLiteral("FormAutoSize1"));
    FormAutoSize1->DesignTimeSize() = {800, 600, 404, 96};
    FormAutoSize1->SetAllowAutoSize(true);
    FormAutoSize1->SetCheckPixelsPerInch(true);
    FormAutoSize1->SetActive(true);
    // The main window is not scaled by the font system, so only the resolution step applies.
    TFormAutoSize::SetWindowScaled(this, false);
}

TF_HAIR::~TF_HAIR() {
    // Documents read the main window while they go; free them first.
    for (QMdiSubWindow* window : MdiArea->subWindowList())
        delete window;
    if (F_HAIR == this)
        F_HAIR = nullptr;
}

void TF_HAIR::buildComponents() {
    MdiArea = new QMdiArea(this);
    MdiArea->setObjectName(QStringLiteral("ClientArea"));
    MdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setCentralWidget(MdiArea);
    connect(MdiArea, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow* window) {
        if (auto* doc = window ? qobject_cast<document::TF_FILHO*>(window->widget()) : nullptr)
            platform::runGuarded([doc] { doc->FormActivate(); });
    });

    CB_TIPO = new QComboBox(this);
    CB_TIPO->setObjectName(QStringLiteral("CB_TIPO"));
    CB_TIPO->addItems({QStringLiteral("Curtos e Claros"), QStringLiteral("Curtos e Escuros"),
                       QStringLiteral("Médios e Claros"), QStringLiteral("Médios e Escuros"),
                       QStringLiteral("Longos e Claros"), QStringLiteral("Longos e Escuros"),
                       QStringLiteral("Masculinos")});
    CB_TIPO->hide();

    PictureView1 = new imaging::TPictureView(this);
    PictureView1->setObjectName(QStringLiteral("PictureView1"));
    PictureView1->SetAutoFit(true);
    PictureView1->hide();
    PictureIO1 = new imaging::TPictureIO(this);
    PictureIO1->setObjectName(QStringLiteral("PictureIO1"));
    PictureIO1->SetAttachedView(PictureView1);
    PictureProc1 = new imaging::TPictureProc(this);
    PictureProc1->setObjectName(QStringLiteral("PictureProc1"));
    PictureProc1->SetAttachedView(PictureView1);

    OD_ABRIR = new platform::TOpenPictureDialog(this);
    OD_ABRIR->setObjectName(QStringLiteral("OD_ABRIR"));
    const QString phoneAndWeb = QString::fromUtf8(kPhoneAndWebPatterns);
    OD_ABRIR->Filter = QString::fromUtf8(kAllGraphics) + ";" + phoneAndWeb +
                       QString::fromUtf8(kPictureEntries) + "|HEIC, AVIF and WebP files (" +
                       phoneAndWeb + ")|" + phoneAndWeb;
    SD_SALVAR = new platform::TSavePictureDialog(this);
    SD_SALVAR->setObjectName(QStringLiteral("SD_SALVAR"));
    SD_SALVAR->Filter = QString::fromUtf8(kAllGraphics) + QString::fromUtf8(kPictureEntries);
    SD_SALVAR->DefaultExt = QStringLiteral("bmp");
    SD_SALVAR->FilterIndex = 7;
    SD_SALVAR->Options = platform::ofOverwritePrompt | platform::ofHideReadOnly |
                         platform::ofCreatePrompt | platform::ofShareAware;
    PD_IMPRIME = new platform::TPrintDialog(this);
    PD_IMPRIME->setObjectName(QStringLiteral("PD_IMPRIME"));
    PSD_CONFIG = new platform::TPrinterSetupDialog(this);
    PSD_CONFIG->setObjectName(QStringLiteral("PSD_CONFIG"));
}

void TF_HAIR::FormCreate() {
    platform::registerEngineCursors();
    setWindowTitle(QStringLiteral("Velvo Studio 5"));
    CategoryText = QStringLiteral("0");
    ReplayMode = LassoActive = FromClipboard = InsertMode = OpenMode = false;
    CaptureCount = 0;
    WorkBitmap.SetSize(0, 0);
    LibraryLabel = QStringLiteral("Velvo5");
    L1->SetLanguageFile(ProgramFolder + QStringLiteral("language.lng"));
    L1->Translate();
    HelpFile = ProgramFolder + QStringLiteral("help/index.html");
    CB_TIPO->setCurrentIndex(0);
}

bool TF_HAIR::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        platform::runGuarded([this] { FormActivate(); });
    return QMainWindow::event(event);
}

void TF_HAIR::FormActivate() {
    if (!isMaximized() && !isFullScreen())
        move(0, 0);
    ClosingAll = false;
    UpdateCommands(true);
}

void TF_HAIR::closeEvent(QCloseEvent* event) {
    FormClose();
    QMainWindow::closeEvent(event);
}

void TF_HAIR::FormClose() {
    // The documents go with the frame; the browser is a window of its own.
    if (library::F_THUMBS)
        library::F_THUMBS->close();
}

void TF_HAIR::UpdateCommands(bool creating) {
    const auto n = Documents().size();
    const bool enabled = n > 0 && !ClosingAll && (creating || n > 1);
    for (const char* name : kDocumentEntries)
        if (QAction* a = Action(QLatin1String(name)))
            a->setEnabled(enabled);
    for (const char* name : kDocumentMenus)
        if (QMenu* m = Menu(QLatin1String(name))) {
            m->setEnabled(enabled);
            m->menuAction()->setEnabled(enabled);
            // A disabled menu does not stop its entries' shortcuts.
            for (QAction* entry : m->actions())
                entry->setEnabled(enabled);
        }
    for (const char* name : kDocumentItems)
        if (QToolButton* b = Button(QLatin1String(name)))
            b->setEnabled(enabled);
}

int TF_HAIR::ShowMessage(const QString& caption, const QString& text, platform::MessageIcon icon,
                         int buttons) {
    // Captions stay as they are; texts are looked up in the translation file.
    return platform::Messages::instance().show(caption, L1 ? L1->TranslateMsg(text) : text, icon,
                                               buttons);
}

QAction* TF_HAIR::Action(const QString& name) const {
    return findChild<QAction*>(name);
}
QMenu* TF_HAIR::Menu(const QString& name) const {
    return findChild<QMenu*>(name);
}
QToolButton* TF_HAIR::Button(const QString& name) const {
    return findChild<QToolButton*>(name);
}

void TF_HAIR::Sair1Click() {
    FecharTudo1Click();
    close();
}

void TF_HAIR::ArranjarIcones1Click() {
    // Minimised documents line up from the bottom-left corner; a full row starts a new one
    // above it. The others keep their place.
    int x = 0;
    int rowBottom = MdiArea->viewport()->height();
    int rowHeight = 0;
    for (QMdiSubWindow* window : MdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (!window->isMinimized())
            continue;
        const QSize size = window->size();
        if (x > 0 && x + size.width() > MdiArea->viewport()->width()) {
            x = 0;
            rowBottom -= rowHeight;
            rowHeight = 0;
        }
        window->move(x, rowBottom - size.height());
        x += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }
}

void TF_HAIR::Ajuda2Click() {
    platform::Help::instance().showContents(HelpFile);
}

} // namespace velvo::app

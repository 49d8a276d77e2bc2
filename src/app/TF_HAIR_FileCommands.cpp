// Bringing photos in (file, clipboard, scanner) and taking the composed picture out (file,
// clipboard).
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QToolButton>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "imaging/TPictureIO.h"
#include "imaging/TPictureProc.h"
#include "imaging/TPictureView.h"
#include "imaging/codecs/Error.h"
#include "platform/DialogComponents.h"

namespace velvo::app {
namespace {

bool clipboardHoldsPicture() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && mime->hasImage() && !QGuiApplication::clipboard()->image().isNull();
}

// A mode flag is set for the one document being made; an error thrown on the way must not
// leave it set for the next one.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

} // namespace

void TF_HAIR::AbrirFoto1Click() {
    QDir::setCurrent(ProgramFolder);
    if (BT_SCROLL->isEnabled())
        BT_SCROLLClick();
    if (!OD_ABRIR->Preview)
        OD_ABRIR->Preview = imaging::readPicturePreview;
    if (OD_ABRIR->Execute()) {
        FlagScope open(OpenMode);
        LibraryLabel = QStringLiteral("Velvo5");
        if (QFileInfo(OD_ABRIR->FileName).isFile())
            NewDocument();
        else
            ShowMessage(QStringLiteral("WARNING"), QStringLiteral("Arquivo não encontrado."),
                        platform::MessageIcon::Information);
    }
    OpenMode = false;
}

void TF_HAIR::Salvar1Click() {
    BT_SCROLLClick();
    Salvarcomo1Click();
}

void TF_HAIR::Salvarcomo1Click() {
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc)
        return;
    SD_SALVAR->InitialDir = ProgramFolder;
    if (!SD_SALVAR->Preview)
        SD_SALVAR->Preview = imaging::readPicturePreview;
    if (!SD_SALVAR->Execute())
        return;
    PictureView1->SetImage(doc->CompositeImage());
    const QString file = SD_SALVAR->FileName;
    // Writing nothing for a name whose extension has no writer would look like a save that
    // worked; the user is told instead.
    if (!PictureIO1->SaveImageFile(file))
        throw velvo::Error(file.toStdString(), "no picture format is known for this extension");
}

void TF_HAIR::ConfigurarImpressora1Click() {
    PSD_CONFIG->Execute();
}

void TF_HAIR::Copiar1Click() {
    if (document::TF_FILHO* doc = ActiveDocument())
        doc->PictureProc1->CopyToClipboard();
}

void TF_HAIR::Colar1Click() {
    if (!clipboardHoldsPicture()) {
        ShowMessage(QStringLiteral("VELVO"), QStringLiteral("O Clipboard não contém Bitmap."),
                    platform::MessageIcon::Information);
        return;
    }
    if (BT_SCROLL->isEnabled())
        BT_SCROLLClick();
    ++CaptureCount;
    FlagScope paste(FromClipboard);
    NewDocument();
}

void TF_HAIR::CapturaTWAIN1Click() {
    if (BT_SCROLL->isEnabled())
        BT_SCROLLClick();
    if (!PictureIO1->AcquireFromScanner()) {
        ShowMessage(QStringLiteral("VELVO"), QStringLiteral("Captura Twain falhou."),
                    platform::MessageIcon::Information);
        return;
    }
    PictureProc1->CopyToClipboard();
    if (clipboardHoldsPicture()) {
        ++CaptureCount;
        FlagScope paste(FromClipboard);
        NewDocument();
    }
}

void TF_HAIR::SelecionarCapturaTWAIN1Click() {
    QString title;
    if (QAction* entry = Action(QStringLiteral("SelecionarCapturaTWAIN1")))
        title = entry->text().remove(QLatin1Char('&'));
    PictureIO1->SelectScannerSource(title);
}

} // namespace velvo::app

// Making, listing and closing the document windows.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "app/ProgramIcon.h"
#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "imaging/TPictureView.h"

namespace velvo::app {

QList<document::TF_FILHO*> TF_HAIR::Documents() const {
    QList<document::TF_FILHO*> result;
    for (const auto& doc : documents_)
        if (doc)
            result.append(doc.data());
    return result;
}

document::TF_FILHO* TF_HAIR::ActiveDocument() const {
    QMdiSubWindow* window = MdiArea->currentSubWindow();
    return window ? qobject_cast<document::TF_FILHO*>(window->widget()) : nullptr;
}

document::TF_FILHO* TF_HAIR::NewDocument() {
    auto* doc = new document::TF_FILHO(this);
    documents_.append(doc);
    platform::runGuarded([doc] { doc->FormCreate(); });
    // A paste that failed half-way must not turn the next document into a paste as well.
    FromClipboard = false;

    auto* window =
        new QMdiSubWindow(nullptr, Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                       Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    window->setWidget(doc);
    window->setWindowIcon(programWindowIcon());
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The frame's own close keys (Ctrl+F4, Ctrl+W) belong to "&Fechar" and the print preview.
    for (QAction* action : window->systemMenu()->actions())
        action->setShortcut(QKeySequence());
    MdiArea->addSubWindow(window);
    const QSize client = doc->size();
    window->show();
    // The frame grows around the document so that its client area keeps the size it took.
    window->resize(window->size() + (client - doc->size()));
    MdiArea->setActiveSubWindow(window);
    UpdateCommands(true);
    // A photo much larger than the window would show a meaningless corner of itself. Without
    // a face it opens as it always did: nothing is said about a photo nobody asked to frame.
    if (OpenMode && FrameOnOpen()) {
        const QSize photo = doc->Image1->Image().size();
        if (photo.width() > 2 * doc->width() || photo.height() > 2 * doc->height())
            platform::runGuarded([this, doc] {
                if (const auto face = FindFace(doc->Image1->Image()))
                    FrameDocument(*doc, face);
                else
                    ReportFaceModels();
            });
    }
    // After the framing, which clears the status bar when it finds a face.
    if (OpenMode && doc->PhotoIncomplete)
        ShowStatus(QStringLiteral("Foto incompleta: o arquivo %1 está cortado ou danificado; "
                                  "a parte que não pôde ser lida aparece preenchida."),
                   doc->lblFilename->text());
    return doc;
}

void TF_HAIR::Fechar1Click() {
    if (document::TF_FILHO* doc = ActiveDocument())
        doc->Close();
}

void TF_HAIR::FecharTudo1Click() {
    for (document::TF_FILHO* doc : Documents())
        doc->Close();
    ClosingAll = true;
    UpdateCommands(false);
    ClosingAll = false;
}

} // namespace velvo::app

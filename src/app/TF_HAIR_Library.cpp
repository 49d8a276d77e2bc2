// Choosing a hairstyle: the browser buttons, the insertion the browser calls, showing and
// hiding the overlay, and the two hairstyle libraries.
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
#include "imaging/TPictureGrid.h"
#include "imaging/TPictureView.h"
#include "library/TF_THUMBS.h"

namespace velvo::app {

namespace {

using library::F_THUMBS;

// `page` 0 is the photo tab, 1 + n the tab of category n.
void openBrowserOn(TF_HAIR& main, int page) {
    main.CategoryText = QString::number(page == 0 ? 7 : page - 1);
    main.hideColourPanel();
    if (F_THUMBS) {
        F_THUMBS->SetActivePage(page);
        F_THUMBS->ShowBrowser();
    }
}

void switchLibrary(TF_HAIR& main, const char* label, const QString& caption, const char* ticked,
                   const char* unticked) {
    main.CategoryText = QStringLiteral("7");
    main.hideColourPanel();
    main.LibraryLabel = QLatin1String(label);
    main.Action(QLatin1String(ticked))->setChecked(true);
    main.Action(QLatin1String(unticked))->setChecked(false);
    if (!F_THUMBS)
        return;
    F_THUMBS->setWindowTitle(caption);
    // Each grid is read again from the new library the next time its page is shown.
    for (imaging::TPictureGrid* grid : F_THUMBS->PictureGrid)
        grid->ClearImages();
    F_THUMBS->ShowBrowser();
}

// While the browser is the active window the frame may report no current document; the one
// active last is the one the user worked on.
document::TF_FILHO* documentWorkedOn(const TF_HAIR& main) {
    if (document::TF_FILHO* doc = main.ActiveDocument())
        return doc;
    const QList<QMdiSubWindow*> history =
        main.MdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = history.rbegin(); it != history.rend(); ++it)
        if (auto* doc = qobject_cast<document::TF_FILHO*>((*it)->widget()))
            return doc;
    return nullptr;
}

} // namespace

void TF_HAIR::BT_ThumbsClick() {
    openBrowserOn(*this, 0);
}
void TF_HAIR::BT_CCClick() {
    openBrowserOn(*this, 1);
}
void TF_HAIR::BT_CEClick() {
    openBrowserOn(*this, 2);
}
void TF_HAIR::BT_MCClick() {
    openBrowserOn(*this, 3);
}
void TF_HAIR::BT_MEClick() {
    openBrowserOn(*this, 4);
}
void TF_HAIR::BT_LCClick() {
    openBrowserOn(*this, 5);
}
void TF_HAIR::BT_LEClick() {
    openBrowserOn(*this, 6);
}
void TF_HAIR::BT_MClick() {
    openBrowserOn(*this, 7);
}

void TF_HAIR::InsertHairstyle(const QString& id) {
    document::TF_FILHO* doc = Documents().isEmpty() ? nullptr : documentWorkedOn(*this);
    if (!doc) {
        ShowMessage(platform::applicationTitle(),
                    QStringLiteral("É preciso abrir uma foto primeiro!"),
                    platform::MessageIcon::None);
        return;
    }
    doc->repaint();
    // The new document's scroll tool acts on the document active before it.
    if (doc != ActiveDocument())
        MdiArea->setActiveSubWindow(doc->SubWindow());
    InsertMode = true;
    PendingPhotoFile = doc->lblFilename->text();
    PendingViewY = doc->Image1->ViewY();
    PendingViewX = doc->Image1->ViewX();
    PendingZoom = doc->Image1->Zoom();
    PendingHairstyleId = id;
    // Taken whether the overlay is shown or hidden.
    PendingHairLeft = doc->Image2->x();
    PendingHairTop = doc->Image2->y();
    doc->Hair->setText(LibraryLabel);
    PendingFramed = doc->Framed;
    PendingFace = doc->Face;
    NewDocument();
    InsertMode = false;
    PendingFramed = false;
}

void TF_HAIR::Inserir1Click() {
    BT_SCROLLClick();
    BT_SCROLL->setChecked(true);
    if (document::TF_FILHO* doc = ActiveDocument()) {
        doc->Image2->show();
        doc->Image2->repaint();
    }
}

void TF_HAIR::ApagarCabelo1Click() {
    BT_SCROLLClick();
    BT_SCROLL->setChecked(true);
    // The overlay keeps its picture and place; "&Inserir" shows it again.
    if (document::TF_FILHO* doc = ActiveDocument())
        doc->Image2->hide();
}

void TF_HAIR::Visualizador50Click() {
    switchLibrary(*this, "Velvo5", QStringLiteral("Viewer Velvo 5.0"), "Visualizador50",
                  "Visualizador42");
}

void TF_HAIR::Visualizador42Click() {
    switchLibrary(*this, "Velvo42", QStringLiteral("Viewer Plumes Collection I"), "Visualizador42",
                  "Visualizador50");
}

} // namespace velvo::app

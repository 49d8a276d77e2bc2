// The four tools of the "IMAGEM" section and the commands that change the view or the overlay
// of the active document.
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QToolButton>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
#include "document/TImageFX.h"
#include "document/TResizeGrip.h"
#include "imaging/TPictureIO.h"
#include "imaging/TPictureProc.h"
#include "imaging/TPictureView.h"
#include "imaging/codecs/Error.h"
#include "pixel/PixelFilters.h"
#include "pixel/TPixelBitmap.h"
#include "platform/Cursors.h"

namespace velvo::app {

namespace {

QCursor engineCursor(int id) {
    return platform::Cursors::instance().cursor(id);
}

// A document restored from an icon comes back at the size it had; the frame is sized around
// the client area the document asks for.
void setClientSize(document::TF_FILHO& doc, QSize client) {
    QMdiSubWindow* window = doc.SubWindow();
    if (!window) {
        doc.resize(client);
        return;
    }
    if (window->isMinimized() || window->isMaximized())
        window->showNormal();
    window->resize(window->size() + (client - doc.size()));
}

} // namespace

void TF_HAIR::FinishResize() {
    if (document::TF_FILHO* doc = ActiveDocument())
        FinishResize(*doc);
}

void TF_HAIR::FinishResize(document::TF_FILHO& doc) {
    if (!doc.SH1->Attached())
        return;
    doc.SH1->Detach();
    document::THairOverlay& overlay = *doc.Image2;
    doc.Image3->SetBitmap(overlay.Picture());
    doc.Image3->setGeometry(overlay.geometry());
    // Drawn the way the overlay draws itself (nearest pixels, no blending), so the baked picture
    // is what the stylist saw and its key colour stays exact.
    QImage baked(doc.Image3->size(), QImage::Format_BGR888);
    if (!baked.isNull() && !doc.Image3->Bitmap().isNull()) {
        QPainter painter(&baked);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(baked.rect(), doc.Image3->Bitmap());
    }
    overlay.SetPicture(baked);
}

void TF_HAIR::ReloadHair() {
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc)
        return;
    const QString file =
        doc->HairFilePath(doc->Hair->text(), doc->lblTipo->text(), doc->HairNumber);
    if (!PictureIO1->LoadGif(file))
        throw velvo::Error(file.toStdString(), "not a GIF file");
    if (PictureView1->Image().format() != QImage::Format_BGR888)
        PictureView1->SetImage(PictureView1->Image());
    doc->Image2->SetPicture(PictureView1->Image());
    doc->HairTurn = 0;
    doc->Recipe = {};
}

void TF_HAIR::BT_SCROLLClick() {
    platform::BusyCursor busy;
    hideColourPanel();
    document::TF_FILHO* doc = ActiveDocument();
    if (PanelOpened && doc) {
        // Minimising and restoring forces the document to repaint everything the panel covered.
        // The document restored is the one minimised: restoring another would leave the
        // stylist's document as an icon.
        QMdiSubWindow* window = doc->SubWindow();
        if (window) {
            window->showMinimized();
            window->showNormal();
            MdiArea->setActiveSubWindow(window);
        }
    }
    if (LassoActive && doc)
        doc->Image1->ClearSelection();
    LassoActive = false;
    if (doc) {
        doc->PictureProc1->SetAutoUndo(true);
        doc->Image1->SetMouseInteract(imaging::TPictureView::miScroll);
        doc->Image1->setCursor(engineCursor(platform::crHand));
        doc->L->setText(QString::number(doc->Image2->x()));
        doc->T->setText(QString::number(doc->Image2->y()));
    }
    FinishResize();
    if (doc)
        doc->Image1->repaint();
    BT_SCROLL->setChecked(true);
}

void TF_HAIR::BT_MOVEClick() {
    hideColourPanel();
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc)
        return;
    doc->Image1->setCursor(engineCursor(platform::crHand));
    document::THairOverlay& overlay = *doc->Image2;
    if (overlay.isHidden())
        overlay.show();
    // The library picture again, at the size the overlay has now: colour changes, virtual
    // colours, flips and retouches of the overlay are dropped.
    // A hairstyle turned to a rolled head stays turned.
    const QSize size = overlay.size();
    const double turn = doc->HairTurn;
    ReloadHair();
    if (turn != 0)
        doc->TurnOverlay(turn);
    overlay.resize(size);
    doc->SH1->Attach(&overlay);
}

void TF_HAIR::BT_ZOOMClick() {
    hideColourPanel();
    FinishResize();
    document::TF_FILHO* doc = ActiveDocument();
    if (LassoActive && doc)
        doc->Image1->ClearSelection();
    LassoActive = false;
    if (doc) {
        doc->Image1->setCursor(engineCursor(platform::crZoomIn));
        doc->Image1->SetMouseInteract(imaging::TPictureView::miNone);
    }
}

void TF_HAIR::BT_LACOClick() {
    hideColourPanel();
    FinishResize();
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc)
        return;
    doc->Image2->hide();
    doc->Image1->SetMouseInteract(imaging::TPictureView::miSelect);
    doc->Image1->setCursor(engineCursor(platform::crCross2));
    LassoActive = true;
    // The panel works on the selection; an undo copy per operation would cost a photo each.
    doc->PictureProc1->SetAutoUndo(false);
}

void TF_HAIR::Zoom1Click() {
    if (document::TF_FILHO* doc = ActiveDocument())
        doc->Image1->SetZoom(doc->Image1->Zoom() - 5);
}

void TF_HAIR::Zoom2Click() {
    if (document::TF_FILHO* doc = ActiveDocument())
        doc->Image1->SetZoom(doc->Image1->Zoom() + 5);
}

void TF_HAIR::tamanhoOriginal1Click() {
    platform::BusyCursor busy;
    BT_SCROLLClick();
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc)
        return;
    doc->Image1->SetZoom(100);
    doc->Image1->SetViewX(0);
    doc->Image1->SetViewY(0);
    setClientSize(*doc, QSize(241, 313));
    ReloadHair();
    // Back to the original photo and hairstyle: no longer framed.
    doc->Framed = false;
    doc->Image2->move(0, 0);
    doc->L->setText(QString::number(doc->Image2->x()));
    doc->T->setText(QString::number(doc->Image2->y()));
}

void TF_HAIR::Replay1Click() {
    platform::BusyCursor busy;
    BT_SCROLLClick();
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc)
        return;
    ReplayMode = true;
    PendingPhotoFile = doc->lblFilename->text();
    CategoryText = doc->lblTipo->text();
    PendingViewY = doc->Image1->ViewY();
    PendingViewX = doc->Image1->ViewX();
    PendingZoom = doc->Image1->Zoom();
    PendingHairLeft = doc->Image2->x();
    PendingHairTop = doc->Image2->y();
    ReplayHairNumber = doc->HairNumber;
    LibraryLabel = doc->Hair->text();
    PendingFramed = doc->Framed;
    PendingFace = doc->Face;
    // A new document always opens, even one whose creation failed; the flags must not outlive
    // this command either way.
    struct ClearReplay {
        bool& flag;
        ~ClearReplay() { flag = false; }
    } clear{ReplayMode}, clearFramed{PendingFramed};
    NewDocument();
}

void TF_HAIR::Flip1Click() {
    BT_SCROLLClick();
    document::TF_FILHO* doc = ActiveDocument();
    // Visible as the overlay's own flag says, also while its window is minimised.
    if (!doc || doc->Image2->isHidden())
        return;
    platform::BusyCursor busy;
    document::THairOverlay& overlay = *doc->Image2;
    pixel::TPixelBitmap bitmap;
    overlay.hide();
    overlay.SetTransparent(false);
    bitmap.LoadFromBitmapHandle(overlay.Picture());
    pixel::MirrorRows(bitmap);
    bitmap.DrawAt(overlay.PictureForEdit(), 0, 0);
    overlay.PictureChanged();
    trial::OverlayStep flip;
    flip.kind = trial::OverlayStep::Kind::Flip;
    doc->Recipe.steps.push_back(flip);
    overlay.SetTransparent(true);
    overlay.show();
}

void TF_HAIR::Redimensionar1Click() {
    BT_MOVEClick();
}

void TF_HAIR::Undo1Click() {
    if (document::TF_FILHO* doc = ActiveDocument())
        doc->PictureProc1->Undo();
}

} // namespace velvo::app

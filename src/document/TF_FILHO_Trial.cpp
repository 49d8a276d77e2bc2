#include <QBuffer>
#include <QFile>
#include <exception>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
#include "imaging/TPictureIO.h"
#include "imaging/TPictureView.h"

namespace velvo::document {

trial::Trial TF_FILHO::Describe() {
    trial::Trial t;
    t.photoFile = lblFilename->text();
    t.photo = Image1->Image();
    t.photoEdited = t.photo.cacheKey() != PhotoKeyAsOpened;
    QFile file(t.photoFile);
    if (!t.photoFile.isEmpty() && file.open(QIODevice::ReadOnly))
        t.photoBytes = file.readAll();
    if (t.photoBytes.isEmpty()) {
        // The file has gone since it was opened: the picture itself stands for it.
        QBuffer buffer(&t.photoBytes);
        buffer.open(QIODevice::WriteOnly);
        t.photo.save(&buffer, "PNG");
        t.photoEdited = false;
    }
    t.libraryLabel = Hair->text();
    t.category = lblTipo->text();
    t.hairNumber = HairNumber;
    if (HairNumber > 0) {
        try {
            t.hairFile = HairFilePath(t.libraryLabel, t.category, HairNumber);
        } catch (const std::exception&) {
            // A category outside the list has no library picture to name.
        }
    }
    t.overlay = Image2->Picture();
    t.overlaySize = Image2->size();
    t.recipe = Recipe;
    t.left = Image2->x();
    t.top = Image2->y();
    t.overlayShown = !Image2->isHidden();
    t.zoom = Image1->Zoom();
    t.viewX = Image1->ViewX();
    t.viewY = Image1->ViewY();
    t.clientSize = size();
    t.framed = Framed;
    t.face = Face;
    t.faceIndex = FaceIndex;
    t.hairTurn = HairTurn;
    t.thumbnail = CompositeImage();
    t.clientName = ClientName;
    return t;
}

void TF_FILHO::TakeOverTrial(const trial::Trial& t) {
    app::TF_HAIR& main = *owner_;
    // The view offsets are clamped to what the client area can scroll, so the size comes first.
    if (t.clientSize.isValid())
        resize(t.clientSize);
    Image1->setGeometry(rect());

    if (t.photoEdited && !t.photo.isNull()) {
        Image1->SetImage(t.photo);
        // No key of an opened photo: the picture shown is the edited one, described as such.
        PhotoKeyAsOpened = 0;
    } else {
        if (main.PendingPhoto.isNull()) {
            PictureIO1->LoadImageFile(main.PendingPhotoFile);
            PhotoIncomplete = PictureIO1->ReadIncomplete();
        } else {
            Image1->Image() = main.PendingPhoto;
            Image1->ImageChanged();
        }
        if (Image1->Image().format() != QImage::Format_BGR888)
            Image1->SetImage(Image1->Image());
        PhotoKeyAsOpened = Image1->Image().cacheKey();
    }
    lblFilename->setText(main.PendingPhotoFile);
    Hair->setText(t.libraryLabel);
    lblTipo->setText(t.category);
    HairNumber = t.hairNumber;

    // The library picture is the pristine copy the virtual colours start from; a hairstyle
    // no longer in the library starts them from the overlay as it was kept.
    bool pristine = false;
    if (HairNumber > 0) {
        try {
            LoadHairOverlay();
            pristine = true;
        } catch (const std::exception&) {
        }
    }
    if (!pristine)
        ImageAux2->SetImage(t.overlay);
    Image2->SetPicture(t.overlay);
    Image2->move(t.left, t.top);
    Image2->setVisible(t.overlayShown);
    L->setText(QString::number(t.left));
    T->setText(QString::number(t.top));

    Image1->SetZoom(t.zoom);
    Image1->SetViewY(t.viewY);
    Image1->SetViewX(t.viewX);

    Framed = t.framed;
    Face = t.face;
    FaceIndex = t.faceIndex;
    HairTurn = t.hairTurn;
    Recipe = t.recipe;
    ClientName = t.clientName;
    SetCaption(QString::number(HairNumber));
}

} // namespace velvo::document

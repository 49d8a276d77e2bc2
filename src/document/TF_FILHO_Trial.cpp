#include <QBuffer>
#include <QFile>
#include <exception>

#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
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

} // namespace velvo::document

// Fitting the hairstyle over the face found in a framed document.
#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
#include "document/TResizeGrip.h"
#include "fit/HairOpening.h"
#include "imaging/RasterImage.h"
#include "imaging/TPictureView.h"

namespace velvo::document {

fit::Size TF_FILHO::HairSize() const {
    const QImage& hair = ImageAux2->Image();
    return {hair.width(), hair.height()};
}

fit::Opening TF_FILHO::HairOpening() {
    const QImage& hair = ImageAux2->Image();
    // The overlay leaves out its bottom-left colour; the opening is measured on the same key.
    const QColor corner = hair.pixelColor(0, hair.height() - 1);
    const imaging::Bgr key{uint8_t(corner.blue()), uint8_t(corner.green()), uint8_t(corner.red())};
    const QString file = HairFilePath(Hair->text(), lblTipo->text(), HairNumber);
    const fit::OpeningResult result =
        fit::openingFor(file.toStdString(), imaging::toRaster(hair), key);
    if (!result.error.empty())
        owner_->ReportOpeningError(result.error);
    return result.opening;
}

void TF_FILHO::FitHairToFace() {
    if (HairNumber == 0 || ImageAux2->IsEmpty())
        return;
    const fit::View view{Image1->Zoom(), Image1->ViewX(), Image1->ViewY()};
    const fit::HairPlacement place = fit::placeHair(Face, view, HairSize(), HairOpening());
    if (place.width < 1 || place.height < 1)
        return;
    DetachGrip();
    Image2->move(place.left, place.top);
    // The grip's own stretch, baked as the resize tool bakes it when it is put away.
    SH1->Attach(Image2);
    SH1->SetBounds(place.left - 2, place.top - 2, place.width + 5, place.height + 5);
    owner_->FinishResize(*this);
    L->setText(QString::number(Image2->x()));
    T->setText(QString::number(Image2->y()));
}

} // namespace velvo::document

// Fitting the hairstyle over the face found in a framed document, turned with a rolled head.
#include <cmath>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
#include "document/TResizeGrip.h"
#include "fit/HairOpening.h"
#include "imaging/RasterImage.h"
#include "imaging/TPictureView.h"

namespace velvo::document {

namespace {

imaging::Bgr keyOf(const QImage& hair) {
    // The overlay leaves out its bottom-left colour; the opening is measured on the same key.
    const QColor corner = hair.pixelColor(0, hair.height() - 1);
    return {uint8_t(corner.blue()), uint8_t(corner.green()), uint8_t(corner.red())};
}

// The turn Face asks for: none below the least worth making.
double turnFor(const fit::Face& face) {
    return std::abs(face.roll) < fit::kLeastTurn ? 0.0 : face.roll;
}

} // namespace

fit::Size TF_FILHO::HairSize() const {
    const QImage& hair = ImageAux2->Image();
    return {hair.width(), hair.height()};
}

fit::Opening TF_FILHO::HairOpening() {
    const QImage& hair = ImageAux2->Image();
    const QString file = HairFilePath(Hair->text(), lblTipo->text(), HairNumber);
    const fit::OpeningResult result =
        fit::openingFor(file.toStdString(), imaging::toRaster(hair), keyOf(hair));
    if (!result.error.empty())
        owner_->ReportOpeningError(result.error);
    return result.opening;
}

fit::TurnedFrame TF_FILHO::TurnedHairFrame() {
    return fit::turnedFrame(HairSize(), HairOpening(), turnFor(Face));
}

fit::TurnedFrame TF_FILHO::TurnOverlay(double degrees) {
    fit::Size size = HairSize();
    fit::Opening opening = HairOpening();
    if (degrees == 0 && HairTurn == 0)
        return {size, opening};
    // An upright overlay is turned as it is, keeping its colours and flips. One turned before
    // is turned again from the pristine copy, not from itself: each turn would otherwise grow
    // the canvas and roughen the hair's edge once more.
    const bool fromPristine = HairTurn != 0;
    const QImage source = fromPristine ? ImageAux2->Image() : Image2->Picture();
    if (source.size() != ImageAux2->Image().size()) {
        const double sx = double(source.width()) / size.w, sy = double(source.height()) / size.h;
        opening = {opening.centreX * sx, opening.centreY * sy, opening.width * sx};
    }
    const fit::TurnedHair turned = fit::turnHair(imaging::toRaster(source), keyOf(source), opening, degrees);
    Image2->SetPicture(imaging::toQImage(turned.picture));
    Image2->resize(turned.picture.width, turned.picture.height);
    HairTurn = std::abs(degrees) < fit::kLeastTurn ? 0.0 : degrees;
    if (fromPristine)
        Recipe = {};
    if (HairTurn != 0) {
        trial::OverlayStep turn;
        turn.kind = trial::OverlayStep::Kind::Turn;
        turn.degrees = HairTurn;
        Recipe.steps.push_back(turn);
    }
    return {{turned.picture.width, turned.picture.height}, turned.opening};
}

void TF_FILHO::FitHairToFace() {
    if (HairNumber == 0 || ImageAux2->IsEmpty())
        return;
    const fit::TurnedFrame frame = TurnOverlay(turnFor(Face));
    const fit::View view{Image1->Zoom(), Image1->ViewX(), Image1->ViewY()};
    const fit::HairPlacement place = fit::placeHair(Face, view, frame.size, frame.opening);
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

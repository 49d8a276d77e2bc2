#include "imaging/TPictureProc.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "imaging/ColorOps.h"
#include "imaging/TPictureView.h"

namespace velvo::imaging {
namespace {

Selection selectionOf(const TPictureView& view) {
    return {view.SelectionVisible(), view.SelectionPoints()};
}

bool is24Bit(const QImage& image) {
    return image.format() == QImage::Format_BGR888 || image.format() == QImage::Format_RGB888;
}

} // namespace

void TPictureProc::AdjustRgb(int red, int green, int blue) {
    if (!view_ || view_->IsEmpty() || !is24Bit(view_->Image()))
        return;
    if (autoUndo_)
        SaveUndo();
    if (adjustRgb(view_->Image(), selectionOf(*view_), red, green, blue))
        view_->ImageChanged();
}

void TPictureProc::AdjustHsv(int hue, int saturation, int value) {
    if (!view_ || view_->IsEmpty() || !is24Bit(view_->Image()))
        return;
    if (autoUndo_)
        SaveUndo();
    if (adjustHsv(view_->Image(), selectionOf(*view_), hue, saturation, value))
        view_->ImageChanged();
}

void TPictureProc::CopyToClipboard() {
    if (view_ && !view_->IsEmpty())
        QGuiApplication::clipboard()->setImage(view_->Image());
}

bool TPictureProc::PasteFromClipboard() {
    if (!view_)
        return false;
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime || !mime->hasImage())
        return false;
    const QImage pasted = QGuiApplication::clipboard()->image();
    if (pasted.isNull())
        return false;
    if (autoUndo_)
        SaveUndo();
    view_->SetImage(pasted);
    return true;
}

void TPictureProc::SaveUndo() {
    if (view_ && !view_->IsEmpty())
        undo_ = view_->Image().copy();
}

void TPictureProc::Undo() {
    if (!view_ || undo_.width() < 2 || undo_.height() < 2)
        return;
    view_->Image() = undo_.copy();
    view_->ImageChanged();
}

} // namespace velvo::imaging

// Keys, virtual colours, dragging of the overlay and clicks on the photo.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolButton>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
#include "document/TResizeGrip.h"
#include "imaging/TPictureProc.h"
#include "imaging/TPictureView.h"
#include "platform/Convert.h"
#include "platform/Cursors.h"
#include "platform/Messages.h"

namespace velvo::document {

void TF_FILHO::keyReleaseEvent(QKeyEvent* event) {
    // Held keys repeat press and release; the window acts once, when the key comes up.
    if (event->isAutoRepeat())
        return;
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    platform::runGuarded([&] { FormKeyUp(key, modifiers); });
}

bool TF_FILHO::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1) {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const auto button = mouse->button();
            const auto modifiers = mouse->modifiers();
            const QPoint position = mouse->position().toPoint();
            platform::runGuarded([&] { Image1MouseUp(button, modifiers, position); });
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            platform::runGuarded([&] { Image1DblClick(); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TF_FILHO::FormKeyUp(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Left:
        if (--HairNumber == 0)
            HairNumber = 1;
        ChangeHairstyle();
        break;
    case Qt::Key_Right:
        ++HairNumber;
        ChangeHairstyle();
        break;
    case Qt::Key_Up:
        DetachGrip();
        if (HairNumber != 0) {
            platform::BusyCursor busy;
            if (ColorStep == 5)
                ColorStep = 0;
            ++ColorStep;
            ApplyVirtualColor(ColorStep);
        }
        break;
    case Qt::Key_Down:
        DetachGrip();
        if (HairNumber != 0) {
            platform::BusyCursor busy;
            if (ColorStep == 0)
                ColorStep = 2;
            else if (ColorStep == 1)
                ColorStep = 6;
            --ColorStep;
            ApplyVirtualColor(ColorStep);
        }
        break;
    case Qt::Key_F8:
        if (ctrl)
            Image1->SetZoom(Image1->Zoom() - 1);
        break;
    case Qt::Key_F9:
        if (ctrl)
            Image1->SetZoom(Image1->Zoom() + 1);
        break;
    default:
        break;
    }
}

void TF_FILHO::DetachGrip() {
    // The resize is dropped, not baked: the overlay keeps the bounds the grip gave it.
    if (SH1->Attached())
        SH1->Detach();
}

void TF_FILHO::ChangeHairstyle() {
    platform::BusyCursor busy;
    // The new picture brings its own size.
    DetachGrip();
    ColorStep = 0;
    if (!HairFileExists(lblTipo->text()))
        HairNumber = 1;
    SetCaption(QString::number(HairNumber));
    if (HairNumber != 0) {
        LoadHairOverlay();
        Image2->move(platform::StrToInt(L->text()), platform::StrToInt(T->text()));
        if (Framed)
            FitHairToFace();
    }
}

void TF_FILHO::ApplyVirtualColor(int color) {
    switch (color) {
    case Amarelo:
        PictureProc2->AdjustRgb(100, 100, 0);
        break;
    case Marrom:
        PictureProc2->AdjustHsv(0, 0, -20);
        break;
    case Vermelho:
        PictureProc2->AdjustRgb(65, 0, 0);
        break;
    case Preto:
        PictureProc2->AdjustHsv(0, 0, -40);
        break;
    case Normal:
        break;
    default:
        return;
    }
    Image2->SetPicture(ImageAux2->Image());
    HairTurn = 0;
    // Made from the pristine copy: whatever was done to the overlay before is gone.
    Recipe = {};
    trial::OverlayStep step;
    step.kind = trial::OverlayStep::Kind::VirtualColour;
    step.colour = color;
    Recipe.steps.push_back(step);
    if (color != Normal)
        PictureProc2->Undo();
    WhitenHairBackground();
    // The pristine copy has the library's size; a framed hairstyle keeps its fit in any colour.
    if (Framed)
        FitHairToFace();
}

void TF_FILHO::WhitenHairBackground() {
    QImage& picture = Image2->PictureForEdit();
    if (picture.width() < 2 || picture.height() < 2)
        return;
    const uchar* probe = picture.constScanLine(1) + 3;
    const uchar b = probe[0], g = probe[1], r = probe[2];
    for (int y = 0; y < picture.height(); ++y) {
        uchar* p = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x, p += 3)
            if (p[0] == b && p[1] == g && p[2] == r)
                p[0] = p[1] = p[2] = 255;
    }
    Image2->PictureChanged();
}

void TF_FILHO::Image1MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint) {
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (owner_->BT_ZOOM->isChecked()) {
        const int step = ctrl ? 1 : 5;
        if (button == Qt::RightButton) {
            Image1->setCursor(platform::Cursors::instance().cursor(platform::crZoomOut));
            Image1->SetZoom(Image1->Zoom() - step);
        } else {
            Image1->setCursor(platform::Cursors::instance().cursor(platform::crZoomIn));
            Image1->SetZoom(Image1->Zoom() + step);
        }
    } else if (owner_->LassoActive && button == Qt::RightButton) {
        Image1->ClearSelection();
    }
}

void TF_FILHO::Image1DblClick() {
    PictureProc1->SaveUndo();
}

void TF_FILHO::Image1ViewChange(int) {
    Image2->update();
}

void TF_FILHO::Image2MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, QPoint position) {
    DragStartX = position.x();
    DragStartY = position.y();
    Dragging = true;
}

void TF_FILHO::Image2MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, QPoint position) {
    if (Dragging)
        Image2->move(Image2->x() + position.x() - DragStartX,
                     Image2->y() + position.y() - DragStartY);
}

void TF_FILHO::Image2MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
    Dragging = false;
    L->setText(QString::number(Image2->x()));
    T->setText(QString::number(Image2->y()));
}

void TF_FILHO::SH1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
    // A right click leaves resize mode: the scroll tool bakes the new size.
    if (button == Qt::RightButton)
        owner_->BT_SCROLL->click();
}

void TF_FILHO::SH1MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    SH1->update();
}

} // namespace velvo::document

// The retouch editor's handlers: pen and dropper, undo, clipboard, files and the way back.
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QToolButton>
#include <cstring>

#include "imaging/TPictureIO.h"
#include "imaging/TPictureView.h"
#include "imaging/codecs/Error.h"
#include "platform/Cursors.h"
#include "platform/DialogComponents.h"
#include "retouch/TColorComboBoxEx.h"
#include "retouch/TF_DRAW.h"
#include "retouch/TLineWidthComboBox.h"

namespace velvo::retouch {

void TF_DRAW::pickColor(int x, int y) {
    const QImage& picture = Image->Image();
    // Outside the picture there is nothing to pick; the pen keeps its colour.
    if (!picture.valid(x, y))
        return;
    setActiveColor(picture.pixelColor(x, y));
}

void TF_DRAW::saveUndo() {
    const QImage& picture = Image->Image();
    QImage& undo = Image1->Image();
    // Every press copies the whole picture: into the undo copy's own pixels when it has the
    // picture's layout, so a large photo costs a copy, not a new allocation as well.
    if (undo.size() == picture.size() && undo.format() == picture.format() &&
        undo.bytesPerLine() == picture.bytesPerLine() && !picture.isNull()) {
        std::memcpy(undo.bits(), picture.constBits(), size_t(picture.sizeInBytes()));
        return;
    }
    Image1->SetImage(picture);
}

void TF_DRAW::ImageMouseDown(Qt::MouseButton button, int x, int y) {
    saveUndo();
    if (button == Qt::RightButton)
        pickColor(x, y);
    if (DropperMode) {
        // The dropper's tip is 8 pixels right of and below the pointer's hot spot.
        pickColor(x + 8, y + 8);
        return;
    }
    Drawing = true;
    penPosition_ = QPoint(x, y);
}

void TF_DRAW::ImageMouseMove(int x, int y) {
    if (GotasButton->isChecked())
        Image->setCursor(platform::Cursors::instance().cursor(platform::crEraser));
    if (Drawing && !Image->IsEmpty()) {
        const QPoint to(x, y);
        {
            QPainter painter(&Image->Image());
            painter.setPen(pen_);
            painter.drawLine(penPosition_, to);
        }
        // Only the segment's box, grown by the pen's reach, is painted again: a stroke over a
        // large photo must not repaint the whole view at every move.
        const int reach = pen_.width() / 2 + 2;
        const QRect touched =
            QRect(penPosition_, to).normalized().adjusted(-reach, -reach, reach, reach);
        Image->update(QRect(Image->ImageToClient(touched.topLeft()), touched.size()));
        penPosition_ = to;
    }
    StatusPanel0->setText(QStringLiteral("X: %1   Y: %2").arg(x).arg(y));
}

void TF_DRAW::ImageMouseUp() {
    Drawing = false;
}

void TF_DRAW::DrawButtonClick() {
    Image->setCursor(platform::Cursors::instance().cursor(platform::crPen));
    Image->update();
    DropperMode = false;
}

void TF_DRAW::GotasButtonClick() {
    Image->setCursor(platform::Cursors::instance().cursor(platform::crEraser));
    Image->update();
    DropperMode = true;
}

void TF_DRAW::ColorComboBoxEx1Change() {
    setActiveColor(ColorComboBoxEx1->ColorValue());
}

void TF_DRAW::LineWidthComboBox1Change() {
    pen_.setWidth(LineWidthComboBox1->LineWidth());
}

void TF_DRAW::UndoButtonClick() {
    // The undo copy stays: a second Undo gives the same picture.
    Image->SetImage(Image1->Image());
    pen_.setWidth(LineWidthComboBox1->LineWidth());
    pen_.setColor(ActiveColor());
    Image->update();
}

void TF_DRAW::Copy1Click() {
    QGuiApplication::clipboard()->setImage(Image->Image());
}

void TF_DRAW::Cut1Click() {
    Copy1Click();
    // The whole picture, also the part scrolled out of sight.
    Image->Image().fill(Qt::white);
    Image->update();
}

void TF_DRAW::Paste1Click() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime || !mime->hasImage())
        return;
    const QImage pasted = QGuiApplication::clipboard()->image();
    if (pasted.isNull() || Image->IsEmpty())
        return;
    {
        // Pixels are copied, not blended, as a bitmap paste does; what does not fit is cut off.
        QPainter painter(&Image->Image());
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, pasted.convertToFormat(QImage::Format_RGB32));
    }
    Image->update();
}

void TF_DRAW::Open1Click() {
    if (!OpenDialog1->Execute() || OpenDialog1->FileName.isEmpty())
        return;
    const QString file = OpenDialog1->FileName;
    if (!PictureIO1->LoadImageFile(file))
        throw Error(file.toStdString(), "no picture reader for this extension");
    // Remembered only once read: a later Save must not write over a file that was never shown.
    CurrentFile = file;
    ScrollBox1->ensureVisible(0, 0);
}

void TF_DRAW::Save1Click() {
    if (CurrentFile.isEmpty()) {
        Saveas1Click();
        return;
    }
    if (!PictureIO1->SaveImageFile(CurrentFile))
        throw Error(CurrentFile.toStdString(), "no picture writer for this extension");
}

void TF_DRAW::Saveas1Click() {
    if (!SaveDialog1->Execute() || SaveDialog1->FileName.isEmpty())
        return;
    CurrentFile = SaveDialog1->FileName;
    Save1Click();
}

void TF_DRAW::VelvoButton1Click() {
    main_->PictureView1->SetImage(Image->Image());
    // A failed hand-over (a photo's temporary file cannot be written) ends in the error box
    // with the editor still open, so the retouch is not lost.
    main_->ReturnFromRetouch();
    close();
}

void TF_DRAW::Exit1Click() {
    close();
}

} // namespace velvo::retouch

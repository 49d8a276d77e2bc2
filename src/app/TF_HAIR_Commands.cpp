// Handlers of the help menu's windows, the direct print and the print preview.
#include "app/TF_HAIR.h"
#include "app/TF_QSTART.h"
#include "app/TF_SOBRE.h"
#include "document/TF_FILHO.h"
#include "imaging/TPictureView.h"
#include "platform/Cursors.h"
#include "platform/DialogComponents.h"
#include "platform/Printer.h"
#include "print/TF_IMPRESSAO.h"
#include "print/TF_PREVIEW.h"
#include "print/TF_PREVIEW2.h"
#include "ui/TImageAspect.h"

namespace velvo::app {

void TF_HAIR::QuickStartClick() {
    if (!F_QSTART)
        return;
    F_QSTART->show();
    F_QSTART->raise();
    F_QSTART->activateWindow();
}
void TF_HAIR::SobreoPrograma1Click() {
    if (F_SOBRE)
        F_SOBRE->exec();
}

namespace {
// The print and preview commands need a document, like the main window's other commands.
bool tellNoDocument(TF_HAIR& main) {
    if (main.ActiveDocument())
        return false;
    main.ShowMessage(platform::applicationTitle(),
                     QStringLiteral("É preciso abrir uma foto primeiro!"),
                     platform::MessageIcon::None);
    return true;
}
} // namespace

void TF_HAIR::Imprimir1Click() {
    if (tellNoDocument(*this))
        return;
    PictureView1->SetImage(ActiveDocument()->CompositeImage());
    if (!PD_IMPRIME->Execute())
        return;
    platform::Printer& printer = platform::Printer::instance();
    printer.SetOrientation(platform::PrinterOrientation::Portrait);
    printer.BeginDoc();
    const QImage& picture = PictureView1->Image();
    // Twice the screen size at (200, 200); a picture too large for the page is shrunk to fit.
    const QRect target =
        print::FitInside(QRect(200, 200, 2 * picture.width(), 2 * picture.height()),
                         QRect(0, 0, printer.PageWidth(), printer.PageHeight()));
    if (!target.isEmpty()) {
        printer.Canvas().setRenderHint(QPainter::SmoothPixmapTransform);
        printer.Canvas().drawImage(target, picture);
    }
    printer.EndDoc();
}

void TF_HAIR::PrintPreview1Click() {
    if (tellNoDocument(*this))
        return;
    ShowPreviewSheet(Documents());
}

void TF_HAIR::ShowPreviewSheet(const QList<document::TF_FILHO*>& documents) {
    {
        platform::BusyCursor busy;
        hideColourPanel();
        FinishResize();
        for (int i = 0; i < documents.size() && i < 8; ++i) {
            PictureView1->SetImage(documents[i]->CompositeImage());
            // Both windows get the same picture, handed over in memory.
            if (print::F_PREVIEW)
                if (TImageAspect* cell = print::F_PREVIEW->Cell(i + 1))
                    cell->SetBitmap(PictureView1->Image());
            if (print::F_PREVIEW2)
                print::F_PREVIEW2->ShowInCell(i + 1, PictureView1->Image());
        }
    }
    if (print::F_PREVIEW2) {
        print::F_PREVIEW2->show();
        print::F_PREVIEW2->raise();
        print::F_PREVIEW2->activateWindow();
    }
}

} // namespace velvo::app

#include "platform/Printer.h"

#include <QCoreApplication>
#include <QDir>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

#include "imaging/codecs/Error.h"

namespace velvo::platform {
namespace {
Printer* installed = nullptr;
Printer* production = nullptr;

// QPrinter must go before the application object does: its print plugin goes with it.
void dropProduction() {
    delete production;
    production = nullptr;
}

// The PDF a salon without a printer gets unless the print dialog names another.
QString defaultPdfFile() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("Velvo.pdf"));
}
} // namespace

Printer& Printer::instance() {
    if (installed)
        return *installed;
    if (!production) {
        production = new QtPrinterDevice;
        qAddPostRoutine(dropProduction);
    }
    return *production;
}

void Printer::setInstance(Printer* printer) {
    installed = printer;
}

QtPrinterDevice::QtPrinterDevice(const QString& pdfFile)
    : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    printer_->setFullPage(false);
    if (!pdfFile.isEmpty() || QPrinterInfo::availablePrinterNames().isEmpty()) {
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(pdfFile.isEmpty() ? defaultPdfFile() : pdfFile);
        // The print positions are printer pixels laid out for the resolution of an office
        // printer; at a PDF's default 1200 dpi the miniature and the direct print would shrink
        // to a quarter of their size on the page.
        printer_->setResolution(300);
    }
}

QtPrinterDevice::~QtPrinterDevice() {
    if (painter_.isActive())
        painter_.end();
}

QString QtPrinterDevice::Name() const {
    if (printer_->outputFormat() == QPrinter::PdfFormat)
        return printer_->outputFileName();
    return printer_->printerName();
}

int QtPrinterDevice::ResolutionX() const {
    return printer_->resolution();
}

int QtPrinterDevice::ResolutionY() const {
    return printer_->resolution();
}

QSize QtPrinterDevice::PhysicalSize() const {
    return printer_->pageLayout().fullRectPixels(printer_->resolution()).size();
}

QPoint QtPrinterDevice::PhysicalOffset() const {
    const QPageLayout layout = printer_->pageLayout();
    const int dpi = printer_->resolution();
    return layout.paintRectPixels(dpi).topLeft() - layout.fullRectPixels(dpi).topLeft();
}

PrinterOrientation QtPrinterDevice::Orientation() const {
    return printer_->pageLayout().orientation() == QPageLayout::Landscape
               ? PrinterOrientation::Landscape
               : PrinterOrientation::Portrait;
}

void QtPrinterDevice::SetOrientation(PrinterOrientation orientation) {
    if (Printing())
        return;
    printer_->setPageOrientation(orientation == PrinterOrientation::Landscape
                                     ? QPageLayout::Landscape
                                     : QPageLayout::Portrait);
}

QString QtPrinterDevice::Title() const {
    return printer_->docName();
}

void QtPrinterDevice::SetTitle(const QString& title) {
    printer_->setDocName(title);
}

void QtPrinterDevice::BeginDoc() {
    if (Printing())
        return;
    if (!painter_.begin(printer_.get()))
        throw velvo::Error(Name().toStdString(), "the printer cannot start a print job");
}

void QtPrinterDevice::EndDoc() {
    if (Printing())
        painter_.end();
}

ImagePrinter::ImagePrinter(QSize portraitSheet, int dpi, QPoint offset)
    : sheet_(portraitSheet), dpi_(dpi), offset_(offset) {}

QSize ImagePrinter::PhysicalSize() const {
    if (!available)
        return {};
    return orientation_ == PrinterOrientation::Landscape ? sheet_.transposed() : sheet_;
}

QPoint ImagePrinter::PhysicalOffset() const {
    if (!available)
        return {};
    return orientation_ == PrinterOrientation::Landscape ? QPoint(offset_.y(), offset_.x())
                                                         : offset_;
}

void ImagePrinter::SetOrientation(PrinterOrientation orientation) {
    if (available && !Printing())
        orientation_ = orientation;
}

void ImagePrinter::BeginDoc() {
    if (Printing())
        return;
    if (!available)
        throw velvo::Error(Name().toStdString(), "the printer cannot start a print job");
    page = QImage(PageWidth(), PageHeight(), QImage::Format_RGB32);
    page.fill(Qt::white);
    painter_.begin(&page);
}

void ImagePrinter::EndDoc() {
    if (!Printing())
        return;
    painter_.end();
    ++jobs;
}

} // namespace velvo::platform

#include "platform/Printer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cups/cups.h>

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

// Hidden beside the target, so that the rename stays on one file system.
QString partFileFor(const QString& target) {
    const QFileInfo info(target);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".part"));
}

// Qt's PDF generator closes every file with this marker; a file without it near its end was
// cut short (a full disk, a quota) although the painter reported nothing.
bool completePdf(const QString& file) {
    QFile pdf(file);
    if (!pdf.open(QIODevice::ReadOnly) || pdf.size() < 8)
        return false;
    pdf.seek(std::max<qint64>(0, pdf.size() - 1024));
    return pdf.readAll().contains("%%EOF");
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
    }
}

QtPrinterDevice::~QtPrinterDevice() {
    if (painter_.isActive())
        painter_.end();
    abandonPartFile();
}

bool QtPrinterDevice::toFile() const {
    return printer_->outputFormat() == QPrinter::PdfFormat;
}

QString QtPrinterDevice::Name() const {
    if (!pdfTarget_.isEmpty())
        return pdfTarget_;
    if (toFile())
        return printer_->outputFileName();
    return printer_->printerName();
}

int QtPrinterDevice::ResolutionX() const {
    return LayoutDpi;
}

int QtPrinterDevice::ResolutionY() const {
    return LayoutDpi;
}

QSize QtPrinterDevice::PhysicalSize() const {
    return printer_->pageLayout().fullRectPixels(LayoutDpi).size();
}

QPoint QtPrinterDevice::PhysicalOffset() const {
    const QPageLayout layout = printer_->pageLayout();
    return layout.paintRectPixels(LayoutDpi).topLeft() - layout.fullRectPixels(LayoutDpi).topLeft();
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
    // Qt gives a queue 1200 dpi, and the print dialog may swap in a new engine with its own.
    printer_->setResolution(LayoutDpi);
    if (toFile()) {
        pdfTarget_ = printer_->outputFileName();
        printer_->setOutputFileName(partFileFor(pdfTarget_));
    }
    if (!painter_.begin(printer_.get())) {
        const std::string name = Name().toStdString();
        const bool file = !pdfTarget_.isEmpty();
        abandonPartFile();
        throw velvo::Error(name, file ? "the PDF file cannot be created in that folder"
                                      : "the printer cannot start a print job");
    }
}

void QtPrinterDevice::EndDoc() {
    if (!Printing())
        return;
    const bool ended = painter_.end();
    const QPrinter::PrinterState state = printer_->printerState();
    const bool sent = ended && state != QPrinter::Error && state != QPrinter::Aborted;
    if (pdfTarget_.isEmpty()) {
        if (!sent)
            throw velvo::Error(Name().toStdString(), "the print job could not be sent");
        // Qt sends the finished job to the queue last and keeps the queue's answer to itself;
        // it is still the CUPS library's last status on this thread.
        if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
            throw velvo::Error(Name().toStdString(),
                               std::string("the queue refused the print job (") +
                                   cupsLastErrorString() + ")");
        return;
    }
    const QString part = printer_->outputFileName();
    std::string fault;
    if (!sent || !completePdf(part))
        fault = "the PDF file could not be written completely";
    else if (std::rename(QFile::encodeName(part).constData(),
                         QFile::encodeName(pdfTarget_).constData()) != 0)
        fault = std::string("the PDF file could not be written (") + std::strerror(errno) + ")";
    const std::string name = pdfTarget_.toStdString();
    abandonPartFile();
    if (!fault.empty())
        throw velvo::Error(name, fault);
}

// Gives the printer its target back; a part file still there is an unfinished job.
void QtPrinterDevice::abandonPartFile() {
    if (pdfTarget_.isEmpty())
        return;
    QFile::remove(printer_->outputFileName());
    printer_->setOutputFileName(pdfTarget_);
    pdfTarget_.clear();
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

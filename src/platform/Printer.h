#pragma once
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QSize>
#include <QString>
#include <memory>

class QPrinter;

namespace velvo::platform {

enum class PrinterOrientation { Portrait, Landscape };

// The printer both print paths, the print dialogs and the page printer share. Positions are
// in printer pixels with the origin at the top-left of the printable area. Production: Qt's
// printer (a CUPS queue, or a PDF file when none is installed); tests install ImagePrinter.
class Printer {
public:
    virtual ~Printer() = default;

    // False when there is no printer to measure; callers then use their fall-backs.
    virtual bool Available() const = 0;
    virtual QString Name() const = 0;
    // Dots per inch along each axis; 0 when unknown.
    virtual int ResolutionX() const = 0;
    virtual int ResolutionY() const = 0;
    // The whole sheet in printer pixels, for the current orientation.
    virtual QSize PhysicalSize() const = 0;
    // Where the printable area starts on the sheet; the same margin is taken at the far sides.
    virtual QPoint PhysicalOffset() const = 0;
    // The printable area in printer pixels.
    int PageWidth() const { return PhysicalSize().width() - 2 * PhysicalOffset().x(); }
    int PageHeight() const { return PhysicalSize().height() - 2 * PhysicalOffset().y(); }
    virtual PrinterOrientation Orientation() const = 0;
    // Ignored during a job (the page in progress keeps its shape).
    virtual void SetOrientation(PrinterOrientation orientation) = 0;
    virtual QString Title() const = 0;
    virtual void SetTitle(const QString& title) = 0;

    // Starts a job of one page; velvo::Error naming the printer when it cannot start.
    virtual void BeginDoc() = 0;
    // Sends the job. Nothing outside a job. velvo::Error naming the printer or the file when
    // the job could not be written or sent: a failed job never passes for a printed one.
    virtual void EndDoc() = 0;
    bool Printing() const { return painter_.isActive(); }
    // The painter of the page in progress; inactive outside a job.
    QPainter& Canvas() { return painter_; }

    // Qt's printer behind this one for the print dialogs; null for a printer of our own.
    virtual QPrinter* QtPrinter() { return nullptr; }

    // The shared printer; made on first use (needs the application object) and kept until
    // the application object goes.
    static Printer& instance();
    // Not owned; nullptr restores the production printer.
    static void setInstance(Printer* printer);

protected:
    QPainter painter_;
};

// Qt's printer: the system's default CUPS queue, or a PDF file when no queue exists.
// Every route, a queue included, goes through Qt's PDF generator, whose resolution is only the
// scale of the page's coordinates; the page is always laid out at LayoutDpi, the office
// printer the print positions were chosen for, whatever resolution Qt or the print dialog set.
// A PDF is written under a temporary name beside the file and renamed over it once complete.
class QtPrinterDevice : public Printer {
public:
    static constexpr int LayoutDpi = 300;

    // `pdfFile` non-empty: print to that PDF file whatever queues exist.
    explicit QtPrinterDevice(const QString& pdfFile = {});
    ~QtPrinterDevice() override;

    bool Available() const override { return true; }
    QString Name() const override;
    int ResolutionX() const override;
    int ResolutionY() const override;
    QSize PhysicalSize() const override;
    QPoint PhysicalOffset() const override;
    PrinterOrientation Orientation() const override;
    void SetOrientation(PrinterOrientation orientation) override;
    QString Title() const override;
    void SetTitle(const QString& title) override;
    void BeginDoc() override;
    void EndDoc() override;
    QPrinter* QtPrinter() override { return printer_.get(); }

private:
    bool toFile() const;
    void abandonPartFile();

    std::unique_ptr<QPrinter> printer_;
    // During a PDF job: the file the stylist chose, while Qt writes its temporary neighbour.
    QString pdfTarget_;
};

// A printer whose pages are white images of a chosen sheet and resolution, so that tests can
// check positions pixel by pixel. The sheet is given in portrait; landscape swaps it.
class ImagePrinter : public Printer {
public:
    ImagePrinter(QSize portraitSheet, int dpi, QPoint offset = {});

    // Off: answers like a machine without printers (nothing measurable, jobs refused).
    bool available = true;
    // The image of the last page printed (kept after EndDoc) and the number of jobs sent.
    QImage page;
    int jobs = 0;

    bool Available() const override { return available; }
    QString Name() const override { return QStringLiteral("Image"); }
    int ResolutionX() const override { return available ? dpi_ : 0; }
    int ResolutionY() const override { return available ? dpi_ : 0; }
    QSize PhysicalSize() const override;
    QPoint PhysicalOffset() const override;
    PrinterOrientation Orientation() const override { return orientation_; }
    void SetOrientation(PrinterOrientation orientation) override;
    QString Title() const override { return title_; }
    void SetTitle(const QString& title) override { title_ = title; }
    void BeginDoc() override;
    void EndDoc() override;

private:
    QSize sheet_;
    int dpi_;
    QPoint offset_;
    PrinterOrientation orientation_ = PrinterOrientation::Portrait;
    QString title_;
};

} // namespace velvo::platform

#pragma once
#include <QColor>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPicture>
#include <QScrollArea>
#include <QStringList>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/Printer.h"

namespace velvo::print {

// A refusal of the page printer; the message is the text shown to the user.
class EPagePrinter : public std::runtime_error {
public:
    explicit EPagePrinter(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// A document of pages recorded against the shared printer and shown one page at a time at a
// zoom: a white outlined page with a drop shadow, centred on a gradient, its margins dotted.
// Pages are pictures in printer pixels (origin at the top-left of the printable area) and are
// replayed stretched when painted, so a new zoom needs no re-rendering. Without a printer every
// measure falls back to 300 dpi and a Letter (inches) or A4 (millimetres) page with a quarter
// inch (6 mm) unprintable edge. The text facility's properties are kept; it is not built.
class TPagePrinter : public QScrollArea {
    Q_OBJECT
public:
    enum TMeasureUnit { muInches, muMillimeters };
    enum TPageBorder { pbTop = 1, pbBottom = 2, pbLeft = 4, pbRight = 8 };
    enum TLineSpacing { lsHalfSpace, lsSingleSpace, lsSingleAndAHalf, lsDoubleSpace };
    enum TZoomLocation { zlTopLeft, zlTopCenter, zlCenter };

    explicit TPagePrinter(QWidget* parent = nullptr);
    ~TPagePrinter() override;

    // Discards the document. Refused while building.
    void Clear();
    // Starts a document of one page (or, with PrintToFile, opens FileName for text).
    void BeginDoc();
    // Ends the page in progress and starts the next.
    void NewPage();
    // Finishes the document and shows page 1.
    void EndDoc();
    bool Printing() const { return printing_; }
    // The page being recorded; inactive outside BeginDoc .. EndDoc.
    QPainter& Canvas() { return canvas_; }

    int PageCount() const { return int(pages_.size()); }
    // 0 when no page is shown.
    int CurrentPage() const { return currentPage_; }
    // Outside 1 .. PageCount on a non-empty document: EPagePrinter naming the range.
    void SetCurrentPage(int page);
    // Page n (1-based) as recorded; its bounding rectangle is the recorded extent.
    const QPicture& Page(int n) const { return *pages_.at(size_t(n - 1)); }

    // Lengths in MeasureUnit.
    TMeasureUnit MeasureUnit() const { return unit_; }
    void SetMeasureUnit(TMeasureUnit unit);
    double MarginLeft() const { return margins_[0]; }
    double MarginTop() const { return margins_[1]; }
    double MarginRight() const { return margins_[2]; }
    double MarginBottom() const { return margins_[3]; }
    // Refused while building; clamped to [unprintable offset, page size - offset].
    void SetMarginLeft(double value);
    void SetMarginTop(double value);
    void SetMarginRight(double value);
    void SetMarginBottom(double value);
    double PageBorderOffset() const { return borderOffset_; }
    void SetPageBorderOffset(double value) { borderOffset_ = value; }
    double DefaultColWidth() const { return colWidth_; }
    void SetDefaultColWidth(double value) { colWidth_ = value; }

    // The shared printer's orientation; refused while building, ignored without a printer.
    platform::PrinterOrientation Orientation() const;
    void SetOrientation(platform::PrinterOrientation orientation);
    bool PrintToFile() const { return printToFile_; }
    void SetPrintToFile(bool on);
    QString FileName() const { return fileName_; }
    void SetFileName(const QString& file);
    // The shared printer's job title ("<Unknown>" without a printer).
    QString Title() const;
    void SetTitle(const QString& title);

    int ZoomPercent() const { return zoom_; }
    void SetZoomPercent(int percent);
    TZoomLocation ZoomLocation() const { return zoomLocation_; }
    void SetZoomLocation(TZoomLocation location) { zoomLocation_ = location; }
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(int pixels);
    QColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(const QColor& colour);
    bool GradientBackground() const { return gradient_; }
    void SetGradientBackground(bool on);
    bool ShowMargins() const { return showMargins_; }
    void SetShowMargins(bool on);
    int Copies() const { return copies_; }
    void SetCopies(int copies) { copies_ = copies < 1 ? 1 : copies; }

    // Kept for the text facility, which this program never drives.
    bool AbortOnCancel = false;
    Qt::Alignment Alignment = Qt::AlignLeft;
    bool AutoFooterFont = true;
    bool AutoHeaderFont = true;
    bool Collate = true;
    QString Footer, Header;
    QFont FooterFont, HeaderFont;
    QString FooterFormat, HeaderFormat, TableFormat;
    QString FriendlyFooter, FriendlyHeader;
    QStringList Lines;
    TLineSpacing LineSpacing = lsSingleSpace;
    int PageBorders = 0;
    QString ProgressMessage;
    bool ShowCancel = true;
    bool ShowProgress = true;
    bool TableGrid = false;
    int TabSize = 8;
    QChar TokenSeparator = QLatin1Char('|');
    bool WordWrap = true;
    std::function<void()> OnNewLine, OnNewPage;

    // A length in the measure unit as printer pixels along x (or y), and back.
    int ToPixelsX(double length) const;
    int ToPixelsY(double length) const;
    double FromPixelsX(int pixels) const;
    double FromPixelsY(int pixels) const;
    // The physical page and its unprintable offsets in the measure unit.
    double PageWidthUnits() const;
    double PageHeightUnits() const;
    double OffsetXUnits() const;
    double OffsetYUnits() const;

    // The page on screen at the current zoom, and the scroll extents around it.
    QSize PageScreenSize() const;
    int HorzScrollRange() const;
    int VertScrollRange() const;
    // Screen dots per inch; by default the screen's logical resolution.
    int ScreenResolution() const { return screenDpi_; }
    void SetScreenResolution(int dpi);

    // The whole preview as the control paints it into a box of `size`.
    void PaintPreview(QPainter& painter, QSize size) const;

protected:
    void changeEvent(QEvent* event) override;

private:
    class PaintBox;
    void refuseWhileBuilding(const char* message) const;
    void setMargin(int index, double value, const char* refusal);
    std::unique_ptr<QPicture> newPage();
    void startPage();
    void finishRecording();
    void updateRanges();
    int resolutionX() const;
    int resolutionY() const;
    double toUnits(int pixels, int resolution) const;
    int toPixels(double length, int resolution) const;
    int screenLength(double length) const;

    PaintBox* box_ = nullptr;
    std::vector<std::unique_ptr<QPicture>> pages_;
    std::unique_ptr<QPicture> scratch_;
    QPicture* recording_ = nullptr;
    QPainter canvas_;
    QFile textFile_;
    bool printing_ = false;
    int currentPage_ = 0;
    TMeasureUnit unit_ = muInches;
    double margins_[4] = {}; // left, top, right, bottom
    double borderOffset_ = 0;
    double colWidth_ = 0;
    bool printToFile_ = false;
    QString fileName_;
    int zoom_ = 25;
    TZoomLocation zoomLocation_ = zlTopLeft;
    int shadowOffset_ = 5;
    QColor shadowColor_;
    bool gradient_ = true;
    bool showMargins_ = true;
    int copies_ = 1;
    int screenDpi_ = 96;
};

} // namespace velvo::print

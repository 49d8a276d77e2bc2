#include "print/TPagePrinter.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <cmath>

#include "imaging/codecs/Error.h"

namespace velvo::print {
namespace {

constexpr double kInchesPerMillimetre = 0.0393700787401574803;
constexpr int kFallbackDpi = 300;

// Halves go to the even neighbour, as everywhere in the program's rounding.
int roundEven(double value) {
    return int(std::nearbyint(value));
}

platform::Printer& printer() {
    return platform::Printer::instance();
}

} // namespace

class TPagePrinter::PaintBox : public QWidget {
public:
    explicit PaintBox(TPagePrinter* owner) : QWidget(owner), owner_(owner) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        owner_->PaintPreview(painter, size());
    }

private:
    TPagePrinter* owner_;
};

TPagePrinter::TPagePrinter(QWidget* parent) : QScrollArea(parent) {
    setFont(QFont(QStringLiteral("Courier New"), 10));
    HeaderFont = FooterFont = font();
    shadowColor_ = QApplication::palette().color(QPalette::Dark);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        screenDpi_ = std::max(1, roundEven(screen->logicalDotsPerInchX()));
    margins_[0] = margins_[2] = OffsetXUnits();
    margins_[1] = margins_[3] = OffsetYUnits();
    box_ = new PaintBox(this);
    setWidget(box_);
    setWidgetResizable(true);
    resize(89, 115);
    scratch_ = newPage();
    updateRanges();
}

TPagePrinter::~TPagePrinter() {
    if (canvas_.isActive())
        canvas_.end();
}

void TPagePrinter::refuseWhileBuilding(const char* message) const {
    if (printing_)
        throw EPagePrinter(QString::fromUtf8(message));
}

int TPagePrinter::resolutionX() const {
    const int r = printer().Available() ? printer().ResolutionX() : 0;
    return r > 0 ? r : kFallbackDpi;
}

int TPagePrinter::resolutionY() const {
    const int r = printer().Available() ? printer().ResolutionY() : 0;
    return r > 0 ? r : kFallbackDpi;
}

double TPagePrinter::toUnits(int pixels, int resolution) const {
    const double inches = double(pixels) / resolution;
    return unit_ == muInches ? inches : inches * 25.4;
}

int TPagePrinter::toPixels(double length, int resolution) const {
    return roundEven((unit_ == muInches ? length : length * kInchesPerMillimetre) * resolution);
}

int TPagePrinter::ToPixelsX(double length) const {
    return toPixels(length, resolutionX());
}
int TPagePrinter::ToPixelsY(double length) const {
    return toPixels(length, resolutionY());
}
double TPagePrinter::FromPixelsX(int pixels) const {
    return toUnits(pixels, resolutionX());
}
double TPagePrinter::FromPixelsY(int pixels) const {
    return toUnits(pixels, resolutionY());
}

double TPagePrinter::PageWidthUnits() const {
    if (printer().Available())
        return FromPixelsX(printer().PhysicalSize().width());
    return unit_ == muInches ? 8.5 : 210.0;
}

double TPagePrinter::PageHeightUnits() const {
    if (printer().Available())
        return FromPixelsY(printer().PhysicalSize().height());
    return unit_ == muInches ? 11.0 : 297.0;
}

double TPagePrinter::OffsetXUnits() const {
    if (printer().Available())
        return FromPixelsX(printer().PhysicalOffset().x());
    return unit_ == muInches ? 0.25 : 6.0;
}

double TPagePrinter::OffsetYUnits() const {
    if (printer().Available())
        return FromPixelsY(printer().PhysicalOffset().y());
    return unit_ == muInches ? 0.25 : 6.0;
}

void TPagePrinter::setMargin(int index, double value, const char* refusal) {
    refuseWhileBuilding(refusal);
    const bool horizontal = index == 0 || index == 2;
    const double offset = horizontal ? OffsetXUnits() : OffsetYUnits();
    const double page = horizontal ? PageWidthUnits() : PageHeightUnits();
    if (value < offset)
        value = offset;
    if (value > page - offset)
        value = page - offset;
    margins_[index] = value;
    box_->update();
}

void TPagePrinter::SetMarginLeft(double value) {
    setMargin(0, value, "Não pode mudar margem esquerda enquanto imprimindo");
}
void TPagePrinter::SetMarginTop(double value) {
    setMargin(1, value, "Não pode mudar margem de cima enquanto imprimindo");
}
void TPagePrinter::SetMarginRight(double value) {
    setMargin(2, value, "Não pode mudar margem direita enquanto imprimindo");
}
void TPagePrinter::SetMarginBottom(double value) {
    setMargin(3, value, "Não pode mudar margem de baixo enquanto imprimindo");
}

void TPagePrinter::SetMeasureUnit(TMeasureUnit unit) {
    if (unit == unit_)
        return;
    const double factor = unit == muMillimeters ? 25.4 : kInchesPerMillimetre;
    unit_ = unit;
    for (double& margin : margins_)
        margin *= factor;
    borderOffset_ *= factor;
    colWidth_ *= factor;
    box_->update();
}

platform::PrinterOrientation TPagePrinter::Orientation() const {
    return printer().Orientation();
}

void TPagePrinter::SetOrientation(platform::PrinterOrientation orientation) {
    refuseWhileBuilding("Não pode mudar orientação da página enquanto imprimindo");
    if (!printer().Available())
        return;
    printer().SetOrientation(orientation);
    updateRanges();
}

void TPagePrinter::SetPrintToFile(bool on) {
    refuseWhileBuilding("Não pode mudar PrintToFile enquanto imprimindo");
    printToFile_ = on;
}

void TPagePrinter::SetFileName(const QString& file) {
    refuseWhileBuilding("Não pode mudar FileName enquanto imprimindo");
    fileName_ = file;
}

QString TPagePrinter::Title() const {
    return printer().Available() ? printer().Title() : QStringLiteral("<Unknown>");
}

void TPagePrinter::SetTitle(const QString& title) {
    if (printer().Available())
        printer().SetTitle(title);
}

void TPagePrinter::SetZoomPercent(int percent) {
    zoom_ = std::max(1, percent);
    updateRanges();
}

void TPagePrinter::SetShadowOffset(int pixels) {
    shadowOffset_ = std::max(0, pixels);
    updateRanges();
}

void TPagePrinter::SetShadowColor(const QColor& colour) {
    shadowColor_ = colour;
    box_->update();
}

void TPagePrinter::SetGradientBackground(bool on) {
    gradient_ = on;
    box_->update();
}

void TPagePrinter::SetShowMargins(bool on) {
    showMargins_ = on;
    box_->update();
}

void TPagePrinter::SetScreenResolution(int dpi) {
    screenDpi_ = std::max(1, dpi);
    updateRanges();
}

std::unique_ptr<QPicture> TPagePrinter::newPage() {
    auto page = std::make_unique<QPicture>();
    page->setBoundingRect(QRect(0, 0, ToPixelsX(PageWidthUnits() - OffsetXUnits()),
                                ToPixelsY(PageHeightUnits() - OffsetYUnits())));
    return page;
}

void TPagePrinter::startPage() {
    recording_ = pages_.back().get();
    const QRect extent = recording_->boundingRect();
    canvas_.begin(recording_);
    canvas_.setBrush(Qt::NoBrush);
    // Text is measured in printer pixels: the font's points at the printer's resolution.
    QFont recordingFont = font();
    if (recordingFont.pointSizeF() > 0)
        recordingFont.setPixelSize(
            std::max(1, roundEven(recordingFont.pointSizeF() * resolutionY() / 72.0)));
    canvas_.setFont(recordingFont);
    if (OnNewPage)
        OnNewPage();
    if (OnNewLine)
        OnNewLine();
    if (PageBorders != 0) {
        const int left = ToPixelsX(MarginLeft() - OffsetXUnits());
        const int top = ToPixelsY(MarginTop() - OffsetYUnits());
        const int right = ToPixelsX(PageWidthUnits() - OffsetXUnits() - MarginRight());
        const int bottom = ToPixelsY(PageHeightUnits() - OffsetYUnits() - MarginBottom());
        const int dx = ToPixelsX(borderOffset_), dy = ToPixelsY(borderOffset_);
        QPen pen(Qt::black);
        canvas_.save();
        pen.setWidth(resolutionY() / 300 * 2);
        canvas_.setPen(pen);
        if (PageBorders & pbTop)
            canvas_.drawLine(left - dx, top - dy, right + dx, top - dy);
        if (PageBorders & pbBottom)
            canvas_.drawLine(left - dx, bottom + dy, right + dx, bottom + dy);
        pen.setWidth(resolutionX() / 300 * 2);
        canvas_.setPen(pen);
        if (PageBorders & pbLeft)
            canvas_.drawLine(left - dx, top - dy, left - dx, bottom + dy);
        if (PageBorders & pbRight)
            canvas_.drawLine(right + dx, top - dy, right + dx, bottom + dy);
        canvas_.restore();
    }
    // Recording changes the picture's extent to what was drawn; the page keeps its own.
    recording_->setBoundingRect(extent);
}

void TPagePrinter::finishRecording() {
    if (!canvas_.isActive())
        return;
    const QRect extent = recording_->boundingRect();
    canvas_.end();
    recording_->setBoundingRect(extent);
    recording_ = nullptr;
}

void TPagePrinter::Clear() {
    refuseWhileBuilding("Não pode limpar conteúdo enquanto imprimindo");
    finishRecording();
    pages_.clear();
    currentPage_ = 0;
    scratch_ = newPage();
    updateRanges();
}

void TPagePrinter::BeginDoc() {
    if (printing_)
        return;
    // The printer may have changed since the margins were set.
    for (int i = 0; i < 4; ++i)
        setMargin(i, margins_[i], "");
    printing_ = true;
    if (printToFile_) {
        textFile_.setFileName(fileName_);
        if (!textFile_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            printing_ = false;
            throw velvo::Error(fileName_.toStdString(), "cannot be opened for writing");
        }
        currentPage_ = 1;
        return;
    }
    pages_.clear();
    pages_.push_back(newPage());
    currentPage_ = 1;
    startPage();
}

void TPagePrinter::NewPage() {
    if (!printing_)
        return;
    ++currentPage_;
    if (printToFile_) {
        textFile_.write("\f\n");
        return;
    }
    finishRecording();
    pages_.push_back(newPage());
    startPage();
}

void TPagePrinter::EndDoc() {
    if (!printing_)
        return;
    printing_ = false;
    if (printToFile_) {
        textFile_.close();
        return;
    }
    finishRecording();
    scratch_ = newPage();
    currentPage_ = pages_.empty() ? 0 : 1;
    updateRanges();
}

void TPagePrinter::SetCurrentPage(int page) {
    if (page >= 1 && page <= PageCount()) {
        currentPage_ = page;
        updateRanges();
        return;
    }
    if (!pages_.empty())
        throw EPagePrinter(
            QStringLiteral("Número da Página deve estar entre 1 e %1").arg(PageCount()));
    currentPage_ = 0;
}

QSize TPagePrinter::PageScreenSize() const {
    if (!printer().Available()) {
        const double inch = unit_ == muInches ? 1.0 : kInchesPerMillimetre;
        const int w = roundEven(PageWidthUnits() * inch * screenDpi_);
        const int h = roundEven(PageHeightUnits() * inch * screenDpi_);
        return {roundEven(w * zoom_ * 0.01), roundEven(h * zoom_ * 0.01)};
    }
    const QSize physical = printer().PhysicalSize();
    const double qx = double(resolutionX()) / screenDpi_;
    const double qy = double(resolutionY()) / screenDpi_;
    return {roundEven(physical.width() * zoom_ / qx * 0.01),
            roundEven(physical.height() * zoom_ / qy * 0.01)};
}

int TPagePrinter::HorzScrollRange() const {
    return PageScreenSize().width() + 2 * shadowOffset_ + 2;
}

int TPagePrinter::VertScrollRange() const {
    return PageScreenSize().height() + 2 * shadowOffset_ + 2;
}

void TPagePrinter::updateRanges() {
    if (!box_)
        return;
    box_->setMinimumSize(HorzScrollRange(), VertScrollRange());
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    switch (zoomLocation_) {
    case zlTopLeft:
        h->setValue(0);
        v->setValue(0);
        break;
    case zlTopCenter:
        h->setValue((HorzScrollRange() - viewport()->width()) / 2);
        v->setValue(0);
        break;
    case zlCenter:
        h->setValue((HorzScrollRange() - viewport()->width()) / 2);
        v->setValue((VertScrollRange() - viewport()->height()) / 2);
        break;
    }
    box_->update();
}

int TPagePrinter::screenLength(double length) const {
    const double inches = unit_ == muInches ? length : length * kInchesPerMillimetre;
    return roundEven(roundEven(inches * screenDpi_) * zoom_ * 0.01);
}

void TPagePrinter::PaintPreview(QPainter& painter, QSize size) const {
    const int w = size.width(), h = size.height();
    const QColor end = palette().color(QPalette::Window);
    if (gradient_) {
        const int n = std::max(1, h - 1);
        for (int d = 0; d < h; ++d) {
            // From black at the top to the control's colour at the bottom.
            painter.fillRect(0, d, w, 1,
                             QColor(d * end.red() / n, d * end.green() / n, d * end.blue() / n));
        }
    } else {
        painter.fillRect(0, 0, w, h, end);
    }

    const QSize pageSize = PageScreenSize();
    const QRect page((w - pageSize.width()) / 2, (h - pageSize.height()) / 2, pageSize.width(),
                     pageSize.height());
    if (shadowOffset_ > 0) {
        painter.fillRect(page.x() + page.width(), page.y() + shadowOffset_, shadowOffset_,
                         page.height(), shadowColor_);
        painter.fillRect(page.x() + shadowOffset_, page.y() + page.height(), page.width(),
                         shadowOffset_, shadowColor_);
    }
    painter.fillRect(page, Qt::white);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(page.adjusted(0, 0, -1, -1));

    if (currentPage_ >= 1 && currentPage_ <= PageCount()) {
        const QPicture& picture = Page(currentPage_);
        const QRect extent = picture.boundingRect();
        const int sl = screenLength(OffsetXUnits()), st = screenLength(OffsetYUnits());
        const QRect target(page.x() + sl + 1, page.y() + st + 1, page.width() - sl,
                           page.height() - st);
        if (extent.width() > 0 && extent.height() > 0 && !target.isEmpty()) {
            painter.save();
            // What runs past the sheet is not on the sheet.
            painter.setClipRect(page.adjusted(1, 1, -1, -1));
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.translate(target.topLeft());
            painter.scale(double(target.width()) / extent.width(),
                          double(target.height()) / extent.height());
            painter.drawPicture(0, 0, picture);
            painter.restore();
        }
    }

    if (showMargins_) {
        QPen dotted(QColor(192, 192, 192));
        dotted.setStyle(Qt::DotLine);
        painter.setPen(dotted);
        painter.setBrush(Qt::NoBrush);
        const QRect inner =
            page.adjusted(screenLength(MarginLeft()), screenLength(MarginTop()),
                          -screenLength(MarginRight()), -screenLength(MarginBottom()));
        painter.drawRect(inner.adjusted(0, 0, -1, -1));
    }
}

void TPagePrinter::changeEvent(QEvent* event) {
    QScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        if (AutoHeaderFont)
            HeaderFont = font();
        if (AutoFooterFont)
            FooterFont = font();
    }
}

} // namespace velvo::print

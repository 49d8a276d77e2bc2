#include "print/TF_PREVIEW.h"

#include <QPainter>

#include "ui/TFormAutoSize.h"
#include "ui/TImageAspect.h"

namespace velvo::print {

TF_PREVIEW* F_PREVIEW = nullptr;

namespace {
constexpr QPoint kCells[8] = {{8, 8},   {200, 8},   {392, 8},   {585, 8},
                              {8, 272}, {200, 272}, {392, 272}, {584, 272}};
constexpr QSize kCellSize(185, 257);
} // namespace

TF_PREVIEW::TF_PREVIEW(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("F_PREVIEW"));
    F_PREVIEW = this;
    setWindowTitle(QStringLiteral("Preview"));
    setWindowFlag(Qt::Window);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    // The cells come first among the window's components: the preview finds them by index.
    for (int i = 0; i < 8; ++i) {
        auto* cell = new TImageAspect(this);
        cell->setObjectName(QStringLiteral("ImageAspect%1").arg(i + 1));
        cell->setGeometry(QRect(kCells[i], kCellSize));
    }
    resize(544, 347);
    FormAutoSize1 = new TFormAutoSize(this);
    FormAutoSize1->setObjectName(QStringLiteral("FormAutoSize1"));
    FormAutoSize1->DesignTimeSize() = {800, 600, 331, 96};
    FormAutoSize1->SetAllowAutoSize(true);
    FormAutoSize1->SetCheckPixelsPerInch(true);
    FormAutoSize1->SetActive(true);
}

TF_PREVIEW::~TF_PREVIEW() {
    if (F_PREVIEW == this)
        F_PREVIEW = nullptr;
}

TImageAspect* TF_PREVIEW::Cell(int n) const {
    return qobject_cast<TImageAspect*>(children().value(n - 1));
}

QImage TF_PREVIEW::Sheet() const {
    // The stored window is smaller than its grid; the sheet holds all eight cells.
    QRect grid;
    for (int n = 1; n <= 8; ++n)
        if (TImageAspect* cell = Cell(n))
            grid |= cell->geometry();
    const QSize size(grid.right() + 1 + grid.left(), grid.bottom() + 1 + grid.top());
    QImage sheet(size, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int n = 1; n <= 8; ++n)
        if (TImageAspect* cell = Cell(n))
            cell->render(&painter, cell->pos(), QRegion(), QWidget::DrawChildren);
    return sheet;
}

} // namespace velvo::print

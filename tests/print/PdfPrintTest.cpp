// The sheet printed through Qt's printer into a PDF file, and read back as a picture.
#include "print/PrintFixture.h"

#include <QProcess>
#include <QStandardPaths>

using namespace velvo;
using namespace velvo::testing;

namespace {

bool near(QColor a, QColor b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QColor cellColour(int n) {
    return QColor::fromHsv(n * 45, 220, 200).toRgb();
}

// Page 1 of `pdf` at `dpi` as an image; a null image when poppler cannot render it.
QImage rasterise(const QString& pdf, int dpi) {
    const QString stem = pdf + ".page";
    QProcess::execute("pdftoppm", {"-r", QString::number(dpi), "-png", "-singlefile", pdf, stem});
    return QImage(stem + ".png");
}

} // namespace

TEST_F(PrintTest, SheetOfFourPrintedToPdfShowsEachPictureInItsCell) {
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    platform::QtPrinterDevice pdf(folder + "sheet.pdf");
    pdf.QtPrinter()->setResolution(100);
    pdf.QtPrinter()->setPageSize(QPageSize(QPageSize::A4));
    platform::Printer::setInstance(&pdf);
    for (int n = 1; n <= 4; ++n)
        openSolid(QString("p%1.bmp").arg(n), cellColour(n), {300, 400});
    main->PrintPreview1Click();
    preview2->Imprimir1Click();
    dialogs.printAnswers = {true};
    options->BitBtn2Click();
    const QSize page(pdf.PageWidth(), pdf.PageHeight());
    const QPoint offset = pdf.PhysicalOffset();
    const QSize paper = pdf.PhysicalSize();
    platform::Printer::setInstance(&printer);

    const QImage printed = rasterise(folder + "sheet.pdf", 100);
    ASSERT_FALSE(printed.isNull());
    EXPECT_NEAR(printed.width(), paper.width(), 1);
    EXPECT_NEAR(printed.height(), paper.height(), 1);
    EXPECT_GT(printed.width(), printed.height()); // the sheet prints landscape

    const QSize sheet = main->PictureView1->Image().size();
    const QRect target =
        print::TF_IMPRESSAO::PrintRect(sheet, page, options->SizeCode).translated(offset);
    auto onPaper = [&](QPoint p) {
        return QPoint(target.x() + p.x() * target.width() / sheet.width(),
                      target.y() + p.y() * target.height() / sheet.height());
    };
    // Cell n's centre on the sheet; the cells run 192 pixels apart from (8, 8).
    const int lefts[] = {8, 200, 392, 585};
    for (int n = 1; n <= 4; ++n) {
        const QColor seen = printed.pixelColor(onPaper({lefts[n - 1] + 92, 8 + 128}));
        EXPECT_TRUE(near(seen, cellColour(n))) << n << ": " << seen.name().toStdString() << " for "
                                               << cellColour(n).name().toStdString();
    }
    // The sheet's white between the cells, and the paper beyond the sheet.
    EXPECT_TRUE(near(printed.pixelColor(onPaper({196, 8 + 128})), Qt::white));
    EXPECT_TRUE(near(printed.pixelColor(target.right() + 10, target.y() + 10), Qt::white));
    EXPECT_TRUE(near(printed.pixelColor(target.x() - 5, target.y() + 50), Qt::white));
}

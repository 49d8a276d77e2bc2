// The sheet printed through Qt's printer into a PDF file and read back as a picture, and a PDF
// that cannot be written.
#include "print/PrintFixture.h"
#include "print/PrintedPage.h"
#include "support/FileSizeLimit.h"

#include <QStandardPaths>

using namespace velvo;
using namespace velvo::testing;

namespace {

QColor cellColour(int n) {
    return QColor::fromHsv(n * 45, 220, 200).toRgb();
}

} // namespace

TEST_F(PrintTest, SheetOfFourPrintedToPdfShowsEachPictureInItsCell) {
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    platform::QtPrinterDevice pdf(folder + "sheet.pdf");
    pdf.QtPrinter()->setPageSize(QPageSize(QPageSize::Letter));
    pdf.QtPrinter()->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
    platform::Printer::setInstance(&pdf);
    for (int n = 1; n <= 4; ++n)
        openSolid(QString("p%1.bmp").arg(n), cellColour(n), {300, 400});
    messages.shown.clear();
    main->PrintPreview1Click();
    preview2->Imprimir1Click();
    ASSERT_EQ(main->PictureView1->Image().size(), QSize(778, 537));
    dialogs.printAnswers = {true};
    options->BitBtn2Click();
    platform::Printer::setInstance(&printer);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.value(0).text.toStdString();

    const QImage printed = rasterise(folder + "sheet.pdf", 100, folder + "sheet");
    ASSERT_FALSE(printed.isNull());
    // Landscape Letter without margins: 3300 x 2550 printer pixels. The 778 x 537 sheet fitted
    // to 2550 high is 3694.4 x 2550, halved at size "1": 1847 x 1275 at (100, 100).
    EXPECT_EQ(printed.size(), QSize(1100, 850));
    auto onPaper = [](double x, double y, double w, double h) {
        const double sx = 1847.0 / 778, sy = 1275.0 / 537;
        return QRectF(100 + x * sx, 100 + y * sy, w * sx, h * sy);
    };
    // A 300 x 400 picture fills its 185 x 257 cell's width: 185 x 246.7, centred in height.
    const double height = 185.0 * 400 / 300, top = 8 + (257 - height) / 2;
    const int lefts[] = {8, 200, 392, 585};
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(
            boxAt(boxOf(printed, cellColour(n)), onPaper(lefts[n - 1], top, 185, height), 100))
            << "cell " << n;
}

// The disk fills up during the job: the standard error box names the file, on both print
// paths, and no PDF is left that looks printed.
TEST_F(PrintTest, APrintThatCannotBeWrittenSaysSoNamingTheFile) {
    const QString target = folder + "cut.pdf";
    platform::QtPrinterDevice pdf(target);
    platform::Printer::setInstance(&pdf);
    openSolid("p.bmp", QColor(90, 140, 30), {300, 400});
    const struct {
        const char* path;
        std::function<void()> prepare, print;
    } paths[] = {
        {"direct print", [] {}, [&] { main->Imprimir1Click(); }},
        {"sheet print",
         [&] {
             main->PrintPreview1Click();
             preview2->Imprimir1Click();
         },
         [&] { options->BitBtn2Click(); }},
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path.path);
        path.prepare();
        messages.shown.clear();
        dialogs.printAnswers = {true};
        {
            FileSizeLimit full(1024);
            platform::runGuarded(path.print);
        }
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_TRUE(messages.shown[0].text.startsWith(target + ": "))
            << messages.shown[0].text.toStdString();
        EXPECT_FALSE(QFile::exists(target));
    }
    platform::Printer::setInstance(&printer);
}

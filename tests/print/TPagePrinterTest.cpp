#include "print/TPagePrinter.h"

#include <QImage>
#include <gtest/gtest.h>

using velvo::platform::ImagePrinter;
using velvo::platform::Printer;
using velvo::platform::PrinterOrientation;
using velvo::print::EPagePrinter;
using velvo::print::TPagePrinter;

namespace {

// A 600-dpi printer with an 8.5 x 11 inch sheet and a quarter-inch unprintable edge.
class PagePrinterTest : public ::testing::Test {
protected:
    void SetUp() override { Printer::setInstance(&printer); }
    void TearDown() override { Printer::setInstance(nullptr); }

    QImage replay(const QPicture& page) {
        QImage image(page.boundingRect().size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.drawPicture(0, 0, page);
        return image;
    }

    ImagePrinter printer{QSize(5100, 6600), 600, QPoint(150, 150)};
};

template <class F> QString refusal(F&& action) {
    try {
        action();
    } catch (const EPagePrinter& e) {
        return e.Message();
    }
    return QStringLiteral("(no refusal)");
}

} // namespace

TEST_F(PagePrinterTest, SizesThePageOnScreenFromThePrinterAndFallsBackToLetter) {
    TPagePrinter pp;
    pp.SetScreenResolution(96);
    pp.SetZoomPercent(25);
    EXPECT_EQ(pp.PageScreenSize(), QSize(204, 264));
    EXPECT_EQ(pp.HorzScrollRange(), 216);
    EXPECT_EQ(pp.VertScrollRange(), 276);
    EXPECT_EQ(pp.ToPixelsX(1.0), 600);

    printer.available = false;
    EXPECT_EQ(pp.PageScreenSize(), QSize(204, 264));
    pp.SetZoomPercent(100);
    EXPECT_EQ(pp.PageScreenSize(), QSize(816, 1056));
    EXPECT_EQ(pp.ToPixelsX(1.0), 300);
    EXPECT_DOUBLE_EQ(pp.OffsetXUnits(), 0.25);
    EXPECT_EQ(pp.Title(), "<Unknown>");
    pp.SetOrientation(PrinterOrientation::Landscape);
    EXPECT_EQ(printer.Orientation(), PrinterOrientation::Portrait);
    pp.SetMeasureUnit(TPagePrinter::muMillimeters);
    EXPECT_DOUBLE_EQ(pp.PageWidthUnits(), 210.0);
    EXPECT_EQ(pp.ToPixelsX(25.4), 300);
}

TEST_F(PagePrinterTest, ClampsMarginsToThePrintableSheetAndConvertsThemWithTheUnit) {
    TPagePrinter pp;
    EXPECT_DOUBLE_EQ(pp.MarginLeft(), 0.25); // the unprintable edge at creation
    pp.SetMarginLeft(0);
    EXPECT_DOUBLE_EQ(pp.MarginLeft(), 0.25);
    pp.SetMarginBottom(20);
    EXPECT_DOUBLE_EQ(pp.MarginBottom(), 10.75);
    pp.SetMarginRight(1.0);
    pp.SetPageBorderOffset(0.0625);
    pp.SetMeasureUnit(TPagePrinter::muMillimeters);
    EXPECT_DOUBLE_EQ(pp.MarginRight(), 25.4);
    EXPECT_DOUBLE_EQ(pp.PageBorderOffset(), 1.5875);
    EXPECT_NEAR(pp.PageWidthUnits(), 215.9, 1e-9);
    pp.SetMeasureUnit(TPagePrinter::muInches);
    EXPECT_NEAR(pp.MarginRight(), 1.0, 1e-12);
}

TEST_F(PagePrinterTest, RefusesChangesWhileBuildingWithItsMessages) {
    TPagePrinter pp;
    pp.BeginDoc();
    EXPECT_EQ(refusal([&] { pp.Clear(); }), "Não pode limpar conteúdo enquanto imprimindo");
    EXPECT_EQ(refusal([&] { pp.SetOrientation(PrinterOrientation::Landscape); }),
              "Não pode mudar orientação da página enquanto imprimindo");
    EXPECT_EQ(refusal([&] { pp.SetMarginTop(1); }),
              "Não pode mudar margem de cima enquanto imprimindo");
    EXPECT_EQ(refusal([&] { pp.SetMarginBottom(1); }),
              "Não pode mudar margem de baixo enquanto imprimindo");
    EXPECT_EQ(refusal([&] { pp.SetMarginLeft(1); }),
              "Não pode mudar margem esquerda enquanto imprimindo");
    EXPECT_EQ(refusal([&] { pp.SetMarginRight(1); }),
              "Não pode mudar margem direita enquanto imprimindo");
    EXPECT_EQ(refusal([&] { pp.SetPrintToFile(true); }),
              "Não pode mudar PrintToFile enquanto imprimindo");
    EXPECT_EQ(refusal([&] { pp.SetFileName("x.txt"); }),
              "Não pode mudar FileName enquanto imprimindo");
    EXPECT_DOUBLE_EQ(pp.MarginTop(), 0.25);
    pp.EndDoc();
    EXPECT_EQ(refusal([&] { pp.Clear(); }), "(no refusal)");
}

TEST_F(PagePrinterTest, RecordsPagesInPrinterPixelsAndChecksThePageNumber) {
    TPagePrinter pp;
    pp.SetCurrentPage(5); // nothing recorded: no page, no refusal
    EXPECT_EQ(pp.CurrentPage(), 0);
    pp.BeginDoc();
    pp.Canvas().fillRect(100, 100, 50, 50, Qt::red);
    pp.NewPage();
    pp.Canvas().fillRect(0, 0, 10, 10, Qt::blue);
    pp.EndDoc();
    ASSERT_EQ(pp.PageCount(), 2);
    EXPECT_EQ(pp.CurrentPage(), 1);
    // The sheet less the far unprintable edge, from the printable area's corner.
    EXPECT_EQ(pp.Page(1).boundingRect(), QRect(0, 0, 4950, 6450));
    const QImage first = replay(pp.Page(1));
    EXPECT_EQ(first.pixelColor(100, 100), QColor(Qt::red));
    EXPECT_EQ(first.pixelColor(149, 149), QColor(Qt::red));
    EXPECT_EQ(first.pixelColor(150, 150), QColor(Qt::white));
    EXPECT_EQ(first.pixelColor(5, 5), QColor(Qt::white));
    EXPECT_EQ(replay(pp.Page(2)).pixelColor(5, 5), QColor(Qt::blue));

    EXPECT_EQ(refusal([&] { pp.SetCurrentPage(3); }), "Número da Página deve estar entre 1 e 2");
    EXPECT_EQ(refusal([&] { pp.SetCurrentPage(0); }), "Número da Página deve estar entre 1 e 2");
    pp.SetCurrentPage(2);
    EXPECT_EQ(pp.CurrentPage(), 2);
    pp.Clear();
    EXPECT_EQ(pp.PageCount(), 0);
    EXPECT_EQ(pp.CurrentPage(), 0);
}

TEST_F(PagePrinterTest, PaintsGradientShadowPageContentAndMargins) {
    TPagePrinter pp;
    pp.SetScreenResolution(96);
    pp.SetZoomPercent(25);
    pp.SetShadowColor(QColor(10, 20, 30));
    pp.SetMarginLeft(1.0);
    pp.SetMarginTop(1.0);
    pp.BeginDoc();
    // Past the sheet on the right: the overflow must not reach the background.
    pp.Canvas().fillRect(0, 0, 6000, 600, Qt::red);
    pp.EndDoc();

    QImage box(300, 400, QImage::Format_RGB32);
    QPainter painter(&box);
    pp.PaintPreview(painter, box.size());
    painter.end();

    const QColor end = pp.palette().color(QPalette::Window);
    EXPECT_EQ(box.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(box.pixelColor(0, 399), end);
    // The 204 x 264 page centred at (48, 68), outlined, its shadow 5 pixels down and right.
    EXPECT_EQ(box.pixelColor(48, 68), QColor(Qt::black));
    EXPECT_EQ(box.pixelColor(251, 331), QColor(Qt::black));
    EXPECT_EQ(box.pixelColor(254, 100), QColor(10, 20, 30));
    EXPECT_EQ(box.pixelColor(100, 334), QColor(10, 20, 30));
    EXPECT_NE(box.pixelColor(254, 70), QColor(10, 20, 30));
    EXPECT_EQ(box.pixelColor(150, 300), QColor(Qt::white));
    // The printed band: a quarter inch edge is 6 screen pixels, the band an inch (24) high.
    EXPECT_EQ(box.pixelColor(48 + 6 + 3, 68 + 6 + 10), QColor(Qt::red));
    EXPECT_EQ(box.pixelColor(250, 68 + 6 + 10), QColor(Qt::red));
    EXPECT_NE(box.pixelColor(260, 68 + 6 + 10), QColor(Qt::red));
    EXPECT_EQ(box.pixelColor(150, 68 + 6 + 30), QColor(Qt::white));
    // The margins' dotted silver rectangle, an inch (24 pixels) inside the page.
    int silver = 0;
    for (int y = 68 + 24; y < 68 + 240; ++y)
        silver += box.pixelColor(48 + 24, y) == QColor(192, 192, 192);
    EXPECT_GT(silver, 40);
    EXPECT_LT(silver, 216);
}

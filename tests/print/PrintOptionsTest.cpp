#include "print/PrintFixture.h"

#include <QPushButton>

using namespace velvo;
using namespace velvo::testing;
using print::TF_IMPRESSAO;

TEST(PrintPlacement, FitsTheSheetToThePageAndDividesItBySize) {
    // Landscape 6600 x 5100: fitted to the height, 6800 x 5100.
    EXPECT_EQ(TF_IMPRESSAO::PrintRect({400, 300}, {6600, 5100}, 3), QRect(100, 100, 3400, 2550));
    EXPECT_EQ(TF_IMPRESSAO::PrintRect({400, 300}, {6600, 5100}, 4), QRect(100, 100, 4250, 3188));
    EXPECT_EQ(TF_IMPRESSAO::PrintRect({400, 300}, {6600, 5100}, 5), QRect(100, 100, 5667, 4250));
    // A page taller than wide is fitted to its width: 5100 x 3825, halved (1912.5 to even).
    EXPECT_EQ(TF_IMPRESSAO::PrintRect({400, 300}, {5100, 6600}, 3), QRect(100, 100, 2550, 1912));
    // A wide sheet would run 11333 pixels past (100, 100): shrunk to the page, proportions kept.
    EXPECT_EQ(TF_IMPRESSAO::PrintRect({800, 300}, {6600, 5100}, 5), QRect(100, 100, 6500, 2438));
    EXPECT_EQ(print::FitInside({200, 200, 100, 400}, {0, 0, 1000, 500}), QRect(200, 200, 75, 300));

    EXPECT_EQ(TF_IMPRESSAO::MiniatureRect({400, 300}, 3), QRect(QPoint(300, 300), QSize(900, 600)));
    EXPECT_EQ(TF_IMPRESSAO::MiniatureRect({400, 300}, 5),
              QRect(QPoint(225, 225), QSize(1775, 1275)));
    EXPECT_TRUE(TF_IMPRESSAO::MiniatureRect({90, 300}, 3).isEmpty());
}

TEST_F(PrintTest, MiniatureSpansTheSizeTableCornersAndKeepsTheSize) {
    setSheet({400, 300});
    EXPECT_EQ(printer.Orientation(), platform::PrinterOrientation::Landscape);
    options->FormActivate();
    ASSERT_EQ(options->PP_IMPRESSAO->PageCount(), 1);
    EXPECT_EQ(options->PP_IMPRESSAO->ZoomPercent(), 25);
    QImage page = replay(options->PP_IMPRESSAO->Page(1));
    EXPECT_EQ(page.size(), QSize(3300, 2550));
    EXPECT_EQ(page.pixelColor(299, 299), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(300, 300), QColor(Qt::red));
    EXPECT_EQ(page.pixelColor(1199, 899), QColor(Qt::blue));
    EXPECT_EQ(page.pixelColor(1200, 900), QColor(Qt::white));

    options->SpeedButton3Click();
    EXPECT_EQ(options->SizeCode, 5);
    options->FormActivate();
    page = replay(options->PP_IMPRESSAO->Page(1));
    EXPECT_EQ(page.pixelColor(224, 224), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(225, 225), QColor(Qt::red));
    EXPECT_EQ(page.pixelColor(1999, 1499), QColor(Qt::blue));
    EXPECT_EQ(page.pixelColor(2000, 1500), QColor(Qt::white));
}

TEST_F(PrintTest, GreenIsSeeThroughOnTheMiniatureOnly) {
    setSheet({400, 300});
    QImage sheet = main->PictureView1->Image();
    QPainter(&sheet).fillRect(150, 100, 100, 100, QColor(0, 255, 0));
    main->PictureView1->SetImage(sheet);
    options->FormActivate();
    // Sheet (200, 150) is at 300 + 2.25 x (200, 150) on the miniature.
    const QImage page = replay(options->PP_IMPRESSAO->Page(1));
    EXPECT_EQ(page.pixelColor(750, 637), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(400, 637), QColor(Qt::red));

    dialogs.printAnswers = {true};
    options->BitBtn2Click();
    ASSERT_EQ(printer.jobs, 1);
    // Size "1" on 3300 x 2550: 1700 x 1275 at (100, 100), 4.25 printer pixels a sheet pixel.
    EXPECT_EQ(printer.page.pixelColor(100 + 850, 100 + 637), QColor(0, 255, 0));
}

TEST_F(PrintTest, PrintsTheSheetLandscapeAtItsSizeAfterTheDialog) {
    setSheet({400, 300});
    printer.SetOrientation(platform::PrinterOrientation::Portrait);
    options->BitBtn2Click(); // cancelled
    EXPECT_EQ(printer.jobs, 0);
    EXPECT_EQ(dialogs.printCalls, 1);

    dialogs.printAnswers = {true};
    options->BitBtn2Click();
    ASSERT_EQ(printer.jobs, 1);
    EXPECT_EQ(printer.Orientation(), platform::PrinterOrientation::Landscape);
    const QImage& page = printer.page;
    ASSERT_EQ(page.size(), QSize(3300, 2550));
    // 400 x 300 fitted to 2550 high is 3400 x 2550; size "1" halves it: 1700 x 1275.
    EXPECT_EQ(page.pixelColor(99, 99), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(101, 101), QColor(Qt::red));
    EXPECT_EQ(page.pixelColor(1798, 1373), QColor(Qt::blue));
    EXPECT_EQ(page.pixelColor(1801, 1376), QColor(Qt::white));
}

TEST_F(PrintTest, EscapeWithThePrintButtonFocusedCloses) {
    options->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(options.get()));
    options->BitBtn2->setFocus();
    QTest::keyClick(options->BitBtn2, Qt::Key_Escape);
    EXPECT_FALSE(options->isVisible());
}

TEST_F(PrintTest, DirectPrintPlacesTwiceTheDocumentAtTwoHundredOnAPortraitPage) {
    platform::ImagePrinter large(QSize(5100, 6600), 600);
    platform::Printer::setInstance(&large);
    large.SetOrientation(platform::PrinterOrientation::Landscape);
    document::TF_FILHO* doc = openSolid("p.bmp", QColor(200, 40, 60), {640, 480});
    ASSERT_EQ(doc->size(), QSize(640, 480));

    main->Imprimir1Click(); // cancelled: the picture is captured, nothing printed
    EXPECT_EQ(main->PictureView1->Image().size(), QSize(640, 480));
    EXPECT_EQ(large.jobs, 0);

    dialogs.printAnswers = {true};
    main->Imprimir1Click();
    platform::Printer::setInstance(&printer);
    ASSERT_EQ(large.jobs, 1);
    EXPECT_EQ(large.Orientation(), platform::PrinterOrientation::Portrait);
    const QImage& page = large.page;
    ASSERT_EQ(page.size(), QSize(5100, 6600));
    EXPECT_EQ(page.pixelColor(199, 199), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(201, 201), QColor(200, 40, 60));
    EXPECT_EQ(page.pixelColor(1478, 1158), QColor(200, 40, 60));
    EXPECT_EQ(page.pixelColor(1481, 1161), QColor(Qt::white));
}

TEST_F(PrintTest, PrintCommandsWithoutADocumentSayAPhotoMustBeOpened) {
    main->Imprimir1Click();
    main->PrintPreview1Click();
    ASSERT_EQ(messages.shown.size(), 2);
    for (const auto& shown : messages.shown)
        EXPECT_EQ(shown.text, QString::fromUtf8("É preciso abrir uma foto primeiro!"));
    EXPECT_EQ(dialogs.printCalls, 0);
    EXPECT_FALSE(preview2->isVisible());
}

// The choice made in "Configurar Impressora" is the one both print paths use: one printer.
TEST_F(PrintTest, PrinterSetUpChoiceHoldsForBothPrintPaths) {
    platform::QtPrinterDevice pdf(folder + "choice.pdf");
    platform::Printer::setInstance(&pdf);
    pdf.QtPrinter()->setResolution(150);
    dialogs.pageSetupAnswers = {true};
    dialogs.chooseSetup = [](platform::Printer& p) {
        p.QtPrinter()->setPageSize(QPageSize(QPageSize::A5));
    };
    QList<QPageSize::PageSizeId> used;
    dialogs.choosePrint = [&](platform::Printer& p) {
        used << p.QtPrinter()->pageLayout().pageSize().id();
    };
    main->ConfigurarImpressora1Click();

    openSolid("p.bmp", Qt::darkCyan);
    dialogs.printAnswers = {true, true};
    main->Imprimir1Click();
    setSheet({400, 300});
    options->BitBtn2Click();
    platform::Printer::setInstance(&printer);

    ASSERT_EQ(dialogs.printPrinters.size(), 2);
    EXPECT_EQ(dialogs.pageSetupPrinters.value(0), &pdf);
    EXPECT_EQ(dialogs.printPrinters[0], &pdf);
    EXPECT_EQ(dialogs.printPrinters[1], &pdf);
    ASSERT_EQ(used.size(), 2);
    EXPECT_EQ(used[0], QPageSize::A5);
    EXPECT_EQ(used[1], QPageSize::A5);
    EXPECT_GT(QFileInfo(folder + "choice.pdf").size(), 0);
}

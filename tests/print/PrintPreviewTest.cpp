#include "print/PrintFixture.h"

#include "app/ProgramBlock.h"
#include "pixel/TPixelDisplay.h"

using namespace velvo;
using namespace velvo::testing;

namespace {
QColor colourOf(int i) {
    return QColor(20 * i + 10, 200 - 15 * i, 40 + 10 * i);
}
QColor centreOf(const QImage& image) {
    return image.pixelColor(image.width() / 2, image.height() / 2);
}
} // namespace

TEST(ImageAspect, FitsThePictureCentredAndFollowsItsSizeUntilSizedByHand) {
    EXPECT_EQ(TImageAspect::TargetRect(185, 257, 640, 480), QRect(0, 59, 185, 138));
    EXPECT_EQ(TImageAspect::TargetRect(185, 257, 300, 600), QRect(28, 0, 128, 257));

    TImageAspect cell;
    EXPECT_EQ(cell.size(), QSize(32, 32));
    cell.show(); // a hidden control hears of its new size only when shown
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(Qt::red);
    cell.SetPicture(picture);
    EXPECT_EQ(cell.size(), QSize(640, 480));
    cell.resize(185, 257);
    EXPECT_FALSE(cell.AutoSize());
    cell.SetBitmap(QImage(50, 50, QImage::Format_RGB32));
    EXPECT_EQ(cell.size(), QSize(185, 257));

    cell.SetBitmap(picture);
    QImage shown(185, 257, QImage::Format_RGB32);
    shown.fill(Qt::white);
    cell.render(&shown, {}, {}, QWidget::DrawChildren);
    EXPECT_EQ(shown.pixelColor(92, 58), QColor(Qt::white));
    EXPECT_EQ(shown.pixelColor(92, 59), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(92, 196), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(92, 197), QColor(Qt::white));
}

TEST_F(PrintTest, TenDocumentsFillTheEightCellsInFrameOrder) {
    for (int i = 0; i < 10; ++i)
        openSolid(QString("p%1.bmp").arg(i), colourOf(i));
    main->PrintPreview1Click();

    EXPECT_TRUE(preview2->isVisible());
    EXPECT_FALSE(preview->isVisible());
    for (int n = 1; n <= 8; ++n) {
        ASSERT_NE(preview->Cell(n), nullptr);
        EXPECT_EQ(centreOf(preview->Cell(n)->Picture()), colourOf(n - 1)) << n;
        pixel::TPixelDisplay* cell = preview2->Cell(n);
        ASSERT_NE(cell, nullptr);
        ASSERT_NE(cell->Bitmap(), nullptr) << n;
        EXPECT_EQ(cell->DrawStyle(), pixel::TPixelDisplay::dsResize);
        EXPECT_TRUE(cell->BilinearResize());
        EXPECT_EQ(centreOf(cell->grab().toImage()), colourOf(n - 1)) << n;
    }
    // The scratch view holds the last document gathered, the eighth.
    EXPECT_EQ(centreOf(main->PictureView1->Image()), colourOf(7));
    // The sheet holds all eight cells, 185 x 257 each, two rows of four.
    const QImage sheet = preview->Sheet();
    EXPECT_EQ(sheet.size(), QSize(778, 537));
    EXPECT_EQ(sheet.pixelColor(585 + 92, 8 + 128), colourOf(3));
    EXPECT_EQ(sheet.pixelColor(584 + 92, 272 + 128), colourOf(7));
}

TEST_F(PrintTest, LaterPreviewWithFewerDocumentsKeepsTheEarlierCells) {
    for (int i = 0; i < 3; ++i)
        openSolid(QString("p%1.bmp").arg(i), colourOf(i));
    main->PrintPreview1Click();
    main->Fechar1Click();
    main->Fechar1Click();
    flushDeletes();
    ASSERT_EQ(main->Documents().size(), 1);
    main->PrintPreview1Click();
    const QColor kept = centreOf(main->Documents()[0]->CompositeImage());
    EXPECT_EQ(centreOf(preview->Cell(1)->Picture()), kept);
    EXPECT_EQ(centreOf(preview2->Cell(1)->grab().toImage()), kept);
    for (int n = 2; n <= 3; ++n) {
        EXPECT_EQ(centreOf(preview->Cell(n)->Picture()), colourOf(n - 1)) << n;
        EXPECT_EQ(centreOf(preview2->Cell(n)->grab().toImage()), colourOf(n - 1)) << n;
    }

    preview2->Sair1Click();
    EXPECT_FALSE(preview2->isVisible());
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(preview2->Cell(n)->Bitmap(), nullptr) << n;
    EXPECT_EQ(centreOf(preview->Cell(3)->Picture()), colourOf(2));
}

TEST_F(PrintTest, SheetCellsFitTheirPicturesAndTheSheetGoesOutWithAWhiteEdge) {
    openSolid("wide.bmp", Qt::red, {640, 480});
    main->PrintPreview1Click();
    // Cell 1 at (8, 8): the 640 x 480 picture is 185 x 138 from 59 down.
    QImage sheet = preview->Sheet();
    EXPECT_EQ(sheet.pixelColor(8 + 92, 8 + 58), QColor(Qt::white));
    EXPECT_EQ(sheet.pixelColor(8 + 92, 8 + 59), QColor(Qt::red));

    // With a cell moved onto the window's edge, the sheet's edge would not be white.
    preview->Cell(1)->move(0, 0);
    preview2->Imprimir1Click();
    const QImage& printed = main->PictureView1->Image();
    EXPECT_EQ(printed.pixelColor(92, 59), QColor(Qt::red));
    EXPECT_EQ(printed.pixelColor(92, 0), QColor(Qt::white));
    EXPECT_EQ(printed.pixelColor(0, 100), QColor(Qt::white));
    EXPECT_EQ(printed.pixelColor(1, 100), QColor(Qt::red));
    EXPECT_TRUE(options->isVisible());
    EXPECT_EQ(options->PP_IMPRESSAO->PageCount(), 1);
}

TEST_F(PrintTest, EscapeEmptiesThePreviewButClosingByTheFrameDoesNot) {
    openSolid("p.bmp", Qt::green);
    main->PrintPreview1Click();
    preview2->close();
    EXPECT_NE(preview2->Cell(1)->Bitmap(), nullptr);
    preview2->show();
    preview2->FormKeyDown(Qt::Key_Escape);
    EXPECT_FALSE(preview2->isVisible());
    EXPECT_EQ(preview2->Cell(1)->Bitmap(), nullptr);
}

TEST(PrintWindows, ProgramBlockMakesThemHiddenAndFreesThemBeforeTheMainWindow) {
    QTemporaryDir dir;
    platform::RecordingMessages messages;
    platform::Messages::setInstance(&messages);
    platform::ImagePrinter printer(QSize(2550, 3300), 300);
    platform::Printer::setInstance(&printer);
    auto windows = app::CreateProgramWindows(dir.path());
    ASSERT_NE(windows->F_PREVIEW, nullptr);
    EXPECT_EQ(print::F_PREVIEW, windows->F_PREVIEW.get());
    EXPECT_EQ(print::F_IMPRESSAO, windows->F_IMPRESSAO.get());
    EXPECT_EQ(print::F_PREVIEW2, windows->F_PREVIEW2.get());
    EXPECT_FALSE(print::F_PREVIEW2->isVisible());
    EXPECT_FALSE(print::F_IMPRESSAO->isVisible());
    // The print options window turned the printer's page landscape as it was made.
    EXPECT_EQ(printer.Orientation(), platform::PrinterOrientation::Landscape);
    windows.reset();
    EXPECT_EQ(print::F_PREVIEW2, nullptr);
    EXPECT_EQ(print::F_IMPRESSAO, nullptr);
    EXPECT_EQ(print::F_PREVIEW, nullptr);
    EXPECT_TRUE(messages.shown.isEmpty());
    platform::Printer::setInstance(nullptr);
    platform::Messages::setInstance(nullptr);
}

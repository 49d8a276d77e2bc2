#include <QAction>
#include <QFileInfo>
#include <QTabWidget>
#include <QToolButton>

#include "app/StudioFixture.h"
#include "imaging/TPictureGrid.h"
#include "library/TF_THUMBS.h"

namespace velvo::testing {
namespace {

using library::TF_THUMBS;

const imaging::Bgr kFirst{30, 60, 200};
const imaging::Bgr kFifth{200, 40, 40};

// The main window with its library browser, as the program block makes them.
class HairstyleChoice : public StudioTest {
protected:
    void SetUp() override {
        StudioTest::SetUp();
        browser = std::make_unique<TF_THUMBS>(main.get());
    }
    void TearDown() override {
        browser.reset();
        StudioTest::TearDown();
    }
    void waitForBrowser() {
        ASSERT_TRUE(QTest::qWaitForWindowActive(browser.get()));
        QCoreApplication::processEvents();
    }
    imaging::TPictureGrid* grid(int category) const {
        return browser->PictureGrid[size_t(category)];
    }
    void pick(int category, int index) {
        imaging::TPictureGrid* g = grid(category);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->CellRect(index).center());
    }
    QString writeLibraryHair(const QString& label, int category, const QString& name,
                             imaging::Bgr colour) {
        const QString file =
            folder + label + "/" + QString::fromUtf8(kCategories[category]) + "/" + name;
        writeBytes(file, imaging::encodeGif(hairstyle(10, 8, colour)));
        return file;
    }
    // The colour in the middle of a document's overlay picture.
    static QColor hairColour(const document::TF_FILHO* doc) {
        const QImage& picture = doc->Image2->Picture();
        return picture.pixelColor(picture.width() / 2, picture.height() / 2);
    }

    std::unique_ptr<TF_THUMBS> browser;
};

TEST_F(HairstyleChoice, LongLightButtonOpensTheBrowserOnItsTabFilledFromTheDefaultLibrary) {
    writeLibraryHair("Velvo5", 4, "1.GIF", kFirst);
    writeLibraryHair("Velvo5", 4, "2.GIF", kFirst);
    writeLibraryHair("Velvo5", 0, "1.GIF", kFirst);
    ASSERT_FALSE(browser->isVisible());
    main->Button("BT_LC")->click();
    waitForBrowser();
    EXPECT_TRUE(browser->isVisible());
    EXPECT_EQ(main->CategoryText, "4");
    EXPECT_EQ(browser->PageControl1->currentIndex(), 5);
    EXPECT_EQ(browser->PageControl1->tabText(5), "Longos/Claros");
    ASSERT_EQ(grid(4)->ImageCount(), 2);
    EXPECT_EQ(grid(4)->GetImageFileName(1), folder + "Velvo5/Longos e Claros/2.GIF");
    EXPECT_EQ(grid(0)->ImageCount(), 0);

    // The photo button, then a category button: the category follows the last one pressed.
    main->BT_ThumbsClick();
    EXPECT_EQ(main->CategoryText, "7");
    EXPECT_EQ(browser->PageControl1->currentIndex(), 0);
    main->BT_MClick();
    EXPECT_EQ(main->CategoryText, "6");
    EXPECT_EQ(browser->PageControl1->currentIndex(), 7);
}

TEST_F(HairstyleChoice, PickingZeroFiveInsertsHairstyleFive) {
    writeLibraryHair("Velvo5", 2, "1.GIF", kFirst);
    writeLibraryHair("Velvo5", 2, "05.GIF", kFirst);
    writeLibraryHair("Velvo5", 2, "5.GIF", kFifth);
    writeHair(0, 1, hairstyle(10, 8, kFirst));
    document::TF_FILHO* photo = openPhoto(writePhoto("client.bmp", solid(80, 60, {9, 9, 9})));
    main->BT_MCClick();
    waitForBrowser();
    ASSERT_EQ(grid(2)->GetImageFileName(1), folder + "Velvo5/Médios e Claros/05.GIF");
    pick(2, 1);
    EXPECT_EQ(browser->HairNumber, "05");
    EXPECT_EQ(main->PendingHairstyleId, "05");
    ASSERT_EQ(main->Documents().size(), 2);
    const document::TF_FILHO* doc = main->Documents().back();
    EXPECT_NE(doc, photo);
    EXPECT_EQ(doc->HairNumber, 5);
    EXPECT_EQ(doc->lblTipo->text(), "2");
    EXPECT_EQ(hairColour(doc), rgb(kFifth));
    EXPECT_TRUE(doc->Image2->isVisible());
    EXPECT_FALSE(main->InsertMode);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(HairstyleChoice, TheGridDecidesTheCategoryNotTheButton) {
    writeLibraryHair("Velvo5", 6, "1.GIF", kFifth);
    writeHair(0, 1, hairstyle(10, 8, kFirst));
    openPhoto(writePhoto("client.bmp", solid(80, 60, {9, 9, 9})));
    main->BT_CCClick();
    waitForBrowser();
    browser->PageControl1->setCurrentIndex(7); // the user turns to "Masculinos"
    ASSERT_EQ(grid(6)->ImageCount(), 1);
    pick(6, 0);
    EXPECT_EQ(main->CategoryText, "6");
    ASSERT_EQ(main->Documents().size(), 2);
    EXPECT_EQ(main->Documents().back()->lblTipo->text(), "6");
    EXPECT_EQ(hairColour(main->Documents().back()), rgb(kFifth));
}

TEST_F(HairstyleChoice, SwitchingViewerEmptiesTheGridsAndReadsTheOtherLibrary) {
    writeLibraryHair("Velvo5", 0, "1.GIF", kFirst);
    writeLibraryHair("Velvo5", 1, "1.GIF", kFirst);
    for (const char* name : {"1.GIF", "2.GIF", "3.GIF"})
        writeLibraryHair("Velvo42", 0, name, kFifth);
    main->BT_CEClick();
    waitForBrowser();
    main->BT_CCClick();
    ASSERT_EQ(grid(0)->ImageCount(), 1);
    ASSERT_EQ(grid(1)->ImageCount(), 1);

    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    main->Visualizador42Click();
    EXPECT_EQ(main->LibraryLabel, "Velvo42");
    EXPECT_EQ(main->CategoryText, "7");
    EXPECT_TRUE(main->Action("Visualizador42")->isChecked());
    EXPECT_FALSE(main->Action("Visualizador50")->isChecked());
    EXPECT_EQ(browser->windowTitle(), "Viewer Plumes Collection I");
    for (int category = 0; category < 7; ++category)
        EXPECT_EQ(grid(category)->ImageCount(), 0) << category;
    waitForBrowser();
    // The page last shown is read again, from the other library; the others wait.
    ASSERT_EQ(grid(0)->ImageCount(), 3);
    EXPECT_EQ(grid(0)->GetImageFileName(2), folder + "Velvo42/Curtos e Claros/3.GIF");
    EXPECT_EQ(grid(1)->ImageCount(), 0);

    main->Visualizador50Click();
    EXPECT_EQ(main->LibraryLabel, "Velvo5");
    EXPECT_EQ(browser->windowTitle(), "Viewer Velvo 5.0");
    EXPECT_TRUE(main->Action("Visualizador50")->isChecked());
    QCoreApplication::processEvents();
    EXPECT_EQ(grid(0)->ImageCount(), 1);
}

TEST_F(HairstyleChoice, PickingTwiceGivesTwoWindowsAndOnlyRelabelsThePhoto) {
    writeLibraryHair("Velvo5", 0, "1.GIF", kFirst);
    writeLibraryHair("Velvo5", 0, "2.GIF", kFifth);
    writeLibraryHair("Velvo42", 0, "1.GIF", kFifth);
    writeLibraryHair("Velvo42", 0, "2.GIF", kFirst);
    document::TF_FILHO* photo = openPhoto(writePhoto("client.bmp", solid(80, 60, {9, 9, 9})));
    ASSERT_EQ(photo->Hair->text(), "Velvo5");
    // The other library, chosen after the photo was opened, labels the photo at the pick.
    main->Visualizador42Click();
    main->BT_CCClick();
    waitForBrowser();
    pick(0, 1);
    pick(0, 1);
    ASSERT_EQ(main->Documents().size(), 3);
    EXPECT_EQ(main->Documents()[1]->HairNumber, 2);
    EXPECT_EQ(main->Documents()[2]->HairNumber, 2);
    EXPECT_EQ(main->Documents()[1]->Hair->text(), "Velvo42");
    EXPECT_EQ(hairColour(main->Documents()[1]), rgb(kFirst));
    EXPECT_EQ(main->Documents()[2]->lblFilename->text(), photo->lblFilename->text());
    EXPECT_EQ(photo->HairNumber, 1);
    EXPECT_FALSE(photo->Image2->isVisible());
    EXPECT_EQ(photo->Hair->text(), "Velvo42");

    // Home on the grid chooses, and inserts, the first hairstyle.
    grid(0)->setFocus();
    QTest::keyClick(grid(0), Qt::Key_Home);
    ASSERT_EQ(main->Documents().size(), 4);
    EXPECT_EQ(main->Documents()[3]->HairNumber, 1);
}

TEST_F(HairstyleChoice, InsertionKeepsTheOldOverlayPlaceViewAndZoomEvenWhenHidden) {
    writeHair(3, 1, hairstyle(10, 8, kFirst));
    writeHair(3, 2, hairstyle(10, 8, kFifth));
    const QString photo = writePhoto("client.bmp", solid(900, 900, {9, 9, 9}));
    main->CategoryText = "3";
    document::TF_FILHO* old = insert(photo, "1", -15, 40, 150, 20, 30);
    ASSERT_EQ(old->Image2->pos(), QPoint(-15, 40));
    main->ApagarCabelo1Click();
    EXPECT_FALSE(old->Image2->isVisible());
    EXPECT_TRUE(main->BT_SCROLL->isChecked());

    main->InsertHairstyle("2");
    ASSERT_EQ(main->Documents().size(), 2);
    const document::TF_FILHO* doc = main->Documents().back();
    EXPECT_EQ(doc->Image2->pos(), QPoint(-15, 40));
    EXPECT_TRUE(doc->Image2->isVisible());
    EXPECT_EQ(doc->Image1->Zoom(), 150);
    EXPECT_EQ(doc->Image1->ViewX(), old->Image1->ViewX());
    EXPECT_EQ(doc->Image1->ViewY(), old->Image1->ViewY());
    EXPECT_EQ(doc->HairNumber, 2);
    EXPECT_EQ(doc->lblTipo->text(), "3");

    // "&Inserir" shows the hidden overlay again, with its picture and place.
    main->MdiArea->setActiveSubWindow(old->SubWindow());
    main->Inserir1Click();
    EXPECT_TRUE(old->Image2->isVisible());
    EXPECT_EQ(old->Image2->pos(), QPoint(-15, 40));
    EXPECT_EQ(hairColour(old), rgb(kFirst));
}

TEST_F(HairstyleChoice, InsertingWithoutADocumentShowsThePlainMessage) {
    main->InsertHairstyle("1");
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, QString::fromUtf8("É preciso abrir uma foto primeiro!"));
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::None);
    EXPECT_TRUE(main->Documents().isEmpty());
    EXPECT_FALSE(main->InsertMode);
}

TEST_F(HairstyleChoice, ClosingTheMainWindowClosesTheBrowser) {
    main->BT_ThumbsClick();
    waitForBrowser();
    main->close();
    EXPECT_FALSE(browser->isVisible());
    EXPECT_EQ(library::F_THUMBS, browser.get());
}

} // namespace
} // namespace velvo::testing

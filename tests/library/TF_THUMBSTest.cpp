#include <QFileInfo>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>

#include "app/StudioFixture.h"
#include "imaging/TPictureGrid.h"
#include "library/TF_THUMBS.h"
#include "library/TThumbNail.h"
#include "library/TThumbview.h"

namespace velvo::testing {
namespace {

using library::TF_THUMBS;

const imaging::Bgr kHair{30, 60, 200};

class Browser : public StudioTest {
protected:
    void TearDown() override {
        browser.reset();
        StudioTest::TearDown();
    }
    TF_THUMBS& make() {
        browser = std::make_unique<TF_THUMBS>(main.get());
        return *browser;
    }
    // Shows the browser on `page` and lets its activation fill the page.
    void showOn(int page) {
        browser->SetActivePage(page);
        browser->ShowBrowser();
        ASSERT_TRUE(QTest::qWaitForWindowActive(browser.get()));
        QCoreApplication::processEvents();
    }
    void writeFile(int category, const QString& name, const std::vector<uint8_t>& bytes) {
        writeBytes(folder + "Velvo5/" + QString::fromUtf8(kCategories[category]) + "/" + name,
                   bytes);
    }
    QStringList listed(int category) const {
        QStringList names;
        const imaging::TPictureGrid* grid = browser->PictureGrid[size_t(category)];
        for (int i = 0; i < grid->ImageCount(); ++i)
            names << QFileInfo(grid->GetImageFileName(i)).fileName();
        return names;
    }
    // A move with no button down, as the pointer gliding over the grid gives.
    static void hover(imaging::TPictureGrid* grid, QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, grid->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &move);
    }
    void clickEntry(int category, int index) {
        imaging::TPictureGrid* grid = browser->PictureGrid[size_t(category)];
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(index).center());
    }

    std::unique_ptr<TF_THUMBS> browser;
};

TEST_F(Browser, ListsRealGifFilesIgnoringCaseInHairstyleNumberOrder) {
    const std::vector<uint8_t> gif = imaging::encodeGif(hairstyle(8, 8, kHair));
    for (const char* name : {"10.GIF", "2.GIF", "7.gif", "05.GIF", "abc.GIF", "Zeta.gif"})
        writeFile(0, name, gif);
    writeFile(0, "3.GIF", {'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't'});
    writeFile(0, "4.GIF", imaging::encodeBmp(hairstyle(8, 8, kHair))); // not a GIF inside
    writeFile(0, "3.bmp", gif);                                        // a GIF, wrong name
    writeFile(0, ".8.GIF", gif);                                       // hidden
    QDir().mkpath(folder + "Velvo5/Curtos e Claros/9.GIF");            // a folder
    make();
    EXPECT_EQ(browser->PageControl1->currentIndex(), 1) << "the first category tab at start";
    showOn(1);
    EXPECT_EQ(listed(0),
              QStringList({"2.GIF", "05.GIF", "7.gif", "10.GIF", "abc.GIF", "Zeta.gif"}));
    const imaging::TPictureGrid* grid = browser->PictureGrid[0];
    EXPECT_EQ(grid->GetImageFileName(0), folder + "Velvo5/Curtos e Claros/2.GIF");
    EXPECT_EQ(grid->ThumbWidth(), 100);
    EXPECT_EQ(grid->SelectionWidth(), 3);
    EXPECT_EQ(grid->MouseInteract(),
              imaging::TPictureGrid::miScroll | imaging::TPictureGrid::miSelect);
    EXPECT_EQ(browser->PictureGrid[1]->MouseInteract(), imaging::TPictureGrid::miSelect);
    EXPECT_EQ(browser->PictureGrid[1]->ImageCount(), 0) << "other tabs wait until shown";
}

TEST_F(Browser, AFilledTabIsNotReadAgainAndAMissingFolderIsTriedEachTime) {
    const std::vector<uint8_t> gif = imaging::encodeGif(hairstyle(8, 8, kHair));
    writeFile(0, "1.GIF", gif);
    make();
    showOn(1);
    ASSERT_EQ(listed(0), QStringList({"1.GIF"}));
    writeFile(0, "2.GIF", gif);
    browser->PageControl1->setCurrentIndex(2); // the user changes tabs: category 1 has no folder
    EXPECT_EQ(browser->PictureGrid[1]->ImageCount(), 0);
    browser->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(listed(0), QStringList({"1.GIF"}));
    writeFile(1, "4.GIF", gif);
    browser->PageControl1->setCurrentIndex(2);
    EXPECT_EQ(listed(1), QStringList({"4.GIF"}));
}

TEST_F(Browser, HairstyleNumberRule) {
    EXPECT_EQ(TF_THUMBS::HairNumberOf("7.GIF"), "7");
    EXPECT_EQ(TF_THUMBS::HairNumberOf("7.gif"), "7");
    EXPECT_EQ(TF_THUMBS::HairNumberOf("12.GIF"), "12");
    EXPECT_EQ(TF_THUMBS::HairNumberOf("05.GIF"), "05");
    EXPECT_EQ(TF_THUMBS::HairNumberOf("abc.GIF"), "abc");
    QStringList names{"b.GIF", "10.GIF", "5.GIF", "A.GIF", "05.GIF", "9.GIF", "0.GIF"};
    TF_THUMBS::SortByHairstyleNumber(names);
    EXPECT_EQ(names,
              QStringList({"0.GIF", "05.GIF", "5.GIF", "9.GIF", "10.GIF", "A.GIF", "b.GIF"}));
}

// Records, with every box, the cursor the application showed while it was up.
struct CursorAtMessages : platform::RecordingMessages {
    QList<Qt::CursorShape> cursors;
    int show(const QString& caption, const QString& text, platform::MessageIcon icon,
             int buttons) override {
        const QCursor* over = QGuiApplication::overrideCursor();
        cursors << (over ? over->shape() : Qt::ArrowCursor);
        return RecordingMessages::show(caption, text, icon, buttons);
    }
};

TEST_F(Browser, ChoosingWithoutAPhotoShowsTheMessageUnderTheHourglassAndInsertsNothing) {
    writeFile(0, "1.GIF", imaging::encodeGif(hairstyle(8, 8, kHair)));
    make();
    showOn(1);
    CursorAtMessages shown;
    platform::Messages::setInstance(&shown);
    clickEntry(0, 0);
    platform::Messages::setInstance(&messages);
    ASSERT_EQ(shown.shown.size(), 1);
    EXPECT_EQ(shown.shown[0].caption, "VELVO");
    EXPECT_EQ(shown.shown[0].text, QString::fromUtf8("Abra uma foto e depois escolha um cabelo!"));
    EXPECT_EQ(shown.shown[0].icon, platform::MessageIcon::Information);
    EXPECT_EQ(shown.cursors, QList<Qt::CursorShape>({Qt::WaitCursor}));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the default cursor afterwards";
    EXPECT_TRUE(main->Documents().isEmpty());
    EXPECT_EQ(browser->ChosenFile, folder + "Velvo5/Curtos e Claros/1.GIF");
    EXPECT_TRUE(browser->isVisible()) << "the browser stays open";
}

TEST_F(Browser, HoveringACellShowsItsPathAndAGapLeavesTheCaption) {
    writeFile(0, "1.GIF", imaging::encodeGif(hairstyle(8, 8, kHair)));
    writeFile(0, "2.GIF", imaging::encodeGif(hairstyle(8, 8, kHair)));
    make();
    showOn(1);
    EXPECT_EQ(browser->windowTitle(), "Viewer");
    imaging::TPictureGrid* grid = browser->PictureGrid[0];
    hover(grid, grid->CellRect(1).center());
    const QString shown = "Viewer - " + folder + "Velvo5/Curtos e Claros/2.GIF";
    EXPECT_EQ(browser->windowTitle(), shown);
    hover(grid, QPoint(grid->CellRect(1).left() - 2, 50)); // the gap between the two
    EXPECT_EQ(browser->windowTitle(), shown);
    hover(grid, grid->CellRect(0).center());
    EXPECT_EQ(browser->windowTitle(), "Viewer - " + folder + "Velvo5/Curtos e Claros/1.GIF");
}

TEST_F(Browser, EscapeHidesTheBrowserFromAnyTab) {
    make();
    for (int page : {0, 3, 7}) {
        showOn(page);
        ASSERT_TRUE(browser->isVisible());
        QWidget* target = page == 0 ? static_cast<QWidget*>(browser->Thumbview1)
                                    : browser->PictureGrid[size_t(page - 1)];
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_FALSE(browser->isVisible()) << page;
    }
    EXPECT_EQ(library::F_THUMBS, browser.get()) << "hidden, not destroyed";
}

TEST_F(Browser, PhotoTabOpensTheClickedPhotoAsANewDocument) {
    const QString photo = writePhoto("Cliente.bmp", solid(60, 40, {10, 120, 30}));
    writeHair(0, 1, hairstyle(8, 8, kHair));
    make();
    main->CategoryText = "7";
    showOn(0);
    // The folder is read on the view's first paint.
    for (int i = 0; i < 50 && browser->Thumbview1->Count() == 0; ++i)
        QTest::qWait(10);
    ASSERT_EQ(browser->Thumbview1->Count(), 1);
    EXPECT_EQ(browser->Thumbview1->CellWidth(), 100);

    // The empty background selects nothing and opens nothing.
    QTest::mouseClick(browser->Thumbview1->viewport(), Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_TRUE(main->Documents().isEmpty());

    QTest::mouseClick(browser->Thumbview1->viewport(), Qt::LeftButton, {}, QPoint(54, 54));
    ASSERT_EQ(main->Documents().size(), 1);
    const document::TF_FILHO* doc = main->Documents().front();
    EXPECT_EQ(doc->lblFilename->text(), photo);
    EXPECT_EQ(doc->lblTipo->text(), "0");
    EXPECT_EQ(doc->Image1->Image().size(), QSize(60, 40));
    EXPECT_EQ(browser->ChosenFile, photo);
    EXPECT_EQ(main->CategoryText, "0");
    EXPECT_FALSE(main->OpenMode);
    EXPECT_TRUE(main->BT_SCROLL->isChecked());
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(Browser, TranslatesItsCaptionAndTabsFromTheProgramFolder) {
    const std::string file = "[Translations]\nF_THUMBS.CAPTION=Browser\n"
                             "f_thumbs.tabsheet6.caption=Long/Light\n";
    writeBytes(folder + "language.lng", {file.begin(), file.end()});
    make();
    EXPECT_EQ(browser->windowTitle(), "Browser");
    EXPECT_EQ(browser->PageControl1->tabText(5), "Long/Light");
    EXPECT_EQ(browser->PageControl1->tabText(0), "Fotos");
    EXPECT_EQ(browser->PageControl1->tabText(3), QString::fromUtf8("Médios/Claros"));
}

} // namespace
} // namespace velvo::testing

// The four tools, the grip as the resize tool uses it, and the view and overlay commands.
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QToolButton>
#include <memory>
#include <vector>

#include "app/StudioFixture.h"
#include "document/TResizeGrip.h"
#include "platform/Cursors.h"
#include "ui/TGradPan.h"

namespace velvo::testing {
namespace {

class Tools : public StudioTest {
protected:
    void SetUp() override {
        StudioTest::SetUp();
        photo = writePhoto("photo.bmp", solid(400, 500, {40, 60, 80}));
        writeHair(0, 1, hairstyle(8, 10, {0, 0, 200}));
        writeHair(0, 2, hairstyle(12, 12, {0, 200, 0}));
    }
    QString photo;
};

TEST_F(Tools, ScrollToolAfterASelectionClearsItAndRestoresTheScrollMode) {
    document::TF_FILHO* doc = insert(photo, "1", 5, 5);
    main->BT_LACO->click();
    EXPECT_TRUE(main->LassoActive);
    EXPECT_TRUE(doc->Image2->isHidden());
    EXPECT_EQ(doc->Image1->MouseInteract(), imaging::TPictureView::miSelect);
    EXPECT_FALSE(doc->PictureProc1->AutoUndo());
    doc->Image1->SetSelectionPoints(QPolygon({{10, 10}, {60, 10}, {30, 50}}));

    main->BT_SCROLL->click();
    EXPECT_FALSE(main->LassoActive);
    EXPECT_EQ(doc->Image1->SelectionPointCount(), 0);
    EXPECT_EQ(doc->Image1->MouseInteract(), imaging::TPictureView::miScroll);
    EXPECT_TRUE(doc->PictureProc1->AutoUndo());
    EXPECT_TRUE(main->BT_SCROLL->isChecked());
}

TEST_F(Tools, ZoomToolClicksAndZoomCommands) {
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    QTest::keyClick(main.get(), Qt::Key_F9);
    EXPECT_EQ(doc->Image1->Zoom(), 105);
    QTest::keyClick(main.get(), Qt::Key_F8);
    EXPECT_EQ(doc->Image1->Zoom(), 100);
    doc->Image1->SetZoom(5);
    main->Zoom1Click();
    EXPECT_EQ(doc->Image1->Zoom(), 5) << "zero is ignored";

    main->BT_ZOOM->click();
    EXPECT_EQ(doc->Image1->MouseInteract(), imaging::TPictureView::miNone);
    QTest::mouseClick(doc->Image1, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(doc->Image1->Zoom(), 10);
    QTest::mouseClick(doc->Image1, Qt::LeftButton, Qt::ControlModifier, QPoint(100, 100));
    EXPECT_EQ(doc->Image1->Zoom(), 11);
    QTest::mouseClick(doc->Image1, Qt::RightButton, {}, QPoint(100, 100));
    EXPECT_EQ(doc->Image1->Zoom(), 6);
    EXPECT_EQ(doc->Image1->cursor().pixmap().toImage(),
              platform::Cursors::instance().cursor(platform::crZoomOut).pixmap().toImage());
    // The tool itself shows the zoom-in cursor, so only a left click after a right one can
    // show that the click sets it.
    QTest::mouseClick(doc->Image1, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(doc->Image1->Zoom(), 11);
    EXPECT_EQ(doc->Image1->cursor().pixmap().toImage(),
              platform::Cursors::instance().cursor(platform::crZoomIn).pixmap().toImage());
}

TEST_F(Tools, ResizeStretchThenScrollBakesTheStretchedPicture) {
    document::TF_FILHO* doc = insert(photo, "1", 20, 30);
    main->BT_MOVE->click();
    ASSERT_TRUE(doc->SH1->Attached());
    EXPECT_EQ(doc->SH1->geometry(), QRect(18, 28, 13, 15));
    // Drag the frame to twice the overlay's size.
    doc->SH1->SetBounds(18, 28, 16 + 5, 20 + 5);
    EXPECT_EQ(doc->Image2->geometry(), QRect(20, 30, 16, 20));

    main->BT_SCROLL->click();
    EXPECT_FALSE(doc->SH1->Attached());
    EXPECT_FALSE(doc->SH1->isVisible());
    const QImage baked = doc->Image2->Picture();
    ASSERT_EQ(baked.size(), QSize(16, 20));
    EXPECT_EQ(at(baked, 0, 0), QColor(255, 255, 255));
    EXPECT_EQ(at(baked, 3, 3), QColor(255, 255, 255)) << "the 2-pixel margin doubled";
    EXPECT_EQ(at(baked, 4, 4), QColor(200, 0, 0));
    EXPECT_EQ(at(baked, 11, 15), QColor(200, 0, 0));
    EXPECT_EQ(at(baked, 12, 16), QColor(255, 255, 255));
    EXPECT_EQ(doc->L->text(), "20");

    // A second press keeps the stretched size on screen but starts from the library picture.
    doc->Image2->PictureForEdit().fill(Qt::black);
    main->Redimensionar1Click();
    EXPECT_TRUE(main->BT_SCROLL->isChecked()) << "the command does not press the item";
    EXPECT_EQ(doc->Image2->size(), QSize(16, 20));
    EXPECT_EQ(doc->Image2->Picture().size(), QSize(8, 10));
    EXPECT_EQ(at(doc->Image2->Picture(), 4, 4), QColor(200, 0, 0));
}

TEST_F(Tools, GripsOfTwoDocumentsAreIndependentAndKeysDetachThem) {
    document::TF_FILHO* first = insert(photo, "1", 0, 0);
    main->BT_MOVE->click();
    document::TF_FILHO* second = insert(photo, "2", 40, 40);
    ASSERT_EQ(main->ActiveDocument(), second);
    EXPECT_FALSE(first->SH1->Attached()) << "creating the second bakes the first";
    main->BT_MOVE->click();
    EXPECT_TRUE(second->SH1->Attached());
    EXPECT_EQ(second->SH1->parentWidget(), second->Image1);
    EXPECT_EQ(second->SH1->Children().value(0), second->Image2);

    second->FormKeyUp(Qt::Key_Up, {});
    EXPECT_FALSE(second->SH1->Attached());
    EXPECT_FALSE(second->SH1->isVisible());

    // A right press on the grip leaves resize mode through the scroll tool, which bakes.
    main->BT_MOVE->click();
    second->SH1->SetBounds(38, 38, 17 + 5, 17 + 5);
    QTest::mousePress(second->SH1, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_FALSE(second->SH1->Attached());
    EXPECT_TRUE(main->BT_SCROLL->isChecked());
    EXPECT_EQ(second->Image2->Picture().size(), QSize(17, 17));
}

TEST_F(Tools, OriginalSizeRestoresWindowZoomViewAndLibraryHairstyle) {
    document::TF_FILHO* doc = insert(photo, "1", 50, 60);
    doc->SubWindow()->resize(500, 450);
    doc->Image1->SetZoom(150);
    doc->Image1->SetViewX(40);
    doc->Image1->SetViewY(30);
    doc->Image2->PictureForEdit().fill(Qt::black);
    doc->Image2->resize(30, 30);

    main->tamanhoOriginal1Click();
    EXPECT_EQ(doc->size(), QSize(241, 313));
    EXPECT_EQ(doc->Image1->Zoom(), 100);
    EXPECT_EQ(doc->Image1->ViewX(), 0);
    EXPECT_EQ(doc->Image1->ViewY(), 0);
    EXPECT_EQ(doc->Image2->geometry(), QRect(0, 0, 8, 10));
    EXPECT_EQ(at(doc->Image2->Picture(), 4, 4), QColor(200, 0, 0));
    EXPECT_EQ(doc->L->text(), "0");
    EXPECT_EQ(doc->T->text(), "0");
}

TEST_F(Tools, ReplayStepsThroughTheCategoryAndWrapsToOne) {
    document::TF_FILHO* doc = insert(photo, "1", 7, 9, 120, 10, 20);
    main->Replay1Click();
    document::TF_FILHO* next = main->ActiveDocument();
    ASSERT_NE(next, doc);
    EXPECT_EQ(next->HairNumber, 2);
    EXPECT_EQ(next->Image2->pos(), QPoint(7, 9));
    EXPECT_EQ(next->Image1->Zoom(), 120);
    EXPECT_EQ(next->lblFilename->text(), photo);
    EXPECT_FALSE(main->ReplayMode);

    main->Replay1Click();
    EXPECT_EQ(main->ActiveDocument()->HairNumber, 1) << "past the last hairstyle";
    EXPECT_EQ(main->Documents().size(), 3);
}

TEST_F(Tools, FlipMirrorsTheShownOverlayOnlyAndNeverAHiddenOne) {
    imaging::Raster asymmetric = hairstyle(10, 6, {0, 0, 200});
    asymmetric.set(2, 2, {0, 200, 0});
    writeHair(0, 3, asymmetric);
    document::TF_FILHO* doc = insert(photo, "3", 0, 0);
    main->BT_ZOOM->click();

    main->Flip1Click();
    EXPECT_TRUE(main->BT_SCROLL->isChecked());
    EXPECT_EQ(at(doc->Image2->Picture(), 7, 2), QColor(0, 200, 0));
    EXPECT_EQ(at(doc->Image2->Picture(), 2, 2), QColor(200, 0, 0));
    EXPECT_EQ(at(doc->ImageAux2->Image(), 2, 2), QColor(0, 200, 0)) << "pristine copy kept";
    EXPECT_TRUE(doc->Image2->Transparent());
    EXPECT_FALSE(doc->Image2->isHidden());

    main->ApagarCabelo1Click();
    main->BT_ZOOM->click();
    main->Flip1Click();
    EXPECT_TRUE(main->BT_SCROLL->isChecked());
    EXPECT_EQ(at(doc->Image2->Picture(), 7, 2), QColor(0, 200, 0)) << "hidden: not flipped";
    EXPECT_TRUE(doc->Image2->isHidden());
}

TEST_F(Tools, UndoPutsThePhotoBackAndLeavesTheOverlay) {
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    doc->PictureProc1->SaveUndo();
    doc->PictureProc1->AdjustRgb(100, 0, 0);
    doc->Image2->PictureForEdit().fill(Qt::black);
    main->Undo1Click();
    EXPECT_EQ(at(doc->Image1->Image(), 3, 3), QColor(80, 60, 40));
    EXPECT_EQ(at(doc->Image2->Picture(), 3, 3), QColor(0, 0, 0));
}

TEST_F(Tools, ScrollToolAfterThePanelOpenedKeepsTheDocumentShownUntilThePanelCloses) {
    document::TF_FILHO* first = insert(photo, "1", 0, 0);
    document::TF_FILHO* second = insert(photo, "2", 0, 0);
    insert(photo, "1", 0, 0);
    main->MdiArea->setActiveSubWindow(second->SubWindow());
    main->BT_SLIDERSClick();
    EXPECT_TRUE(main->PanelOpened);
    EXPECT_TRUE(main->GradPan1->isVisible());

    main->MdiArea->setActiveSubWindow(first->SubWindow());
    // Each document's window states as the scroll tool goes through them.
    std::vector<std::unique_ptr<QSignalSpy>> states;
    for (document::TF_FILHO* doc : main->Documents())
        states.push_back(
            std::make_unique<QSignalSpy>(doc->SubWindow(), &QMdiSubWindow::windowStateChanged));
    const auto minimisedAndRestored = [](QSignalSpy& spy) {
        QList<bool> minimised;
        for (const QList<QVariant>& change : spy)
            minimised << change[1].value<Qt::WindowStates>().testFlag(Qt::WindowMinimized);
        spy.clear();
        return minimised;
    };
    main->BT_SCROLL->click();
    EXPECT_FALSE(main->GradPan1->isVisible());
    EXPECT_TRUE(main->PanelOpened) << "only the panel's own close button clears it";
    for (document::TF_FILHO* doc : main->Documents())
        EXPECT_FALSE(doc->SubWindow()->isMinimized());
    EXPECT_EQ(main->ActiveDocument(), first);
    EXPECT_EQ(minimisedAndRestored(*states[0]), (QList<bool>{true, false})) << "the active one";
    EXPECT_TRUE(minimisedAndRestored(*states[1]).isEmpty());
    EXPECT_TRUE(minimisedAndRestored(*states[2]).isEmpty());

    main->BT_SLIDERSClick();
    main->BitBtn21Click();
    EXPECT_FALSE(main->PanelOpened);
    EXPECT_FALSE(main->GradPan1->isVisible());
    EXPECT_TRUE(main->BT_SCROLL->isChecked());
    EXPECT_EQ(minimisedAndRestored(*states[0]), (QList<bool>{true, false}))
        << "closing the panel repaints the document it covered";
    main->BT_SCROLL->click();
    EXPECT_TRUE(minimisedAndRestored(*states[0]).isEmpty()) << "with the panel closed, no flicker";
}

TEST_F(Tools, EachToolSetsItsCursorOnThePhoto) {
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    const auto key = [](const QCursor& c) { return c.pixmap().toImage(); };
    const auto registered = [&](int id) { return key(platform::Cursors::instance().cursor(id)); };
    main->BT_ZOOM->click();
    EXPECT_EQ(key(doc->Image1->cursor()), registered(platform::crZoomIn));
    main->BT_LACO->click();
    EXPECT_EQ(key(doc->Image1->cursor()), registered(platform::crCross2));
    main->BT_MOVE->click();
    EXPECT_EQ(key(doc->Image1->cursor()), registered(platform::crHand));
    main->BT_ZOOM->click();
    main->BT_SCROLL->click();
    EXPECT_EQ(key(doc->Image1->cursor()), registered(platform::crHand));
}

} // namespace
} // namespace velvo::testing

#include <QMouseEvent>
#include <QToolButton>

#include "app/StudioFixture.h"
#include "document/TResizeGrip.h"
#include "platform/Cursors.h"

namespace velvo::testing {
namespace {

const imaging::Bgr kHair{30, 60, 200}; // b, g, r
const imaging::Bgr kPhoto{40, 120, 10};

class DocumentInput : public StudioTest {
protected:
    void SetUp() override {
        StudioTest::SetUp();
        photo = writePhoto("client.bmp", solid(300, 400, kPhoto));
        writeHair(1, 1, hairstyle(10, 10, kHair));
        writeHair(1, 2, hairstyle(12, 8, kHair));
        main->CategoryText = "1";
        doc = insert(photo, "1", 20, 30);
        ASSERT_TRUE(messages.shown.isEmpty());
    }
    void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyRelease(doc, Qt::Key(k), m);
    }
    void mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    QColor hairPixel() const { return doc->Image2->Picture().pixelColor(5, 5); }
    QColor cornerPixel() const { return doc->Image2->Picture().pixelColor(0, 9); }

    QString photo;
    document::TF_FILHO* doc = nullptr;
};

TEST_F(DocumentInput, LeftAndRightStepThroughTheCategoryWrappingToOne) {
    key(Qt::Key_Left);
    EXPECT_EQ(doc->HairNumber, 1);
    EXPECT_EQ(doc->Caption(), "1");
    key(Qt::Key_Right);
    EXPECT_EQ(doc->HairNumber, 2);
    EXPECT_EQ(doc->Caption(), "2");
    EXPECT_EQ(doc->Image2->size(), QSize(12, 8));
    key(Qt::Key_Right);
    EXPECT_EQ(doc->HairNumber, 1);
    EXPECT_EQ(doc->Image2->size(), QSize(10, 10));
    // Reactivation brings the long caption back.
    doc->FormActivate();
    EXPECT_EQ(doc->Caption(), "1 - Curtos e Escuros");
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(DocumentInput, NewHairstyleGoesWhereTheOverlayWasRecordedAndKeepsItsVisibility) {
    doc->L->setText("-15");
    doc->T->setText("-4");
    doc->Image2->hide();
    key(Qt::Key_Right);
    EXPECT_EQ(doc->Image2->pos(), QPoint(-15, -4));
    EXPECT_FALSE(doc->Image2->isVisible());
}

TEST_F(DocumentInput, UpCyclesTheFiveVirtualColoursWithoutCompounding) {
    const QColor pristine = hairPixel();
    std::vector<QColor> seen;
    for (int i = 0; i < 6; ++i) {
        key(Qt::Key_Up);
        EXPECT_EQ(doc->ColorStep, i % 5 + 1);
        seen.push_back(hairPixel());
        // The background is keyed out again after every colour.
        EXPECT_EQ(cornerPixel(), QColor(255, 255, 255)) << "step " << i;
    }
    EXPECT_EQ(seen[0], QColor(std::min(255, 200 + 100), 60 + 100, 30)); // Amarelo: +100 red, green
    EXPECT_EQ(seen[2], QColor(std::min(255, 200 + 65), 60, 30));        // Vermelho: +65 red
    EXPECT_LT(seen[1].value(), pristine.value());                       // Marrom darker
    EXPECT_LT(seen[3].value(), seen[1].value());                        // Preto darker still
    // On the 0..99 scale (78, 23, 12) is hue 10, saturation 83, value 78; Marrom takes 20 off
    // the value, Preto 40.
    EXPECT_EQ(seen[1], QColor(149, 46, 26));
    EXPECT_EQ(seen[3], QColor(98, 31, 18));
    EXPECT_EQ(seen[4], pristine); // Normal
    EXPECT_EQ(seen[5], seen[0]);
    EXPECT_EQ(doc->ImageAux2->Image().pixelColor(5, 5), pristine);
}

TEST_F(DocumentInput, DownStepsBackwardsStartingWithAmarelo) {
    std::vector<int> steps;
    for (int i = 0; i < 7; ++i) {
        key(Qt::Key_Down);
        steps.push_back(doc->ColorStep);
    }
    EXPECT_EQ(steps, (std::vector<int>{1, 5, 4, 3, 2, 1, 5}));
    // A hairstyle change starts the cycle again.
    key(Qt::Key_Right);
    EXPECT_EQ(doc->ColorStep, 0);
    key(Qt::Key_Down);
    EXPECT_EQ(doc->ColorStep, 1);
}

TEST_F(DocumentInput, VirtualColourDropsAResizeOfTheOverlay) {
    doc->Image2->resize(40, 40);
    doc->ApplyVirtualColor(document::TF_FILHO::Vermelho);
    EXPECT_EQ(doc->Image2->size(), QSize(10, 10));
    EXPECT_EQ(doc->ColorStep, 0);
}

TEST_F(DocumentInput, WhiteningUsesPixelOneOneAndLeavesTinyBitmapsAlone) {
    QImage picture(4, 3, QImage::Format_BGR888);
    picture.fill(QColor(1, 2, 3));
    picture.setPixelColor(0, 0, QColor(9, 9, 9));
    doc->Image2->SetPicture(picture);
    doc->WhitenHairBackground();
    EXPECT_EQ(doc->Image2->Picture().pixelColor(1, 1), QColor(255, 255, 255));
    EXPECT_EQ(doc->Image2->Picture().pixelColor(3, 2), QColor(255, 255, 255));
    EXPECT_EQ(doc->Image2->Picture().pixelColor(0, 0), QColor(9, 9, 9));

    QImage line(5, 1, QImage::Format_BGR888);
    line.fill(QColor(1, 2, 3));
    doc->Image2->SetPicture(line);
    doc->WhitenHairBackground();
    EXPECT_EQ(doc->Image2->Picture().pixelColor(2, 0), QColor(1, 2, 3));
}

TEST_F(DocumentInput, CtrlF8AndF9ZoomByOneNeverBelowOne) {
    key(Qt::Key_F9, Qt::ControlModifier);
    EXPECT_EQ(doc->Image1->Zoom(), 101);
    doc->Image1->SetZoom(1);
    key(Qt::Key_F8, Qt::ControlModifier);
    EXPECT_EQ(doc->Image1->Zoom(), 1);
    doc->FormKeyUp(Qt::Key_F9, Qt::NoModifier);
    EXPECT_EQ(doc->Image1->Zoom(), 1);
}

TEST_F(DocumentInput, WithoutHairstyleTheColourKeysDoNothing) {
    doc->HairNumber = 0;
    const QColor before = hairPixel();
    key(Qt::Key_Up);
    key(Qt::Key_Down);
    EXPECT_EQ(doc->ColorStep, 0);
    EXPECT_EQ(hairPixel(), before);
}

TEST_F(DocumentInput, DraggingKeepsTheGrabbedPointUnderThePointerAndRecordsThePlace) {
    QWidget* overlay = doc->Image2;
    mouse(overlay, QEvent::MouseButtonPress, {3, 4}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(doc->Dragging);
    mouse(overlay, QEvent::MouseMove, {13, 9}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(overlay->pos(), QPoint(30, 35));
    EXPECT_EQ(doc->L->text(), "20"); // recorded only at release
    // Far up and left, outside the view: no clamping.
    mouse(overlay, QEvent::MouseMove, {-60, -80}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(overlay->pos(), QPoint(-33, -49));
    mouse(overlay, QEvent::MouseButtonRelease, {3, 4}, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(doc->Dragging);
    EXPECT_EQ(doc->L->text(), "-33");
    EXPECT_EQ(doc->T->text(), "-49");
    EXPECT_EQ(overlay->size(), QSize(10, 10));
    // A move without a press does not drag.
    mouse(overlay, QEvent::MouseMove, {8, 8}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(overlay->pos(), QPoint(-33, -49));
    // The next hairstyle lands there.
    key(Qt::Key_Right);
    EXPECT_EQ(doc->Image2->pos(), QPoint(-33, -49));
}

TEST_F(DocumentInput, AReleaseAnywhereEndsAViewDragBegunOnTheGripsOuterPixel) {
    main->BT_MOVE->click();
    document::TResizeGrip* grip = doc->SH1;
    ASSERT_TRUE(grip->Attached());
    const QRect overlay = doc->Image2->geometry();
    doc->Image1->SetViewX(20);
    doc->Image1->SetViewY(20);
    const auto view = [this] { return QPoint(doc->Image1->ViewX(), doc->Image1->ViewY()); };

    // The grip's last column lies outside its framed area, so the press is the photo's.
    const QPoint outer(grip->width() - 1, grip->height() / 2);
    mouse(grip, QEvent::MouseButtonPress, outer, Qt::LeftButton, Qt::LeftButton);
    mouse(grip, QEvent::MouseMove, outer - QPoint(10, 5), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(view(), QPoint(30, 25)) << "the drag scrolls the photo";
    mouse(grip, QEvent::MouseButtonRelease, outer + QPoint(-40, 30), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(doc->Image2->geometry(), overlay) << "the grip started no drag of its own";
    EXPECT_FALSE(grip->Dragging());

    mouse(doc->Image1, QEvent::MouseMove, {100, 100}, Qt::NoButton, Qt::NoButton);
    mouse(doc->Image1, QEvent::MouseMove, {150, 160}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view(), QPoint(30, 25)) << "plain moves after the release scroll nothing";
}

TEST_F(DocumentInput, ZoomToolClicksStepByFiveOrOneAndSetTheCursor) {
    main->BT_ZOOM->setChecked(true);
    doc->Image1MouseUp(Qt::LeftButton, Qt::NoModifier, {5, 5});
    EXPECT_EQ(doc->Image1->Zoom(), 105);
    EXPECT_EQ(doc->Image1->cursor().pixmap().toImage(),
              platform::Cursors::instance().cursor(platform::crZoomIn).pixmap().toImage());
    doc->Image1MouseUp(Qt::RightButton, Qt::ControlModifier, {5, 5});
    EXPECT_EQ(doc->Image1->Zoom(), 104);
    EXPECT_EQ(doc->Image1->cursor().pixmap().toImage(),
              platform::Cursors::instance().cursor(platform::crZoomOut).pixmap().toImage());
    doc->Image1->SetZoom(3);
    doc->Image1MouseUp(Qt::RightButton, Qt::NoModifier, {5, 5});
    EXPECT_EQ(doc->Image1->Zoom(), 3);

    main->BT_SCROLL->setChecked(true);
    doc->Image1MouseUp(Qt::LeftButton, Qt::NoModifier, {5, 5});
    EXPECT_EQ(doc->Image1->Zoom(), 3);
}

TEST_F(DocumentInput, RightClickEndsTheSelectionOnlyWhileTheLassoIsActive) {
    const QPolygon triangle({QPoint(1, 1), QPoint(20, 1), QPoint(10, 15)});
    doc->Image1->SetSelectionPoints(triangle);
    doc->Image1MouseUp(Qt::RightButton, Qt::NoModifier, {5, 5});
    EXPECT_EQ(doc->Image1->SelectionPointCount(), 3);
    main->LassoActive = true;
    doc->Image1MouseUp(Qt::LeftButton, Qt::NoModifier, {5, 5});
    EXPECT_EQ(doc->Image1->SelectionPointCount(), 3);
    doc->Image1MouseUp(Qt::RightButton, Qt::NoModifier, {5, 5});
    EXPECT_EQ(doc->Image1->SelectionPointCount(), 0);
}

TEST_F(DocumentInput, DoubleClickMakesThePhotoTheUndoCopy) {
    doc->Image1->Image().setPixelColor(2, 2, QColor(1, 1, 1));
    QTest::mouseDClick(doc->Image1, Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
    EXPECT_EQ(doc->PictureProc1->UndoImage().pixelColor(2, 2), QColor(1, 1, 1));
}

} // namespace
} // namespace velvo::testing

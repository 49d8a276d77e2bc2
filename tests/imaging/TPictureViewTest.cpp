#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "imaging/TPictureView.h"

using velvo::imaging::TPictureView;

namespace {
QImage filled(int w, int h, QColor c = Qt::gray) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

struct ViewFixture : ::testing::Test {
    TPictureView view;
    void SetUp() override {
        view.resize(100, 80);
        view.SetImage(filled(400, 300));
    }
};
} // namespace

TEST_F(ViewFixture, ImageIsKeptAt24BitsBgr) {
    EXPECT_EQ(view.Image().format(), QImage::Format_BGR888);
    EXPECT_EQ(view.Image().size(), QSize(400, 300));
}

TEST_F(ViewFixture, ZoomIgnoresNonPositiveAndUnchangedValues) {
    QSignalSpy spy(&view, &TPictureView::OnViewChange);
    view.SetZoom(0);
    view.SetZoom(-5);
    view.SetZoom(100);
    EXPECT_EQ(view.Zoom(), 100);
    EXPECT_EQ(spy.count(), 0);
    view.SetZoom(1);
    EXPECT_EQ(view.Zoom(), 1);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
}

TEST_F(ViewFixture, OffsetsClampToTheZoomedImageAndRaiseZero) {
    QSignalSpy spy(&view, &TPictureView::OnViewChange);
    EXPECT_EQ(view.MaxViewX(), 300);
    EXPECT_EQ(view.MaxViewY(), 220);
    view.SetViewX(1000);
    view.SetViewY(-40);
    EXPECT_EQ(view.ViewX(), 300);
    EXPECT_EQ(view.ViewY(), 0);
    // -40 clamps to the current 0 but is not equal to it, so it still counts as a change.
    ASSERT_EQ(spy.count(), 2);
    view.SetViewX(300); // equal: ignored
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(ViewFixture, MaximumOffsetRoundsTheZoomedSize) {
    view.SetImage(filled(333, 201));
    view.SetZoom(50); // 166.5 x 100.5 -> 167 x 101
    EXPECT_EQ(view.MaxViewX(), 67);
    EXPECT_EQ(view.MaxViewY(), 21);
}

TEST_F(ViewFixture, BothMaximaAreZeroWhenTheControlHoldsTheWholeImage) {
    view.resize(500, 400);
    EXPECT_EQ(view.MaxViewX(), 0);
    EXPECT_EQ(view.MaxViewY(), 0);
    view.resize(500, 200); // taller image than control: only the vertical range remains
    EXPECT_EQ(view.MaxViewX(), 0);
    EXPECT_EQ(view.MaxViewY(), 100);
}

TEST_F(ViewFixture, ZoomingOutReclampsTheOffsets) {
    view.SetViewX(300);
    view.SetZoom(25); // 100 x 75 fits in 100 x 80
    EXPECT_EQ(view.ViewX(), 0);
    EXPECT_EQ(view.ViewY(), 0);
}

TEST_F(ViewFixture, DraggingScrollsTheView) {
    view.show();
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(60, 50));
    QTest::mouseMove(&view, QPoint(40, 30));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(view.ViewX(), 20);
    EXPECT_EQ(view.ViewY(), 20);
}

TEST_F(ViewFixture, ClientAndImageCoordinatesFollowZoomAndOffset) {
    view.SetZoom(200);
    view.SetViewX(50);
    view.SetViewY(10);
    EXPECT_EQ(view.ClientToImage(QPoint(0, 0)), QPointF(25, 5));
    EXPECT_EQ(view.ImageToClient(QPointF(25, 5)), QPoint(0, 0));
    EXPECT_EQ(view.ImageToClient(QPointF(30, 10)), QPoint(10, 10));
}

TEST_F(ViewFixture, PolygonIsDrawnWithClicksAndClosedByDoubleClick) {
    view.show();
    view.SetMouseInteract(TPictureView::miSelect);
    view.SetViewX(10);
    QSignalSpy done(&view, &TPictureView::OnSelectionChange);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(50, 5));
    // A double click on the last corner: its first click adds it, the second closes.
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(50, 40));
    EXPECT_FALSE(view.SelectionVisible());
    QTest::mouseDClick(&view, Qt::LeftButton, {}, QPoint(50, 40));
    ASSERT_EQ(done.count(), 1);
    EXPECT_TRUE(view.SelectionVisible());
    ASSERT_EQ(view.SelectionPointCount(), 3);
    // Corners are kept in image pixels, so the offset is added.
    EXPECT_EQ(view.SelectionPoints()[0], QPoint(15, 5));
    EXPECT_EQ(view.SelectionPoints()[2], QPoint(60, 40));
    EXPECT_EQ(view.ViewX(), 10); // selecting does not scroll

    view.ClearSelection();
    EXPECT_FALSE(view.SelectionVisible());
    EXPECT_EQ(view.SelectionPointCount(), 0);
}

TEST_F(ViewFixture, APolygonOfFewerThanThreeCornersIsDropped) {
    view.show();
    view.SetMouseInteract(TPictureView::miSelect);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(40, 5));
    QTest::mouseDClick(&view, Qt::LeftButton, {}, QPoint(40, 5));
    EXPECT_EQ(view.SelectionPointCount(), 0);
    EXPECT_FALSE(view.SelectionVisible());
}

TEST(PictureViewAutoFit, ControlTakesTheZoomedImageSize) {
    TPictureView view;
    view.SetAutoFit(true);
    view.SetImage(filled(120, 90));
    EXPECT_EQ(view.size(), QSize(120, 90));
    view.SetZoom(50);
    EXPECT_EQ(view.size(), QSize(60, 45));
}

TEST(PictureViewPaint, ShowsTheImageFromItsOffset) {
    TPictureView view;
    view.resize(10, 10);
    QImage img = filled(20, 20, Qt::red);
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 20; ++x)
            img.setPixelColor(x, y, Qt::blue);
    view.SetImage(img);
    view.SetViewX(5);
    const QImage shot = view.grab().toImage();
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(4, 0), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(5, 0), QColor(Qt::blue));
}

// The folder view as the browser's photo tab uses it: the faults fixed in its mouse handling.
#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"
#include "library/TThumbview.h"

using namespace velvo::imaging;
using velvo::library::TThumbview;

namespace {

void fillFolder(const QTemporaryDir& dir, int files) {
    for (int i = 1; i <= files; ++i)
        writeFileAtomic(dir.filePath(QString("%1.bmp").arg(i)).toStdString(),
                        encodeBmp(Raster::create(6, 6, "", {90, 30, 10})));
}

void scanned(TThumbview& view, const QTemporaryDir& dir) {
    view.resize(666, 400);
    view.SetMaxWidth(200);
    view.SetMaxHeight(200);
    view.SetSize(50);
    view.SetScrollMode(TThumbview::SMVertical);
    view.SetThumbGap(4);
    view.show();
    view.viewport()->grab();
    QApplication::processEvents();
    view.SetDirectory(dir.path());
}

} // namespace

TEST(BrowserThumbview, TheSecondPressOfADoubleClickSelectsTheCellUnderThePointer) {
    QTemporaryDir dir;
    fillFolder(dir, 3);
    TThumbview view;
    scanned(view, dir);
    ASSERT_EQ(view.Selected(), 0);
    QSignalSpy doubles(&view, &TThumbview::OnDblClick);
    const QPoint third(4 + 2 * 104 + 50, 54);
    QMouseEvent press(QEvent::MouseButtonDblClick, third, view.viewport()->mapToGlobal(third),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &press);
    EXPECT_EQ(view.Selected(), 2);
    EXPECT_EQ(doubles.count(), 1);
}

TEST(BrowserThumbview, CellsWithoutAreaSelectNothingInsteadOfDividingByZero) {
    QTemporaryDir dir;
    fillFolder(dir, 2);
    TThumbview view;
    scanned(view, dir);
    ASSERT_EQ(view.Count(), 2);
    view.SetThumbGap(0);
    view.SetSize(0);
    ASSERT_EQ(view.CellWidth(), 0);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(view.Selected(), -1);
}

TEST(BrowserThumbview, AClickNeedsTheReleaseOverTheCellOrViewOfThePress) {
    QTemporaryDir dir;
    fillFolder(dir, 3);
    TThumbview view;
    scanned(view, dir);
    ASSERT_EQ(view.Count(), 3);
    QSignalSpy clicks(&view, &TThumbview::OnClick);
    QWidget* area = view.viewport();
    const QPoint first(54, 54), firstCorner(10, 95), second(4 + 104 + 50, 54);

    // Pressed on a photo, dragged off to the next one: nothing opens.
    QTest::mousePress(area, Qt::LeftButton, {}, first);
    QTest::mouseRelease(area, Qt::LeftButton, {}, second);
    EXPECT_EQ(clicks.count(), 0);
    // Dragged off the view altogether.
    QTest::mousePress(area, Qt::LeftButton, {}, first);
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(-20, 54));
    EXPECT_EQ(clicks.count(), 0);
    // Released elsewhere on the same cell: a click, on the cell the press selected.
    QTest::mousePress(area, Qt::LeftButton, {}, first);
    QTest::mouseRelease(area, Qt::LeftButton, {}, firstCorner);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(view.Selected(), 0);

    // Pressed on the background: released anywhere over the view it clicks, off it not.
    const QPoint background(600, 300);
    QTest::mousePress(area, Qt::LeftButton, {}, background);
    QTest::mouseRelease(area, Qt::LeftButton, {}, second);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(view.Selected(), -1);
    QTest::mousePress(area, Qt::LeftButton, {}, background);
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(area->width() + 5, 300));
    EXPECT_EQ(clicks.count(), 2);
}

TEST(BrowserThumbview, RaisesItsMouseDownAfterTheSelection) {
    QTemporaryDir dir;
    fillFolder(dir, 3);
    TThumbview view;
    scanned(view, dir);
    QList<QList<int>> downs; // button, x, y, Selected as the handler saw it
    QObject::connect(&view, &TThumbview::OnMouseDown,
                     [&](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
                         downs << QList<int>{int(button), x, y, view.Selected()};
                     });
    const QPoint third(4 + 2 * 104 + 50, 54);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, third);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, third);
    QTest::mousePress(view.viewport(), Qt::RightButton, {}, QPoint(600, 300));
    QTest::mouseRelease(view.viewport(), Qt::RightButton, {}, QPoint(600, 300));
    EXPECT_EQ(downs, QList<QList<int>>({{int(Qt::LeftButton), third.x(), third.y(), 2},
                                        {int(Qt::RightButton), 600, 300, -1}}));
}

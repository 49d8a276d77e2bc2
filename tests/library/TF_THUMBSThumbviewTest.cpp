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

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include "imaging/TPictureProc.h"
#include "imaging/TPictureView.h"

using namespace velvo::imaging;

namespace {

QImage filled(int w, int h, QColor c) {
    QImage image(w, h, QImage::Format_BGR888);
    image.fill(c);
    return image;
}

} // namespace

TEST(TPictureProcTest, DetachedCompanionDoesNothing) {
    TPictureProc proc;
    proc.AdjustRgb(10, 10, 10);
    proc.AdjustHsv(1, 1, 1);
    proc.SaveUndo();
    proc.Undo();
    EXPECT_TRUE(proc.UndoImage().isNull());
    EXPECT_FALSE(proc.PasteFromClipboard());
}

TEST(TPictureProcTest, OperationsWorkInsideTheShownSelection) {
    TPictureView view;
    view.SetImage(filled(8, 6, QColor(10, 20, 30)));
    TPictureProc proc;
    proc.SetAttachedView(&view);
    view.SetSelectionPoints(QPolygon{QVector<QPoint>{{0, 0}, {4, 0}, {4, 3}, {0, 3}}});
    view.SetSelectionVisible(true);
    proc.AdjustRgb(100, 0, -50);
    EXPECT_EQ(view.Image().pixelColor(3, 2), QColor(110, 20, 0));
    EXPECT_EQ(view.Image().pixelColor(4, 2), QColor(10, 20, 30));
    view.SetSelectionVisible(false);
    proc.AdjustHsv(0, 0, -99);
    EXPECT_EQ(view.Image().pixelColor(7, 5), QColor(0, 0, 0));
}

TEST(TPictureProcTest, OneUndoCopyThatStays) {
    TPictureView view;
    view.SetImage(filled(4, 4, QColor(50, 50, 50)));
    TPictureProc proc;
    proc.SetAttachedView(&view);
    proc.SetAutoUndo(true);
    proc.AdjustRgb(10, 0, 0);
    proc.AdjustRgb(10, 0, 0);
    EXPECT_EQ(view.Image().pixelColor(0, 0), QColor(70, 50, 50));
    proc.Undo();
    EXPECT_EQ(view.Image().pixelColor(0, 0), QColor(60, 50, 50));
    proc.Undo();
    EXPECT_EQ(view.Image().pixelColor(0, 0), QColor(60, 50, 50));

    // Without AutoUndo the copy is only what SaveUndo took.
    proc.SetAutoUndo(false);
    proc.AdjustRgb(0, 100, 0);
    proc.Undo();
    EXPECT_EQ(view.Image().pixelColor(0, 0), QColor(60, 50, 50));

    // An undo copy smaller than 2 x 2 is not restored.
    TPictureView tiny;
    tiny.SetImage(filled(1, 5, QColor(1, 2, 3)));
    TPictureProc small;
    small.SetAttachedView(&tiny);
    small.SaveUndo();
    small.AdjustRgb(100, 100, 100);
    small.Undo();
    EXPECT_EQ(tiny.Image().pixelColor(0, 0), QColor(101, 102, 103));
}

TEST(TPictureProcTest, ClipboardRoundTrip) {
    TPictureView view;
    view.SetImage(filled(5, 3, QColor(9, 8, 7)));
    TPictureProc proc;
    proc.SetAttachedView(&view);
    proc.CopyToClipboard();
    view.SetImage(filled(2, 2, QColor(0, 0, 0)));
    proc.SetAutoUndo(true);
    ASSERT_TRUE(proc.PasteFromClipboard());
    EXPECT_EQ(view.Image().size(), QSize(5, 3));
    EXPECT_EQ(view.Image().pixelColor(4, 2), QColor(9, 8, 7));
    EXPECT_EQ(proc.UndoImage().size(), QSize(2, 2));
}

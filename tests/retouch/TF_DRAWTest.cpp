#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPaintEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolButton>

#include "imaging/RasterImage.h"
#include "platform/Cursors.h"
#include "retouch/RetouchFixture.h"
#include "retouch/TColorComboBoxEx.h"
#include "retouch/TLineWidthComboBox.h"

namespace velvo::testing {
namespace {

const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int countInColumn(const QImage& image, int x, const QColor& colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        n += image.pixelColor(x, y) == colour ? 1 : 0;
    return n;
}

using Editor = RetouchTest;

TEST_F(Editor, StartsWithAWhiteTwentyPixelPenAndReadableStatusPanels) {
    open(filled(60, 40, kWhite));
    EXPECT_EQ(editor->ActiveColor(), kWhite);
    EXPECT_EQ(editor->Pen().color(), kWhite);
    EXPECT_EQ(editor->Pen().width(), 20);
    EXPECT_TRUE(editor->SpeedButton1->isChecked());
    EXPECT_FALSE(editor->DropperMode);
    EXPECT_GE(editor->StatusPanel1->width(),
              editor->StatusPanel1->fontMetrics().horizontalAdvance(editor->StatusPanel1->text()));
    QStatusTipEvent hint(editor->GotasButton->statusTip());
    QApplication::sendEvent(editor->GotasButton, &hint);
    EXPECT_TRUE(editor->statusBar()->currentMessage().isEmpty()) << "the panels stay in view";
}

TEST_F(Editor, RightClickPicksThePixelAndTheNextStrokeHasItsColour) {
    QImage photo = filled(200, 120, kWhite);
    photo.setPixelColor(15, 15, kRed);
    open(photo);
    QTest::mousePress(editor->Image, Qt::RightButton, {}, QPoint(15, 15));
    QTest::mouseRelease(editor->Image, Qt::RightButton, {}, QPoint(15, 15));
    EXPECT_EQ(editor->ActiveColor(), kRed);
    EXPECT_EQ(editor->Pen().color(), kRed);
    EXPECT_EQ(editor->ColorComboBoxEx1->ColorValue(), kWhite) << "the picker keeps its choice";

    stroke({{100, 80}, {150, 80}});
    EXPECT_EQ(picture().pixelColor(125, 80), kRed);
    EXPECT_EQ(picture().pixelColor(125, 72), kRed) << "20 pixels wide";
    EXPECT_EQ(picture().pixelColor(125, 88), kRed) << "20 pixels wide";
    EXPECT_EQ(picture().pixelColor(125, 100), kWhite);
    EXPECT_EQ(editor->StatusPanel0->text(), "X: 150   Y: 80");
}

TEST_F(Editor, DropperTakesTheColourEightPixelsBelowRightAndDrawsNothing) {
    QImage photo = filled(200, 200, kWhite);
    photo.setPixelColor(100, 100, QColor(0, 0, 255));
    photo.setPixelColor(108, 108, QColor(10, 200, 30));
    open(photo);
    QTest::mouseClick(editor->GotasButton, Qt::LeftButton);
    EXPECT_TRUE(editor->DropperMode);
    EXPECT_FALSE(editor->SpeedButton1->isChecked());
    stroke({{100, 100}, {150, 150}});
    EXPECT_EQ(editor->ActiveColor(), QColor(10, 200, 30));
    EXPECT_EQ(picture().pixelColor(125, 125), kWhite);
    EXPECT_EQ(editor->Image->cursor().pixmap().toImage(),
              platform::Cursors::instance().cursor(platform::crEraser).pixmap().toImage());

    // The dropper's tip off the picture: the colour stays.
    stroke({{195, 195}});
    EXPECT_EQ(editor->ActiveColor(), QColor(10, 200, 30));

    QTest::mouseClick(editor->SpeedButton1, Qt::LeftButton);
    EXPECT_FALSE(editor->DropperMode);
    stroke({{20, 20}, {60, 20}});
    EXPECT_EQ(picture().pixelColor(40, 20), QColor(10, 200, 30));
}

TEST_F(Editor, UndoTakesBackTheLastStrokeOnlyAndOnlyOnce) {
    open(filled(200, 120, kWhite));
    editor->ColorComboBoxEx1->SetColorValue(QColor(0, 0, 128));
    stroke({{20, 30}, {80, 30}});
    stroke({{20, 90}, {80, 90}});
    QTest::mouseClick(editor->UndoButton, Qt::LeftButton);
    EXPECT_EQ(picture().pixelColor(50, 30), QColor(0, 0, 128));
    EXPECT_EQ(picture().pixelColor(50, 90), kWhite);
    const QImage once = picture();
    editor->Action("Undo1")->trigger();
    EXPECT_EQ(picture(), once);
}

TEST_F(Editor, UndoCopyIsTheNewPictureUntilTheFirstPress) {
    open(filled(200, 120, kWhite));
    stroke({{20, 30}, {80, 30}});
    open(filled(90, 70, QColor(0, 128, 0)));
    editor->UndoButtonClick();
    EXPECT_EQ(picture().size(), QSize(90, 70));
    EXPECT_EQ(picture().pixelColor(50, 30), QColor(0, 128, 0));
}

TEST_F(Editor, PasteDrawsAtTheTopLeftWithinThePicture) {
    open(filled(100, 80, kWhite));
    QImage larger = filled(400, 300, QColor(0, 128, 0));
    larger.setPixelColor(5, 5, kRed);
    QGuiApplication::clipboard()->setImage(larger);
    editor->Action("Paste1")->trigger();
    EXPECT_EQ(picture().size(), QSize(100, 80));
    EXPECT_EQ(editor->Image->size(), QSize(100, 80));
    EXPECT_EQ(picture().pixelColor(5, 5), kRed);
    EXPECT_EQ(picture().pixelColor(99, 79), QColor(0, 128, 0));

    QGuiApplication::clipboard()->setText("no picture");
    editor->Image->Image().fill(kWhite);
    picture().setPixelColor(60, 40, kRed);
    const QImage before = picture();
    editor->Paste1Click();
    EXPECT_EQ(picture().pixelColor(5, 5), kWhite);
    // Without a bitmap nothing is drawn: not the last picture pasted, nor a blank.
    EXPECT_EQ(picture(), before);
    editor->Action("Paste1")->trigger();
    EXPECT_EQ(picture(), before);
}

TEST_F(Editor, CutCopiesThenWhitensThePictureBeyondTheView) {
    open(filled(1500, 1200, QColor(0, 0, 128)));
    ASSERT_LT(editor->ScrollBox1->viewport()->width(), 1500);
    editor->Cut1Click();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(1500, 1200));
    EXPECT_EQ(copied.pixelColor(1499, 1199), QColor(0, 0, 128));
    EXPECT_EQ(picture().pixelColor(1499, 1199), kWhite);
    EXPECT_EQ(picture().pixelColor(0, 0), kWhite);
}

TEST_F(Editor, StrokesLandUnderThePointerOnAScrolledPicture) {
    open(filled(1500, 1200, kWhite));
    editor->ColorComboBoxEx1->SetColorValue(kRed);
    editor->ScrollBox1->horizontalScrollBar()->setValue(600);
    editor->ScrollBox1->verticalScrollBar()->setValue(500);
    stroke({{700, 600}, {760, 600}});
    EXPECT_EQ(picture().pixelColor(730, 600), kRed);
    EXPECT_EQ(picture().pixelColor(130, 100), kWhite);
    EXPECT_EQ(editor->StatusPanel0->text(), "X: 760   Y: 600");

    // Past the picture's edge the stroke is cut off and the picture keeps its size.
    stroke({{1450, 600}, {1700, 600}});
    EXPECT_EQ(picture().pixelColor(1499, 600), kRed);
    EXPECT_EQ(picture().size(), QSize(1500, 1200));
}

TEST_F(Editor, TheLastOfThirtyWidthsDrawsThirtyPixelLinesWithRoundEnds) {
    open(filled(220, 140, kWhite));
    editor->ColorComboBoxEx1->SetColorValue(QColor(0, 0, 0));
    QTest::keyClick(editor->LineWidthComboBox1, Qt::Key_End);
    EXPECT_EQ(editor->Pen().width(), 30);
    stroke({{60, 60}, {160, 60}});
    EXPECT_EQ(countInColumn(picture(), 110, QColor(0, 0, 0)), 30);
    EXPECT_EQ(picture().pixelColor(48, 60), QColor(0, 0, 0)) << "the end is rounded";
    EXPECT_EQ(picture().pixelColor(47, 47), kWhite) << "not squared";
}

// Records what the view repaints.
class PaintRecorder : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TEST_F(Editor, AStrokeRepaintsOnlyWhatItTouched) {
    open(filled(3000, 2000, kWhite));
    QCoreApplication::processEvents();
    PaintRecorder recorder;
    editor->Image->installEventFilter(&recorder);
    stroke({{100, 100}, {110, 104}, {130, 110}});
    QCoreApplication::processEvents();
    ASSERT_FALSE(recorder.painted.isEmpty());
    EXPECT_TRUE(recorder.painted.boundingRect().contains(QRect(100, 100, 30, 10)));
    // The segments' box and the pen's reach (half its 20 pixels and a margin) around it.
    EXPECT_LE(recorder.painted.boundingRect().width(), 31 + 2 * 12);
    EXPECT_LE(recorder.painted.boundingRect().height(), 11 + 2 * 12);
}

TEST_F(Editor, SaveWritesTheRememberedFileWithoutAsking) {
    open(filled(30, 20, QColor(0, 128, 0)));
    const QString file = folder + "retouched.bmp";
    dialogs.saveAnswers << platform::FileDialogAnswer{true, file, 1};
    editor->Action("Save1")->trigger();
    ASSERT_EQ(dialogs.saveRequests.size(), 1);
    EXPECT_EQ(dialogs.saveRequests[0].filter, "Bitmap files (*.bmp)|*.bmp|All files|*.*");
    EXPECT_EQ(dialogs.saveRequests[0].defaultExt, "bmp");
    EXPECT_EQ(editor->CurrentFile, file);

    // A later retouch: Save goes to the same file at once.
    open(filled(30, 20, QColor(0, 0, 128)));
    editor->Action("Save1")->trigger();
    EXPECT_EQ(dialogs.saveRequests.size(), 1);
    EXPECT_EQ(at(imaging::toQImage(*imaging::loadImageFile(file.toStdString())), 3, 3),
              QColor(0, 0, 128));

    // Cancelled dialogs change nothing.
    editor->Saveas1Click();
    editor->Open1Click();
    EXPECT_EQ(editor->CurrentFile, file);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(Editor, OpenReadsThePictureAndRemembersItOnlyOnceRead) {
    open(filled(30, 20, kWhite));
    const QString good = writePhoto("good.bmp", solid(12, 9, {0, 0, 200}));
    dialogs.openAnswers << platform::FileDialogAnswer{true, good, 1};
    editor->Action("Open1")->trigger();
    EXPECT_EQ(picture().size(), QSize(12, 9));
    EXPECT_EQ(picture().pixelColor(4, 4), QColor(200, 0, 0));
    EXPECT_EQ(editor->CurrentFile, good);

    const QString damaged = folder + "damaged.bmp";
    writeBytes(damaged, {'B', 'M', 1, 2, 3});
    dialogs.openAnswers << platform::FileDialogAnswer{true, damaged, 1};
    editor->Action("Open1")->trigger();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.contains(damaged));
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Error);
    EXPECT_EQ(editor->CurrentFile, good) << "Save must not write over the damaged file";
    EXPECT_EQ(picture().size(), QSize(12, 9));
}

TEST_F(Editor, AFailedSaveKeepsTheOldFileAndNamesIt) {
    open(filled(30, 20, kWhite));
    // The safe writer's temporary name is longer than the longest a folder may hold.
    const QString file = folder + QString(246, 'n') + ".bmp";
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    editor->CurrentFile = file;
    editor->Action("Save1")->trigger();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.contains(file));
    EXPECT_EQ(contents(file), "old");

    editor->CurrentFile = folder + "picture.xyz";
    editor->Action("Save1")->trigger();
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_TRUE(messages.shown[1].text.contains("picture.xyz"));
}

TEST_F(Editor, TranslatesItselfFromTheProgramFolder) {
    QFile file(folder + "language.lng");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Translations]\nF_DRAW.Caption=Retouch\nF_DRAW.Open1.CAPTION=&Open\n"
               "F_DRAW.PenButton.Hint=Pen\nF_DRAW.LineWidthComboBox1.Hint=Line width\n");
    file.close();
    // Windows are found by name: only one editor may exist while it translates itself.
    editor.reset();
    editor = std::make_unique<retouch::TF_DRAW>(main.get());
    EXPECT_EQ(editor->windowTitle(), "Retouch");
    EXPECT_EQ(editor->Action("Open1")->text(), "&Open");
    EXPECT_EQ(editor->LineWidthComboBox1->toolTip(), "Line width");
    EXPECT_EQ(editor->SpeedButton1->toolTip(), "Draw");
    EXPECT_TRUE(messages.shown.isEmpty());
}

} // namespace
} // namespace velvo::testing

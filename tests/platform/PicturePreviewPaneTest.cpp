#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImageReader>
#include <QListView>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

#include "platform/Dialogs.h"
#include "platform/PicturePreviewPane.h"

using namespace velvo::platform;

namespace {

// This library sits under the codecs' Qt wrapper, so these tests read with Qt's own reader;
// the program's reader is checked with the document commands.
PreviewPicture qtReader(const QString& file, QSize) {
    QImageReader reader(file);
    PreviewPicture p;
    p.size = reader.size();
    p.image = reader.read();
    return p;
}

// Blue left half, red right half, so a mirrored or cropped preview shows.
QString writePicture(const QTemporaryDir& dir, const QString& name, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < size.height(); ++y)
        for (int x = size.width() / 2; x < size.width(); ++x)
            image.setPixelColor(x, y, Qt::red);
    const QString file = dir.filePath(name);
    EXPECT_TRUE(image.save(file, "PNG"));
    return file;
}

template <class Pred> bool waitFor(Pred pred, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!pred() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return pred();
}

class PreviewPane : public ::testing::Test {
protected:
    QTemporaryDir dir;
};

} // namespace

TEST_F(PreviewPane, ShrinksALargePictureToTheBoxKeepingItsShapeAndTellsItsSize) {
    const QString file = writePicture(dir, "wide.png", {400, 200});
    PicturePreviewPane pane(qtReader);
    pane.showFile(file);
    EXPECT_EQ(pane.file(), file);
    EXPECT_EQ(pane.shown().size(), QSize(160, 80));
    EXPECT_EQ(pane.pictureSize(), QSize(400, 200));
    EXPECT_EQ(pane.sizeText(), "400 x 200");
    EXPECT_EQ(pane.shown().pixelColor(10, 40), QColor(Qt::blue));
    EXPECT_EQ(pane.shown().pixelColor(150, 40), QColor(Qt::red));
}

TEST_F(PreviewPane, SmallPictureIsNotEnlarged) {
    PicturePreviewPane pane(qtReader);
    pane.showFile(writePicture(dir, "tiny.png", {20, 10}));
    EXPECT_EQ(pane.shown().size(), QSize(20, 10));
    EXPECT_EQ(pane.sizeText(), "20 x 10");
}

TEST_F(PreviewPane, WhatIsNoPictureEmptiesThePane) {
    PicturePreviewPane pane(qtReader);
    pane.showFile(writePicture(dir, "a.png", {50, 50}));
    ASSERT_FALSE(pane.shown().isNull());

    QFile text(dir.filePath("notes.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture at all");
    text.close();
    pane.showFile(text.fileName());
    EXPECT_TRUE(pane.shown().isNull());
    EXPECT_TRUE(pane.sizeText().isEmpty());

    pane.showFile(writePicture(dir, "b.png", {50, 50}));
    pane.showFile(dir.path()); // a folder
    EXPECT_TRUE(pane.shown().isNull());
    pane.showFile(dir.filePath("missing.png"));
    EXPECT_TRUE(pane.shown().isNull());
}

TEST_F(PreviewPane, AReaderThatThrowsLeavesTheDialogUsable) {
    PicturePreviewPane pane([](const QString& f, QSize) -> PreviewPicture {
        throw std::runtime_error(f.toStdString() + ": truncated");
    });
    pane.showFile(writePicture(dir, "c.png", {30, 30}));
    EXPECT_TRUE(pane.shown().isNull());
    EXPECT_TRUE(pane.sizeText().isEmpty());
}

// The production open dialog, run for real: it carries the pane, which follows the file the
// user selects, and the dialog keeps its filters.
TEST_F(PreviewPane, OpenDialogShowsTheSelectedPicture) {
    const QString file = writePicture(dir, "photo.png", {300, 100});
    FileDialogRequest request;
    request.filter = "All graphics|*.png;*.bmp|PNG files (*.png)|*.png|BMP files (*.bmp)|*.bmp";
    request.filterIndex = 2;
    request.initialDir = dir.path();
    request.preview = qtReader;

    QSize seenSize;
    QString seenFilter;
    bool hadPane = false;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(
            waitFor([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }));
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* pane = dialog->findChild<PicturePreviewPane*>();
        hadPane = pane != nullptr;
        seenFilter = dialog->selectedNameFilter();
        if (pane) {
            // As a click on the file in the list does, once the folder has been read.
            auto* list = dialog->findChild<QListView*>("listView");
            auto* model = dialog->findChild<QFileSystemModel*>();
            if (list && model && waitFor([&] { return model->index(file).isValid(); })) {
                list->setCurrentIndex(model->index(file));
                seenSize = pane->pictureSize();
            }
            dialog->selectFile(file);
        }
        static_cast<QDialog*>(dialog)->accept();
    });
    const FileDialogAnswer answer = QtDialogs().openFile(request);
    EXPECT_TRUE(hadPane);
    EXPECT_EQ(seenFilter, "PNG files (*.png)");
    EXPECT_EQ(seenSize, QSize(300, 100));
    EXPECT_TRUE(answer.accepted);
    EXPECT_EQ(answer.fileName, file);
    EXPECT_EQ(answer.filterIndex, 2);
}

TEST_F(PreviewPane, SaveDialogAsksBeforeOverwritingAndAddsTheDefaultExtension) {
    FileDialogRequest request;
    request.filter = "PNG files (*.png)|*.png|BMP files (*.bmp)|*.bmp";
    request.filterIndex = 2;
    request.initialDir = dir.path();
    request.defaultExt = "bmp";
    request.options = ofOverwritePrompt;
    request.preview = qtReader;

    bool confirms = false, hadPane = false;
    QString suffix;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(
            waitFor([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }));
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        hadPane = dialog->findChild<PicturePreviewPane*>() != nullptr;
        confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        suffix = dialog->defaultSuffix();
        dialog->selectFile(dir.filePath("result"));
        static_cast<QDialog*>(dialog)->accept();
    });
    const FileDialogAnswer answer = QtDialogs().saveFile(request);
    EXPECT_TRUE(hadPane);
    EXPECT_TRUE(confirms);
    EXPECT_EQ(suffix, "bmp");
    ASSERT_TRUE(answer.accepted);
    EXPECT_EQ(answer.fileName, dir.filePath("result.bmp"));
}

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <unistd.h>

#include "StudioFixture.h"
#include "imaging/RasterImage.h"
#include "imaging/codecs/ImageFile.h"

namespace velvo::testing {
namespace {

using platform::FileDialogAnswer;
using platform::MessageIcon;

constexpr imaging::Bgr kGrey{120, 120, 120};
constexpr imaging::Bgr kRed{0, 0, 255};

// Each 100 x 100 cell its own colour, so a saved picture tells which part of the photo it shows.
imaging::Raster cells(int width, int height) {
    imaging::Raster r = solid(width, height, {0, 0, 0});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            r.set(x, y, {uint8_t(x / 100 * 40), uint8_t(y / 100 * 30), 200});
    return r;
}

bool near(QColor a, QColor b, int tolerance = 12) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QImage readBack(const QString& file) {
    auto raster = imaging::loadImageFile(file.toStdString());
    return raster ? imaging::toQImage(*raster) : QImage();
}

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class DocumentCommands : public StudioTest {
protected:
    void SetUp() override {
        StudioTest::SetUp();
        QGuiApplication::clipboard()->clear();
        writeHair(0, 1, hairstyle(40, 40, kRed));
        photo = writePhoto("photo.bmp", solid(300, 400, kGrey));
    }
    void TearDown() override {
        QDir::setCurrent(startDir);
        StudioTest::TearDown();
    }
    void answerSave(const QString& file) {
        dialogs.saveAnswers.append(FileDialogAnswer{true, file, 7});
    }
    void triggerSave() { main->Action("Salvarcomo1")->trigger(); }

    QString startDir = QDir::currentPath();
    QString photo;
};

TEST_F(DocumentCommands, OpenMakesADocumentOfTheChosenFileFromTheProgramFolder) {
    main->LibraryLabel = "Velvo42";
    dialogs.openAnswers.append(FileDialogAnswer{true, photo, 1});
    main->AbrirFoto1Click();
    ASSERT_EQ(main->Documents().size(), 1);
    document::TF_FILHO* doc = main->Documents()[0];
    EXPECT_EQ(doc->lblFilename->text(), photo);
    EXPECT_FALSE(doc->Image2->isVisible());
    EXPECT_EQ(main->LibraryLabel, "Velvo5");
    EXPECT_FALSE(main->OpenMode);
    EXPECT_EQ(QDir(QDir::currentPath()), QDir(folder));
    EXPECT_TRUE(messages.shown.isEmpty());

    // The dialog previews with our own codecs: this BMP is read for its picture and size.
    ASSERT_EQ(dialogs.openRequests.size(), 1);
    const auto& preview = dialogs.openRequests[0].preview;
    ASSERT_TRUE(bool(preview));
    const platform::PreviewPicture p = preview(photo, {160, 160});
    EXPECT_EQ(p.size, QSize(300, 400));
    EXPECT_EQ(p.image.pixelColor(5, 5), rgb(kGrey));
}

TEST_F(DocumentCommands, OpenOfAMissingFileWarnsAndMakesNoDocument) {
    dialogs.openAnswers.append(FileDialogAnswer{true, folder + "gone.jpg", 1});
    main->AbrirFoto1Click();
    EXPECT_TRUE(main->Documents().isEmpty());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].caption, "WARNING");
    EXPECT_EQ(messages.shown[0].text, QString::fromUtf8("Arquivo não encontrado."));
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_FALSE(main->OpenMode);

    // A folder is not a photo file either; cancelling shows nothing.
    dialogs.openAnswers.append(FileDialogAnswer{true, folder + "Velvo5", 1});
    main->AbrirFoto1Click();
    main->AbrirFoto1Click();
    EXPECT_EQ(messages.shown.size(), 2);
    EXPECT_TRUE(main->Documents().isEmpty());
}

TEST_F(DocumentCommands, SaveAsJpegWritesTheClientAreaWithTheHair) {
    document::TF_FILHO* doc = insert(photo, "1", 20, 30);
    ASSERT_TRUE(doc->Image2->isVisible());
    const QString out = folder + "result.jpg";
    answerSave(out);
    main->Salvarcomo1Click();

    ASSERT_EQ(dialogs.saveRequests.size(), 1);
    const platform::FileDialogRequest& r = dialogs.saveRequests[0];
    EXPECT_EQ(r.initialDir, folder);
    EXPECT_EQ(r.defaultExt, "bmp");
    EXPECT_EQ(r.filterIndex, 7);
    EXPECT_TRUE(r.options & platform::ofOverwritePrompt);
    EXPECT_TRUE(bool(r.preview));

    EXPECT_EQ(imaging::detectFileFormat(out.toStdString(), true), imaging::ImageFormat::Jpeg);
    const QImage saved = readBack(out);
    EXPECT_EQ(saved.size(), QSize(241, 313));
    EXPECT_EQ(saved.size(), doc->size());
    EXPECT_TRUE(near(saved.pixelColor(20 + 20, 30 + 20), rgb(kRed)));
    EXPECT_TRUE(near(saved.pixelColor(200, 250), rgb(kGrey)));
    // The hair's white ground is see-through, as on screen.
    EXPECT_TRUE(near(saved.pixelColor(20, 30), rgb(kGrey)));
}

TEST_F(DocumentCommands, SaveWritesWhatIsVisibleOfAScrolledOrZoomedPhoto) {
    const QString big = writePhoto("big.bmp", cells(800, 900));
    document::TF_FILHO* scrolled = insert(big, "1", 1000, 1000, 100, 300, 400);
    answerSave(folder + "scrolled.bmp");
    main->Salvar1Click();
    QImage saved = readBack(folder + "scrolled.bmp");
    ASSERT_EQ(saved.size(), QSize(241, 313));
    EXPECT_EQ(saved, scrolled->CompositeImage().convertToFormat(saved.format()));
    // Client (50, 50) shows photo (350, 450): cell (3, 4).
    EXPECT_EQ(saved.pixelColor(50, 50), QColor(200, 4 * 30, 3 * 40));

    insert(big, "1", 1000, 1000, 200, 600, 800);
    answerSave(folder + "zoomed.png");
    main->Salvarcomo1Click();
    saved = readBack(folder + "zoomed.png");
    ASSERT_EQ(saved.size(), QSize(241, 313));
    // Client (50, 50) at 200 % from offset (600, 800) shows photo (325, 425): cell (3, 4);
    // client (230, 300) shows photo (415, 550): cell (4, 5).
    EXPECT_EQ(saved.pixelColor(50, 50), QColor(200, 4 * 30, 3 * 40));
    EXPECT_EQ(saved.pixelColor(230, 300), QColor(200, 5 * 30, 4 * 40));
}

TEST_F(DocumentCommands, CancelledSaveWritesNothing) {
    insert(photo, "1", 0, 0);
    const QImage scratchBefore = main->PictureView1->Image();
    main->Salvarcomo1Click();
    EXPECT_EQ(dialogs.saveRequests.size(), 1);
    EXPECT_EQ(main->PictureView1->Image(), scratchBefore);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"photo.bmp"});
}

TEST_F(DocumentCommands, FailedSaveShowsTheErrorBoxAndLeavesWhatWasThere) {
    insert(photo, "1", 0, 0);
    // A folder where the file should go, with something in it.
    QDir(folder).mkpath("taken.bmp");
    QFile inside(folder + "taken.bmp/keep.txt");
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.write("keep");
    inside.close();
    answerSave(folder + "taken.bmp");
    triggerSave();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].caption, "VELVO 5");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_TRUE(messages.shown[0].text.contains("taken.bmp"));
    EXPECT_EQ(contents(folder + "taken.bmp/keep.txt"), "keep");
    // No half-written temporary file is left beside it.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"photo.bmp"});

    answerSave(folder + "no such folder/out.bmp");
    triggerSave();
    EXPECT_EQ(messages.shown.size(), 2);
    EXPECT_FALSE(QFileInfo::exists(folder + "no such folder"));

    // A name whose extension no writer knows is not a silent success.
    answerSave(folder + "result.xyz");
    triggerSave();
    ASSERT_EQ(messages.shown.size(), 3);
    EXPECT_TRUE(messages.shown[2].text.contains("result.xyz"));
    EXPECT_FALSE(QFileInfo::exists(folder + "result.xyz"));
    EXPECT_EQ(main->Documents().size(), 1);
}

TEST_F(DocumentCommands, FailedSaveOverAnExistingFileKeepsIt) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    insert(photo, "1", 0, 0);
    QDir(folder).mkpath("locked");
    const QString old = writePhoto("locked/old.bmp", solid(5, 5, kRed));
    const QByteArray before = contents(old);
    QFile::setPermissions(folder + "locked", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    answerSave(old);
    triggerSave();
    QFile::setPermissions(folder + "locked",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(contents(old), before);
}

TEST_F(DocumentCommands, CopyPutsThePhotoWithoutTheHairOnTheClipboard) {
    insert(photo, "1", 0, 0);
    main->Copiar1Click();
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(300, 400));
    EXPECT_EQ(copied.pixelColor(20, 20), rgb(kGrey));
}

TEST_F(DocumentCommands, TwoPastesGiveTwoDocumentsWithTheirOwnTempFiles) {
    QImage first(50, 40, QImage::Format_RGB32);
    first.fill(QColor(10, 200, 30));
    QGuiApplication::clipboard()->setImage(first);
    main->Colar1Click();
    QImage second(70, 20, QImage::Format_RGB32);
    second.fill(QColor(220, 20, 90));
    QGuiApplication::clipboard()->setImage(second);
    main->Colar1Click();

    ASSERT_EQ(main->Documents().size(), 2);
    EXPECT_EQ(main->CaptureCount, 2);
    EXPECT_FALSE(main->FromClipboard);
    const QString a = main->Documents()[0]->lblFilename->text();
    const QString b = main->Documents()[1]->lblFilename->text();
    EXPECT_EQ(a, folder + "Velvo5/Temp1.BMP");
    EXPECT_EQ(b, folder + "Velvo5/Temp2.BMP");
    // The first file still holds the first picture.
    const QImage fileA = readBack(a), fileB = readBack(b);
    EXPECT_EQ(fileA.size(), QSize(50, 40));
    EXPECT_EQ(fileA.pixelColor(3, 3), QColor(10, 200, 30));
    EXPECT_EQ(fileB.size(), QSize(70, 20));
    EXPECT_EQ(main->Documents()[1]->Image1->Image().pixelColor(3, 3), QColor(220, 20, 90));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(DocumentCommands, PasteWithoutAPictureWarnsAndMakesNothing) {
    QGuiApplication::clipboard()->setText("just text");
    main->Colar1Click();
    EXPECT_TRUE(main->Documents().isEmpty());
    EXPECT_EQ(main->CaptureCount, 0);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].caption, "VELVO");
    EXPECT_EQ(messages.shown[0].text, QString::fromUtf8("O Clipboard não contém Bitmap."));
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
}

TEST_F(DocumentCommands, MessagesAreLookedUpInTheTranslationFile) {
    main.reset();
    QFile file(folder + "language.lng");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Messages]\nO Clipboard não contém Bitmap.=No bitmap here.\n");
    file.close();
    main = std::make_unique<app::TF_HAIR>(folder);
    main->Colar1Click();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].caption, "VELVO");
    EXPECT_EQ(messages.shown[0].text, "No bitmap here.");
}

TEST_F(DocumentCommands, PrinterSetUpShowsItsDialog) {
    main->ConfigurarImpressora1Click();
    EXPECT_EQ(dialogs.pageSetupCalls, 1);
}

} // namespace
} // namespace velvo::testing

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>

#include "app/StudioFixture.h"

namespace velvo::testing {
namespace {

using DocumentCreation = StudioTest;

const imaging::Bgr kHair{30, 60, 200};

TEST_F(DocumentCreation, OpenModeLoadsThePhotoWithHiddenOverlayAndHairstyleOne) {
    const QString photo = writePhoto("client.bmp", solid(50, 40, {10, 20, 30}));
    writeHair(0, 1, hairstyle(12, 10, kHair));
    document::TF_FILHO* doc = openPhoto(photo);
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(doc->size(), QSize(241, 313));
    EXPECT_EQ(doc->Image1->Image().size(), QSize(50, 40));
    EXPECT_EQ(doc->Image1->Image().format(), QImage::Format_BGR888);
    EXPECT_EQ(doc->lblFilename->text(), photo);
    EXPECT_EQ(doc->Hair->text(), "Velvo5");
    EXPECT_EQ(doc->lblTipo->text(), "0");
    EXPECT_EQ(doc->HairNumber, 1);
    EXPECT_FALSE(doc->Image2->isVisible());
    EXPECT_EQ(doc->Image2->pos(), QPoint(0, 0));
    EXPECT_EQ(doc->Image2->size(), QSize(12, 10));
    EXPECT_EQ(doc->ImageAux2->Image().size(), QSize(12, 10));
    EXPECT_EQ(doc->L->text(), "0");
    EXPECT_EQ(doc->T->text(), "0");
    // Shown and active: the long caption.
    EXPECT_EQ(doc->Caption(), "1 - Curtos e Claros");
    EXPECT_EQ(main->ActiveDocument(), doc);
}

TEST_F(DocumentCreation, InsertModeTakesOverPhotoViewAndPlacesTheChosenHairstyle) {
    const QString photo = writePhoto("client.bmp", solid(400, 500, {10, 20, 30}));
    main->CategoryText = "2";
    writeHair(2, 3, hairstyle(20, 16, kHair));
    document::TF_FILHO* doc = insert(photo, "3", -7, 40, 150, 25, 35);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(doc->lblFilename->text(), photo);
    EXPECT_EQ(doc->lblTipo->text(), "2");
    EXPECT_EQ(doc->HairNumber, 3);
    EXPECT_EQ(doc->Image1->Zoom(), 150);
    EXPECT_EQ(doc->Image1->ViewX(), 25);
    EXPECT_EQ(doc->Image1->ViewY(), 35);
    EXPECT_TRUE(doc->Image2->isVisible());
    EXPECT_EQ(doc->Image2->geometry(), QRect(-7, 40, 20, 16));
    EXPECT_EQ(doc->L->text(), "-7");
    EXPECT_EQ(doc->T->text(), "40");
    EXPECT_EQ(doc->Caption(), "3 - Médios e Claros");
}

TEST_F(DocumentCreation, InsertAndReplayFallBackToHairstyleOneWhenTheNumberHasNoFile) {
    const QString photo = writePhoto("client.bmp", solid(30, 30, {10, 20, 30}));
    writeHair(0, 1, hairstyle(9, 9, kHair));
    writeHair(0, 2, hairstyle(11, 11, kHair));
    document::TF_FILHO* doc = insert(photo, "8", 0, 0);
    EXPECT_EQ(doc->HairNumber, 1);
    EXPECT_EQ(doc->Image2->size(), QSize(9, 9));

    main->ReplayHairNumber = 1;
    main->ReplayMode = true;
    document::TF_FILHO* replay = main->NewDocument();
    main->ReplayMode = false;
    EXPECT_EQ(replay->HairNumber, 2);
    EXPECT_EQ(main->ReplayHairNumber, 2);
    EXPECT_EQ(replay->Image2->size(), QSize(11, 11));
    EXPECT_TRUE(replay->Image2->isVisible());

    main->ReplayMode = true;
    document::TF_FILHO* wrapped = main->NewDocument();
    main->ReplayMode = false;
    EXPECT_EQ(main->ReplayHairNumber, 3);
    EXPECT_EQ(wrapped->HairNumber, 1);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(DocumentCreation, ClipboardModeKeepsThePictureInItsTemporaryFile) {
    QImage pasted(16, 12, QImage::Format_RGB32);
    pasted.fill(QColor(200, 100, 50));
    QGuiApplication::clipboard()->setImage(pasted);
    writeHair(0, 1, hairstyle(9, 9, kHair));
    main->CaptureCount = 3;
    main->FromClipboard = true;
    document::TF_FILHO* doc = main->NewDocument();
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_FALSE(main->FromClipboard);
    EXPECT_EQ(doc->lblFilename->text(), folder + "Velvo5/Temp3.BMP");
    EXPECT_EQ(doc->TempFilePath(3), folder + "Velvo5/Temp3.BMP");
    EXPECT_TRUE(QFileInfo(doc->lblFilename->text()).isFile());
    EXPECT_EQ(doc->HairNumber, 1);
    EXPECT_EQ(doc->Image1->Image().size(), QSize(16, 12));
    EXPECT_EQ(doc->Image1->Image().pixelColor(5, 5), QColor(200, 100, 50));
    // The overlay keeps its design state: shown at the top-left.
    EXPECT_TRUE(doc->Image2->isVisible());
    EXPECT_EQ(doc->Image2->pos(), QPoint(0, 0));
}

TEST_F(DocumentCreation, PhotoCategoryBecomesTheFirstCategory) {
    const QString photo = writePhoto("client.bmp", solid(30, 30, {10, 20, 30}));
    writeHair(0, 1, hairstyle(9, 9, kHair));
    main->CategoryText = "7";
    document::TF_FILHO* doc = openPhoto(photo);
    EXPECT_EQ(main->CategoryText, "0");
    EXPECT_EQ(doc->lblTipo->text(), "0");
}

TEST_F(DocumentCreation, HairFilePathFollowsTheCategoryListAsItShowsNow) {
    const QString photo = writePhoto("client.bmp", solid(30, 30, {10, 20, 30}));
    writeHair(0, 1, hairstyle(9, 9, kHair));
    document::TF_FILHO* doc = openPhoto(photo);
    EXPECT_EQ(doc->HairFilePath("Velvo5", "2", 14), folder + "Velvo5/Médios e Claros/14.GIF");
    EXPECT_EQ(doc->HairFilePath("Velvo42", "6", 1), folder + "Velvo42/Masculinos/1.GIF");

    main->CB_TIPO->setItemText(3, "Medium Dark");
    writeBytes(folder + "Velvo5/Medium Dark/4.GIF", imaging::encodeGif(hairstyle(13, 7, kHair)));
    main->CategoryText = "3";
    document::TF_FILHO* renamed = insert(photo, "4", 5, 5);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(renamed->HairNumber, 4);
    EXPECT_EQ(renamed->Image2->size(), QSize(13, 7));
    EXPECT_EQ(renamed->Caption(), "4 - Medium Dark");
}

TEST_F(DocumentCreation, UnreadablePhotoShowsTheStandardErrorAndTheDocumentStillOpens) {
    const QString photo = folder + "broken.bmp";
    writeBytes(photo, {'B', 'M', 1, 2, 3});
    writeHair(0, 1, hairstyle(9, 9, kHair));
    document::TF_FILHO* doc = openPhoto(photo);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].caption, "VELVO 5");
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(messages.shown[0].text.contains("broken.bmp"))
        << messages.shown[0].text.toStdString();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(main->Documents().size(), 1);
    EXPECT_TRUE(main->Action("Fechar1")->isEnabled());
    EXPECT_TRUE(doc->Image1->IsEmpty());
    EXPECT_EQ(doc->lblFilename->text(), "FileNameFoto");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(DocumentCreation, FailureKeepsWhatWasLoadedSoFar) {
    const QString photo = writePhoto("client.bmp", solid(30, 20, {10, 20, 30}));
    writeHair(0, 1, hairstyle(9, 9, kHair));
    // Not a number: the photo is in, the hairstyle is not.
    document::TF_FILHO* doc = insert(photo, "abc", 3, 3);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.contains("abc"));
    EXPECT_EQ(doc->Image1->Image().size(), QSize(30, 20));
    EXPECT_EQ(doc->lblFilename->text(), photo);
    EXPECT_EQ(doc->HairNumber, 0);
    EXPECT_TRUE(doc->ImageAux2->IsEmpty());

    // Hairstyle 1 missing altogether.
    QFile::remove(hairPath(0, 1));
    document::TF_FILHO* bare = openPhoto(photo);
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_TRUE(messages.shown[1].text.contains("1.GIF"));
    EXPECT_EQ(bare->Image1->Image().size(), QSize(30, 20));
    EXPECT_EQ(main->Documents().size(), 2);
}

TEST_F(DocumentCreation, HairstyleFileThatIsNotAGifIsReportedNotReplacedByAnOldOne) {
    const QString photo = writePhoto("client.bmp", solid(30, 20, {10, 20, 30}));
    writeHair(0, 1, hairstyle(9, 9, kHair));
    openPhoto(photo); // leaves hairstyle 1 in the scratch view
    writeBytes(hairPath(0, 2), imaging::encodeBmp(hairstyle(14, 14, kHair)));
    document::TF_FILHO* doc = insert(photo, "2", 0, 0);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.contains("2.GIF"));
    EXPECT_NE(doc->Image2->size(), QSize(9, 9));
}

TEST_F(DocumentCreation, ClosingFreesTheDocument) {
    const QString photo = writePhoto("client.bmp", solid(30, 20, {10, 20, 30}));
    writeHair(0, 1, hairstyle(9, 9, kHair));
    QPointer<document::TF_FILHO> doc = openPhoto(photo);
    doc->SubWindow()->close();
    EXPECT_FALSE(main->Action("Salvar1")->isEnabled());
    flushDeletes();
    EXPECT_TRUE(doc.isNull());
    EXPECT_TRUE(main->Documents().isEmpty());
}

} // namespace
} // namespace velvo::testing

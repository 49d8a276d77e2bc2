// The "&Retoque" entries through the real retouch editor: what comes back into the document
// on return, and that any other way out leaves it untouched.
#include <QAction>
#include <QFileInfo>
#include <QTest>
#include <QToolButton>

#include "app/ProgramBlock.h"
#include "app/StudioFixture.h"
#include "imaging/RasterImage.h"
#include "retouch/TColorComboBoxEx.h"
#include "retouch/TF_DRAW.h"
#include "retouch/TLineWidthComboBox.h"

namespace velvo::testing {
namespace {

const QColor kBlue(0, 0, 255);

class RetouchRoundTrip : public StudioTest {
protected:
    void SetUp() override {
        StudioTest::SetUp();
        photo = writePhoto("photo.bmp", solid(120, 90, {40, 60, 80}));
        writeHair(0, 1, hairstyle(40, 30, {30, 60, 120}));
        writeHair(0, 2, hairstyle(12, 12, {20, 90, 40}));
        editor = std::make_unique<retouch::TF_DRAW>(main.get());
        main->Retoucher = editor.get();
    }
    void TearDown() override {
        editor.reset();
        StudioTest::TearDown();
    }
    // What the user does in the editor, in place of its modal loop: a one-pixel blue line
    // along row 5 from x = 3 to 20, then `leave`.
    void whileShown(std::function<void()> leave) {
        editor->WhileShown = [this, leave] {
            shownPicture = editor->Image->Image();
            overlayHidden = doc->Image2->isHidden();
            editor->ColorComboBoxEx1->SetColorValue(kBlue);
            QTest::keyClick(editor->LineWidthComboBox1, Qt::Key_Home);
            QTest::mousePress(editor->Image, Qt::LeftButton, {}, {3, 5});
            QTest::mouseMove(editor->Image, {20, 5});
            QTest::mouseRelease(editor->Image, Qt::LeftButton, {}, {20, 5});
            leave();
            stillShown = editor->isVisible();
        };
    }

    QString photo;
    std::unique_ptr<retouch::TF_DRAW> editor;
    document::TF_FILHO* doc = nullptr;
    QImage shownPicture;
    bool overlayHidden = false;
    bool stillShown = true;
};

TEST_F(RetouchRoundTrip, ARetouchedHairstyleComesBackIntoTheOverlay) {
    doc = insert(photo, "1", 0, 0);
    const QImage pristine = doc->ImageAux2->Image();
    whileShown([this] { QTest::mouseClick(editor->VelvoButton1, Qt::LeftButton); });
    main->RetoqueCabelo1Click();
    EXPECT_EQ(shownPicture, pristine);
    EXPECT_FALSE(stillShown);
    EXPECT_EQ(doc->Image2->Picture().size(), QSize(40, 30));
    EXPECT_EQ(at(doc->Image2->Picture(), 10, 5), kBlue);
    EXPECT_EQ(at(doc->Image2->Picture(), 10, 15), rgb({30, 60, 120}));
}

TEST_F(RetouchRoundTrip, ARetouchedPhotoIsWrittenToANewTempFileThatLaterInsertionsLoad) {
    doc = insert(photo, "1", 0, 0);
    main->CaptureCount = 4;
    whileShown([this] { QTest::mouseClick(editor->VelvoButton1, Qt::LeftButton); });
    main->RetoqueFoto1Click();
    EXPECT_TRUE(overlayHidden);
    EXPECT_FALSE(doc->Image2->isHidden());
    EXPECT_EQ(shownPicture.size(), QSize(120, 90));
    EXPECT_EQ(at(doc->Image1->Image(), 10, 5), kBlue);
    const QString temp = folder + "Velvo5/Temp5.BMP";
    EXPECT_EQ(doc->lblFilename->text(), temp);
    EXPECT_EQ(at(imaging::toQImage(*imaging::loadImageFile(temp.toStdString())), 10, 5), kBlue);

    main->InsertHairstyle("2");
    ASSERT_NE(main->ActiveDocument(), doc);
    EXPECT_EQ(main->ActiveDocument()->lblFilename->text(), temp);
    EXPECT_EQ(at(main->ActiveDocument()->Image1->Image(), 10, 5), kBlue);
}

TEST_F(RetouchRoundTrip, EscapeAndExitReturnNothing) {
    doc = insert(photo, "1", 0, 0);
    const QImage photoBefore = doc->Image1->Image();
    const QImage hairBefore = doc->Image2->Picture();
    whileShown([this] { QTest::keyClick(editor.get(), Qt::Key_Escape); });
    main->RetoqueFoto1Click();
    EXPECT_FALSE(stillShown);
    EXPECT_EQ(at(editor->Image->Image(), 10, 5), kBlue) << "the stroke was made";
    EXPECT_EQ(doc->Image1->Image(), photoBefore);
    EXPECT_EQ(doc->lblFilename->text(), photo);
    EXPECT_FALSE(QFileInfo::exists(folder + "Velvo5/Temp1.BMP"));

    whileShown([this] { editor->Action("Exit1")->trigger(); });
    main->RetoqueCabelo1Click();
    EXPECT_FALSE(stillShown);
    EXPECT_EQ(doc->Image2->Picture(), hairBefore);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST(ProgramBlockRetouch, TheMainWindowHandsItsPicturesToTheHiddenEditor) {
    QTemporaryDir dir;
    platform::RecordingMessages messages;
    platform::Messages::setInstance(&messages);
    auto windows = app::CreateProgramWindows(dir.path());
    ASSERT_NE(windows->F_DRAW, nullptr);
    EXPECT_EQ(retouch::F_DRAW, windows->F_DRAW.get());
    EXPECT_EQ(windows->F_HAIR->Retoucher, windows->F_DRAW.get());
    EXPECT_FALSE(windows->F_DRAW->isVisible());
    EXPECT_TRUE(messages.shown.isEmpty());
    windows.reset();
    EXPECT_EQ(retouch::F_DRAW, nullptr);
    platform::Messages::setInstance(nullptr);
}

} // namespace
} // namespace velvo::testing

#include <QStatusBar>

#include "StudioFixture.h"
#include "app/ProgramBlock.h"

namespace velvo::testing {
namespace {

using platform::MessageIcon;

// A document opens with the category's first hairstyle laid over the photo.
class CommandLineFiles : public StudioTest {
protected:
    void SetUp() override {
        StudioTest::SetUp();
        writeHair(0, 1, hairstyle(8, 8, {200, 0, 0}));
    }
};

TEST_F(CommandLineFiles, EachFileOpensAsADocumentAndABrokenOneDoesNotStopTheRest) {
    const QString first = writePhoto("first.bmp", solid(40, 30, {0, 0, 255}));
    const QString second = writePhoto("second.bmp", solid(20, 50, {0, 255, 0}));
    const QString broken = folder + "broken.jpg";
    writeBytes(broken, {0xFF, 0xD8, 0xFF, 0x00, 0x01});

    app::OpenFiles(*main, {first, broken, second});

    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_TRUE(messages.shown[0].text.contains("broken.jpg"))
        << messages.shown[0].text.toStdString();
    QStringList opened;
    for (document::TF_FILHO* doc : main->Documents())
        opened << doc->lblFilename->text();
    EXPECT_TRUE(opened.contains(first)) << opened.join(", ").toStdString();
    EXPECT_TRUE(opened.contains(second)) << opened.join(", ").toStdString();
    EXPECT_EQ(main->ActiveDocument()->lblFilename->text(), second) << "opened in their order";
    EXPECT_FALSE(main->OpenMode);
}

TEST_F(CommandLineFiles, AMissingFileGetsAbrirFotosWarning) {
    const QString photo = writePhoto("photo.bmp", solid(10, 10, {9, 9, 9}));
    app::OpenFiles(*main, {folder + "gone.jpg", photo});

    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, "Arquivo não encontrado.");
    ASSERT_EQ(main->Documents().size(), 1);
    EXPECT_EQ(main->Documents()[0]->lblFilename->text(), photo);
}

TEST_F(CommandLineFiles, AFolderIsNamedAsAFolder) {
    const QString photo = writePhoto("photo.bmp", solid(10, 10, {9, 9, 9}));
    ASSERT_TRUE(QDir(folder).mkpath("x.jpg"));
    app::OpenFiles(*main, {folder + "x.jpg", photo});

    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.contains(folder + "x.jpg"))
        << messages.shown[0].text.toStdString();
    EXPECT_TRUE(messages.shown[0].text.contains("pasta")) << messages.shown[0].text.toStdString();
    ASSERT_EQ(main->Documents().size(), 1);
    EXPECT_EQ(main->Documents()[0]->lblFilename->text(), photo);
}

// What can be read of a cut photo opens; the status bar names the file and says it is
// incomplete, and a whole photo says nothing.
TEST_F(CommandLineFiles, ACutPhotoOpensWithAWordInTheStatusBar) {
    imaging::Raster picture = solid(64, 48, {0, 0, 0});
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            picture.set(x, y, {uint8_t(x * 4), uint8_t(y * 5), uint8_t((x * y) % 251)});
    const std::vector<uint8_t> jpeg = imaging::encodeJpeg(picture);
    writeBytes(folder + "whole.jpg", jpeg);
    writeBytes(folder + "cut.jpg", {jpeg.begin(), jpeg.begin() + ptrdiff_t(jpeg.size() * 3 / 10)});

    app::OpenFiles(*main, {folder + "whole.jpg"});
    EXPECT_EQ(main->statusBar()->currentMessage(), QString());
    app::OpenFiles(*main, {folder + "cut.jpg"});

    EXPECT_TRUE(messages.shown.empty());
    ASSERT_EQ(main->Documents().size(), 2);
    EXPECT_EQ(main->ActiveDocument()->Image1->Image().size(), QSize(64, 48));
    const QString status = main->statusBar()->currentMessage();
    EXPECT_TRUE(status.contains(folder + "cut.jpg")) << status.toStdString();
    EXPECT_TRUE(status.contains("incompleta")) << status.toStdString();
}

} // namespace
} // namespace velvo::testing

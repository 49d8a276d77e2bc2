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

} // namespace
} // namespace velvo::testing

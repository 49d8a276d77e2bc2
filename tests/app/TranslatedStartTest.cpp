#include "StudioFixture.h"

#include <QFile>

namespace velvo::testing {

// A translation file present at start re-labels the main window; translated category
// names are also the folders in which hairstyles are looked for.
class TranslatedStart : public StudioTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QFile file(dir.path() + "/language.lng");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Translations]\n"
                   "f_hair.imprimir1.caption=&Print\n"
                   "F_HAIR.CB_TIPO.Items=Short Light,Short Dark,Medium Light,Medium Dark,"
                   "Long Light,Long Dark,Male\n"
                   "[Messages]\n"
                   "Abra uma foto e depois escolha um cabelo!=Open a photo, then choose a hairstyle!\n");
        file.close();
        StudioTest::SetUp();
    }
};

TEST_F(TranslatedStart, CategoryItemsNameTheHairstyleFolders) {
    ASSERT_EQ(main->CB_TIPO->count(), 7);
    EXPECT_EQ(main->CB_TIPO->itemText(2), "Medium Light");
    EXPECT_EQ(main->CB_TIPO->currentIndex(), 0);
    auto* imprimir = main->findChild<QAction*>("Imprimir1");
    ASSERT_NE(imprimir, nullptr);
    EXPECT_EQ(imprimir->text(), "&Print");

    const QString photo = writePhoto("photo.bmp", solid(40, 30, {10, 20, 30}));
    writeBytes(folder + "Velvo5/Medium Light/1.GIF",
               imaging::encodeGif(hairstyle(8, 8, {0, 0, 200})));
    main->CategoryText = "2";
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->HairFilePath("Velvo5", "2", 1), folder + "Velvo5/Medium Light/1.GIF");
    EXPECT_EQ(doc->HairNumber, 1);
}

TEST_F(TranslatedStart, MessageTextsAreTranslatedButNotTheirCaptions) {
    main->ShowMessage("VELVO", "Abra uma foto e depois escolha um cabelo!",
                      platform::MessageIcon::Information);
    main->ShowMessage("VELVO", "Sem tradução", platform::MessageIcon::Information);
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[0].caption, "VELVO");
    EXPECT_EQ(messages.shown[0].text, "Open a photo, then choose a hairstyle!");
    EXPECT_EQ(messages.shown[1].text, "Sem tradução");
}

} // namespace velvo::testing

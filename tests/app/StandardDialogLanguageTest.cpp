// The toolkit's own dialogs speak the studio's language, or the one the translation file names.
#include <QAbstractButton>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/ProgramBlock.h"
#include "platform/Messages.h"
#include "translation/StandardDialogLanguage.h"

namespace velvo::testing {
namespace {

// What a message box's Yes button says now.
QString yesButton() {
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes);
    return box.button(QMessageBox::Yes)->text();
}

struct DialogLanguage {
    const char* name;
    const char* languageFile; // null: no language.lng
    bool withTranslations;    // false: a translations folder without any
    const char* language;
    const char* yes;
};

const DialogLanguage kLanguages[] = {
    {"NoFileMeansPortuguese", nullptr, true, "pt_BR", "&Sim"},
    {"FileWithoutCodeKeepsPortuguese", "[Translations]\nF_HAIR.Sair1.CAPTION=Exit\n", true,
     "pt_BR", "&Sim"},
    {"Spanish", "[Language]\nCode=es\n", true, "es_ES", "&Sí"},
    {"English", "[language]\ncode = en\n", true, "en", "&Yes"},
    {"RegionOnlyFallsBackToItsLanguage", "[Language]\nCode=pt\n", true, "pt_BR", "&Sim"},
    // A code is part of a file name; one that reaches elsewhere is no code at all.
    {"PathIsNoCode", "[Language]\nCode=../../../tmp/qtbase_es\n", true, "pt_BR", "&Sim"},
    {"MissingTranslationLeavesEnglish", nullptr, false, "en", "&Yes"},
};

class StandardDialogs : public ::testing::TestWithParam<DialogLanguage> {
protected:
    void SetUp() override { platform::Messages::setInstance(&messages); }
    void TearDown() override {
        translation::InstallStandardDialogLanguage({}, empty.path());
        platform::Messages::setInstance(nullptr);
    }
    QTemporaryDir dir;
    QTemporaryDir empty;
    platform::RecordingMessages messages;
};

TEST_P(StandardDialogs, FollowTheLanguageTheFileNames) {
    const DialogLanguage& row = GetParam();
    const QString file = dir.path() + "/language.lng";
    if (row.languageFile) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(row.languageFile);
    }
    const QString language = translation::InstallStandardDialogLanguage(
        file, row.withTranslations ? QString() : empty.path());
    EXPECT_EQ(language, row.language);
    EXPECT_EQ(translation::StandardDialogsLanguage(), row.language);
    EXPECT_EQ(yesButton(), QString::fromUtf8(row.yes));
    EXPECT_TRUE(messages.shown.isEmpty()) << "a missing translation is no error";
}

INSTANTIATE_TEST_SUITE_P(Languages, StandardDialogs, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return std::string(info.param.name); });

// The program puts the dialogs into the file's language before it makes its windows, and a
// second start with another file leaves no trace of the first language.
TEST(StandardDialogsAtStart, FollowTheProgramFoldersTranslationFile) {
    platform::RecordingMessages messages;
    platform::Messages::setInstance(&messages);
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELVO_DATA_DIR) + "language-es.lng",
                            dir.path() + "/language.lng"));
    auto windows = app::CreateProgramWindows(dir.path());
    EXPECT_EQ(translation::StandardDialogsLanguage(), "es_ES");
    EXPECT_EQ(yesButton(), QString::fromUtf8("&Sí"));
    windows.reset();

    ASSERT_TRUE(QFile::remove(dir.path() + "/language.lng"));
    windows = app::CreateProgramWindows(dir.path());
    EXPECT_EQ(translation::StandardDialogsLanguage(), "pt_BR");
    EXPECT_EQ(yesButton(), "&Sim");
    windows.reset();
    platform::Messages::setInstance(nullptr);
}

} // namespace
} // namespace velvo::testing

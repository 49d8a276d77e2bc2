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

// Run in this order, the last row also shows that an earlier language is replaced, not kept.
const DialogLanguage kLanguages[] = {
    {"NoFileMeansPortuguese", nullptr, true, "pt_BR", "&Sim"},
    {"Spanish", "[language]\ncode = es\n", true, "es_ES", "&Sí"},
    // A code is part of a file name; one that reaches elsewhere is no code at all.
    {"PathIsNoCode", "[Language]\nCode=../../../tmp/qtbase_es\n", true, "pt_BR", "&Sim"},
    {"MissingTranslationLeavesEnglish", "[Language]\nCode=es\n", false, "en", "&Yes"},
};

class StandardDialogs : public ::testing::TestWithParam<DialogLanguage> {
protected:
    void SetUp() override { platform::Messages::setInstance(&messages); }
    void TearDown() override { platform::Messages::setInstance(nullptr); }
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

// The program puts the dialogs into the file's language before it makes its windows.
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
    // No Spanish left behind for the tests after this one.
    translation::InstallStandardDialogLanguage({}, dir.path());
    platform::Messages::setInstance(nullptr);
}

} // namespace
} // namespace velvo::testing

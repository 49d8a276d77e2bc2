#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>

#include "app/StudioFolder.h"
#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "imaging/codecs/Error.h"
#include "platform/Dialogs.h"
#include "platform/Help.h"
#include "platform/Messages.h"

using velvo::app::StudioFolder;
namespace fs = std::filesystem;

namespace {

namespace platform = velvo::platform;

void write(const QString& file, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
QByteArray read(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
QString linkTarget(const QString& link) {
    std::error_code ec;
    return QString::fromStdString(fs::read_symlink(link.toStdString(), ec).string());
}

const auto readOnly = [](const QString&) { return false; };

// An installed program folder as the build lays it out, and an empty home for the studio.
class StudioFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        program = installDir.path() + "/lib/velvo-studio/";
        studio = homeDir.path() + "/velvo-studio/";
        write(program + "velvo", "executable");
        write(program + "Velvo5/Curtos e Claros/1.GIF", "hair 1");
        write(program + "Velvo5/Masculinos/2.GIF", "hair 2");
        QDir().mkpath(program + "Velvo5/Longos e Escuros");
        write(program + "Velvo42/Curtos e Claros/1.GIF", "hair 42");
        write(program + "Modelo.JPG", "jpeg");
        write(program + "Cartela.tif", "tiff");
        write(program + "velvo.ini", "[settings]");
        write(program + "language-en.lng", "english");
        write(program + "help/index.html", "guide");
        write(program + "help-en/index.html", "guide en");
        write(program + "notes.txt", "not the studio's");
        platform::Messages::setInstance(&messages);
    }
    void TearDown() override { platform::Messages::setInstance(nullptr); }

    QTemporaryDir installDir, homeDir;
    QString program, studio;
    platform::RecordingMessages messages;
};

TEST_F(StudioFolderTest, AWritableProgramFolderIsUsedAsItIs) {
    EXPECT_EQ(StudioFolder::choose(program, studio), program);
    EXPECT_FALSE(QFileInfo::exists(studio));
    EXPECT_TRUE(StudioFolder::canWrite(program));
    EXPECT_FALSE(StudioFolder::canWrite(program + "no-such-folder"));
}

TEST_F(StudioFolderTest, AReadOnlyInstallSeedsTheStudioFolder) {
    ASSERT_EQ(StudioFolder::choose(program.chopped(1), studio.chopped(1), readOnly), studio);

    EXPECT_EQ(read(studio + "Velvo5/Curtos e Claros/1.GIF"), "hair 1");
    EXPECT_EQ(read(studio + "Velvo5/Masculinos/2.GIF"), "hair 2");
    EXPECT_TRUE(QFileInfo(studio + "Velvo5/Longos e Escuros").isDir());
    EXPECT_EQ(read(studio + "Velvo42/Curtos e Claros/1.GIF"), "hair 42");
    EXPECT_FALSE(QFileInfo(studio + "Velvo5").isSymLink()) << "the libraries are the salon's own";
    EXPECT_EQ(read(studio + "Modelo.JPG"), "jpeg");
    EXPECT_EQ(read(studio + "Cartela.tif"), "tiff");
    EXPECT_EQ(read(studio + "velvo.ini"), "[settings]");

    EXPECT_EQ(linkTarget(studio + "help"), program + "help");
    EXPECT_EQ(linkTarget(studio + "help-en"), program + "help-en");
    EXPECT_FALSE(QFileInfo::exists(studio + "help-es")) << "nothing to link to";
    EXPECT_EQ(linkTarget(studio + "language-en.lng"), program + "language-en.lng");

    EXPECT_FALSE(QFileInfo::exists(studio + "velvo"));
    EXPECT_FALSE(QFileInfo::exists(studio + "notes.txt"));
    EXPECT_FALSE(QFileInfo::exists(studio + "language.lng"));
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_TRUE(QDir(studio).entryList({"*.new", "*.part", "*~"}, QDir::Files).isEmpty());
}

TEST_F(StudioFolderTest, ANextStartFinishesASeedingAndKeepsWhatTheSalonChanged) {
    // A first start that stopped part-way: one hairstyle copied and since redrawn, a photo
    // replaced, the guide's folder made by hand, an old link from an earlier install.
    write(studio + "Velvo5/Curtos e Claros/1.GIF", "redrawn");
    write(studio + "Velvo5/Curtos e Claros/9.GIF", "added by the salon");
    write(studio + "Modelo.JPG", "another model");
    write(studio + "help/index.html", "our own notes");
    fs::create_symlink("/opt/old/help-en", (studio + "help-en").toStdString());

    StudioFolder::seed(program, studio);

    EXPECT_EQ(read(studio + "Velvo5/Curtos e Claros/1.GIF"), "redrawn");
    EXPECT_EQ(read(studio + "Velvo5/Curtos e Claros/9.GIF"), "added by the salon");
    EXPECT_EQ(read(studio + "Velvo5/Masculinos/2.GIF"), "hair 2");
    EXPECT_EQ(read(studio + "Velvo42/Curtos e Claros/1.GIF"), "hair 42");
    EXPECT_EQ(read(studio + "Modelo.JPG"), "another model");
    EXPECT_EQ(read(studio + "Cartela.tif"), "tiff");
    EXPECT_EQ(read(studio + "help/index.html"), "our own notes");
    EXPECT_EQ(linkTarget(studio + "help-en"), program + "help-en");
}

TEST_F(StudioFolderTest, WhatTheSalonRemovesAfterACompleteSeedingStaysRemoved) {
    StudioFolder::seed(program, studio);
    QFile::remove(studio + "Velvo5/Masculinos/2.GIF");
    QFile::remove(studio + "Cartela.tif");
    QFile::remove(studio + "help");
    StudioFolder::seed(program, studio);
    EXPECT_FALSE(QFileInfo::exists(studio + "Velvo5/Masculinos/2.GIF"));
    EXPECT_FALSE(QFileInfo::exists(studio + "Cartela.tif"));
    EXPECT_EQ(linkTarget(studio + "help"), program + "help") << "links follow the install";
}

TEST_F(StudioFolderTest, AFaultIsReportedAfterTheRestIsSeeded) {
    // A file where a library folder belongs stands for a folder that cannot be written.
    write(studio + "Velvo42", "in the way");

    EXPECT_THROW(StudioFolder::seed(program, studio), velvo::Error);
    EXPECT_EQ(read(studio + "Velvo5/Masculinos/2.GIF"), "hair 2");
    EXPECT_EQ(read(studio + "velvo.ini"), "[settings]");
    EXPECT_FALSE(QFileInfo::exists(studio + StudioFolder::kSeededMarker)) << "not complete";

    // At start the fault is the standard error box, and the studio folder is still used.
    EXPECT_EQ(StudioFolder::choose(program, studio, readOnly), studio);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(messages.shown[0].text.contains("Velvo42"));
}

TEST_F(StudioFolderTest, TheUserFolderFollowsXdgDataHome) {
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/srv/salon/data");
    EXPECT_EQ(StudioFolder::userFolder(), "/srv/salon/data/velvo-studio/");
    qputenv("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(StudioFolder::userFolder(), QDir::homePath() + "/.local/share/velvo-studio/");
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(StudioFolder::userFolder(), QDir::homePath() + "/.local/share/velvo-studio/");
    if (!saved.isNull())
        qputenv("XDG_DATA_HOME", saved);
}

TEST_F(StudioFolderTest, APasteInAnInstalledStudioWritesItsTempFileInTheStudioFolder) {
    platform::ScriptedDialogs dialogs;
    platform::RecordingHelp help;
    platform::Dialogs::setInstance(&dialogs);
    platform::Help::setInstance(&help);
    {
        velvo::app::TF_HAIR main(StudioFolder::choose(program, studio, readOnly));
        QImage picture(30, 20, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QGuiApplication::clipboard()->setImage(picture);
        main.Colar1Click();
        ASSERT_EQ(main.Documents().size(), 1);
        EXPECT_EQ(main.Documents()[0]->lblFilename->text(), studio + "Velvo5/Temp1.BMP");
        EXPECT_TRUE(QFileInfo(studio + "Velvo5/Temp1.BMP").isFile());
        EXPECT_FALSE(QFileInfo::exists(program + "Velvo5/Temp1.BMP"));
        EXPECT_EQ(main.HelpFile, studio + "help/index.html");
    }
    QGuiApplication::clipboard()->clear();
    platform::Dialogs::setInstance(nullptr);
    platform::Help::setInstance(nullptr);
}

} // namespace

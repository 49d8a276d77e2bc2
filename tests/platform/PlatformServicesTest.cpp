#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>
#include <set>

#include "imaging/codecs/Error.h"
#include "platform/Convert.h"
#include "platform/Cursors.h"
#include "platform/DialogComponents.h"
#include "platform/Dialogs.h"
#include "platform/Help.h"
#include "platform/Messages.h"

namespace velvo::platform {
namespace {

TEST(NameFilters, WindowsFilterBecomesQtNameFilters) {
    EXPECT_EQ(qtNameFilters("All graphics|*.jpg;*.jpeg;*.gif|BMP files (*.bmp)|*.bmp"),
              (QStringList{"All graphics (*.jpg *.jpeg *.gif)", "BMP files (*.bmp)"}));
    EXPECT_EQ(qtNameFilters("JPEG files (*.jpg;*.jpeg)|*.jpg; *.jpeg"),
              QStringList{"JPEG files (*.jpg *.jpeg)"});
    // A dangling description has no patterns and is dropped; nothing at all gives nothing.
    EXPECT_EQ(qtNameFilters("Text|*.txt|Orphan"), QStringList{"Text (*.txt)"});
    EXPECT_TRUE(qtNameFilters("").isEmpty());
}

class DialogComponents : public ::testing::Test {
protected:
    void SetUp() override { Dialogs::setInstance(&script); }
    void TearDown() override { Dialogs::setInstance(nullptr); }
    ScriptedDialogs script;
};

TEST_F(DialogComponents, ExecuteHandsTheSettingsOverAndKeepsTheAnswer) {
    TSavePictureDialog save;
    save.Filter = "A|*.a|B|*.bmp";
    save.FilterIndex = 2;
    save.DefaultExt = "bmp";
    save.InitialDir = "/tmp/x";
    save.Title = "Salvar";
    save.Options = ofOverwritePrompt;
    script.saveAnswers.append({true, "/tmp/x/result", 1});
    ASSERT_TRUE(save.Execute());
    ASSERT_EQ(script.saveRequests.size(), 1);
    const FileDialogRequest& r = script.saveRequests[0];
    EXPECT_EQ(r.filter, "A|*.a|B|*.bmp");
    EXPECT_EQ(r.filterIndex, 2);
    EXPECT_EQ(r.initialDir, "/tmp/x");
    EXPECT_EQ(r.title, "Salvar");
    EXPECT_EQ(r.options, int(ofOverwritePrompt));
    // No extension typed: the default one is added.
    EXPECT_EQ(save.FileName, "/tmp/x/result.bmp");
    EXPECT_EQ(save.FilterIndex, 1);

    script.saveAnswers.append({true, "/tmp/x/photo.jpg", 1});
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, "/tmp/x/photo.jpg");
}

TEST_F(DialogComponents, CancelLeavesTheSettingsAsTheyWere) {
    TOpenPictureDialog open;
    open.FileName = "before.bmp";
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.FileName, "before.bmp");
    // An open dialog never adds an extension.
    open.DefaultExt = "bmp";
    script.openAnswers.append({true, "/photos/noext", 1});
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName, "/photos/noext");

    TPrintDialog print;
    TPrinterSetupDialog setup;
    script.printAnswers.append(true);
    EXPECT_TRUE(print.Execute());
    EXPECT_FALSE(print.Execute());
    EXPECT_FALSE(setup.Execute());
    EXPECT_EQ(script.printCalls, 2);
    EXPECT_EQ(script.pageSetupCalls, 1);
}

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::setInstance(&recording);
        setApplicationTitle("VELVO 5");
    }
    void TearDown() override { Messages::setInstance(nullptr); }
    RecordingMessages recording;
};

TEST_F(MessagesTest, RecordsAndAnswersFromTheQueue) {
    recording.answers = {mbNo};
    EXPECT_EQ(Messages::instance().show("WARNING", "texto", MessageIcon::Information, mbYes | mbNo),
              mbNo);
    EXPECT_EQ(Messages::instance().show("VELVO", "outro", MessageIcon::Warning, mbYes | mbNo),
              mbYes);
    ASSERT_EQ(recording.shown.size(), 2);
    EXPECT_EQ(recording.shown[0].caption, "WARNING");
    EXPECT_EQ(recording.shown[0].text, "texto");
    EXPECT_EQ(recording.shown[0].icon, MessageIcon::Information);
}

TEST_F(MessagesTest, GuardShowsTheStandardErrorBoxAndTheProgramGoesOn) {
    bool after = false;
    EXPECT_FALSE(runGuarded([] { throw velvo::Error("photo.gif", "truncated LZW data"); }));
    EXPECT_FALSE(runGuarded([] { throw std::runtime_error("other fault"); }));
    EXPECT_TRUE(runGuarded([&] { after = true; }));
    EXPECT_TRUE(after);
    ASSERT_EQ(recording.shown.size(), 2);
    EXPECT_EQ(recording.shown[0].caption, "VELVO 5");
    EXPECT_EQ(recording.shown[0].text, "photo.gif: truncated LZW data");
    EXPECT_EQ(recording.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(recording.shown[0].buttons, int(mbOk));
    EXPECT_EQ(recording.shown[1].text, "other fault");
}

TEST_F(MessagesTest, BusyCursorIsRestoredWhenAnErrorLeavesTheScope) {
    runGuarded([] {
        BusyCursor busy;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw velvo::Error("", "fault");
    });
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(StrToIntTest, AcceptsDecimalTextAndRejectsTheRest) {
    EXPECT_EQ(StrToInt("14"), 14);
    EXPECT_EQ(StrToInt(" -7 "), -7);
    EXPECT_EQ(StrToInt("+3"), 3);
    EXPECT_THROW(StrToInt("abc"), velvo::Error);
    EXPECT_THROW(StrToInt(""), velvo::Error);
    EXPECT_THROW(StrToInt("1.5"), velvo::Error);
    EXPECT_THROW(StrToInt("99999999999"), velvo::Error);
    try {
        StrToInt("x1");
    } catch (const velvo::Error& e) {
        EXPECT_STREQ(e.what(), "'x1' is not a valid integer value");
    }
}

TEST(CursorRegistry, EightDistinctPicturesUnderTheirNumbers) {
    registerEngineCursors();
    std::set<qint64> pictures;
    for (int id = crZoomOut; id <= crCross2; ++id) {
        ASSERT_TRUE(Cursors::instance().has(id)) << id;
        const QCursor c = Cursors::instance().cursor(id);
        EXPECT_EQ(c.shape(), Qt::BitmapCursor) << id;
        const QImage image = c.pixmap().toImage();
        EXPECT_EQ(image.size(), QSize(32, 32)) << id;
        pictures.insert(image.cacheKey() ^
                        qHash(QByteArray(reinterpret_cast<const char*>(image.constBits()),
                                         image.sizeInBytes())));
    }
    EXPECT_EQ(pictures.size(), 8u);
    EXPECT_FALSE(Cursors::instance().has(1777));
    EXPECT_EQ(Cursors::instance().cursor(1777).shape(), Qt::ArrowCursor);
    // Zoom cursors point at the lens centre, the pen at its tip.
    EXPECT_EQ(Cursors::instance().cursor(crZoomIn).hotSpot(), QPoint(11, 11));
    EXPECT_EQ(Cursors::instance().cursor(crPen).hotSpot(), QPoint(2, 30));
}

TEST(HelpTest, MissingHelpFileIsReportedByTheHelpLayer) {
    RecordingMessages recording;
    Messages::setInstance(&recording);
    DesktopHelp help;
    help.showContents("/nonexistent/help/index.html");
    Messages::setInstance(nullptr);
    ASSERT_EQ(recording.shown.size(), 1);
    EXPECT_TRUE(recording.shown[0].text.contains("/nonexistent/help/index.html"));
}

} // namespace
} // namespace velvo::platform

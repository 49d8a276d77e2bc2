#include <QClipboard>
#include <cstdlib>
#include <fstream>

#include "StudioFixture.h"
#include "imaging/RasterImage.h"
#include "platform/Scanner.h"
#include "platform/ScannerUi.h"

namespace velvo::testing {
namespace {

// SANE reads SANE_CONFIG_DIR once, when the process first starts it, and the program's
// scanner lives for the whole process. So before any test of this executable runs, SANE is
// pointed at a folder whose dll.conf loads only its "test" backend (two virtual scanners
// sending a colour pattern): the scans below are real SANE acquisitions.
struct SaneTestBackend {
    SaneTestBackend() {
        char name[] = "/tmp/velvo-sane-XXXXXX";
        if (!mkdtemp(name))
            return;
        folder = name;
        std::ofstream(folder + "/dll.conf") << "test\n";
        std::ofstream(folder + "/test.conf") << "test-picture \"Color pattern\"\n";
        setenv("SANE_CONFIG_DIR", folder.c_str(), 1);
    }
    ~SaneTestBackend() {
        if (!folder.empty())
            std::filesystem::remove_all(folder);
    }
    std::string folder;
};
const SaneTestBackend saneBackend;

// The program's scanner with a record of what was asked of it; it can also hide its devices.
class WatchedScanner : public platform::Scanner {
public:
    explicit WatchedScanner(platform::Scanner& real) : real_(real) {}
    QList<Device> devices() override { return noDevices ? QList<Device>{} : real_.devices(); }
    std::optional<QImage> acquire(const QString& device, const Progress& progress) override {
        asked.append(device);
        return real_.acquire(device, progress);
    }
    QString lastError() const override { return real_.lastError(); }

    bool noDevices = false;
    QStringList asked;

private:
    platform::Scanner& real_;
};

class ScanCommands : public StudioTest {
protected:
    void SetUp() override {
        StudioTest::SetUp();
        platform::ScannerUi::setInstance(&ui);
        platform::Scanner::setInstance(&scanner);
        writeHair(0, 1, hairstyle(20, 20, {0, 0, 255}));
        QGuiApplication::clipboard()->setText("before");
    }
    void TearDown() override {
        platform::Scanner::setInstance(nullptr);
        platform::ScannerUi::setInstance(nullptr);
        StudioTest::TearDown();
    }
    void requireSane() {
        if (production.devices().size() < 2)
            GTEST_SKIP() << "SANE test backend not available: "
                         << production.lastError().toStdString();
    }
    void expectFailureMessage() {
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].caption, "VELVO");
        EXPECT_EQ(messages.shown[0].text, "Captura Twain falhou.");
        EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Information);
        EXPECT_TRUE(main->Documents().isEmpty());
        EXPECT_EQ(main->CaptureCount, 0);
        EXPECT_FALSE(main->FromClipboard);
    }

    platform::Scanner& production = platform::Scanner::instance();
    WatchedScanner scanner{production};
    platform::ScriptedScannerUi ui;
};

TEST_F(ScanCommands, ScanBecomesADocumentThroughTheClipboard) {
    requireSane();
    main->CapturaTWAIN1Click();
    ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown[0].text.toStdString();
    ASSERT_EQ(main->Documents().size(), 1);
    EXPECT_EQ(scanner.asked, QStringList{"test:0"}); // none chosen: the first device
    EXPECT_EQ(main->CaptureCount, 1);
    EXPECT_FALSE(main->FromClipboard);
    // It ran under the progress, which reached the end.
    ASSERT_EQ(ui.progressLabels.size(), 1);
    EXPECT_FALSE(ui.progressLabels[0].isEmpty());
    ASSERT_FALSE(ui.fractions.isEmpty());
    EXPECT_DOUBLE_EQ(ui.fractions.last(), 1.0);

    document::TF_FILHO* doc = main->Documents()[0];
    const QString temp = folder + "Velvo5/Temp1.BMP";
    EXPECT_EQ(doc->lblFilename->text(), temp);
    auto file = imaging::loadImageFile(temp.toStdString());
    ASSERT_TRUE(file.has_value());
    // The whole area of the virtual scanner at 150 dpi, in colour; it replaced the clipboard.
    const QImage scanned = imaging::toQImage(*file);
    EXPECT_GT(scanned.width(), 400);
    EXPECT_GT(scanned.height(), 500);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), scanned.size());
    EXPECT_EQ(doc->Image1->Image().size(), scanned.size());
    bool colour = false;
    for (int y = 0; y < scanned.height() && !colour; y += 9)
        for (int x = 0; x < scanned.width() && !colour; x += 9) {
            const QColor c = scanned.pixelColor(x, y);
            colour = c.red() != c.green() || c.green() != c.blue();
        }
    EXPECT_TRUE(colour);
}

TEST_F(ScanCommands, ChosenDeviceIsRememberedForTheRun) {
    requireSane();
    ui.choices = {1};
    main->SelecionarCapturaTWAIN1Click();
    ASSERT_EQ(ui.offered.size(), 1);
    ASSERT_GE(ui.offered[0].size(), 2);
    EXPECT_EQ(ui.offered[0][1].name, "test:1");
    EXPECT_EQ(ui.preselected[0], "");

    // Cancelling the chooser later keeps the earlier choice, which it showed preselected.
    main->SelecionarCapturaTWAIN1Click();
    EXPECT_EQ(ui.preselected[1], "test:1");

    main->CapturaTWAIN1Click();
    main->CapturaTWAIN1Click();
    EXPECT_EQ(scanner.asked, (QStringList{"test:1", "test:1"}));
    EXPECT_EQ(main->Documents().size(), 2);
}

TEST_F(ScanCommands, ScanThenPasteGiveDifferentTempFiles) {
    requireSane();
    main->CapturaTWAIN1Click();
    QImage pasted(30, 30, QImage::Format_RGB32);
    pasted.fill(Qt::green);
    QGuiApplication::clipboard()->setImage(pasted);
    main->Colar1Click();
    ASSERT_EQ(main->Documents().size(), 2);
    EXPECT_EQ(main->Documents()[0]->lblFilename->text(), folder + "Velvo5/Temp1.BMP");
    EXPECT_EQ(main->Documents()[1]->lblFilename->text(), folder + "Velvo5/Temp2.BMP");
    auto first = imaging::loadImageFile((folder + "Velvo5/Temp1.BMP").toStdString());
    ASSERT_TRUE(first.has_value());
    EXPECT_GT(first->width, 400); // the scan was not overwritten by the paste
}

TEST_F(ScanCommands, CancelledScanFailsAndLeavesTheClipboard) {
    requireSane();
    ui.cancelAt = 0.5;
    main->CapturaTWAIN1Click();
    expectFailureMessage();
    EXPECT_TRUE(ui.cancelled);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
}

TEST_F(ScanCommands, NoDeviceFails) {
    scanner.noDevices = true;
    main->CapturaTWAIN1Click();
    expectFailureMessage();
    EXPECT_TRUE(scanner.asked.isEmpty());
}

TEST_F(ScanCommands, ChosenDeviceThatIsGoneFailsRatherThanScanningAnother) {
    requireSane();
    // A device list from an earlier moment: the chosen device is no longer there.
    class Vanished : public platform::Scanner {
    public:
        QList<Device> devices() override { return {{"gone:0", "old"}}; }
        std::optional<QImage> acquire(const QString&, const Progress&) override { return {}; }
        QString lastError() const override { return {}; }
    } vanished;
    platform::Scanner::setInstance(&vanished);
    ui.choices = {0};
    main->SelecionarCapturaTWAIN1Click();
    platform::Scanner::setInstance(&scanner);
    ASSERT_EQ(main->PictureIO1->ScannerSource(), "gone:0");
    main->CapturaTWAIN1Click();
    EXPECT_EQ(scanner.asked, QStringList{"gone:0"});
    expectFailureMessage();
}

} // namespace
} // namespace velvo::testing

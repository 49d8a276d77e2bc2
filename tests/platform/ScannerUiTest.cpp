#include <QApplication>
#include <QListWidget>
#include <QProgressDialog>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/ScannerUi.h"

using namespace velvo::platform;

namespace {
const QList<Scanner::Device> kDevices = {{"test:0", "Noname frontend-tester (virtual device)"},
                                         {"test:1", "Noname frontend-tester (virtual device)"},
                                         {"v4l:/dev/video0", ""}};
} // namespace

TEST(ScannerChooserTest, ListsEveryDeviceAndPreselectsTheCurrentOne) {
    ScannerChooser chooser("Selecionar", kDevices, "test:1");
    ASSERT_EQ(chooser.list()->count(), 3);
    EXPECT_TRUE(chooser.list()->item(0)->text().contains("test:0"));
    EXPECT_TRUE(chooser.list()->item(0)->text().contains("frontend-tester"));
    // A device without a description still shows its name.
    EXPECT_EQ(chooser.list()->item(2)->text(), "v4l:/dev/video0");
    EXPECT_EQ(chooser.chosen(), "test:1");
    chooser.list()->setCurrentRow(2);
    EXPECT_EQ(chooser.chosen(), "v4l:/dev/video0");
}

TEST(ScannerChooserTest, UnknownCurrentFallsBackToTheFirstAndNoDeviceChoosesNothing) {
    EXPECT_EQ(ScannerChooser("t", kDevices, "gone:3").chosen(), "test:0");
    EXPECT_TRUE(ScannerChooser("t", {}, {}).chosen().isEmpty());
}

TEST(QtScannerUiTest, ChooserAnswersWhatTheUserConfirmsAndNothingOnCancel) {
    QtScannerUi ui;
    QTimer::singleShot(0, [] {
        auto* chooser = qobject_cast<ScannerChooser*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        chooser->list()->setCurrentRow(1);
        chooser->accept();
    });
    EXPECT_EQ(ui.chooseDevice("t", kDevices, {}), std::optional<QString>("test:1"));
    QTimer::singleShot(0, [] {
        auto* chooser = qobject_cast<ScannerChooser*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        chooser->reject();
    });
    EXPECT_FALSE(ui.chooseDevice("t", kDevices, "test:0").has_value());
}

TEST(QtScannerUiTest, CancelOnTheProgressDialogStopsTheWork) {
    QtScannerUi ui;
    int steps = 0;
    bool stopped = false;
    ui.runWithProgress("scanning", [&](const Scanner::Progress& progress) {
        for (int i = 1; i <= 100; ++i) {
            if (i == 30) {
                auto* dialog = qApp->findChild<QProgressDialog*>();
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* p = qobject_cast<QProgressDialog*>(w))
                        dialog = p;
                ASSERT_NE(dialog, nullptr);
                EXPECT_EQ(dialog->labelText(), "scanning");
                dialog->cancel();
            }
            if (!progress(i / 100.0)) {
                stopped = true;
                return;
            }
            ++steps;
        }
    });
    EXPECT_TRUE(stopped);
    EXPECT_EQ(steps, 29);
}

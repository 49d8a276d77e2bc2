#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

#include "platform/Scanner.h"

using velvo::platform::SaneScanner;

namespace {
// SANE reads its configuration when it starts, so the folder whose dll.conf names only the
// "test" backend (two virtual scanners) is put in place before any scanner object exists.
class SaneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        std::ofstream(dir_->filePath("dll.conf").toStdString()) << "test\n";
        // A colour pattern, so a colour scan can be told from a gray one.
        std::ofstream(dir_->filePath("test.conf").toStdString()) << "test-picture \"Color pattern\"\n";
        setenv("SANE_CONFIG_DIR", dir_->path().toLocal8Bit().constData(), 1);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        if (!scanner_.available())
            GTEST_SKIP() << "SANE not installed: " << scanner_.lastError().toStdString();
    }
    static inline QTemporaryDir* dir_ = nullptr;
    SaneScanner scanner_;
};
} // namespace

TEST_F(SaneTest, ListsTheVirtualDevices) {
    const auto devices = scanner_.devices();
    ASSERT_GE(devices.size(), 2);
    EXPECT_EQ(devices[0].name, "test:0");
    EXPECT_EQ(devices[1].name, "test:1");
    EXPECT_FALSE(devices[0].description.isEmpty());
}

TEST_F(SaneTest, ScansOneColourPictureAt150Dpi) {
    double lastFraction = -1;
    int calls = 0;
    auto image = scanner_.acquire("test:1", [&](double f) {
        EXPECT_GE(f, lastFraction);
        lastFraction = f;
        ++calls;
        return true;
    });
    ASSERT_TRUE(image.has_value()) << scanner_.lastError().toStdString();
    // The virtual scanner's whole area is about 80 x 100 mm: at 150 dpi some 470 x 590 pixels.
    EXPECT_GT(image->width(), 400);
    EXPECT_GT(image->height(), 500);
    EXPECT_GT(calls, 0);
    EXPECT_DOUBLE_EQ(lastFraction, 1.0);
    // A colour scan, not gray: somewhere the three channels differ.
    bool colour = false;
    for (int y = 0; y < image->height() && !colour; y += 7)
        for (int x = 0; x < image->width() && !colour; x += 7) {
            const QColor c = image->pixelColor(x, y);
            colour = c.red() != c.green() || c.green() != c.blue();
        }
    EXPECT_TRUE(colour);
}

TEST_F(SaneTest, CancellingStopsTheScanWithNothing) {
    auto image = scanner_.acquire("test:0", [](double) { return false; });
    EXPECT_FALSE(image.has_value());
    EXPECT_FALSE(scanner_.lastError().isEmpty());
    // The device is free again afterwards.
    EXPECT_TRUE(scanner_.acquire("test:0", {}).has_value()) << scanner_.lastError().toStdString();
}

TEST_F(SaneTest, UnknownDeviceGivesNothing) {
    EXPECT_FALSE(scanner_.acquire("nosuch:7", {}).has_value());
    EXPECT_TRUE(scanner_.lastError().contains("nosuch:7"));
}

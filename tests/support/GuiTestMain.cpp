#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

// GUI tests build the real windows, so they need an application object; the offscreen
// platform lets them run without a display.
int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

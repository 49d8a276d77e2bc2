#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

#include "imaging/THsvPicker.h"

using velvo::imaging::THsvPicker;

namespace {

std::string hex(const QColor& c) {
    return c.name().toStdString();
}

std::string at(const QImage& image, int x, int y) {
    return hex(image.pixelColor(x, y));
}

std::string inverted(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return hex(QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()));
}

// Plane x 0..200 and y 0..200 (so the press formulas divide by 200), gap x 201..205, hue bar
// x 206..225.
struct Picker : ::testing::Test {
    THsvPicker picker;
    QSignalSpy changes{&picker, &THsvPicker::OnChange};
    QSignalSpy clicks{&picker, &THsvPicker::OnClick};
    void SetUp() override { picker.resize(226, 201); }
    // Sent directly: QTest takes a press at (0, 0) for "the centre".
    void send(QEvent::Type type, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                      : type == QEvent::MouseMove        ? Qt::LeftButton
                                                                         : button;
        QMouseEvent e(type, QPointF(p), picker.mapToGlobal(QPointF(p)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QApplication::sendEvent(&picker, &e);
    }
    void press(QPoint p) { send(QEvent::MouseButtonPress, p); }
    void move(QPoint p) { send(QEvent::MouseMove, p); }
    void release(QPoint p) { send(QEvent::MouseButtonRelease, p); }
    void click(QPoint p, Qt::MouseButton button = Qt::LeftButton) {
        send(QEvent::MouseButtonPress, p, button);
        send(QEvent::MouseButtonRelease, p, button);
    }
    QImage shot() { return picker.grab().toImage(); }
};

} // namespace

TEST_F(Picker, PressesAtThePlaneCornersAndTheHueBarEnds) {
    ASSERT_EQ(picker.PlaneRect(), QRect(0, 0, 201, 201));
    ASSERT_EQ(picker.HueBarRect(), QRect(206, 0, 20, 201));
    click({0, 0});
    EXPECT_EQ(std::tuple(picker.Sat(), picker.Val()), std::tuple(0, 99));
    EXPECT_EQ(hex(picker.Color()), "#ffffff");
    click({200, 200});
    EXPECT_EQ(std::tuple(picker.Sat(), picker.Val()), std::tuple(99, 0));
    EXPECT_EQ(hex(picker.Color()), "#000000");
    click({200, 0});
    EXPECT_EQ(std::tuple(picker.Red(), picker.Green(), picker.Blue()), std::tuple(255, 0, 0));
    click({220, 0});
    EXPECT_EQ(picker.Hue(), 359);
    EXPECT_EQ(std::tuple(picker.Sat(), picker.Val()), std::tuple(99, 99));
    EXPECT_EQ(hex(picker.Color()), "#ff0005"); // sector 5: blue level 2 -> 5
    click({220, 200});
    EXPECT_EQ(picker.Hue(), 0);
    // 100 x 99 / 200 = 49.5: halves round away from zero.
    click({100, 100});
    EXPECT_EQ(std::tuple(picker.Sat(), picker.Val()), std::tuple(50, 49));
    EXPECT_EQ(changes.count(), 6);
    EXPECT_EQ(clicks.count(), 6);
}

TEST_F(Picker, HalvesRoundAwayFromZeroNotToEven) {
    // A 7 x 7 plane divides by 6: 1 x 99 / 6 = 16.5 and 5 x 99 / 6 = 82.5, halves whose lower
    // neighbour is even, so rounding to even would give 16 and 82.
    picker.resize(7 + 5 + 20, 7);
    ASSERT_EQ(picker.PlaneRect(), QRect(0, 0, 7, 7));
    const std::tuple<QPoint, int, int> plane[] = {{{1, 1}, 17, 99 - 17}, {{5, 5}, 83, 99 - 83}};
    for (const auto& [point, sat, val] : plane) {
        click(point);
        EXPECT_EQ(std::tuple(picker.Sat(), picker.Val()), std::tuple(sat, val))
            << point.x() << "," << point.y();
    }
    // A bar 719 high divides by 718: 1 x 359 / 718 = 0.5.
    picker.resize(7 + 5 + 20, 719);
    click({20, 1});
    EXPECT_EQ(picker.Hue(), 359 - 1);
}

TEST_F(Picker, GapAndOtherButtonsChangeNothing) {
    picker.SetHue(30);
    picker.SetSat(40);
    picker.SetVal(50);
    const QColor before = picker.Color();
    click({203, 50});
    click({50, 50}, Qt::RightButton);
    EXPECT_EQ(std::tuple(picker.Hue(), picker.Sat(), picker.Val()), std::tuple(30, 40, 50));
    EXPECT_EQ(picker.Color(), before);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(clicks.count(), 1); // the gap is still the control
}

TEST_F(Picker, DragStaysInTheAreaWhereItBegan) {
    press({100, 100});
    move({400, -50});
    EXPECT_EQ(std::tuple(picker.Sat(), picker.Val()), std::tuple(99, 99));
    move({215, 200}); // over the hue bar: still the plane's right edge
    EXPECT_EQ(std::tuple(picker.Hue(), picker.Sat(), picker.Val()), std::tuple(0, 99, 0));
    EXPECT_EQ(changes.count(), 3);
    move({300, 300}); // clamps to the same point: no change
    EXPECT_EQ(changes.count(), 3);
    release({300, 300});
    EXPECT_EQ(clicks.count(), 0); // released outside

    press({210, 0});
    move({0, 1000});
    release({0, 1000});
    EXPECT_EQ(std::tuple(picker.Hue(), picker.Sat(), picker.Val()), std::tuple(0, 99, 0));
    EXPECT_EQ(changes.count(), 5);
}

TEST_F(Picker, SettersClampAndRecomputeWithoutOnChange) {
    picker.SetHue(400);
    picker.SetSat(150);
    picker.SetVal(-1);
    EXPECT_EQ(std::tuple(picker.Hue(), picker.Sat(), picker.Val()), std::tuple(359, 99, 0));
    EXPECT_EQ(hex(picker.Color()), "#000000");
    picker.SetVal(99);
    EXPECT_EQ(hex(picker.Color()), "#ff0005");
    picker.SetHue(-5);
    EXPECT_EQ(picker.Hue(), 0);
    picker.SetHue(120);
    EXPECT_EQ(hex(picker.Color()), "#00ff00");
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(Picker, FaceShowsThePickedColourAndInvertedMarkers) {
    picker.SetBackground(Qt::magenta);
    picker.SetHue(200);
    click({60, 140}); // sat 30, val 30: marker centred on (61, 139), outline 3 pixels out
    ASSERT_EQ(picker.SatValPoint(), QPoint(61, 139));
    ASSERT_EQ(picker.HueRow(), 89);
    const QImage marked = shot();
    EXPECT_EQ(at(marked, 60, 140), hex(picker.Color()));
    EXPECT_EQ(at(marked, 203, 50), "#ff00ff");
    EXPECT_EQ(at(marked, 200, 0), "#00aaff"); // hue 200 at full saturation and value

    picker.SetSat(0);
    picker.SetVal(99); // the plane marker moves to the top-left corner
    const QImage plain = shot();
    EXPECT_EQ(at(marked, 58, 139), inverted(plain, 58, 139));
    EXPECT_EQ(at(marked, 61, 136), inverted(plain, 61, 136));
    EXPECT_EQ(at(marked, 61, 139), at(plain, 61, 139));

    picker.SetHue(0); // the plane is redrawn for the new hue and the bar marker moves
    const QImage hue0 = shot();
    EXPECT_EQ(at(marked, 215, 89), inverted(hue0, 215, 89));
    EXPECT_EQ(at(hue0, 200, 0), "#ff0000");
    EXPECT_EQ(at(hue0, 215, 0), "#ff0005");
    EXPECT_EQ(at(hue0, 215, 200), "#00ffff"); // inverted red

    picker.resize(126, 101); // plane 101 wide
    EXPECT_EQ(at(shot(), 100, 0), "#ff0000");
}

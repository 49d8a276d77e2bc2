#include "document/TResizeGrip.h"

#include "imaging/codecs/Error.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using velvo::document::TResizeGrip;

namespace {

// A plain filled widget that remembers the mouse presses and releases and the key releases
// it receives.
class Recorder : public QWidget {
public:
    Recorder(QWidget* parent, QRect bounds, QColor colour) : QWidget(parent), colour(colour) {
        setGeometry(bounds);
    }
    QColor colour;
    QList<std::pair<Qt::MouseButton, QPoint>> presses, releases;
    QList<int> keyReleases;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), colour); }
    void mousePressEvent(QMouseEvent* e) override { presses.append({e->button(), pos(e)}); }
    void mouseReleaseEvent(QMouseEvent* e) override { releases.append({e->button(), pos(e)}); }
    void keyReleaseEvent(QKeyEvent* e) override { keyReleases.append(e->key()); }
    static QPoint pos(QMouseEvent* e) { return e->position().toPoint(); }
};

class ResizeGrip : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<Recorder>(nullptr, QRect(0, 0, 400, 300), Qt::white);
        control = new Recorder(window.get(), {100, 50, 80, 60}, Qt::blue);
        grip = new TResizeGrip(window.get());
        window->show();
    }
    // Mouse events in grip coordinates, with the buttons held after a press or during a move.
    void mouse(QEvent::Type type, QPoint p, Qt::MouseButton button = Qt::NoButton,
               Qt::MouseButtons held = Qt::NoButton) {
        QMouseEvent e(type, QPointF(p), grip->mapToGlobal(QPointF(p)), button, held, {});
        QCoreApplication::sendEvent(grip, &e);
    }
    void drag(QPoint from, QPoint to) {
        mouse(QEvent::MouseMove, from);
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton);
    }
    int zoneAt(QPoint p) {
        mouse(QEvent::MouseMove, p);
        return grip->Zone();
    }

    std::unique_ptr<Recorder> window;
    Recorder* control = nullptr;
    TResizeGrip* grip = nullptr;
};

TEST_F(ResizeGrip, AttachFramesTheControlAndDetachResets) {
    EXPECT_TRUE(grip->isHidden() && !grip->isEnabled() && grip->size() == QSize(24, 24));
    grip->Attach(control);
    grip->Attach(control);
    grip->Attach(nullptr);
    EXPECT_EQ(grip->geometry(), QRect(98, 48, 85, 65));
    EXPECT_TRUE(grip->isVisible() && grip->isEnabled());
    EXPECT_EQ(grip->Children(), QList<QWidget*>{control});
    // Framed area: the control grown by 2, right and bottom edges excluded.
    EXPECT_TRUE(grip->HitTest({98, 48}) && grip->HitTest({181, 111}));
    EXPECT_FALSE(grip->HitTest({182, 60}) || grip->HitTest({120, 112}));
    QWidget form;
    EXPECT_THROW(grip->Attach(&form), velvo::Error);
    try {
        grip->Attach(&form);
    } catch (const velvo::Error& e) {
        EXPECT_STREQ(e.what(), "Handles can not be attached to a Form!");
    }
    EXPECT_EQ(grip->Children(), QList<QWidget*>{control});

    mouse(QEvent::MouseButtonPress, {40, 30}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {60, 40}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(grip->RubberRect(), QRect(118, 58, 85, 65));
    grip->SetLocked(true);
    grip->Detach(); // in the middle of a drag
    EXPECT_TRUE(grip->isHidden() && grip->size() == QSize(24, 24));
    EXPECT_FALSE(grip->isEnabled() || grip->Locked() || grip->Attached() || grip->Dragging());
    EXPECT_EQ(grip->RubberRect(), QRect(0, 0, 0, 0));
    EXPECT_EQ(grip->parentWidget(), window.get());
    EXPECT_EQ(control->geometry(), QRect(100, 50, 80, 60));
}

TEST_F(ResizeGrip, ZonesFollowThePointerAndLaterTestsWin) {
    grip->Attach(control); // 85 x 65
    const std::pair<QPoint, int> zones[] = {{{0, 0}, 1},  {{85, 65}, 4}, {{84, 1}, 2},
                                            {{1, 64}, 3}, {{42, 2}, 5},  {{44, 63}, 7},
                                            {{1, 32}, 6}, {{84, 34}, 8}, {{40, 30}, 0}};
    for (const auto& [point, zone] : zones)
        EXPECT_EQ(zoneAt(point), zone) << point.x() << "," << point.y();
    EXPECT_EQ(grip->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ((zoneAt({84, 1}), grip->cursor().shape()), Qt::SizeBDiagCursor);
    EXPECT_EQ((zoneAt({1, 32}), grip->cursor().shape()), Qt::SizeHorCursor);
    grip->Detach();
    control->setGeometry(100, 50, 10, 10);
    grip->Attach(control); // 15 x 15: the top edge test overrides both corners
    EXPECT_EQ(zoneAt({7, 0}), 5);
}

TEST_F(ResizeGrip, DragsMoveAndSizeTheControlExactly) {
    grip->Attach(control);
    QSignalSpy clicks(grip, &TResizeGrip::OnClick);
    mouse(QEvent::MouseMove, {83, 63});
    mouse(QEvent::MouseButtonPress, {83, 63}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {103, 73}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(grip->RubberRect(), QRect(98, 48, 105, 75));
    EXPECT_EQ(control->geometry(), QRect(100, 50, 80, 60)); // only the outline moves so far
    mouse(QEvent::MouseButtonRelease, {103, 73}, Qt::LeftButton);
    EXPECT_EQ(control->geometry(), QRect(100, 50, 100, 70));
    EXPECT_EQ(grip->geometry(), QRect(98, 48, 105, 75));
    EXPECT_EQ(grip->RubberRect(), QRect(0, 0, 0, 0));

    drag({40, 30}, {50, 45}); // body
    drag({40, 30}, {40, 30}); // a click moves nothing
    EXPECT_EQ(control->geometry(), QRect(110, 65, 100, 70));
    EXPECT_EQ(clicks.count(), 3);
    // Top-left dragged past the bottom-right: the control collapses, the grip keeps 5 x 5.
    drag({0, 0}, {150, 100});
    EXPECT_EQ(control->geometry(), QRect(260, 165, 0, 0));
    EXPECT_EQ(grip->geometry(), QRect(258, 163, 5, 5));
}

TEST_F(ResizeGrip, PointerIsClampedToTheParentAndGridSnaps) {
    grip->Attach(control);
    drag({40, 30}, {1000, 30}); // held at x = 400; the frame may reach past the edge
    EXPECT_EQ(control->geometry(), QRect(362, 50, 80, 60));
    drag({40, 30}, {-1000, -1000}); // held at the parent's origin
    EXPECT_EQ(control->geometry(), QRect(-38, -28, 80, 60));
    grip->SetBounds(98, 48, 85, 65);
    EXPECT_EQ(control->geometry(), QRect(100, 50, 80, 60));

    grip->SetGridX(0);
    grip->SetGridY(40);
    EXPECT_EQ(QPoint(grip->GridX(), grip->GridY()), QPoint(1, 32));
    grip->SetSnapToGrid(true);
    EXPECT_EQ(QPoint(grip->GridX(), grip->GridY()), QPoint(8, 8));
    drag({40, 30}, {53, 41}); // 113, 61 -> 112, 56
    EXPECT_EQ(control->geometry(), QRect(112, 56, 80, 60));
}

TEST_F(ResizeGrip, LockedGripStartsNothingAndKeysNudgeOnlyWhenUnlocked) {
    grip->Attach(control);
    grip->SetLocked(true);
    EXPECT_EQ((zoneAt({40, 30}), grip->cursor().shape()), Qt::ForbiddenCursor);
    drag({40, 30}, {60, 50});
    QTest::keyClick(grip, Qt::Key_Left);
    grip->SetBounds(0, 0, 50, 50);
    EXPECT_EQ(control->geometry(), QRect(100, 50, 80, 60));
    // The left release without a drag went on to the control under the pointer.
    EXPECT_EQ(control->releases, (QList{std::pair(Qt::LeftButton, QPoint(58, 48))}));

    grip->SetLocked(false);
    QSignalSpy keys(grip, &TResizeGrip::OnKeyDown);
    for (const auto key : {Qt::Key_Left, Qt::Key_Left, Qt::Key_Down, Qt::Key_A})
        QTest::keyClick(grip, key);
    EXPECT_EQ(control->geometry(), QRect(98, 51, 80, 60));
    EXPECT_EQ(grip->geometry(), QRect(96, 49, 85, 65));
    ASSERT_EQ(keys.count(), 4);
    EXPECT_EQ(keys[3][0].toInt(), int(Qt::Key_A));
    // The document acts on key releases, so the grip leaves them to its parent.
    EXPECT_EQ(window->keyReleases.mid(1),
              (QList<int>{Qt::Key_Left, Qt::Key_Left, Qt::Key_Down, Qt::Key_A}));
}

TEST_F(ResizeGrip, PressesOutsideTheFramedAreaAndRightButtonsArePassedOn) {
    grip->Attach(control);
    QSignalSpy downs(grip, &TResizeGrip::OnMouseDown);
    QSignalSpy ups(grip, &TResizeGrip::OnMouseUp);
    mouse(QEvent::MouseButtonPress, {40, 30}, Qt::RightButton, Qt::RightButton);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs[0][0].value<Qt::MouseButton>(), Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, {40, 30}, Qt::RightButton);
    EXPECT_EQ(ups.count(), 0);
    EXPECT_EQ(control->releases, (QList{std::pair(Qt::RightButton, QPoint(38, 28))}));

    // The grip's last column lies outside the framed area; only the parent is under it.
    mouse(QEvent::MouseButtonPress, {84, 30}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(downs.count(), 1);
    EXPECT_FALSE(grip->Dragging());
    EXPECT_EQ(window->presses, (QList{std::pair(Qt::LeftButton, QPoint(182, 78))}));

    // That press's release never reached the grip; a later drag inside is the grip's own.
    grip->Detach();
    grip->Attach(control);
    mouse(QEvent::MouseButtonPress, {40, 30}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {50, 40}, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, {50, 40}, Qt::LeftButton);
    EXPECT_EQ(control->geometry(), QRect(110, 60, 80, 60));
    EXPECT_TRUE(window->releases.isEmpty());
}

TEST_F(ResizeGrip, PaintsOnlyTheHandlesInTheColourForTheirCount) {
    grip->SetColor(Qt::red);
    grip->Attach(control);
    QImage shot = window->grab().toImage();
    // Corners and the top edge handle; the control between them; the grip's unpainted column.
    for (const QPoint p : {QPoint(98, 48), QPoint(181, 111), QPoint(140, 50)})
        EXPECT_EQ(shot.pixelColor(p), QColor(Qt::red)) << p.x() << "," << p.y();
    EXPECT_EQ(shot.pixelColor(140, 53), QColor(Qt::blue));
    EXPECT_EQ(shot.pixelColor(182, 60), QColor(Qt::white));

    // Two controls: one grey frame around both, no edge handles, and it can only move.
    auto* second = new Recorder(window.get(), {200, 150, 30, 20}, Qt::blue);
    grip->Attach(second);
    EXPECT_EQ(grip->geometry(), QRect(98, 48, 135, 125));
    EXPECT_EQ(zoneAt({0, 0}), 0);
    drag({0, 0}, {10, 5});
    EXPECT_EQ(control->geometry(), QRect(110, 55, 80, 60));
    EXPECT_EQ(second->geometry(), QRect(210, 155, 30, 20));
    shot = window->grab().toImage();
    EXPECT_EQ(shot.pixelColor(108, 53), QColor(128, 128, 128));
    EXPECT_EQ(shot.pixelColor(150, 56), QColor(Qt::blue)); // where the top edge handle was

    // A control elsewhere starts a new frame; a destroyed one drops out.
    QWidget other;
    auto* elsewhere = new QWidget(&other);
    grip->Attach(elsewhere);
    EXPECT_EQ(grip->Children(), QList<QWidget*>{elsewhere});
    delete elsewhere;
    EXPECT_TRUE(!grip->Attached() && grip->isHidden());
}

} // namespace

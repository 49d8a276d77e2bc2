#pragma once
// The retouch editor over a main window with every platform double installed, shown
// non-modally so that tests drive it with real mouse and key events.
#include <QTest>
#include <memory>

#include "app/StudioFixture.h"
#include "imaging/TPictureView.h"
#include "retouch/TF_DRAW.h"

namespace velvo::testing {

inline QImage filled(int width, int height, const QColor& colour) {
    QImage image(width, height, QImage::Format_BGR888);
    image.fill(colour);
    return image;
}

class RetouchTest : public StudioTest {
protected:
    void SetUp() override {
        StudioTest::SetUp();
        editor = std::make_unique<retouch::TF_DRAW>(main.get());
    }
    void TearDown() override {
        editor.reset();
        StudioTest::TearDown();
    }

    // Puts `picture` into the editor and shows it as the main window would, without the loop.
    void open(const QImage& picture) {
        editor->SetPicture(picture);
        editor->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
        editor->FormActivate();
    }
    // A press, moves through `points` and a release, as the mouse gives them over the view.
    void stroke(const QList<QPoint>& points, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(editor->Image, button, {}, points.front());
        for (const QPoint& p : points.mid(1))
            QTest::mouseMove(editor->Image, p);
        QTest::mouseRelease(editor->Image, button, {}, points.back());
    }
    QImage& picture() { return editor->Image->Image(); }

    std::unique_ptr<retouch::TF_DRAW> editor;
};

} // namespace velvo::testing

// The about box: modal from the help menu, its zoom-in on every activation, Escape.
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include "app/ProgramBlock.h"
#include "app/StudioFixture.h"
#include "app/TF_QSTART.h"
#include "app/TF_SOBRE.h"
#include "document/TImageFX.h"

namespace velvo::testing {
namespace {

using AboutBox = StudioTest;

TEST_F(AboutBox, ShowsModallyAndEscapeClosesItFromAnyControl) {
    app::TF_SOBRE box(main.get());
    EXPECT_EQ(box.windowTitle(), "Copyright");
    EXPECT_EQ(box.size(), QSize(219, 208));
    EXPECT_EQ(box.Version->text(), "Version 5.05");
    EXPECT_TRUE(box.Copyright->text().startsWith("Velvo Studio 5"));

    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        wasModal = box.isVisible() && box.isModal();
        box.BitBtn1->setFocus();
        QTest::keyClick(box.BitBtn1, Qt::Key_Escape);
    });
    main->SobreoPrograma1Click();
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(box.isVisible());
}

TEST_F(AboutBox, ThePictureZoomsInEachTimeTheBoxBecomesActive) {
    app::TF_SOBRE box(main.get());
    EXPECT_EQ(box.ImageFX2->Effect(), document::TImageFX::fxViewZoomIn);
    EXPECT_EQ(box.ImageFX2->size(), QSize(103, 69));
    EXPECT_EQ(box.ImageFX1->size(), QSize(52, 60));
    QSignalSpy completed(box.ImageFX2, &document::TImageFX::OnComplete);
    // Becoming active is what starts it.
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    EXPECT_TRUE(box.ImageFX2->Running());
    // Ticks driven here rather than waited for, so a loaded machine cannot fail the test.
    for (int tick = 0; tick < 100 && box.ImageFX2->Running(); ++tick)
        box.ImageFX2->EffectTick();
    EXPECT_EQ(completed.count(), 1);
    EXPECT_FALSE(box.ImageFX2->Running());
    // Another window takes the focus, then the box gets it back.
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    ASSERT_FALSE(box.ImageFX2->Running());
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    EXPECT_TRUE(box.ImageFX2->Running()) << "again on the next activation";
    box.close();
}

} // namespace
} // namespace velvo::testing

namespace velvo::testing {
namespace {

TEST(ProgramWindows, TheHelpMenusWindowsAreCreatedHiddenInTheirPlaces) {
    QTemporaryDir dir;
    platform::RecordingMessages messages;
    platform::Messages::setInstance(&messages);
    auto windows = app::CreateProgramWindows(dir.path());
    EXPECT_EQ(app::F_SOBRE, windows->F_SOBRE.get());
    EXPECT_EQ(app::F_QSTART, windows->F_QSTART.get());
    EXPECT_FALSE(windows->F_SOBRE->isVisible());
    EXPECT_FALSE(windows->F_QSTART->isVisible());
    windows->F_HAIR->QuickStartClick();
    EXPECT_TRUE(windows->F_QSTART->isVisible());
    windows.reset();
    EXPECT_EQ(app::F_SOBRE, nullptr);
    EXPECT_EQ(app::F_QSTART, nullptr);
    platform::Messages::setInstance(nullptr);
}

} // namespace
} // namespace velvo::testing

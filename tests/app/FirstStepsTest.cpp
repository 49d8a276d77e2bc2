// The first-steps window: its pages, Escape from anywhere, and translation.
#include <QFile>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include "app/StudioFixture.h"
#include "app/TF_QSTART.h"
#include "translation/TLanguage.h"

namespace velvo::testing {
namespace {

using FirstSteps = StudioTest;

// Whether every opaque pixel of `icon` appears in `picture` with the icon about centred (a
// style may shift it by a pixel or two).
bool showsIcon(const QImage& picture, const QImage& icon) {
    const QImage p = picture.convertToFormat(QImage::Format_ARGB32);
    const QImage i = icon.convertToFormat(QImage::Format_ARGB32);
    const QPoint centred((p.width() - i.width()) / 2, (p.height() - i.height()) / 2);
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const QPoint origin = centred + QPoint(dx, dy);
            bool all = true;
            int opaque = 0;
            for (int y = 0; y < i.height() && all; ++y)
                for (int x = 0; x < i.width() && all; ++x) {
                    if (qAlpha(i.pixel(x, y)) < 255)
                        continue;
                    ++opaque;
                    const QPoint at = origin + QPoint(x, y);
                    all = p.rect().contains(at) && p.pixel(at) == i.pixel(x, y);
                }
            if (all && opaque > 0)
                return true;
        }
    return false;
}

TEST_F(FirstSteps, OpensOnItsFirstPageAndEscapeClosesItFromAnyControl) {
    app::TF_QSTART window(main.get());
    EXPECT_EQ(app::F_QSTART, &window);
    EXPECT_EQ(window.windowTitle(), "Bemvindo ao Velvo!");
    ASSERT_EQ(window.PageControl1->count(), 4);
    // Laid out with the second page in front; the first is brought forward at creation.
    EXPECT_EQ(window.PageControl1->currentIndex(), 0);
    EXPECT_EQ(window.PageControl1->tabText(3), "4) Mude a cor");

    main->QuickStartClick();
    EXPECT_TRUE(window.isVisible());
    window.PageControl1->setCurrentIndex(2);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.BitBtn1->setFocus();
    QTest::keyClick(window.BitBtn1, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());

    main->QuickStartClick();
    EXPECT_EQ(window.PageControl1->currentIndex(), 2) << "keeps the page last chosen";
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.PageControl1->tabBar()->setFocus();
    QTest::keyClick(window.PageControl1->tabBar(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(FirstSteps, PicturesShowTheRealButtonsAndFollowTheirSentences) {
    app::TF_QSTART window(main.get());
    // Drawn enabled even though no photo is open and the resize tool is off.
    EXPECT_FALSE(main->BT_MOVE->isEnabled());
    const QImage picture = window.Image(13)->pixmap().toImage();
    EXPECT_EQ(picture, app::TF_QSTART::ButtonPicture(main->BT_MOVE).toImage());
    const QIcon icon = main->BT_MOVE->icon();
    const QSize iconSize = main->BT_MOVE->iconSize();
    EXPECT_TRUE(showsIcon(picture, icon.pixmap(iconSize, QIcon::Normal).toImage()));
    EXPECT_FALSE(showsIcon(picture, icon.pixmap(iconSize, QIcon::Disabled).toImage()));
    EXPECT_EQ(window.Image(8)->x(), window.Label(17)->x() + window.Label(17)->width() + 4);
    EXPECT_GT(window.Label(18)->x(), window.Image(8)->x());
    // The resize button stands in the blank run of its sentence.
    const int before = window.Image(13)->x();
    EXPECT_GT(before, window.Label(24)->x() + 40);
    EXPECT_LT(before, window.Label(24)->x() + 200);
}

TEST_F(FirstSteps, ATranslatedTwoLineLabelIsReplacedWhole) {
    QFile file(folder + "language.lng");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Translations]\n"
               "F_QSTART.Label12.Caption=and then click on the photo, or press F8 or F9.\n"
               "F_QSTART.Label24.Caption=Press        to resize.\n"
               "F_QSTART.TabSheet1.Caption=1) Open a photo\n");
    file.close();
    app::TF_QSTART window(main.get());
    EXPECT_EQ(window.Label(12)->text(), "and then click on the photo, or press F8 or F9.");
    EXPECT_EQ(window.PageControl1->tabText(0), "1) Open a photo");
    const int run = window.Label(24)->fontMetrics().horizontalAdvance("Press ");
    EXPECT_EQ(window.Image(13)->x(), window.Label(24)->x() + run + 4);
}

} // namespace
} // namespace velvo::testing

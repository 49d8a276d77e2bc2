// "&Mostrar ao Cliente": stepping through the tries, the photo alone and the divider, tries
// side by side, and the studio handed back as it was.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>

#include "app/StudioFixture.h"
#include "app/TF_APRESENTACAO.h"
#include "ui/TGradPan.h"

namespace velvo::testing {
namespace {

const imaging::Bgr kPhoto{40, 160, 90};
// One hairstyle colour per try, far from each other and from the photo.
const imaging::Bgr kHair[] = {
    {0, 0, 200}, {0, 200, 0}, {200, 0, 0}, {0, 200, 200}, {200, 0, 200}};

class Presentation : public StudioTest {
protected:
    // `count` tries of the same photo, try i in hairstyle colour i covering the client area.
    void openTries(int count) {
        const QString photo = writePhoto("client.bmp", solid(600, 400, kPhoto));
        for (int i = 0; i < count; ++i) {
            writeHair(0, i + 1, hairstyle(241, 313, kHair[i]));
            docs << insert(photo, QString::number(i + 1), 0, 0);
        }
    }
    app::TF_APRESENTACAO* present(int active) {
        main->MdiArea->setActiveSubWindow(docs[active]->SubWindow());
        main->MostrarCliente1Click();
        auto* window = main->findChild<app::TF_APRESENTACAO*>("F_APRESENTACAO");
        if (window) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        }
        return window;
    }
    // The colour in the middle of column `column`, at `dx` from its centre.
    static QColor seen(app::TF_APRESENTACAO& window, int column, int dx = 0) {
        const QPoint centre = window.CellRect(column).center();
        return window.grab().toImage().pixelColor(centre.x() + dx, centre.y());
    }
    static bool near(const QColor& a, imaging::Bgr b) {
        return std::abs(a.red() - b.r) <= 8 && std::abs(a.green() - b.g) <= 8 &&
               std::abs(a.blue() - b.b) <= 8;
    }
    static std::string describe(const QColor& c) {
        return QStringLiteral("(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue()).toStdString();
    }

    QList<document::TF_FILHO*> docs;
};

TEST_F(Presentation, SpaceAndTheDividerShowThePhotoAloneAndTheTry) {
    openTries(1);
    app::TF_APRESENTACAO* window = present(0);
    ASSERT_NE(window, nullptr);
    const QPoint centre = window->CellRect(0).center();
    // Left and right of the divider, both inside the hairstyle while it is shown.
    const auto halves = [&] { return std::pair{seen(*window, 0, -60), seen(*window, 0, 60)}; };

    EXPECT_TRUE(near(halves().first, kHair[0]) && near(halves().second, kHair[0]));
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(near(halves().first, kPhoto)) << describe(halves().first);
    EXPECT_TRUE(near(halves().second, kPhoto)) << describe(halves().second);
    QTest::keyClick(window, Qt::Key_Space);

    QTest::mousePress(window, Qt::LeftButton, {}, centre + QPoint(150, 0));
    QTest::mouseMove(window, centre);
    QTest::mouseRelease(window, Qt::LeftButton, {}, centre);
    EXPECT_EQ(window->Divider(), centre.x()) << "the divider follows the drag";
    auto [before, after] = halves();
    EXPECT_TRUE(near(before, kPhoto)) << "left of the divider: " << describe(before);
    EXPECT_TRUE(near(after, kHair[0])) << "right of the divider: " << describe(after);

    // Space shows the photo on both sides and gives the divider back afterwards.
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(near(halves().second, kPhoto)) << describe(halves().second);
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(near(halves().first, kPhoto) && near(halves().second, kHair[0]));

    QTest::mouseDClick(window, Qt::LeftButton, {}, centre);
    EXPECT_TRUE(near(halves().first, kHair[0])) << "a double click takes the divider away";
}

// One view at a time the arrows step through the documents in order and wrap round; 2 and 4
// show that many distinct tries side by side and, pressed again, go back to one.
TEST_F(Presentation, ArrowsTwoAndFourStepThroughDistinctTries) {
    openTries(5);
    app::TF_APRESENTACAO* window = present(3);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->geometry(), window->screen()->geometry()) << "full screen";
    struct Case {
        Qt::Key key;
        QList<int> shown;
    };
    const Case cases[] = {{Qt::Key_unknown, {3}}, {Qt::Key_Right, {4}},       {Qt::Key_Right, {0}},
                          {Qt::Key_Left, {4}},    {Qt::Key_Left, {3}},        {Qt::Key_2, {3, 4}},
                          {Qt::Key_4, {3, 4, 0, 1}}, {Qt::Key_Right, {4, 0, 1, 2}}, {Qt::Key_4, {4}},
                          {Qt::Key_2, {4, 0}},    {Qt::Key_2, {4}}};
    for (const Case& c : cases) {
        if (c.key != Qt::Key_unknown)
            QTest::keyClick(window, c.key);
        ASSERT_EQ(window->Shown(), c.shown);
        for (int column = 0; column < c.shown.size(); ++column) {
            const QRect cell = window->CellRect(column);
            EXPECT_EQ(cell.height(), window->height()) << "full height";
            EXPECT_LE(cell.right(), window->width());
            const QColor colour = seen(*window, column);
            EXPECT_TRUE(near(colour, kHair[c.shown[column]]))
                << "column " << column << " of " << c.shown.size() << ": " << describe(colour);
        }
    }
}

// The region shown for a try: the client area whole, at the column's aspect, on the photo
// wherever the photo reaches far enough.
TEST(PresentationRegion, KeepsTheClientAreaAndStaysOnThePhoto) {
    const QRectF client(0, 0, 241, 313);
    struct Case {
        const char* what;
        QSize cell;
        QRectF photo;
        QPointF topLeft;
    };
    const Case cases[] = {
        {"wide screen, photo all round: centred", {1280, 800}, {-1000, -1000, 5000, 5000},
         {120.5 - 250.4, 0}},
        {"narrow column, photo starts 20 above: moved down", {320, 800}, {-500, -20, 3000, 3000},
         {0, -20}},
        {"narrow column, photo shorter than the region: centred", {320, 800}, {0, 0, 300, 400},
         {0, 156.5 - 301.25}},
        {"wide screen, photo ends 9 right of the client area: moved left", {1280, 800},
         {-2000, -100, 2250, 3000}, {250 - 500.8, 0}},
    };
    for (const Case& c : cases) {
        const QRectF region = app::TF_APRESENTACAO::RegionFor(client, c.cell, c.photo);
        EXPECT_NEAR(region.width() / region.height(), double(c.cell.width()) / c.cell.height(),
                    1e-9)
            << c.what;
        EXPECT_TRUE(region.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(client)) << c.what;
        EXPECT_NEAR(region.x(), c.topLeft.x(), 1e-6) << c.what;
        EXPECT_NEAR(region.y(), c.topLeft.y(), 1e-6) << c.what;
    }
}

TEST_F(Presentation, EscapeHandsTheStudioBackAsItWas) {
    main->MostrarCliente1Click();
    EXPECT_EQ(main->findChild<app::TF_APRESENTACAO*>(), nullptr) << "nothing to show";
    EXPECT_FALSE(main->Action("MostrarCliente1")->isEnabled());

    openTries(2);
    main->MdiArea->setActiveSubWindow(docs[0]->SubWindow());
    main->BT_ZOOM->click();
    main->ColorPanel1Click();
    const bool panelShown = main->GradPan1->isVisible();
    const QImage picture = docs[0]->CompositeImage();
    const QRect geometry = docs[0]->SubWindow()->geometry();

    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    QTest::keyClick(main.get(), Qt::Key_M, Qt::ControlModifier);
    auto* window = main->findChild<app::TF_APRESENTACAO*>("F_APRESENTACAO");
    ASSERT_NE(window, nullptr) << "Ctrl+M";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QTest::keyClick(window, Qt::Key_Right);
    QTest::keyClick(window, Qt::Key_Space);
    QTest::keyClick(window, Qt::Key_Escape);
    flushDeletes();

    EXPECT_EQ(main->findChild<app::TF_APRESENTACAO*>(), nullptr);
    EXPECT_EQ(main->Documents(), docs);
    EXPECT_EQ(main->ActiveDocument(), docs[0]);
    EXPECT_TRUE(main->BT_ZOOM->isChecked());
    EXPECT_EQ(main->GradPan1->isVisible(), panelShown);
    EXPECT_EQ(docs[0]->SubWindow()->geometry(), geometry);
    EXPECT_EQ(docs[0]->CompositeImage(), picture);
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
} // namespace velvo::testing

// The windows laid out for an 800 x 600 screen, shown on a screen twice as large.
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <functional>

#include "app/StudioFixture.h"
#include "app/TF_QSTART.h"
#include "print/TF_PREVIEW2.h"
#include "retouch/TF_DRAW.h"
#include "ui/TFormAutoSize.h"

namespace velvo::testing {
namespace {

int fontSize(const QFont& font) {
    return font.pixelSize() > 0 ? font.pixelSize() : font.pointSize();
}

struct ScaledWindow {
    const char* name;
    std::function<std::unique_ptr<QWidget>(app::TF_HAIR&)> make;
    // A child whose size the window gives it; `placed`: its position too (no layout moves it).
    const char* child;
    bool placed;
    // Maximised windows take the screen's size, not a scaled one.
    bool maximised;
    std::function<void(QWidget&)> alsoCheck;
};

void PrintTo(const ScaledWindow& window, std::ostream* out) {
    *out << window.name;
}

const QImage kPicture = [] {
    QImage picture(300, 200, QImage::Format_BGR888);
    picture.fill(Qt::white);
    return picture;
}();

const ScaledWindow kWindows[] = {
    {"F_QSTART", [](app::TF_HAIR& main) { return std::make_unique<app::TF_QSTART>(&main); },
     "PageControl1", true, false,
     [](QWidget& w) {
         // Every page's tab can be read: the last one ends inside the page control.
         auto* pages = static_cast<app::TF_QSTART&>(w).PageControl1;
         EXPECT_LE(pages->tabBar()->tabRect(3).right(), pages->tabBar()->width());
         EXPECT_LE(pages->tabBar()->width(), pages->width());
     }},
    {"F_DRAW",
     [](app::TF_HAIR& main) {
         auto editor = std::make_unique<retouch::TF_DRAW>(&main);
         editor->SetPicture(kPicture);
         return editor;
     },
     "Shape1", false, false,
     [](QWidget& w) {
         // The picture stays at 100 %, so a stroke lands where it is drawn.
         EXPECT_EQ(static_cast<retouch::TF_DRAW&>(w).Image->size(), kPicture.size());
     }},
    {"F_PREVIEW2", [](app::TF_HAIR& main) { return std::make_unique<print::TF_PREVIEW2>(&main); },
     "PixelDisplay4", true, true,
     [](QWidget& w) {
         // The sheet grew with its cells, and the scroll bar reaches its lower row.
         QScrollArea* box = static_cast<print::TF_PREVIEW2&>(w).ScrollBox;
         EXPECT_EQ(box->widget()->size(), QSize(2 * 777, 2 * 537));
         EXPECT_EQ(box->verticalScrollBar()->maximum(),
                   box->widget()->height() - box->viewport()->height());
     }},
};

class WindowScaling : public StudioTest, public ::testing::WithParamInterface<ScaledWindow> {
protected:
    void SetUp() override {
        StudioTest::SetUp();
        TFormAutoSize::SetDefaultScreenMetricsProvider(
            [](const QWidget*) { return TScreenMetrics{1600, 1200, 96}; });
    }
    void TearDown() override {
        TFormAutoSize::SetDefaultScreenMetricsProvider(nullptr);
        StudioTest::TearDown();
    }
};

TEST_P(WindowScaling, TwiceTheDesignScreenDoublesTheWindowItsControlsAndFonts) {
    const ScaledWindow& row = GetParam();
    std::unique_ptr<QWidget> window = row.make(*main);
    QWidget* child = window->findChild<QWidget*>(row.child);
    ASSERT_NE(child, nullptr);
    const QSize size = window->size();
    const QRect design = child->geometry();
    const int font = fontSize(window->font());

    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    if (!row.maximised) {
        EXPECT_EQ(window->size(), size * 2);
    }
    EXPECT_EQ(fontSize(window->font()), font * 2);
    EXPECT_EQ(child->size(), design.size() * 2);
    if (row.placed) {
        EXPECT_EQ(child->pos(), design.topLeft() * 2);
    }
    row.alsoCheck(*window);
}

INSTANTIATE_TEST_SUITE_P(ScaledWindows, WindowScaling, ::testing::ValuesIn(kWindows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace velvo::testing

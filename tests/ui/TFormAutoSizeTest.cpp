#include "ui/TFormAutoSize.h"

#include "imaging/codecs/Error.h"

#include <QLabel>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

// Records the client size the window has when its own show handler runs.
class Window : public QWidget {
public:
    QSize sizeAtShow;

protected:
    void showEvent(QShowEvent*) override { sizeAtShow = size(); }
};

struct AutoSized {
    std::unique_ptr<Window> window = std::make_unique<Window>();
    TFormAutoSize* autoSize = nullptr;
    QStringList errors;

    AutoSized(TScreenMetrics screen, bool scaled, QSize client, int designClientHeight) {
        window->resize(client);
        TFormAutoSize::SetWindowScaled(window.get(), scaled);
        autoSize = new TFormAutoSize(window.get());
        autoSize->DesignTimeSize().ClientHeight = designClientHeight;
        autoSize->SetAllowAutoSize(true);
        autoSize->SetCheckPixelsPerInch(true);
        autoSize->SetActive(true);
        autoSize->SetScreenMetricsProvider([screen](const QWidget*) { return screen; });
        TFormAutoSize::SetErrorHandler(
            [this](const std::exception& e) { errors << QString::fromStdString(e.what()); });
    }
    ~AutoSized() { TFormAutoSize::SetErrorHandler(nullptr); }
};

} // namespace

TEST(TFormAutoSize, DesignScreenChangesNothing) {
    AutoSized a({800, 600, 96}, true, {585, 396}, 396);
    auto* child = new QWidget(a.window.get());
    child->setGeometry(100, 10, 50, 20);
    a.window->show();
    EXPECT_EQ(a.window->size(), QSize(585, 396));
    EXPECT_EQ(child->geometry(), QRect(100, 10, 50, 20));
    EXPECT_FALSE(a.autoSize->Active());
    EXPECT_TRUE(a.errors.isEmpty());
}

TEST(TFormAutoSize, LargerScreenScalesAScaledWindowAndItsContents) {
    AutoSized a({1024, 768, 96}, true, {585, 396}, 396);
    QFont font = a.window->font();
    font.setPixelSize(11);
    a.window->setFont(font);
    auto* child = new QWidget(a.window.get());
    child->setGeometry(100, 10, 50, 20);
    auto* grandChild = new QWidget(child);
    grandChild->setGeometry(5, 5, 10, 10);
    auto* ownFont = new QLabel("x", a.window.get());
    QFont labelFont = ownFont->font();
    labelFont.setPointSize(10);
    ownFont->setFont(labelFont);
    auto* inherited = new QLabel("y", a.window.get());

    a.window->show();
    EXPECT_EQ(a.window->size(), QSize(748, 506)); // 585*1024/800 = 748.8, 396*768/600 = 506.88
    EXPECT_EQ(a.window->sizeAtShow, QSize(748, 506));
    // Edges times 1.28, rounded: left 128, right 192, top 12.8 -> 13, bottom 38.4 -> 38.
    EXPECT_EQ(child->geometry(), QRect(128, 13, 64, 25));
    EXPECT_EQ(grandChild->geometry(), QRect(6, 6, 13, 13));
    EXPECT_EQ(a.window->font().pixelSize(), 14);
    EXPECT_EQ(ownFont->font().pointSize(), 13);
    EXPECT_EQ(inherited->font().pixelSize(), 14);
}

TEST(TFormAutoSize, AScreenOfAnotherShapeScalesByItsShorterSide) {
    // A child reaching close to the window's bottom and right edges, as a page control does.
    const struct {
        TScreenMetrics screen;
        QSize client;
        QRect child;
    } screens[] = {
        // 800 / 600 is the smaller ratio: 536 * 4/3 = 714.7, 12 * 4/3 = 16, 241 * 4/3 = 321.3.
        {{1280, 800, 96}, {714, 336}, {16, 43, 684, 278}},
        {{1920, 1080, 96}, {964, 453}, {22, 58, 923, 376}},  // 1.8
        {{768, 1024, 96}, {514, 241}, {12, 31, 492, 200}},   // portrait: 0.96
    };
    for (const auto& row : screens) {
        AutoSized a(row.screen, true, {536, 252}, 252);
        auto* child = new QWidget(a.window.get());
        child->setGeometry(12, 32, 513, 209);
        a.window->show();
        EXPECT_EQ(a.window->size(), row.client) << row.screen.Width;
        EXPECT_EQ(child->geometry(), row.child) << row.screen.Width;
        EXPECT_TRUE(a.window->rect().contains(child->geometry())) << "nothing cut off";
    }
}

TEST(TFormAutoSize, UnscaledWindowKeepsItsSizeOnALargerScreen) {
    AutoSized a({1024, 768, 96}, false, {611, 404}, 404);
    auto* child = new QWidget(a.window.get());
    child->setGeometry(100, 10, 50, 20);
    a.window->show();
    EXPECT_EQ(a.window->size(), QSize(611, 404));
    EXPECT_EQ(child->geometry(), QRect(100, 10, 50, 20));
    EXPECT_FALSE(a.autoSize->Active());
}

// What the outer size of a window with client size `client` becomes at 120 pixels per inch.
QSize outerAt120(QSize client, const QWidget& shown) {
    const QSize outer = client + shown.frameGeometry().size() - shown.size();
    return {outer.width() * 120 / 96, outer.height() * 120 / 96};
}

TEST(TFormAutoSize, ResolutionStepScalesTheOuterSizeKnownAtTheShowing) {
    for (bool scaled : {false, true}) {
        AutoSized a({800, 600, 120}, scaled, {544, 279}, 252);
        a.window->show();
        ASSERT_NE(a.window->frameGeometry().size(), a.window->size()) << "a framed window";
        // (544 + frame) * 120 / 96 and (279 + frame) * 120 / 96, truncated, before the
        // window's own show handler runs.
        EXPECT_EQ(a.window->frameGeometry().size(), outerAt120({544, 279}, *a.window)) << scaled;
        EXPECT_EQ(a.window->sizeAtShow, a.window->size()) << scaled;
        EXPECT_FALSE(a.autoSize->Active());
    }
}

TEST(TFormAutoSize, ResolutionStepWaitsForAFrameThatArrivesWithTheMapping) {
    // As on X11: the window manager's frame is unknown until the window is on the screen.
    AutoSized a({1024, 768, 120}, true, {400, 200}, 200);
    int asked = 0;
    a.autoSize->SetFrameProvider([&](const QWidget* w) -> std::optional<QMargins> {
        ++asked;
        const QWindow* handle = w->windowHandle();
        if (!handle || !handle->isExposed())
            return std::nullopt;
        return handle->frameMargins();
    });
    a.window->show();
    // The screen step ran at the showing: 400 * 1024 / 800, 200 * 768 / 600.
    EXPECT_EQ(a.window->sizeAtShow, QSize(512, 256));
    EXPECT_TRUE(a.autoSize->Active());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(a.window.get()));
    EXPECT_GE(asked, 2);
    EXPECT_FALSE(a.autoSize->Active());
    EXPECT_FALSE(a.autoSize->FramePending());
    EXPECT_EQ(a.window->frameGeometry().size(), outerAt120({512, 256}, *a.window));

    // Exposed again later: nothing changes.
    const QSize adjusted = a.window->size();
    a.window->hide();
    a.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(a.window.get()));
    EXPECT_EQ(a.window->size(), adjusted);
}

TEST(TFormAutoSize, SecondShowingChangesNothing) {
    AutoSized a({1024, 768, 120}, true, {585, 396}, 396);
    a.window->show();
    const QSize first = a.window->size();
    EXPECT_NE(first, QSize(585, 396));
    a.window->hide();
    a.window->resize(300, 200);
    a.window->show();
    EXPECT_EQ(a.window->size(), QSize(300, 200));
    EXPECT_FALSE(a.autoSize->Active());
}

TEST(TFormAutoSize, ErrorIsReportedAndTheAdjustmentRetriedAtTheNextShowing) {
    AutoSized a({1024, 768, 96}, true, {585, 396}, 396);
    int calls = 0;
    a.autoSize->SetScreenMetricsProvider([&](const QWidget*) -> TScreenMetrics {
        if (++calls == 1)
            throw velvo::Error("", "screen not ready");
        return {1024, 768, 96};
    });
    a.window->show();
    EXPECT_TRUE(a.window->isVisible());
    EXPECT_EQ(a.errors, QStringList({"screen not ready"}));
    EXPECT_TRUE(a.autoSize->Active());
    EXPECT_EQ(a.window->size(), QSize(585, 396));
    a.window->hide();
    a.window->show();
    EXPECT_EQ(a.window->size(), QSize(748, 506));
    EXPECT_FALSE(a.autoSize->Active());
    EXPECT_EQ(a.errors.size(), 1);
}

TEST(TFormAutoSize, ZeroDesignSizeIsAnErrorNotACrash) {
    AutoSized a({1024, 768, 120}, true, {585, 396}, 396);
    a.autoSize->DesignTimeSize().Width = 0;
    a.window->show();
    EXPECT_EQ(a.errors.size(), 1);
    EXPECT_TRUE(a.autoSize->Active());
    a.window->hide();
    a.autoSize->DesignTimeSize() = {800, 600, 396, 0};
    a.window->show();
    EXPECT_EQ(a.errors.size(), 2);
}

TEST(TFormAutoSize, ClientAutoSizeRestoresTheDesignClientHeight) {
    AutoSized a({1024, 768, 120}, true, {585, 300}, 396);
    a.autoSize->SetClientAutoSize(true);
    EXPECT_FALSE(a.autoSize->AllowAutoSize());
    a.window->show();
    EXPECT_EQ(a.window->size(),
              QSize(585, 396)); // no screen or resolution step without AllowAutoSize
    a.autoSize->SetAllowAutoSize(true);
    EXPECT_FALSE(a.autoSize->ClientAutoSize());
    a.autoSize->SetAllowAutoSize(false);
    EXPECT_FALSE(a.autoSize->ClientAutoSize());
    EXPECT_FALSE(a.autoSize->AllowAutoSize());
}

TEST(TFormAutoSize, InactiveComponentDoesNothing) {
    AutoSized a({1024, 768, 120}, true, {585, 396}, 396);
    a.autoSize->SetActive(false);
    a.window->show();
    EXPECT_EQ(a.window->size(), QSize(585, 396));
}

TEST(TFormAutoSize, MulDivRoundsHalvesAwayFromZero) {
    EXPECT_EQ(TFormAutoSize::MulDiv(100, 1024, 800), 128);
    EXPECT_EQ(TFormAutoSize::MulDiv(10, 1024, 800), 13); // 12.8
    EXPECT_EQ(TFormAutoSize::MulDiv(30, 1024, 800), 38); // 38.4
    EXPECT_EQ(TFormAutoSize::MulDiv(5, 3, 2), 8);        // 7.5
    EXPECT_EQ(TFormAutoSize::MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(TFormAutoSize::MulDiv(5, -3, -2), 8);
    EXPECT_EQ(TFormAutoSize::MulDiv(2000000000, 2, 2), 2000000000);
    EXPECT_THROW(TFormAutoSize::MulDiv(2000000000, 4, 2), velvo::Error);
    EXPECT_THROW(TFormAutoSize::MulDiv(1, 1, 0), velvo::Error);
}

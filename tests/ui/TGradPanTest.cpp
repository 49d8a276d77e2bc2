#include "ui/TGradPan.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string hex(const QColor& c) {
    return c.name().toStdString();
}

std::string at(const QImage& image, int x, int y) {
    return hex(image.pixelColor(x, y));
}

QImage shot(QWidget& w) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Smallest rectangle holding every pixel of exactly this colour.
QRect boxOf(const QImage& image, QColor c) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == c.rgb())
                box |= QRect(x, y, 1, 1);
    return box;
}

// A bevel-less panel whose gradient entries are easy to read: entry k = (k, 2k, 0).
struct Bands {
    TGradPan pan;
    Bands(TGradPan::TDirection effect, QSize size) {
        pan.resize(size);
        pan.SetBevelOuter(TGradPan::bvNone);
        pan.SetColorStart(QColor(0, 0, 0));
        pan.SetColorEnd(QColor(100, 200, 0));
        pan.SetBackGroundEffect(effect);
    }
};

} // namespace

TEST(TGradPan, ColorTableTruncatesTowardZeroInBothDirections) {
    const auto up = TGradPan::ColorTable(QColor(128, 128, 128), QColor(192, 192, 192));
    EXPECT_EQ(up[0].red(), 128);
    EXPECT_EQ(up[1].red(), 128); // 128.64
    EXPECT_EQ(up[98].green(), 190);
    EXPECT_EQ(up[99].blue(), 191); // one step short of 192
    // Falling: 192 - 0.64 = 191.36 must give 191, not 192 from dividing the negative part alone.
    const auto down = TGradPan::ColorTable(QColor(192, 192, 192), QColor(128, 128, 128));
    EXPECT_EQ(down[1].red(), 191);
    EXPECT_EQ(down[99].red(), 128); // 128.64
}

TEST(TGradPan, VertInGreyToSilverPaintsTheWorkedExample) {
    TGradPan pan;
    pan.resize(200, 40);
    pan.SetColorStart(QColor(128, 128, 128));
    pan.SetColorEnd(QColor(192, 192, 192));
    ASSERT_EQ(pan.BackGroundEffect(), TGradPan::bdVertIn);
    const QImage img = shot(pan);
    EXPECT_EQ(at(img, 1, 20), "#808080");   // band 0: entry 1
    EXPECT_EQ(at(img, 98, 20), "#bfbfbf");  // band 49: entry 99 = 191
    EXPECT_EQ(at(img, 101, 20), "#bebebe"); // band 50: entry 98 = 190
    EXPECT_EQ(at(img, 198, 20), "#808080"); // band 99: entry 0
    // The default raised outer bevel: white left, grey right.
    EXPECT_EQ(at(img, 0, 20), "#ffffff");
    EXPECT_EQ(at(img, 199, 20), "#808080");
}

TEST(TGradPan, GradientBandsFollowMulDivAndTheirTableEntries) {
    struct Case {
        TGradPan::TDirection effect;
        QSize size;
        QPoint point;
        QColor expected;
    };
    const Case cases[] = {
        // 50 rows for 100 bands: MulDiv rounds halves up, so row y shows entry 2y (row 49:
        // band 98) and the odd bands are empty.
        {TGradPan::bdUp, {30, 50}, {10, 0}, {0, 0, 0}},
        {TGradPan::bdUp, {30, 50}, {10, 1}, {2, 4, 0}},
        {TGradPan::bdUp, {30, 50}, {10, 49}, {98, 196, 0}},
        {TGradPan::bdDown, {30, 50}, {10, 1}, {98, 196, 0}},
        {TGradPan::bdLeft, {300, 10}, {5, 5}, {1, 2, 0}},
        {TGradPan::bdRight, {300, 10}, {5, 5}, {99, 198, 0}},
        {TGradPan::bdHorzIn, {10, 100}, {5, 0}, {1, 2, 0}},
        {TGradPan::bdHorzIn, {10, 100}, {5, 49}, {99, 198, 0}},
        {TGradPan::bdHorzIn, {10, 100}, {5, 50}, {98, 196, 0}},
        {TGradPan::bdHorzIn, {10, 100}, {5, 99}, {0, 0, 0}},
        {TGradPan::bdHorzOut, {10, 100}, {5, 0}, {99, 198, 0}},
        {TGradPan::bdVertOut, {100, 10}, {49, 5}, {1, 2, 0}},
        {TGradPan::bdFlat, {10, 10}, {5, 5}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        Bands b(c.effect, c.size);
        EXPECT_EQ(at(shot(b.pan), c.point.x(), c.point.y()), hex(c.expected))
            << "effect " << c.effect << " at " << c.point.x() << "," << c.point.y();
    }
}

TEST(TGradPan, ImageBackgrounds) {
    for (auto effect : {TGradPan::bdTileImage, TGradPan::bdStretchImage}) {
        Bands b(effect, {40, 40});
        b.pan.SetColorStart(Qt::red);
        b.pan.SetBitmap(QImage());
        EXPECT_EQ(at(shot(b.pan), 20, 20), "#ff0000") << effect;
    }
    // A 10 x 10 tile with a marked corner, inset by 2 x bevel + border = 4 with Ctl3D: three
    // columns and rows from (4, 4), the last ending at 33.
    QImage tile(10, 10, QImage::Format_RGB32);
    tile.fill(Qt::black);
    tile.setPixelColor(0, 0, Qt::red);
    Bands tiled(TGradPan::bdTileImage, {35, 35});
    tiled.pan.SetColor(Qt::blue);
    tiled.pan.SetBorderWidth(2);
    tiled.pan.SetCtl3D(true);
    tiled.pan.SetBitmap(tile);
    tile.fill(Qt::white); // the panel kept its own copy
    QImage img = shot(tiled.pan);
    EXPECT_EQ(at(img, 4, 4), "#ff0000");
    EXPECT_EQ(at(img, 24, 14), "#ff0000");
    EXPECT_EQ(at(img, 33, 33), "#000000");
    EXPECT_EQ(at(img, 2, 2), "#0000ff");
    EXPECT_EQ(at(img, 34, 34), "#0000ff");
}

TEST(TGradPan, BevelsAndTheCtl3DFrame) {
    TGradPan pan;
    pan.resize(40, 40);
    pan.SetBackGroundEffect(TGradPan::bdFlat);
    pan.SetColorStart(Qt::green);
    pan.SetColor(Qt::blue);
    pan.SetBevelWidth(2);
    pan.SetBorderWidth(2);
    pan.SetBevelInner(TGradPan::bvLowered);
    pan.SetCtl3D(true);
    QImage img = shot(pan);
    // Outer raised bevel, Ctl3D frame in Color, inner lowered bevel, then the background.
    const char* fromLeft[] = {"#ffffff", "#ffffff", "#0000ff", "#0000ff",
                              "#808080", "#808080", "#00ff00"};
    const char* fromRight[] = {"#808080", "#808080", "#0000ff", "#0000ff",
                               "#ffffff", "#ffffff", "#00ff00"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(at(img, i, 20), fromLeft[i]) << i;
        EXPECT_EQ(at(img, 39 - i, 20), fromRight[i]) << 39 - i;
        EXPECT_EQ(at(img, 20, i), fromLeft[i]) << i;
    }
    pan.SetCtl3D(false);
    img = shot(pan);
    EXPECT_EQ(at(img, 2, 20), "#00ff00");
    EXPECT_EQ(at(img, 4, 20), "#808080");
}

namespace {
// Blue caption on white in an unsmoothed font, so every text pixel has an exact colour.
struct Captioned {
    TGradPan pan;
    explicit Captioned(const QString& caption) {
        pan.resize(200, 200);
        pan.SetBackGroundEffect(TGradPan::bdFlat);
        pan.SetColorStart(Qt::white);
        pan.SetBevelOuter(TGradPan::bvNone);
        pan.SetColorShadow(Qt::red);
        QPalette palette = pan.palette();
        palette.setColor(QPalette::WindowText, Qt::blue);
        pan.setPalette(palette);
        QFont font = pan.font();
        font.setPixelSize(28);
        font.setStyleStrategy(QFont::NoAntialias);
        pan.setFont(font);
        pan.SetCaption(caption);
    }
};
} // namespace

TEST(TGradPan, CaptionEffectsDrawTheirCopiesAroundTheText) {
    Captioned c("Velvo");
    QRect text, shadow, black;
    auto render = [&](TGradPan::TTextEffect effect) {
        c.pan.SetTextEffect(effect);
        const QImage img = shot(c.pan);
        text = boxOf(img, Qt::blue), shadow = boxOf(img, Qt::red), black = boxOf(img, Qt::black);
    };
    render(TGradPan::tenone);
    ASSERT_FALSE(text.isEmpty());
    EXPECT_TRUE(shadow.isEmpty() && black.isEmpty());
    EXPECT_NEAR(text.center().x(), 100, 3); // centred both ways by default
    EXPECT_NEAR(text.center().y(), 100, 8);
    const QRect t = text;
    render(TGradPan::teShadow);
    EXPECT_EQ(text, t);
    EXPECT_EQ(shadow.bottomRight(), t.bottomRight() + QPoint(1, 1));
    EXPECT_TRUE(black.isEmpty());
    render(TGradPan::teRaised);
    EXPECT_EQ(shadow.topLeft(), t.topLeft() - QPoint(1, 1));
    EXPECT_EQ(black.bottomRight(), t.bottomRight() + QPoint(1, 1));
    render(TGradPan::teLowered);
    EXPECT_EQ(black.topLeft(), t.topLeft() - QPoint(1, 1));
    EXPECT_EQ(shadow.bottomRight(), t.bottomRight() + QPoint(1, 1));
    render(TGradPan::teEmbossed);
    EXPECT_EQ(shadow, t.adjusted(-1, -1, 1, 1));
    EXPECT_TRUE(black.isEmpty());
}

TEST(TGradPan, CaptionPlacementAndRotation) {
    Captioned c("MMM."); // the full stop marks the end of the text and the baseline
    c.pan.SetTextEffect(TGradPan::tenone);
    c.pan.SetAlignment(Qt::AlignLeft);
    c.pan.SetVertAlign(TGradPan::vlTop);
    QRect box = boxOf(shot(c.pan), Qt::blue);
    EXPECT_GE(box.left(), 3); // border + bevel + 2
    EXPECT_LT(box.left(), 10);
    EXPECT_LT(box.top(), 20);
    c.pan.SetAlignment(Qt::AlignRight);
    c.pan.SetVertAlign(TGradPan::VlBottom);
    box = boxOf(shot(c.pan), Qt::blue);
    EXPECT_LE(box.right(), 196);
    EXPECT_GT(box.right(), 185);
    EXPECT_GT(box.bottom(), 180);
    // Upwards the text ends at the top with its baseline on the right; downwards it ends at
    // the bottom with its baseline on the left.
    for (auto rotation : {TGradPan::TrUp, TGradPan::TrDown}) {
        c.pan.SetTextRotation(rotation);
        const QImage img = shot(c.pan);
        box = boxOf(img, Qt::blue);
        EXPECT_GT(box.height(), box.width()) << rotation;
        const bool up = rotation == TGradPan::TrUp;
        const QRect end = boxOf(img.copy(0, up ? box.top() : box.bottom(), 200, 1), Qt::blue);
        EXPECT_TRUE(up ? end.left() > box.center().x() : end.right() < box.center().x());
    }
}

TEST(TGradPan, HitTestTable) {
    TGradPan pan;
    pan.resize(100, 80);
    EXPECT_EQ(pan.HitTest({3, 3}), TGradPan::htClient); // not moveable: the default answer
    pan.SetMoveable(true);
    EXPECT_EQ(pan.HitTest({3, 3}), TGradPan::htTopLeft);
    EXPECT_EQ(pan.HitTest({50, 40}), TGradPan::htCaption);
    EXPECT_EQ(pan.HitTest({3, 40}), TGradPan::htLeft);
    EXPECT_EQ(pan.HitTest({3, 77}), TGradPan::htBottomLeft);
    EXPECT_EQ(pan.HitTest({96, 3}), TGradPan::htTopRight);
    EXPECT_EQ(pan.HitTest({96, 77}), TGradPan::htBottomRight);
    EXPECT_EQ(pan.HitTest({95, 40}), TGradPan::htRight); // 100 - 95 = 5 < 6
    EXPECT_EQ(pan.HitTest({94, 40}), TGradPan::htCaption);
    EXPECT_EQ(pan.HitTest({6, 40}), TGradPan::htCaption);
    EXPECT_EQ(pan.HitTest({50, 5}), TGradPan::htTop);
    EXPECT_EQ(pan.HitTest({50, 75}), TGradPan::htBottom);
    pan.SetMarge(10);
    EXPECT_EQ(pan.HitTest({8, 40}), TGradPan::htLeft);
}

TEST(TGradPan, AMoveWhileHiddenIsReportedAtShowing) {
    QWidget parent;
    auto* pan = new TGradPan(&parent);
    QSignalSpy moved(pan, &TGradPan::OnPanelMove);
    pan->move(30, 20);
    parent.show();
    EXPECT_EQ(moved.count(), 1);
    pan->resize(50, 50);
    EXPECT_EQ(moved.count(), 1);
}

namespace {
struct OnParent : ::testing::Test {
    QWidget parent;
    TGradPan* pan = new TGradPan(&parent);
    void SetUp() override {
        parent.resize(400, 300);
        pan->setGeometry(50, 50, 100, 80);
        pan->SetMoveable(true);
        parent.show();
    }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(pan, Qt::LeftButton, {}, from);
        QTest::mouseMove(pan, to);
        QTest::mouseRelease(pan, Qt::LeftButton, {}, to);
    }
};
} // namespace

TEST_F(OnParent, DraggingTheCaptionMovesThePanelAndReportsIt) {
    QSignalSpy moved(pan, &TGradPan::OnPanelMove);
    drag({50, 40}, {80, 60});
    EXPECT_EQ(pan->geometry(), QRect(80, 70, 100, 80));
    EXPECT_EQ(moved.count(), 1);
    pan->move(10, 10); // moves by code count too
    EXPECT_EQ(moved.count(), 2);
    // The pointer is held inside the parent: the grabbed point stops at its last pixel.
    drag({50, 40}, {1000, 1000});
    EXPECT_EQ(pan->pos(), QPoint(399 - 50, 299 - 40));
}

TEST_F(OnParent, DraggingEdgesResizesDownToTheMinimum) {
    QSignalSpy moved(pan, &TGradPan::OnPanelMove);
    drag({97, 77}, {117, 97});
    EXPECT_EQ(pan->geometry(), QRect(50, 50, 120, 100));
    EXPECT_EQ(moved.count(), 0);
    // The top-left corner dragged past the far edges stops at 2 x Marge + 1 with the
    // bottom-right corner kept.
    drag({2, 2}, {300, 300});
    EXPECT_EQ(pan->geometry(), QRect(169 - 12, 149 - 12, 13, 13));
    EXPECT_EQ(moved.count(), 1);
}

TEST_F(OnParent, HoverCursorsAndAFixedPanel) {
    QTest::mouseMove(pan, {3, 40});
    EXPECT_EQ(pan->cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(pan, {97, 77});
    EXPECT_EQ(pan->cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mouseMove(pan, {50, 40});
    EXPECT_EQ(pan->cursor().shape(), Qt::ArrowCursor);

    pan->SetMoveable(false);
    QSignalSpy moved(pan, &TGradPan::OnPanelMove);
    drag({50, 40}, {80, 60});
    drag({97, 77}, {117, 97});
    EXPECT_EQ(pan->geometry(), QRect(50, 50, 100, 80));
    EXPECT_EQ(moved.count(), 0);
}

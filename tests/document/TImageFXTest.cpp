#include "document/TImageFX.h"

#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

#include "document/TTransparentBitmap.h"
#include "imaging/codecs/Error.h"

namespace velvo::document {
namespace {

const QRgb kGround = qRgb(30, 90, 150); // the parent's colour
const QRgb kKey = qRgb(255, 255, 255);
const QRgb kHair = qRgb(200, 40, 0);
const QRgb kMark = qRgb(0, 250, 0);

// W x H of kKey with a kHair block inside, and one kMark pixel at (1, 1) so that a shifted or
// mirrored copy shows.
QImage picture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kKey);
    for (int y = h / 4; y < h - h / 4; ++y)
        for (int x = w / 4; x < w - w / 4; ++x)
            image.setPixel(x, y, kHair);
    if (w > 1 && h > 1)
        image.setPixel(1, 1, kMark);
    return image;
}

int count(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
    return n;
}

std::string message(const std::function<void()>& action) {
    try {
        action();
    } catch (const velvo::Error& e) {
        return e.what();
    }
    return "(no error)";
}

class ImageFX : public ::testing::Test {
protected:
    void SetUp() override {
        parent->setAutoFillBackground(true);
        QPalette palette = parent->palette();
        palette.setColor(QPalette::Window, QColor(kGround));
        parent->setPalette(palette);
        parent->resize(200, 150);
        fx = new TImageFX(parent.get());
        fx->move(10, 20);
        parent->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.get()));
    }
    // What the parent shows now, the control drawn over it.
    QImage screen() {
        QImage shot(parent->size(), QImage::Format_RGB32);
        parent->render(&shot);
        return shot;
    }
    // Ticks until the effect ends (at most `limit` ticks); returns how many it took.
    int run(int limit = 5000) {
        int ticks = 0;
        while (fx->Running() && ticks < limit) {
            fx->EffectTick();
            ++ticks;
        }
        return ticks;
    }

    std::unique_ptr<QWidget> parent = std::make_unique<QWidget>();
    TImageFX* fx = nullptr;
};

TEST_F(ImageFX, TransparentPixelTextsAndTheirMessages) {
    fx->SetBitmap(picture(200, 50));
    const auto set = [this](const char* text) {
        return message([&] { fx->SetTransparentPixel(QString::fromLatin1(text)); });
    };
    EXPECT_EQ(set("5"), "Invalid pixel string. Example: 123,45");
    EXPECT_EQ(set("a,b"), "Invalid pixel string. Example: 123,45");
    EXPECT_EQ(set("3,-9999"), "Invalid pixel string. Example: 123,45");
    EXPECT_EQ(set("300,0"), "Location is not within bitmap boundaries");
    EXPECT_EQ(set("0,51"), "Location is not within bitmap boundaries");
    EXPECT_EQ(fx->TransparentPixel(), "0,0") << "refused texts are not kept";
    EXPECT_EQ(set("200,0"), "(no error)");
    EXPECT_EQ(fx->TransparentPixel(), "200,0");
    EXPECT_EQ(fx->TransparentBitmap()->KeyPoint(), QPoint(200, 0));
    EXPECT_EQ(set(" 60 , 20"), "(no error)");
    EXPECT_EQ(fx->TransparentBitmap()->KeyColor(), QColor(kHair));

    fx->ClearBitmap();
    EXPECT_EQ(set("0,0"), "No bitmap selected!");
    fx->SetBitmap(picture(200, 50));
    EXPECT_EQ(fx->TransparentBitmap()->KeyPoint(), QPoint(60, 20))
        << "the key point outlives the picture holder";
    fx->ClearBitmap();
    fx->SetBitmap(QImage());
    EXPECT_EQ(set("0,0"), "(no error)") << "0,0 passes on an empty picture";
}

TEST_F(ImageFX, PropertyCouplingsAndRanges) {
    EXPECT_EQ(message([&] { fx->SetEffect(TImageFX::TEffect(43)); }), "Invalid Effect");
    EXPECT_EQ(fx->Effect(), TImageFX::fxNone);
    fx->SetEffect(TImageFX::fxBlindVert);
    EXPECT_EQ(fx->Effect(), TImageFX::fxBlindVert);

    fx->SetStretchRatio(true);
    EXPECT_TRUE(fx->Stretch());
    fx->SetStretch(false);
    EXPECT_FALSE(fx->StretchRatio());

    fx->SetEffectDelay(5000);
    fx->SetEffectRate(-3);
    EXPECT_EQ(fx->EffectDelay(), 1000);
    EXPECT_EQ(fx->EffectRate(), 0);

    fx->SetAutoSize(true);
    fx->SetBitmap(picture(30, 20));
    EXPECT_EQ(fx->size(), QSize(30, 20));
    EXPECT_EQ(fx->BitmapRect(), QRect(0, 0, 30, 20));
    EXPECT_EQ(fx->FrameBuffer().size(), QSize(30, 20));
}

TEST_F(ImageFX, ScreenRectFromStretchRatioAndCentre) {
    fx->resize(100, 50);
    fx->SetBitmap(picture(40, 30));
    EXPECT_EQ(fx->ScreenRect(), QRect(0, 0, 40, 30));
    fx->SetCenter(true);
    EXPECT_EQ(fx->ScreenRect(), QRect(30, 10, 40, 30));
    fx->SetStretch(true);
    EXPECT_EQ(fx->ScreenRect(), QRect(0, 0, 100, 50));
    fx->SetStretchRatio(true); // 30 / 40 x 100 = 75 is too high: width 40 / 30 x 50 = 66.7
    EXPECT_EQ(fx->ScreenRect(), QRect(16, 0, 67, 50));
    fx->SetCenter(false);
    EXPECT_EQ(fx->ScreenRect(), QRect(0, 0, 67, 50));
    fx->SetBitmap(picture(40, 10)); // 10 / 40 x 100 = 25 fits
    EXPECT_EQ(fx->ScreenRect(), QRect(0, 0, 100, 25));
    fx->resize(10, 50);
    fx->SetBitmap(picture(4, 1)); // 1 / 4 x 10 = 2.5, a tie, goes to the even 2
    EXPECT_EQ(fx->ScreenRect(), QRect(0, 0, 10, 2));

    fx->SetStretch(false); // a picture larger than the control centres to negative offsets
    fx->SetCenter(true);
    fx->resize(100, 50);
    fx->SetBitmap(picture(141, 60));
    EXPECT_EQ(fx->ScreenRect(), QRect(-20, -5, 141, 60));
}

TEST_F(ImageFX, PaintsKeyedStretchedOverWhatLiesBelow) {
    // A sibling below the control covers its left half; one above it is not background.
    auto* below = new QWidget(parent.get());
    below->setAutoFillBackground(true);
    below->setPalette(QPalette(QColor(kMark)));
    below->setGeometry(0, 0, 50, 150);
    below->stackUnder(fx);
    below->show();
    auto* above = new QWidget(parent.get());
    above->setAutoFillBackground(true);
    above->setPalette(QPalette(Qt::black));
    above->setGeometry(150, 0, 50, 150);
    above->show();

    fx->setGeometry(10, 20, 160, 80);
    fx->SetBitmap(picture(8, 4)); // hair block at (2..5, 1..2)
    fx->SetTransparent(true);
    fx->SetStretch(true); // 20 x 20 screen pixels per picture pixel
    QImage shot = screen();
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 140; ++x) {
            const QRgb source = picture(8, 4).pixel(x / 20, y / 20);
            const QRgb under = x + 10 < 50 ? kMark : kGround;
            ASSERT_EQ(shot.pixel(x + 10, y + 20) & 0xffffff,
                      (source == kKey ? under : source) & 0xffffff)
                << x << "," << y;
        }
    EXPECT_EQ(fx->BackgroundCopy().pixel(0, 0) & 0xffffff, kMark & 0xffffff);
    EXPECT_EQ(fx->BackgroundCopy().pixel(7, 0) & 0xffffff, kGround & 0xffffff);

    // A new key point keys another colour.
    fx->SetTransparentPixel("3,1");
    shot = screen();
    EXPECT_EQ(shot.pixel(10 + 60, 20 + 20) & 0xffffff, kGround & 0xffffff);
    EXPECT_EQ(shot.pixel(10 + 5, 20 + 5) & 0xffffff, kKey & 0xffffff);

    // Opaque: Color fills the control around the picture and the key colour is drawn.
    fx->SetStretch(false);
    fx->SetTransparent(false);
    fx->SetColor(Qt::yellow);
    shot = screen();
    EXPECT_EQ(shot.pixel(10 + 3, 20 + 1) & 0xffffff, kHair & 0xffffff);
    EXPECT_EQ(shot.pixel(10 + 0, 20 + 0) & 0xffffff, kKey & 0xffffff);
    EXPECT_EQ(shot.pixel(10 + 100, 20 + 50), QColor(Qt::yellow).rgb());

    // Not Visible: nothing of the control is drawn.
    fx->SetVisible(false);
    shot = screen();
    EXPECT_EQ(shot.pixel(10 + 3, 20 + 1) & 0xffffff, kMark & 0xffffff);
    EXPECT_EQ(shot.pixel(10 + 100, 20 + 50) & 0xffffff, kGround & 0xffffff);
}

TEST_F(ImageFX, ViewZoomInDrawsTwentyOneFramesAndCompletesBeforeTheLast) {
    fx->SetBitmap(picture(100, 60));
    fx->SetTransparent(false); // every drawn picture pixel counts, the key colour too
    fx->SetColor(QColor(kGround));
    fx->SetEffect(TImageFX::fxViewZoomIn);
    int completedAt = 0, hairWhenCompleted = -1;
    int tick = 0;
    QObject::connect(fx, &TImageFX::OnComplete, [&] {
        completedAt = tick;
        hairWhenCompleted = count(fx->FrameBuffer(), kHair) + count(fx->FrameBuffer(), kKey) +
                            count(fx->FrameBuffer(), kMark);
        EXPECT_FALSE(fx->Running());
    });
    fx->StartEffect();
    ASSERT_TRUE(fx->Running());
    EXPECT_EQ(fx->EffectSteps(), 100);
    ASSERT_NE(fx->findChild<QTimer*>(), nullptr);
    EXPECT_EQ(fx->findChild<QTimer*>()->interval(), 50);
    for (tick = 1; tick <= 21; ++tick) {
        ASSERT_TRUE(fx->Running()) << tick;
        fx->EffectTick();
        const int w = 5 * (tick - 1), h = 60 * w / 100;
        EXPECT_EQ(fx->DestRect(), QRect((100 - w) / 2, (60 - h) / 2, w, h)) << tick;
        EXPECT_EQ(fx->SourceRect(), QRect(0, 0, 100, 60));
        EXPECT_EQ(count(fx->FrameBuffer(), kGround), 100 * 60 - w * h) << tick;
    }
    EXPECT_EQ(completedAt, 21);
    EXPECT_EQ(hairWhenCompleted, 95 * 57) << "the full-size frame comes after OnComplete";
    EXPECT_FALSE(fx->Running());
    EXPECT_EQ(fx->FrameBuffer().convertToFormat(QImage::Format_RGB32),
              picture(100, 60).convertToFormat(QImage::Format_RGB32));
}

TEST_F(ImageFX, DelayRateEffectSwitchAndVisibility) {
    fx->SetBitmap(picture(20, 10));
    fx->SetEffect(TImageFX::fxWipeRightRoll);
    fx->SetEffectDelay(0);
    fx->StartEffect();
    EXPECT_FALSE(fx->Running());

    fx->SetEffectDelay(1000);
    fx->SetEffectRate(0);
    fx->StartEffect();
    ASSERT_TRUE(fx->Running());
    for (int i = 0; i < 50; ++i)
        fx->EffectTick();
    EXPECT_TRUE(fx->Running()) << "rate 0 holds the effect still";
    EXPECT_EQ(fx->EffectPos(), 0);
    // A new Effect waits for the running one to stop.
    fx->SetEffect(TImageFX::fxBlindHoriz);
    EXPECT_EQ(fx->Effect(), TImageFX::fxWipeRightRoll);
    fx->StopEffect();
    EXPECT_FALSE(fx->Running());
    EXPECT_EQ(fx->Effect(), TImageFX::fxBlindHoriz);
    for (const QTimer* timer : fx->findChildren<QTimer*>())
        EXPECT_FALSE(timer->isActive());

    fx->SetEffectRate(5);
    fx->StartEffect();
    fx->EffectTick();
    fx->EffectTick();
    fx->SetVisible(false);
    EXPECT_FALSE(fx->Running());
    fx->StartEffect();
    EXPECT_FALSE(fx->Running()) << "an invisible control starts nothing";

    fx->SetVisible(true);
    fx->setEnabled(false);
    fx->StartEffect();
    EXPECT_FALSE(fx->Running()) << "nor does a disabled one";
}

TEST_F(ImageFX, EveryEffectEndsOnItsWholePictureAfterItsSteps) {
    // Odd sizes so that halves and bands do not divide evenly.
    const QImage source = picture(13, 9);
    fx->SetBitmap(source);
    fx->SetEffectDelay(1000);
    fx->SetColor(QColor(kGround)); // opaque or not, the ground is kGround
    QImage ground(13, 9, QImage::Format_RGB32);
    ground.fill(kGround);
    QImage keyed = source;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 13; ++x)
            if (keyed.pixel(x, y) == kKey)
                keyed.setPixel(x, y, kGround);
    // Ticks with gr100 and rate 5: 21 for one pass, curtains 200 steps to 100 by 2,
    // fxSqueeze 300 steps to 150 by 1, fxDiagonal two passes, fxStrips 20 passes of 5 ticks.
    const auto ticksFor = [](TImageFX::TEffect e) {
        switch (e) {
        case TImageFX::fxNone:
        case TImageFX::fxPixelation:
            return 1;
        case TImageFX::fxSideCurtainRoll:
        case TImageFX::fxVertCurtainRoll:
            return 51;
        case TImageFX::fxSqueeze:
            return 151;
        case TImageFX::fxDiagonal:
            return 42;
        case TImageFX::fxStrips:
            return 100;
        default:
            return 21;
        }
    };
    for (int i = 0; i <= 2 * TImageFX::kLastEffect + 1; ++i) {
        const auto effect = TImageFX::TEffect(i / 2);
        const int e = i / 2;
        fx->SetTransparent(i % 2);
        fx->SetEffect(effect);
        int completions = 0;
        const auto connection = QObject::connect(fx, &TImageFX::OnComplete, [&] { ++completions; });
        fx->StartEffect();
        ASSERT_TRUE(fx->Running()) << e;
        EXPECT_EQ(run(), ticksFor(effect)) << e;
        QObject::disconnect(connection);
        EXPECT_EQ(completions, 1) << e;
        const bool hides = effect >= TImageFX::fxHideImplode && effect <= TImageFX::fxHideZoomOut;
        EXPECT_EQ(fx->FrameBuffer(), hides ? ground : fx->Transparent() ? keyed : source) << e;
    }
}

TEST_F(ImageFX, PixelationDrawsEveryCellAndRaisesOnPixelationForEach) {
    fx->SetBitmap(picture(13, 9));
    fx->SetEffectDelay(1000);
    fx->SetEffectRate(25); // 100 / 25 = 4: 16 cells
    fx->SetEffect(TImageFX::fxPixelation);
    int cells = 0;
    QObject::connect(fx, &TImageFX::OnPixelation, [&] { ++cells; });
    fx->StartEffect();
    fx->EffectTick();
    EXPECT_EQ(cells, 16);
    EXPECT_FALSE(fx->Running());
    EXPECT_EQ(fx->FrameBuffer(), picture(13, 9));

    // Stopped from a handler, the cells left are not drawn.
    cells = 0;
    QObject::connect(fx, &TImageFX::OnPixelation, fx, &TImageFX::StopEffect);
    fx->StartEffect();
    fx->EffectTick();
    EXPECT_EQ(cells, 1);
}

TEST_F(ImageFX, HidingEffectsCountDownAndTrailsKeepOldFrames) {
    fx->SetBitmap(picture(20, 20));
    fx->SetTransparent(false);
    fx->SetColor(QColor(kGround));
    fx->SetEffectDelay(1000);
    fx->SetEffect(TImageFX::fxHideZoomOut);
    for (const bool trails : {false, true}) {
        fx->SetTrails(trails);
        fx->StartEffect();
        fx->EffectTick();
        EXPECT_EQ(fx->DestRect(), QRect(0, 0, 20, 20));
        EXPECT_EQ(fx->EffectPos(), 95);
        fx->EffectTick();
        EXPECT_EQ(fx->DestRect(), QRect(0, 0, 19, 19)); // 20 x 95 / 100, centred by (20 - 19) div 2
        // Without Trails the ground shows around the smaller frame; with them the larger stays.
        EXPECT_EQ(count(fx->FrameBuffer(), kGround), trails ? 0 : 400 - 19 * 19) << trails;
        fx->StopEffect();
    }
}

TEST_F(ImageFX, DisabledControlLetsTheMouseThrough) {
    auto* below = new QWidget(parent.get());
    below->setGeometry(fx->geometry());
    below->stackUnder(fx);
    below->show();
    int downs = 0;
    QObject::connect(fx, &TImageFX::OnMouseDown, [&] { ++downs; });
    struct Recorder : QObject {
        int presses = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            presses += e->type() == QEvent::MouseButtonPress;
            return false;
        }
    } recorder;
    below->installEventFilter(&recorder);
    int clicks = 0;
    QObject::connect(fx, &TImageFX::OnClick, [&] { ++clicks; });

    QTest::mouseClick(parent->windowHandle(), Qt::LeftButton, {}, fx->geometry().center());
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(recorder.presses, 0);
    fx->setEnabled(false);
    QTest::mouseClick(parent->windowHandle(), Qt::LeftButton, {}, fx->geometry().center());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(recorder.presses, 1);
}

} // namespace
} // namespace velvo::document

// Steps, rates and the rectangles of every frame of the 42 transitions.
#include <algorithm>

#include "document/TImageFX.h"

namespace velvo::document {
namespace {

// `total` x pos / steps, rounded down and up; the whole of it when there are no steps.
int partDown(int total, int pos, int steps) {
    return steps <= 0 ? total : int(qint64(total) * pos / steps);
}
int partUp(int total, int pos, int steps) {
    return steps <= 0 ? total : int((qint64(total) * pos + steps - 1) / steps);
}

} // namespace

int TImageFX::StepsFor(TEffect effect, TGranularity granularity) {
    static constexpr int kSteps[] = {50, 100, 250, 500};
    const int steps = kSteps[std::clamp(int(granularity), 0, 3)];
    switch (effect) {
    case fxSideCurtainRoll:
    case fxVertCurtainRoll:
        return steps * 2;
    case fxSqueeze:
        return steps * 3;
    default:
        return steps;
    }
}

int TImageFX::PassEnd(TEffect effect, int steps) {
    switch (effect) {
    case fxSideCurtainRoll:
    case fxVertCurtainRoll:
    case fxSqueeze:
        return steps / 2;
    default:
        return steps;
    }
}

int TImageFX::StepFor(TEffect effect, int rate) {
    switch (effect) {
    case fxSqueeze:
        rate /= 4;
        break;
    case fxStrips:
        rate *= 5;
        break;
    case fxSideCurtainRoll:
    case fxVertCurtainRoll:
        rate /= 2;
        break;
    default:
        break;
    }
    return std::max(1, rate);
}

bool TImageFX::RestoresBackground(TEffect effect) {
    switch (effect) {
    case fxHideImplode:
    case fxSideCurtainRoll:
    case fxVertCurtainRoll:
    case fxSqueeze:
    case fxPushLeft:
    case fxPushRight:
    case fxPushDown:
    case fxPushUp:
    case fxDiagonal:
    case fxStrips:
    case fxPixelation:
    case fxBlindHoriz:
    case fxBlindVert:
        return false;
    default:
        return true;
    }
}

bool TImageFX::Hides(TEffect effect) {
    return effect == fxHideImplode || effect == fxHideZoomIn || effect == fxHideZoomOut;
}

TImageFX::Frame TImageFX::FrameAt(TEffect effect, QSize size, int pos, int steps, int pass,
                                  int passes) {
    const int W = size.width(), H = size.height();
    const QRect all(0, 0, W, H);
    pos = std::clamp(pos, 0, std::max(steps, 0));
    const int w = partDown(W, pos, steps), h = partDown(H, pos, steps);
    // The zoom family's rectangle, centred in the picture.
    const QRect centre((W - w) / 2, (H - h) / 2, w, h);

    Frame f;
    const auto put = [&f](QRect source, QRect dest) { f.picture.push_back({source, dest}); };
    const auto roll = [&put](QRect area) { put(area, area); };

    switch (effect) {
    case fxNone:
    case fxPixelation:
        roll(all);
        break;
    case fxViewExplode:
        roll(centre);
        break;
    case fxHideImplode:
    case fxHideZoomOut:
    case fxViewZoomIn:
        put(all, centre);
        break;
    case fxHideZoomIn:
    case fxViewZoomOut:
        put(centre, all);
        break;

    // Wipes: Roll uncovers the picture in place, Slide brings the picture's far edge in first,
    // Stretch squeezes the whole picture into the growing strip.
    case fxWipeRightRoll:
        roll({0, 0, w, H});
        break;
    case fxWipeRightSlide:
        put({W - w, 0, w, H}, {0, 0, w, H});
        break;
    case fxWipeRightStretch:
        put(all, {0, 0, w, H});
        break;
    case fxWipeLeftRoll:
        roll({W - w, 0, w, H});
        break;
    case fxWipeLeftSlide:
        put({0, 0, w, H}, {W - w, 0, w, H});
        break;
    case fxWipeLeftStretch:
        put(all, {W - w, 0, w, H});
        break;
    case fxWipeUpRoll:
        roll({0, H - h, W, h});
        break;
    case fxWipeUpSlide:
        put({0, 0, W, h}, {0, H - h, W, h});
        break;
    case fxWipeUpStretch:
        put(all, {0, H - h, W, h});
        break;
    case fxWipeDownRoll:
        roll({0, 0, W, h});
        break;
    case fxWipeDownSlide:
        put({0, H - h, W, h}, {0, 0, W, h});
        break;
    case fxWipeDownStretch:
        put(all, {0, 0, W, h});
        break;

    // Curtains: two strips from opposite edges; the far one rounds up so that they meet at
    // half the steps however odd the picture's size.
    case fxSideCurtainRoll: {
        const int r = partUp(W, pos, steps);
        roll({0, 0, w, H});
        roll({W - r, 0, r, H});
        break;
    }
    case fxVertCurtainRoll: {
        const int b = partUp(H, pos, steps);
        roll({0, 0, W, h});
        roll({0, H - b, W, b});
        break;
    }
    // Each side's half of the picture squeezed into a band growing from that side; at half the
    // steps the bands are the halves themselves.
    case fxSqueeze: {
        const int r = partUp(W, pos, steps), b = partUp(H, pos, steps);
        const int halfW = W / 2, halfH = H / 2;
        const QRect top(0, 0, W, h), bottom(0, H - b, W, b), left(0, 0, w, H),
            right(W - r, 0, r, H);
        f.underlay = {top, bottom, left, right};
        put({0, 0, W, halfH}, top);
        put({0, halfH, W, H - halfH}, bottom);
        put({0, 0, halfW, H}, left);
        put({halfW, 0, W - halfW, H}, right);
        break;
    }

    // Pushes: the picture moves in from one side and pushes the old frame out ahead of it.
    case fxPushLeft:
        f.background.push_back({{w, 0, W - w, H}, {0, 0, W - w, H}});
        f.underlay.push_back({W - w, 0, w, H});
        put({0, 0, w, H}, {W - w, 0, w, H});
        break;
    case fxPushRight:
        f.background.push_back({{0, 0, W - w, H}, {w, 0, W - w, H}});
        f.underlay.push_back({0, 0, w, H});
        put({W - w, 0, w, H}, {0, 0, w, H});
        break;
    case fxPushDown:
        f.background.push_back({{0, 0, W, H - h}, {0, h, W, H - h}});
        f.underlay.push_back({0, 0, W, h});
        put({0, H - h, W, h}, {0, 0, W, h});
        break;
    case fxPushUp:
        f.background.push_back({{0, h, W, H - h}, {0, 0, W, H - h}});
        f.underlay.push_back({0, H - h, W, h});
        put({0, 0, W, h}, {0, H - h, W, h});
        break;

    // Corners: a rectangle growing from the corner opposite the named direction.
    case fxRollRightDown:
        roll({0, 0, w, h});
        break;
    case fxStretchRightDown:
        put(all, {0, 0, w, h});
        break;
    case fxSlideRightDown:
        put({W - w, H - h, w, h}, {0, 0, w, h});
        break;
    case fxRollRightUp:
        roll({0, H - h, w, h});
        break;
    case fxStretchRightUp:
        put(all, {0, H - h, w, h});
        break;
    case fxSlideRightUp:
        put({W - w, 0, w, h}, {0, H - h, w, h});
        break;
    case fxRollLeftDown:
        roll({W - w, 0, w, h});
        break;
    case fxStretchLeftDown:
        put(all, {W - w, 0, w, h});
        break;
    case fxSlideLeftDown:
        put({0, H - h, w, h}, {W - w, 0, w, h});
        break;
    case fxRollLeftUp:
        roll({W - w, H - h, w, h});
        break;
    case fxStretchLeftUp:
        put(all, {W - w, H - h, w, h});
        break;
    case fxSlideLeftUp:
        put({0, 0, w, h}, {W - w, H - h, w, h});
        break;

    // A diagonal edge x / W + y / H = t sweeps from the top-left corner (t = 0) to the
    // bottom-right one (t = 2): the first pass uncovers the upper triangle, the second the rest.
    case fxDiagonal: {
        if (W < 1 || H < 1 || steps <= 0)
            break;
        const qint64 q = qint64(std::clamp(pass, 1, 2) - 1) * steps + pos;
        const qint64 den = qint64(H) * steps;
        int runStart = 0, runEnd = 0;
        for (int y = 0; y <= H; ++y) {
            int end = 0;
            if (y < H) {
                const qint64 num = qint64(W) * (q * H - qint64(y) * steps);
                end = num <= 0 ? 0 : int(std::min<qint64>(W, (num + den - 1) / den));
            }
            if (y == H || end != runEnd) {
                if (runEnd > 0)
                    roll({0, runStart, runEnd, y - runStart});
                runStart = y;
                runEnd = end;
            }
        }
        break;
    }
    // One vertical strip per pass, the earlier ones whole; odd strips roll down, even ones up.
    case fxStrips: {
        if (passes < 1)
            break;
        const int current = std::clamp(pass, 1, passes);
        for (int k = 1; k <= current; ++k) {
            const int x0 = int(qint64(W) * (k - 1) / passes), x1 = int(qint64(W) * k / passes);
            const int height = k < current ? H : h;
            roll({x0, k % 2 ? 0 : H - height, x1 - x0, height});
        }
        break;
    }
    // Ten bands (fewer on a tiny picture), each opening from its top or left edge.
    case fxBlindHoriz: {
        const int bands = std::min(10, H);
        for (int i = 0; i < bands; ++i) {
            const int y0 = H * i / bands, y1 = H * (i + 1) / bands;
            roll({0, y0, W, partDown(y1 - y0, pos, steps)});
        }
        break;
    }
    case fxBlindVert: {
        const int bands = std::min(10, W);
        for (int i = 0; i < bands; ++i) {
            const int x0 = W * i / bands, x1 = W * (i + 1) / bands;
            roll({x0, 0, partDown(x1 - x0, pos, steps), H});
        }
        break;
    }
    }
    return f;
}

} // namespace velvo::document

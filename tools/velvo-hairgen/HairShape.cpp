#include "HairShape.h"

#include <algorithm>
#include <cmath>

#include "Random.h"

namespace velvo::hairgen {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kLock = 11; // width of a lock of hair, pixels across the flow
double sq(double v) {
    return v * v;
}
} // namespace

HairShape::HairShape(const HairStyle& style) : s_(style) {
    faceRx_ = 0.77 * s_.headRx * s_.faceOpen;
    // A man's forehead shows more: his hairline sits higher.
    faceRy_ = (s_.male ? 0.98 : 0.9) * s_.headRy * s_.faceOpen;
    faceY_ = (s_.male ? 0.42 : 0.48) * s_.headRy;
    faceTop_ = faceY_ - faceRy_;
    browY_ = faceY_ - 0.36 * faceRy_;
    partX_ = s_.partX * s_.headRx;
    phase_ = hashUnit(s_.seed, 7) * 2 * kPi;
    earsFree_ = s_.male || s_.length < 0.4 * s_.headRy;
}

double HairShape::volumeAt(double x, double y) const {
    const double r = std::sqrt(sq(x / s_.headRx) + sq(y / s_.headRy)) + 1e-9;
    const double up = std::max(0.0, -y / s_.headRy / r);
    double v = s_.volumeSide + (s_.volumeTop - s_.volumeSide) * up * up;
    if (s_.curl > 0) {
        const double angle = std::atan2(x, -y) + kPi;
        v += s_.curl * s_.headRx * 0.5 * (noise1(s_.seed + 11, angle * 7) + 1);
    }
    return v;
}

double HairShape::hangingHalfWidth(double y) const {
    double w = s_.headRx + s_.volumeSide + s_.flare * smoothstep(0, std::max(1.0, s_.length), y);
    if (s_.curl > 0)
        w += s_.curl * s_.headRx * 0.5 * (noise1(s_.seed + 13, y / 14) + 1);
    return w;
}

double HairShape::endsAt(double x) const {
    const double inner = 0.5 * faceRx_;
    const double outer = hangingHalfWidth(s_.length);
    const double rel = clamp01((std::abs(x) - inner) / std::max(1.0, outer - inner));
    // The outer corner of the ends is rounded off.
    const double rounding =
        0.18 * s_.headRy * smoothstep(0.6, 1.0, rel) * smoothstep(0.6, 1.0, rel);
    return s_.length + s_.endCurve * (rel - 0.5) * 2 - rounding;
}

double HairShape::fringeBottom(double x) const {
    const double b =
        faceTop_ + s_.fringe - s_.fringeSweep * x * 0.35 + s_.fringeArc * sq(x / faceRx_);
    return std::min(b, browY_ - 6);
}

bool HairShape::inFace(double x, double y) const {
    // A man's forehead is squarer: the hairline rises towards the temples.
    const double across = std::abs(x / faceRx_);
    const double spread = s_.male && y < faceY_ ? across * across * across : across * across;
    return spread + sq((y - faceY_) / faceRy_) < 1;
}

bool HairShape::inOutline(double x, double y) const {
    const double v = volumeAt(x, y);
    const bool cap = sq(x / (s_.headRx + v)) + sq(y / (s_.headRy + v)) < 1;
    if (earsFree_) {
        if (!cap)
            return false;
        if (y < 0.08 * s_.headRy)
            return true;
        // Sideburns in front of the ears.
        return std::abs(x) < faceRx_ + 9 && y < s_.sideburn * s_.headRy;
    }
    if (cap)
        return true;
    return s_.length > 0 && y >= 0 && y < endsAt(x) && std::abs(x) < hangingHalfWidth(y);
}

bool HairShape::forbidden(double x, double y) const {
    if (y > faceY_ && std::abs(x) < 0.62 * faceRx_)
        return true;
    if (!inFace(x, y))
        return false;
    return !(s_.fringe > 0 && y < fringeBottom(x));
}

bool HairShape::forbiddenForTips(double x, double y) const {
    if (y > faceY_ && std::abs(x) < 0.62 * faceRx_)
        return true;
    if (!inFace(x, y))
        return false;
    return s_.fringe <= 0 || y > browY_ - 2;
}

double HairShape::hangingBlend(double y) const {
    if (earsFree_)
        return 0;
    return smoothstep(-0.1 * s_.headRy, 0.5 * s_.headRy, y);
}

void HairShape::flow(double x, double y, double& dx, double& dy) const {
    const double ux = x / s_.headRx, uy = y / s_.headRy;
    double tx, ty;
    switch (s_.flow) {
    case Flow::Part: {
        const double side = x >= partX_ ? 1 : -1;
        tx = -side * uy * s_.headRx;
        ty = side * ux * s_.headRy;
        break;
    }
    case Flow::Crown:
        tx = x - partX_ * 0.3;
        ty = y + 1.25 * s_.headRy;
        break;
    case Flow::Back:
    default:
        tx = x;
        ty = y - 0.35 * s_.headRy;
        break;
    }
    double n = std::sqrt(tx * tx + ty * ty) + 1e-9;
    tx /= n, ty /= n;

    const double w = hangingBlend(y);
    if (w > 0) {
        const double slope = s_.flare / std::max(1.0, s_.length) * 1.2;
        double hx = (x >= 0 ? 1 : -1) * slope, hy = 1;
        n = std::sqrt(hx * hx + hy * hy);
        tx = tx * (1 - w) + hx / n * w;
        ty = ty * (1 - w) + hy / n * w;
    }
    if (s_.fringe > 0) {
        const double wb = smoothstep(faceTop_ - 25, faceTop_ + 5, y) *
                          (1 - smoothstep(faceRx_ * 0.8, faceRx_ * 1.1, std::abs(x))) *
                          (1 - smoothstep(browY_, browY_ + 20, y));
        if (wb > 0) {
            const double bx = s_.fringeSweep + (s_.fringeArc > 0 ? 0.9 : 0.15) * x / faceRx_;
            n = std::sqrt(bx * bx + 1.0);
            tx = tx * (1 - wb) + bx / n * wb;
            ty = ty * (1 - wb) + 1 / n * wb;
        }
    }
    if (s_.wave > 0) {
        const double from = s_.wave > 0.6 ? -1.3 : -0.6;
        const double ramp = smoothstep(from * s_.headRy, 0.2 * s_.headRy, y);
        const double a = s_.wave * ramp * std::sin(2 * kPi * y / s_.waveLength + wavePhase(x, y));
        const double c = std::cos(a), sn = std::sin(a);
        const double rx = tx * c - ty * sn, ry = tx * sn + ty * c;
        tx = rx, ty = ry;
    }
    n = std::sqrt(tx * tx + ty * ty) + 1e-9;
    dx = tx / n, dy = ty / n;
}

double HairShape::wavePhase(double x, double y) const {
    // Waves run across the whole head in step; curls form ringlets, each lock out of step
    // with its neighbours.
    if (s_.wave < 0.6)
        return phase_ + 0.035 * x;
    return phase_ + 2 * kPi * hashUnit(s_.seed + 17, int64_t(std::floor(across(x, y) / kLock)));
}

double HairShape::across(double x, double y) const {
    double a;
    switch (s_.flow) {
    case Flow::Part:
        a = std::sqrt(sq(x / s_.headRx) + sq(y / s_.headRy)) * s_.headRx;
        break;
    case Flow::Crown:
        a = std::atan2(x - partX_ * 0.3, y + 1.25 * s_.headRy) * 90;
        break;
    case Flow::Back:
    default:
        a = std::atan2(x, y - 0.35 * s_.headRy) * 60;
        break;
    }
    const double w = hangingBlend(y);
    return a * (1 - w) + x * w;
}

double HairShape::shade(double x, double y) const {
    const double capHalf =
        (s_.headRx + s_.volumeSide) *
        std::sqrt(std::max(0.05, 1 - sq(std::min(0.0, y) / (s_.headRy + s_.volumeTop))));
    const double half = y < 0 ? capHalf : hangingHalfWidth(y);
    const double edge = clamp01(std::abs(x) / half);
    const double cylinder = 1 - 0.45 * std::pow(edge, 4);
    const double light = 1.05 - 0.22 * smoothstep(0, s_.length + s_.headRy, y);

    const double fd = (std::sqrt(sq(x / faceRx_) + sq((y - faceY_) / faceRy_)) - 1) * faceRx_;
    const double shadow = 1 - 0.45 * std::exp(-std::max(0.0, fd) / 6);
    const double neck = 1 - 0.3 * smoothstep(faceY_, faceY_ + 60, y) *
                                (1 - smoothstep(0.62 * faceRx_, 0.62 * faceRx_ + 30, std::abs(x)));
    double root = 1;
    if (s_.flow == Flow::Part && y < faceTop_ + 5)
        root = 0.5 + 0.5 * smoothstep(0, 10, std::abs(x - partX_));
    // Strands gather in locks with darker gaps between them, deeper in curly hair.
    const double depth = s_.wave >= 0.6 ? 0.3 : 0.12;
    const double a = across(x, y);
    const double lock = 1 - depth * (0.5 + 0.5 * std::cos(2 * kPi * a / kLock));
    // Clipped sides of a man's cut are thinner and darker than the top.
    const double fade = s_.male ? 1 - 0.3 * smoothstep(-0.45 * s_.headRy, 0.0, y) : 1;
    return cylinder * light * shadow * neck * root * lock * fade;
}

double HairShape::highlight(double x, double y) const {
    const double ring =
        -0.58 * s_.headRy * std::sqrt(std::max(0.0, 1 - sq(x / (s_.headRx * 1.08)))) -
        0.3 * s_.volumeTop;
    double h = std::exp(-sq((y - ring) / (0.1 * s_.headRy))) *
               (1 - smoothstep(0.55 * s_.headRx, 1.1 * s_.headRx, std::abs(x)));
    if (s_.wave > 0.15) {
        const double crest =
            std::max(0.0, std::sin(2 * kPi * y / s_.waveLength + wavePhase(x, y) + kPi / 2));
        h += 0.7 * crest * crest * smoothstep(-0.2 * s_.headRy, 0.3 * s_.headRy, y);
    } else if (s_.length > 1.4 * s_.headRy) {
        h += 0.5 * std::exp(-sq((y - 1.05 * s_.headRy) / (0.16 * s_.headRy)));
    }
    return std::min(1.0, h);
}

double HairShape::top() const {
    return -(s_.headRy + s_.volumeTop + s_.curl * s_.headRx + s_.tips);
}

double HairShape::bottom() const {
    const double hang = earsFree_ ? s_.sideburn * s_.headRy : s_.length + std::abs(s_.endCurve);
    return std::max(hang, s_.headRy * 0.2) + s_.tips + 4;
}

double HairShape::halfWidth() const {
    return s_.headRx + std::max(s_.volumeSide, s_.volumeTop) + s_.flare + s_.curl * s_.headRx +
           s_.tips + 4;
}

} // namespace velvo::hairgen

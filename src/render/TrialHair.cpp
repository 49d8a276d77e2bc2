#include "render/TrialHair.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <exception>

#include "fit/FramedRender.h"
#include "fit/HairOpening.h"
#include "fit/TurnedHair.h"
#include "imaging/ColorOps.h"
#include "imaging/RasterImage.h"
#include "imaging/codecs/ImageFile.h"
#include "pixel/PixelBitmapQt.h"
#include "render/TrialRenderer.h"

namespace velvo::render {

namespace {

// A master is drawn at up to this many times the library picture's size; a larger one only
// costs memory, and a hostile file must not make us allocate whatever it declares.
constexpr double kMostMasterScale = 8;

// The colours of a straight ARGB (or 24-bit) picture as a 24-bit one, and back.
QImage coloursOf(const QImage& picture) {
    if (picture.format() == QImage::Format_BGR888)
        return picture;
    QImage bgr(picture.size(), QImage::Format_BGR888);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        uchar* out = bgr.scanLine(y);
        for (int x = 0; x < picture.width(); ++x, out += 3)
            out[0] = uchar(qBlue(in[x])), out[1] = uchar(qGreen(in[x])), out[2] = uchar(qRed(in[x]));
    }
    return bgr;
}

void putColours(QImage& picture, const QImage& bgr) {
    if (picture.format() == QImage::Format_BGR888) {
        picture = bgr;
        return;
    }
    for (int y = 0; y < picture.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
        const uchar* in = bgr.constScanLine(y);
        for (int x = 0; x < picture.width(); ++x, in += 3)
            out[x] = qRgba(in[2], in[1], in[0], qAlpha(out[x]));
    }
}

struct Master {
    QImage picture; // straight ARGB
    QString problem;
};

// The master of `file` when it is what it must be: a picture with transparency, a whole
// enlargement of the library picture that frames the same opening.
Master readMaster(const QString& file, const imaging::Raster& gif, imaging::Bgr key) {
    const auto fault = [&](const QString& why) { return Master{{}, file + QStringLiteral(": ") + why}; };
    QImageReader reader(file);
    const QSize size = reader.size();
    if (!size.isValid())
        return fault(QStringLiteral("not a picture the studio reads (%1)").arg(reader.errorString()));
    const double sx = double(size.width()) / gif.width, sy = double(size.height()) / gif.height;
    if (sx < 1 || sx > kMostMasterScale || std::abs(sx - sy) > 0.01 * sx + 1.0 / std::min(gif.width, gif.height))
        return fault(QStringLiteral("%1 x %2 is not an enlargement of the library picture's %3 x %4")
                         .arg(size.width())
                         .arg(size.height())
                         .arg(gif.width)
                         .arg(gif.height));
    QImage picture;
    if (!reader.read(&picture))
        return fault(QStringLiteral("cannot be read (%1)").arg(reader.errorString()));
    if (!picture.hasAlphaChannel())
        return fault(QStringLiteral("has no transparency"));
    picture = picture.convertToFormat(QImage::Format_ARGB32);

    // A master of another cut, or shifted, would put the hair beside the face the library
    // picture was framed on. The opening measure cannot tell: it counts in pixels and settles
    // on other rows at four times the size. The library picture is the master reduced, so each
    // of its pixels is hair exactly where its block of the master is mostly opaque; a few
    // blocks on the edge may round the other way.
    qint64 disagree = 0, hair = 0;
    for (int y = 0; y < gif.height; ++y) {
        const int y0 = int(y * sy), y1 = std::max(y0 + 1, std::min(picture.height(), int((y + 1) * sy)));
        for (int x = 0; x < gif.width; ++x) {
            const int x0 = int(x * sx), x1 = std::max(x0 + 1, std::min(picture.width(), int((x + 1) * sx)));
            qint64 alpha = 0;
            for (int yy = y0; yy < y1; ++yy) {
                const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(yy));
                for (int xx = x0; xx < x1; ++xx)
                    alpha += qAlpha(in[xx]);
            }
            const bool masterHair = alpha * 2 >= qint64(255) * (x1 - x0) * (y1 - y0);
            const bool gifHair = !(gif.at(x, y) == key);
            hair += masterHair || gifHair;
            disagree += masterHair != gifHair;
        }
    }
    if (hair == 0 || disagree > std::max<qint64>(4, hair / 50))
        return fault(QStringLiteral("frames another face opening than its library picture "
                                    "(%1 of its %2 hair pixels disagree)")
                         .arg(disagree)
                         .arg(hair));
    return {picture, {}};
}

QImage premultiplied(const QImage& straight) {
    return straight.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Whether the replayed picture, brought to the overlay's size, is the overlay the window shows:
// an edit made some way the recipe does not record would otherwise be lost in the render. Only
// plain contradictions count (hair against background, colours far apart), so the smooth
// resampling of the master against the window's cut pixels, and a GIF's palette, pass.
bool agreesWithOverlay(const QImage& replayed, const QImage& overlay) {
    const QImage shown = keyedPicture(overlay);
    const QImage made = premultiplied(replayed)
                            .scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_ARGB32);
    long hair = 0, contradicted = 0;
    double colourGap = 0;
    long compared = 0;
    for (int y = 0; y < shown.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(made.constScanLine(y));
        for (int x = 0; x < shown.width(); ++x) {
            const int alphaShown = qAlpha(a[x]), alphaMade = qAlpha(b[x]);
            if (alphaShown == 255 || alphaMade >= 250)
                ++hair;
            if ((alphaShown == 255 && alphaMade <= 5) || (alphaShown == 0 && alphaMade >= 250))
                ++contradicted;
            if (alphaShown == 255 && alphaMade >= 250) {
                colourGap += std::max({std::abs(qRed(a[x]) - qRed(b[x])), std::abs(qGreen(a[x]) - qGreen(b[x])),
                                       std::abs(qBlue(a[x]) - qBlue(b[x]))});
                ++compared;
            }
        }
    }
    constexpr double kMostContradicted = 0.05, kMostColourGap = 40;
    return contradicted <= kMostContradicted * std::max(1L, hair) &&
           (compared == 0 || colourGap / compared <= kMostColourGap);
}

} // namespace

QImage keyedPicture(const QImage& picture) {
    const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
    QImage out(bgr.size(), QImage::Format_ARGB32);
    if (bgr.isNull())
        return out;
    const uchar* corner = bgr.constScanLine(bgr.height() - 1);
    for (int y = 0; y < bgr.height(); ++y) {
        const uchar* in = bgr.constScanLine(y);
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < bgr.width(); ++x, in += 3) {
            const bool key = in[0] == corner[0] && in[1] == corner[1] && in[2] == corner[2];
            row[x] = qRgba(in[2], in[1], in[0], key ? 0 : 255);
        }
    }
    return out;
}

void applyVirtualColour(QImage& picture, int colour) {
    QImage bgr = coloursOf(picture);
    const imaging::Selection whole;
    // The document's own virtual colours, made from the pristine copy with these offsets.
    switch (colour) {
    case 1: imaging::adjustRgb(bgr, whole, 100, 100, 0); break;
    case 2: imaging::adjustHsv(bgr, whole, 0, 0, -20); break;
    case 3: imaging::adjustRgb(bgr, whole, 65, 0, 0); break;
    case 4: imaging::adjustHsv(bgr, whole, 0, 0, -40); break;
    default: return;
    }
    putColours(picture, bgr);
}

void applyPanel(QImage& picture, const pixel::PanelSettings& settings) {
    pixel::TPixelBitmap bitmap;
    bitmap.LoadFromBitmapHandle(coloursOf(picture));
    pixel::ApplyPanelPipeline(bitmap, settings);
    QImage bgr(picture.size(), QImage::Format_BGR888);
    bitmap.DrawAt(bgr, 0, 0);
    putColours(picture, bgr);
}

QImage turnedPicture(const QImage& picture, fit::Size librarySize, const fit::Opening& opening,
                     double degrees, double scale) {
    if (std::abs(degrees) < fit::kLeastTurn || picture.isNull())
        return picture;
    const fit::TurnedFrame frame = fit::turnedFrame(librarySize, opening, degrees);
    QImage canvas(std::max(1, int(std::lround(frame.size.w * scale))),
                  std::max(1, int(std::lround(frame.size.h * scale))), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(frame.opening.centreX * scale, frame.opening.centreY * scale);
        painter.rotate(degrees);
        painter.translate(-opening.centreX * scale, -opening.centreY * scale);
        painter.drawImage(0, 0, premultiplied(picture));
    }
    return canvas.convertToFormat(picture.format() == QImage::Format_BGR888 ? QImage::Format_ARGB32
                                                                             : picture.format());
}

TrialHair prepareTrialHair(const trial::Trial& trial, const QString& hairFile) {
    TrialHair hair;
    if (!trial.overlayShown || trial.overlay.isNull())
        return hair;
    const auto ownPicture = [&] {
        hair.picture = premultiplied(keyedPicture(trial.overlay));
        return hair;
    };
    if (hairFile.isEmpty() || trial.recipe.ownPicture)
        return ownPicture();

    imaging::Raster gif;
    try {
        std::optional<imaging::Raster> read = imaging::loadGif(hairFile.toStdString());
        if (!read || read->empty())
            return ownPicture();
        gif = std::move(*read);
    } catch (const std::exception&) {
        // The library picture has gone or broken since the document read it: the overlay still
        // shows what it was.
        return ownPicture();
    }
    const imaging::Bgr key = fit::hairKey(gif);
    const QImage library = keyedPicture(imaging::toQImage(gif));
    QImage base = library;
    double scale = 1;
    if (const QString masterFile = MasterFileFor(hairFile); !masterFile.isEmpty()) {
        Master master = readMaster(masterFile, gif, key);
        if (master.problem.isEmpty()) {
            base = std::move(master.picture);
            scale = double(base.width()) / gif.width;
            hair.fromMaster = true;
        } else {
            hair.problem = std::move(master.problem);
        }
    }

    const fit::Size librarySize{gif.width, gif.height};
    fit::Opening opening;
    bool haveOpening = false;
    QImage work = base;
    for (const trial::OverlayStep& step : trial.recipe.steps) {
        switch (step.kind) {
        case trial::OverlayStep::Kind::Flip:
            work = work.mirrored(true, false);
            break;
        case trial::OverlayStep::Kind::VirtualColour:
            work = base;
            applyVirtualColour(work, step.colour);
            break;
        case trial::OverlayStep::Kind::Panel: {
            pixel::PanelSettings settings = step.panel;
            // The overlay was sharpened at its own size; the same reach in the larger picture.
            if (settings.sharpen > 0 && trial.overlay.width() > 0)
                settings.sharpen =
                    std::max(1, int(std::lround(settings.sharpen * double(work.width()) / trial.overlay.width())));
            applyPanel(work, settings);
            break;
        }
        case trial::OverlayStep::Kind::Turn:
            if (!haveOpening) {
                opening = fit::openingFor(hairFile.toStdString(), gif, key).opening;
                haveOpening = true;
            }
            work = turnedPicture(work, librarySize, opening, step.degrees, scale);
            break;
        }
    }
    if (!agreesWithOverlay(work, trial.overlay)) {
        hair.fromMaster = false;
        hair.problem = hairFile + QStringLiteral(": the overlay was changed in a way that cannot be made "
                                                 "again from the library picture; it is drawn from its own picture");
        hair.picture = premultiplied(keyedPicture(trial.overlay));
        return hair;
    }
    hair.picture = premultiplied(work);
    return hair;
}

} // namespace velvo::render

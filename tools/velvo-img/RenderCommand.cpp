// velvo-img render PHOTO [HAIR.GIF] OUT [--size WxH]: the framed try as the studio's renderer
// draws it for export, from the photo at full resolution and the hairstyle's master beside the
// library picture (the picture itself where there is none), framed and placed as `fit` frames
// and places it. Prints the same lines as `fit`.
#include <QImage>
#include <QRectF>
#include <cstdio>
#include <string>

#include "Commands.h"
#include "fit/FramedRender.h"
#include "fit/TurnedHair.h"
#include "imaging/RasterImage.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"
#include "render/TrialExport.h"
#include "render/TrialRenderer.h"

namespace fs = std::filesystem;
using namespace velvo;

namespace {

constexpr int kLargestSide = 30000;

// "WxH" with both sides 1 .. kLargestSide; an empty size when it is not that.
QSize parseSize(const std::string& text) {
    int w = 0, h = 0;
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X') || w < 1 ||
        h < 1 || w > kLargestSide || h > kLargestSide)
        return {};
    return {w, h};
}

// The client area widened or heightened about its centre to the shape asked for, so a picture
// of another shape shows more of the photo rather than a squeezed try.
QRectF regionShaped(const QRectF& client, QSize size) {
    const double want = double(size.width()) / size.height(), have = client.width() / client.height();
    QRectF region = client;
    if (want > have)
        region.setWidth(client.height() * want);
    else
        region.setHeight(client.width() / want);
    region.moveCenter(client.center());
    return region;
}

} // namespace

int runRender(const std::vector<std::string>& all) {
    std::vector<std::string> args;
    QSize asked;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == "--size") {
            if (i + 1 >= all.size() || (asked = parseSize(all[i + 1])).isEmpty()) {
                std::fprintf(stderr, "velvo-img: --size takes WxH, each side 1 to %d pixels\n", kLargestSide);
                return 2;
            }
            ++i;
        } else {
            args.push_back(all[i]);
        }
    }
    if (args.size() != 2 && args.size() != 3) {
        std::fputs("usage: velvo-img render PHOTO [HAIR.GIF] OUT [--size WxH]\n", stderr);
        return 2;
    }
    const fs::path outFile = args.back();
    if (imaging::formatFromExtension(outFile) == imaging::ImageFormat::None)
        throw Error(outFile.string(), "no writer for this extension");
    const std::optional<fs::path> hairFile = args.size() == 3 ? std::optional<fs::path>(args[1]) : std::nullopt;
    const FitFraming f = frameForFit(args[0], hairFile);

    trial::Trial t;
    t.photo = imaging::toQImage(f.photo);
    t.zoom = f.view.zoom;
    t.viewX = f.view.viewX;
    t.viewY = f.view.viewY;
    t.clientSize = QSize(fit::kDocumentWindow.w, fit::kDocumentWindow.h);
    QString library;
    if (f.place) {
        library = QString::fromStdString(hairFile->string());
        t.hairFile = library;
        t.hairNumber = 1;
        t.overlay = imaging::toQImage(*f.hair);
        t.overlaySize = QSize(f.place->width, f.place->height);
        t.left = f.place->left;
        t.top = f.place->top;
        if (std::abs(f.face->roll) >= fit::kLeastTurn) {
            trial::OverlayStep turn;
            turn.kind = trial::OverlayStep::Kind::Turn;
            turn.degrees = f.face->roll;
            t.recipe.steps.push_back(turn);
        }
    } else {
        t.overlayShown = false;
    }
    const render::TrialRenderer renderer(t, library);
    if (!renderer.MasterProblem().isEmpty())
        std::fprintf(stderr, "velvo-img: %s (the library picture is used)\n", renderer.MasterProblem().toUtf8().constData());
    const QRectF client = renderer.ClientRegion();
    const QImage picture = asked.isEmpty() ? renderer.Render(client, render::ExportSize(renderer))
                                           : renderer.Render(regionShaped(client, asked), asked);
    if (!imaging::saveImageFile(outFile, imaging::toRaster(picture)))
        throw Error(outFile.string(), "no writer for this extension");
    std::printf("%s\n", f.line.c_str());
    return 0;
}

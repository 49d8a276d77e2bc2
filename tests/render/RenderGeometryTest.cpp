// The render, reduced to the window's size, must show what the window shows: the photo where
// the view puts it, the hairstyle where the overlay sits, at the size it is stretched to.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "fit/FramedRender.h"
#include "imaging/RasterImage.h"
#include "render/RenderFixture.h"
#include "render/TrialRenderer.h"

namespace velvo::render {
namespace {

using namespace testing;

struct Placement {
    const char* name;
    int zoom, viewX, viewY;
    int left, top, width, height;
};

const Placement kPlacements[] = {
    {"half size at the corner", 50, 0, 0, 40, 30, 120, 160},
    {"quarter size, scrolled", 25, 10, 20, 70, 90, 90, 120},
    {"enlarged, hair past the left edge", 120, 300, 200, -20, 50, 200, 266},
    {"photo smaller than the window", 10, 0, 0, 20, 20, 60, 80},
    {"hair stretched unevenly", 37, 150, 40, 60, 10, 150, 110},
};

trial::Trial trialAt(const Placement& at, const QImage& photo, const QImage& overlay, const QString& hairFile) {
    trial::Trial t;
    t.photo = photo;
    t.overlay = overlay;
    t.overlaySize = QSize(at.width, at.height);
    t.hairFile = hairFile;
    t.hairNumber = 1;
    t.left = at.left, t.top = at.top;
    t.zoom = at.zoom, t.viewX = at.viewX, t.viewY = at.viewY;
    t.clientSize = QSize(241, 313);
    return t;
}

QImage windowPicture(const Placement& at, const QImage& photo, const QImage* overlay) {
    const imaging::Raster hair = overlay ? imaging::toRaster(*overlay) : imaging::Raster{};
    const fit::HairPlacement place{at.left, at.top, at.width, at.height};
    return imaging::toQImage(fit::renderFramed(imaging::toRaster(photo), {at.zoom, at.viewX, at.viewY},
                                               fit::kDocumentWindow, &hair, &place));
}

// The photo alone on a structured photo (where the view puts it, at its zoom, the window's colour
// where it ends), then the hairstyle over an even photo from its master, the library picture and
// the overlay's own picture (where the overlay sits, stretched as it is). Reduced, each lines up
// with the window picture better than moved a pixel any way.
TEST(TrialRenderGeometry, ReducedRenderLinesUpWithTheWindowPicture) {
    QTemporaryDir dir, bare;
    const QString withMaster = writeHairstyle(dir.path());
    const QString without = writeHairstyle(bare.path(), false);
    const QImage overlay = imaging::toQImage(*imaging::loadGif(withMaster.toStdString()));
    const QImage structured = structuredPhoto();
    QImage even(800, 600, QImage::Format_BGR888);
    even.fill(QColor(90, 140, 200));
    struct Source {
        const char* name;
        QString file;
        bool hair, master;
    } sources[] = {{"photo", {}, false, false},
                   {"master", withMaster, true, true},
                   {"library", without, true, false},
                   {"own picture", {}, true, false}};
    for (const Placement& at : kPlacements)
        for (const Source& source : sources) {
            SCOPED_TRACE(std::string(at.name) + ", " + source.name);
            const QImage& photo = source.hair ? even : structured;
            const TrialRenderer renderer(trialAt(at, photo, overlay, source.file), source.file);
            ASSERT_EQ(renderer.UsesMaster(), source.master) << renderer.MasterProblem().toStdString();
            const auto layers = source.hair ? TrialRenderer::Layers::PhotoAndHair : TrialRenderer::Layers::PhotoOnly;
            const QImage reduced = renderer.Render(renderer.ClientRegion(), QSize(723, 939), layers)
                                       .scaled(241, 313, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const QImage window = windowPicture(at, photo, source.hair ? &overlay : nullptr);
            EXPECT_TRUE(alignedBest(reduced, window));
            const Difference d = difference(reduced, window);
            RecordProperty(std::string(source.name) + " " + at.name,
                           QStringLiteral("mean %1 p99 %2").arg(d.mean, 0, 'f', 2).arg(d.p99).toStdString());
            EXPECT_LT(d.mean, 3.0);
        }
}

} // namespace
} // namespace velvo::render

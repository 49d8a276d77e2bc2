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
    const imaging::Raster photoRaster = imaging::toRaster(photo);
    const fit::View view{at.zoom, at.viewX, at.viewY};
    if (!overlay)
        return imaging::toQImage(fit::renderFramed(photoRaster, view, fit::kDocumentWindow));
    const imaging::Raster hair = imaging::toRaster(*overlay);
    const fit::HairPlacement place{at.left, at.top, at.width, at.height};
    return imaging::toQImage(fit::renderFramed(photoRaster, view, fit::kDocumentWindow, &hair, &place));
}

QImage reducedRender(const TrialRenderer& renderer, TrialRenderer::Layers layers) {
    return renderer.Render(renderer.ClientRegion(), QSize(723, 939), layers)
        .scaled(241, 313, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void record(const std::string& name, const Difference& d) {
    ::testing::Test::RecordProperty(
        name, QStringLiteral("mean %1 p99 %2").arg(d.mean, 0, 'f', 2).arg(d.p99).toStdString());
}

// The photo alone: where the view puts it, at its zoom, the window's colour where it ends.
TEST(TrialRenderGeometry, PhotoLinesUpWithTheWindowPicture) {
    const QImage photo = structuredPhoto();
    for (const Placement& at : kPlacements) {
        SCOPED_TRACE(at.name);
        const TrialRenderer renderer(trialAt(at, photo, {}, {}));
        const QImage reduced = reducedRender(renderer, TrialRenderer::Layers::PhotoOnly);
        const QImage window = windowPicture(at, photo, nullptr);
        EXPECT_TRUE(alignedBest(reduced, window));
        const Difference d = difference(reduced, window);
        record(std::string("photo ") + at.name, d);
        EXPECT_LT(d.mean, 3.0);
    }
}

// The hairstyle over an even photo, from its master, from the library picture and from the
// overlay's own picture: where the overlay sits, stretched as it is.
TEST(TrialRenderGeometry, HairLinesUpWithTheWindowPicture) {
    QTemporaryDir dir, bare;
    const QString withMaster = writeHairstyle(dir.path());
    const QString without = writeHairstyle(bare.path(), false);
    const QImage overlay = imaging::toQImage(*imaging::loadGif(withMaster.toStdString()));
    QImage photo(800, 600, QImage::Format_BGR888);
    photo.fill(QColor(90, 140, 200));
    struct Source {
        const char* name;
        QString file;
        bool master;
    } sources[] = {{"master", withMaster, true}, {"library", without, false}, {"own picture", {}, false}};
    for (const Placement& at : kPlacements) {
        SCOPED_TRACE(at.name);
        const QImage window = windowPicture(at, photo, &overlay);
        for (const Source& source : sources) {
            SCOPED_TRACE(source.name);
            const TrialRenderer renderer(trialAt(at, photo, overlay, source.file), source.file);
            ASSERT_EQ(renderer.UsesMaster(), source.master) << renderer.MasterProblem().toStdString();
            const QImage reduced = reducedRender(renderer, TrialRenderer::Layers::PhotoAndHair);
            EXPECT_TRUE(alignedBest(reduced, window));
            const Difference d = difference(reduced, window);
            record(std::string("hair ") + source.name + " " + at.name, d);
            EXPECT_LT(d.mean, 3.0);
        }
    }
}

} // namespace
} // namespace velvo::render

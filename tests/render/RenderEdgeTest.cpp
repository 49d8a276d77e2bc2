// The hair's edge, enlarged: blended into the photo over a pixel or more rather than stepped,
// and never tinged with the background colour the library picture keys out. And a master that
// is not a faithful enlargement of its library picture is passed over, saying why.
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

#include "imaging/RasterImage.h"
#include "imaging/codecs/ImageFile.h"
#include "render/RenderFixture.h"
#include "render/TrialRenderer.h"

namespace velvo::render {
namespace {

using namespace testing;

const QColor kPhoto(20, 60, 230);

// Every pixel of a picture of hair over an even photo should be a mix of the two. `blends`
// counts those strictly between, `steps` the neighbours that jump straight from hair to photo,
// `stray` the pixels no such mix explains (the key's white or a dark fringe let in).
struct EdgeCount {
    long blends = 0, steps = 0, stray = 0;
};

EdgeCount countEdge(const QImage& picture) {
    const QColor hair = QColor::fromRgba(kHair);
    const double d[3] = {double(hair.red() - kPhoto.red()), double(hair.green() - kPhoto.green()),
                         double(hair.blue() - kPhoto.blue())};
    const double length2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    // 0 photo, 1 hair, in between a blend, -1 stray.
    const auto classify = [&](QRgb c) {
        const double v[3] = {double(qRed(c) - kPhoto.red()), double(qGreen(c) - kPhoto.green()),
                             double(qBlue(c) - kPhoto.blue())};
        const double t = std::clamp((v[0] * d[0] + v[1] * d[1] + v[2] * d[2]) / length2, 0.0, 1.0);
        double off = 0;
        for (int i = 0; i < 3; ++i)
            off += (v[i] - t * d[i]) * (v[i] - t * d[i]);
        if (std::sqrt(off) > 12)
            return -1.0;
        return t < 0.04 ? 0.0 : t > 0.96 ? 1.0 : t;
    };
    EdgeCount n;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const double c = classify(picture.pixel(x, y));
            if (c < 0)
                ++n.stray;
            else if (c > 0 && c < 1)
                ++n.blends;
            if (x + 1 < picture.width() && std::abs(classify(picture.pixel(x + 1, y)) - c) == 1)
                ++n.steps;
        }
    return n;
}

TEST(TrialRenderEdge, HairBlendsIntoThePhotoWithoutAHaloOfTheKey) {
    QTemporaryDir dir, bare;
    const QString withMaster = writeHairstyle(dir.path(), true, 0, false);
    const QString without = writeHairstyle(bare.path(), false, 0, false);
    QImage photo(1200, 1600, QImage::Format_BGR888);
    photo.fill(kPhoto);
    trial::Trial t;
    t.photo = photo;
    t.overlay = imaging::toQImage(*imaging::loadGif(without.toStdString()));
    t.overlaySize = QSize(180, 240);
    t.left = 30, t.top = 40;
    t.zoom = 25;
    t.clientSize = QSize(241, 313);
    for (const QString& file : {withMaster, without, QString()}) {
        SCOPED_TRACE(file.isEmpty() ? "own picture" : file.toStdString());
        const TrialRenderer renderer(t, file);
        const EdgeCount n = countEdge(renderer.Render(renderer.ClientRegion(), QSize(964, 1252)));
        EXPECT_EQ(n.stray, 0);
        // The outline is some 2,500 pixels long at this size: each of them blended, and no
        // straight jump from hair to photo anywhere along it.
        EXPECT_GT(n.blends, 2500);
        EXPECT_EQ(n.steps, 0);
    }
}

TEST(TrialRenderMaster, AMasterThatIsNoFaithfulEnlargementIsPassedOver) {
    struct Case {
        const char* name;
        std::function<void(const QString& png)> spoil;
        const char* problem;
    } cases[] = {
        {"another opening", [](const QString& png) { drawHair(4, 7).save(png); }, "another face opening"},
        {"stretched", [](const QString& png) { drawHair(4).scaled(240, 280).save(png); }, "not an enlargement"},
        {"no transparency",
         [](const QString& png) { drawHair(4).convertToFormat(QImage::Format_RGB32).save(png); },
         "no transparency"},
        {"not a picture",
         [](const QString& png) {
             QFile f(png);
             f.open(QIODevice::WriteOnly);
             f.write("\x89PNG\r\n\x1a\nnot really");
         },
         "1.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString gif = writeHairstyle(dir.path());
        const QString png = QDir(dir.path()).filePath("1.png");
        c.spoil(png);
        trial::Trial t;
        t.overlay = imaging::toQImage(*imaging::loadGif(gif.toStdString()));
        const TrialRenderer renderer(t, gif);
        EXPECT_FALSE(renderer.UsesMaster());
        EXPECT_TRUE(renderer.MasterProblem().contains(png)) << renderer.MasterProblem().toStdString();
        EXPECT_TRUE(renderer.MasterProblem().contains(c.problem)) << renderer.MasterProblem().toStdString();
    }
}

} // namespace
} // namespace velvo::render

// The try renderer on a 12-megapixel photo with a hairstyle master at four times its library
// picture's size: a 1920 x 1080 presentation frame with the hairstyle made ready for a new try
// of the same photo (stepping to the next try) and of a photo not seen before (goal 120 ms for
// both), the frame alone once the try is ready (the divider moved), a 2000-pixel JPEG export
// (goal 400 ms) and the A4 PDF sheet of eight tries (goal 2 s).
#include <benchmark/benchmark.h>

#include <QDate>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <memory>

#include "imaging/RasterImage.h"
#include "imaging/codecs/ImageFile.h"
#include "render/TrialExport.h"
#include "render/TrialHair.h"
#include "render/TrialRenderer.h"

namespace render = velvo::render;
namespace trial = velvo::trial;

namespace {

constexpr QSize kLibrarySize(204, 158);
constexpr int kMasterScale = 4;

// A hairstyle drawn at `scale` times the library size: hair round an open face.
QImage hairAt(int scale) {
    QImage picture(kLibrarySize * scale, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    QPainterPath hair, face;
    hair.addEllipse(QRectF(10, 4, 184, 150));
    face.addEllipse(QRectF(62, 40, 80, 110));
    p.fillPath(hair.subtracted(face), QColor(120, 70, 30));
    return picture;
}

struct Fixture {
    QTemporaryDir dir;
    QString hairFile;
    trial::Trial tryOn;

    Fixture() {
        const QImage master = hairAt(kMasterScale);
        master.save(QDir(dir.path()).filePath("1.png"));
        QImage gif = master.scaled(kLibrarySize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_ARGB32);
        QImage keyed(kLibrarySize, QImage::Format_BGR888);
        for (int y = 0; y < gif.height(); ++y)
            for (int x = 0; x < gif.width(); ++x) {
                const QRgb c = gif.pixel(x, y);
                keyed.setPixelColor(x, y, qAlpha(c) >= 128 ? QColor(c) : QColor(Qt::white));
            }
        hairFile = QDir(dir.path()).filePath("1.GIF");
        velvo::imaging::saveImageFile(hairFile.toStdString(), velvo::imaging::toRaster(keyed));

        // 4000 x 3000, smooth gradients with fine detail, as a camera photo.
        QImage photo(4000, 3000, QImage::Format_BGR888);
        for (int y = 0; y < photo.height(); ++y) {
            uchar* row = photo.scanLine(y);
            for (int x = 0; x < photo.width(); ++x, row += 3) {
                row[0] = uchar(x * 255 / photo.width());
                row[1] = uchar(y * 255 / photo.height());
                row[2] = uchar(((x ^ y) & 31) * 8);
            }
        }
        tryOn.photo = photo;
        tryOn.hairFile = hairFile;
        tryOn.hairNumber = 1;
        tryOn.overlay = keyed;
        tryOn.overlaySize = QSize(160, 124);
        tryOn.left = 40, tryOn.top = 60;
        // The face framed at the window's usual width: about 8 photo pixels to a window pixel.
        tryOn.zoom = 12;
        tryOn.viewX = 90, tryOn.viewY = 40;
        tryOn.clientSize = QSize(241, 313);
        trial::OverlayStep colour;
        colour.kind = trial::OverlayStep::Kind::VirtualColour;
        colour.colour = 3;
        tryOn.recipe.steps.push_back(colour);
        // The overlay as the document shows it after that colour.
        render::applyVirtualColour(tryOn.overlay, colour.colour);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// The presentation shows the try at the screen's full height and the photo beside it.
QRectF screenRegion(const render::TrialRenderer& renderer, QSize screen) {
    QRectF region = renderer.ClientRegion();
    const QPointF centre = region.center();
    region.setWidth(region.height() * screen.width() / screen.height());
    region.moveCenter(centre);
    return region;
}

void BM_PresentationFrameOfANewTry(benchmark::State& state) {
    Fixture& f = fixture();
    const QSize screen(1920, 1080);
    for (auto _ : state) {
        const render::TrialRenderer renderer(f.tryOn, f.hairFile);
        if (!renderer.UsesMaster())
            state.SkipWithError(("the master was not used: " + renderer.MasterProblem().toStdString()).c_str());
        benchmark::DoNotOptimize(renderer.Render(screenRegion(renderer, screen), screen));
    }
}
BENCHMARK(BM_PresentationFrameOfANewTry)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first try of another photo: its reduction is made too (the copy stands for a photo the
// renderer has not seen and is not timed).
void BM_PresentationFrameOfANewPhoto(benchmark::State& state) {
    Fixture& f = fixture();
    const QSize screen(1920, 1080);
    trial::Trial other = f.tryOn;
    for (auto _ : state) {
        state.PauseTiming();
        other.photo = f.tryOn.photo.copy();
        state.ResumeTiming();
        const render::TrialRenderer renderer(other, f.hairFile);
        benchmark::DoNotOptimize(renderer.Render(screenRegion(renderer, screen), screen));
    }
}
BENCHMARK(BM_PresentationFrameOfANewPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PresentationFrameOfAReadyTry(benchmark::State& state) {
    Fixture& f = fixture();
    const QSize screen(1920, 1080);
    const render::TrialRenderer renderer(f.tryOn, f.hairFile);
    for (auto _ : state)
        benchmark::DoNotOptimize(renderer.Render(screenRegion(renderer, screen), screen));
}
BENCHMARK(BM_PresentationFrameOfAReadyTry)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportJpeg2000(benchmark::State& state) {
    Fixture& f = fixture();
    const QString file = QDir(f.dir.path()).filePath("try.jpg");
    for (auto _ : state)
        render::ExportTrial(f.tryOn, file);
}
BENCHMARK(BM_ExportJpeg2000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportSheetOfEight(benchmark::State& state) {
    Fixture& f = fixture();
    const std::vector<trial::Trial> tries(8, f.tryOn);
    const QString file = QDir(f.dir.path()).filePath("sheet.pdf");
    for (auto _ : state)
        render::ExportSheet(tries, file, QDate(2026, 12, 8));
}
BENCHMARK(BM_ExportSheetOfEight)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // The sheet lays out its heading with fonts, which need a GUI application.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

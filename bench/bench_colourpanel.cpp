// The colour panel under a slider drag, in the real main window: from one slider notification
// to the repainted target, on a hairstyle of 400 x 600 (the overlay) and on a 12-megapixel
// phone photo (the whole photo, shown fitted in its window). The breakdown runs the same four
// steps one at a time on the same pictures: restore from the capture, filters, write-back,
// repaint.
//
// Settings: 0 = the red offset alone (what a drag of the first slider does), 1 = all five
// filters at once (offsets, lightness, contrast, saturation, sharpen at distance 1).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <cstring>
#include <memory>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
#include "imaging/TPictureView.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"
#include "pixel/PixelFilters.h"
#include "platform/DialogComponents.h"

using velvo::app::TF_HAIR;
using velvo::document::TF_FILHO;
namespace imaging = velvo::imaging;
namespace pixel = velvo::pixel;

namespace {

// Strands of a few tones on white, so the pictures are not flat.
imaging::Raster hairPicture(int width, int height) {
    imaging::Raster r = imaging::Raster::create(width, height, "bench", {255, 255, 255});
    for (int y = 20; y < height - 20; ++y)
        for (int x = 20; x < width - 20; ++x) {
            const uint8_t tone = uint8_t(40 + (x * 7 + y * 3) % 90);
            r.set(x, y, {uint8_t(tone / 3), uint8_t(tone / 2), tone});
        }
    return r;
}

imaging::Raster photoPicture(int width, int height) {
    imaging::Raster r = imaging::Raster::create(width, height, "bench", {0, 0, 0});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            r.set(x, y,
                  {uint8_t(x * 255 / width), uint8_t(y * 255 / height), uint8_t((x ^ y) & 255)});
    return r;
}

struct Studio {
    QTemporaryDir dir;
    std::unique_ptr<TF_HAIR> main;
    TF_FILHO* hair = nullptr;
    TF_FILHO* photo = nullptr;

    Studio() {
        const QString folder = dir.path() + "/";
        QDir(folder).mkpath("Velvo5/Curtos e Claros");
        imaging::writeFileAtomic((folder + "Velvo5/Curtos e Claros/1.GIF").toStdString(),
                                 imaging::encodeGif(hairPicture(400, 600)));
        const QString photoFile = folder + "photo.bmp";
        imaging::writeFileAtomic(photoFile.toStdString(),
                                 imaging::encodeBmp(photoPicture(4000, 3000)));
        main = std::make_unique<TF_HAIR>(folder);
        main->resize(1280, 1000);
        main->show();

        main->PendingPhotoFile = photoFile;
        main->PendingHairstyleId = "1";
        main->PendingZoom = 100;
        main->InsertMode = true;
        hair = main->NewDocument();
        main->InsertMode = false;
        hair->SubWindow()->resize(640, 800);

        main->OD_ABRIR->FileName = photoFile;
        main->OpenMode = true;
        photo = main->NewDocument();
        main->OpenMode = false;
        photo->SubWindow()->resize(560, 460);
        // Fitted: the whole photo in the window, the way a stylist looks at it.
        photo->Image1->SetZoom(13);
        QCoreApplication::processEvents();
    }

    TF_FILHO* open(int target) {
        TF_FILHO* doc = target == 0 ? hair : photo;
        main->MdiArea->setActiveSubWindow(doc->SubWindow());
        main->BT_SLIDERSClick();
        QCoreApplication::processEvents();
        return doc;
    }
};

Studio& studio() {
    static Studio s;
    return s;
}

pixel::PanelSettings settingsFor(int variant, int step) {
    pixel::PanelSettings s;
    s.red = 40 + step;
    if (variant == 1) {
        s.lightness = 20;
        s.contrast = 30;
        s.saturation = 300;
        s.sharpen = 1;
    }
    return s;
}

void setSliders(TF_HAIR& main, const pixel::PanelSettings& s) {
    // Everything but the red slider is set quietly; the red one notifies, as a drag does.
    for (auto [slider, value] : {std::pair{main.sLightness, s.lightness},
                                 {main.sContrast, s.contrast},
                                 {main.sSaturation, s.saturation},
                                 {main.sSharpen, s.sharpen}}) {
        const QSignalBlocker quiet(slider);
        slider->setValue(value);
    }
    main.sRed->setValue(s.red);
}

void BM_SliderToRepaint(benchmark::State& state) {
    Studio& s = studio();
    s.open(int(state.range(0)));
    int step = 0;
    for (auto _ : state)
        setSliders(*s.main, settingsFor(int(state.range(1)), step++ & 1));
    state.SetLabel(QStringLiteral("%1 x %2")
                       .arg(s.main->PanelSnapshot.Width)
                       .arg(s.main->PanelSnapshot.Height)
                       .toStdString());
}

void BM_StepRestore(benchmark::State& state) {
    Studio& s = studio();
    s.open(int(state.range(0)));
    TF_HAIR& m = *s.main;
    for (auto _ : state) {
        std::memcpy(m.WorkBitmap.PixelBytes, m.PanelSnapshot.PixelBytes,
                    size_t(m.PanelSnapshot.ByteSize));
        benchmark::ClobberMemory();
    }
}

void BM_StepFilters(benchmark::State& state) {
    Studio& s = studio();
    s.open(int(state.range(0)));
    TF_HAIR& m = *s.main;
    const pixel::PanelSettings settings = settingsFor(int(state.range(1)), 0);
    for (auto _ : state) {
        pixel::ApplyPanelPipeline(m.WorkBitmap, settings);
        benchmark::ClobberMemory();
    }
}

void BM_StepWriteBack(benchmark::State& state) {
    Studio& s = studio();
    TF_FILHO* doc = s.open(int(state.range(0)));
    TF_HAIR& m = *s.main;
    for (auto _ : state) {
        if (doc == s.hair) {
            m.WorkBitmap.DrawAt(doc->Image2->PictureForEdit(), 0, 0);
            doc->Image2->PictureChanged();
        } else {
            m.WorkBitmap.DrawAt(doc->Image1->Image(), 0, 0);
        }
        benchmark::ClobberMemory();
    }
}

void BM_StepRepaint(benchmark::State& state) {
    Studio& s = studio();
    TF_FILHO* doc = s.open(int(state.range(0)));
    for (auto _ : state) {
        if (doc == s.hair)
            doc->Image2->repaint();
        else
            doc->Image1->repaint();
    }
}

} // namespace

BENCHMARK(BM_SliderToRepaint)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"target", "settings"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_StepRestore)->Arg(0)->Arg(1)->ArgName("target")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepFilters)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"target", "settings"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepWriteBack)->Arg(0)->Arg(1)->ArgName("target")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepRepaint)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("target")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    studio().main.reset();
    return 0;
}

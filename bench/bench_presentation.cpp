// "&Mostrar ao Cliente" on a 1920 x 1080 screen, eight tries of one 12-megapixel photo: from the
// command to the first painted frame, and from the Right key to the next try painted, once
// with nothing prepared and once after the idle moment in which the next try is readied.
#include <benchmark/benchmark.h>

#include "BenchFixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <memory>

#include "CameraJpeg.h"
#include "app/TF_APRESENTACAO.h"
#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "imaging/RasterImage.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"
#include "platform/DialogComponents.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "render/TrialRenderer.h"

namespace platform = velvo::platform;
using velvo::app::TF_APRESENTACAO;
using velvo::document::TF_FILHO;

namespace {

const QString kProgram = QStringLiteral(VELVO_PROGRAM_DIR);
const QString kCategory = QStringLiteral("Curtos e Claros");
constexpr int kTries = 8;

// 4000 x 3000: the sample portrait as a head and shoulders in a wider room.
QImage twelveMegapixels() {
    const QImage portrait(kProgram + "Modelo.JPG");
    QImage photo(4000, 3000, QImage::Format_RGB32);
    photo.fill(QColor(70, 80, 95));
    QPainter p(&photo);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(800, 300, 2400, 2400), portrait);
    p.end();
    return photo.convertToFormat(QImage::Format_BGR888);
}

struct PaintCount : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

struct Studio {
    QTemporaryDir dir;
    QString folder = dir.path() + "/";
    QString photoFile = folder + "client.jpg";
    platform::RecordingMessages messages;
    platform::ScriptedDialogs dialogs;
    std::unique_ptr<velvo::app::TF_HAIR> main;
    bool masters = false;

    Studio() {
        const QString from = kProgram + "Velvo5/" + kCategory + "/";
        const QString hairs = folder + "Velvo5/" + kCategory + "/";
        QDir(folder).mkpath("Velvo5/" + kCategory);
        for (int n = 1; n <= kTries; ++n)
            for (const char* ext : {".GIF", ".png"})
                QFile::copy(from + QString::number(n) + ext, hairs + QString::number(n) + ext);
        const QImage photo = twelveMegapixels();
        velvo::imaging::writeFileAtomic(
            photoFile.toStdString(), velvo::bench::cameraJpeg(velvo::imaging::toRaster(photo), 90));
        platform::Messages::setInstance(&messages);
        platform::Dialogs::setInstance(&dialogs);
        main = std::make_unique<velvo::app::TF_HAIR>(folder);
        main->resize(1280, 1000);
        main->show();
        // The face about 130 window pixels wide, as framing leaves a 12-megapixel portrait.
        for (int n = 1; n <= kTries; ++n) {
            main->PendingPhotoFile = photoFile;
            main->PendingPhoto = photo;
            main->PendingHairstyleId = QString::number(n);
            main->PendingZoom = 12;
            main->PendingViewX = 150;
            main->PendingViewY = 60;
            main->PendingHairLeft = 20;
            main->PendingHairTop = 10;
            main->InsertMode = true;
            main->NewDocument();
            main->InsertMode = false;
        }
        main->PendingPhoto = QImage();
        const velvo::trial::Trial first = main->Documents().front()->Describe();
        masters = velvo::render::TrialRenderer(first, first.hairFile).UsesMaster();
        QCoreApplication::processEvents();
    }
    ~Studio() {
        main.reset();
        platform::Dialogs::setInstance(nullptr);
        platform::Messages::setInstance(nullptr);
    }

    // The presentation of the first try, shown full screen, until its first frame is painted.
    TF_APRESENTACAO* present() {
        main->MdiArea->setActiveSubWindow(main->Documents().front()->SubWindow());
        main->MostrarCliente1Click();
        auto* window = main->findChild<TF_APRESENTACAO*>(QStringLiteral("F_APRESENTACAO"));
        if (!window)
            return nullptr;
        PaintCount paints;
        window->installEventFilter(&paints);
        QElapsedTimer waited;
        waited.start();
        while (paints.count == 0 && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        window->removeEventFilter(&paints);
        return window;
    }
    void dismiss(TF_APRESENTACAO* window) {
        if (window)
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
};

// The key as the window system delivers it.
void press(QWidget* window, Qt::Key key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(window, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(window, &up);
}

bool ready(benchmark::State& state, Studio& s) {
    if (!QFile::exists(kProgram + "Modelo.JPG")) {
        state.SkipWithError("no sample portrait in the program folder");
        return false;
    }
    if (s.main->Documents().size() != kTries) {
        state.SkipWithError("the tries did not open");
        return false;
    }
    return true;
}

std::string label(const Studio& s, const TF_APRESENTACAO* window) {
    const QSize size = window ? window->size() : QSize();
    return std::to_string(size.width()) + "x" + std::to_string(size.height()) +
           (s.masters ? ", hair from masters" : ", hair from the library pictures");
}

void BM_CommandToFirstFrame(benchmark::State& state) {
    Studio& s = Fixture<Studio>();
    if (!ready(state, s))
        return;
    std::string shown;
    for (auto _ : state) {
        TF_APRESENTACAO* window = s.present();
        state.PauseTiming();
        shown = label(s, window);
        s.dismiss(window);
        state.ResumeTiming();
    }
    state.SetLabel(shown);
}

// Arg 0: the key straight after the first frame, nothing readied; 1: after the idle moment.
void BM_RightKeyToPainted(benchmark::State& state) {
    Studio& s = Fixture<Studio>();
    if (!ready(state, s))
        return;
    const bool idle = state.range(0) != 0;
    std::string shown;
    for (auto _ : state) {
        state.PauseTiming();
        TF_APRESENTACAO* window = s.present();
        if (idle) {
            // The client looks at the first try for a moment.
            QElapsedTimer looked;
            looked.start();
            while (looked.elapsed() < 3000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        state.ResumeTiming();
        press(window, Qt::Key_Right);
        window->repaint();
        state.PauseTiming();
        shown = label(s, window);
        s.dismiss(window);
        state.ResumeTiming();
    }
    state.SetLabel(shown + (idle ? ", next readied while idle" : ", nothing readied"));
}

// Back and forth between two tries already seen: only painting.
void BM_StepBetweenSeenTries(benchmark::State& state) {
    Studio& s = Fixture<Studio>();
    if (!ready(state, s))
        return;
    TF_APRESENTACAO* window = s.present();
    press(window, Qt::Key_Right);
    press(window, Qt::Key_Left);
    for (auto _ : state) {
        press(window, Qt::Key_Right);
        window->repaint();
        press(window, Qt::Key_Left);
        window->repaint();
    }
    state.SetLabel(label(s, window) + ", two steps");
    s.dismiss(window);
}

} // namespace

BENCHMARK(BM_CommandToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
// Each idle iteration waits three seconds untimed: a few are enough.
BENCHMARK(BM_RightKeyToPainted)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("idle")
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_StepBetweenSeenTries)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    // The offscreen screen is 800 x 600 unless told otherwise: give it the size measured.
    QTemporaryDir config;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        const QString file = config.path() + "/screen.json";
        QFile json(file);
        if (json.open(QIODevice::WriteOnly))
            json.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920,)"
                       R"( "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        json.close();
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + file).toLocal8Bit());
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    EndFixture<Studio>();
    return 0;
}

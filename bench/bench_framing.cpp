// Face framing in the real windows, on a 12-megapixel camera JPEG made from the sample
// portrait with the head rolled by 25 degrees (so every hairstyle is turned): opening the photo with framing on open switched off and on (the difference is
// what framing costs), finding the face in the photo held in memory against re-reading the
// file reduced, and "&Provar Categoria" with eight hairstyles until the last window is painted.
#include <benchmark/benchmark.h>

#include "BenchFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTemporaryDir>
#include <memory>

#include "CameraJpeg.h"
#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "fit/FaceFinder.h"
#include "imaging/RasterImage.h"
#include "imaging/TPictureView.h"
#include "imaging/codecs/ImageFile.h"
#include "platform/DialogComponents.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "print/TF_PREVIEW.h"
#include "print/TF_PREVIEW2.h"

namespace platform = velvo::platform;
using velvo::document::TF_FILHO;

namespace {

const QString kProgram = QStringLiteral(VELVO_PROGRAM_DIR);
const QString kCategory = QStringLiteral("Curtos e Claros");

// 4000 x 3000: the portrait as a head and shoulders in a wider room, tilted as a phone
// photo often is.
QImage twelveMegapixels() {
    const QImage portrait(kProgram + "Modelo.JPG");
    QImage photo(4000, 3000, QImage::Format_RGB32);
    photo.fill(QColor(70, 80, 95));
    QPainter p(&photo);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(2400, 1500);
    p.rotate(25);
    p.drawImage(QRect(-1200, -1200, 2400, 2400), portrait);
    p.end();
    return photo.convertToFormat(QImage::Format_BGR888);
}

struct Studio {
    QTemporaryDir dir;
    QString folder = dir.path() + "/";
    QString photoFile = folder + "camera.jpg";
    platform::RecordingMessages messages;
    platform::ScriptedDialogs dialogs;
    std::unique_ptr<velvo::app::TF_HAIR> main;
    std::unique_ptr<velvo::print::TF_PREVIEW> preview;
    std::unique_ptr<velvo::print::TF_PREVIEW2> preview2;

    Studio() {
        const QString hairs = folder + "Velvo5/" + kCategory + "/";
        QDir(folder).mkpath("Velvo5/" + kCategory);
        QFile::link(kProgram + "facemodels", folder + "facemodels");
        for (int n = 1; n <= 8; ++n)
            QFile::copy(kProgram + "Velvo5/" + kCategory + QStringLiteral("/%1.GIF").arg(n),
                        hairs + QStringLiteral("%1.GIF").arg(n));
        velvo::imaging::writeFileAtomic(
            photoFile.toStdString(),
            velvo::bench::cameraJpeg(velvo::imaging::toRaster(twelveMegapixels()), 90));
        platform::Messages::setInstance(&messages);
        platform::Dialogs::setInstance(&dialogs);
        main = std::make_unique<velvo::app::TF_HAIR>(folder);
        main->resize(1280, 1000);
        main->show();
        preview = std::make_unique<velvo::print::TF_PREVIEW>();
        preview2 = std::make_unique<velvo::print::TF_PREVIEW2>(main.get());
        QCoreApplication::processEvents();
    }
    ~Studio() {
        preview2.reset();
        preview.reset();
        main.reset();
        platform::Dialogs::setInstance(nullptr);
        platform::Messages::setInstance(nullptr);
    }

    void setFramingOnOpen(bool on) {
        QFile ini(folder + "velvo.ini");
        if (ini.open(QIODevice::WriteOnly))
            ini.write(on ? "[Opcoes]\nEnquadrarAoAbrir=1\n" : "[Opcoes]\nEnquadrarAoAbrir=0\n");
    }
    TF_FILHO* open() {
        main->OD_ABRIR->FileName = photoFile;
        main->OpenMode = true;
        TF_FILHO* doc = main->NewDocument();
        main->OpenMode = false;
        return doc;
    }
    void closeAll() { CloseAllDocuments(*main); }
};

bool ready(benchmark::State& state, Studio& s) {
    if (!QFile::exists(kProgram + "Modelo.JPG")) {
        state.SkipWithError("no sample portrait in the program folder");
        return false;
    }
    // The tilted head is found only with the models.
    if (!s.main->Faces().missingModels().empty()) {
        state.SkipWithError(s.main->Faces().missingModels().c_str());
        return false;
    }
    return true;
}

void BM_Open12MegapixelJpeg(benchmark::State& state) {
    Studio& s = Fixture<Studio>();
    if (!ready(state, s))
        return;
    const bool framing = state.range(0) != 0;
    s.setFramingOnOpen(framing);
    bool framed = false;
    for (auto _ : state) {
        TF_FILHO* doc = s.open();
        framed = doc->Framed;
        state.PauseTiming();
        s.closeAll();
        state.ResumeTiming();
    }
    state.SetLabel(framing ? (framed ? "framed" : "framing on, but no face found") : "as before");
}

void BM_FindFaceInMemory12Megapixels(benchmark::State& state) {
    Studio& s = Fixture<Studio>();
    if (!ready(state, s))
        return;
    const QImage photo = twelveMegapixels();
    for (auto _ : state)
        benchmark::DoNotOptimize(s.main->FindFace(photo));
}

void BM_FindFaceInFile12Megapixels(benchmark::State& state) {
    Studio& s = Fixture<Studio>();
    if (!ready(state, s))
        return;
    const velvo::fit::FaceFinder& faces = s.main->Faces();
    for (auto _ : state)
        benchmark::DoNotOptimize(faces.findInFile(s.photoFile.toStdString()));
}

void BM_TryCategoryOfEight(benchmark::State& state) {
    Studio& s = Fixture<Studio>();
    if (!ready(state, s))
        return;
    s.setFramingOnOpen(true);
    TF_FILHO* source = s.open();
    if (!source->Framed) {
        state.SkipWithError("the portrait's face was not found");
        return;
    }
    size_t made = 0;
    for (auto _ : state) {
        s.main->ProvarCategoria1Click();
        const QList<TF_FILHO*> docs = s.main->Documents();
        docs.back()->SubWindow()->repaint();
        made = docs.size() - 1;
        state.PauseTiming();
        for (TF_FILHO* doc : docs)
            if (doc != source)
                doc->Close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        s.main->MdiArea->setActiveSubWindow(source->SubWindow());
        state.ResumeTiming();
    }
    state.SetLabel(std::to_string(made) + " documents");
    s.closeAll();
}

} // namespace

BENCHMARK(BM_Open12MegapixelJpeg)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindFaceInMemory12Megapixels)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindFaceInFile12Megapixels)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TryCategoryOfEight)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    EndFixture<Studio>();
    return 0;
}

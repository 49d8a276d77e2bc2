// The preview sheet of eight documents printed to a PDF file, in the real windows: the
// preview command gathering eight 700 x 500 photos shown in 640 x 480 windows, the preview's
// print command composing the sheet and drawing the miniature page, and the sheet's print at
// size "1" through Qt's printer into a 1200-dpi PDF. The steps are also measured alone.
#include <benchmark/benchmark.h>

#include "BenchFixture.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <memory>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"
#include "platform/DialogComponents.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "platform/Printer.h"
#include "print/TF_IMPRESSAO.h"
#include "print/TF_PREVIEW.h"
#include "print/TF_PREVIEW2.h"

namespace imaging = velvo::imaging;
namespace platform = velvo::platform;
namespace print = velvo::print;

namespace {

imaging::Raster photoPicture(int width, int height, int seed) {
    imaging::Raster r = imaging::Raster::create(width, height, "bench", {0, 0, 0});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            r.set(x, y, {uint8_t(x * 255 / width), uint8_t(y * 255 / height), uint8_t(seed * 30)});
    return r;
}

struct Studio {
    QTemporaryDir dir;
    platform::RecordingMessages messages;
    platform::ScriptedDialogs dialogs;
    std::unique_ptr<platform::QtPrinterDevice> pdf;
    std::unique_ptr<velvo::app::TF_HAIR> main;
    std::unique_ptr<print::TF_PREVIEW> preview;
    std::unique_ptr<print::TF_IMPRESSAO> options;
    std::unique_ptr<print::TF_PREVIEW2> preview2;

    Studio() {
        const QString folder = dir.path() + "/";
        QDir(folder).mkpath("Velvo5");
        platform::Messages::setInstance(&messages);
        platform::Dialogs::setInstance(&dialogs);
        pdf = std::make_unique<platform::QtPrinterDevice>(folder + "sheet.pdf");
        platform::Printer::setInstance(pdf.get());
        main = std::make_unique<velvo::app::TF_HAIR>(folder);
        main->resize(1280, 1000);
        main->show();
        preview = std::make_unique<print::TF_PREVIEW>();
        options = std::make_unique<print::TF_IMPRESSAO>(main.get());
        preview2 = std::make_unique<print::TF_PREVIEW2>(main.get());
        for (int i = 0; i < 8; ++i) {
            const QString file = folder + QStringLiteral("photo%1.bmp").arg(i);
            imaging::writeFileAtomic(file.toStdString(),
                                     imaging::encodeBmp(photoPicture(700, 500, i)));
            main->OD_ABRIR->FileName = file;
            main->OpenMode = true;
            velvo::document::TF_FILHO* doc = main->NewDocument();
            main->OpenMode = false;
            doc->SubWindow()->resize(doc->SubWindow()->size() + QSize(640, 480) - doc->size());
        }
        QCoreApplication::processEvents();
    }
    ~Studio() {
        preview2.reset();
        options.reset();
        preview.reset();
        main.reset();
        platform::Printer::setInstance(nullptr);
        platform::Dialogs::setInstance(nullptr);
        platform::Messages::setInstance(nullptr);
    }

    void printSheet() {
        dialogs.printAnswers = {true};
        options->BitBtn2Click();
    }
};

void BM_SheetOfEightToPdf(benchmark::State& state) {
    Studio& s = Fixture<Studio>();
    for (auto _ : state) {
        s.main->PrintPreview1Click();
        s.preview2->Imprimir1Click();
        s.printSheet();
    }
    state.SetLabel(QStringLiteral("%1 bytes of PDF")
                       .arg(QFileInfo(s.dir.path() + "/sheet.pdf").size())
                       .toStdString());
}

void BM_StepGather(benchmark::State& state) {
    Studio& s = Fixture<Studio>();
    for (auto _ : state)
        s.main->PrintPreview1Click();
}

void BM_StepComposeAndMiniature(benchmark::State& state) {
    Studio& s = Fixture<Studio>();
    s.main->PrintPreview1Click();
    for (auto _ : state)
        s.preview2->Imprimir1Click();
}

void BM_StepPrintToPdf(benchmark::State& state) {
    Studio& s = Fixture<Studio>();
    s.main->PrintPreview1Click();
    s.preview2->Imprimir1Click();
    for (auto _ : state)
        s.printSheet();
}

} // namespace

BENCHMARK(BM_SheetOfEightToPdf)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StepGather)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StepComposeAndMiniature)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StepPrintToPdf)->Unit(benchmark::kMillisecond)->UseRealTime();

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

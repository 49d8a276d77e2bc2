// The records window of a busy salon: 10,000 clients with 50,000 tries kept, on SQLite.
// Opening the window until it has painted its list (target 200 ms), one keystroke of the
// search until the list is painted again (target 50 ms), and reopening a visit of 8 tries of a
// 12-megapixel camera photo until the last document is painted (target 1 s).
//
// The database is filled once and kept beside the program folder
// (bench-clients-10000.db), because filling it takes far longer than anything measured here.
// The bulk tries carry small pictures: the window never reads a try it does not show.
#include <benchmark/benchmark.h>

#include "BenchFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QPainter>
#include <QTemporaryDir>
#include <memory>

#include "CameraJpeg.h"
#include "app/TF_CLIENTES.h"
#include "app/TF_HAIR.h"
#include "clients/ClientStore.h"
#include "document/TF_FILHO.h"
#include "imaging/RasterImage.h"
#include "imaging/codecs/ImageFile.h"
#include "platform/DialogComponents.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"

namespace platform = velvo::platform;
using velvo::clients::Client;
using velvo::clients::ClientStore;
using velvo::document::TF_FILHO;

namespace {

const QString kProgram = QStringLiteral(VELVO_PROGRAM_DIR);
const QString kCategory = QStringLiteral("Curtos e Claros");
constexpr int kClients = 10000;
constexpr int kTriesPerClient = 5;

const char* const kFirst[] = {"José",   "João",     "Maria",  "Ana",    "Luíza",  "Antônio",
                              "Márcia", "Conceição", "Débora", "Sérgio", "Íris",   "Beatriz",
                              "Fábio",  "Letícia",  "Raquel", "Otávio", "Cláudia", "Rogério"};
const char* const kLast[] = {"Silva",    "Souza",   "Conceição", "Araújo", "Gonçalves",
                             "Pereira",  "Lima",    "Simões",    "Brandão", "Estevão",
                             "Magalhães", "Ribeiro", "Assunção",  "Melo",   "Damásio"};

QImage patterned(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = uchar((x * 3 + seed) & 255);
            row[3 * x + 1] = uchar((y * 5 + seed * 7) & 255);
            row[3 * x + 2] = uchar(((x ^ y) + seed) & 255);
        }
    }
    return image;
}

// 4000 x 3000, the sample portrait large in the middle.
QImage twelveMegapixels() {
    QImage photo(4000, 3000, QImage::Format_RGB32);
    photo.fill(QColor(70, 80, 95));
    QPainter p(&photo);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(800, 0, 2400, 3000), QImage(kProgram + "Modelo.JPG"));
    p.end();
    return photo.convertToFormat(QImage::Format_BGR888);
}

void fill(ClientStore& store, const velvo::trial::Trial& sample) {
    for (int i = 0; i < kClients; ++i) {
        Client c;
        c.name = QString::fromUtf8(kFirst[i % std::size(kFirst)]) + u' ' +
                 QString::fromUtf8(kLast[(i / 7) % std::size(kLast)]) + u' ' +
                 QString::fromUtf8(kLast[(i / 3) % std::size(kLast)]) +
                 QStringLiteral(" %1").arg(i);
        c.phone = QStringLiteral("(11) 9%1-%2").arg(1000 + i % 9000).arg(i, 4, 10, QChar(u'0'));
        c.consent = QDate(2026, 1, 1).addDays(i % 300);
        store.SaveClient(c);
        std::vector<velvo::trial::Trial> tries(kTriesPerClient, sample);
        for (int t = 0; t < kTriesPerClient; ++t)
            tries[size_t(t)].hairNumber = 1 + t;
        store.SaveVisit(c.id, tries);
    }
}

struct Salon {
    QTemporaryDir dir;
    QString folder = dir.path() + "/";
    QString database = QDir::cleanPath(kProgram + "../bench-clients-10000.db");
    platform::RecordingMessages messages;
    platform::ScriptedDialogs dialogs;
    std::unique_ptr<velvo::app::TF_HAIR> main;
    std::shared_ptr<ClientStore> store;
    qint64 visitOf8 = 0;

    Salon() {
        QDir(folder).mkpath("Velvo5/" + kCategory);
        for (int n = 1; n <= 8; ++n)
            QFile::copy(kProgram + "Velvo5/" + kCategory + QStringLiteral("/%1.GIF").arg(n),
                        folder + "Velvo5/" + kCategory + QStringLiteral("/%1.GIF").arg(n));
        platform::Messages::setInstance(&messages);
        platform::Dialogs::setInstance(&dialogs);
        main = std::make_unique<velvo::app::TF_HAIR>(folder);
        main->resize(1280, 1000);
        main->show();
        QCoreApplication::processEvents();

        const bool filled = QFile::exists(database);
        store = std::make_shared<ClientStore>(database);
        main->SetClients(store);
        if (!filled || int(store->FindClients({}, kClients + 1).size()) < kClients) {
            velvo::trial::Trial sample = documentOn(folder + "small.jpg", 640, 480)->Describe();
            sample.thumbnail = sample.thumbnail.scaled(60, 78);
            sample.overlay = sample.overlay.scaled(24, 28);
            fill(*store, sample);
            main->FecharTudo1Click();
        }
        visitOf8 = saveVisitOf8();
    }
    ~Salon() {
        main.reset();
        store.reset();
        platform::Dialogs::setInstance(nullptr);
        platform::Messages::setInstance(nullptr);
    }

    TF_FILHO* documentOn(const QString& file, int width, int height) {
        if (!QFile::exists(file)) {
            const QImage picture = width == 4000 ? twelveMegapixels() : patterned(width, height, 1);
            velvo::imaging::writeFileAtomic(
                file.toStdString(),
                velvo::bench::cameraJpeg(velvo::imaging::toRaster(picture), 90));
        }
        main->OD_ABRIR->FileName = file;
        main->OpenMode = true;
        TF_FILHO* doc = main->NewDocument();
        main->OpenMode = false;
        return doc;
    }

    // Eight hairstyles on one camera photo, kept for a client of their own.
    qint64 saveVisitOf8() {
        TF_FILHO* photo = documentOn(folder + "camera.jpg", 4000, 3000);
        main->CategoryText = QStringLiteral("0");
        QList<TF_FILHO*> tries;
        for (int n = 1; n <= 8; ++n) {
            main->MdiArea->setActiveSubWindow(photo->SubWindow());
            main->InsertHairstyle(QString::number(n));
            tries.append(main->ActiveDocument());
        }
        Client c;
        c.name = QStringLiteral("Cliente das oito provas");
        c.consent = QDate::currentDate();
        store->SaveClient(c);
        main->SaveTries(c.id, tries);
        closeAll();
        return store->VisitsOf(c.id).front().id;
    }
    void closeAll() { CloseAllDocuments(*main); }
};

bool ready(benchmark::State& state) {
    if (!QFile::exists(kProgram + "Modelo.JPG") ||
        !QFile::exists(kProgram + "Velvo5/" + kCategory + "/8.GIF")) {
        state.SkipWithError("the program folder has no sample portrait or library");
        return false;
    }
    return true;
}

void BM_OpenRecordsWindow(benchmark::State& state) {
    if (!ready(state))
        return;
    Salon& s = Fixture<Salon>();
    for (auto _ : state) {
        auto* window = new velvo::app::TF_CLIENTES(s.main.get());
        window->ShowRecords();
        window->repaint();
        QCoreApplication::processEvents();
        state.PauseTiming();
        delete window;
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenRecordsWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// Typing "maria silva" one key at a time, then "9123", each key until the list is repainted.
void BM_SearchKeystroke(benchmark::State& state) {
    if (!ready(state))
        return;
    Salon& s = Fixture<Salon>();
    velvo::app::TF_CLIENTES window(s.main.get());
    window.ShowRecords();
    QCoreApplication::processEvents();
    const QStringList typed = {QStringLiteral("maria silva"), QStringLiteral("9123"),
                               QStringLiteral("conceicao")};
    int word = 0;
    qsizetype next = 0;
    for (auto _ : state) {
        // As a key press types it: one character at the cursor.
        window.edBusca->insert(QString(typed[word][next]));
        window.repaint();
        QCoreApplication::processEvents();
        if (++next == typed[word].size()) {
            state.PauseTiming();
            window.edBusca->clear();
            QCoreApplication::processEvents();
            word = (word + 1) % int(typed.size());
            next = 0;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond)->UseRealTime();

// The widest keystroke: one letter that most names hold, into an empty box.
void BM_SearchFirstLetter(benchmark::State& state) {
    if (!ready(state))
        return;
    Salon& s = Fixture<Salon>();
    velvo::app::TF_CLIENTES window(s.main.get());
    window.ShowRecords();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        window.edBusca->insert(QStringLiteral("a"));
        window.repaint();
        QCoreApplication::processEvents();
        state.PauseTiming();
        window.edBusca->clear();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SearchFirstLetter)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReopenVisitOf8(benchmark::State& state) {
    if (!ready(state))
        return;
    Salon& s = Fixture<Salon>();
    for (auto _ : state) {
        const QList<TF_FILHO*> docs = s.main->OpenTrials(s.store->LoadVisit(s.visitOf8));
        if (docs.size() != 8) {
            state.SkipWithError("the visit did not reopen as 8 documents");
            break;
        }
        docs.back()->repaint();
        QCoreApplication::processEvents();
        state.PauseTiming();
        s.closeAll();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReopenVisitOf8)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    EndFixture<Salon>();
    return 0;
}

// The client records on SQLite, as a studio uses them:
//  - saving a visit of 8 tries of one 12-megapixel photo (a camera JPEG of 4000 x 3000), each
//    try with its overlay and window picture; a new photo every time, so its bytes are hashed
//    and written each time (goal: 300 ms);
//  - the record window's search on 10,000 clients with 50,000 tries: listing everyone (the
//    window opening) and one keystroke each of a name, a short prefix and a phone (goal: 50 ms);
//  - reading a visit of 8 tries back, the records' part of reopening it;
//  - deleting a client from a file that holds 100 other photos.
// Run on one core (bench/run pins it).
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <memory>

#include "CameraJpeg.h"
#include "clients/ClientStore.h"

using namespace velvo;
using clients::ClientStore;

namespace {

QByteArray twelveMegapixelJpeg() {
    imaging::Raster photo = imaging::Raster::create(4000, 3000, "photo");
    uint32_t seed = 12345;
    for (int y = 0; y < photo.height; ++y)
        for (int x = 0; x < photo.width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int(seed >> 28);
            photo.set(x, y,
                      {uint8_t(90 + n + x / 80), uint8_t(110 + n + y / 60), uint8_t(130 + n)});
        }
    const std::vector<uint8_t> jpeg = bench::cameraJpeg(photo, 90);
    return QByteArray(reinterpret_cast<const char*>(jpeg.data()), qsizetype(jpeg.size()));
}

QImage smoothPicture(int w, int h, int shade) {
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uchar(shade + x / 4);
            row[3 * x + 1] = uchar(shade + y / 5);
            row[3 * x + 2] = uchar((x * y + shade) & 0xff);
        }
    }
    return image;
}

trial::Trial benchTry(const QByteArray& photo, int number) {
    trial::Trial t;
    t.photoFile = QStringLiteral("/salao/fotos/cliente.jpg");
    t.photoBytes = QByteArray(photo.constData(), photo.size());
    t.libraryLabel = QStringLiteral("Velvo5");
    t.category = QString::number(number % 7);
    t.hairNumber = number + 1;
    t.overlay = smoothPicture(230, 280, number * 20);
    t.left = 10;
    t.top = 12;
    t.clientSize = QSize(241, 313);
    t.thumbnail = smoothPicture(241, 313, number * 30);
    return t;
}

struct Studio {
    QTemporaryDir dir;
    std::unique_ptr<ClientStore> store;
    qint64 client = 0;
    Studio() : store(std::make_unique<ClientStore>(dir.filePath("clientes.db"))) {
        clients::Client c;
        c.name = QStringLiteral("Cliente de Teste");
        c.consent = QDate(2026, 1, 5);
        store->SaveClient(c);
        client = c.id;
    }
};

void BM_SaveVisitOf8TriesOf12MegapixelPhoto(benchmark::State& state) {
    Studio studio;
    QByteArray photo = twelveMegapixelJpeg();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Another photo each time: a byte before the end marker, which no reader looks at.
        photo[photo.size() - 3] = char(++round);
        std::vector<trial::Trial> tries;
        for (int i = 0; i < 8; ++i)
            tries.push_back(benchTry(photo, i));
        state.ResumeTiming();
        benchmark::DoNotOptimize(studio.store->SaveVisit(studio.client, tries));
    }
    state.counters["photo_MB"] = double(photo.size()) / 1e6;
}
BENCHMARK(BM_SaveVisitOf8TriesOf12MegapixelPhoto)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LoadVisitOf8Tries(benchmark::State& state) {
    Studio studio;
    const QByteArray photo = twelveMegapixelJpeg();
    std::vector<trial::Trial> tries;
    for (int i = 0; i < 8; ++i)
        tries.push_back(benchTry(photo, i));
    const qint64 visit = studio.store->SaveVisit(studio.client, tries);
    for (auto _ : state)
        benchmark::DoNotOptimize(studio.store->LoadVisit(visit));
}
BENCHMARK(BM_LoadVisitOf8Tries)->Unit(benchmark::kMillisecond);

// 10,000 clients with 50,000 tries, written straight into the tables in one transaction (the
// store's own saves would take minutes to fill it), then opened through the store as a studio
// opens it.
struct Salon {
    QTemporaryDir dir;
    std::unique_ptr<ClientStore> store;
    Salon() {
        const QString file = dir.filePath("clientes.db");
        ClientStore(file).FindClients(QString(), 0); // the schema
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-fill");
            db.setDatabaseName(file);
            db.open();
            fill(db);
            db.close();
        }
        QSqlDatabase::removeDatabase("bench-fill");
        store = std::make_unique<ClientStore>(file);
    }

    static void fill(QSqlDatabase& db) {
        static const char* first[] = {
            "José",   "Maria",    "Ana",    "João",  "Antônio",   "Francisca", "Luíza", "Carlos",
            "Márcia", "Patrícia", "Sérgio", "Bruna", "Conceição", "Raimundo",  "Fábio", "Letícia"};
        static const char* last[] = {"Silva",     "Santos",    "Oliveira",   "Souza",   "Conceição",
                                     "Araújo",    "Gonçalves", "Lima",       "Pereira", "Ferreira",
                                     "Rodrigues", "Almeida",   "Nascimento", "Gomes",   "Simões"};
        QRandomGenerator random(7);
        QByteArray thumbnail;
        QBuffer buffer(&thumbnail);
        buffer.open(QIODevice::WriteOnly);
        smoothPicture(241, 313, 40).save(&buffer, "PNG");
        const QString description =
            QString::fromUtf8(QJsonDocument(trial::DescriptionOf(benchTry(QByteArray(), 1)))
                                  .toJson(QJsonDocument::Compact));
        QSqlQuery q(db);
        q.exec("BEGIN");
        q.exec("INSERT INTO photos (sha256, bytes) VALUES ('bench', x'ffd8ffd9')");
        QSqlQuery client(db), visit(db), attempt(db);
        client.prepare(
            "INSERT INTO clients (name, phone, email, notes, consent, name_key, phone_key) "
            "VALUES (?, ?, '', '', '2026-01-05', ?, ?)");
        visit.prepare("INSERT INTO visits (client_id, visited_at, notes) VALUES (?, ?, '')");
        attempt.prepare("INSERT INTO tries (visit_id, position, photo_id, library_label, category, "
                        "hair_number, description, overlay, overlay_format, thumbnail, "
                        "thumbnail_format, edited_photo, edited_photo_format) VALUES "
                        "(?, ?, 1, 'Velvo5', '1', ?, ?, NULL, 0, ?, 29, NULL, 0)");
        for (int c = 1; c <= 10000; ++c) {
            const QString name = QStringLiteral("%1 %2 %3")
                                     .arg(QString::fromUtf8(first[random.bounded(16)]),
                                          QString::fromUtf8(last[random.bounded(15)]),
                                          QString::fromUtf8(last[random.bounded(15)]));
            const QString digits =
                QStringLiteral("11%1").arg(random.bounded(900000000) + 100000000);
            client.addBindValue(name);
            client.addBindValue(QStringLiteral("(%1) %2").arg(digits.left(2), digits.mid(2)));
            client.addBindValue(name.normalized(QString::NormalizationForm_KD)
                                    .remove(QRegularExpression("\\p{Mn}"))
                                    .toCaseFolded());
            client.addBindValue(digits);
            client.exec();
            visit.addBindValue(c);
            visit.addBindValue(QStringLiteral("2026-0%1-10T15:00:00.000Z").arg(1 + c % 9));
            visit.exec();
            for (int t = 0; t < 5; ++t) {
                attempt.addBindValue(c);
                attempt.addBindValue(t);
                attempt.addBindValue(t + 1);
                attempt.addBindValue(description);
                attempt.addBindValue(thumbnail);
                attempt.exec();
            }
        }
        q.exec("COMMIT");
    }
};

Salon& salon() {
    static Salon s;
    return s;
}

void BM_FindClients(benchmark::State& state, const char* text) {
    Salon& s = salon();
    size_t found = 0;
    for (auto _ : state) {
        const auto list = s.store->FindClients(QString::fromUtf8(text));
        found = list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["found"] = double(found);
}
BENCHMARK_CAPTURE(BM_FindClients, everyone, "")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindClients, first_letter, "j")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindClients, name, "jose conc")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindClients, phone, "9876")->Unit(benchmark::kMillisecond);

void BM_OpenSalonAndVisitsOfOneClient(benchmark::State& state) {
    Salon& s = salon();
    for (auto _ : state) {
        ClientStore store(s.store->Name());
        benchmark::DoNotOptimize(store.FindClients(QString()));
        benchmark::DoNotOptimize(store.VisitsOf(5000));
    }
}
BENCHMARK(BM_OpenSalonAndVisitsOfOneClient)->Unit(benchmark::kMillisecond);

// Deleting a client rewrites the whole file (the vacuum that leaves none of their bytes
// behind), so its cost grows with everything else the salon keeps: here 100 other clients,
// each with a photo of its own (about 270 MB).
void BM_DeleteClientBeside100Photos(benchmark::State& state) {
    Studio studio;
    QByteArray photo = twelveMegapixelJpeg();
    const auto visitWithNewPhoto = [&](qint64 client) {
        photo[photo.size() - 3] = char(photo[photo.size() - 3] + 1);
        photo[photo.size() - 4] = char(photo[photo.size() - 4] + (photo[photo.size() - 3] == 0));
        studio.store->SaveVisit(client, {benchTry(photo, 0)});
    };
    for (int i = 0; i < 100; ++i)
        visitWithNewPhoto(studio.client);
    for (auto _ : state) {
        state.PauseTiming();
        clients::Client leaving;
        leaving.name = QStringLiteral("Cliente que sai");
        leaving.consent = QDate(2026, 1, 5);
        studio.store->SaveClient(leaving);
        visitWithNewPhoto(leaving.id);
        state.ResumeTiming();
        studio.store->DeleteClient(leaving.id);
    }
}
BENCHMARK(BM_DeleteClientBeside100Photos)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    // PNG and JPEG coding of QImage need an application object, not a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

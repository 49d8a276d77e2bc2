#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "StoreBackends.h"
#include "clients/ClientStore.h"

using namespace velvo;
using namespace velvo::clients;
using velvo::clients::testing::Backend;

namespace {

// The test's own connection beside the store's, closed and forgotten when it goes.
class Raw {
public:
    Raw(Backend& backend, const QString& location) : db_(backend.Raw(location)) {}
    ~Raw() {
        const QString name = db_.connectionName();
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    // Runs any statement; a query's first value, or -1.
    qint64 Exec(const QString& sql) {
        QSqlQuery q(db_);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return q.next() ? q.value(0).toLongLong() : -1;
    }
    qint64 Count(const QString& table) { return Exec("SELECT count(*) FROM " + table); }

private:
    QSqlDatabase db_;
};

QImage noise(int w, int h, quint32 seed) {
    QImage image(w, h, QImage::Format_BGR888);
    QRandomGenerator random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < image.bytesPerLine(); ++x)
            image.scanLine(y)[x] = uchar(random.bounded(256));
    return image;
}

// Photo bytes stand in for a JPEG file; the store never decodes them, and the marker lets a
// test look for them in the database file.
QByteArray photoBytes(const char* marker, int size, quint32 seed) {
    QByteArray bytes(size, '\0');
    QRandomGenerator random(seed);
    for (char& b : bytes)
        b = char(random.bounded(256));
    bytes.replace(size / 2, qstrlen(marker), marker);
    return bytes;
}

// A try with every kind of value set, its own pictures, and its own copy of the photo's bytes
// as each document reads its file afresh.
trial::Trial sampleTry(const QByteArray& photo, int number) {
    trial::Trial t;
    t.photoFile = QStringLiteral("/fotos/cliente.jpg");
    t.photoBytes = QByteArray(photo.constData(), photo.size());
    t.libraryLabel = "Velvo5";
    t.category = QString::number(number % 7);
    t.hairNumber = number;
    t.overlay = noise(60 + number, 80, 10 + number);
    t.recipe.steps = {{trial::OverlayStep::Kind::Panel, 0, {number, 0, 0, 0, 0, 255, 0}, 0}};
    t.left = -4 * number;
    t.zoom = 150;
    t.clientSize = QSize(241, 313);
    t.face = fit::Face(fit::FaceBox{10, 20, 30, 40});
    t.thumbnail = noise(241, 313, 100 + number);
    return t;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void expectSamePicture(const QImage& saved, const QImage& loaded, const char* which) {
    EXPECT_EQ(saved.format(), loaded.format()) << which;
    EXPECT_TRUE(saved == loaded) << which << " differs";
}

void expectSameTry(const trial::Trial& saved, const trial::Trial& loaded) {
    EXPECT_EQ(saved.photoBytes, loaded.photoBytes);
    expectSamePicture(saved.overlay, loaded.overlay, "overlay");
    expectSamePicture(saved.thumbnail, loaded.thumbnail, "thumbnail");
    if (saved.photoEdited)
        expectSamePicture(saved.photo, loaded.photo, "edited photo");
    trial::Trial named = saved;
    named.clientName = loaded.clientName;
    EXPECT_EQ(trial::DescriptionOf(named), trial::DescriptionOf(loaded));
}

class ClientStoreTest : public ::testing::TestWithParam<std::unique_ptr<Backend> (*)()> {
protected:
    void SetUp() override {
        backend_ = GetParam()();
        location_ = backend_->NewLocation();
        if (location_.isEmpty())
            GTEST_SKIP() << backend_->SkipReason().toStdString();
    }
    Client AddClient(ClientStore& store, const QString& name, bool consent = true) {
        Client c;
        c.name = name;
        c.phone = QStringLiteral("(11) 98765-4321");
        if (consent)
            c.consent = QDate(2026, 3, 1);
        store.SaveClient(c);
        return c;
    }
    // Every row of every table, for "nothing changed" checks.
    std::vector<qint64> Counts() {
        Raw raw(*backend_, location_);
        return {raw.Count("clients"), raw.Count("visits"), raw.Count("tries"), raw.Count("photos")};
    }

    std::unique_ptr<Backend> backend_;
    QString location_;
};

TEST_P(ClientStoreTest, ATryComesBackExactlyAsSaved) {
    ClientStore store(location_);
    const Client ana = AddClient(store, QStringLiteral("Ana Luíza"));
    const QByteArray photo = photoBytes("FOTO-ANA", 40000, 1);
    std::vector<trial::Trial> tries = {sampleTry(photo, 1), sampleTry(photo, 2),
                                       sampleTry(photo, 3)};
    tries[1].overlay = QImage(); // a photo without a hairstyle
    tries[2].photoEdited = true;
    tries[2].photo = noise(320, 240, 7);
    tries[2].unknown = QJsonObject{{"headPitch", 3}};
    const QDateTime first(QDate(2026, 5, 2), QTime(10, 30, 15, 250));
    const qint64 older = store.SaveVisit(ana.id, {tries[0]}, QStringLiteral("primeira"), first);
    const qint64 visit = store.SaveVisit(ana.id, tries, QStringLiteral("volta"), first.addDays(7));

    const std::vector<trial::Trial> loaded = store.LoadVisit(visit);
    ASSERT_EQ(loaded.size(), tries.size());
    for (size_t i = 0; i < tries.size(); ++i) {
        SCOPED_TRACE(i);
        expectSameTry(tries[i], loaded[i]);
        EXPECT_EQ(loaded[i].clientName, ana.name);
    }
    // The photo is kept once, however many tries and visits carry it.
    EXPECT_EQ(Counts()[3], 1);

    const std::vector<Visit> visits = store.VisitsOf(ana.id);
    ASSERT_EQ(visits.size(), 2u);
    EXPECT_EQ(visits[0].id, visit);
    EXPECT_EQ(visits[0].date, first.addDays(7));
    EXPECT_EQ(visits[0].notes, QStringLiteral("volta"));
    EXPECT_EQ(visits[1].id, older);
    ASSERT_EQ(visits[0].tries.size(), 3u);
    expectSamePicture(tries[2].thumbnail, visits[0].tries[2].thumbnail, "listed thumbnail");
    EXPECT_EQ(visits[0].tries[1].hairNumber, 2);
    expectSameTry(tries[2], store.LoadTry(visits[0].tries[2].id));
}

TEST_P(ClientStoreTest, NothingIsSavedWithoutConsent) {
    ClientStore store(location_);
    const Client bia = AddClient(store, QStringLiteral("Bia"), false);
    const auto before = Counts();
    const std::vector<trial::Trial> tries = {sampleTry(photoBytes("X", 1000, 2), 1)};
    EXPECT_THROW(store.SaveVisit(bia.id, tries), StoreError);
    EXPECT_EQ(Counts(), before);
    store.RecordConsent(bia.id, QDate(2026, 6, 1));
    EXPECT_EQ(store.ClientById(bia.id).consent, QDate(2026, 6, 1));
    store.SaveVisit(bia.id, tries);
    EXPECT_EQ(store.VisitsOf(bia.id).size(), 1u);
}

TEST_P(ClientStoreTest, AFailedWriteLeavesEverythingAsItWas) {
    ClientStore store(location_);
    const Client ana = AddClient(store, QStringLiteral("Ana"));
    store.SaveVisit(ana.id, {sampleTry(photoBytes("A", 2000, 3), 1)});
    {
        Raw raw(*backend_, location_);
        for (const QString& sql :
             backend_->FailingTrigger(2, QStringLiteral("disco cheio simulado")))
            raw.Exec(sql);
    }
    const auto before = Counts();
    // New photo bytes, so the photo row written before the failure must go too.
    const QByteArray other = photoBytes("B", 2000, 4);
    const std::vector<trial::Trial> tries = {sampleTry(other, 1), sampleTry(other, 2),
                                             sampleTry(other, 3)};
    try {
        store.SaveVisit(ana.id, tries);
        FAIL() << "the third try was refused, yet the save reported success";
    } catch (const StoreError& e) {
        const QString message = QString::fromUtf8(e.what());
        EXPECT_TRUE(message.contains(store.Name())) << e.what();
        EXPECT_TRUE(message.contains(QStringLiteral("disco cheio simulado"))) << e.what();
    }
    EXPECT_EQ(Counts(), before);
    // The connection is left without a dangling transaction: the next write goes through.
    store.SaveVisit(ana.id, {tries[0]});
    EXPECT_EQ(store.VisitsOf(ana.id).size(), 2u);
}

TEST_P(ClientStoreTest, ADatabaseOfANewerVersionIsRefusedUntouched) {
    {
        ClientStore store(location_);
        AddClient(store, QStringLiteral("Carla"));
    }
    Raw(*backend_, location_)
        .Exec(QStringLiteral("UPDATE schema_version SET version = %1")
                  .arg(ClientStore::kSchemaVersion + 1));
    const QByteArray fileBefore = fileBytes(location_);
    try {
        ClientStore store(location_);
        FAIL() << "opened a database of a newer version";
    } catch (const StoreError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("versão mais nova")))
            << e.what();
    }
    EXPECT_TRUE(fileBytes(location_) == fileBefore) << "the file was changed";
    EXPECT_EQ(Raw(*backend_, location_).Count("clients"), 1);
}

TEST_P(ClientStoreTest, SearchIgnoresCaseAndAccents) {
    ClientStore store(location_);
    for (const char* name : {"José Conceição", "MARIA JOSÉ", "Joselito", "Ana 50% Silva", "Bruna"})
        AddClient(store, QString::fromUtf8(name));
    const struct {
        const char* text;
        std::vector<const char*> names;
    } cases[] = {
        {"jose", {"José Conceição", "Joselito", "MARIA JOSÉ"}},
        {"JOSÉ CONCEIÇÃO", {"José Conceição"}},
        {"  conceicao ", {"José Conceição"}},
        {"50%", {"Ana 50% Silva"}},
        {"%", {"Ana 50% Silva"}},
        {"_", {}},
        {"98765-43", {"Ana 50% Silva", "Bruna", "José Conceição", "Joselito", "MARIA JOSÉ"}},
        {"9999", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> found;
        for (const Client& client : store.FindClients(QString::fromUtf8(c.text)))
            found.push_back(client.name.toStdString());
        EXPECT_EQ(found, std::vector<std::string>(c.names.begin(), c.names.end())) << c.text;
    }
    EXPECT_EQ(store.FindClients(QString()).size(), 5u);
    EXPECT_EQ(store.FindClients(QString(), 2).size(), 2u);
}

TEST_P(ClientStoreTest, DeletingAClientRemovesTheirPhotosAndKeepsSharedOnes) {
    const char* marker = "MARCADOR-DA-FOTO-DE-DORA-7f3a";
    const QByteArray shared = photoBytes("FOTO-COMPARTILHADA", 30000, 5);
    const std::vector<trial::Trial> evasTries = {sampleTry(shared, 4)};
    const auto fileHolds = [&](const QString& path) { return fileBytes(path).contains(marker); };
    ClientStore store(location_);
    const Client dora = AddClient(store, QStringLiteral("Dora"));
    const qint64 eva = AddClient(store, QStringLiteral("Eva")).id;
    store.SaveVisit(dora.id,
                    {sampleTry(photoBytes(marker, 30000, 6), 1), sampleTry(shared, 2)});
    store.SaveVisit(eva, evasTries);
    if (!backend_->IsPostgres()) {
        ASSERT_TRUE(fileHolds(location_) || fileHolds(location_ + "-wal"));
    }
    // Pages as the database sees them, the log's included: the photo is still in the log.
    const auto pages = [&] { return Raw(*backend_, location_).Exec("PRAGMA page_count"); };
    const qint64 pagesBefore = backend_->IsPostgres() ? 0 : pages();
    store.DeleteClient(dora.id);
    EXPECT_THROW(store.ClientById(dora.id), StoreError);
    expectSameTry(evasTries[0], store.LoadVisit(store.VisitsOf(eva)[0].id)[0]);
    EXPECT_EQ(Counts(), (std::vector<qint64>{1, 1, 1, 1}));
    if (!backend_->IsPostgres()) {
        EXPECT_FALSE(fileHolds(location_)) << "the deleted photo's bytes are still in the file";
        EXPECT_LE(pages(), pagesBefore - 25000 / 4096) << "the freed pages are kept";
        EXPECT_FALSE(fileHolds(location_ + "-wal"))
            << "the deleted photo's bytes are in the log";
    }
}

TEST_P(ClientStoreTest, ExportWritesThePhotosPicturesAndSummary) {
    ClientStore store(location_);
    const Client fabi = AddClient(store, QStringLiteral("Fabiana"));
    const QByteArray photo = photoBytes("F", 5000, 8);
    const std::vector<trial::Trial> tries = {sampleTry(photo, 1), sampleTry(photo, 2)};
    store.SaveVisit(fabi.id, tries);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("exportado/fabiana/"));
    EXPECT_EQ(store.ExportClient(fabi.id, folder).size(), 4); // a photo, two pictures, a summary
    EXPECT_EQ(fileBytes(folder + "foto-1.jpg"), photo);
    EXPECT_EQ(QImage(folder + "visita-1-prova-2.png").convertToFormat(QImage::Format_BGR888),
              tries[1].thumbnail);
    const QString summary = QString::fromUtf8(fileBytes(folder + "resumo.txt"));
    EXPECT_TRUE(summary.contains("Nome: Fabiana") && summary.contains("penteado 2"))
        << summary.toStdString();
}

// Two studios saving for the same client at once: each process saves its visits through its
// own store, and every one of them must land.
TEST_P(ClientStoreTest, TwoProcessesSavingAtOnceLoseNothing) {
    constexpr int kVisitsEach = 12;
    qint64 gil = 0;
    {
        ClientStore store(location_);
        gil = AddClient(store, QStringLiteral("Gil")).id;
    }
    std::vector<std::unique_ptr<QProcess>> helpers;
    for (int i = 0; i < 2; ++i) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VELVO_CLIENTS_HELPER",
                   QStringList{location_, QString::number(gil), QString::number(kVisitsEach),
                               QString::number(i)}
                       .join(u'|'));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=ClientStoreHelper.SavesVisitsForTheParentTest")});
        helpers.push_back(std::move(p));
    }
    for (auto& p : helpers) {
        ASSERT_TRUE(p->waitForFinished(300000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAll().toStdString();
    }
    ClientStore store(location_);
    const std::vector<Visit> visits = store.VisitsOf(gil);
    EXPECT_EQ(visits.size(), size_t(2 * kVisitsEach));
    for (const Visit& v : visits)
        EXPECT_EQ(v.tries.size(), 2u) << "visit " << v.id;
    EXPECT_EQ(Counts()[3], 1) << "the photo both stations saved is kept once";
}

INSTANTIATE_TEST_SUITE_P(Databases, ClientStoreTest,
                         ::testing::Values(&clients::testing::MakeSqliteBackend,
                                           &clients::testing::MakePostgresBackend),
                         [](const auto& info) {
                             return std::string(info.index == 0 ? "SQLite" : "PostgreSQL");
                         });

} // namespace

// The other side of TwoProcessesSavingAtOnceLoseNothing, run in a process of its own.
TEST(ClientStoreHelper, SavesVisitsForTheParentTest) {
    const QStringList args = qEnvironmentVariable("VELVO_CLIENTS_HELPER").split(u'|');
    if (args.size() != 4)
        GTEST_SKIP() << "runs only as a helper process of TwoProcessesSavingAtOnceLoseNothing";
    ClientStore store(args[0]);
    // The same photo in both: their first saves race to store it.
    const QByteArray photo = photoBytes("HELPER", 200000, 20);
    for (int i = 0; i < args[2].toInt(); ++i)
        store.SaveVisit(args[1].toLongLong(), {sampleTry(photo, 1), sampleTry(photo, 2)},
                        QStringLiteral("estação %1").arg(args[3]));
}

#include "StoreBackends.h"

#include <QDir>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <gtest/gtest.h>
#include <unistd.h>

namespace velvo::clients::testing {

namespace {

QString uniqueConnection() {
    static int n = 0;
    return QStringLiteral("velvo-clients-test-%1").arg(++n);
}

class SqliteBackend : public Backend {
public:
    QString NewLocation() override {
        return dir_.filePath(QStringLiteral("clientes-%1.db").arg(++count_));
    }
    QSqlDatabase Raw(const QString& location) override {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), uniqueConnection());
        db.setDatabaseName(location);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        db.open();
        return db;
    }
    bool IsPostgres() const override { return false; }
    QStringList FailingTrigger(int position, const QString& message) const override {
        return {
            QStringLiteral("CREATE TRIGGER fail_try BEFORE INSERT ON tries WHEN NEW.position = %1 "
                           "BEGIN SELECT RAISE(ABORT, '%2'); END")
                .arg(position)
                .arg(message)};
    }

private:
    QTemporaryDir dir_;
    int count_ = 0;
};

// The server of the run: started by the first test that wants it, stopped when the run ends
// (gtest's environments tear down before the test program leaves).
class PostgresServer : public ::testing::Environment {
public:
    static PostgresServer& Instance() {
        static PostgresServer* server = [] {
            auto* s = new PostgresServer;
            ::testing::AddGlobalTestEnvironment(s); // gtest owns it from here
            return s;
        }();
        return *server;
    }

    bool Start() {
        if (tried_)
            return running_;
        tried_ = true;
        const QDir versions(QStringLiteral("/usr/lib/postgresql"));
        for (const QString& v : versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            if (QFile::exists(versions.filePath(v + "/bin/initdb")))
                bin_ = versions.filePath(v + "/bin/");
        if (bin_.isEmpty()) {
            failure = QStringLiteral("initdb is not installed (Debian package postgresql)");
            return false;
        }
        dir_ = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/velvo-pg-XXXXXX"));
        socket = dir_->path();
        if (geteuid() == 0)
            QProcess::execute(QStringLiteral("chown"),
                              {QStringLiteral("postgres:postgres"), socket});
        running_ =
            Tool("initdb", {"-D", socket + "/data", "-U", "postgres", "-A", "trust", "-E", "UTF8",
                            "--locale=C", "--no-sync"}) &&
            Tool("pg_ctl",
                 {"-D", socket + "/data", "-l", socket + "/server.log", "-w", "-t", "60", "-o",
                  "-k " + socket + " -c listen_addresses='' -p 5432 -c fsync=off", "start"});
        return running_;
    }
    void TearDown() override {
        if (running_)
            Tool("pg_ctl", {"-D", socket + "/data", "-m", "immediate", "stop"});
        running_ = false;
        dir_.reset();
    }

    QString failure;
    QString socket;

private:
    // PostgreSQL refuses to run as root, which CI runs as: then its tools run as its own user.
    bool Tool(const char* tool, const QStringList& args) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        const QString program = bin_ + QLatin1String(tool);
        if (geteuid() == 0)
            p.start(QStringLiteral("runuser"), QStringList{"-u", "postgres", "--", program} + args);
        else
            p.start(program, args);
        const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit &&
                        p.exitCode() == 0;
        if (!ok)
            failure = QStringLiteral("%1 failed: %2")
                          .arg(QLatin1String(tool), QString::fromLocal8Bit(p.readAll()));
        return ok;
    }

    bool tried_ = false;
    bool running_ = false;
    QString bin_;
    std::unique_ptr<QTemporaryDir> dir_;
};

class PostgresBackend : public Backend {
public:
    QString NewLocation() override {
        PostgresServer& server = PostgresServer::Instance();
        if (!server.Start())
            return {};
        static int count = 0;
        const QString name = QStringLiteral("velvo_test_%1_%2").arg(getpid()).arg(++count);
        QSqlDatabase admin = Connect(QStringLiteral("postgres"));
        QSqlQuery(admin).exec(QStringLiteral("CREATE DATABASE ") + name);
        admin.close();
        // The socket folder as a percent-encoded host, as libpq's own addresses write it.
        return QStringLiteral("postgresql://postgres@%1:5432/%2")
            .arg(QString::fromLatin1(QUrl::toPercentEncoding(server.socket)), name);
    }
    QString SkipReason() const override {
        return QStringLiteral("no PostgreSQL server could be started here: ") +
               PostgresServer::Instance().failure;
    }
    QSqlDatabase Raw(const QString& location) override {
        return Connect(location.section(u'/', -1));
    }
    bool IsPostgres() const override { return true; }
    QStringList FailingTrigger(int position, const QString& message) const override {
        return {QStringLiteral(
                    "CREATE FUNCTION fail_try() RETURNS trigger AS $$ BEGIN IF NEW.position = %1 "
                    "THEN RAISE EXCEPTION '%2'; END IF; RETURN NEW; END $$ LANGUAGE plpgsql")
                    .arg(position)
                    .arg(message),
                QStringLiteral("CREATE TRIGGER fail_try BEFORE INSERT ON tries FOR EACH ROW "
                               "EXECUTE FUNCTION fail_try()")};
    }

private:
    static QSqlDatabase Connect(const QString& database) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), uniqueConnection());
        db.setHostName(PostgresServer::Instance().socket);
        db.setPort(5432);
        db.setUserName(QStringLiteral("postgres"));
        db.setDatabaseName(database);
        if (!db.open())
            ADD_FAILURE() << db.lastError().text().toStdString();
        return db;
    }
};

} // namespace

std::unique_ptr<Backend> MakeSqliteBackend() { return std::make_unique<SqliteBackend>(); }
std::unique_ptr<Backend> MakePostgresBackend() { return std::make_unique<PostgresBackend>(); }

} // namespace velvo::clients::testing

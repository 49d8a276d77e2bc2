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
        return {QStringLiteral("CREATE TRIGGER fail_try BEFORE INSERT ON tries WHEN NEW.position "
                               "= %1 BEGIN SELECT RAISE(ABORT, '%2'); END")
                    .arg(position)
                    .arg(message)};
    }

private:
    QTemporaryDir dir_;
    int count_ = 0;
};

// Runs a server program as the server's own user when we are root, as PostgreSQL refuses to
// run as root (CI runs as root).
bool runServerTool(const QString& tool, const QStringList& args, QString& output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (geteuid() == 0)
        p.start(QStringLiteral("runuser"), QStringList{"-u", "postgres", "--", tool} + args);
    else
        p.start(tool, args);
    const bool finished = p.waitForFinished(120000);
    output = QString::fromLocal8Bit(p.readAll());
    return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

class PostgresServer : public ::testing::Environment {
public:
    static PostgresServer& Instance() {
        static PostgresServer* server = [] {
            auto* s = new PostgresServer;
            ::testing::AddGlobalTestEnvironment(s); // owned by gtest from here
            return s;
        }();
        return *server;
    }

    // Empty when the server cannot start; `failure_` then says why.
    bool Start() {
        if (tried_)
            return running_;
        tried_ = true;
        QString bin;
        const QDir versions(QStringLiteral("/usr/lib/postgresql"));
        for (const QString& v : versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            if (QFile::exists(versions.filePath(v + QStringLiteral("/bin/initdb"))))
                bin = versions.filePath(v + QStringLiteral("/bin/"));
        if (bin.isEmpty()) {
            failure_ =
                QStringLiteral("PostgreSQL's initdb is not installed (Debian package postgresql)");
            return false;
        }
        dir_ = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/velvo-pg-XXXXXX"));
        socket_ = dir_->path();
        if (geteuid() == 0) {
            QString out;
            QProcess::execute(QStringLiteral("chown"),
                              {QStringLiteral("postgres:postgres"), socket_});
        }
        const QString data = socket_ + QStringLiteral("/data");
        QString out;
        if (!runServerTool(bin + "initdb",
                           {"-D", data, "-U", "postgres", "-A", "trust", "-E", "UTF8", "--locale=C",
                            "--no-sync"},
                           out)) {
            failure_ = QStringLiteral("initdb failed: ") + out;
            return false;
        }
        const QString options =
            QStringLiteral("-k %1 -c listen_addresses='' -p 5432 -c fsync=off").arg(socket_);
        if (!runServerTool(bin + "pg_ctl",
                           {"-D", data, "-o", options, "-l", socket_ + "/server.log", "-w", "-t",
                            "60", "start"},
                           out)) {
            failure_ = QStringLiteral("pg_ctl start failed: ") + out;
            return false;
        }
        pgctl_ = bin + "pg_ctl";
        data_ = data;
        running_ = true;
        return true;
    }
    void TearDown() override {
        if (running_) {
            QString out;
            runServerTool(pgctl_, {"-D", data_, "-m", "immediate", "stop"}, out);
            running_ = false;
        }
        dir_.reset();
    }

    QString failure_;
    QString socket_;

private:
    bool tried_ = false;
    bool running_ = false;
    QString pgctl_, data_;
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
        return QStringLiteral("postgresql://postgres@%1:5432/%2")
            .arg(QString::fromLatin1(QUrl::toPercentEncoding(server.socket_)), name);
    }
    QString SkipReason() const override {
        return QStringLiteral("no PostgreSQL server could be started here: ") +
               PostgresServer::Instance().failure_;
    }
    QSqlDatabase Raw(const QString& location) override {
        return Connect(location.section(u'/', -1));
    }
    bool IsPostgres() const override { return true; }
    QStringList FailingTrigger(int position, const QString& message) const override {
        return {QStringLiteral("CREATE FUNCTION fail_try() RETURNS trigger AS $$ BEGIN IF "
                               "NEW.position = %1 THEN RAISE EXCEPTION '%2'; END IF; RETURN NEW; "
                               "END $$ LANGUAGE plpgsql")
                    .arg(position)
                    .arg(message),
                QStringLiteral("CREATE TRIGGER fail_try BEFORE INSERT ON tries FOR EACH ROW "
                               "EXECUTE FUNCTION fail_try()")};
    }

private:
    QSqlDatabase Connect(const QString& database) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), uniqueConnection());
        db.setHostName(PostgresServer::Instance().socket_);
        db.setPort(5432);
        db.setUserName(QStringLiteral("postgres"));
        db.setDatabaseName(database);
        if (!db.open())
            ADD_FAILURE() << db.lastError().text().toStdString();
        return db;
    }
};

} // namespace

std::unique_ptr<Backend> MakeSqliteBackend() {
    return std::make_unique<SqliteBackend>();
}

std::unique_ptr<Backend> MakePostgresBackend() {
    return std::make_unique<PostgresBackend>();
}

} // namespace velvo::clients::testing

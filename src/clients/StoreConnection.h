#pragma once
// One connection to the records' database, SQLite file or PostgreSQL server alike: opening it
// with the settings that make several studios safe on one database, running statements that
// throw StoreError on failure, and transactions that roll back unless committed.
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <initializer_list>
#include <vector>

#include "clients/ClientStore.h"

namespace velvo::clients {

// The parts of a "postgresql://user@host:port/database" address. The host may be a folder
// (the server's Unix socket), written as it is or percent-encoded; a password is refused, as
// it belongs in the server's own means (~/.pgpass), never in velvo.ini.
struct ServerAddress {
    QString user;
    QString host;
    int port = -1; // -1: the driver's default
    QString database;

    static bool IsServerAddress(const QString& location);
    // Throws StoreError naming `location` when it is not such an address.
    static ServerAddress Parse(const QString& location);
    QString ToString() const;
};

class StoreConnection {
public:
    // Opens `location` and sets the connection up; throws StoreError naming it.
    explicit StoreConnection(const QString& location);
    ~StoreConnection();
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    const QString& Name() const { return name_; }
    bool IsPostgres() const { return postgres_; }
    QSqlDatabase& Db() { return db_; }

    // Prepares and runs `sql` with its '?' placeholders bound in order. On failure throws
    // StoreError: the database's name, `doing` (what the caller was about) and the driver's text.
    QSqlQuery Run(const QString& doing, const QString& sql,
                  std::initializer_list<QVariant> values = {});
    // Every row at once. A PostgreSQL connection delivers a query's rows while it runs and
    // cannot run another meanwhile, so a caller that queries again per row reads them first.
    std::vector<QSqlRecord> Rows(const QString& doing, const QString& sql,
                                 std::initializer_list<QVariant> values = {});
    // The first column of the first row, or an invalid QVariant when there is no row.
    QVariant Value(const QString& doing, const QString& sql,
                   std::initializer_list<QVariant> values = {});
    [[noreturn]] void Fail(const QString& doing, const QString& problem) const;

    // A write transaction. SQLite takes its write lock at the start, so a save that reads
    // before it writes waits for another studio's save (busy timeout) instead of failing
    // halfway; PostgreSQL's ordinary transaction already waits where it must.
    class Transaction {
    public:
        Transaction(StoreConnection& connection, const QString& doing);
        ~Transaction();
        void Commit();

    private:
        StoreConnection& c_;
        QString doing_;
        bool open_ = true;
    };

private:
    QString name_;
    QString connectionName_;
    bool postgres_ = false;
    QSqlDatabase db_;
};

// A value bound as SQL NULL whatever its type, for the columns that may be empty.
QVariant NullText();
QVariant NullBytes();
// `text` for a column that is never NULL: the drivers bind a null QString as NULL.
QVariant Text(const QString& text);

} // namespace velvo::clients

#include "clients/StoreSchema.h"

#include <QSqlDatabase>
#include <QStringList>
#include <vector>

namespace velvo::clients {

namespace {

// Statements of one upgrade step, written with {ID} (a key the database numbers itself),
// {REF} (a reference to one) and {BYTES} (a picture or file).
using Step = std::vector<const char*>;

// Step n takes a database from version n to version n + 1; a later version appends steps and
// raises ClientStore::kSchemaVersion, never edits a step already released.
const std::vector<Step>& Steps() {
    static const std::vector<Step> steps = {
        {
            "CREATE TABLE schema_version (version INTEGER NOT NULL)",
            // name_key and phone_key are what the search compares: see SearchKey.h.
            "CREATE TABLE clients (id {ID}, name TEXT NOT NULL, phone TEXT NOT NULL, "
            "email TEXT NOT NULL, notes TEXT NOT NULL, consent TEXT, "
            "name_key TEXT NOT NULL, phone_key TEXT NOT NULL)",
            "CREATE INDEX clients_by_name ON clients (name_key)",
            // One row per photo content, however many tries and clients use it.
            "CREATE TABLE photos (id {ID}, sha256 TEXT NOT NULL UNIQUE, bytes {BYTES} NOT NULL)",
            "CREATE TABLE visits (id {ID}, client_id {REF} NOT NULL REFERENCES clients (id), "
            "visited_at TEXT NOT NULL, notes TEXT NOT NULL)",
            "CREATE INDEX visits_by_client ON visits (client_id)",
            // The try's description is JSON; the columns beside it are the pictures it does
            // not carry, and the few values the record window lists without reading it.
            "CREATE TABLE tries (id {ID}, visit_id {REF} NOT NULL REFERENCES visits (id), "
            "position INTEGER NOT NULL, photo_id {REF} NOT NULL REFERENCES photos (id), "
            "library_label TEXT NOT NULL, category TEXT NOT NULL, hair_number INTEGER NOT NULL, "
            "description TEXT NOT NULL, overlay {BYTES}, overlay_format INTEGER NOT NULL, "
            "thumbnail {BYTES}, thumbnail_format INTEGER NOT NULL, "
            "edited_photo {BYTES}, edited_photo_format INTEGER NOT NULL)",
            "CREATE INDEX tries_by_visit ON tries (visit_id)",
            "CREATE INDEX tries_by_photo ON tries (photo_id)",
        },
    };
    return steps;
}

QString dialect(const char* statement, bool postgres) {
    QString sql = QString::fromLatin1(statement);
    // SQLite's AUTOINCREMENT, like a PostgreSQL sequence, never hands out the id of a deleted
    // row again, so a window still holding a deleted client's id cannot reach someone else.
    sql.replace(QLatin1String("{ID}"), postgres
                                           ? QLatin1String("BIGSERIAL PRIMARY KEY")
                                           : QLatin1String("INTEGER PRIMARY KEY AUTOINCREMENT"));
    sql.replace(QLatin1String("{REF}"), QLatin1String("BIGINT"));
    sql.replace(QLatin1String("{BYTES}"),
                postgres ? QLatin1String("BYTEA") : QLatin1String("BLOB"));
    return sql;
}

const QString kReading = QStringLiteral("ler a versão do esquema");
const QString kUpgrading = QStringLiteral("criar ou atualizar o esquema");

void refuseNewer(StoreConnection& c, int version) {
    if (version > ClientStore::kSchemaVersion)
        c.Fail(kReading, QStringLiteral("foi gravado por uma versão mais nova do Velvo Studio "
                                        "(esquema %1; esta versão conhece até o %2) e não será "
                                        "alterado")
                             .arg(version)
                             .arg(ClientStore::kSchemaVersion));
}

} // namespace

int StoredSchemaVersion(StoreConnection& c) {
    const QStringList tables = c.Db().tables(QSql::Tables);
    if (!tables.contains(QStringLiteral("schema_version"), Qt::CaseInsensitive)) {
        // A driver lists nothing for a file that is not a database at all: asking it
        // something gives the driver's own account of the problem.
        c.Value(kReading, QStringLiteral("SELECT count(*) FROM %1")
                              .arg(c.IsPostgres() ? QStringLiteral("pg_class")
                                                  : QStringLiteral("sqlite_master")));
        return 0;
    }
    const QVariant v = c.Value(kReading, QStringLiteral("SELECT max(version) FROM schema_version"));
    return v.isNull() ? 0 : v.toInt();
}

void PrepareSchema(StoreConnection& c) {
    int version = StoredSchemaVersion(c);
    refuseNewer(c, version);
    if (!c.IsPostgres()) {
        // Lets a client's delete give back just the pages it freed: a whole vacuum rewrites the
        // file, minutes for a salon's years of photos, holding every other studio's saves off
        // meanwhile. It takes only on a new file, before anything (even the switch to the
        // log below) writes its first page, and changes nothing otherwise.
        c.Run(kUpgrading, QStringLiteral("PRAGMA auto_vacuum = INCREMENTAL"));
        // Several studios on one file: readers never wait for a writer, and a writer waits for
        // another (busy timeout) instead of failing. Only after the version check, so a newer
        // database is not even switched to it.
        c.Run(kUpgrading, QStringLiteral("PRAGMA journal_mode = WAL"));
    }
    while (version < ClientStore::kSchemaVersion) {
        StoreConnection::Transaction transaction(c, kUpgrading);
        if (c.IsPostgres()) {
            // Two stations opening a new database at once: the second waits here, then finds
            // the schema made.
            c.Run(kUpgrading, QStringLiteral("SELECT pg_advisory_xact_lock(58224110)"));
        }
        version = StoredSchemaVersion(c);
        refuseNewer(c, version);
        if (version >= ClientStore::kSchemaVersion)
            break;
        for (const char* statement : Steps()[size_t(version)])
            c.Run(kUpgrading, dialect(statement, c.IsPostgres()));
        c.Run(kUpgrading, QStringLiteral("DELETE FROM schema_version"));
        c.Run(kUpgrading, QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"),
              {version + 1});
        transaction.Commit();
        ++version;
    }
}

} // namespace velvo::clients

#pragma once
// The databases the records' tests run against: a fresh SQLite file, or a fresh database on a
// PostgreSQL server the tests start themselves in a temporary folder (stopped when the run
// ends), so the same suite proves both.
#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace velvo::clients::testing {

class Backend {
public:
    virtual ~Backend() = default;
    // Empty when this database cannot be had here; `SkipReason` then says why.
    virtual QString NewLocation() = 0;
    virtual QString SkipReason() const { return {}; }
    // A connection of the test's own to `location`, beside the store's.
    virtual QSqlDatabase Raw(const QString& location) = 0;
    virtual bool IsPostgres() const = 0;
    // A trigger that makes the insert of a try at `position` fail with `message`.
    virtual QStringList FailingTrigger(int position, const QString& message) const = 0;
};

std::unique_ptr<Backend> MakeSqliteBackend();
// The one server of the run, started on first use.
std::unique_ptr<Backend> MakePostgresBackend();

} // namespace velvo::clients::testing

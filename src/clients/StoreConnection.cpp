#include "clients/StoreConnection.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

namespace velvo::clients {

namespace {

const QString kScheme = QStringLiteral("postgresql://");
// How long a write waits for another studio's write on the same SQLite file.
constexpr int kBusyTimeoutMs = 10000;

QString uniqueConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("velvo-clients-%1").arg(counter.fetchAndAddRelaxed(1));
}

// The address as a message may show it: a password written into it by mistake stays hidden.
QString shownAddress(const QString& location) {
    QString shown = location;
    shown.replace(QRegularExpression(QStringLiteral("(://[^/@:]*):[^/@]*@")),
                  QStringLiteral("\\1:***@"));
    shown.replace(QRegularExpression(QStringLiteral("(password=)[^&]*")), QStringLiteral("\\1***"));
    return shown;
}

[[noreturn]] void badAddress(const QString& location, const char* problem) {
    throw StoreError(QStringLiteral("%1: %2")
                         .arg(shownAddress(location), QString::fromUtf8(problem))
                         .toStdString());
}

} // namespace

bool ServerAddress::IsServerAddress(const QString& location) {
    return location.startsWith(kScheme, Qt::CaseInsensitive) ||
           location.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

ServerAddress ServerAddress::Parse(const QString& location) {
    if (!IsServerAddress(location))
        badAddress(location, "não é um endereço postgresql://");
    QString rest = location.mid(location.indexOf(QStringLiteral("://")) + 3);
    QString query;
    if (const qsizetype q = rest.indexOf(u'?'); q >= 0) {
        query = rest.mid(q + 1);
        rest.truncate(q);
    }
    ServerAddress a;
    if (const qsizetype at = rest.indexOf(u'@'); at >= 0) {
        const QString user = rest.left(at);
        if (user.contains(u':'))
            badAddress(location, "a senha não vai no endereço: use o ~/.pgpass do servidor");
        a.user = QUrl::fromPercentEncoding(user.toUtf8());
        rest = rest.mid(at + 1);
    }
    // The database follows the last '/', so a socket folder written as a path keeps its own.
    const qsizetype slash = rest.lastIndexOf(u'/');
    if (slash < 0 || slash == rest.size() - 1)
        badAddress(location, "falta o nome do banco de dados depois da última /");
    a.database = QUrl::fromPercentEncoding(rest.mid(slash + 1).toUtf8());
    QString host = rest.left(slash);
    if (const qsizetype colon = host.lastIndexOf(u':'); colon >= 0) {
        bool ok = false;
        a.port = host.mid(colon + 1).toInt(&ok);
        if (!ok || a.port <= 0 || a.port > 65535)
            badAddress(location, "a porta não é um número de 1 a 65535");
        host.truncate(colon);
    }
    a.host = QUrl::fromPercentEncoding(host.toUtf8());
    for (const QString& pair : query.split(u'&', Qt::SkipEmptyParts)) {
        const QString key = pair.section(u'=', 0, 0);
        const QString value = QUrl::fromPercentEncoding(pair.section(u'=', 1).toUtf8());
        if (key == QLatin1String("host"))
            a.host = value;
        else if (key == QLatin1String("password"))
            badAddress(location, "a senha não vai no endereço: use o ~/.pgpass do servidor");
    }
    return a;
}

QString ServerAddress::ToString() const {
    QString s = kScheme;
    if (!user.isEmpty())
        s += user + u'@';
    s += host;
    if (port > 0)
        s += u':' + QString::number(port);
    return s + u'/' + database;
}

StoreConnection::StoreConnection(const QString& location)
    : connectionName_(uniqueConnectionName()), postgres_(ServerAddress::IsServerAddress(location)) {
    const char* driver = postgres_ ? "QPSQL" : "QSQLITE";
    ServerAddress address;
    if (postgres_) {
        address = ServerAddress::Parse(location);
        name_ = address.ToString();
    } else {
        name_ = QDir::toNativeSeparators(location);
    }
    if (!QSqlDatabase::isDriverAvailable(QLatin1String(driver)))
        Fail(QStringLiteral("abrir"),
             QStringLiteral("o driver %1 do Qt não está instalado").arg(QLatin1String(driver)));
    db_ = QSqlDatabase::addDatabase(QLatin1String(driver), connectionName_);
    if (postgres_) {
        db_.setHostName(address.host);
        if (address.port > 0)
            db_.setPort(address.port);
        db_.setUserName(address.user);
        db_.setDatabaseName(address.database);
        db_.setConnectOptions(QStringLiteral("connect_timeout=10;application_name=velvo-studio"));
    } else {
        if (QFileInfo(location).isDir())
            Fail(QStringLiteral("abrir"), QStringLiteral("é uma pasta, não um arquivo"));
        db_.setDatabaseName(location);
        db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    }
    if (!db_.open())
        Fail(QStringLiteral("abrir"), db_.lastError().text());
    if (!postgres_) {
        // Deleted rows are overwritten, not merely unlinked, so a client's removed photos leave
        // nothing readable in the file; the rest keeps the references sound.
        Run(QStringLiteral("abrir"), QStringLiteral("PRAGMA secure_delete = ON"));
        Run(QStringLiteral("abrir"), QStringLiteral("PRAGMA foreign_keys = ON"));
        Run(QStringLiteral("abrir"),
            QStringLiteral("PRAGMA busy_timeout = %1").arg(kBusyTimeoutMs));
    }
}

StoreConnection::~StoreConnection() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName_);
}

void StoreConnection::Fail(const QString& doing, const QString& problem) const {
    throw StoreError(
        QStringLiteral("%1: %2: %3").arg(name_, doing, problem.trimmed()).toStdString());
}

QSqlQuery StoreConnection::Run(const QString& doing, const QString& sql,
                               std::initializer_list<QVariant> values) {
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    // PostgreSQL prepares only queries and changes of rows: transaction control and the
    // schema's statements, which bind nothing, run as they are.
    if (values.size() == 0) {
        if (!query.exec(sql))
            Fail(doing, query.lastError().text());
        return query;
    }
    if (!query.prepare(sql))
        Fail(doing, query.lastError().text());
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        Fail(doing, query.lastError().text());
    return query;
}

std::vector<QSqlRecord> StoreConnection::Rows(const QString& doing, const QString& sql,
                                              std::initializer_list<QVariant> values) {
    QSqlQuery query = Run(doing, sql, values);
    std::vector<QSqlRecord> rows;
    while (query.next())
        rows.push_back(query.record());
    return rows;
}

QVariant StoreConnection::Value(const QString& doing, const QString& sql,
                                std::initializer_list<QVariant> values) {
    QSqlQuery query = Run(doing, sql, values);
    return query.next() ? query.value(0) : QVariant();
}

StoreConnection::Transaction::Transaction(StoreConnection& connection, const QString& doing)
    : c_(connection), doing_(doing) {
    c_.Run(doing_, c_.postgres_ ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
}

StoreConnection::Transaction::~Transaction() {
    if (open_) {
        // Nothing to report from here: the failure that got us here is already on its way.
        QSqlQuery(c_.db_).exec(QStringLiteral("ROLLBACK"));
    }
}

void StoreConnection::Transaction::Commit() {
    c_.Run(doing_, QStringLiteral("COMMIT"));
    open_ = false;
}

QVariant NullText() {
    return QVariant(QMetaType(QMetaType::QString));
}

QVariant Text(const QString& text) {
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QVariant NullBytes() {
    return QVariant(QMetaType(QMetaType::QByteArray));
}

} // namespace velvo::clients

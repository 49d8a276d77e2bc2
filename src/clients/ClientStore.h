#pragma once
// The client records: clients, their visits, the photos (stored once per content) and the tries
// kept for them, in one schema that runs on SQLite (a file in the studio folder) and on a
// salon's PostgreSQL server alike. Every save and delete is one transaction; a failure leaves
// the database as it was and throws StoreError naming the database and the problem.
#include <QDate>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

#include "trial/Trial.h"

namespace velvo::clients {

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Client {
    qint64 id = 0; // 0: not stored yet
    QString name;
    QString phone;
    QString email;
    QString notes;
    QDate consent; // null: the client has not agreed to their photos being kept
};

// What the records window lists of a try, without its photo or overlay.
struct TrySummary {
    qint64 id = 0;
    QString libraryLabel;
    QString category;
    int hairNumber = 0;
    QImage thumbnail;
};

struct Visit {
    qint64 id = 0;
    qint64 clientId = 0;
    QDateTime date;
    QString notes;
    std::vector<TrySummary> tries;
};

class ClientStore {
public:
    static constexpr int kSchemaVersion = 1;

    // The database a studio uses: the [Clientes] Servidor= address of its velvo.ini
    // ("postgresql://user@host:port/database"), or else `studioFolder` + "clientes.db".
    static QString LocationFor(const QString& studioFolder);

    // Opens `location` (a "postgresql://" address or an SQLite file path), creating the schema
    // or upgrading an older one. A database written by a newer version is refused, untouched.
    explicit ClientStore(const QString& location);
    ~ClientStore();
    ClientStore(const ClientStore&) = delete;
    ClientStore& operator=(const ClientStore&) = delete;

    // The database as messages name it (the file, or the server and database without password).
    QString Name() const;

    // Stores a new client (sets its id) or changes a stored one.
    void SaveClient(Client& client);
    Client ClientById(qint64 id) const;
    // Clients whose name or phone contains `text`, ignoring case and accents ("jose" finds
    // "José"); all of them for an empty text. By name; at most `limit` (< 0: all).
    std::vector<Client> FindClients(const QString& text, int limit = -1) const;
    void RecordConsent(qint64 clientId, const QDate& date);

    // The tries go into one new visit of the client, in one transaction; refused (StoreError)
    // for a client without recorded consent. Returns the visit's id.
    qint64 SaveVisit(qint64 clientId, const std::vector<trial::Trial>& tries,
                     const QString& notes = {},
                     const QDateTime& when = QDateTime::currentDateTime());
    // The client's visits, newest first, each with its tries' summaries.
    std::vector<Visit> VisitsOf(qint64 clientId) const;
    // A try or a whole visit as saved: photo bytes, pictures and description (clientName set),
    // each picture in the pixel format it was saved in. `photo` is filled only for a try whose
    // photo was edited (`photoEdited`); otherwise `photoBytes` are the photo, to be decoded as
    // when the file was first opened.
    trial::Trial LoadTry(qint64 tryId) const;
    std::vector<trial::Trial> LoadVisit(qint64 visitId) const;

    // Removes the client with visits, tries and every photo no other client's try uses, and
    // leaves none of those bytes in the database file.
    void DeleteClient(qint64 clientId);
    // Writes into `folder` (created) the client's photos, each try's window picture and a
    // readable summary. Returns the files written.
    QStringList ExportClient(qint64 clientId, const QString& folder) const;

private:
    struct Impl;
    Impl* d_;
};

} // namespace velvo::clients

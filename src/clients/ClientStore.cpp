#include "clients/ClientStore.h"

#include <QSqlQuery>
#include <memory>

#include "clients/ClientStoreImpl.h"
#include "clients/SearchKey.h"
#include "clients/StoreSchema.h"
#include "translation/IniFile.h"

namespace velvo::clients {

namespace {

const QString kClientColumns = QStringLiteral("id, name, phone, email, notes, consent");

Client clientFrom(const QSqlQuery& q) {
    Client c;
    c.id = q.value(0).toLongLong();
    c.name = q.value(1).toString();
    c.phone = q.value(2).toString();
    c.email = q.value(3).toString();
    c.notes = q.value(4).toString();
    c.consent = DateFromText(q.value(5));
    return c;
}

} // namespace

QString ClientStore::LocationFor(const QString& studioFolder) {
    QString folder = studioFolder;
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    const translation::IniFile ini(folder + QStringLiteral("velvo.ini"));
    const QString server =
        ini.readString(QStringLiteral("Clientes"), QStringLiteral("Servidor"), QString());
    return server.isEmpty() ? folder + QStringLiteral("clientes.db") : server;
}

ClientStore::ClientStore(const QString& location) {
    // Built whole before it is ours: a failure to open or to prepare the schema closes the
    // connection again and leaves no Qt connection name behind.
    auto impl = std::make_unique<Impl>(location);
    PrepareSchema(impl->c);
    d_ = impl.release();
}

ClientStore::~ClientStore() {
    delete d_;
}

QString ClientStore::Name() const {
    return d_->c.Name();
}

void ClientStore::SaveClient(Client& client) {
    const QString doing = QStringLiteral("guardar o cliente \"%1\"").arg(client.name);
    // The name is what the record window lists and searches: a client without one could not
    // be found again.
    if (client.name.trimmed().isEmpty())
        d_->c.Fail(doing, QStringLiteral("o nome do cliente está vazio"));
    StoreConnection::Transaction transaction(d_->c, doing);
    const QVariant consent = DateText(client.consent);
    if (client.id == 0) {
        const QVariant id = d_->c.Value(
            doing,
            QStringLiteral("INSERT INTO clients (name, phone, email, notes, consent, name_key, "
                           "phone_key) VALUES (?, ?, ?, ?, ?, ?, ?) RETURNING id"),
            {Text(client.name), Text(client.phone), Text(client.email), Text(client.notes), consent,
             Text(NameKey(client.name)), Text(PhoneKey(client.phone))});
        transaction.Commit();
        client.id = id.toLongLong();
        return;
    }
    QSqlQuery q = d_->c.Run(
        doing,
        QStringLiteral("UPDATE clients SET name = ?, phone = ?, email = ?, notes = ?, consent = ?, "
                       "name_key = ?, phone_key = ? WHERE id = ?"),
        {Text(client.name), Text(client.phone), Text(client.email), Text(client.notes), consent,
         Text(NameKey(client.name)), Text(PhoneKey(client.phone)), client.id});
    if (q.numRowsAffected() != 1)
        d_->c.Fail(doing, QStringLiteral("não há cliente com o número %1").arg(client.id));
    transaction.Commit();
}

Client ClientStore::ClientById(qint64 id) const {
    const QString doing = QStringLiteral("ler o cliente %1").arg(id);
    QSqlQuery q = d_->c.Run(
        doing, QStringLiteral("SELECT %1 FROM clients WHERE id = ?").arg(kClientColumns), {id});
    if (!q.next())
        d_->c.Fail(doing, QStringLiteral("não há cliente com esse número"));
    return clientFrom(q);
}

std::vector<Client> ClientStore::FindClients(const QString& text, int limit) const {
    const QString doing = QStringLiteral("procurar clientes");
    QString sql = QStringLiteral("SELECT %1 FROM clients").arg(kClientColumns);
    const QString name = NameKey(text);
    // A number typed is looked for in the phones as digits, whatever the punctuation on either
    // side, and in the names as typed.
    const bool phone = LooksLikePhone(text);
    if (!name.isEmpty()) {
        sql += QStringLiteral(" WHERE name_key LIKE ? ESCAPE '!'");
        if (phone)
            sql += QStringLiteral(" OR phone_key LIKE ? ESCAPE '!'");
    }
    sql += QStringLiteral(" ORDER BY name_key, id");
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    const QString byName = u'%' + EscapeLike(name) + u'%';
    const QString byPhone = u'%' + EscapeLike(PhoneKey(text)) + u'%';
    QSqlQuery q = name.isEmpty() ? d_->c.Run(doing, sql)
                  : phone        ? d_->c.Run(doing, sql, {byName, byPhone})
                                 : d_->c.Run(doing, sql, {byName});
    std::vector<Client> found;
    while (q.next())
        found.push_back(clientFrom(q));
    return found;
}

void ClientStore::RecordConsent(qint64 clientId, const QDate& date) {
    const QString doing = QStringLiteral("registrar a autorização do cliente %1").arg(clientId);
    if (!date.isValid())
        d_->c.Fail(doing, QStringLiteral("a data não é válida"));
    StoreConnection::Transaction transaction(d_->c, doing);
    QSqlQuery q = d_->c.Run(doing, QStringLiteral("UPDATE clients SET consent = ? WHERE id = ?"),
                            {DateText(date), clientId});
    if (q.numRowsAffected() != 1)
        d_->c.Fail(doing, QStringLiteral("não há cliente com esse número"));
    transaction.Commit();
}

void ClientStore::DeleteClient(qint64 clientId) {
    const QString doing = QStringLiteral("excluir o cliente %1").arg(clientId);
    StoreConnection& c = d_->c;
    {
        StoreConnection::Transaction transaction(c, doing);
        std::vector<qint64> photos;
        {
            QSqlQuery q =
                c.Run(doing,
                      QStringLiteral("SELECT DISTINCT t.photo_id FROM tries t JOIN "
                                     "visits v ON v.id = t.visit_id WHERE v.client_id = ?"),
                      {clientId});
            while (q.next())
                photos.push_back(q.value(0).toLongLong());
        }
        c.Run(doing,
              QStringLiteral("DELETE FROM tries WHERE visit_id IN "
                             "(SELECT id FROM visits WHERE client_id = ?)"),
              {clientId});
        c.Run(doing, QStringLiteral("DELETE FROM visits WHERE client_id = ?"), {clientId});
        if (c.Run(doing, QStringLiteral("DELETE FROM clients WHERE id = ?"), {clientId})
                .numRowsAffected() != 1)
            c.Fail(doing, QStringLiteral("não há cliente com esse número"));
        for (const qint64 photo : photos)
            c.Run(doing,
                  QStringLiteral("DELETE FROM photos WHERE id = ? AND NOT EXISTS "
                                 "(SELECT 1 FROM tries WHERE photo_id = ?)"),
                  {photo, photo});
        transaction.Commit();
    }
    if (c.IsPostgres())
        return;
    // secure_delete has overwritten the freed pages, but in the write-ahead log: the freed
    // pages cut off the end of the file, the log copied back into it and emptied, no older
    // frame and no page of the file holds the photos any more.
    const QString compacting =
        QStringLiteral("o cliente %1 foi excluído, mas o arquivo não pôde ser compactado")
            .arg(clientId);
    {
        // The driver steps this pragma once, which gives back one page: it runs until the free
        // list is empty, in one transaction so the pages cost one write of the log.
        StoreConnection::Transaction transaction(c, compacting);
        const QString freePages = QStringLiteral("PRAGMA freelist_count");
        for (qint64 left = c.Value(compacting, freePages).toLongLong(); left > 0;) {
            c.Run(compacting, QStringLiteral("PRAGMA incremental_vacuum"));
            const qint64 now = c.Value(compacting, freePages).toLongLong();
            if (now >= left)
                break; // a file made without incremental vacuum: its free pages stay zeroed
            left = now;
        }
        transaction.Commit();
    }
    QSqlQuery checkpoint = c.Run(compacting, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    if (checkpoint.next() && checkpoint.value(0).toInt() != 0)
        c.Fail(compacting,
               QStringLiteral("outro estúdio está lendo o banco; exclua de novo mais tarde "
                              "para apagar os restos"));
}

} // namespace velvo::clients

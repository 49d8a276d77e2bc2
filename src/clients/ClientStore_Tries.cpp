#include "clients/ClientStore.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QJsonDocument>
#include <QSqlQuery>
#include <map>

#include "clients/ClientStoreImpl.h"

namespace velvo::clients {

namespace {

// PNG keeps every pixel; the fast compression level, because a retouched 12-megapixel photo
// at the default level would hold a save up for seconds.
constexpr int kPngQuality = 80;

QVariant encodePicture(const QImage& image) {
    if (image.isNull())
        return NullBytes();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG", kPngQuality))
        return QVariant(); // an invalid value: the caller names the picture
    return bytes;
}

// The picture as it was saved, in the pixel format it had, so that what a record gives back
// compares equal byte for byte with what was put in.
QImage decodePicture(StoreConnection& c, const QString& doing, const char* which,
                     const QVariant& bytes, const QVariant& format) {
    if (bytes.isNull())
        return {};
    QImage image;
    if (!image.loadFromData(bytes.toByteArray(), "PNG"))
        c.Fail(doing, QStringLiteral("a imagem \"%1\" está danificada").arg(QLatin1String(which)));
    const auto wanted = QImage::Format(format.toInt());
    if (wanted > QImage::Format_Invalid && wanted < QImage::NImageFormats &&
        image.format() != wanted)
        image = image.convertToFormat(wanted);
    return image;
}

// The tries that `where` selects, in their order, each with its client's name and the photo's
// bytes; the tries of one photo share one copy of them.
std::vector<trial::Trial> loadTries(StoreConnection& c, const QString& doing, const QString& where,
                                    const QVariant& key) {
    const std::vector<QSqlRecord> rows = c.Rows(
        doing,
        QStringLiteral("SELECT t.id, t.description, t.overlay, t.overlay_format, t.thumbnail, "
                       "t.thumbnail_format, t.edited_photo, t.edited_photo_format, t.photo_id, "
                       "c.name FROM tries t JOIN visits v ON v.id = t.visit_id JOIN clients c ON "
                       "c.id = v.client_id WHERE ") +
            where + QStringLiteral(" ORDER BY t.position"),
        {key});
    std::map<qint64, QByteArray> photos;
    std::vector<trial::Trial> tries;
    tries.reserve(rows.size());
    for (const QSqlRecord& r : rows) {
        const QString reading = QStringLiteral("ler a prova %1").arg(r.value(0).toLongLong());
        trial::Trial t;
        QJsonParseError error{};
        const QJsonDocument json = QJsonDocument::fromJson(r.value(1).toByteArray(), &error);
        if (!json.isObject())
            c.Fail(reading, QStringLiteral("a descrição está danificada: ") + error.errorString());
        try {
            trial::ReadDescription(json.object(), t);
        } catch (const std::runtime_error& e) {
            c.Fail(reading, QString::fromStdString(e.what()));
        }
        t.overlay = decodePicture(c, reading, "overlay", r.value(2), r.value(3));
        t.thumbnail = decodePicture(c, reading, "thumbnail", r.value(4), r.value(5));
        if (t.photoEdited)
            t.photo = decodePicture(c, reading, "edited_photo", r.value(6), r.value(7));
        const qint64 photoId = r.value(8).toLongLong();
        auto photo = photos.find(photoId);
        if (photo == photos.end()) {
            const QVariant bytes = c.Value(
                reading, QStringLiteral("SELECT bytes FROM photos WHERE id = ?"), {photoId});
            if (!bytes.isValid())
                c.Fail(reading, QStringLiteral("a foto da prova não está no banco"));
            photo = photos.emplace(photoId, bytes.toByteArray()).first;
        }
        t.photoBytes = photo->second;
        t.clientName = r.value(9).toString();
        tries.push_back(std::move(t));
    }
    return tries;
}

} // namespace

qint64 ClientStore::SaveVisit(qint64 clientId, const std::vector<trial::Trial>& tries,
                              const QString& notes, const QDateTime& when) {
    StoreConnection& c = d_->c;
    const QString doing = QStringLiteral("guardar as provas do cliente %1").arg(clientId);

    // The pictures are made before the transaction, so other studios wait only for the writes.
    struct Pictures {
        QVariant overlay, thumbnail, edited;
        QByteArray description;
    };
    std::vector<Pictures> pictures;
    pictures.reserve(tries.size());
    for (size_t i = 0; i < tries.size(); ++i) {
        const trial::Trial& t = tries[i];
        Pictures p{encodePicture(t.overlay), encodePicture(t.thumbnail),
                   t.photoEdited ? encodePicture(t.photo) : NullBytes(),
                   QJsonDocument(trial::DescriptionOf(t)).toJson(QJsonDocument::Compact)};
        if (!p.overlay.isValid() || !p.thumbnail.isValid() || !p.edited.isValid())
            c.Fail(doing,
                   QStringLiteral("a imagem da prova %1 não pôde ser codificada").arg(i + 1));
        if (t.photoBytes.isEmpty())
            c.Fail(doing, QStringLiteral("a prova %1 não tem a foto").arg(i + 1));
        pictures.push_back(std::move(p));
    }

    StoreConnection::Transaction transaction(c, doing);
    const QVariant consent =
        c.Value(doing, QStringLiteral("SELECT consent FROM clients WHERE id = ?"), {clientId});
    if (!consent.isValid())
        c.Fail(doing, QStringLiteral("não há cliente com esse número"));
    if (consent.isNull())
        c.Fail(doing, QStringLiteral("o cliente não autorizou guardar as fotos"));
    const qint64 visitId =
        c.Value(doing,
                QStringLiteral("INSERT INTO visits (client_id, visited_at, notes) VALUES (?, ?, ?) "
                               "RETURNING id"),
                {clientId, InstantText(when), Text(notes)})
            .toLongLong();

    // The tries of one photo usually carry the same bytes read afresh for each: hashed once.
    std::map<QByteArray, qint64> photoIds;
    for (size_t i = 0; i < tries.size(); ++i) {
        const trial::Trial& t = tries[i];
        qint64& photoId = photoIds[t.photoBytes];
        if (photoId == 0) {
            const QString sha = QString::fromLatin1(
                QCryptographicHash::hash(t.photoBytes, QCryptographicHash::Sha256).toHex());
            const QString find = QStringLiteral("SELECT id FROM photos WHERE sha256 = ?");
            QVariant id = c.Value(doing, find, {sha});
            if (!id.isValid()) {
                // Another station may be storing the same photo this moment: its row, once
                // committed, serves both.
                c.Run(doing,
                      QStringLiteral("INSERT INTO photos (sha256, bytes) VALUES (?, ?) "
                                     "ON CONFLICT (sha256) DO NOTHING"),
                      {sha, t.photoBytes});
                id = c.Value(doing, find, {sha});
            }
            photoId = id.toLongLong();
        }
        const Pictures& p = pictures[i];
        c.Run(doing,
              QStringLiteral("INSERT INTO tries (visit_id, position, photo_id, library_label, "
                             "category, hair_number, description, overlay, overlay_format, "
                             "thumbnail, thumbnail_format, edited_photo, edited_photo_format) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
              {visitId, int(i), photoId, Text(t.libraryLabel), Text(t.category), t.hairNumber,
               QString::fromUtf8(p.description), p.overlay, int(t.overlay.format()), p.thumbnail,
               int(t.thumbnail.format()), p.edited, int(t.photoEdited ? t.photo.format() : 0)});
    }
    transaction.Commit();
    return visitId;
}

std::vector<Visit> ClientStore::VisitsOf(qint64 clientId) const {
    StoreConnection& c = d_->c;
    const QString doing = QStringLiteral("ler as visitas do cliente %1").arg(clientId);
    std::vector<Visit> visits;
    std::map<qint64, size_t> index;
    {
        QSqlQuery q = c.Run(doing,
                            QStringLiteral("SELECT id, visited_at, notes FROM visits WHERE "
                                           "client_id = ? ORDER BY visited_at DESC, id DESC"),
                            {clientId});
        while (q.next()) {
            Visit v;
            v.id = q.value(0).toLongLong();
            v.clientId = clientId;
            v.date = InstantFromText(q.value(1).toString());
            v.notes = q.value(2).toString();
            index[v.id] = visits.size();
            visits.push_back(std::move(v));
        }
    }
    QSqlQuery q = c.Run(doing,
                        QStringLiteral("SELECT t.id, t.visit_id, t.library_label, t.category, "
                                       "t.hair_number, t.thumbnail, t.thumbnail_format FROM tries "
                                       "t JOIN visits v ON v.id = t.visit_id WHERE v.client_id = ? "
                                       "ORDER BY t.visit_id, t.position"),
                        {clientId});
    while (q.next()) {
        const auto at = index.find(q.value(1).toLongLong());
        if (at == index.end())
            continue; // a visit added between the two reads
        TrySummary s;
        s.id = q.value(0).toLongLong();
        s.libraryLabel = q.value(2).toString();
        s.category = q.value(3).toString();
        s.hairNumber = q.value(4).toInt();
        s.thumbnail = decodePicture(c, QStringLiteral("ler a prova %1").arg(s.id), "thumbnail",
                                    q.value(5), q.value(6));
        visits[at->second].tries.push_back(std::move(s));
    }
    return visits;
}

trial::Trial ClientStore::LoadTry(qint64 tryId) const {
    const QString doing = QStringLiteral("ler a prova %1").arg(tryId);
    std::vector<trial::Trial> found = loadTries(d_->c, doing, QStringLiteral("t.id = ?"), tryId);
    if (found.empty())
        d_->c.Fail(doing, QStringLiteral("não há prova com esse número"));
    return std::move(found.front());
}

std::vector<trial::Trial> ClientStore::LoadVisit(qint64 visitId) const {
    StoreConnection& c = d_->c;
    const QString doing = QStringLiteral("ler a visita %1").arg(visitId);
    if (!c.Value(doing, QStringLiteral("SELECT id FROM visits WHERE id = ?"), {visitId}).isValid())
        c.Fail(doing, QStringLiteral("não há visita com esse número"));
    return loadTries(c, doing, QStringLiteral("t.visit_id = ?"), visitId);
}

} // namespace velvo::clients

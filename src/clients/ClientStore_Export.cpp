#include "clients/ClientStore.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSaveFile>
#include <QSqlQuery>
#include <map>

#include "clients/ClientStoreImpl.h"

namespace velvo::clients {

namespace {

// Written under a temporary name and renamed, so an export cut short by a full disk never
// leaves a truncated picture that looks whole.
void writeFile(const QString& path, const QByteArray& bytes, QStringList& written) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw StoreError(QStringLiteral("%1: %2")
                             .arg(QDir::toNativeSeparators(path), file.errorString())
                             .toStdString());
    written << path;
}

QString photoSuffix(const QString& originalFile) {
    const QString suffix = QFileInfo(originalFile).suffix().toLower();
    // A pasted or scanned photo has no file of its own: its bytes are a PNG.
    return suffix.isEmpty() ? QStringLiteral("png") : suffix;
}

QString shownDate(const QDate& date) {
    return date.isValid() ? QLocale(QLocale::Portuguese, QLocale::Brazil)
                                .toString(date, QStringLiteral("dd/MM/yyyy"))
                          : QStringLiteral("não registrada");
}

} // namespace

QStringList ClientStore::ExportClient(qint64 clientId, const QString& folder) const {
    StoreConnection& c = d_->c;
    const QString doing = QStringLiteral("exportar os dados do cliente %1").arg(clientId);
    const Client client = ClientById(clientId);
    if (!QDir().mkpath(folder))
        throw StoreError(QStringLiteral("%1: a pasta não pôde ser criada")
                             .arg(QDir::toNativeSeparators(folder))
                             .toStdString());
    const QDir out(folder);
    QStringList written;

    QString summary;
    summary += QStringLiteral("Dados do cliente guardados pelo Velvo Studio\n");
    summary += QStringLiteral("Banco de dados: %1\n\n").arg(Name());
    summary += QStringLiteral("Nome: %1\nTelefone: %2\nE-mail: %3\nObservações: %4\n")
                   .arg(client.name, client.phone, client.email, client.notes);
    summary +=
        QStringLiteral("Autorização para guardar as fotos: %1\n").arg(shownDate(client.consent));

    std::map<qint64, QString> photoNames;
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    int visitNumber = 0;
    for (const QSqlRecord& visit :
         c.Rows(doing,
                QStringLiteral("SELECT id, visited_at, notes FROM visits WHERE client_id = ? "
                               "ORDER BY visited_at, id"),
                {clientId})) {
        ++visitNumber;
        const QDateTime when = InstantFromText(visit.value(1).toString());
        summary += QStringLiteral("\nVisita %1, %2\n")
                       .arg(QString::number(visitNumber),
                            brazil.toString(when, QStringLiteral("dd/MM/yyyy HH:mm")));
        if (!visit.value(2).toString().isEmpty())
            summary += QStringLiteral("  Observações: ") + visit.value(2).toString() + u'\n';
        for (const QSqlRecord& t :
             c.Rows(doing,
                    QStringLiteral("SELECT position, photo_id, description, thumbnail, "
                                   "edited_photo FROM tries WHERE visit_id = ? ORDER BY position"),
                    {visit.value(0)})) {
            const QString number = QString::number(t.value(0).toInt() + 1);
            const qint64 photoId = t.value(1).toLongLong();
            const QJsonObject description =
                QJsonDocument::fromJson(t.value(2).toByteArray()).object();
            const QString original = description.value("photoFile").toString();
            QString& photoName = photoNames[photoId];
            if (photoName.isEmpty()) {
                photoName = QStringLiteral("foto-%1.%2")
                                .arg(QString::number(photoNames.size()), photoSuffix(original));
                writeFile(out.filePath(photoName),
                          c.Value(doing, QStringLiteral("SELECT bytes FROM photos WHERE id = ?"),
                                  {photoId})
                              .toByteArray(),
                          written);
            }
            const QString stem =
                QStringLiteral("visita-%1-prova-%2").arg(QString::number(visitNumber), number);
            // One arg() call: a label or file name holding "%2" is then text, not a place.
            summary +=
                QStringLiteral("  Prova %1: biblioteca %2, categoria %3, penteado %4; foto %5")
                    .arg(number, description.value("libraryLabel").toString(),
                         description.value("category").toString(),
                         QString::number(description.value("hairNumber").toInt()), photoName);
            if (!original.isEmpty())
                summary += QStringLiteral(" (arquivo original ") + original + u')';
            if (!t.value(3).isNull()) {
                writeFile(out.filePath(stem + QStringLiteral(".png")), t.value(3).toByteArray(),
                          written);
                summary += QStringLiteral("; imagem ") + stem + QStringLiteral(".png");
            }
            if (!t.value(4).isNull()) {
                writeFile(out.filePath(stem + QStringLiteral("-foto-editada.png")),
                          t.value(4).toByteArray(), written);
                summary +=
                    QStringLiteral("; foto retocada ") + stem + QStringLiteral("-foto-editada.png");
            }
            summary += u'\n';
        }
    }
    if (visitNumber == 0)
        summary += QStringLiteral("\nNenhuma visita guardada.\n");
    writeFile(out.filePath(QStringLiteral("resumo.txt")), summary.toUtf8(), written);
    return written;
}

} // namespace velvo::clients

// The records window's visits and tries: listing, reopening, printing, saving the open tries,
// and the client's removal and export.
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>

#include "app/TF_CLIENTES.h"
#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
#include "platform/Cursors.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"

namespace velvo::app {
namespace {

QIcon thumbnailIcon(const QImage& picture, QSize size) {
    const QPixmap pixmap =
        QPixmap::fromImage(picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    QIcon icon(pixmap);
    // A chosen try is judged by its colours: the style must not tint it with the highlight.
    icon.addPixmap(pixmap, QIcon::Selected);
    return icon;
}

// A folder name made of the client's name: no separators, nothing a file system refuses.
QString folderNameFor(const QString& name) {
    static const QRegularExpression unsafe(QStringLiteral(R"([/\\:*?"<>|\x00-\x1f]+)"));
    QString folder = QString(name).replace(unsafe, QStringLiteral(" ")).simplified();
    while (folder.startsWith(QLatin1Char('.')))
        folder.remove(0, 1);
    return folder.isEmpty() ? QStringLiteral("Cliente") : folder;
}

} // namespace

void TF_CLIENTES::showVisits(qint64 selectVisit) {
    visits_.clear();
    const QSignalBlocker quietVisits(lvVisitas);
    lvVisitas->clear();
    lvProvas->clear();
    if (client_.id != 0) {
        clients::ClientStore* store = main_->Clients();
        if (!store)
            return;
        try {
            visits_ = store->VisitsOf(client_.id);
        } catch (const clients::StoreError& error) {
            main_->ReportStoreError(error);
        }
    }
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    for (const clients::Visit& visit : visits_) {
        QString line = QStringLiteral("%1   (%2)")
                           .arg(brazil.toString(visit.date, QLocale::ShortFormat))
                           .arg(visit.tries.size());
        if (!visit.notes.isEmpty())
            line += QStringLiteral("   ") + visit.notes;
        auto* item = new QListWidgetItem(line, lvVisitas);
        item->setData(Qt::UserRole, visit.id);
        if (visit.id == selectVisit || (selectVisit == 0 && lvVisitas->count() == 1))
            lvVisitas->setCurrentItem(item);
    }
    lvVisitasClick();
}

const clients::Visit* TF_CLIENTES::chosenVisit() const {
    const int row = lvVisitas->currentRow();
    return row >= 0 && row < int(visits_.size()) ? &visits_[size_t(row)] : nullptr;
}

qint64 TF_CLIENTES::chosenTry() const {
    const QListWidgetItem* item = lvProvas->currentItem();
    return item ? item->data(Qt::UserRole).toLongLong() : 0;
}

void TF_CLIENTES::lvVisitasClick() {
    lvProvas->clear();
    const clients::Visit* visit = chosenVisit();
    for (QPushButton* b : {BT_AbrirProva, BT_AbrirVisita, BT_ImprimirVisita})
        b->setEnabled(visit && !visit->tries.empty());
    if (!visit)
        return;
    for (const clients::TrySummary& t : visit->tries) {
        // As a document's caption names it.
        const int category = t.category.toInt();
        const QString label =
            category >= 0 && category < main_->CB_TIPO->count()
                ? QStringLiteral("%1 - %2").arg(t.hairNumber).arg(main_->CB_TIPO->itemText(category))
                : QString::number(t.hairNumber);
        auto* item =
            new QListWidgetItem(thumbnailIcon(t.thumbnail, lvProvas->iconSize()), label, lvProvas);
        item->setToolTip(t.libraryLabel);
        item->setData(Qt::UserRole, t.id);
    }
    lvProvas->setCurrentRow(0);
}

void TF_CLIENTES::BT_AbrirProvaClick() {
    const qint64 id = chosenTry();
    clients::ClientStore* store = main_->Clients();
    if (id == 0 || !store)
        return;
    trial::Trial kept;
    {
        platform::BusyCursor busy;
        try {
            kept = store->LoadTry(id);
        } catch (const clients::StoreError& error) {
            main_->ReportStoreError(error);
            return;
        }
    }
    main_->OpenTrial(kept);
    // The stylist came for the documents; the records stay as they are for Ctrl+K.
    hide();
}

void TF_CLIENTES::BT_AbrirVisitaClick() {
    const clients::Visit* visit = chosenVisit();
    clients::ClientStore* store = main_->Clients();
    if (!visit || !store)
        return;
    std::vector<trial::Trial> kept;
    platform::BusyCursor busy;
    try {
        kept = store->LoadVisit(visit->id);
    } catch (const clients::StoreError& error) {
        main_->ReportStoreError(error);
        return;
    }
    main_->OpenTrials(kept);
    hide();
}

void TF_CLIENTES::BT_ImprimirVisitaClick() {
    const clients::Visit* visit = chosenVisit();
    clients::ClientStore* store = main_->Clients();
    if (!visit || !store)
        return;
    QList<QImage> pictures;
    {
        platform::BusyCursor busy;
        try {
            // The kept window pictures, which are what the documents showed.
            for (const trial::Trial& t : store->LoadVisit(visit->id))
                pictures.append(t.thumbnail);
        } catch (const clients::StoreError& error) {
            main_->ReportStoreError(error);
            return;
        }
    }
    main_->ShowPreviewPictures(pictures.mid(0, 8));
}

void TF_CLIENTES::BT_ExcluirClick() {
    clients::ClientStore* store = main_->Clients();
    if (client_.id == 0 || !store)
        return;
    if (say(QStringLiteral("Excluir %1 com todas as visitas, provas e fotos? Não será possível "
                           "desfazer."),
            client_.name, platform::mbYes | platform::mbNo | platform::mbDefaultNo) !=
            platform::mbYes)
        return;
    try {
        platform::BusyCursor busy;
        store->DeleteClient(client_.id);
    } catch (const clients::StoreError& error) {
        main_->ReportStoreError(error);
        return;
    }
    showClient({});
    edBuscaChange();
}

void TF_CLIENTES::BT_ExportarClick() {
    clients::ClientStore* store = main_->Clients();
    if (client_.id == 0 || !store)
        return;
    platform::FileDialogRequest request;
    request.title = text(QStringLiteral("Exportar Dados do Cliente"));
    request.initialDir = QDir::homePath();
    const platform::FileDialogAnswer answer = platform::Dialogs::instance().chooseFolder(request);
    if (!answer.accepted)
        return;
    // A folder of its own inside the one chosen, never files strewn over it or over an
    // earlier export.
    const QString base = QDir(answer.fileName).filePath(folderNameFor(client_.name));
    QString folder = base;
    for (int n = 2; QFileInfo::exists(folder); ++n)
        folder = base + QStringLiteral(" %1").arg(n);
    try {
        platform::BusyCursor busy;
        store->ExportClient(client_.id, folder);
    } catch (const clients::StoreError& error) {
        main_->ReportStoreError(error);
        return;
    }
    say(QStringLiteral("Dados do cliente exportados para %1"), folder);
}

void TF_CLIENTES::ShowForSaving(const QList<document::TF_FILHO*>& tries) {
    offered_.clear();
    lvGuardar->clear();
    bool anyHair = false;
    for (const document::TF_FILHO* doc : tries)
        anyHair = anyHair || !doc->Image2->isHidden();
    for (document::TF_FILHO* doc : tries) {
        offered_.append(doc);
        auto* item = new QListWidgetItem(thumbnailIcon(doc->CompositeImage(), lvGuardar->iconSize()),
                                         doc->Caption(), lvGuardar);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        // A photo without a hairstyle is rarely what the client came for.
        item->setCheckState(!anyHair || !doc->Image2->isHidden() ? Qt::Checked : Qt::Unchecked);
    }
    edNotasVisita->clear();
    gbGuardar->show();
    edBuscaChange();
    showOverMain();
    edBusca->setFocus();
}

QList<document::TF_FILHO*> TF_CLIENTES::TickedTries() const {
    QList<document::TF_FILHO*> ticked;
    for (int row = 0; row < lvGuardar->count() && row < offered_.size(); ++row)
        if (lvGuardar->item(row)->checkState() == Qt::Checked && offered_[row])
            ticked.append(offered_[row].data());
    return ticked;
}

void TF_CLIENTES::BT_GuardarClick() {
    if (client_.id == 0) {
        say(QStringLiteral("Escolha o cliente na lista, ou grave um cliente novo."));
        return;
    }
    const QList<document::TF_FILHO*> ticked = TickedTries();
    if (ticked.isEmpty()) {
        say(QStringLiteral("Marque as provas a guardar."));
        return;
    }
    if (!main_->SaveTries(client_.id, ticked, edNotasVisita->text().trimmed()))
        return;
    offered_.clear();
    lvGuardar->clear();
    gbGuardar->hide();
    // The consent may have been recorded on the way, and the new visit comes first.
    if (clients::ClientStore* store = main_->Clients()) {
        try {
            client_ = store->ClientById(client_.id);
        } catch (const clients::StoreError& error) {
            main_->ReportStoreError(error);
        }
    }
    showClient(client_);
}

} // namespace velvo::app

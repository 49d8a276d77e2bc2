// The client records as the main window uses them: the store opened on first use, saving the
// open tries into a client's visit, and rebuilding documents from kept tries.
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <span>

#include "app/TF_CLIENTES.h"
#include "app/TF_HAIR.h"
#include "clients/ClientStore.h"
#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
#include "imaging/TPictureView.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"
#include "platform/Cursors.h"
#include "pixel/TPixelDisplay.h"
#include "print/TF_PREVIEW.h"
#include "print/TF_PREVIEW2.h"
#include "translation/TLanguage.h"
#include "ui/TImageAspect.h"

namespace velvo::app {
namespace {

QString lowerSuffixOf(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const imaging::ImageFormat format =
        imaging::detectFormat(std::span<const uint8_t>(data, size_t(bytes.size())));
    if (format == imaging::ImageFormat::None)
        return {};
    return QString::fromLatin1(imaging::formatName(format)).toLower();
}

// A message with its argument put in after the lookup, so the text stays one key.
QString message(const TF_HAIR& main, const QString& key, const QString& arg) {
    return (main.L1 ? main.L1->TranslateMsg(key) : key).arg(arg);
}

bool fileHolds(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    return f.size() == bytes.size() && f.open(QIODevice::ReadOnly) && f.readAll() == bytes;
}

} // namespace

clients::ClientStore* TF_HAIR::Clients() {
    if (clients_)
        return clients_.get();
    const QString location = clients::ClientStore::LocationFor(ProgramFolder);
    try {
        platform::BusyCursor busy;
        clients_ = std::make_shared<clients::ClientStore>(location);
    } catch (const std::exception& error) {
        QString text = QString::fromStdString(error.what());
        if (!text.contains(location))
            text = location + QStringLiteral(": ") + text;
        ShowMessage(QStringLiteral("VELVO"),
                    message(*this, QStringLiteral("Não foi possível abrir as fichas dos clientes: %1"),
                            text),
                    platform::MessageIcon::Warning);
        return nullptr;
    }
    return clients_.get();
}

void TF_HAIR::SetClients(std::shared_ptr<clients::ClientStore> store) {
    clients_ = std::move(store);
}

void TF_HAIR::ReportStoreError(const std::exception& error) {
    QString text = QString::fromStdString(error.what());
    // The store names its database in what it throws; a fault from below it may not.
    if (clients_ && !text.contains(clients_->Name()))
        text = clients_->Name() + QStringLiteral(": ") + text;
    ShowMessage(QStringLiteral("VELVO"),
                message(*this, QStringLiteral("Não foi possível gravar nas fichas dos clientes: %1"),
                        text),
                platform::MessageIcon::Warning);
}

QList<document::TF_FILHO*> TF_HAIR::TriesOfActivePhoto() const {
    QList<document::TF_FILHO*> result;
    const document::TF_FILHO* active = ActiveDocument();
    if (!active)
        return result;
    for (document::TF_FILHO* doc : Documents())
        if (doc->lblFilename->text() == active->lblFilename->text())
            result.append(doc);
    return result;
}

bool TF_HAIR::SaveTries(qint64 clientId, const QList<document::TF_FILHO*>& documents,
                        const QString& notes) {
    clients::ClientStore* store = Clients();
    if (!store || documents.isEmpty())
        return false;
    clients::Client client;
    try {
        client = store->ClientById(clientId);
        if (client.consent.isNull()) {
            if (ShowMessage(QStringLiteral("VELVO"),
                            QStringLiteral("O cliente autorizou guardar as fotos?"),
                            platform::MessageIcon::Question,
                            // Consent is the client's act: Enter alone does not give it.
                            platform::mbYes | platform::mbNo | platform::mbDefaultNo) !=
                platform::mbYes)
                return false;
            store->RecordConsent(clientId, QDate::currentDate());
        }
        platform::BusyCursor busy;
        hideColourPanel();
        std::vector<trial::Trial> tries;
        for (document::TF_FILHO* doc : documents) {
            // A stretch still in the grip is what the window shows: kept as shown, as the
            // print preview takes it.
            FinishResize(*doc);
            tries.push_back(doc->Describe());
            tries.back().clientName = client.name;
        }
        store->SaveVisit(clientId, tries, notes);
    } catch (const clients::StoreError& error) {
        ReportStoreError(error);
        return false;
    }
    for (document::TF_FILHO* doc : documents)
        doc->ClientName = client.name;
    ShowStatus(QStringLiteral("Provas guardadas na ficha de %1."), client.name);
    return true;
}

QList<document::TF_FILHO*> TF_HAIR::OpenTrials(const std::vector<trial::Trial>& trials) {
    struct Photo {
        QString file;
        QImage picture;
    };
    // The tries of one visit mostly share a photo: it is written and decoded once.
    QHash<QByteArray, Photo> photos;
    QList<document::TF_FILHO*> made;
    struct Restore {
        TF_HAIR& main;
        ~Restore() {
            main.TrialMode = false;
            main.PendingTrial = nullptr;
            main.PendingPhoto = QImage();
        }
    } restore{*this};

    for (const trial::Trial& t : trials) {
        const QByteArray hash = QCryptographicHash::hash(t.photoBytes, QCryptographicHash::Sha1);
        Photo& photo = photos[hash];
        if (photo.file.isEmpty()) {
            if (!t.photoFile.isEmpty() && QFileInfo(t.photoFile).isFile() &&
                fileHolds(t.photoFile, t.photoBytes)) {
                photo.file = t.photoFile;
            } else {
                // The file has gone or changed since: the kept bytes become a photo of the
                // studio's own, under the extension their content names.
                const QString suffix = lowerSuffixOf(t.photoBytes);
                if (suffix.isEmpty())
                    throw velvo::Error(t.photoFile.toStdString(),
                                       "the kept photo's bytes are not a picture");
                ++CaptureCount;
                photo.file = ProgramFolder + t.libraryLabel + QStringLiteral("/Temp") +
                             QString::number(CaptureCount) + QLatin1Char('.') + suffix;
                const auto* data = reinterpret_cast<const uint8_t*>(t.photoBytes.constData());
                imaging::writeFileAtomic(photo.file.toStdString(),
                                         std::span<const uint8_t>(data, size_t(t.photoBytes.size())));
            }
        }
        PendingPhotoFile = photo.file;
        PendingPhoto = photo.picture;
        PendingTrial = &t;
        TrialMode = true;
        document::TF_FILHO* doc = NewDocument();
        TrialMode = false;
        PendingTrial = nullptr;
        if (photo.picture.isNull() && !t.photoEdited)
            photo.picture = doc->Image1->Image();
        // Fitting the frame around the client area may have moved the view on the way.
        doc->Image1->SetZoom(t.zoom);
        doc->Image1->SetViewY(t.viewY);
        doc->Image1->SetViewX(t.viewX);
        made.append(doc);
    }
    return made;
}

document::TF_FILHO* TF_HAIR::OpenTrial(const trial::Trial& trial) {
    const QList<document::TF_FILHO*> made = OpenTrials({trial});
    return made.isEmpty() ? nullptr : made.front();
}

void TF_HAIR::ShowPreviewPictures(const QList<QImage>& pictures) {
    hideColourPanel();
    for (int n = 1; n <= 8; ++n) {
        const QImage picture = n <= pictures.size() ? pictures[n - 1] : QImage();
        if (print::F_PREVIEW)
            if (TImageAspect* cell = print::F_PREVIEW->Cell(n))
                cell->SetBitmap(picture);
        if (print::F_PREVIEW2) {
            if (!picture.isNull())
                print::F_PREVIEW2->ShowInCell(n, picture);
            else if (pixel::TPixelDisplay* cell = print::F_PREVIEW2->Cell(n))
                cell->AssignBitmap(nullptr);
        }
    }
    if (print::F_PREVIEW2) {
        print::F_PREVIEW2->show();
        print::F_PREVIEW2->raise();
        print::F_PREVIEW2->activateWindow();
    }
}

void TF_HAIR::Fichas1Click() {
    if (!Clients())
        return;
    auto* window =
        findChild<TF_CLIENTES*>(QStringLiteral("F_CLIENTES"), Qt::FindDirectChildrenOnly);
    if (!window)
        window = new TF_CLIENTES(this);
    window->ShowRecords();
}

void TF_HAIR::GuardarProvas1Click() {
    if (!ActiveDocument()) {
        ShowMessage(platform::applicationTitle(),
                    QStringLiteral("É preciso abrir uma foto primeiro!"),
                    platform::MessageIcon::None);
        return;
    }
    if (!Clients())
        return;
    auto* window =
        findChild<TF_CLIENTES*>(QStringLiteral("F_CLIENTES"), Qt::FindDirectChildrenOnly);
    if (!window)
        window = new TF_CLIENTES(this);
    window->ShowForSaving(TriesOfActivePhoto());
}

} // namespace velvo::app

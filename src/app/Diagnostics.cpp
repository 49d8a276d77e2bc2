#include "app/Diagnostics.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QPrinterInfo>

#include "fit/CascadeFinder.h"
#include "fit/FaceFinder.h"
#include "platform/Scanner.h"

namespace velvo::app {

namespace {

QString path(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

QString joined(const std::vector<std::filesystem::path>& files) {
    QStringList list;
    for (const auto& f : files)
        list << path(f);
    return list.join(QStringLiteral(", "));
}

Capability on(const QString& name, const QString& details, bool promised) {
    return {name, true, {}, details, promised};
}

Capability off(const QString& name, const QString& reason, const QString& details, bool promised) {
    return {name, false, reason, details, promised};
}

// Qt's translation file for `language` ("pt_BR"), or for its language alone ("es" for
// "es_ES"), as Qt itself would fall back; empty when neither is there.
QString qtTranslationFile(const QString& folder, const QString& language) {
    for (const QString& name : {language, language.section(u'_', 0, 0)}) {
        const QString file = QDir(folder).filePath(QStringLiteral("qtbase_%1.qm").arg(name));
        if (!name.isEmpty() && QFileInfo(file).isFile())
            return file;
    }
    return {};
}

} // namespace

const QString Diagnostics::kInterfaceLanguage = QStringLiteral("pt_BR");

DiagnosticSources DiagnosticSources::machine() {
    DiagnosticSources s;
    s.decoders = imaging::decoderSupport;
    s.fontFamilies = [] { return QFontDatabase::families(); };
    s.faces = [](const QString& folder) { return fit::faceFinderStatus(folder.toStdString()); };
    s.scanner = &platform::Scanner::instance();
    s.printerQueues = [] { return QPrinterInfo::availablePrinterNames(); };
    s.writable = StudioFolder::canWrite;
    s.qtTranslations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    s.systemLanguage = QLocale::system().name();
    return s;
}

Diagnostics::Diagnostics(const QString& programFolder, DiagnosticSources sources)
    : folder_(programFolder), sources_(std::move(sources)) {}

QList<Capability> Diagnostics::capabilities() const {
    const imaging::DecoderSupport decoders = sources_.decoders();
    return {heic(decoders), avif(decoders), webp(decoders),  metafiles(),    faceFinder(),
            scanner(),      printing(),     clientRecords(), translations(), studioFolder()};
}

Capability Diagnostics::heic(const imaging::DecoderSupport& d) const {
    const QString name = QStringLiteral("Fotos HEIC");
    const QString lib = QStringLiteral("libheif %1").arg(QString::fromStdString(d.heifVersion));
    if (d.heic)
        return on(name, lib, true);
    return off(name, QStringLiteral("o libheif não achou decodificador HEVC (pacote libde265-0)"),
               lib, true);
}

Capability Diagnostics::avif(const imaging::DecoderSupport& d) const {
    const QString name = QStringLiteral("Fotos AVIF");
    const QString lib = QStringLiteral("libheif %1").arg(QString::fromStdString(d.heifVersion));
    if (d.avif)
        return on(name, lib, true);
    return off(
        name, QStringLiteral("o libheif não achou decodificador AV1 (pacote libdav1d6 ou libaom3)"),
        lib, true);
}

Capability Diagnostics::webp(const imaging::DecoderSupport& d) const {
    return on(QStringLiteral("Fotos WebP"),
              QStringLiteral("libwebp %1").arg(QString::fromStdString(d.webpVersion)), true);
}

Capability Diagnostics::metafiles() const {
    const QString name = QStringLiteral("Metafiles (WMF, EMF)");
    const QStringList families = sources_.fontFamilies();
    // The records are drawn by our own code; only their text needs something from the machine.
    if (families.isEmpty())
        return off(name,
                   QStringLiteral("nenhuma fonte instalada: os textos não podem ser desenhados"),
                   {}, true);
    return on(name, QStringLiteral("famílias de fontes: %1").arg(families.size()), true);
}

Capability Diagnostics::faceFinder() const {
    const QString name = QStringLiteral("Localizador de rostos");
    const fit::FaceFinderStatus s = sources_.faces(folder_);
    QStringList details;
    details << (s.models.empty() ? QStringLiteral("nenhum modelo em %1").arg(path(s.modelFolder))
                                 : QStringLiteral("modelos: %1").arg(joined(s.models)));
    if (!s.cascades.empty())
        details << QStringLiteral("cascatas: %1").arg(joined(s.cascades));
    if (s.usable())
        return on(name, details.join(QStringLiteral("; ")), true);
    return off(name,
               QStringLiteral("nem modelos nem a cascata %1 foram encontrados (pacote opencv-data)")
                   .arg(QString::fromLatin1(fit::CascadeFinder::kDefaultFaceCascade)),
               QStringLiteral("nenhum modelo em %1; cascatas procuradas em %2")
                   .arg(path(s.modelFolder), joined(s.cascadeFolders)),
               true);
}

Capability Diagnostics::scanner() const {
    const QString name = QStringLiteral("Scanner (SANE)");
    QStringList devices;
    for (const platform::Scanner::Device& d : sources_.scanner->devices())
        devices << QStringLiteral("%1 (%2)").arg(d.name, d.description);
    // Without devices, lastError() is what tells a missing SANE from a scanner not plugged in.
    const QString error = sources_.scanner->lastError();
    if (devices.isEmpty() && !error.isEmpty())
        return off(name, error, {}, false);
    if (devices.isEmpty())
        return on(name, QStringLiteral("SANE encontrado; nenhum aparelho conectado"), false);
    return on(name, QStringLiteral("aparelhos: %1").arg(devices.join(QStringLiteral(", "))), false);
}

Capability Diagnostics::printing() const {
    const QString name = QStringLiteral("Impressão");
    const QStringList queues = sources_.printerQueues();
    if (queues.isEmpty())
        return off(name,
                   QStringLiteral("nenhuma fila de impressão (CUPS): imprime só em arquivo PDF"),
                   {}, false);
    return on(name, QStringLiteral("filas: %1").arg(queues.join(QStringLiteral(", "))), false);
}

Capability Diagnostics::clientRecords() const {
    return off(QStringLiteral("Fichas de clientes"), QStringLiteral("não existe nesta versão"), {},
               false);
}

Capability Diagnostics::translations() const {
    const QString name = QStringLiteral("Traduções");
    const QString languageFile = folder_ + QStringLiteral("language.lng");
    if (QFileInfo(languageFile).isFile()) {
        // The salon's own translation says nothing of its language; the desktop's is the guess
        // Qt's dialogs are matched against.
        const QString qm = qtTranslationFile(sources_.qtTranslations, sources_.systemLanguage);
        return on(name,
                  QStringLiteral("interface: %1; diálogos padrão: %2")
                      .arg(languageFile,
                           qm.isEmpty() ? QStringLiteral("inglês (textos do próprio Qt)") : qm),
                  true);
    }
    const QString qm = qtTranslationFile(sources_.qtTranslations, kInterfaceLanguage);
    if (qm.isEmpty())
        return off(
            name,
            QStringLiteral("não há qtbase_%1.qm em %2 (pacote qt6-translations-l10n): os diálogos "
                           "padrão aparecem em inglês")
                .arg(kInterfaceLanguage, sources_.qtTranslations),
            QStringLiteral("interface: %1").arg(kInterfaceLanguage), true);
    return on(name,
              QStringLiteral("interface: %1; diálogos padrão: %2").arg(kInterfaceLanguage, qm),
              true);
}

Capability Diagnostics::studioFolder() const {
    const QString name = QStringLiteral("Pasta do estúdio");
    if (!sources_.writable(folder_))
        return off(name, QStringLiteral("não é possível gravar nela"), folder_, true);
    return on(name, folder_, true);
}

QString Diagnostics::report(const QList<Capability>& rows) {
    QString text;
    for (const Capability& c : rows) {
        text += c.name + QStringLiteral(": ") +
                (c.on ? QStringLiteral("ligado") : QStringLiteral("DESLIGADO"));
        if (!c.on)
            text += QStringLiteral(" - ") + c.reason;
        if (!c.details.isEmpty())
            text += (c.on ? QStringLiteral(" - ") : QStringLiteral(" [")) + c.details +
                    (c.on ? QString() : QStringLiteral("]"));
        text += u'\n';
    }
    return text;
}

QStringList Diagnostics::broken(const QList<Capability>& rows) {
    QStringList names;
    for (const Capability& c : rows)
        if (c.promised && !c.on)
            names << c.name;
    return names;
}

} // namespace velvo::app

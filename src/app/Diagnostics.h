#pragma once
// What the studio can do on this machine, and why not where it cannot: the facts behind
// "Dia&gnóstico" and `velvo --diagnostico`. No windows here, so the facts can be checked with
// every device replaced by a double.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "app/StudioFolder.h"
#include "fit/FaceFinderStatus.h"
#include "imaging/codecs/Codecs.h"

namespace velvo::platform {
class Scanner;
}

namespace velvo::app {

struct Capability {
    QString name;
    bool on = false;
    QString reason;  // why it is off; empty when on
    QString details; // what was found, and where
    // The package declares everything this needs, so off means a broken install.
    bool promised = false;
};

// Where each fact comes from. machine() reads this computer; tests replace single entries.
struct DiagnosticSources {
    std::function<imaging::DecoderSupport()> decoders;
    std::function<QStringList()> fontFamilies;
    std::function<fit::FaceFinderStatus(const QString& programFolder)> faces;
    // Not owned; its devices() and lastError() tell whether SANE was found.
    platform::Scanner* scanner = nullptr;
    std::function<QStringList()> printerQueues;
    StudioFolder::WritableProbe writable;
    // Qt's own translations (qtbase_<language>.qm), and the language the desktop asks for.
    QString qtTranslations;
    QString systemLanguage;

    // Needs an application object (fonts, printers).
    static DiagnosticSources machine();
};

class Diagnostics {
public:
    // The interface is Portuguese unless a language.lng sits in `programFolder`.
    static const QString kInterfaceLanguage;

    Diagnostics(const QString& programFolder, DiagnosticSources sources);

    // One row per capability, always in the same order.
    QList<Capability> capabilities() const;

    // The rows as text for support, one capability a line.
    static QString report(const QList<Capability>& rows);
    // The names of the promised capabilities that are off.
    static QStringList broken(const QList<Capability>& rows);

private:
    Capability heic(const imaging::DecoderSupport& d) const;
    Capability avif(const imaging::DecoderSupport& d) const;
    Capability webp(const imaging::DecoderSupport& d) const;
    Capability metafiles() const;
    Capability faceFinder() const;
    Capability scanner() const;
    Capability printing() const;
    Capability clientRecords() const;
    Capability translations() const;
    Capability studioFolder() const;

    QString folder_;
    DiagnosticSources sources_;
};

} // namespace velvo::app

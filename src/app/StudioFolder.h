#pragma once
#include <QString>
#include <QStringList>
#include <functional>

namespace velvo::app {

// The folder the studio reads and writes (its ProgramFolder). A program folder that can be
// written is used as it is, so a copied folder stays portable; an installed one that cannot
// be written is replaced by the user's own studio folder, seeded from it.
class StudioFolder {
public:
    // True when the program may create files in `folder`.
    using WritableProbe = std::function<bool(const QString& folder)>;

    // Hairstyle libraries, copied so the salon can add its own hairstyles.
    static const QStringList kLibraries;
    // The guide's folders and the face models, linked: they change only with the installed
    // program.
    static const QStringList kLinkedFolders;
    // Left in the studio folder by the first seeding pass that copied everything.
    static const QString kSeededMarker;

    // $XDG_DATA_HOME/velvo-studio/, or ~/.local/share/velvo-studio/ when it is unset or not
    // absolute; ends in "/".
    static QString userFolder();
    // Whether a file can actually be created (and removed again) in `folder`.
    static bool canWrite(const QString& folder);
    // The ProgramFolder to use, ending in "/": `programFolder` when `writable` accepts it,
    // otherwise `studioFolder` after seed(). A seeding fault shows the standard error box and
    // the studio folder is used as far as it got; a studio folder that cannot even be created
    // leaves `programFolder`.
    static QString choose(const QString& programFolder, const QString& studioFolder,
                          const WritableProbe& writable = canWrite);
    // Brings `studio` up to `program`: until a pass has completed, copies what is missing of
    // the libraries, the sample photos, velvo.ini and language.lng; always links the guide and
    // the example translations. A file or folder already there is never replaced (only a link
    // of ours is re-pointed); copies appear under their own name only when complete. Throws
    // velvo::Error naming the first entry it could not write, after doing all the rest.
    static void seed(const QString& program, const QString& studio);
};

} // namespace velvo::app

#include "app/StudioFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <filesystem>
#include <optional>
#include <system_error>

#include "imaging/codecs/Error.h"
#include "platform/Messages.h"

namespace fs = std::filesystem;

namespace velvo::app {

const QStringList StudioFolder::kLibraries = {QStringLiteral("Velvo5"), QStringLiteral("Velvo42")};
const QString StudioFolder::kSeededMarker = QStringLiteral(".velvo-seeded");
const QStringList StudioFolder::kLinkedFolders = {QStringLiteral("help"), QStringLiteral("help-en"),
                                                  QStringLiteral("facemodels"),
                                                  QStringLiteral("help-es")};

namespace {

// Every picture format the studio opens: the sample photos are the program folder's files
// of these kinds.
const QStringList kPictureSuffixes = {"jpg", "jpeg", "png", "gif",  "tif",  "tiff", "bmp", "pcx",
                                      "ico", "wmf",  "emf", "heic", "heif", "avif", "webp"};
// Settings the salon may change, copied when the installed folder has them.
const QStringList kSettings = {QStringLiteral("velvo.ini"), QStringLiteral("language.lng")};

QString withSlash(QString folder) {
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

fs::path pathOf(const QString& name) {
    return fs::path(name.toStdString());
}

// True for anything at `name`, a dangling link included.
bool present(const QString& name) {
    std::error_code ec;
    return fs::symlink_status(pathOf(name), ec).type() != fs::file_type::not_found && !ec;
}

// Records the first fault of a seeding pass; the pass goes on with the other entries.
class Faults {
public:
    void add(const QString& entry, const std::string& fault) {
        if (!first_)
            first_ = velvo::Error(entry.toStdString(), fault);
    }
    void throwFirst() const {
        if (first_)
            throw *first_;
    }

private:
    std::optional<velvo::Error> first_;
};

// A half-written copy (disk full) never takes the file's name: QSaveFile writes a temporary
// and renames it on commit, so the next start sees the file as missing and copies it again.
void copyMissing(const QString& from, const QString& to, Faults& faults) {
    if (present(to))
        return;
    if (!QDir().mkpath(QFileInfo(to).absolutePath())) {
        faults.add(to, "cannot create the folder");
        return;
    }
    QFile in(from);
    QSaveFile out(to);
    if (!in.open(QIODevice::ReadOnly)) {
        faults.add(from, in.errorString().toStdString());
        return;
    }
    if (!out.open(QIODevice::WriteOnly)) {
        faults.add(to, out.errorString().toStdString());
        return;
    }
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty() && in.error() != QFileDevice::NoError)
            break;
        if (out.write(block) != block.size())
            break;
    }
    if (in.error() != QFileDevice::NoError) {
        out.cancelWriting();
        faults.add(from, in.errorString().toStdString());
    }
    if (!out.commit())
        faults.add(to, out.errorString().toStdString());
}

void copyLibrary(const QString& from, const QString& to, Faults& faults) {
    if (!QDir().mkpath(to)) {
        faults.add(to, "cannot create the folder");
        return;
    }
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo entry = it.fileInfo();
        const QString target = to + QDir(from).relativeFilePath(entry.filePath());
        if (entry.isDir()) {
            // Empty categories too: the salon adds its hairstyles into them.
            if (!present(target) && !QDir().mkpath(target))
                faults.add(target, "cannot create the folder");
        } else if (entry.isFile()) {
            copyMissing(entry.filePath(), target, faults);
        }
    }
}

// A link of ours that points elsewhere (the program was installed again under another
// prefix) is re-pointed; anything else already at `link` is the salon's and stays.
void linkTo(const QString& target, const QString& link, Faults& faults) {
    std::error_code ec;
    const fs::path linkPath = pathOf(link), targetPath = pathOf(target);
    if (fs::is_symlink(fs::symlink_status(linkPath, ec))) {
        if (fs::read_symlink(linkPath, ec) == targetPath)
            return;
        fs::remove(linkPath, ec);
    } else if (present(link)) {
        return;
    }
    fs::create_symlink(targetPath, linkPath, ec);
    if (ec)
        faults.add(link, ec.message());
}

} // namespace

QString StudioFolder::userFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return withSlash(base) + QStringLiteral("velvo-studio/");
}

bool StudioFolder::canWrite(const QString& folder) {
    QTemporaryFile probe(withSlash(folder) + QStringLiteral(".velvo-probe-XXXXXX"));
    return probe.open();
}

QString StudioFolder::choose(const QString& programFolder, const QString& studioFolder,
                             const WritableProbe& writable) {
    const QString program = withSlash(programFolder);
    if (writable(program))
        return program;
    const QString studio = withSlash(studioFolder);
    if (!QDir().mkpath(studio)) {
        platform::runGuarded(
            [&] { throw velvo::Error(studio.toStdString(), "cannot create the studio folder"); });
        return program;
    }
    platform::runGuarded([&] { seed(program, studio); });
    return studio;
}

void StudioFolder::seed(const QString& program, const QString& studio) {
    const QString from = withSlash(program), to = withSlash(studio);
    // Once a pass has copied everything, what is missing later was removed by the salon and
    // stays removed; only the links still follow the installed program.
    const QString complete = to + kSeededMarker;
    const bool copying = !QFileInfo::exists(complete);
    Faults faults;
    if (copying)
        for (const QString& library : kLibraries)
            if (QFileInfo(from + library).isDir())
                copyLibrary(from + library + QLatin1Char('/'), to + library + QLatin1Char('/'),
                            faults);
    for (const QString& folder : kLinkedFolders)
        if (QFileInfo(from + folder).isDir())
            linkTo(from + folder, to + folder, faults);
    const QFileInfoList files = QDir(from).entryInfoList(QDir::Files);
    for (const QFileInfo& file : files) {
        const QString name = file.fileName();
        const QString suffix = file.suffix().toLower();
        const bool copied =
            kSettings.contains(name, Qt::CaseInsensitive) || kPictureSuffixes.contains(suffix);
        if (copied && copying)
            copyMissing(file.filePath(), to + name, faults);
        else if (!copied && suffix == QLatin1String("lng"))
            linkTo(file.filePath(), to + name, faults);
    }
    faults.throwFirst();
    if (copying) {
        QFile marker(complete);
        if (!marker.open(QIODevice::WriteOnly))
            throw velvo::Error(complete.toStdString(), marker.errorString().toStdString());
    }
}

} // namespace velvo::app

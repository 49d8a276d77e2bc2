#include "app/ProgramBlock.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QScreen>

#include "app/ProgramIcon.h"
#include "app/StudioFolder.h"
#include "app/TF_HAIR.h"
#include "app/TF_QSTART.h"
#include "app/TF_SOBRE.h"
#include "library/TF_THUMBS.h"
#include "platform/DialogComponents.h"
#include "platform/Messages.h"
#include "print/TF_IMPRESSAO.h"
#include "print/TF_PREVIEW.h"
#include "print/TF_PREVIEW2.h"
#include "retouch/TF_DRAW.h"
#include "translation/StandardDialogLanguage.h"
#include "translation/TLanguage.h"

namespace velvo::app {

bool VelvoApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    platform::runGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

ProgramWindows::~ProgramWindows() = default;

std::unique_ptr<ProgramWindows> CreateProgramWindows(const QString& programFolder) {
    // The GIF and TIFF LZW coders are part of our codecs; nothing to install before the windows.
    QApplication::setApplicationName(QStringLiteral("VELVO 5"));
    platform::setApplicationTitle(QStringLiteral("VELVO 5"));
    QApplication::setWindowIcon(programWindowIcon());
    // Qt's own dialogs carry the toolkit translation; a desktop's native or portal dialog
    // would speak the desktop's language instead.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    // Before any window: a dialog takes its texts from the translators present when it is made.
    QString folder = programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    translation::InstallStandardDialogLanguage(folder + QStringLiteral("language.lng"));
    auto windows = std::make_unique<ProgramWindows>();
    windows->F_HAIR = std::make_unique<TF_HAIR>(programFolder);
    windows->F_THUMBS = std::make_unique<library::TF_THUMBS>(windows->F_HAIR.get());
    windows->F_SOBRE = std::make_unique<TF_SOBRE>(windows->F_HAIR.get());
    windows->F_DRAW = std::make_unique<retouch::TF_DRAW>(windows->F_HAIR.get());
    windows->F_HAIR->Retoucher = windows->F_DRAW.get();
    windows->F_PREVIEW = std::make_unique<print::TF_PREVIEW>();
    windows->F_IMPRESSAO = std::make_unique<print::TF_IMPRESSAO>(windows->F_HAIR.get());
    windows->F_PREVIEW2 = std::make_unique<print::TF_PREVIEW2>(windows->F_HAIR.get());
    windows->F_QSTART = std::make_unique<TF_QSTART>(windows->F_HAIR.get());
    // Without a window manager (a bare X server, a kiosk session) nothing maximises, so the
    // window first takes the screen's whole free area itself.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        windows->F_HAIR->setGeometry(screen->availableGeometry());
    windows->F_HAIR->showMaximized();
    return windows;
}

void OpenFiles(TF_HAIR& main, const QStringList& files) {
    for (const QString& file : files) {
        platform::runGuarded([&] {
            main.LibraryLabel = QStringLiteral("Velvo5");
            main.OD_ABRIR->FileName = file;
            // A folder is no missing file: its name ends in ".jpg" only by chance, and the
            // user must be told which of the names given it is.
            if (QFileInfo(file).isDir()) {
                const QString text =
                    QStringLiteral("%1 é uma pasta, não um arquivo de imagem.");
                main.ShowMessage(QStringLiteral("WARNING"),
                                 (main.L1 ? main.L1->TranslateMsg(text) : text).arg(file),
                                 platform::MessageIcon::Information);
                return;
            }
            if (!QFileInfo(file).isFile()) {
                main.ShowMessage(QStringLiteral("WARNING"),
                                 QStringLiteral("Arquivo não encontrado."),
                                 platform::MessageIcon::Information);
                return;
            }
            main.OpenMode = true;
            const auto reset = qScopeGuard([&] { main.OpenMode = false; });
            main.NewDocument();
        });
    }
}

int RunProgram(int argc, char** argv) {
    VelvoApplication application(argc, argv);
    // Named relative to where the program was started, before anything changes the folder.
    QStringList files;
    for (const QString& argument : QCoreApplication::arguments().mid(1))
        files << QFileInfo(argument).absoluteFilePath();
    auto windows = CreateProgramWindows(
        StudioFolder::choose(QCoreApplication::applicationDirPath(), StudioFolder::userFolder()));
    OpenFiles(*windows->F_HAIR, files);
    return application.exec();
}

} // namespace velvo::app

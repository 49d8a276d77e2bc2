#pragma once
#include <QApplication>
#include <QString>
#include <QStringList>
#include <memory>

namespace velvo::library {
class TF_THUMBS;
}
namespace velvo::retouch {
class TF_DRAW;
}
namespace velvo::print {
class TF_PREVIEW;
class TF_IMPRESSAO;
class TF_PREVIEW2;
} // namespace velvo::print

namespace velvo::app {

class TF_HAIR;
class TF_SOBRE;
class TF_QSTART;

// The application object of the program: a velvo::Error (or any other exception) that leaves
// an event handler ends in the standard error box and the program goes on.
class VelvoApplication : public QApplication {
public:
    VelvoApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

// The single window instances, alive until the program ends. Windows of later parts of the
// program join here in their creation order.
struct ProgramWindows {
    std::unique_ptr<TF_HAIR> F_HAIR;
    // Destroyed before the main window, whose state it reads.
    std::unique_ptr<library::TF_THUMBS> F_THUMBS;
    std::unique_ptr<TF_SOBRE> F_SOBRE;
    // The retouch editor the main window's "&Retoque" entries show; destroyed before the
    // main window, whose scratch view it writes.
    std::unique_ptr<retouch::TF_DRAW> F_DRAW;
    // The preview's sheet, the print options window and the print preview; destroyed before
    // the main window, whose scratch view they read and write.
    std::unique_ptr<print::TF_PREVIEW> F_PREVIEW;
    std::unique_ptr<print::TF_IMPRESSAO> F_IMPRESSAO;
    std::unique_ptr<print::TF_PREVIEW2> F_PREVIEW2;
    std::unique_ptr<TF_QSTART> F_QSTART;
    ~ProgramWindows();
};

// With an application object present: sets the application title "VELVO 5" and icon, puts
// the toolkit's dialogs into the language the translation file names (Brazilian Portuguese
// by default), creates the windows in order and shows only the main window, maximised. `programFolder` empty: the
// executable's folder.
std::unique_ptr<ProgramWindows> CreateProgramWindows(const QString& programFolder = {});

// Opens each of `files` as "&Abrir Foto" would; one that cannot be read gets the standard
// error box (a missing one Abrir Foto's own) and the rest still open.
void OpenFiles(TF_HAIR& main, const QStringList& files);

// The whole program: application object, windows over the executable's folder (or the user's
// studio folder when that cannot be written), the files named on the command line opened as
// documents, message loop.
int RunProgram(int argc, char** argv);

} // namespace velvo::app

#include "app/DiagnosticsCommand.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

#include "app/ProgramBlock.h"
#include "app/StudioFolder.h"
#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "imaging/TPictureView.h"
#include "platform/Messages.h"

namespace velvo::app {

namespace {

// Nobody is there to close a message box: what would be shown goes to standard error.
class PrintedMessages : public platform::Messages {
public:
    int show(const QString& caption, const QString& text, platform::MessageIcon,
             int buttons) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        for (int button : {platform::mbOk, platform::mbYes, platform::mbNo, platform::mbCancel})
            if (buttons & button)
                return button;
        return platform::mbOk;
    }
};

document::TF_FILHO* documentOf(const TF_HAIR& main, const QString& file) {
    for (document::TF_FILHO* doc : main.Documents())
        if (doc->lblFilename->text() == file)
            return doc;
    return nullptr;
}

} // namespace

bool WantsDiagnostics(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], kDiagnosticsOption) == 0)
            return true;
    return false;
}

int WriteDiagnostics(const QList<Capability>& rows, TF_HAIR* main, const QStringList& photos,
                     QTextStream& out) {
    out << Diagnostics::report(rows);
    QStringList missing = Diagnostics::broken(rows);
    if (main) {
        for (const QString& photo : photos) {
            const QString file = QFileInfo(photo).absoluteFilePath();
            OpenFiles(*main, {file});
            const document::TF_FILHO* doc = documentOf(*main, file);
            QString state;
            if (!doc || doc->Image1->IsEmpty())
                state = QStringLiteral("não abriu");
            else if (doc->Framed)
                state = QStringLiteral("aberta enquadrada (rosto em %1,%2, %3x%4)")
                            .arg(doc->Face.box.x)
                            .arg(doc->Face.box.y)
                            .arg(doc->Face.box.w)
                            .arg(doc->Face.box.h);
            else if (!main->FrameOnOpen())
                state = QStringLiteral("aberta sem enquadrar: EnquadrarAoAbrir=0 em velvo.ini");
            else
                state = QStringLiteral("aberta sem enquadrar");
            out << QStringLiteral("Foto %1: %2\n").arg(file, state);
            if (!doc || !doc->Framed)
                missing << QStringLiteral("enquadramento de %1").arg(QFileInfo(file).fileName());
        }
    }
    if (!missing.isEmpty())
        out << QStringLiteral("Falta: %1\n").arg(missing.join(QStringLiteral(", ")));
    out.flush();
    return missing.isEmpty() ? 0 : 1;
}

int RunDiagnostics(int argc, char** argv) {
    // Qt's offscreen platform needs no display; a desktop session's own is used when present.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    VelvoApplication application(argc, argv);
    PrintedMessages messages;
    platform::Messages::setInstance(&messages);
    QStringList photos;
    for (const QString& argument : QCoreApplication::arguments().mid(1))
        if (argument != QLatin1String(kDiagnosticsOption))
            photos << QFileInfo(argument).absoluteFilePath();
    const QString folder =
        StudioFolder::choose(QCoreApplication::applicationDirPath(), StudioFolder::userFolder());
    const QList<Capability> rows = Diagnostics(folder, DiagnosticSources::machine()).capabilities();
    std::unique_ptr<ProgramWindows> windows;
    if (!photos.isEmpty())
        windows = CreateProgramWindows(folder);
    QTextStream out(stdout);
    out << QStringLiteral("Velvo Studio %1 - diagnóstico\n").arg(QStringLiteral(VELVO_VERSION));
    const int code = WriteDiagnostics(rows, windows ? windows->F_HAIR.get() : nullptr, photos, out);
    windows.reset();
    platform::Messages::setInstance(nullptr);
    return code;
}

} // namespace velvo::app

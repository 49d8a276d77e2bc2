// Handing a try to the client: the active try as a picture large enough for a phone, or every
// try of its photo on one A4 sheet.
#include <QAction>
#include <QDate>
#include <QFileInfo>
#include <algorithm>
#include <vector>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "platform/Cursors.h"
#include "platform/Dialogs.h"
#include "render/TrialExport.h"

namespace velvo::app {

namespace {

// Filter entries in the order the extensions below follow.
const char* const kExportExtensions[] = {"jpg", "png", "pdf"};

} // namespace

void TF_HAIR::ExportarProva1Click() {
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc)
        return;
    // A resize under way is baked first, as saving does, so the export shows the try as it is.
    BT_SCROLLClick();
    platform::FileDialogRequest request;
    if (QAction* entry = Action(QStringLiteral("ExportarProva1")))
        request.title = entry->text().remove(QLatin1Char('&')).remove(QStringLiteral("..."));
    request.filter = QStringLiteral("JPEG (*.jpg)|*.jpg;*.jpeg|PNG (*.png)|*.png|PDF (*.pdf)|*.pdf");
    request.defaultExt = QStringLiteral("jpg");
    request.initialDir = ProgramFolder;
    request.fileName = QFileInfo(doc->lblFilename->text()).completeBaseName() + QStringLiteral("-") +
                       QString::number(doc->HairNumber) + QStringLiteral(".jpg");
    request.options = platform::ofOverwritePrompt | platform::ofHideReadOnly | platform::ofPathMustExist;
    const platform::FileDialogAnswer answer = platform::Dialogs::instance().saveFile(request);
    if (!answer.accepted || answer.fileName.isEmpty())
        return;
    QString file = answer.fileName;
    if (QFileInfo(file).suffix().isEmpty()) {
        const int index = std::clamp(answer.filterIndex, 1, 3) - 1;
        file += QLatin1Char('.') + QLatin1String(kExportExtensions[index]);
    }

    platform::BusyCursor busy;
    if (QFileInfo(file).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0) {
        // Every try of this photo, in the frame's order, the active one among them.
        std::vector<trial::Trial> tries;
        for (document::TF_FILHO* other : Documents())
            if (other->lblFilename->text() == doc->lblFilename->text())
                tries.push_back(other->Describe());
        render::ExportSheet(tries, file, QDate::currentDate());
    } else {
        render::ExportTrial(doc->Describe(), file);
    }
}

} // namespace velvo::app

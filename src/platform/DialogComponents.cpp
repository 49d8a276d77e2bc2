#include "platform/DialogComponents.h"

#include <QFileInfo>

namespace velvo::platform {

bool TFileDialog::Execute() {
    FileDialogRequest request;
    request.title = Title;
    request.filter = Filter;
    request.filterIndex = FilterIndex;
    request.initialDir = InitialDir;
    request.fileName = FileName;
    request.defaultExt = DefaultExt;
    request.options = Options;
    request.preview = Preview;
    Dialogs& dialogs = Dialogs::instance();
    const FileDialogAnswer answer =
        kind_ == Open ? dialogs.openFile(request) : dialogs.saveFile(request);
    if (!answer.accepted)
        return false;
    FileName = answer.fileName;
    if (kind_ == Save && !DefaultExt.isEmpty() && QFileInfo(FileName).suffix().isEmpty() &&
        !FileName.endsWith(QLatin1Char('.')))
        FileName += QLatin1Char('.') + DefaultExt;
    FilterIndex = answer.filterIndex;
    return true;
}

} // namespace velvo::platform

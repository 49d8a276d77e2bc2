#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <memory>

namespace velvo::platform {
namespace {
Dialogs* installed = nullptr;

QFileDialog::Options qtOptions(int options) {
    QFileDialog::Options result;
    if (!(options & ofOverwritePrompt))
        result |= QFileDialog::DontConfirmOverwrite;
    if (options & ofReadOnly)
        result |= QFileDialog::ReadOnly;
    return result;
}

FileDialogAnswer runFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(nullptr, request.title, request.initialDir);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOptions(qtOptions(request.options));
    if (request.preview)
        attachPicturePreview(dialog, request.preview);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = qBound(1, request.filterIndex, int(filters.size()));
        dialog.selectNameFilter(filters[index - 1]);
    }
    if (save && !request.defaultExt.isEmpty())
        dialog.setDefaultSuffix(request.defaultExt);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    FileDialogAnswer answer;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return answer;
    answer.accepted = true;
    answer.fileName = dialog.selectedFiles().first();
    answer.filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (answer.filterIndex < 1)
        answer.filterIndex = request.filterIndex;
    return answer;
}

template <class T> T takeOr(QList<T>& queue, T otherwise) {
    return queue.isEmpty() ? otherwise : queue.takeFirst();
}
} // namespace

QStringList qtNameFilters(const QString& windowsFilter) {
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString text = parts[i];
        text.remove(trailingPatterns);
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        result.append(QStringLiteral("%1 (%2)").arg(text.trimmed(), patterns.join(' ')));
    }
    return result;
}

Dialogs& Dialogs::instance() {
    static QtDialogs production;
    return installed ? *installed : production;
}

void Dialogs::setInstance(Dialogs* dialogs) {
    installed = dialogs;
}

FileDialogAnswer QtDialogs::openFile(const FileDialogRequest& request) {
    return runFileDialog(request, false);
}

FileDialogAnswer QtDialogs::saveFile(const FileDialogRequest& request) {
    return runFileDialog(request, true);
}

bool QtDialogs::print(QPrinter* printer) {
    std::unique_ptr<QPrinter> own;
    if (!printer)
        printer = (own = std::make_unique<QPrinter>()).get();
    QPrintDialog dialog(printer);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::pageSetup(QPrinter* printer) {
    std::unique_ptr<QPrinter> own;
    if (!printer)
        printer = (own = std::make_unique<QPrinter>()).get();
    QPageSetupDialog dialog(printer);
    return dialog.exec() == QDialog::Accepted;
}

FileDialogAnswer ScriptedDialogs::openFile(const FileDialogRequest& request) {
    openRequests.append(request);
    return takeOr(openAnswers, FileDialogAnswer{});
}

FileDialogAnswer ScriptedDialogs::saveFile(const FileDialogRequest& request) {
    saveRequests.append(request);
    return takeOr(saveAnswers, FileDialogAnswer{});
}

bool ScriptedDialogs::print(QPrinter*) {
    ++printCalls;
    return takeOr(printAnswers, false);
}

bool ScriptedDialogs::pageSetup(QPrinter*) {
    ++pageSetupCalls;
    return takeOr(pageSetupAnswers, false);
}

} // namespace velvo::platform

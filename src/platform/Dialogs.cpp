#include "platform/Dialogs.h"

#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <algorithm>
#include <memory>

#include "platform/Printer.h"

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

FileDialogAnswer QtDialogs::chooseFolder(const FileDialogRequest& request) {
    FileDialogAnswer answer;
    answer.fileName = QFileDialog::getExistingDirectory(nullptr, request.title, request.initialDir);
    answer.accepted = !answer.fileName.isEmpty();
    return answer;
}

// A printer of our own (a test double) has no settings to show: the dialog works on a
// throw-away Qt printer and only its answer counts.
bool QtDialogs::print(Printer& printer) {
    std::unique_ptr<QPrinter> own;
    QPrinter* shown = printer.QtPrinter();
    if (!shown)
        shown = (own = std::make_unique<QPrinter>()).get();
    QPrintDialog dialog(shown);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::pageSetup(Printer& printer) {
    std::unique_ptr<QPrinter> own;
    QPrinter* shown = printer.QtPrinter();
    if (!shown)
        shown = (own = std::make_unique<QPrinter>()).get();
    QPageSetupDialog dialog(shown);
    return dialog.exec() == QDialog::Accepted;
}

int QtDialogs::choose(const ChoiceRequest& request) {
    QInputDialog dialog;
    dialog.setWindowTitle(request.title);
    dialog.setLabelText(request.label);
    dialog.setComboBoxItems(request.items);
    dialog.setComboBoxEditable(false);
    if (request.current >= 0 && request.current < request.items.size())
        dialog.setTextValue(request.items[request.current]);
    // Sized to its list, the box cuts its own title short; the list is what it sizes to.
    if (auto* list = dialog.findChild<QComboBox*>())
        list->setMinimumWidth(std::max(260, dialog.fontMetrics().horizontalAdvance(request.title) * 2));
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return int(request.items.indexOf(dialog.textValue()));
}

int ScriptedDialogs::choose(const ChoiceRequest& request) {
    choiceRequests.append(request);
    return takeOr(choiceAnswers, -1);
}

FileDialogAnswer ScriptedDialogs::openFile(const FileDialogRequest& request) {
    openRequests.append(request);
    return takeOr(openAnswers, FileDialogAnswer{});
}

FileDialogAnswer ScriptedDialogs::saveFile(const FileDialogRequest& request) {
    saveRequests.append(request);
    return takeOr(saveAnswers, FileDialogAnswer{});
}

FileDialogAnswer ScriptedDialogs::chooseFolder(const FileDialogRequest& request) {
    folderRequests.append(request);
    return takeOr(folderAnswers, FileDialogAnswer{});
}

bool ScriptedDialogs::print(Printer& printer) {
    ++printCalls;
    printPrinters.append(&printer);
    const bool accepted = takeOr(printAnswers, false);
    if (accepted && choosePrint)
        choosePrint(printer);
    return accepted;
}

bool ScriptedDialogs::pageSetup(Printer& printer) {
    ++pageSetupCalls;
    pageSetupPrinters.append(&printer);
    const bool accepted = takeOr(pageSetupAnswers, false);
    if (accepted && chooseSetup)
        chooseSetup(printer);
    return accepted;
}

} // namespace velvo::platform

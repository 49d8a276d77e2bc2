#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/PicturePreviewPane.h"

namespace velvo::platform {

class Printer;

// Options of the file dialogs (the subset the windows set).
enum FileDialogOption {
    ofReadOnly = 0x1,
    ofOverwritePrompt = 0x2,
    ofHideReadOnly = 0x4,
    ofFileMustExist = 0x8,
    ofCreatePrompt = 0x10,
    ofShareAware = 0x20,
    ofPathMustExist = 0x40,
};

struct FileDialogRequest {
    QString title;
    QString filter;      // Windows style: "Text|*.a;*.b|Other|*.c"
    int filterIndex = 1; // 1-based
    QString initialDir;
    QString fileName;
    QString defaultExt; // without the dot
    int options = 0;
    // Set: the dialog shows a preview of the selected picture read by this reader.
    PreviewReader preview;
};

// A choice of one entry from a list (a drop-down in a small dialog).
struct ChoiceRequest {
    QString title;
    QString label;
    QStringList items;
    int current = 0; // the entry shown at first
};

struct FileDialogAnswer {
    bool accepted = false;
    QString fileName;
    int filterIndex = 1;
};

// "Text|*.a;*.b|..." to Qt's name filters "Text (*.a *.b)"; a description that already ends in
// a parenthesised pattern list keeps only its text before it. A last description without
// patterns is dropped.
QStringList qtNameFilters(const QString& windowsFilter);

// The common dialogs. Production: QFileDialog, QPrintDialog, QPageSetupDialog. Tests install
// ScriptedDialogs.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual FileDialogAnswer openFile(const FileDialogRequest& request) = 0;
    virtual FileDialogAnswer saveFile(const FileDialogRequest& request) = 0;
    // A folder, existing or made in the dialog; only `title` and `initialDir` of the request
    // count. The answer's fileName is the folder.
    virtual FileDialogAnswer chooseFolder(const FileDialogRequest& request) = 0;
    // The dialogs change `printer`'s settings; they keep them after the dialog closes.
    virtual bool print(Printer& printer) = 0;
    virtual bool pageSetup(Printer& printer) = 0;
    // The index of the chosen entry, or -1 when the user cancels.
    virtual int choose(const ChoiceRequest& request) = 0;

    static Dialogs& instance();
    // Not owned; nullptr restores the production dialogs.
    static void setInstance(Dialogs* dialogs);
};

class QtDialogs : public Dialogs {
public:
    FileDialogAnswer openFile(const FileDialogRequest& request) override;
    FileDialogAnswer saveFile(const FileDialogRequest& request) override;
    FileDialogAnswer chooseFolder(const FileDialogRequest& request) override;
    bool print(Printer& printer) override;
    bool pageSetup(Printer& printer) override;
    int choose(const ChoiceRequest& request) override;
};

// Answers from queues and records every request. An empty queue answers "cancelled".
class ScriptedDialogs : public Dialogs {
public:
    FileDialogAnswer openFile(const FileDialogRequest& request) override;
    FileDialogAnswer saveFile(const FileDialogRequest& request) override;
    FileDialogAnswer chooseFolder(const FileDialogRequest& request) override;
    bool print(Printer& printer) override;
    bool pageSetup(Printer& printer) override;
    int choose(const ChoiceRequest& request) override;

    // The user's choice in an accepted print or set-up dialog, made on the printer shown.
    std::function<void(Printer&)> choosePrint, chooseSetup;
    QList<FileDialogAnswer> openAnswers, saveAnswers, folderAnswers;
    QList<bool> printAnswers, pageSetupAnswers;
    QList<FileDialogRequest> openRequests, saveRequests, folderRequests;
    QList<int> choiceAnswers; // an empty queue cancels (-1)
    QList<ChoiceRequest> choiceRequests;
    int printCalls = 0;
    int pageSetupCalls = 0;
    // The printer each print and set-up dialog was shown for, in order.
    QList<Printer*> printPrinters, pageSetupPrinters;
};

} // namespace velvo::platform

#pragma once
#include <QObject>
#include <QString>

#include "platform/Dialogs.h"
#include "platform/Printer.h"

namespace velvo::platform {

// A file dialog as the windows hold it: the settings stay between runs, Execute shows it
// through Dialogs::instance() and keeps the chosen name and filter.
class TFileDialog : public QObject {
    Q_OBJECT
public:
    enum Kind { Open, Save };
    explicit TFileDialog(Kind kind, QObject* parent = nullptr) : QObject(parent), kind_(kind) {}

    Kind kind() const { return kind_; }
    // True when the user confirmed. A confirmed save name without an extension gets
    // "." + DefaultExt.
    bool Execute();

    QString Filter; // Windows style, "Text|*.a;*.b|..."
    int FilterIndex = 1;
    QString DefaultExt;
    int Options = ofHideReadOnly;
    QString FileName;
    QString InitialDir;
    QString Title;
    // Set: a preview pane shows the selected picture (the picture dialogs).
    PreviewReader Preview;

private:
    Kind kind_;
};

// The engine's picture dialogs: the preview pane is the only difference from a plain one.
class TOpenPictureDialog : public TFileDialog {
    Q_OBJECT
public:
    explicit TOpenPictureDialog(QObject* parent = nullptr) : TFileDialog(Open, parent) {}
};

class TSavePictureDialog : public TFileDialog {
    Q_OBJECT
public:
    explicit TSavePictureDialog(QObject* parent = nullptr) : TFileDialog(Save, parent) {}
};

// Print and printer set-up dialogs. They act on the shared printer, so that a choice made in
// one of them holds for every later print.
class TPrintDialog : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool Execute() { return Dialogs::instance().print(Printer::instance()); }
};

class TPrinterSetupDialog : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool Execute() { return Dialogs::instance().pageSetup(Printer::instance()); }
};

} // namespace velvo::platform

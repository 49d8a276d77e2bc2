#pragma once
#include <QList>
#include <QString>

namespace velvo::platform {

// The program's help: HTML pages in the program folder, opened at their contents page.
class Help {
public:
    virtual ~Help() = default;
    // Opens `helpFile` (the contents page). A missing file is reported here, not by the caller.
    virtual void showContents(const QString& helpFile) = 0;

    static Help& instance();
    // Not owned; nullptr restores the production help.
    static void setInstance(Help* help);
};

// Opens the page in the desktop's browser.
class DesktopHelp : public Help {
public:
    void showContents(const QString& helpFile) override;
};

class RecordingHelp : public Help {
public:
    void showContents(const QString& helpFile) override { opened.append(helpFile); }
    QList<QString> opened;
};

} // namespace velvo::platform

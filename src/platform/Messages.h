#pragma once
#include <QList>
#include <QString>
#include <functional>

namespace velvo::platform {

enum class MessageIcon { None, Information, Warning, Error, Question };

// Buttons of a message box, combinable; show() returns the one pressed. mbDefaultNo is not a
// button: with mbNo it makes "No" the one Enter presses, for a question whose "Yes" cannot be
// taken back.
enum MessageButton { mbOk = 1, mbCancel = 2, mbYes = 4, mbNo = 8, mbDefaultNo = 16 };

// Message boxes. Production shows a QMessageBox; tests install RecordingMessages.
class Messages {
public:
    virtual ~Messages() = default;
    // Returns the MessageButton pressed.
    virtual int show(const QString& caption, const QString& text, MessageIcon icon,
                     int buttons) = 0;

    // The run-time's standard error box: the application title as caption, the error icon.
    void showStandardError(const QString& text);

    static Messages& instance();
    // Not owned; nullptr restores the production boxes.
    static void setInstance(Messages* messages);
};

class QtMessages : public Messages {
public:
    int show(const QString& caption, const QString& text, MessageIcon icon, int buttons) override;
};

// Records every box and answers from a queue (mbOk, or the first button offered, when empty).
class RecordingMessages : public Messages {
public:
    struct Shown {
        QString caption;
        QString text;
        MessageIcon icon;
        int buttons;
    };
    int show(const QString& caption, const QString& text, MessageIcon icon, int buttons) override;

    QList<Shown> shown;
    QList<int> answers;
};

// The title the standard error box carries ("VELVO 5" once the program block ran; the
// application name before).
QString applicationTitle();
void setApplicationTitle(const QString& title);

// Runs `action`; a velvo::Error or other exception it throws ends in the standard error box
// and the program goes on. Returns false when something was caught.
bool runGuarded(const std::function<void()>& action);

} // namespace velvo::platform

#include "platform/Messages.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <exception>

namespace velvo::platform {
namespace {
Messages* installed = nullptr;
QString title;
} // namespace

Messages& Messages::instance() {
    static QtMessages production;
    return installed ? *installed : production;
}

void Messages::setInstance(Messages* messages) {
    installed = messages;
}

void Messages::showStandardError(const QString& text) {
    show(applicationTitle(), text, MessageIcon::Error, mbOk);
}

int QtMessages::show(const QString& caption, const QString& text, MessageIcon icon, int buttons) {
    QMessageBox box;
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    QMessageBox::StandardButtons qtButtons;
    if (buttons & mbOk)
        qtButtons |= QMessageBox::Ok;
    if (buttons & mbCancel)
        qtButtons |= QMessageBox::Cancel;
    if (buttons & mbYes)
        qtButtons |= QMessageBox::Yes;
    if (buttons & mbNo)
        qtButtons |= QMessageBox::No;
    box.setStandardButtons(qtButtons ? qtButtons : QMessageBox::Ok);
    if ((buttons & mbDefaultNo) && (buttons & mbNo))
        box.setDefaultButton(QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return mbCancel;
    case QMessageBox::Yes:
        return mbYes;
    case QMessageBox::No:
        return mbNo;
    default:
        return mbOk;
    }
}

int RecordingMessages::show(const QString& caption, const QString& text, MessageIcon icon,
                            int buttons) {
    shown.append({caption, text, icon, buttons});
    if (!answers.isEmpty())
        return answers.takeFirst();
    for (int b : {mbOk, mbYes, mbNo, mbCancel})
        if (buttons & b)
            return b;
    return mbOk;
}

QString applicationTitle() {
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

void setApplicationTitle(const QString& text) {
    title = text;
}

bool runGuarded(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        Messages::instance().showStandardError(QString::fromStdString(e.what()));
    } catch (...) {
        Messages::instance().showStandardError(QStringLiteral("Erro desconhecido."));
    }
    return false;
}

} // namespace velvo::platform

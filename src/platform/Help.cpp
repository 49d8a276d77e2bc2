#include "platform/Help.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "platform/Messages.h"

namespace velvo::platform {
namespace {
Help* installed = nullptr;
}

Help& Help::instance() {
    static DesktopHelp production;
    return installed ? *installed : production;
}

void Help::setInstance(Help* help) {
    installed = help;
}

void DesktopHelp::showContents(const QString& helpFile) {
    if (!QFileInfo::exists(helpFile)) {
        Messages::instance().show(
            applicationTitle(), QStringLiteral("Arquivo de ajuda não encontrado: %1").arg(helpFile),
            MessageIcon::Information, mbOk);
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile)))
        Messages::instance().show(
            applicationTitle(), QStringLiteral("Não foi possível abrir a ajuda: %1").arg(helpFile),
            MessageIcon::Information, mbOk);
}

} // namespace velvo::platform

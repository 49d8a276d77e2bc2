#include "translation/StandardDialogLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>
#include <memory>

#include "translation/IniFile.h"

namespace velvo::translation {
namespace {

const QString kStudioLanguage = QStringLiteral("pt_BR");
// What the toolkit's texts are written in when no translation is installed.
const QString kToolkitLanguage = QStringLiteral("en");

// The one toolkit translation this module installed; replaced, never stacked, so that a
// second installation (tests, a restart of the windows) cannot leave an older language on top.
std::unique_ptr<QTranslator>& installed() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

QString NamedLanguage(const QString& languageFile) {
    // The code becomes part of a file name: nothing that could reach another folder passes.
    static const QRegularExpression sound(
        QStringLiteral("^[A-Za-z]{2,3}([_-][A-Za-z0-9]{2,8})?$"));
    const QString code = IniFile(languageFile).readString(QStringLiteral("Language"),
                                                          QStringLiteral("Code"), {});
    return sound.match(code).hasMatch() ? code : QString();
}

QString InstallStandardDialogLanguage(const QString& languageFile,
                                      const QString& translationsFolder) {
    if (installed()) {
        QCoreApplication::removeTranslator(installed().get());
        installed().reset();
    }
    QString code = NamedLanguage(languageFile);
    if (code.isEmpty())
        code = kStudioLanguage;
    const QString folder = translationsFolder.isEmpty()
                               ? QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                               : translationsFolder;
    auto translator = std::make_unique<QTranslator>();
    // Tries the region's file first, then the language's (pt_BR, then pt).
    if (translator->load(QLocale(code), QStringLiteral("qtbase"), QStringLiteral("_"), folder) &&
        QCoreApplication::installTranslator(translator.get()))
        installed() = std::move(translator);
    return StandardDialogsLanguage();
}

QString StandardDialogsLanguage() {
    if (!installed())
        return kToolkitLanguage;
    const QString language = installed()->language();
    return language.isEmpty() ? installed()->filePath() : language;
}

} // namespace velvo::translation

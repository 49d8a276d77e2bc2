#pragma once
#include <QString>

namespace velvo::translation {

// The language of the toolkit's own texts: the labels of the file, print and page set-up
// dialogs and the buttons of message boxes. The studio speaks Brazilian Portuguese, so they
// do too, unless the translation file names its language in section "Language", key "Code"
// (a code such as en, es or pt_BR); then they follow the file.

// The code named by `languageFile`, or empty when the file, the key or a sound code is
// missing. A code is two or three letters, optionally followed by "_" or "-" and a region of
// two to eight letters or digits; anything else (a path, blanks inside) counts as none.
QString NamedLanguage(const QString& languageFile);

// Replaces the toolkit translation installed by an earlier call with the one for the
// language `languageFile` names (Brazilian Portuguese when it names none), read from
// `translationsFolder` (empty: the toolkit's own translations folder). Without a translation
// for that language the dialogs keep the toolkit's built-in English; nothing is reported.
// Call it with the application object present and before any window is made, so that every
// dialog the windows make finds it. Returns StandardDialogsLanguage().
QString InstallStandardDialogLanguage(const QString& languageFile,
                                      const QString& translationsFolder = {});

// The language the standard dialogs speak now: the installed translation's language
// ("pt_BR", "es", ...) or "en" when none is installed.
QString StandardDialogsLanguage();

} // namespace velvo::translation

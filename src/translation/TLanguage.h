#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace velvo::translation {
class IniFile;
}

// The translator a window owns as "L1": replaces the window's built-in texts with those of a
// translation file, and looks message texts up in it.
//
// File sections: "Translations" (key: a line of Properties, value: the new text; for a list
// property the items joined by Separator) and "Messages" (key: the Portuguese message text,
// value: its translation). A missing file, section or key changes nothing and reports nothing.
class TLanguage : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TLanguage* sender)>;
    // NewValue may be changed by the handler; the changed text is what is set.
    using TLanguageNotifyEvent =
        std::function<void(TLanguage* sender, QObject* component, const QString& propertyName,
                           const QString& oldValue, QString& newValue)>;

    static inline const QString TranslationsSection = QStringLiteral("Translations");
    static inline const QString MessagesSection = QStringLiteral("Messages");

    explicit TLanguage(QObject* owner = nullptr);

    const QString& LanguageFile() const { return languageFile_; }
    void SetLanguageFile(const QString& path) { languageFile_ = path; }

    // One property path per line: "Window.Property" or "Window.Component.Property".
    const QStringList& Properties() const { return properties_; }
    void SetProperties(const QStringList& lines) { properties_ = lines; }

    // A value that is empty once blanks and control characters are trimmed stores ","; any
    // other value is stored as given, blanks included. Starts empty (this setter is not run).
    const QString& Separator() const { return separator_; }
    void SetSeparator(const QString& separator);

    TNotifyEvent OnBeforeTranslation;
    TNotifyEvent OnAfterTranslation;
    TLanguageNotifyEvent OnTranslate;

    // One translation pass over Properties, in list order. A value for an integer property
    // that is not a decimal integer throws velvo::Error (naming the file) and ends the pass:
    // the lines after it stay untranslated and OnAfterTranslation is not fired.
    void Translate();

    // The "Messages" value of text, or text itself. The file is read anew on every call.
    QString TranslateMsg(const QString& text) const;


    // Splits a list value at every exact occurrence of separator: each piece before a separator
    // is trimmed and kept even when empty; the piece after the last is kept only when not empty.
    // An empty separator gives the whole value, trimmed, as one item.
    static QStringList SplitItems(const QString& value, const QString& separator);

private:
    // Applies one value read from the file to one property path.
    void ApplyValue(const QString& path, const QString& value);
    QString languageFile_;
    QStringList properties_;
    QString separator_;
};

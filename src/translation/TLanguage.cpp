#include "translation/TLanguage.h"

#include "imaging/codecs/Error.h"
#include "translation/ComponentPath.h"
#include "translation/IniFile.h"
#include "translation/ProfileText.h"
#include "translation/PublishedProperty.h"

using namespace velvo::translation;

namespace {

// A decimal integer in 32 bits with an optional sign, as the toolkit's string-to-integer
// conversion reads it; anything else is a conversion error.
bool toInteger(const QString& text, int& out) {
    const QString s = trimControls(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        negative = s[i++] == u'-';
    if (i == s.size())
        return false;
    qint64 value = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
        if (value > qint64(1) << 31)
            return false;
    }
    value = negative ? -value : value;
    if (value > INT32_MAX || value < INT32_MIN)
        return false;
    out = int(value);
    return true;
}

} // namespace

TLanguage::TLanguage(QObject* owner) : QObject(owner) {}

void TLanguage::SetSeparator(const QString& separator) {
    separator_ = trimControls(separator).isEmpty() ? QStringLiteral(",") : separator;
}

QStringList TLanguage::SplitItems(const QString& value, const QString& separator) {
    if (separator.isEmpty())
        return {trimControls(value)};
    QStringList items;
    qsizetype start = 0;
    for (qsizetype at = value.indexOf(separator, start); at >= 0;
         at = value.indexOf(separator, start)) {
        items.append(trimControls(value.mid(start, at - start)));
        start = at + separator.size();
    }
    const QString last = trimControls(value.mid(start));
    if (!last.isEmpty())
        items.append(last);
    return items;
}

void TLanguage::Translate() {
    if (OnBeforeTranslation)
        OnBeforeTranslation(this);
    {
        const IniFile ini(languageFile_);
        for (const QString& line : properties_) {
            if (trimControls(line).isEmpty())
                continue;
            ApplyValue(line, ini.readString(TranslationsSection, line, QString()));
        }
    }
    if (OnAfterTranslation)
        OnAfterTranslation(this);
}

void TLanguage::ApplyValue(const QString& path, const QString& value) {
    QString remaining = trimControls(path);
    if (remaining.isEmpty())
        return;
    QObject* current = nullptr;
    bool none = false;
    for (qsizetype dot = remaining.indexOf(u'.'); dot >= 0; dot = remaining.indexOf(u'.')) {
        const QString name = trimControls(remaining.left(dot));
        remaining = trimControls(remaining.mid(dot + 1));
        if (!none) {
            current = findOwnedComponent(current, name);
            none = current == nullptr;
        }
    }
    // A one-segment path names a property of the application, which publishes none here.
    if (none || !current || value.isEmpty())
        return;

    const auto property = PublishedProperty::find(current, remaining);
    QString newValue = value;
    if (OnTranslate)
        OnTranslate(this, current, remaining, property ? property->text() : QString(), newValue);
    if (!property)
        return;
    switch (property->kind()) {
    case PropertyKind::Text:
        property->setText(newValue);
        break;
    case PropertyKind::Integer: {
        int number = 0;
        if (!toInteger(newValue, number))
            throw velvo::Error(languageFile_.toStdString(),
                               "'" + newValue.toStdString() + "' is not a valid integer value");
        property->setInteger(number);
        break;
    }
    case PropertyKind::List:
    case PropertyKind::Other:
        property->setItems(SplitItems(newValue, separator_));
        break;
    }
}

QString TLanguage::TranslateMsg(const QString& text) const {
    const IniFile ini(languageFile_);
    return ini.readString(MessagesSection, text, text);
}

#include "translation/IniFile.h"

#include "translation/ProfileText.h"

#include <QFile>
#include <QStringView>

namespace velvo::translation {

namespace {

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString unquoted(const QString& value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

// Counts characters, not UTF-16 units, so a cut never splits a surrogate pair.
QString cutToLength(const QString& value, qsizetype maxChars) {
    qsizetype chars = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (chars == maxChars)
            return value.left(i);
        if (value.at(i).isHighSurrogate() && i + 1 < value.size() &&
            value.at(i + 1).isLowSurrogate())
            ++i;
        ++chars;
    }
    return value;
}

} // namespace

IniFile::IniFile(const QString& path) : path_(path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    if (file.size() > MaxFileBytes)
        return;
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > MaxFileBytes)
        return;
    parse(decodeProfileBytes(bytes));
    loaded_ = true;
}

IniFile IniFile::fromText(const QString& text) {
    IniFile ini;
    ini.parse(text);
    ini.loaded_ = true;
    return ini;
}

void IniFile::parse(const QString& text) {
    QString section;
    bool inSection = false;
    for (QStringView rawLine : QStringView(text).split(u'\n')) {
        const QString line = trimControls(rawLine.toString());
        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const qsizetype close = line.indexOf(u']');
            section = trimControls(line.mid(1, close < 0 ? -1 : close - 1));
            inSection = true;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inSection || eq < 0)
            continue;
        const QString key = trimControls(line.left(eq));
        if (key.isEmpty())
            continue;
        const QString value = cutToLength(unquoted(trimControls(line.mid(eq + 1))), MaxValueLength);
        entries_.push_back({section, key, value});
    }
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& fallback) const {
    const QString wanted = trimControls(key);
    for (const Entry& e : entries_) {
        if (sameName(e.section, section) && sameName(e.key, wanted))
            return e.value;
    }
    return fallback;
}

} // namespace velvo::translation

#include "clients/SearchKey.h"

namespace velvo::clients {

QString NameKey(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    bool blank = false;
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        if (c.isSpace()) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out += u' ';
        blank = false;
        out += c;
    }
    return out.toCaseFolded();
}

QString PhoneKey(const QString& text) {
    QString out;
    for (const QChar c : text)
        if (c >= u'0' && c <= u'9')
            out += c;
    return out;
}

bool LooksLikePhone(const QString& text) {
    bool digit = false;
    for (const QChar c : text) {
        if (c.isLetter())
            return false;
        digit = digit || (c >= u'0' && c <= u'9');
    }
    return digit;
}

QString EscapeLike(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'!' || c == u'%' || c == u'_')
            out += u'!';
        out += c;
    }
    return out;
}

} // namespace velvo::clients

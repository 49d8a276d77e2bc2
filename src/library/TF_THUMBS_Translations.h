#pragma once
#include <QStringList>

namespace velvo::library {

// The property paths the library browser's translator L1 translates, in order (separator ",").
// Header-only so the example translation files can be checked against it without the windows.
inline QStringList browserTranslationList() {
    QStringList list{QStringLiteral("F_THUMBS.CAPTION")};
    for (int page = 1; page <= 8; ++page)
        list << QStringLiteral("F_THUMBS.TabSheet%1.Caption").arg(page);
    return list;
}

} // namespace velvo::library

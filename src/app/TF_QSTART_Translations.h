#pragma once
#include <QStringList>

namespace velvo::app {

// The property paths the first-steps window's translator L1 translates, in order (no item
// separator). Header-only so the example translation files can be checked against it.
inline QStringList firstStepsTranslationList() {
    QStringList list{QStringLiteral("F_QSTART.Caption"),
                     QStringLiteral("F_QSTART.StyledLabel1.Caption")};
    for (int page = 1; page <= 4; ++page)
        list << QStringLiteral("F_QSTART.TabSheet%1.Caption").arg(page);
    for (int label = 1; label <= 24; ++label)
        list << QStringLiteral("F_QSTART.Label%1.Caption").arg(label);
    return list;
}

// The about window's paths (separator ",").
inline QStringList aboutTranslationList() {
    return {QStringLiteral("F_SOBRE.CAPTION"), QStringLiteral("F_SOBRE.Version.Caption")};
}

} // namespace velvo::app

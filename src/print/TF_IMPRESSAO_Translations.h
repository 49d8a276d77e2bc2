#pragma once
#include <QStringList>

namespace velvo::print {

// The property paths the print options window's translator L1 translates, in order.
// Header-only so the example translation files can be checked against it without the windows.
inline QStringList printOptionsTranslationList() {
    return {QStringLiteral("F_IMPRESSAO.Caption"), QStringLiteral("F_IMPRESSAO.BitBtn2.Caption"),
            QStringLiteral("F_IMPRESSAO.BitBtn1.Caption"),
            QStringLiteral("F_IMPRESSAO.Label1.Caption")};
}

// The print preview window's paths (separator ",").
inline QStringList previewTranslationList() {
    return {QStringLiteral("F_PREVIEW2.Caption"), QStringLiteral("F_PREVIEW2.Imprimir1.Caption"),
            QStringLiteral("F_PREVIEW2.Sair1.Caption")};
}

} // namespace velvo::print

#pragma once
#include <QStringList>

namespace velvo::app {

// The property paths the diagnostics window's translator L1 translates (no item separator).
// Header-only so the example translation files can be checked against it.
inline QStringList diagnosticsTranslationList() {
    return {QStringLiteral("F_DIAGNOSTICO.Caption"), QStringLiteral("F_DIAGNOSTICO.Label1.Caption"),
            QStringLiteral("F_DIAGNOSTICO.BT_Copiar.Caption"),
            QStringLiteral("F_DIAGNOSTICO.BT_Fechar.Caption")};
}

} // namespace velvo::app

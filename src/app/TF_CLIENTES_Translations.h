#pragma once
#include <QStringList>

namespace velvo::app {

// The property paths the records window's translator L1 translates (no item separator).
// Header-only so the example translation files can be checked against it.
inline QStringList clientsTranslationList() {
    return {
        QStringLiteral("F_CLIENTES.Caption"),
        QStringLiteral("F_CLIENTES.lblBusca.Caption"),
        QStringLiteral("F_CLIENTES.lblMais.Caption"),
        QStringLiteral("F_CLIENTES.BT_Novo.Caption"),
        QStringLiteral("F_CLIENTES.lblNome.Caption"),
        QStringLiteral("F_CLIENTES.lblTelefone.Caption"),
        QStringLiteral("F_CLIENTES.lblEmail.Caption"),
        QStringLiteral("F_CLIENTES.lblNotas.Caption"),
        QStringLiteral("F_CLIENTES.BT_Gravar.Caption"),
        QStringLiteral("F_CLIENTES.BT_Excluir.Caption"),
        QStringLiteral("F_CLIENTES.BT_Exportar.Caption"),
        QStringLiteral("F_CLIENTES.lblVisitas.Caption"),
        QStringLiteral("F_CLIENTES.lblProvas.Caption"),
        QStringLiteral("F_CLIENTES.BT_AbrirProva.Caption"),
        QStringLiteral("F_CLIENTES.BT_AbrirVisita.Caption"),
        QStringLiteral("F_CLIENTES.BT_ImprimirVisita.Caption"),
        QStringLiteral("F_CLIENTES.gbGuardar.Caption"),
        QStringLiteral("F_CLIENTES.lblNotasVisita.Caption"),
        QStringLiteral("F_CLIENTES.BT_Guardar.Caption"),
    };
}

} // namespace velvo::app

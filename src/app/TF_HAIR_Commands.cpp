// Handlers of the help menu's windows, and those whose commands arrive with printing. Each
// entry is wired now and does nothing until its command is built, so no entry ever shows a
// result it did not compute.
#include "app/TF_HAIR.h"
#include "app/TF_QSTART.h"
#include "app/TF_SOBRE.h"

namespace velvo::app {

void TF_HAIR::QuickStartClick() {
    if (!F_QSTART)
        return;
    F_QSTART->show();
    F_QSTART->raise();
    F_QSTART->activateWindow();
}
void TF_HAIR::SobreoPrograma1Click() {
    if (F_SOBRE)
        F_SOBRE->exec();
}

void TF_HAIR::Imprimir1Click() {}
void TF_HAIR::PrintPreview1Click() {}

} // namespace velvo::app

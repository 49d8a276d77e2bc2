// Handlers whose commands arrive with the about and first-steps windows and printing. Each
// entry is wired now and does nothing until its command is built, so no entry ever shows a
// result it did not compute.
#include "app/TF_HAIR.h"

namespace velvo::app {

void TF_HAIR::QuickStartClick() {}
void TF_HAIR::SobreoPrograma1Click() {}

void TF_HAIR::Imprimir1Click() {}
void TF_HAIR::PrintPreview1Click() {}

} // namespace velvo::app

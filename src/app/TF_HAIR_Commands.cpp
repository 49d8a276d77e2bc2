// Handlers whose commands arrive with the library browser, the tools, the colour panel, the
// retouch editor and printing. Each entry is wired now and does nothing until its command is
// built, so no entry ever shows a result it did not compute.
#include "app/TF_HAIR.h"

namespace velvo::app {

void TF_HAIR::QuickStartClick() {}
void TF_HAIR::SobreoPrograma1Click() {}

void TF_HAIR::Imprimir1Click() {}
void TF_HAIR::PrintPreview1Click() {}

void TF_HAIR::BT_SCROLLClick() {}
void TF_HAIR::BT_MOVEClick() {}
void TF_HAIR::BT_ZOOMClick() {}
void TF_HAIR::BT_LACOClick() {}
void TF_HAIR::Zoom1Click() {}
void TF_HAIR::Zoom2Click() {}
void TF_HAIR::tamanhoOriginal1Click() {}
void TF_HAIR::Replay1Click() {}
void TF_HAIR::Flip1Click() {}
void TF_HAIR::Redimensionar1Click() {}
void TF_HAIR::Undo1Click() {}

void TF_HAIR::AjusteFoto1Click() {}
void TF_HAIR::AjusteCabelo1Click() {}
void TF_HAIR::ColorPanel1Click() {}
void TF_HAIR::BT_SLIDERSClick() {}
void TF_HAIR::RetoqueCabelo1Click() {}
void TF_HAIR::RetoqueFoto1Click() {}
void TF_HAIR::Amarelo1Click() {}
void TF_HAIR::Marrom1Click() {}
void TF_HAIR::Vermelho1Click() {}
void TF_HAIR::Preto1Click() {}
void TF_HAIR::Normal1Click() {}

} // namespace velvo::app

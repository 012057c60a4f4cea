#include "update/gui/frmMain.h"

#include "common/gui/QtUserInterface.h"
#include "update/core/Globales.h"

namespace update {

frmMain::frmMain(Globales& g, common::QtUserInterface& ui) : ProgramForm(g, ui) { Load(nullptr); }

void frmMain::cmdRun_Click() {
  if (PickIfEmpty(txtOrigen) && PickIfEmpty(txtDestino))
    RunGuarded([this] { g_.RunUpdate(OrigenPath(), DestinoPath(), ui_); });
}

}  // namespace update

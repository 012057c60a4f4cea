#include "update/gui/frmMain.h"

#include <QLineEdit>

#include "common/gui/ProgramLayout.h"
#include "common/gui/QtUserInterface.h"
#include "update/core/Globales.h"

namespace update {

frmMain::frmMain(Globales& g, common::QtUserInterface& ui)
    : common::FolderPairForm(common::MainLayout(kUpdateLook), g.MainFormLoaded,
                             common::About(kUpdateLook), ui), g_(g) {
  Load(nullptr);
}

void frmMain::cmdRun_Click() {
  // An empty box opens its picker; still empty afterwards, nothing happens.
  // A box of blanks counts as filled: the run reports a wrong path.
  if (txtOrigen->text().isEmpty()) {
    cmdExploraOrigen_Click();
    if (txtOrigen->text().isEmpty()) return;
  }
  if (txtDestino->text().isEmpty()) {
    cmdExploraDestino_Click();
    if (txtDestino->text().isEmpty()) return;
  }
  RunGuarded([this] { g_.RunUpdate(OrigenPath(), DestinoPath(), ui_); });
}

}  // namespace update

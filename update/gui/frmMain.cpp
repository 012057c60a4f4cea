#include "update/gui/frmMain.h"

#include <QLineEdit>

#include "common/gui/FormLayout.h"
#include "common/gui/QtUserInterface.h"
#include "update/gui/AboutUpdate.h"
#include "update/core/Globales.h"

namespace update {

namespace {

common::FolderPairLayout Layout() {
  using common::TwipsRect;
  common::FolderPairLayout layout;
  layout.caption = QStringLiteral("Update");
  layout.client = common::TwipsSize(4095, 2055);
  layout.label1 = TwipsRect(120, 120, 1332, 252);
  layout.txtOrigen = TwipsRect(120, 360, 3492, 288);
  layout.cmdExploraOrigen = TwipsRect(3720, 360, 252, 252);
  layout.label2 = TwipsRect(120, 840, 1332, 252);
  layout.txtDestino = TwipsRect(120, 1080, 3492, 288);
  layout.cmdExploraDestino = TwipsRect(3720, 1080, 252, 252);
  layout.cmdAcercaDe = TwipsRect(120, 1560, 1212, 372);
  layout.cmdCancelar = TwipsRect(1920, 1560, 972, 372);
  layout.runButton = TwipsRect(3000, 1560, 972, 372);
  layout.runName = QStringLiteral("cmdActualizar");
  layout.runCaption = QStringLiteral("&Actualizar");
  return layout;
}

}  // namespace

frmMain::frmMain(Globales& g, common::QtUserInterface& ui)
    : common::FolderPairForm(Layout(), g.MainFormLoaded, AboutUpdate(), ui), g_(g) {
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

#pragma once
// frmMain of update: the source and copy folders and the button that
// synchronizes them. Each click is one whole run with the command line's
// options; the window stays open afterwards with both paths.

#include "common/gui/ProgramLayout.h"
#include "common/gui/QtFrontEnd.h"
#include "update/gui/UpdateLook.h"

namespace update {

class Globales;

class frmMain : public common::ProgramForm<Globales, kUpdateLook> {
  Q_OBJECT

 public:
  frmMain(Globales& g, common::QtUserInterface& ui);

 private:
  void cmdRun_Click() override;  // cmdActualizar
};

// The program's windows: frmMain, frmUpdate and the shared ones.
using QtFrontEnd = common::ProgramWindows<frmMain>;

}  // namespace update

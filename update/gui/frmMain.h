#pragma once
// frmMain of update: the source and copy folders and the button that
// synchronizes them. Each click is one whole run with the command line's
// options; the window stays open afterwards with both paths.

#include "common/gui/FolderPairForm.h"
#include "common/gui/QtFrontEnd.h"
#include "update/gui/UpdateLook.h"

namespace update {

class Globales;

class frmMain : public common::FolderPairForm {
  Q_OBJECT

 public:
  // What the shared front end needs to know of the program.
  using Globals = Globales;
  static const common::ProgramLook& Look() { return kUpdateLook; }

  frmMain(Globales& g, common::QtUserInterface& ui);

 private:
  void cmdRun_Click() override;  // cmdActualizar

  Globales& g_;
};

// The program's windows: frmMain, frmUpdate and the shared ones.
using QtFrontEnd = common::ProgramWindows<frmMain>;

}  // namespace update

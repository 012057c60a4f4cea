#pragma once
// frmMain of compare: the folder to check, its copy, the quick-comparison
// check box and the button that compares them. Both folders must exist
// before a run starts; Ctrl+W closes the window, which ends the program.

#include "common/gui/FolderPairForm.h"
#include "common/gui/QtFrontEnd.h"
#include "compare/gui/CompareLook.h"

class QCheckBox;

namespace compare {

class Globales;

class frmMain : public common::FolderPairForm {
  Q_OBJECT

 public:
  // What the shared front end needs to know of the program.
  using Globals = Globales;
  static const common::ProgramLook& Look() { return kCompareLook; }

  frmMain(Globales& g, common::QtUserInterface& ui);

 protected:
  bool PreviewKey(QKeyEvent* event) override;
  void Unload() override;

 private:
  void cmdRun_Click() override;  // cmdComparar

  Globales& g_;
  QCheckBox* chkQuick;
};

// The program's windows: frmMain, frmCompare and the shared ones.
using QtFrontEnd = common::ProgramWindows<frmMain>;

}  // namespace compare

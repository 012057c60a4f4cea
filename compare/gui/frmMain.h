#pragma once
// frmMain of compare: the folder to check, its copy, the quick-comparison
// check box and the button that compares them. Both folders must exist
// before a run starts; Ctrl+W closes the window, which ends the program.

#include "common/gui/ProgramLayout.h"
#include "common/gui/QtFrontEnd.h"
#include "compare/gui/CompareLook.h"

class QCheckBox;

namespace compare {

class Globales;

class frmMain : public common::ProgramForm<Globales, kCompareLook> {
  Q_OBJECT

 public:
  frmMain(Globales& g, common::QtUserInterface& ui);

 protected:
  bool PreviewKey(QKeyEvent* event) override;
  void Unload() override;

 private:
  void cmdRun_Click() override;  // cmdComparar
  // The box names a folder that exists: else its picker opens, or the
  // message says the folder is missing and the box takes the focus.
  bool FolderExists(QLineEdit* box, const QString& missing);

  QCheckBox* chkQuick;
};

// The program's windows: frmMain, frmCompare and the shared ones.
using QtFrontEnd = common::ProgramWindows<frmMain>;

}  // namespace compare

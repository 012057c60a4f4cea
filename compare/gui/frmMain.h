#pragma once
// frmMain of compare: the folder to check, its copy, the quick-comparison
// check box and the button that compares them. Both folders must exist
// before a run starts; Ctrl+W closes the window, which ends the program.

#include "common/gui/FolderPairForm.h"

class QCheckBox;

namespace compare {

class Globales;

class frmMain : public common::FolderPairForm {
  Q_OBJECT

 public:
  frmMain(Globales& g, common::QtUserInterface& ui);

 protected:
  bool PreviewKey(QKeyEvent* event) override;
  void Unload() override;

 private:
  void cmdRun_Click() override;  // cmdComparar

  Globales& g_;
  QCheckBox* chkQuick;
};

}  // namespace compare

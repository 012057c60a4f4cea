#pragma once
// frmMain of update: the source and copy folders and the button that
// synchronizes them. Each click is one whole run with the command line's
// options; the window stays open afterwards with both paths.

#include "common/gui/FolderPairForm.h"

namespace update {

class Globales;

class frmMain : public common::FolderPairForm {
  Q_OBJECT

 public:
  frmMain(Globales& g, common::QtUserInterface& ui);

 private:
  void cmdRun_Click() override;  // cmdActualizar

  Globales& g_;
};

}  // namespace update

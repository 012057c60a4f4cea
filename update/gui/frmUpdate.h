#pragma once
// frmUpdate: the window a synchronization run shows while it works.

#include "common/gui/ProgressWindow.h"

namespace update {

class frmUpdate : public common::ProgressWindow {
  Q_OBJECT

 public:
  frmUpdate();
};

}  // namespace update

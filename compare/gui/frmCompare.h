#pragma once
// frmCompare: the window a comparison run shows while it works.

#include "common/gui/ProgressWindow.h"

namespace compare {

class frmCompare : public common::ProgressWindow {
  Q_OBJECT

 public:
  frmCompare();
};

}  // namespace compare

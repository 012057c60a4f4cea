#pragma once
// frmCompare: the window a comparison run shows while it works.

#include "common/gui/ProgressWindow.h"

namespace compare {

class frmCompare : public common::ProgressWindow {
  Q_OBJECT

 public:
  explicit frmCompare(const bool& mainFormLoaded);
};

}  // namespace compare

#pragma once
// frmCompare in Win32: the window a comparison run shows while it works.

#include "common/win32/ProgressWindow.h"

namespace compare::win32 {

class frmCompare : public common::win32::ProgressWindow {
 public:
  explicit frmCompare(const bool& mainFormLoaded);
};

}  // namespace compare::win32

#pragma once
// frmUpdate in Win32: the window a synchronization run shows while it works.

#include "common/win32/ProgressWindow.h"

namespace update::win32 {

class frmUpdate : public common::win32::ProgressWindow {
 public:
  explicit frmUpdate(const bool& mainFormLoaded);
};

}  // namespace update::win32

#pragma once
// The Win32 windows of one program drawn from its ProgramLook: the layouts
// of its main and progress windows and what its About window shows.

#include <string>

#include "common/gui/ProgramLook.h"
#include "common/win32/FolderPairForm.h"
#include "common/win32/ProgressWindow.h"
#include "common/win32/frmAbout.h"

namespace common::win32 {

// The layouts point to texts the object holds: build it where the window
// is built (the window reads its layout while it is constructed).
class ProgramLayout {
 public:
  explicit ProgramLayout(const ProgramLook& look);
  ProgramLayout(const ProgramLayout&) = delete;
  ProgramLayout& operator=(const ProgramLayout&) = delete;

  FolderPairLayout main;
  ProgressLayout progress;

 private:
  std::wstring title_, runName_, runCaption_, progressName_, progressCaption_;
};

// iconId: the program's icon among the resources (IDI_UPDATE).
AboutInfo About(const ProgramLook& look, int iconId);

}  // namespace common::win32

#pragma once
// The Win32 windows of one program drawn from its ProgramLook: the layouts
// of its main and progress windows and what its About window shows.
//
// A layout points to texts it holds itself: build it where the window is
// built (the window reads it while it is constructed), never copy it.

#include <string>

#include "common/gui/ProgramLook.h"
#include "common/win32/FolderPairForm.h"
#include "common/win32/ProgressWindow.h"
#include "common/win32/frmAbout.h"

namespace common::win32 {

class MainLayout {
 public:
  explicit MainLayout(const ProgramLook& look);
  MainLayout(const MainLayout&) = delete;
  MainLayout& operator=(const MainLayout&) = delete;
  operator const FolderPairLayout&() const { return layout_; }

 private:
  std::wstring caption_, runName_, runCaption_;
  FolderPairLayout layout_;
};

class ProgressLayoutOf {
 public:
  explicit ProgressLayoutOf(const ProgramLook& look);
  ProgressLayoutOf(const ProgressLayoutOf&) = delete;
  ProgressLayoutOf& operator=(const ProgressLayoutOf&) = delete;
  operator const ProgressLayout&() const { return layout_; }

 private:
  std::wstring name_, caption_;
  ProgressLayout layout_;
};

// iconId: the program's icon among the resources (IDI_UPDATE).
AboutInfo About(const ProgramLook& look, int iconId);

}  // namespace common::win32

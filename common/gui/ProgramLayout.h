#pragma once
// The Qt windows of one program drawn from its ProgramLook: the layouts of
// its main and progress windows and what its About window shows.

#include <memory>

#include "common/gui/FolderPairForm.h"
#include "common/gui/ProgramLook.h"
#include "common/gui/ProgressWindow.h"
#include "common/gui/frmAbout.h"

namespace common {

FolderPairLayout MainLayout(const ProgramLook& look);
AboutInfo About(const ProgramLook& look);
// The program's progress window (frmUpdate, frmCompare).
std::unique_ptr<ProgressWindow> MakeProgressWindow(const ProgramLook& look);

}  // namespace common

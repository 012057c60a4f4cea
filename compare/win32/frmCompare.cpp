#include "compare/win32/frmCompare.h"

#include "common/win32/ProgramLayout.h"
#include "compare/gui/CompareLook.h"

namespace compare::win32 {

frmCompare::frmCompare(const bool& mainFormLoaded)
    : common::win32::ProgressWindow(common::win32::ProgramLayout(kCompareLook).progress,
                                    mainFormLoaded) {}

}  // namespace compare::win32

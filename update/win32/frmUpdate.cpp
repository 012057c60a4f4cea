#include "update/win32/frmUpdate.h"

#include "common/win32/ProgramLayout.h"
#include "update/gui/UpdateLook.h"

namespace update::win32 {

frmUpdate::frmUpdate(const bool& mainFormLoaded)
    : common::win32::ProgressWindow(common::win32::ProgramLayout(kUpdateLook).progress,
                                    mainFormLoaded) {}

}  // namespace update::win32

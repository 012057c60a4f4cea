#include "update/win32/frmMain.h"

#include "common/win32/ProgramLayout.h"
#include "common/win32/resources/ResourceIds.h"
#include "update/gui/UpdateLook.h"

namespace update::win32 {

common::win32::AboutInfo AboutUpdate() { return common::win32::About(kUpdateLook, IDI_UPDATE); }

frmMain::frmMain(bool& mainFormLoaded, common::win32::Win32UserInterface& ui, Runner run)
    : common::win32::FolderPairForm(common::win32::ProgramLayout(kUpdateLook).main, mainFormLoaded,
                                    AboutUpdate(), ui),
      run_(std::move(run)) {
  Load();
}

void frmMain::cmdRun_Click() {
  // An empty box opens its picker; still empty afterwards, nothing happens.
  // A box of blanks counts as filled: the run reports a wrong path.
  if (OrigenText().empty()) {
    cmdExploraOrigen_Click();
    if (OrigenText().empty()) return;
  }
  if (DestinoText().empty()) {
    cmdExploraDestino_Click();
    if (DestinoText().empty()) return;
  }
  RunGuarded([this] { run_(OrigenPath(), DestinoPath()); });
}

}  // namespace update::win32

#include "update/win32/frmMain.h"

#include "common/win32/resources/ResourceIds.h"

namespace update::win32 {

namespace {

common::win32::FolderPairLayout Layout() {
  common::win32::FolderPairLayout layout{};
  layout.caption = L"Update";
  layout.clientWidth = 4095;
  layout.clientHeight = 2055;
  layout.label1 = {120, 120, 1332, 252};
  layout.txtOrigen = {120, 360, 3492, 288};
  layout.cmdExploraOrigen = {3720, 360, 252, 252};
  layout.label2 = {120, 840, 1332, 252};
  layout.txtDestino = {120, 1080, 3492, 288};
  layout.cmdExploraDestino = {3720, 1080, 252, 252};
  layout.cmdAcercaDe = {120, 1560, 1212, 372};
  layout.cmdCancelar = {1920, 1560, 972, 372};
  layout.runButton = {3000, 1560, 972, 372};
  layout.runName = L"cmdActualizar";
  layout.runCaption = L"&Actualizar";
  return layout;
}

}  // namespace

common::win32::AboutInfo AboutUpdate() {
  common::win32::AboutInfo info;
  info.title = L"Update";
  info.major = UPDATE_VERSION_MAJOR;
  info.minor = UPDATE_VERSION_MINOR;
  info.revision = UPDATE_VERSION_REVISION;
  info.description =
      L"Mantiene sincronizadas dos copias de una carpeta. Ideal para copias de seguridad diarias "
      L"sobre un segundo disco duro o un dispositivo removible. V\u00e9ase Update.txt para m\u00e1s "
      L"informaci\u00f3n.";
  info.legalNotice = common::win32::Widen(LEGAL_NOTICE);
  info.iconId = IDI_UPDATE;
  return info;
}

frmMain::frmMain(bool& mainFormLoaded, common::win32::Win32UserInterface& ui, Runner run)
    : common::win32::FolderPairForm(Layout(), mainFormLoaded, AboutUpdate(), ui),
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

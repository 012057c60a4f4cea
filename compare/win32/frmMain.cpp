#include "compare/win32/frmMain.h"

#include "common/win32/MessageBox.h"
#include "common/win32/resources/ResourceIds.h"

namespace compare::win32 {

namespace {

constexpr int kQuick = 210;

common::win32::FolderPairLayout Layout() {
  common::win32::FolderPairLayout layout{};
  layout.caption = L"Compare";
  layout.clientWidth = 4095;
  layout.clientHeight = 2295;
  layout.label1 = {120, 120, 1335, 255};
  layout.txtOrigen = {120, 360, 3492, 288};
  layout.cmdExploraOrigen = {3720, 360, 252, 252};
  layout.label2 = {120, 720, 1335, 255};
  layout.txtDestino = {120, 960, 3492, 288};
  layout.cmdExploraDestino = {3720, 960, 252, 252};
  layout.cmdAcercaDe = {120, 1800, 1212, 372};
  layout.cmdCancelar = {1920, 1800, 972, 372};
  layout.runButton = {3000, 1800, 972, 372};
  layout.runName = L"cmdComparar";
  layout.runCaption = L"C&omparar";
  return layout;
}

}  // namespace

common::win32::AboutInfo AboutCompare() {
  common::win32::AboutInfo info;
  info.title = L"Compare";
  info.major = COMPARE_VERSION_MAJOR;
  info.minor = COMPARE_VERSION_MINOR;
  info.revision = COMPARE_VERSION_REVISION;
  info.description =
      L"Compara dos copias de una carpeta. Ideal para validar una copia de seguridad creada y "
      L"mantenida por Update u otra herramienta de copia de seguridad incremental. V\u00e9ase "
      L"Create.txt para m\u00e1s informaci\u00f3n.";
  info.legalNotice = common::win32::Widen(LEGAL_NOTICE);
  info.iconId = IDI_COMPARE;
  return info;
}

frmMain::frmMain(bool& mainFormLoaded, common::win32::Win32UserInterface& ui, bool quick,
                 Actions actions)
    : common::win32::FolderPairForm(Layout(), mainFormLoaded, AboutCompare(), ui),
      actions_(std::move(actions)) {
  // Last in tab order, though it sits above the buttons.
  chkQuick = AddControl(L"chkQuick", L"BUTTON", L"Comparaci\u00f3n &r\u00e1pida",
                        WS_TABSTOP | BS_AUTOCHECKBOX, {120, 1320, 3855, 255}, kQuick);
  // The /q switch presets the box; afterwards it follows the user.
  SendMessageW(chkQuick, BM_SETCHECK, quick ? BST_CHECKED : BST_UNCHECKED, 0);
  Load();
}

bool frmMain::PreviewKey(const MSG& msg) {
  const bool onlyCtrl = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0 &&
                        GetKeyState(VK_SHIFT) >= 0;
  if (msg.message == WM_KEYDOWN && msg.wParam == 'W' && onlyCtrl) {
    Click(cmdCancelar);
    return true;
  }
  return common::win32::FolderPairForm::PreviewKey(msg);
}

void frmMain::cmdRun_Click() {
  const std::wstring title = Caption();
  if (OrigenText().empty()) {
    cmdExploraOrigen_Click();
    if (OrigenText().empty()) return;
  }
  // Relative texts are judged against the current folder, as the run will.
  if (!actions_.dirExists(OrigenPath())) {
    common::win32::ShowInformation(Hwnd(), title, L"El directorio de origen seleccionado no existe.");
    SetFocus(txtOrigen);
    return;
  }
  if (DestinoText().empty()) {
    cmdExploraDestino_Click();
    if (DestinoText().empty()) return;
  }
  if (!actions_.dirExists(DestinoPath())) {
    common::win32::ShowInformation(Hwnd(), title,
                                   L"El directorio de destino seleccionado no existe.");
    SetFocus(txtDestino);
    return;
  }
  const bool quick = SendMessageW(chkQuick, BM_GETCHECK, 0, 0) == BST_CHECKED;
  RunGuarded([this, quick] { actions_.run(OrigenPath(), DestinoPath(), quick); });
}

}  // namespace compare::win32

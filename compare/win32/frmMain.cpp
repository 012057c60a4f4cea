#include "compare/win32/frmMain.h"

#include "common/win32/MessageBox.h"
#include "common/win32/ProgramLayout.h"
#include "common/win32/resources/ResourceIds.h"
#include "compare/gui/CompareLook.h"

namespace compare::win32 {

namespace {

constexpr int kQuick = 210;

}  // namespace

common::win32::AboutInfo AboutCompare() { return common::win32::About(kCompareLook, IDI_COMPARE); }

frmMain::frmMain(bool& mainFormLoaded, common::win32::Win32UserInterface& ui, bool quick,
                 Actions actions)
    : common::win32::FolderPairForm(common::win32::ProgramLayout(kCompareLook).main, mainFormLoaded,
                                    AboutCompare(), ui),
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

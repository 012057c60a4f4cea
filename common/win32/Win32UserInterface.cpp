#include "common/win32/Win32UserInterface.h"

#include "common/win32/MessageBox.h"
#include "common/win32/frmErrores.h"

namespace common::win32 {

Win32UserInterface::Win32UserInterface(std::wstring title, ProgressView &progress)
    : MessageBoxUserInterface(progress), title_(std::move(title)) {}

void Win32UserInterface::ShowBox(BoxIcon icon, const std::string &title, const std::string &text) {
  ShowMessageBox(Owner(), Widen(title), Widen(text),
                 MB_OK | (icon == BoxIcon::Warning ? MB_ICONWARNING : MB_ICONINFORMATION));
}

bool Win32UserInterface::AskYesNoBox(const std::string &title, const std::string &text,
                                     DefaultAnswer preset) {
  return AskYesNo(Owner(), Widen(title), Widen(text), preset);
}

void Win32UserInterface::ShowErrorList(const std::vector<std::string>& lines) {
  frmErrores window(lines, Owner());
  window.Show();
}

void Win32UserInterface::ShowDebugFailure(const DebugStop& stop) {
  ShowMessageBox(Owner(), title_, Widen(stop.Line()), MB_OK | MB_ICONERROR);
}

}  // namespace common::win32

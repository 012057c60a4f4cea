#include "common/win32/Win32UserInterface.h"

#include "common/win32/MessageBox.h"
#include "common/win32/frmErrores.h"

namespace common::win32 {

Win32UserInterface::Win32UserInterface(std::wstring title, ProgressView& progress)
    : title_(std::move(title)), progress_(progress) {}

void Win32UserInterface::ShowUsage(const std::string& text) {
  ShowInformation(Owner(), L"Ayuda", Widen(text));
}

void Win32UserInterface::ShowUsageError(const std::string& problem, const std::string& text) {
  // The usage box, with a warning icon: the program ends without running.
  ShowMessageBox(Owner(), L"Ayuda", Widen(problem + "\r\n\r\n" + text), MB_OK | MB_ICONWARNING);
}

bool Win32UserInterface::AskToShowErrors(const std::string& title) {
  return AskYesNo(Owner(), Widen(title),
                  L"Se han producido errores durante la operaci\u00f3n. "
                  L"\u00bfDesea ver la lista de errores?");
}

bool Win32UserInterface::AskToEmptyDestination(const std::string& title) {
  return AskYesNo(Owner(), Widen(title),
                  L"El origen est\u00e1 vac\u00edo. "
                  L"\u00bfDesea borrar todo el contenido del destino?",
                  DefaultAnswer::No);
}

void Win32UserInterface::ShowErrorList(const std::vector<std::string>& lines) {
  frmErrores window(lines, Owner());
  window.Show();
}

void Win32UserInterface::ShowDebugFailure(const DebugStop& stop) {
  ShowMessageBox(Owner(), title_, Widen(stop.Line()), MB_OK | MB_ICONERROR);
}

void Win32UserInterface::ShowMessage(const std::string& title, const std::string& text) {
  ShowInformation(Owner(), Widen(title), Widen(text));
}

}  // namespace common::win32

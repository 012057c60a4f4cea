#include "common/win32/frmErrores.h"

namespace common::win32 {

std::wstring frmErrores::ListText(const std::vector<std::string>& lines) {
  std::wstring text;
  for (const std::string& line : lines) {
    text += Widen(line);
    text += L"\r\n";
  }
  return text;
}

frmErrores::frmErrores(const std::vector<std::string>& lines, HWND owner)
    : ModalForm(owner), background_(GetSysColorBrush(COLOR_WINDOW)) {
  // Owned by the main window it stays above it; after a run from the
  // command line it is the program's only window, in the task bar.
  CreateForm(L"frmErrores", L"Errores", 6015, 3135, WS_OVERLAPPEDWINDOW,
             owner ? 0 : WS_EX_APPWINDOW, owner);
  Text1 = AddControl(L"Text1", L"EDIT", L"",
                     WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_AUTOHSCROLL |
                         ES_AUTOVSCROLL | ES_READONLY | ES_NOHIDESEL,
                     {0, 0, 6012, 2892}, 1, WS_EX_CLIENTEDGE);
  SendMessageW(Text1, EM_SETLIMITTEXT, 0, 0);
  SetWindowTextW(Text1, ListText(lines).c_str());
  RECT client;
  GetClientRect(Hwnd(), &client);
  MoveWindow(Text1, 0, 0, client.right, client.bottom, FALSE);
  CentreOn(nullptr);
}

frmErrores::~frmErrores() = default;

void frmErrores::Show() {
  SendMessageW(Text1, EM_SETSEL, 0, 0);
  ShowModal(Text1);
}

bool frmErrores::PreviewKey(const MSG& msg) {
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
    EndModal();
    return true;
  }
  return false;
}

LRESULT frmErrores::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      // The box fills the client area exactly, at any size, minimised too.
      MoveWindow(Text1, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_CTLCOLORSTATIC:
      // Read-only, yet drawn as a text box rather than greyed out.
      if (reinterpret_cast<HWND>(lParam) == Text1) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(background_);
      }
      break;
    default:
      break;
  }
  return Form::WndProc(message, wParam, lParam);
}

void frmErrores::OnCommand(int id, int, HWND) {
  if (id == IDCANCEL) EndModal();
}

}  // namespace common::win32

#include "common/win32/MessageBox.h"

namespace common::win32 {

namespace {

HHOOK g_hook = nullptr;

// The box's buttons get their Spanish captions as it is activated, before
// it is first painted.
LRESULT CALLBACK CaptionHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wParam);
    wchar_t name[16] = {};
    GetClassNameW(box, name, 16);
    if (std::wstring_view(name) == L"#32770") {
      if (HWND ok = GetDlgItem(box, IDOK)) SetWindowTextW(ok, L"Aceptar");
      if (HWND yes = GetDlgItem(box, IDYES)) SetWindowTextW(yes, L"&S\u00ed");
      if (HWND no = GetDlgItem(box, IDNO)) SetWindowTextW(no, L"&No");
      if (HWND cancel = GetDlgItem(box, IDCANCEL)) SetWindowTextW(cancel, L"Cancelar");
      UnhookWindowsHookEx(g_hook);
      g_hook = nullptr;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int ShowMessageBox(HWND owner, const std::wstring& title, const std::wstring& text, UINT type) {
  if (!g_hook) g_hook = SetWindowsHookExW(WH_CBT, CaptionHook, nullptr, GetCurrentThreadId());
  // Without an owner the box is the program's only window: it goes in the
  // task bar, in front.
  const UINT ownership = owner ? MB_APPLMODAL : MB_TASKMODAL | MB_SETFOREGROUND;
  const int answer = MessageBoxW(owner, text.c_str(), title.c_str(), type | ownership);
  if (g_hook) {
    UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
  }
  return answer;
}

void ShowInformation(HWND owner, const std::wstring& title, const std::wstring& text) {
  ShowMessageBox(owner, title, text, MB_OK | MB_ICONINFORMATION);
}

bool AskYesNo(HWND owner, const std::wstring& title, const std::wstring& text,
              DefaultAnswer preset) {
  const UINT defaultButton = preset == DefaultAnswer::Yes ? MB_DEFBUTTON1 : MB_DEFBUTTON2;
  return ShowMessageBox(owner, title, text, MB_YESNO | MB_ICONWARNING | defaultButton) == IDYES;
}

}  // namespace common::win32

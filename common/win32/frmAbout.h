#pragma once
// frmAbout: the About box of both programs. Icon, title, version and
// description of the program, a disclaimer with the build's legal notice,
// OK and a button that starts the system information tool named in the
// registry.

#include <string>

#include "common/win32/Win32Form.h"

namespace common::win32 {

struct AboutInfo {
  std::wstring title;  // "Update" or "Compare"
  int major = 0;
  int minor = 0;
  int revision = 0;
  std::wstring description;
  std::wstring legalNotice;
  int iconId = 0;  // the program's icon among the resources
};

// Reads a registry value as text: a text value as it is, a 32-bit number
// as "&h" and its bytes in hexadecimal, the last byte first. Key path,
// value name and texts travel in the system's 8-bit code page. value keeps
// what it held for any other type; it becomes "" when the key or the value
// cannot be read, and the result is then false.
bool GetKeyValue(HKEY root, const std::string& keyName, const std::string& valueName,
                 std::string& value);

class frmAbout : public ModalForm {
 public:
  frmAbout(AboutInfo info, HWND owner);
  ~frmAbout() override;

  // Shows the window modally over its owner; returns when it closes.
  void Show();

  // Starts the system information tool without waiting for it, or says
  // that it is not available. root is HKEY_LOCAL_MACHINE but for tests.
  // True when the tool was started.
  bool StartSysInfo(HKEY root = HKEY_LOCAL_MACHINE);

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCommand(int id, int code, HWND control) override;

 private:
  AboutInfo info_;
  HFONT titleFont_;
  HICON icon_ = nullptr;
};

}  // namespace common::win32

#pragma once
// frmErrores: the error lines of a run, one a line, in a resizable window
// whose text box fills the client area. Escape closes it, whatever control
// has the focus. The lines can be selected and copied, not edited.

#include <string>
#include <vector>

#include "common/win32/Win32Form.h"

namespace common::win32 {

class frmErrores : public ModalForm {
 public:
  explicit frmErrores(const std::vector<std::string>& lines, HWND owner = nullptr);
  ~frmErrores() override;

  // The text of the box: every line followed by CR LF.
  static std::wstring ListText(const std::vector<std::string>& lines);

  // Shows the window modally; returns when it closes.
  void Show();

  bool PreviewKey(const MSG& msg) override;

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCommand(int id, int code, HWND control) override;

 private:
  HWND Text1;
  HBRUSH background_;
};

}  // namespace common::win32

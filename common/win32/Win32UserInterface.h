#pragma once
// The dialogs of a run as Win32 windows: message boxes, the error list
// window and the program's progress window.

#include <string>

#include "common/core/MessageBoxUserInterface.h"
#include "common/win32/Win32Form.h"

namespace common::win32 {

class Win32UserInterface : public MessageBoxUserInterface {
 public:
  // title: the program's title, the caption of its own messages.
  Win32UserInterface(std::wstring title, ProgressView& progress);

  // The main window while it is open: it owns the dialogs of a run.
  void SetOwner(HWND owner) { owner_ = owner; }

  void ShowErrorList(const std::vector<std::string>& lines) override;
  void ShowDebugFailure(const DebugStop &stop) override;

 private:
  void ShowBox(BoxIcon icon, const std::string &title, const std::string &text) override;
  bool AskYesNoBox(const std::string &title, const std::string &text,
                   DefaultAnswer preset) override;
  HWND Owner() const { return owner_ && IsWindow(owner_) ? owner_ : nullptr; }

  std::wstring title_;
  HWND owner_ = nullptr;
};

}  // namespace common::win32

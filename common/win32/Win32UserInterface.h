#pragma once
// The dialogs of a run as Win32 windows: message boxes, the error list
// window and the program's progress window.

#include <string>

#include "common/core/UserInterface.h"
#include "common/win32/Win32Form.h"

namespace common::win32 {

class Win32UserInterface : public UserInterface {
 public:
  // title: the program's title, the caption of its own messages.
  Win32UserInterface(std::wstring title, ProgressView& progress);

  // The main window while it is open: it owns the dialogs of a run.
  void SetOwner(HWND owner) { owner_ = owner; }

  void ShowUsage(const std::string& text) override;
  void ShowUsageError(const std::string& problem, const std::string& text) override;
  bool AskToShowErrors(const std::string& title) override;
  bool AskToEmptyDestination(const std::string& title) override;
  void ShowErrorList(const std::vector<std::string>& lines) override;
  void ShowDebugFailure(const DebugStop& stop) override;
  void ShowMessage(const std::string& title, const std::string& text) override;
  ProgressView& Progress() override { return progress_; }

 private:
  HWND Owner() const { return owner_ && IsWindow(owner_) ? owner_ : nullptr; }

  std::wstring title_;
  ProgressView& progress_;
  HWND owner_ = nullptr;
};

}  // namespace common::win32

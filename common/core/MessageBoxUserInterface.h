#pragma once
// MessageBoxUserInterface: the dialogs of a run as windows, whatever the
// toolkit. Which message box each dialog is, with its title, icon, buttons
// and text, is written here once; a toolkit shows the boxes, the error list
// window, the failure that stopped a run under /debug, and owns the
// program's progress window.

#include <string>

#include "common/core/UserInterface.h"

namespace common {

class MessageBoxUserInterface : public UserInterface {
 public:
  explicit MessageBoxUserInterface(ProgressView &progress) : progress_(progress) {}

  void ShowUsage(const std::string &text) final;
  void ShowUsageError(const std::string &problem, const std::string &text) final;
  bool AskToShowErrors(const std::string &title) final;
  bool AskToEmptyDestination(const std::string &title) final;
  void ShowMessage(const std::string &title, const std::string &text) final;
  ProgressView &Progress() final { return progress_; }

 protected:
  enum class BoxIcon { Information, Warning };
  // A modal box with OK. The core joins lines with CR LF.
  virtual void ShowBox(BoxIcon icon, const std::string &title, const std::string &text) = 0;
  // A modal box with the warning icon, Yes and No. True for Yes.
  virtual bool AskYesNoBox(const std::string &title, const std::string &text,
                           DefaultAnswer preset) = 0;

 private:
  ProgressView &progress_;
};

}  // namespace common

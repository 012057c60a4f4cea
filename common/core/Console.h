#pragma once
// The console front end, used whenever no display is available (cron, ssh, a
// systemd timer): usage text on standard output; progress on standard error
// only when it is a terminal (one line rewritten in place, a few times a
// second at most); the end-of-run question asked on the terminal when
// standard input is one (Yes the default), otherwise answered Yes so the
// error list is printed, never silently dropped; the question before an
// empty source empties the copy likewise, with No the default and the answer
// without a terminal. Ctrl+C (SIGINT) and SIGTERM during a run act as the
// Cancel button.

#include <string>

#include "common/core/CancelSignals.h"
#include "common/core/UserInterface.h"

namespace common {

// True when a window can be shown: DISPLAY or WAYLAND_DISPLAY set, or
// QT_QPA_PLATFORM given.
bool DisplayAvailable();

// For main(): the C library's messages (strerror) in the user's language,
// always in UTF-8 like every other text of the programs. Only the messages
// follow the locale; the name comparison and the character type do not.
void UseUserMessages();

class ConsoleProgressView : public ProgressView {
 public:
  ConsoleProgressView();
  ~ConsoleProgressView() override;
  void Open(std::function<void()> onCancel) override;  // installs SIGINT/SIGTERM handlers
  void Close() override;                               // restores them, ends the progress line
  void SetFileLabel(std::string_view text) override;
  void SetPathLabel(std::string_view text) override;
  void SetBar(float percent) override;
  float Bar() const override { return bar_; }
  void DisableCancel() override {}
  void ProcessEvents() override;  // delivers a pending signal as a cancel; redraws now and then
  bool ShowsBar() const override { return toTerminal_; }

 private:
  void Redraw();
  std::function<void()> onCancel_;
  CancelSignals signals_;
  std::string path_;
  float bar_ = 0;
  bool toTerminal_ = false;
  bool open_ = false;
  bool drawn_ = false;     // a progress line is on screen and must be cleared
  unsigned columns_ = 80;  // terminal width, read at Open
  long long lastDrawNs_ = 0;
  unsigned callsSinceClock_ = 0;
};

class ConsoleUserInterface : public UserInterface {
 public:
  ConsoleUserInterface() = default;
  void ShowUsage(const std::string& text) override;
  void ShowUsageError(const std::string& problem, const std::string& text) override;
  bool AskToShowErrors(const std::string& title) override;
  bool AskToEmptyDestination(const std::string& title) override;
  void ShowErrorList(const std::vector<std::string>& lines) override;
  void ShowDebugFailure(const DebugStop& stop) override;
  void ShowMessage(const std::string& title, const std::string& text) override;
  ProgressView& Progress() override { return progress_; }

 private:
  ConsoleProgressView progress_;
};

}  // namespace common

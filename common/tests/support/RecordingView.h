#pragma once
// A progress view and the dialogs of a run, for tests of both programs:
// they record what the run shows and answer as the test chose. The view can
// press Cancelar from inside ProcessEvents, where a real click arrives: at
// the nth pause of a run, at the first pause after a chosen status text, or
// from a test's own hook.

#include <functional>
#include <string>
#include <vector>

#include "common/core/ProgressView.h"
#include "common/core/UserInterface.h"

namespace testsupport {

class RecordingView : public common::ProgressView {
 public:
  void Open(std::function<void()> onCancel) override;
  void Close() override;
  void SetFileLabel(std::string_view text) override;
  void SetPathLabel(std::string_view text) override;
  void SetBar(float percent) override;
  float Bar() const override { return bar_; }
  void DisableCancel() override { ++cancelDisabled; }
  void ProcessEvents() override;
  bool ShowsBar() const override { return showsBar; }

  // Presses Cancelar during the nth pause of a run (1 = first; 0 = never).
  void CancelAtEvent(long n) { cancelAt_ = n; }
  // Presses Cancelar at the first pause after the path label read text.
  void CancelAfterPath(std::string text) { cancelAfterPath_ = std::move(text); }
  // Presses Cancelar once more at every later pause (a user clicking twice).
  void KeepClicking() { keepClicking_ = true; }
  // Presses Cancelar now, as a click handler would.
  void ClickCancel();

  // Runs inside every pause, after a scheduled click.
  std::function<void(RecordingView&)> onEvent;

  bool showsBar = true;  // false: a view nobody sees, as a console run from cron
  int opened = 0;
  int closed = 0;
  int cancelDisabled = 0;
  long events = 0;                      // pauses since the last Open
  std::string fileLabel;                // the file label now
  std::vector<std::string> fileLabels;  // every non-empty file label, in order
  std::vector<std::string> pathLabels;
  std::vector<float> bars;

 private:
  std::function<void()> onCancel_;
  float bar_ = 0;
  long cancelAt_ = 0;
  std::string cancelAfterPath_;
  bool pathSeen_ = false;
  bool keepClicking_ = false;
  bool clicked_ = false;
};

class RecordingUserInterface : public common::UserInterface {
 public:
  void ShowUsage(const std::string& text) override { usage.push_back(text); }
  void ShowUsageError(const std::string& problem, const std::string& text) override {
    usage.push_back(problem + "\n" + text);
  }
  bool AskToShowErrors(const std::string& title) override {
    questions.push_back(title);
    return answerYes;
  }
  // The copy is never emptied on a test's behalf: the answer is No.
  bool AskToEmptyDestination(const std::string&) override { return false; }
  void ShowErrorList(const std::vector<std::string>& lines) override { shownLists.push_back(lines); }
  void ShowDebugFailure(const common::DebugStop& stop) override { debugFailures.push_back(stop.Line()); }
  void ShowMessage(const std::string& title, const std::string& text) override {
    messages.push_back(title + ": " + text);
  }
  common::ProgressView& Progress() override { return view; }

  bool answerYes = true;
  RecordingView view;
  std::vector<std::string> usage;
  std::vector<std::string> questions;
  std::vector<std::vector<std::string>> shownLists;
  std::vector<std::string> debugFailures;
  std::vector<std::string> messages;
};

}  // namespace testsupport

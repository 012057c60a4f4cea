#pragma once
// The dialogs of a run, recorded: which question was asked, what list was
// shown, and a chosen answer to the question.

#include <string>
#include <vector>

#include "common/core/UserInterface.h"
#include "compare/tests/support/RecordingView.h"

namespace comparetest {

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
  bool AskToEmptyDestination(const std::string&) override { return false; }  // compare never asks
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

}  // namespace comparetest

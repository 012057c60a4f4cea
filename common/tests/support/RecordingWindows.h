#pragma once
// The windows of a program as its start-up sees them: the recording user
// interface, and each main window asked for, with the folder it was given.
// Header only.

#include <string>
#include <vector>

#include "common/core/WindowFrontEnd.h"
#include "common/tests/support/RecordingView.h"

namespace testsupport {

class RecordingWindows : public common::WindowFrontEnd {
 public:
  common::UserInterface& Ui() override { return ui; }
  int RunMainWindow(const std::string& origen) override {
    mainWindows.push_back(origen);
    return 0;
  }
  RecordingUserInterface ui;
  std::vector<std::string> mainWindows;
};

}  // namespace testsupport

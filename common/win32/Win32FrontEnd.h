#pragma once
// A program's Win32 windows as its start-up routine sees them: message
// boxes, the error list and the progress window, and the main window. Each
// program gives its look, its icon and its frmMain.

#include <functional>
#include <memory>
#include <string>

#include "common/core/WindowFrontEnd.h"
#include "common/gui/ProgramLook.h"
#include "common/win32/FolderPairForm.h"
#include "common/win32/ProgressWindow.h"
#include "common/win32/Win32UserInterface.h"

namespace common::win32 {

class Win32FrontEnd : public WindowFrontEnd {
 public:
  using MainWindowMaker = std::function<std::unique_ptr<FolderPairForm>(Win32UserInterface&)>;

  // look: the program's title (the caption of its own messages) and its
  // progress window; iconId names its icon among the resources.
  Win32FrontEnd(const ProgramLook& look, int iconId, const bool& mainFormLoaded,
                MainWindowMaker makeMainWindow);
  ~Win32FrontEnd() override;

  UserInterface& Ui() override { return ui_; }
  int RunMainWindow(const std::string& origen) override;

  // Shows the main window without entering the message loop (RunMainWindow
  // does both). Tests drive the window from here.
  FolderPairForm& ShowMainWindow(const std::string& origen);
  ProgressWindow& Progress() { return *progress_; }

 private:
  std::unique_ptr<ProgressWindow> progress_;
  Win32UserInterface ui_;
  MainWindowMaker makeMainWindow_;
  std::unique_ptr<FolderPairForm> main_;
};

}  // namespace common::win32

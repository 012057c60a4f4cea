#pragma once
// A program's windows as its start-up routine sees them: message boxes, the
// error list and the progress window, and the main window. Each program
// gives its progress window and its frmMain (ProgramWindows below); the
// rest is the same.

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "common/core/WindowFrontEnd.h"
#include "common/gui/FolderPairForm.h"
#include "common/gui/ProgramLayout.h"
#include "common/gui/ProgressWindow.h"
#include "common/gui/QtUserInterface.h"

namespace common {

class QtFrontEnd : public WindowFrontEnd {
 public:
  using MainWindowMaker = std::function<std::unique_ptr<FolderPairForm>(QtUserInterface&)>;

  // Needs a QApplication. title captions the program's own messages
  // ("Update"), iconName names its icon; makeMainWindow builds its frmMain.
  QtFrontEnd(const QString& title, const QString& iconName, std::unique_ptr<ProgressWindow> progress,
             MainWindowMaker makeMainWindow);
  ~QtFrontEnd() override;

  UserInterface& Ui() override { return ui_; }
  int RunMainWindow(const std::string& origen) override;

  // Shows the main window without entering the event loop (RunMainWindow
  // does both). Tests drive the window from here.
  FolderPairForm& ShowMainWindow(const std::string& origen);
  common::ProgressWindow& ProgressWindow() { return *progress_; }

 private:
  std::unique_ptr<common::ProgressWindow> progress_;
  QtUserInterface ui_;
  MainWindowMaker makeMainWindow_;
  std::unique_ptr<FolderPairForm> main_;
};

// The windows of one program, as its frmMain describes them: the run state
// it is built on (Globals) and what its windows show (Look()).
template <class MainForm>
class ProgramWindows : public QtFrontEnd {
 public:
  // Needs a QApplication; g outlives the front end.
  explicit ProgramWindows(typename MainForm::Globals& g)
      : QtFrontEnd(QString::fromUtf8(MainForm::Look().title),
                   QString::fromUtf8(MainForm::Look().iconName), MakeProgressWindow(MainForm::Look()),
                   [&g](QtUserInterface& ui) { return std::make_unique<MainForm>(g, ui); }) {}

  MainForm& ShowMainWindow(const std::string& origen) {
    return static_cast<MainForm&>(QtFrontEnd::ShowMainWindow(origen));
  }
};

}  // namespace common

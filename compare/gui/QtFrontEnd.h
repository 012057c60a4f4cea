#pragma once
// The windows of compare as its start-up routine sees them: message boxes,
// the error list and the progress window, and the main window.

#include <memory>
#include <string>

#include "common/core/WindowFrontEnd.h"
#include "common/gui/QtUserInterface.h"
#include "compare/gui/frmMain.h"
#include "compare/gui/frmCompare.h"

namespace compare {

class Globales;

class QtFrontEnd : public common::WindowFrontEnd {
 public:
  // Needs a QApplication; g outlives the front end.
  explicit QtFrontEnd(Globales& g);
  ~QtFrontEnd() override;

  common::UserInterface& Ui() override { return ui_; }
  int RunMainWindow(const std::string& origen) override;

  // Shows the main window without entering the event loop (RunMainWindow
  // does both). Tests drive the window from here.
  frmMain& ShowMainWindow(const std::string& origen);
  frmCompare& ProgressWindow() { return progress_; }

 private:
  Globales& g_;
  frmCompare progress_;
  common::QtUserInterface ui_;
  std::unique_ptr<frmMain> main_;
};

}  // namespace compare

#pragma once
// The windows of update as its start-up routine sees them: message boxes,
// the error list and the progress window, and the main window.

#include <memory>
#include <string>

#include "common/core/WindowFrontEnd.h"
#include "common/gui/QtUserInterface.h"
#include "update/gui/frmMain.h"
#include "update/gui/frmUpdate.h"

namespace update {

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
  frmUpdate& ProgressWindow() { return progress_; }

 private:
  Globales& g_;
  frmUpdate progress_;
  common::QtUserInterface ui_;
  std::unique_ptr<frmMain> main_;
};

}  // namespace update

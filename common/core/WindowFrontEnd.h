#pragma once
// What a program's windows offer its start-up routine. When no display is
// available the programs run without one, on the console front end only.

#include <string>

#include "common/core/UserInterface.h"

namespace common {

class WindowFrontEnd {
 public:
  virtual ~WindowFrontEnd() = default;

  // Message boxes, the error list window and the progress window.
  virtual UserInterface& Ui() = 0;

  // Shows the main window (with origen in txtOrigen and the focus in
  // txtDestino when origen is not empty) and runs the event loop until the
  // window closes. Returns the process's exit status.
  virtual int RunMainWindow(const std::string& origen) = 0;
};

}  // namespace common

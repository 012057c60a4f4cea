#pragma once
// What a program's windows offer its start-up routine. When no display is
// available the programs run without one, on the console front end only.

#include <functional>
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

// Runs one run started from a main window, running set meanwhile. A
// DebugStop leaving it (the engine closed its progress window on the way
// out) is shown, and the answer is the status the program ends with, with
// nothing reported but this failure; otherwise 0.
inline int RunFromMainWindow(UserInterface &ui, bool &running, const std::function<void()> &run) {
  running = true;
  try {
    run();
  } catch (const DebugStop &stop) {
    running = false;
    ui.ShowDebugFailure(stop);
    return kExitDebugStop;
  }
  running = false;
  return 0;
}

}  // namespace common

#pragma once
// Globales: the process-wide state of update (its option settings, its
// ErrorList, whether the main window is loaded, the file system and the
// clock it runs on), the run control RunUpdate and the start-up routine
// UpdateMain that both the console program and the windows call.

#include <cstdint>
#include <string>
#include <vector>

#include "common/core/Clock.h"
#include "common/core/FileSystem.h"
#include "common/core/UserInterface.h"
#include "common/core/WindowFrontEnd.h"
#include "common/core/ErrorList.h"
#include "update/core/Options.h"

namespace update {

class Globales {
 public:
  static constexpr int kLogDashes = 80;

  // faults and clock are for tests; by default the real disk and the system clock.
  explicit Globales(common::FaultInjector* faults = nullptr, const common::Clock* clock = nullptr);
  Globales(const Globales&) = delete;
  Globales& operator=(const Globales&) = delete;

  Options options;
  common::ErrorList errorList{kReportCap};
  bool MainFormLoaded = false;

  const common::FileSystem& FileSystem() const { return fs_; }
  const common::Clock& Clock() const { return *clock_; }

  // One run: the "$" macros under /vars, an empty ErrorList, the engine on
  // ui.Progress(), then the report (log block under /u, else the question
  // and the error list). Returns the run's exit status (RunStatus.h).
  // A log block that cannot be written is said on standard error and gives
  // status 2. Under /debug a common::DebugStop leaves it, unattended after
  // a log block that ends with the failure's line, else before any report.
  int RunUpdate(std::string origen, std::string destino, common::UserInterface& ui);

 private:
  common::SystemClock systemClock_;
  const common::Clock* clock_;
  common::FileSystem fs_;
};

// The start-up routine: args are argv[1..]. /? shows the usage text; two
// folders run at once; fewer open the main window when windows is given,
// else a message says a display or two folders are needed. Returns the
// process's exit status.
int UpdateMain(const std::vector<std::string>& args, Globales& g,
               common::WindowFrontEnd* windows);
// The same from the one argument text (Windows: ProcessArgumentText).
int UpdateMainFromText(const std::string& argumentText, Globales& g, common::WindowFrontEnd* windows);

}  // namespace update

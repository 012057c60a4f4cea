#pragma once
// The process-wide state of compare and its two entry points: the run
// control RunCompare (one comparison and its report) and CompareMain (the
// start-up routine behind main and the windows).

#include <string>
#include <vector>

#include "common/core/Clock.h"
#include "common/core/FileSystem.h"
#include "common/core/UserInterface.h"
#include "common/core/WindowFrontEnd.h"
#include "common/core/ErrorList.h"
#include "compare/core/Options.h"

namespace compare {

class Globales {
 public:
  // faults and clock are for tests; the program uses the real disk and time.
  explicit Globales(common::FaultInjector* faults = nullptr);
  Globales(common::FaultInjector* faults, const common::Clock& clock);

  Options options;
  common::ErrorList errorList{kReportCap};
  bool MainFormLoaded = false;

  // One run: both paths made absolute against the current folder, the list
  // cleared, the trees compared on ui's progress view, then the report: a
  // log block under /u, otherwise the question titled "Comparar" and the
  // error list. Returns the run's exit status (common/core/RunStatus.h).
  // A log block that cannot be written is said on standard error and gives
  // status 2. Under /debug a failure leaves as common::DebugStop: unattended
  // after a log block that ends with the failure's line, else without a report.
  int RunCompare(std::string origen, std::string destino, bool quick, common::UserInterface& ui);

  const common::FileSystem& FileSystem() const { return fs_; }

 private:
  common::FileSystem fs_;
  const common::Clock& clock_;
};

// The start-up routine. args are the program's arguments without its own
// name. windows is the window front end, or nullptr when no display is
// available; then everything goes through the console. Returns the
// process's exit status.
int CompareMain(const std::vector<std::string>& args, Globales& g, common::WindowFrontEnd* windows);
// The same from the one argument text (Windows: ProcessArgumentText).
int CompareMainFromText(const std::string& argumentText, Globales& g, common::WindowFrontEnd* windows);

}  // namespace compare

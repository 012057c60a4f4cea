#pragma once
// The run control both programs share: one run and its report (the log
// block under /u, otherwise the question and the error list window), and
// the start-up routine behind main and the windows. Each program gives its
// options, its engine and its texts.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/Clock.h"
#include "common/core/ErrorList.h"
#include "common/core/UserInterface.h"
#include "common/core/WindowFrontEnd.h"
#include "common/core/mCmdLine.h"

namespace common {

struct RunSettings {
  bool unattended;           // /u: the report goes to the log file, no question
  std::string& logFileName;  // "update.log" is filled in when empty
  bool testMode;             // the log block says the run changed nothing
  int logDashes;             // the width of the log block's rule
  std::string title;         // the caption of the end-of-run question
};

// Runs engine (which returns whether the run was cancelled) on list, then
// reports it. Returns the run's exit status (RunStatus.h). A log block that
// cannot be written is said on standard error and gives status 2. Under
// /debug a DebugStop leaves it: unattended after a log block that ends with
// the failure's line, else before any report.
int RunAndReport(const RunSettings& settings, const Clock& clock, const std::string& origen,
                 const std::string& destino, ErrorList& list, UserInterface& ui,
                 const std::function<bool()>& engine);

struct ProgramStart {
  std::span<const std::string_view> switchNames;
  std::string usage;
  // Reads the options and the two folders; false when /? was given.
  std::function<bool(const mCmdLine&, std::string& origen, std::string& destino)> readOptions;
  // One run on both folders, through ui; returns its exit status.
  std::function<int(const std::string& origen, const std::string& destino, UserInterface& ui)> run;
  // Said when fewer than two folders were given and there is no display.
  std::string noDisplayTitle;
  std::string noDisplayText;
};

// The start-up routine: args are argv[1..]. /? shows the usage text; a
// switch the program does not know or a third folder stops it with the
// usage text; two folders run at once; fewer open the main window when
// windows is given, else a message says a display or two folders are
// needed. Returns the process's exit status.
int ProgramMain(const std::vector<std::string>& args, const ProgramStart& program, WindowFrontEnd* windows);
// The same from the one argument text the parser reads, as Windows gives it
// (ProcessArgumentText).
int ProgramMainFromText(const std::string& argumentText, const ProgramStart& program, WindowFrontEnd* windows);

}  // namespace common

#pragma once
// The option settings of update, read once from the command line at start-up
// and only read afterwards (the run control fills in the default log name).

#include <cstdint>
#include <string>
#include <string_view>

#include "common/core/Clock.h"
#include "common/core/ErrorList.h"
#include "common/core/mCmdLine.h"

namespace update {

// Operation bits of /exec and /log (letters C, U, D).
inline constexpr int32_t OpCreate = 1;
inline constexpr int32_t OpUpdate = 2;
inline constexpr int32_t OpDelete = 4;
inline constexpr int32_t OpAll = OpCreate | OpUpdate | OpDelete;

// At most 1001 lines go to the log block and the error list window; the
// rest are left out without a word.
inline constexpr common::ReportCap kReportCap{1001, common::FullListLine::Omitted};

struct Options {
  bool Unattended = false;    // /u: log block instead of the question at the end
  bool TestMode = false;      // /test: decide and record, change nothing
  bool DebugMode = false;     // /debug: the first failure of a file step ends the program
  bool ExpandVars = false;    // /vars: "$" and "%" date macros in both folder paths
  bool CreateTarget = false;  // /ct or /createtarget: create the destination chain first
  int32_t LogOps = 0;         // /log: operations recorded as lines
  int32_t ExecOps = OpAll;    // /exec: operations carried out
  std::string LogFileName;    // /logfile: empty means "update.log"
};

// The switch names update knows (without prefix, any case); any other
// switch stops the program before it touches anything.
inline constexpr std::string_view kSwitchNames[] = {"?",     "u",    "test", "log", "exec",
                                                    "debug", "vars", "ct",   "createtarget",
                                                    "logfile"};

// Operation letters c, u, d in either case to bits; every other character is skipped.
int32_t ParseOps(std::string_view letters);

// Fills options from the parsed command line and returns the first two
// positional arguments. Returns false, touching nothing, when /? was given.
bool ReadOptions(const common::mCmdLine& cmd, Options& options, std::string& origen,
                 std::string& destino);

// The usage text: lines joined by CR LF, none after the last.
std::string UsageText();

// "$d" "$w" "$m" "$y" "$$", case-sensitive, in that order; Sunday = 1.
std::string ExpandPathMacros(std::string path, const common::Clock& clock);
// "%d" "%w" "%m" "%y" "%%", any case, in that order; Monday = 1.
std::string ExpandPercentMacros(std::string path, const common::Clock& clock);

}  // namespace update

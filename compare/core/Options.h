#pragma once
// The option settings of compare, read once at start-up from the command
// line, and the path rule that makes the folders given by the user absolute.

#include <string>
#include <string_view>

#include "common/core/ErrorList.h"
#include "common/core/mCmdLine.h"

namespace compare {

// Error lines and notes stop at 1000 lines in all (differences included),
// and one line says so; differences are never left out.
inline constexpr common::ReportCap kReportCap{1000, common::FullListLine::Added};

struct Options {
  bool Unattended = false;  // /u: the report goes to the log file, no question
  bool DebugMode = false;   // /debug: the first failure of a file step stops the run
  std::string LogFileName;  // /logfile:<registro>; empty means "update.log"
  bool Quick = false;       // /q: sizes only; presets chkQuick
};

// The switch names compare knows (without prefix, any case); any other
// switch stops the program before it touches anything.
inline constexpr std::string_view kSwitchNames[] = {"?", "u", "q", "debug", "logfile"};

// Reads /debug, /u, /logfile and /q into opts, and the first two positional
// arguments into origen and destino, made absolute against currentFolder
// when not empty. Switches compare does not know are ignored, and so are
// positional arguments after the second. Returns false when /? was given:
// the caller shows the usage text and nothing else happens.
bool ReadOptions(const common::mCmdLine& cmd, Options& opts, std::string& origen,
                 std::string& destino, const std::string& currentFolder);

// The usage text, every line (the last one too) ended by CR LF.
std::string UsageText();

// path made absolute against base. An absolute path is returned unchanged;
// with the root as base the path is simply put after it; otherwise the
// parts of path are applied to base one by one ("." stays, ".." goes up
// one level, any other part, an empty one too, is appended).
std::string ResolvePath(const std::string& path, const std::string& base);

// The process's current folder; "" when it cannot be determined (removed).
std::string CurrentFolder();

}  // namespace compare

#pragma once
// Runs a program as a subprocess the way cron would: no terminal (standard
// input is /dev/null, output goes to files) and no display in the
// environment. Captures both outputs and the exit status.

#include <string>
#include <vector>

namespace comparetest {

struct ProgramResult {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs program with args in folder cwd.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& cwd);

}  // namespace comparetest

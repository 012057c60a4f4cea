#pragma once
// Exit status of both programs, for scripts:
//   0  the run recorded no failure and (compare) found no difference;
//   1  compare found differences, or the run was cancelled;
//   2  failures were recorded (or the program could not run at all);
//   3  a failure stopped the run under /debug.

#include <stdexcept>
#include <string>

namespace common {

enum ExitStatus : int {
  kExitOk = 0,
  kExitDifferences = 1,
  kExitFailures = 2,
  kExitDebugStop = 3,
};

// Thrown under /debug by the first failure that the engine no longer catches.
// Nothing inside a run catches it; the program reports it and ends with 3.
// context is what the error line would have named, as `copy "<a>" "<b>"`.
class DebugStop : public std::runtime_error {
 public:
  DebugStop(int number, std::string description, std::string context)
      : std::runtime_error(description),
        number_(number),
        description_(std::move(description)),
        context_(std::move(context)) {}
  int Number() const { return number_; }
  const std::string& Description() const { return description_; }
  const std::string& Context() const { return context_; }
  // The failure as an error line: "<description> (<number>) en <context>".
  std::string Line() const {
    return description_ + " (" + std::to_string(number_) + ") en " + context_;
  }

 private:
  int number_;
  std::string description_;
  std::string context_;
};

}  // namespace common

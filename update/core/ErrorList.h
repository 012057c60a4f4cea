#pragma once
// ErrorList: every line a run of update reports, in the order they were added.
// An error line is "<description> (<number>) en <context>"; a text that begins
// with "*" is a note line, stored without its "*".
//
// The table starts with 1001 slots, grows by 1000 and never shrinks; slots are
// overwritten, never cleared, so only the first ErrorCount() are valid.

#include <cstdint>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"

namespace update {

class ErrorList {
 public:
  static constexpr int32_t kInitialSlots = 1001;
  static constexpr int32_t kGrowStep = 1000;

  ErrorList();

  // Starts a run: ErrorCount and the failure count back to 0.
  void Reset();

  // Appends a line: a note line for "*text", otherwise an error line built
  // from failure. Error lines count as failures.
  void AddError(const std::string& text, const common::FsError& failure = {});
  // A note line ("*text") that also counts as a failure, for a run refused as a whole.
  void AddFailureNote(const std::string& text);
  // Records "*text" when logOps and op share a bit.
  void LogOperation(int32_t op, const std::string& text, int32_t logOps);

  int32_t ErrorCount() const { return count_; }
  int32_t Slots() const { return static_cast<int32_t>(slots_.size()); }
  int32_t FailureCount() const { return failures_; }
  const std::string& Line(int32_t index) const;  // 0 .. ErrorCount()-1
  // The valid lines, at most maxLines of them, slot 0 first.
  std::vector<std::string> Lines(int32_t maxLines) const;

 private:
  void Store(std::string line);

  std::vector<std::string> slots_;
  int32_t count_ = 0;
  int32_t failures_ = 0;
};

}  // namespace update

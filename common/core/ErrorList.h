#pragma once
// ErrorList: the report of one run, in the order its lines were added.
//   error line       "<description> (<number>) en <context>", a failure
//   note             a text as it is ("Cancelado por el usuario")
//   operation line   what update did, when /log asked for its kind
//   difference line  what compare found; never capped
// The list keeps at most cap.lines lines besides the difference lines (the
// cap counts every line kept, differences included); compare then adds one
// line that says the rest were left out. Failures and differences are
// counted whether kept or not, so the exit status tells the truth even
// when the list was full.

#include <cstdint>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"

namespace common {

// Whether a full list says so in one last line.
enum class FullListLine { Omitted, Added };

struct ReportCap {
  int32_t lines;
  FullListLine fullLine;
};

class ErrorList {
 public:
  explicit ErrorList(ReportCap cap) : cap_(cap) {}

  // With no failure at hand the description is empty and the number 0.
  void AddError(const std::string& context, const FsError& failure = {});
  void AddNote(const std::string& text);
  // A note that also counts as a failure, for a run refused as a whole.
  void AddFailureNote(const std::string& text);
  // Records text when logOps and op share a bit.
  void LogOperation(int32_t op, const std::string& text, int32_t logOps);
  void AddDifference(const std::string& line);
  // Starts a run: no line, no failure, no difference.
  void Clear();

  // Every line added since Clear, those past the cap included.
  int32_t Count() const { return count_; }
  // The lines kept, the full-list line included.
  const std::vector<std::string>& Lines() const { return lines_; }
  const std::string& Line(int32_t index) const { return lines_.at(static_cast<size_t>(index)); }
  int Failures() const { return failures_; }
  int Differences() const { return differences_; }

 private:
  void Keep(std::string line);

  ReportCap cap_;
  std::vector<std::string> lines_;
  int32_t count_ = 0;
  int failures_ = 0;
  int differences_ = 0;
};

}  // namespace common

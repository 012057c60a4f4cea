#pragma once
// The report of one compare run: difference lines, error lines and notes,
// in the order they were found. Error lines and notes go through AddError,
// which stops recording once the list holds 1000 lines (the cap counts
// every line, differences included); difference lines are never capped.
// Failures and differences are also counted, dropped ones included, so the
// exit status tells the truth even when the list was full.

#include <cstdint>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/core/cLista.h"

namespace compare {

class ErrorList {
 public:
  static constexpr int32_t kMaxErrors = 1000;

  // text beginning with "*": a note line, text without its "*".
  // Otherwise an error line: description, " (", number, ") en ", text.
  // With kMaxErrors lines or more nothing is added, except the cap line
  // when exactly kMaxErrors are there.
  void AddError(const std::string& text, const common::FsError& failure);
  // A difference line, added as it is and never capped.
  void AddDifference(const std::string& line);
  void Clear();

  int32_t ListCount() const { return lines_.ListCount(); }
  const std::string& List(int32_t index) const { return lines_.List(index); }
  std::vector<std::string> Lines() const;
  const common::cLista& Items() const { return lines_; }

  // Error lines asked for during this run, whether recorded or dropped.
  int Failures() const { return failures_; }
  int Differences() const { return differences_; }

 private:
  common::cLista lines_;
  int failures_ = 0;
  int differences_ = 0;
};

}  // namespace compare

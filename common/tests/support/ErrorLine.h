#pragma once
// The error line of a report, "<description> (<number>) en <context>", as
// common::ErrorList writes it: the only place a test spells that format.
// The description is the C library's text in the test's own language; a
// program run as a child may speak another, so its output is matched with
// ErrorLinePattern, which takes any description. Header only.

#include <string>
#include <string_view>

#include "common/core/FsError.h"

namespace testsupport {

inline std::string ErrorLine(int number, std::string_view context) {
  return common::FsError{number}.Description() + " (" + std::to_string(number) + ") en " + std::string(context);
}

// The end of an error line, from the number on: what is the same in every
// language.
inline std::string ErrorLineEnd(int number, std::string_view context) {
  return " (" + std::to_string(number) + ") en " + std::string(context);
}

// A regular expression for one error line ending in a line feed; context is
// itself a regular expression.
inline std::string ErrorLinePattern(int number, std::string_view context) {
  return "[^\n]+ \\(" + std::to_string(number) + "\\) en " + std::string(context) + "\n";
}

}  // namespace testsupport

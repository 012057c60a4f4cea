#pragma once
// What the tests written once for both platforms need to say the same thing
// on each: paths written with "/" in the test text, faults aimed at such
// paths, and the cases that rest on what only Linux has. Header only.

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "common/core/FaultInjector.h"

namespace testsupport {

// The separator, and the numbers of the failures that a real folder gives
// (the injected ones are the tests' own): a missing entry, a path whose
// folder is missing, a folder that is not empty.
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr int kErrorNotFound = 2;    // ERROR_FILE_NOT_FOUND
inline constexpr int kErrorNoFolder = 3;    // ERROR_PATH_NOT_FOUND
inline constexpr int kErrorNotEmpty = 145;  // ERROR_DIR_NOT_EMPTY
#else
inline constexpr char kSeparator = '/';
inline constexpr int kErrorNotFound = ENOENT;
inline constexpr int kErrorNoFolder = ENOENT;
inline constexpr int kErrorNotEmpty = ENOTEMPTY;
#endif

// Text with each "/" as the platform's separator: "origen/a.txt" names
// "origen\a.txt" on Windows.
inline std::string Native(std::string text) {
  for (char& c : text)
    if (c == '/') c = kSeparator;
  return text;
}

// The path as the programs see a root they are given: on Linux with every
// link on its way resolved (the temp folder may lie behind one); Windows
// gives the temp folder as it is.
inline std::string RealPath(const std::string& path) {
#ifdef _WIN32
  return path;
#else
  std::error_code error;
  const std::filesystem::path real = std::filesystem::canonical(path, error);
  return error ? path : real.string();
#endif
}

// Whether the tests run under Wine, which answers a few calls unlike
// Windows: a check that rests on one of them is skipped there, saying so.
bool UnderWine();

// The fault seam, with the path parts of the rules written as the tests
// write paths.
class Faults : public common::FaultInjector {
 public:
  void FailOn(common::FsOp op, const std::string& pathPart, int error = 5, int nth = 1, int times = 1) {
    FaultInjector::FailOn(op, Native(pathPart), error, nth, times);
  }
  void OnCall(common::FsOp op, const std::string& pathPart, std::function<void()> action, int nth = 1,
              int times = 1) {
    FaultInjector::OnCall(op, Native(pathPart), std::move(action), nth, times);
  }
  void CoarseTimes(const std::string& pathPart, int64_t precision) {
    FaultInjector::CoarseTimes(Native(pathPart), precision);
  }
};

}  // namespace testsupport

// A case, or the rest of one, that rests on what only Linux has (POSIX
// modes and owners, symbolic links, FIFOs): skipped on Windows, saying why.
#ifdef _WIN32
#define SKIP_ON_WINDOWS(why) GTEST_SKIP() << why << ": Linux only"
#else
#define SKIP_ON_WINDOWS(why) static_cast<void>(0)
#endif

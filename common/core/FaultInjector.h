#pragma once
// The one seam of the file-system layer: tests make a chosen operation fail
// on a chosen path (there are no mocks of the disk).

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/FileTime.h"
#include "common/core/FsError.h"

namespace common {

// Fails chosen operations on chosen paths, the nth time, so that tests can
// produce what a real folder cannot on demand (a read error halfway, a full
// disk, a listing that fails), runs a chosen action just before a chosen
// call (to make a race with another program happen at an exact moment), and
// can make a folder keep coarse modification times, as FAT or some network
// file systems do. Safe to call from the worker threads of a run; set the
// rules up before the run starts.
class FaultInjector {
 public:
  // The nth call (1 = first) of op on a path containing pathPart fails with
  // error, and so do the times-1 matching calls after it.
  void FailOn(FsOp op, std::string pathPart, int error = 5 /* EIO */, int nth = 1, int times = 1);
  // Runs action just before the nth call of op on a path containing
  // pathPart is made, and before the times-1 matching calls after it. The
  // action works on the disk directly, never through this injector.
  void OnCall(FsOp op, std::string pathPart, std::function<void()> action, int nth = 1,
              int times = 1);
  // Times set on paths containing pathPart are kept only to a multiple of
  // precision nanoseconds (rounded down), like a file system that stores
  // whole seconds (1000000000) or even seconds (2000000000).
  void CoarseTimes(std::string pathPart, int64_t precision);
  void Clear();
  // The errno the call must fail with, or 0; runs the actions due first.
  // Called by FileSystem.
  int Check(FsOp op, std::string_view path);
  // The time a file system with coarse times would keep for path. Called
  // by FileSystem before it sets a time.
  FileTime StoredTime(std::string_view path, FileTime t) const;
  int InjectedCount() const;
  int ActionsRun() const;

 private:
  struct Rule {
    FsOp op;
    std::string pathPart;
    int error;
    int nth;
    int times;
    int seen = 0;
  };
  struct Action {
    FsOp op;
    std::string pathPart;
    std::function<void()> run;
    int nth;
    int times;
    int seen = 0;
  };
  struct Coarse {
    std::string pathPart;
    int64_t precision;
  };
  std::vector<Rule> rules_;
  std::vector<Action> actions_;
  std::vector<Coarse> coarse_;
  mutable std::mutex mutex_;  // Check may come from a worker thread
  int injected_ = 0;
  int actionsRun_ = 0;
};

}  // namespace common

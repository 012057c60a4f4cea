#pragma once
// Temporary files of the file-system layer: the new copy of a file while it
// is written, and the time probe. Not for the layer's users.

#include <string>
#include <string_view>

#include "common/core/FileSystem.h"
#include "common/core/FsDetail.h"

namespace common::fsdetail {

// Temporary names: ".~tmp-" + 16 hex digits + ".part", 27 bytes.
constexpr std::string_view kTempPrefix = ".~tmp-";
constexpr std::string_view kTempSuffix = ".part";
constexpr size_t kTempDigits = 16;
// A fresh random name clashes with an existing one only by design of an
// attacker or a broken generator; a few attempts are plenty.
constexpr int kTempAttempts = 8;

// Unlinks a temporary name of a folder when it goes out of scope, unless it
// was put in place (Release).
class TempName {
 public:
  explicit TempName(int dirFd) : dirFd_(dirFd) {}
  TempName(const TempName&) = delete;
  TempName& operator=(const TempName&) = delete;
  ~TempName() {
    if (!name_.empty()) ::unlinkat(dirFd_, name_.c_str(), 0);
  }
  const std::string& Name() const { return name_; }
  void Set(std::string name) { name_ = std::move(name); }
  bool Empty() const { return name_.empty(); }
  void Release() { name_.clear(); }

 private:
  int dirFd_;
  std::string name_;
};

// A fresh temporary name (no folder). splitmix64 over a per-thread seed:
// cheap, and distinct from other threads and processes writing alongside.
std::string NewTempName();

// Gives the complete temporary file tempName of dirFd the name targetName,
// and the times again when given. Placement::Create never replaces: where
// the name is taken (also by a twin on a case-insensitive file system) it
// fails with EEXIST and leaves what holds the name as it was.
int PutInPlace(int dirFd, const std::string& tempName, const std::string& targetName, Placement placement,
               const struct timespec* times);

// The new copy of a regular file: anonymous (O_TMPFILE) while it is being
// written, named with a temporary name only when complete, renamed over the
// target last. Whatever happens before the rename, the destructor leaves
// nothing behind. Everything happens relative to the target's folder.
class TempFile {
 public:
  TempFile(FaultInjector* faults, int dirFd, const std::string& targetPath, std::string_view targetName)
      : faults_(faults), dirFd_(dirFd), targetPath_(targetPath), targetName_(targetName), name_(dirFd) {}

  int Descriptor() const { return fd_.Get(); }

  // anonymousOnly: fail rather than give the file a name while it is written.
  int Create(bool anonymousOnly = false);
  // Names the file (if anonymous), closes it and puts it in place. times
  // are set again after a rename of a file that was named from the start:
  // the file systems without unnamed files include those whose rename
  // changes the time.
  int Commit(Placement placement, const struct timespec* times);
  // The file's status as its file system keeps it: a named file is closed
  // first and looked up again, since a FUSE file system may answer for an
  // open file from what it was told rather than from what it stored.
  int ReadBack(struct stat& st);


 private:
  FaultInjector* faults_;
  int dirFd_;
  const std::string& targetPath_;
  std::string targetName_;
  Fd fd_;
  TempName name_;
};

}  // namespace common::fsdetail

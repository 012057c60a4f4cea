#pragma once
// Helpers shared by the files of the file-system layer; not for its users.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <utility>

#include "common/core/FaultInjector.h"
#include "common/core/FsEntry.h"
#include "common/core/FsShared.h"

namespace common::fsdetail {

using fsshared::Failed;
using fsshared::Fault;

// The error of a descriptor that is not open, and of an interrupted call
// that is made again.
constexpr int kNotOpen = EBADF;
constexpr int kInterrupted = EINTR;

// Closes a descriptor opened only to read, if open: nothing to lose at close.
inline void CloseReadOnly(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Closes its descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and reports the error: a delayed write error (NFS) may only
  // show here. On Linux the descriptor is gone even after EINTR.
  int Close() {
    int fd = std::exchange(fd_, -1);
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) return errno;
    return 0;
  }

 private:
  int fd_;
};

EntryKind KindOfMode(mode_t mode);
void FillFromStat(EntryInfo& entry, const struct stat& st);
inline std::string JoinName(const std::string& folder, std::string_view name) {
  return fsshared::JoinName(folder, name, '/');
}
// The folder part of a path ("." for a bare name), and its last component.
using fsshared::ParentFolder;
std::string LastComponent(std::string_view path);

// readlinkat into a string, growing the buffer for long targets.
int ReadLinkText(int dirFd, const char* name, std::string& text);

// Errors of chmod that mean the file system holds no permission bits, or
// not these: FAT and exFAT give EPERM (vfat), ENOSYS (fusefat) or
// EOPNOTSUPP. The file then keeps what that file system gives it.
inline bool ModeNotHeld(int error) { return error == EPERM || error == ENOSYS || error == EOPNOTSUPP; }

// A time as the file system at path keeps it: simulated coarse times in
// tests, the time itself otherwise.
struct timespec StoredTimespec(FaultInjector* faults, std::string_view path, const struct timespec& t);

// Gives the entry name of dirFd (the descriptor itself for "") the owner
// and group uid:gid when the program runs as root, never through a link.
// True when the entry has them now. Only root can give a file away; for
// anyone else an entry keeps them only when they were its own already.
bool TakeOwner(FaultInjector* faults, int dirFd, const char* name, const std::string& path, uid_t uid,
               gid_t gid);

// The permission bits an entry like the source's may have: the set-ID bits
// only where the entry kept the source's owner and group, so that a copy
// never runs with the rights of someone else than the source's owner.
inline mode_t BitsToKeep(mode_t sourceMode, bool ownerKept) {
  return sourceMode & (ownerKept ? 07777 : 01777);
}

}  // namespace common::fsdetail

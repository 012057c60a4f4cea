#include "common/core/TempFile.h"

#include <sys/random.h>

#include <cstdio>
#include <ctime>

namespace common::fsdetail {
namespace {

uint64_t RandomSeed() {
  uint64_t seed = 0;
  if (getrandom(&seed, sizeof seed, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof seed)) {
    struct timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    seed = static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(now.tv_sec) << 30) ^
           (static_cast<uint64_t>(getpid()) << 48) ^ reinterpret_cast<uintptr_t>(&seed);
  }
  return seed;
}

// Naming an O_TMPFILE file goes through /proc/self/fd (linkat with
// AT_EMPTY_PATH needs a capability that a user does not have).
bool CanNameAnonymousFiles() {
  static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
  return usable;
}

// Errors of open(O_TMPFILE) that mean "not on this kernel or file system"
// (FAT, exFAT, NFS, old kernels), after which a named temporary is used.
bool TmpFileUnsupported(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// Errors of renameat2(RENAME_NOREPLACE) that mean "not on this file system"
// (FUSE file systems have no such rename) rather than a failure.
bool NoReplaceUnsupported(int error) {
  return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// Sets the times again on a file just renamed: some file systems (fusefat)
// stamp a renamed file with the current time, which would make the copy
// look newer than every later version of its source. A failure here leaves
// a complete copy that only looks newer, so it is not a failure of the copy.
int Restamped(int dirFd, const std::string& name, const struct timespec* times) {
  if (times != nullptr) ::utimensat(dirFd, name.c_str(), times, AT_SYMLINK_NOFOLLOW);
  return 0;
}

}  // namespace

std::string NewTempName() {
  thread_local uint64_t state = RandomSeed();
  state += 0x9E3779B97F4A7C15ull;
  uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name;
  name.reserve(kTempPrefix.size() + kTempDigits + kTempSuffix.size());
  name += kTempPrefix;
  for (size_t i = 0; i < kTempDigits; ++i) name += kHex[(z >> (4 * i)) & 0xF];
  name += kTempSuffix;
  return name;
}

int PutInPlace(int dirFd, const std::string& tempName, const std::string& targetName, Placement placement,
               const struct timespec* times) {
  if (placement == Placement::Replace) {
    if (::renameat(dirFd, tempName.c_str(), dirFd, targetName.c_str()) != 0) return errno;
    return Restamped(dirFd, targetName, times);
  }
  if (::renameat2(dirFd, tempName.c_str(), dirFd, targetName.c_str(), RENAME_NOREPLACE) == 0)
    return Restamped(dirFd, targetName, times);
  int error = errno;
  if (!NoReplaceUnsupported(error)) return error;
  // No such rename here: the name is claimed by an exclusive create and the
  // copy renamed over that empty file. The claim gets the oldest time there
  // is, so that if the program ends before the rename, the next run finds it
  // older than its source and copies over it.
  Fd claim(::openat(dirFd, targetName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (claim.Get() < 0) return errno;
  const struct timespec oldest[2] = {{0, 0}, {0, 0}};
  ::futimens(claim.Get(), oldest);
  claim.Close();
  if (::renameat(dirFd, tempName.c_str(), dirFd, targetName.c_str()) == 0) return Restamped(dirFd, targetName, times);
  error = errno;
  ::unlinkat(dirFd, targetName.c_str(), 0);
  return error;
}

int TempFile::Create(bool anonymousOnly) {
  if (CanNameAnonymousFiles() || anonymousOnly) {
    int error = Fault(faults_, FsOp::Open, targetPath_);
    if (error == 0) {
      fd_.Reset(::openat(dirFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
      if (fd_.Get() < 0) error = errno;
    }
    if (error == 0) return 0;
    if (!TmpFileUnsupported(error) || anonymousOnly) return error;
  }
  // Named from the start, with a fresh name created exclusively, so that
  // no file of the user's is ever taken: a crash leaves it behind as an
  // ordinary extra file of the copy. 0600 until the copy is complete, so a
  // private file is never readable by others on its way.
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    std::string name = NewTempName();
    int error = Fault(faults_, FsOp::Open, targetPath_);
    if (error == 0) {
      fd_.Reset(::openat(dirFd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
      if (fd_.Get() < 0) error = errno;
    }
    if (error == 0) {
      name_.Set(std::move(name));
      return 0;
    }
    if (error != EEXIST) return error;
  }
  return EEXIST;
}

int TempFile::Commit(Placement placement, const struct timespec* times) {
  int error = Fault(faults_, FsOp::Rename, targetPath_);
  if (error != 0) return error;
  if (name_.Empty()) {
    times = nullptr;
    char procPath[40];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd_.Get());
    // A new file is linked in under its own name at once: as atomic as a
    // rename, never over anything (EEXIST), one call fewer.
    if (placement == Placement::Create) {
      if (::linkat(AT_FDCWD, procPath, dirFd_, targetName_.c_str(), AT_SYMLINK_FOLLOW) != 0) return errno;
      if (int closeError = fd_.Close()) {
        // The content may not have reached the disk: the new file must
        // not pass for a good copy.
        ::unlinkat(dirFd_, targetName_.c_str(), 0);
        return closeError;
      }
      return 0;
    }
    for (int attempt = 0; attempt < kTempAttempts && name_.Empty(); ++attempt) {
      std::string name = NewTempName();
      if (::linkat(AT_FDCWD, procPath, dirFd_, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        name_.Set(std::move(name));
      else if (errno != EEXIST)
        return errno;
    }
    if (name_.Empty()) return EEXIST;
  }
  if (int closeError = fd_.Close()) return closeError;
  if (int placeError = PutInPlace(dirFd_, name_.Name(), targetName_, placement, times)) return placeError;
  name_.Release();
  return 0;
}

int TempFile::ReadBack(struct stat& st) {
  if (name_.Empty()) return ::fstat(fd_.Get(), &st) == 0 ? 0 : errno;
  if (int error = fd_.Close()) return error;
  return ::fstatat(dirFd_, name_.Name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

}  // namespace common::fsdetail

namespace common {

using namespace fsdetail;

bool FileSystem::IsTemporaryName(std::string_view name) {
  if (name.size() != kTempPrefix.size() + kTempDigits + kTempSuffix.size()) return false;
  if (name.substr(0, kTempPrefix.size()) != kTempPrefix) return false;
  if (name.substr(name.size() - kTempSuffix.size()) != kTempSuffix) return false;
  for (char c : name.substr(kTempPrefix.size(), kTempDigits))
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

}  // namespace common

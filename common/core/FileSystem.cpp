#include "common/core/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <utility>

#include "common/core/NameKey.h"

// fchmodat2 (Linux 6.6) changes a mode without following a link in one call.
// Older C library headers do not name it; the number is the same on every
// architecture that uses the common syscall table.
#ifndef SYS_fchmodat2
#define SYS_fchmodat2 452
#endif

namespace common {
namespace {

// Bytes asked of one getdents64 call: a few thousand entries of a large
// folder per call, one call (plus the one that sees the end) for most.
constexpr size_t kListBuffer = 64 * 1024;

// Temporary names: ".~tmp-" + 16 hex digits + ".part", 27 bytes.
constexpr std::string_view kTempPrefix = ".~tmp-";
constexpr std::string_view kTempSuffix = ".part";
constexpr size_t kTempDigits = 16;
// A fresh random name clashes with an existing one only by design of an
// attacker or a broken generator; a few attempts are plenty.
constexpr int kTempAttempts = 8;

int Fault(FaultInjector* faults, FsOp op, std::string_view path) {
  return faults != nullptr ? faults->Check(op, path) : 0;
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

EntryKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::File;
  if (S_ISDIR(mode)) return EntryKind::Directory;
  if (S_ISLNK(mode)) return EntryKind::Symlink;
  return EntryKind::Special;
}

void FillFromStat(EntryInfo& entry, const struct stat& st) {
  entry.kind = KindOfMode(st.st_mode);
  entry.mode = st.st_mode;
  entry.owner = st.st_uid;
  entry.group = st.st_gid;
  entry.size = st.st_size;
  entry.mtime = FileTime{st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

std::string JoinName(const std::string& folder, std::string_view name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

std::string ParentFolder(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string LastComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  if (path == "/") return std::string(path);
  size_t slash = path.find_last_of('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

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

// A fresh temporary name (no folder). splitmix64 over a per-thread seed:
// cheap, and distinct from other threads and processes writing alongside.
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

// readlinkat into a string, growing the buffer for long targets.
int ReadLinkText(int dirFd, const char* name, std::string& text) {
  size_t size = 256;
  for (;;) {
    text.resize(size);
    ssize_t n = ::readlinkat(dirFd, name, text.data(), size);
    if (n < 0) {
      int error = errno;
      text.clear();
      return error;
    }
    if (static_cast<size_t>(n) < size) {
      text.resize(static_cast<size_t>(n));
      return 0;
    }
    if (size >= (size_t{1} << 20)) {
      text.clear();
      return ENAMETOOLONG;
    }
    size *= 2;
  }
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

// Errors of chmod that mean the file system holds no permission bits, or
// not these: FAT and exFAT give EPERM (vfat), ENOSYS (fusefat) or
// EOPNOTSUPP. The file then keeps what that file system gives it.
bool ModeNotHeld(int error) { return error == EPERM || error == ENOSYS || error == EOPNOTSUPP; }

// Sets the times again on a file just renamed: some file systems (fusefat)
// stamp a renamed file with the current time, which would make the copy
// look newer than every later version of its source. A failure here leaves
// a complete copy that only looks newer, so it is not a failure of the copy.
int Restamped(int dirFd, const std::string& name, const struct timespec* times) {
  if (times != nullptr) ::utimensat(dirFd, name.c_str(), times, AT_SYMLINK_NOFOLLOW);
  return 0;
}

// Gives the complete temporary file tempName of dirFd the name targetName,
// and the times again when given. Placement::Create never replaces: where
// the name is taken (also by a twin on a case-insensitive file system) it
// fails with EEXIST and leaves what holds the name as it was.
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

// Errors of copy_file_range after which read/write does the job: another
// file system on an old kernel (EXDEV), no such call (ENOSYS), file systems
// that refuse it (EOPNOTSUPP, EINVAL: seen on FUSE, overlayfs, some NFS).
bool CopyRangeUnsupported(int error) {
  return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL;
}

char* CopyBuffer() {
  thread_local std::unique_ptr<char[]> buffer;
  if (!buffer) buffer.reset(new char[FileSystem::kCopyBuffer]);
  return buffer.get();
}

// A time as the file system at path keeps it: simulated coarse times in
// tests, the time itself otherwise.
struct timespec StoredTimespec(FaultInjector* faults, std::string_view path, const struct timespec& t) {
  if (faults == nullptr || t.tv_nsec == UTIME_OMIT || t.tv_nsec == UTIME_NOW) return t;
  FileTime kept = faults->StoredTime(path, FileTime{t.tv_sec, t.tv_nsec});
  struct timespec out {};
  out.tv_sec = static_cast<time_t>(kept.sec);
  out.tv_nsec = static_cast<long>(kept.nsec);
  return out;
}

// Gives the entry name of dirFd (the descriptor itself for "") the owner
// and group uid:gid when the program runs as root, never through a link.
// True when the entry has them now. Only root can give a file away; for
// anyone else an entry keeps them only when they were its own already.
bool TakeOwner(FaultInjector* faults, int dirFd, const char* name, const std::string& path, uid_t uid,
               gid_t gid) {
  const int flags = AT_SYMLINK_NOFOLLOW | (name[0] == '\0' ? AT_EMPTY_PATH : 0);
  struct stat st;
  if (::fstatat(dirFd, name, &st, flags) != 0) return false;
  if (st.st_uid == uid && st.st_gid == gid) return true;
  if (::geteuid() != 0) return false;
  if (Fault(faults, FsOp::Chown, path) != 0) return false;
  return ::fchownat(dirFd, name, uid, gid, flags) == 0;
}

// The permission bits an entry like the source's may have: the set-ID bits
// only where the entry kept the source's owner and group, so that a copy
// never runs with the rights of someone else than the source's owner.
mode_t BitsToKeep(mode_t sourceMode, bool ownerKept) {
  return sourceMode & (ownerKept ? 07777 : 01777);
}

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
  int Create(bool anonymousOnly = false) {
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

  // Names the file (if anonymous), closes it and puts it in place. times
  // are set again after a rename of a file that was named from the start:
  // the file systems without unnamed files include those whose rename
  // changes the time.
  int Commit(Placement placement, const struct timespec* times) {
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

  // The file's status as its file system keeps it: a named file is closed
  // first and looked up again, since a FUSE file system may answer for an
  // open file from what it was told rather than from what it stored.
  int ReadBack(struct stat& st) {
    if (name_.Empty()) return ::fstat(fd_.Get(), &st) == 0 ? 0 : errno;
    if (int error = fd_.Close()) return error;
    return ::fstatat(dirFd_, name_.Name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
  }

 private:
  FaultInjector* faults_;
  int dirFd_;
  const std::string& targetPath_;
  std::string targetName_;
  Fd fd_;
  TempName name_;
};

// pwrite() at offset until all of it is written.
int WriteAll(FaultInjector* faults, int fd, const std::string& target, const char* data, size_t size,
             int64_t offset) {
  while (size > 0) {
    int error = Fault(faults, FsOp::Write, target);
    ssize_t n = -1;
    if (error == 0) {
      n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
      if (n < 0) error = errno;
    }
    if (error == EINTR) continue;
    if (error != 0) return error;
    data += n;
    offset += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

// Copies the bytes from done up to end of in to the same place in out,
// moving done on; it stops short of end when the source ends sooner (it
// shrank). copy_file_range first; once the file systems refuse it
// (fallback), read/write goes on from where it stopped, for this range and
// the later ones of the same copy.
int CopyRange(FaultInjector* faults, int in, const std::string& source, int out, const std::string& target,
              int64_t end, int64_t& done, bool& fallback) {
  const int64_t start = done;
  while (done < end && !fallback) {
    size_t want = static_cast<size_t>(std::min<int64_t>(end - done, FileSystem::kCopyChunk));
    int error = Fault(faults, FsOp::Read, source);
    if (error == 0) error = Fault(faults, FsOp::Write, target);
    if (error == 0) {
      loff_t offIn = done;
      loff_t offOut = done;
      ssize_t n = ::copy_file_range(in, &offIn, out, &offOut, want, 0);
      if (n > 0) {
        done += n;
        continue;
      }
      if (n == 0) {
        // Nothing at all from a range that had bytes: some file systems
        // report 0 instead of an error; read() tells the truth.
        if (done == start) {
          fallback = true;
          continue;
        }
        return 0;
      }
      error = errno;
    }
    if (error == EINTR) continue;
    if (!CopyRangeUnsupported(error)) return error;
    fallback = true;
  }
  if (done >= end) return 0;

  char* buffer = CopyBuffer();
  while (done < end) {
    size_t want = static_cast<size_t>(std::min<int64_t>(end - done, FileSystem::kCopyBuffer));
    int error = Fault(faults, FsOp::Read, source);
    ssize_t n = -1;
    if (error == 0) {
      n = ::pread(in, buffer, want, static_cast<off_t>(done));
      if (n < 0) error = errno;
    }
    if (error == EINTR) continue;
    if (error != 0) return error;
    if (n == 0) return 0;
    if (int werror = WriteAll(faults, out, target, buffer, static_cast<size_t>(n), done)) return werror;
    done += n;
  }
  return 0;
}

// What CopySparse says of a source in which no hole can be seen.
constexpr int kNoHoles = -1;

// A file with holes is copied by its data ranges only, so that the copy
// keeps the holes (a 1 GiB file with a few written blocks stays a few
// blocks), and its size is set at the end. kNoHoles when no hole shows
// (none, or a file system that cannot tell): nothing was done then.
int CopySparse(FaultInjector* faults, int in, const std::string& source, int out, const std::string& target,
               int64_t size, int64_t& done, bool& fallback) {
  off_t hole = ::lseek(in, 0, SEEK_HOLE);
  if (hole < 0 || hole >= size) return kNoHoles;
  int64_t pos = 0;
  while (pos < size) {
    off_t data = ::lseek(in, static_cast<off_t>(pos), SEEK_DATA);
    if (data < 0) {
      // ENXIO: only a hole from here on.
      if (errno != ENXIO) return errno;
      break;
    }
    if (data >= size) break;
    hole = ::lseek(in, data, SEEK_HOLE);
    if (hole < 0) return errno;
    const int64_t end = std::min<int64_t>(hole, size);
    done = data;
    if (int error = CopyRange(faults, in, source, out, target, end, done, fallback)) return error;
    if (done < end) return 0;  // it shrank: done tells
    pos = end;
  }
  // The hole at the end, or the file's whole size: written as the size.
  if (int error = Fault(faults, FsOp::Write, target)) return error;
  if (::ftruncate(out, static_cast<off_t>(size)) != 0) return errno;
  done = size;
  return 0;
}

// Copies size bytes (the size measured with the time that the copy gets)
// and tells in done how far it got; short of size when the file shrank.
// mayHaveHoles: the source takes fewer blocks than its size needs.
int CopyData(FaultInjector* faults, int in, const std::string& source, int out, const std::string& target,
             int64_t size, bool mayHaveHoles, int64_t& done) {
  done = 0;
  bool fallback = false;
  if (mayHaveHoles) {
    int error = CopySparse(faults, in, source, out, target, size, done, fallback);
    if (error != kNoHoles) return error;
  }
  return CopyRange(faults, in, source, out, target, size, done, fallback);
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// One end of a copy: a folder's descriptor, the entry's name in it and its
// full path (for fault checks).
struct Place {
  int dirFd;
  std::string_view name;
  const std::string& path;
};

FsError CopyRegular(FaultInjector* faults, const Place& source, const Place& target, Placement placement) {
  // O_NONBLOCK: if the file was replaced by a FIFO since it was listed, the
  // open must not wait for a writer; fstat then refuses it.
  std::string sourceName(source.name);
  int error = Fault(faults, FsOp::Open, source.path);
  Fd in(error == 0 ? ::openat(source.dirFd, sourceName.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK)
                   : -1);
  if (error == 0 && in.Get() < 0) error = errno;
  if (error != 0) return {error};
  // The listing may be old: size, bits and time come from the opened file.
  struct stat st;
  if (::fstat(in.Get(), &st) != 0) return {errno};
  if (!S_ISREG(st.st_mode)) return {S_ISDIR(st.st_mode) ? EISDIR : ENOTSUP};

  TempFile temp(faults, target.dirFd, target.path, target.name);
  if (int e = temp.Create()) return {e};
  int64_t done = 0;
  if (int e = CopyData(faults, in.Get(), source.path, temp.Descriptor(), target.path, st.st_size,
                       st.st_blocks * 512 < st.st_size, done))
    return {e};

  // A file written while it was read may have given a mix of two versions:
  // such a copy never replaces the old one. Its time has moved on, so the
  // next run copies it again. The status change time also catches a writer
  // that puts the old modification time back.
  struct stat after;
  if (::fstat(in.Get(), &after) != 0) return {errno};
  if (done != st.st_size || after.st_size != st.st_size || !SameTime(after.st_mtim, st.st_mtim) ||
      !SameTime(after.st_ctim, st.st_ctim))
    return {EBUSY};

  // The owner first: chown clears the set-ID bits that the mode then sets.
  const bool ownerKept = TakeOwner(faults, temp.Descriptor(), "", target.path, st.st_uid, st.st_gid);
  error = Fault(faults, FsOp::Chmod, target.path);
  if (error == 0 && ::fchmod(temp.Descriptor(), BitsToKeep(st.st_mode, ownerKept)) != 0) error = errno;
  // FAT and exFAT (the usual removable disk) hold no permission bits and
  // refuse any change; failing there would make every copy to such a disk
  // fail. The copy keeps what that file system gives it.
  if (error != 0 && !ModeNotHeld(error)) return {error};

  const struct timespec times[2] = {StoredTimespec(faults, target.path, st.st_atim),
                                     StoredTimespec(faults, target.path, st.st_mtim)};
  error = Fault(faults, FsOp::SetTimes, target.path);
  if (error == 0 && ::futimens(temp.Descriptor(), times) != 0) error = errno;
  if (error != 0) return {error};

  // No flush per file: a crash of the program cannot tear the target (the
  // rename comes only after the whole content is written), and a flush per
  // file costs 4 to 8 times the copy of a small file. Durability against a
  // power loss comes from one Flush of the copy's file system at the end of
  // a run, before the run reports success.
  return {temp.Commit(placement, times)};
}

FsError CopyLink(FaultInjector* faults, const Place& source, const EntryInfo& sourceInfo,
                 const Place& target, Placement placement) {
  std::string text;
  std::string sourceName(source.name);
  int error = Fault(faults, FsOp::ReadLink, source.path);
  if (error == 0) error = ReadLinkText(source.dirFd, sourceName.c_str(), text);
  if (error != 0) return {error};

  TempName temp(target.dirFd);
  for (int attempt = 0; attempt < kTempAttempts && temp.Empty(); ++attempt) {
    std::string name = NewTempName();
    error = Fault(faults, FsOp::Symlink, target.path);
    if (error == 0 && ::symlinkat(text.c_str(), target.dirFd, name.c_str()) != 0) error = errno;
    if (error == 0)
      temp.Set(std::move(name));
    else if (error != EEXIST)
      return {error};
  }
  if (temp.Empty()) return {EEXIST};
  // A link has no bits to lose: an owner that cannot be kept costs nothing.
  TakeOwner(faults, target.dirFd, temp.Name().c_str(), target.path, sourceInfo.owner, sourceInfo.group);

  // The link's own time (never its target's); its access time is of no use.
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(sourceInfo.mtime.sec);
  times[1].tv_nsec = static_cast<long>(sourceInfo.mtime.nsec);
  times[1] = StoredTimespec(faults, target.path, times[1]);
  error = Fault(faults, FsOp::SetTimes, target.path);
  if (error == 0 && ::utimensat(target.dirFd, temp.Name().c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
    error = errno;
  if (error != 0) return {error};

  std::string targetName(target.name);
  error = Fault(faults, FsOp::Rename, target.path);
  if (error == 0) error = PutInPlace(target.dirFd, temp.Name(), targetName, placement, times);
  if (error != 0) return {error};
  temp.Release();
  return {};
}

FsError CopyEntry(FaultInjector* faults, const Place& source, const EntryInfo& sourceInfo,
                  const Place& target, Placement placement) {
  switch (sourceInfo.kind) {
    case EntryKind::File: return CopyRegular(faults, source, target, placement);
    case EntryKind::Symlink: return CopyLink(faults, source, sourceInfo, target, placement);
    case EntryKind::Directory: return {EISDIR};
    case EntryKind::Special: break;
  }
  // FIFOs, sockets and devices have no content to copy, and opening one
  // could block or disturb a device.
  return {ENOTSUP};
}

// chmod that never follows a link: fchmodat2 where the kernel has it,
// else the C library's emulation (through /proc). Both fail with
// EOPNOTSUPP on a link.
int ChangeModeNoFollow(int dirFd, const char* name, mode_t mode) {
  static std::atomic<bool> haveFchmodat2{true};
  if (haveFchmodat2.load(std::memory_order_relaxed)) {
    if (::syscall(SYS_fchmodat2, dirFd, name, mode, AT_SYMLINK_NOFOLLOW) == 0) return 0;
    int error = errno;
    if (error == ENOSYS)
      haveFchmodat2.store(false, std::memory_order_relaxed);
    else if (error != EPERM)  // EPERM may come from a seccomp filter that does not know the call
      return error;
  }
  if (::fchmodat(dirFd, name, mode, AT_SYMLINK_NOFOLLOW) == 0) return 0;
  return errno;
}

FsError SetModeAt(FaultInjector* faults, int dirFd, const char* name, const std::string& path,
                  uint32_t permissionBits) {
  if (int e = Fault(faults, FsOp::Chmod, path)) return {e};
  int error = ChangeModeNoFollow(dirFd, name, static_cast<mode_t>(permissionBits & 07777));
  if (error == EOPNOTSUPP) {
    // A link has no bits of its own to set.
    struct stat st;
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) return {};
  }
  return {error};
}

// The new folder name of dirFd like source (see FileSystem::MakeFolder).
FsError MakeFolderLike(FaultInjector* faults, int dirFd, const char* name, const std::string& path,
                       const EntryInfo& source) {
  if (int e = Fault(faults, FsOp::Mkdir, path)) return {e};
  if (::mkdirat(dirFd, name, 0700) != 0) return {errno};
  // Opened without following a link, so that the owner and bits go to the
  // folder just made and to nothing put in its place.
  int error = 0;
  Fd folder(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (folder.Get() < 0) error = errno;
  if (error == 0) {
    const bool ownerKept = TakeOwner(faults, folder.Get(), "", path, source.owner, source.group);
    error = Fault(faults, FsOp::Chmod, path);
    if (error == 0 && ::fchmod(folder.Get(), BitsToKeep(source.mode, ownerKept)) != 0) error = errno;
    // FAT and exFAT hold no permission bits and refuse any change.
    if (error == EPERM || error == EOPNOTSUPP || error == ENOSYS) error = 0;
  }
  if (error != 0) ::unlinkat(dirFd, name, AT_REMOVEDIR);
  return {error};
}

// The entries of an open folder, read from its start.
FsError ListEntries(FaultInjector* faults, int fd, const std::string& folder, FolderListing& out,
                    ListDetail detail) {
  // A failure part way must not pass for the end of the folder: the caller
  // would take the missing entries for deleted ones.
  auto fail = [&out](int error) {
    out.files.clear();
    out.folders.clear();
    return FsError{error};
  };
  if (::lseek(fd, 0, SEEK_SET) < 0) return fail(errno);

  thread_local std::unique_ptr<char[]> buffer;
  if (!buffer) buffer.reset(new char[kListBuffer]);
  std::string entryPath;  // built only when faults are being injected

  // A folder removed while it was open gives ENOENT here (never an empty
  // listing): the kernel refuses to read a dead folder.
  for (;;) {
    ssize_t got = ::getdents64(fd, buffer.get(), kListBuffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    if (got == 0) break;
    for (ssize_t pos = 0; pos < got;) {
      const auto* d = reinterpret_cast<const struct dirent64*>(buffer.get() + pos);
      pos += d->d_reclen;
      const char* name = d->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;

      EntryInfo entry;
      entry.name = name;
      if (detail == ListDetail::Full || d->d_type == DT_UNKNOWN) {
        int error = 0;
        if (faults != nullptr) {
          entryPath = JoinName(folder, entry.name);
          error = faults->Check(FsOp::Lstat, entryPath);
        }
        struct stat st;
        if (error == 0 && ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) error = errno;
        // Gone since the folder was read: it is no longer there to list.
        if (error == ENOENT) continue;
        if (error != 0) return fail(error);
        FillFromStat(entry, st);
      } else {
        switch (d->d_type) {
          case DT_REG: entry.kind = EntryKind::File; break;
          case DT_DIR: entry.kind = EntryKind::Directory; break;
          case DT_LNK: entry.kind = EntryKind::Symlink; break;
          default: entry.kind = EntryKind::Special; break;
        }
      }
      entry.key = MakeNameKey(entry.name);
      (entry.kind == EntryKind::Directory ? out.folders : out.files).push_back(std::move(entry));
    }
  }

  auto byListingOrder = [](const EntryInfo& a, const EntryInfo& b) {
    return CompareListingOrder(a.key, a.name, b.key, b.name) < 0;
  };
  std::sort(out.files.begin(), out.files.end(), byListingOrder);
  std::sort(out.folders.begin(), out.folders.end(), byListingOrder);
  return {};
}

// The candidate precisions of a file system's times, finest first: every
// power of ten up to a second (ext4 and tmpfs keep nanoseconds, NTFS 100 ns,
// exFAT 10 ms, ext3 whole seconds), then FAT's two seconds.
constexpr int64_t kTimePrecisions[] = {1,         10,         100,         1000,      10000,
                                       100000,    1000000,    10000000,    100000000, 1000000000,
                                       2000000000};

// A probe time with a digit in every decimal place and an odd second, so
// that each coarser precision keeps less of it.
constexpr FileTime kProbeTime{1234567891, 987654321};

int64_t PrecisionFromProbe(const FileTime& kept) {
  int64_t diff = (kept.sec - kProbeTime.sec) * kNanosPerSecond + (kept.nsec - kProbeTime.nsec);
  if (diff < 0) diff = -diff;
  for (int64_t precision : kTimePrecisions)
    if (diff < precision) return precision;
  // The file system does not keep a time it is given (some network and
  // FUSE file systems put the current time): nothing can be learnt, and
  // whole seconds are assumed, as for a probe that fails.
  return kNanosPerSecond;
}

// What statx tells of dirFd/name. The mount id comes from Linux 5.8 on;
// an older kernel leaves STATX_MNT_ID out of the mask.
int IdentifyAt(int dirFd, const char* name, int flags, FolderId& out) {
  struct statx sx;
  if (::statx(dirFd, name, flags | AT_NO_AUTOMOUNT, STATX_INO | STATX_MNT_ID, &sx) != 0) return errno;
  out.device = (static_cast<uint64_t>(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
  out.inode = sx.stx_ino;
  out.mount = (sx.stx_mask & STATX_MNT_ID) != 0 ? sx.stx_mnt_id : 0;
  return 0;
}

}  // namespace

FileTime TruncateTime(FileTime t, int64_t precision) {
  if (precision <= 1) return t;
  if (precision < kNanosPerSecond) {
    t.nsec -= t.nsec % precision;
    return t;
  }
  int64_t seconds = precision / kNanosPerSecond;
  int64_t rest = t.sec % seconds;
  if (rest < 0) rest += seconds;  // times before 1970 round down too
  t.sec -= rest;
  t.nsec = 0;
  return t;
}

std::string FsError::Description() const {
  // The GNU strerror_r, in the language of the locale's messages.
  char buffer[256];
  return std::string(strerror_r(number, buffer, sizeof buffer));
}

const char* FsOpName(FsOp op) {
  switch (op) {
    case FsOp::List: return "list";
    case FsOp::Lstat: return "lstat";
    case FsOp::Open: return "open";
    case FsOp::Read: return "read";
    case FsOp::Write: return "write";
    case FsOp::Chmod: return "chmod";
    case FsOp::SetTimes: return "settimes";
    case FsOp::Rename: return "rename";
    case FsOp::Unlink: return "unlink";
    case FsOp::Mkdir: return "mkdir";
    case FsOp::Rmdir: return "rmdir";
    case FsOp::ReadLink: return "readlink";
    case FsOp::Symlink: return "symlink";
    case FsOp::Chown: return "chown";
    case FsOp::Count: break;
  }
  return "?";
}

// ---- ReadFile ----

ReadFile::ReadFile(ReadFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      size_(std::exchange(other.size_, 0)),
      path_(std::move(other.path_)),
      faults_(std::exchange(other.faults_, nullptr)) {}

ReadFile& ReadFile::operator=(ReadFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    size_ = std::exchange(other.size_, 0);
    path_ = std::move(other.path_);
    faults_ = std::exchange(other.faults_, nullptr);
  }
  return *this;
}

ReadFile::~ReadFile() { Close(); }

void ReadFile::Close() {
  if (fd_ >= 0) ::close(fd_);  // read-only: nothing to lose at close
  fd_ = -1;
  size_ = 0;
}

FsError ReadFile::Read(void* buffer, size_t size, size_t& got, ReadCheck check) {
  got = 0;
  if (fd_ < 0) return {EBADF};
  char* out = static_cast<char*>(buffer);
  while (got < size) {
    int error = check == ReadCheck::Checked ? Fault(faults_, FsOp::Read, path_) : 0;
    ssize_t n = -1;
    if (error == 0) {
      n = ::read(fd_, out + got, size - got);
      if (n < 0) error = errno;
    }
    if (error == EINTR) continue;
    if (error != 0) return {error};
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return {};
}

// ---- Folder ----

Folder::Folder(Folder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

Folder::~Folder() { Close(); }

void Folder::Close() {
  if (fd_ >= 0) ::close(fd_);  // read-only: nothing to lose at close
  fd_ = -1;
}

std::string Folder::PathOf(std::string_view name) const { return JoinName(path_, name); }

// ---- FileSystem ----

FsError FileSystem::Identify(const Folder& folder, FolderId& out) const {
  out = FolderId{};
  if (!folder.IsOpen()) return {EBADF};
  return {IdentifyAt(folder.fd_, "", AT_EMPTY_PATH, out)};
}

FsError FileSystem::Identify(const Folder& folder, std::string_view name, FolderId& out) const {
  out = FolderId{};
  if (!folder.IsOpen()) return {EBADF};
  std::string leaf(name);
  return {IdentifyAt(folder.fd_, leaf.c_str(), AT_SYMLINK_NOFOLLOW, out)};
}

FsError FileSystem::FolderChain(const std::string& path, std::vector<FolderId>& out) const {
  out.clear();
  // O_PATH: a parent that may be searched but not read still counts.
  Fd dir(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() < 0) return {errno};
  for (;;) {
    FolderId id;
    if (IdentifyAt(dir.Get(), "", AT_EMPTY_PATH, id) != 0) break;
    if (!out.empty() && out.back().SameFolder(id)) break;  // "/" is its own parent
    out.push_back(id);
    int up = ::openat(dir.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (up < 0) break;
    dir.Reset(up);
  }
  return {};
}

FsError FileSystem::OpenFolder(const std::string& path, Folder& out, LinkPolicy links) const {
  out.Close();
  out.path_ = path;
  if (int e = Fault(faults_, FsOp::Open, path)) return {e};
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (links == LinkPolicy::NoFollow) flags |= O_NOFOLLOW;
  int fd = ::open(path.c_str(), flags);
  if (fd < 0) return {errno};
  out.fd_ = fd;
  return {};
}

FsError FileSystem::OpenFolder(const Folder& parent, std::string_view name, Folder& out) const {
  std::string path = parent.PathOf(name);
  out.Close();
  out.path_ = path;
  // A parent that could not be opened has no folders in it.
  if (!parent.IsOpen()) return {ENOENT};
  if (int e = Fault(faults_, FsOp::Open, path)) return {e};
  // O_NOFOLLOW: a link put where the folder was is refused, never entered.
  std::string leaf(name);
  int fd = ::openat(parent.fd_, leaf.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return {errno};
  out.fd_ = fd;
  return {};
}

FsError FileSystem::ListFolder(const Folder& folder, FolderListing& out, ListDetail detail) const {
  out.files.clear();
  out.folders.clear();
  if (int e = Fault(faults_, FsOp::List, folder.Path())) return {e};
  if (!folder.IsOpen()) return {EBADF};
  return ListEntries(faults_, folder.fd_, folder.Path(), out, detail);
}

FsError FileSystem::RemoveFile(const Folder& folder, std::string_view name) const {
  if (int e = Fault(faults_, FsOp::Unlink, folder.PathOf(name))) return {e};
  std::string leaf(name);
  if (::unlinkat(folder.fd_, leaf.c_str(), 0) != 0) return {errno};
  return {};
}

FsError FileSystem::MakeFolder(const Folder& folder, std::string_view name, const EntryInfo& source) const {
  std::string leaf(name);
  return MakeFolderLike(faults_, folder.fd_, leaf.c_str(), folder.PathOf(name), source);
}

FsError FileSystem::RemoveFolder(const Folder& folder, std::string_view name) const {
  if (int e = Fault(faults_, FsOp::Rmdir, folder.PathOf(name))) return {e};
  // A link in the folder's place is not a folder: ENOTDIR, and it stays.
  std::string leaf(name);
  if (::unlinkat(folder.fd_, leaf.c_str(), AT_REMOVEDIR) != 0) return {errno};
  return {};
}

FsError FileSystem::SetMode(const Folder& folder, std::string_view name, uint32_t permissionBits) const {
  std::string leaf(name);
  return SetModeAt(faults_, folder.fd_, leaf.c_str(), folder.PathOf(name), permissionBits);
}

FsError FileSystem::FolderMode(const Folder& folder, uint32_t& permissionBits) const {
  struct stat st;
  if (::fstat(folder.fd_, &st) != 0) return {errno};
  permissionBits = st.st_mode & 07777;
  return {};
}

FsError FileSystem::SetFolderMode(const Folder& folder, uint32_t permissionBits) const {
  if (int e = Fault(faults_, FsOp::Chmod, folder.Path())) return {e};
  if (::fchmod(folder.fd_, static_cast<mode_t>(permissionBits & 07777)) != 0) return {errno};
  return {};
}

FsError FileSystem::CopyFile(const Folder& sourceFolder, const EntryInfo& sourceInfo,
                             const Folder& targetFolder, std::string_view targetName,
                             Placement placement) const {
  std::string sourcePath = sourceFolder.PathOf(sourceInfo.name);
  std::string targetPath = targetFolder.PathOf(targetName);
  return CopyEntry(faults_, Place{sourceFolder.fd_, sourceInfo.name, sourcePath}, sourceInfo,
                   Place{targetFolder.fd_, targetName, targetPath}, placement);
}

FsError FileSystem::ProbeTimePrecision(const Folder& folder, ProbeNaming naming,
                                       int64_t& precision) const {
  precision = kNanosPerSecond;
  const std::string probePath = folder.PathOf(kTimeProbeName);
  TempFile probe(faults_, folder.fd_, probePath, kTimeProbeName);
  if (int e = probe.Create(naming == ProbeNaming::AnonymousOnly)) return {e};

  // Both times: fusefat takes a change of the modification time alone
  // (access time UTIME_OMIT) for a change to the current time.
  struct timespec times[2];
  times[1].tv_sec = static_cast<time_t>(kProbeTime.sec);
  times[1].tv_nsec = static_cast<long>(kProbeTime.nsec);
  times[1] = StoredTimespec(faults_, probePath, times[1]);
  times[0] = times[1];
  if (int e = Fault(faults_, FsOp::SetTimes, probePath)) return {e};
  if (::futimens(probe.Descriptor(), times) != 0) return {errno};
  struct stat st;
  if (int e = probe.ReadBack(st)) return {e};
  precision = PrecisionFromProbe(FileTime{st.st_mtim.tv_sec, st.st_mtim.tv_nsec});
  return {};  // the probe goes with TempFile: never committed
}

FsError FileSystem::DeviceOf(const Folder& folder, uint64_t& device) const {
  struct stat st;
  if (::fstat(folder.fd_, &st) != 0) return {errno};
  device = static_cast<uint64_t>(st.st_dev);
  return {};
}

FsError FileSystem::ListFolder(const std::string& folder, FolderListing& out, ListDetail detail,
                               LinkPolicy links) const {
  out.files.clear();
  out.folders.clear();
  if (int e = Fault(faults_, FsOp::List, folder)) return {e};

  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (links == LinkPolicy::NoFollow) flags |= O_NOFOLLOW;
  Fd dir(::open(folder.c_str(), flags));
  if (dir.Get() < 0) return {errno};
  return ListEntries(faults_, dir.Get(), folder, out, detail);
}

FsError FileSystem::Stat(const std::string& path, EntryInfo& out, LinkPolicy links) const {
  if (int e = Fault(faults_, FsOp::Lstat, path)) return {e};
  struct stat st;
  int rc = links == LinkPolicy::Follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  if (rc != 0) return {errno};
  out.name = LastComponent(path);
  out.key = MakeNameKey(out.name);
  FillFromStat(out, st);
  return {};
}

FsError FileSystem::CopyFile(const std::string& source, const EntryInfo& sourceInfo,
                             const std::string& target, Placement placement) const {
  if (sourceInfo.kind == EntryKind::Directory) return {EISDIR};
  if (sourceInfo.kind == EntryKind::Special) return {ENOTSUP};
  // The two folders are opened as a path names them (links followed), the
  // entries themselves never through a link.
  // O_PATH: a folder that may be searched but not read still serves.
  Fd sourceDir(::open(ParentFolder(source).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (sourceDir.Get() < 0) return {errno};
  Fd targetDir(::open(ParentFolder(target).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (targetDir.Get() < 0) return {errno};
  std::string sourceName = LastComponent(source);
  std::string targetName = LastComponent(target);
  return CopyEntry(faults_, Place{sourceDir.Get(), sourceName, source}, sourceInfo,
                   Place{targetDir.Get(), targetName, target}, placement);
}

FsError FileSystem::RemoveFile(const std::string& path) const {
  if (int e = Fault(faults_, FsOp::Unlink, path)) return {e};
  if (::unlink(path.c_str()) != 0) return {errno};
  return {};
}

FsError FileSystem::MakeFolder(const std::string& path, const EntryInfo& source) const {
  return MakeFolderLike(faults_, AT_FDCWD, path.c_str(), path, source);
}

FsError FileSystem::RemoveFolder(const std::string& path) const {
  if (int e = Fault(faults_, FsOp::Rmdir, path)) return {e};
  if (::rmdir(path.c_str()) != 0) return {errno};
  return {};
}

FsError FileSystem::Flush(const std::string& folder) const {
  if (int e = Fault(faults_, FsOp::Write, folder)) return {e};
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return {errno};
  int error = ::syncfs(fd) == 0 ? 0 : errno;
  ::close(fd);
  return {error};
}

FsError FileSystem::SetMode(const std::string& path, uint32_t permissionBits) const {
  return SetModeAt(faults_, AT_FDCWD, path.c_str(), path, permissionBits);
}

FsError FileSystem::OpenRead(const std::string& path, ReadFile& out) const {
  out.Close();
  // O_NONBLOCK: a FIFO put here since the listing must not block the open.
  int error = Fault(faults_, FsOp::Open, path);
  Fd fd(error == 0 ? ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK) : -1);
  if (error == 0 && fd.Get() < 0) error = errno;
  if (error != 0) return {error};
  return AdoptForReading(fd.Release(), faults_ != nullptr ? path : std::string(), out);
}

FsError FileSystem::OpenRead(const Folder& folder, std::string_view name, ReadFile& out) const {
  out.Close();
  if (!folder.IsOpen()) return {EBADF};
  // The full path names the file in fault checks only.
  std::string path = faults_ != nullptr ? folder.PathOf(name) : std::string();
  int error = Fault(faults_, FsOp::Open, path);
  std::string leaf(name);
  Fd fd(error == 0 ? ::openat(folder.fd_, leaf.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK) : -1);
  if (error == 0 && fd.Get() < 0) error = errno;
  if (error != 0) return {error};
  return AdoptForReading(fd.Release(), std::move(path), out);
}

FsError FileSystem::AdoptForReading(int descriptor, std::string path, ReadFile& out) const {
  // Only a regular file is read: a FIFO or device put in its place since
  // the listing is refused here.
  Fd fd(descriptor);
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) return {errno};
  if (!S_ISREG(st.st_mode)) return {S_ISDIR(st.st_mode) ? EISDIR : ENOTSUP};
  out.fd_ = fd.Release();
  out.size_ = st.st_size;
  out.faults_ = faults_;
  out.path_ = std::move(path);
  return {};
}

FsError FileSystem::ReadLink(const std::string& path, std::string& target) const {
  if (int e = Fault(faults_, FsOp::ReadLink, path)) return {e};
  return {ReadLinkText(AT_FDCWD, path.c_str(), target)};
}

FsError FileSystem::ReadLink(const Folder& folder, std::string_view name, std::string& target) const {
  if (int e = Fault(faults_, FsOp::ReadLink, folder.PathOf(name))) return {e};
  if (!folder.IsOpen()) return {EBADF};
  std::string leaf(name);
  return {ReadLinkText(folder.fd_, leaf.c_str(), target)};
}

bool FileSystem::IsTemporaryName(std::string_view name) {
  if (name.size() != kTempPrefix.size() + kTempDigits + kTempSuffix.size()) return false;
  if (name.substr(0, kTempPrefix.size()) != kTempPrefix) return false;
  if (name.substr(name.size() - kTempSuffix.size()) != kTempSuffix) return false;
  for (char c : name.substr(kTempPrefix.size(), kTempDigits))
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

void FileSystem::RaiseOpenFileLimit() {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  ::setrlimit(RLIMIT_NOFILE, &limit);  // a refusal leaves the old limit: deep walks then fail with EMFILE
}

}  // namespace common

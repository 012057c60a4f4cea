#include "common/core/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
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

// Unlinks a temporary name when it goes out of scope, unless it was put in
// place (Release).
class TempName {
 public:
  TempName() = default;
  TempName(const TempName&) = delete;
  TempName& operator=(const TempName&) = delete;
  ~TempName() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  const std::string& Path() const { return path_; }
  void Set(std::string path) { path_ = std::move(path); }
  bool Empty() const { return path_.empty(); }
  void Release() { path_.clear(); }

 private:
  std::string path_;
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

// readlink into a string, growing the buffer for long targets.
int ReadLinkText(const char* path, std::string& text) {
  size_t size = 256;
  for (;;) {
    text.resize(size);
    ssize_t n = ::readlink(path, text.data(), size);
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

// The new copy of a regular file: anonymous (O_TMPFILE) while it is being
// written, named with a temporary name only when complete, renamed over the
// target last. Whatever happens before the rename, the destructor leaves
// nothing behind.
class TempFile {
 public:
  TempFile(FaultInjector* faults, const std::string& target)
      : faults_(faults), target_(target), folder_(ParentFolder(target)) {}

  int Descriptor() const { return fd_.Get(); }

  int Create() {
    if (CanNameAnonymousFiles()) {
      int error = Fault(faults_, FsOp::Open, target_);
      if (error == 0) {
        fd_.Reset(::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (fd_.Get() < 0) error = errno;
      }
      if (error == 0) return 0;
      if (!TmpFileUnsupported(error)) return error;
    }
    // Named from the start: a crash leaves it behind, under a name that
    // IsTemporaryName recognises. 0600 until the copy is complete, so a
    // private file is never readable by others on its way.
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
      std::string path = JoinName(folder_, NewTempName());
      int error = Fault(faults_, FsOp::Open, target_);
      if (error == 0) {
        fd_.Reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd_.Get() < 0) error = errno;
      }
      if (error == 0) {
        name_.Set(std::move(path));
        return 0;
      }
      if (error != EEXIST) return error;
    }
    return EEXIST;
  }

  // Names the file (if anonymous), closes it and renames it over the target.
  int Commit() {
    if (name_.Empty()) {
      char procPath[40];
      std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd_.Get());
      for (int attempt = 0; attempt < kTempAttempts && name_.Empty(); ++attempt) {
        std::string path = JoinName(folder_, NewTempName());
        if (::linkat(AT_FDCWD, procPath, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
          name_.Set(std::move(path));
        else if (errno != EEXIST)
          return errno;
      }
      if (name_.Empty()) return EEXIST;
    }
    if (int error = fd_.Close()) return error;
    int error = Fault(faults_, FsOp::Rename, target_);
    if (error == 0 && ::rename(name_.Path().c_str(), target_.c_str()) != 0) error = errno;
    if (error != 0) return error;
    name_.Release();
    return 0;
  }

 private:
  FaultInjector* faults_;
  const std::string& target_;
  std::string folder_;
  Fd fd_;
  TempName name_;
};

// write() until all of it is written.
int WriteAll(FaultInjector* faults, int fd, const std::string& target, const char* data, size_t size) {
  while (size > 0) {
    int error = Fault(faults, FsOp::Write, target);
    ssize_t n = -1;
    if (error == 0) {
      n = ::write(fd, data, size);
      if (n < 0) error = errno;
    }
    if (error == EINTR) continue;
    if (error != 0) return error;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

// Copies size bytes (the size measured with the time that the copy gets).
// A file that grew meanwhile is copied as it was measured, one that shrank
// up to its end; either way its time is now later than the copy's, so the
// next run copies it again.
int CopyData(FaultInjector* faults, int in, const std::string& source, int out,
             const std::string& target, int64_t size) {
  int64_t done = 0;
  bool fallback = false;
  while (done < size && !fallback) {
    size_t want = static_cast<size_t>(std::min<int64_t>(size - done, FileSystem::kCopyChunk));
    int error = Fault(faults, FsOp::Read, source);
    if (error == 0) error = Fault(faults, FsOp::Write, target);
    if (error == 0) {
      ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
      if (n > 0) {
        done += n;
        continue;
      }
      if (n == 0) {
        // Nothing at all from a file that had bytes: some file systems
        // report 0 instead of an error; read() tells the truth.
        if (done == 0) {
          fallback = true;
          continue;
        }
        return 0;
      }
      error = errno;
    }
    if (error == EINTR) continue;
    if (!CopyRangeUnsupported(error)) return error;
    // Both offsets stand where the fast path stopped; read/write goes on from there.
    fallback = true;
  }
  if (done >= size) return 0;

  char* buffer = CopyBuffer();
  while (done < size) {
    size_t want = static_cast<size_t>(std::min<int64_t>(size - done, FileSystem::kCopyBuffer));
    int error = Fault(faults, FsOp::Read, source);
    ssize_t n = -1;
    if (error == 0) {
      n = ::read(in, buffer, want);
      if (n < 0) error = errno;
    }
    if (error == EINTR) continue;
    if (error != 0) return error;
    if (n == 0) return 0;
    if (int werror = WriteAll(faults, out, target, buffer, static_cast<size_t>(n))) return werror;
    done += n;
  }
  return 0;
}

FsError CopyRegular(FaultInjector* faults, const std::string& source, const std::string& target) {
  // O_NONBLOCK: if the file was replaced by a FIFO since it was listed, the
  // open must not wait for a writer; fstat then refuses it.
  int error = Fault(faults, FsOp::Open, source);
  Fd in(error == 0 ? ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK) : -1);
  if (error == 0 && in.Get() < 0) error = errno;
  if (error != 0) return {error};
  // The listing may be old: size, bits and time come from the opened file.
  struct stat st;
  if (::fstat(in.Get(), &st) != 0) return {errno};
  if (!S_ISREG(st.st_mode)) return {S_ISDIR(st.st_mode) ? EISDIR : ENOTSUP};

  TempFile temp(faults, target);
  if (int e = temp.Create()) return {e};
  if (int e = CopyData(faults, in.Get(), source, temp.Descriptor(), target, st.st_size)) return {e};

  error = Fault(faults, FsOp::Chmod, target);
  if (error == 0 && ::fchmod(temp.Descriptor(), st.st_mode & 07777) != 0) error = errno;
  // FAT and exFAT (the usual removable disk) hold no permission bits and
  // refuse any change with EPERM; failing there would make every copy to
  // such a disk fail. The copy keeps what that file system gives it.
  if (error != 0 && error != EPERM && error != EOPNOTSUPP) return {error};

  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  error = Fault(faults, FsOp::SetTimes, target);
  if (error == 0 && ::futimens(temp.Descriptor(), times) != 0) error = errno;
  if (error != 0) return {error};

  // No flush per file: a crash of the program cannot tear the target (the
  // rename comes only after the whole content is written), and a flush per
  // file costs 4 to 8 times the copy of a small file. Durability against a
  // power loss comes from one Flush of the copy's file system at the end of
  // a run, before the run reports success.
  return {temp.Commit()};
}

FsError CopyLink(FaultInjector* faults, const std::string& source, const EntryInfo& sourceInfo,
                 const std::string& target) {
  std::string text;
  int error = Fault(faults, FsOp::ReadLink, source);
  if (error == 0) error = ReadLinkText(source.c_str(), text);
  if (error != 0) return {error};

  std::string folder = ParentFolder(target);
  TempName temp;
  for (int attempt = 0; attempt < kTempAttempts && temp.Empty(); ++attempt) {
    std::string path = JoinName(folder, NewTempName());
    error = Fault(faults, FsOp::Symlink, target);
    if (error == 0 && ::symlink(text.c_str(), path.c_str()) != 0) error = errno;
    if (error == 0)
      temp.Set(std::move(path));
    else if (error != EEXIST)
      return {error};
  }
  if (temp.Empty()) return {EEXIST};

  // The link's own time (never its target's); its access time is of no use.
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(sourceInfo.mtime.sec);
  times[1].tv_nsec = static_cast<long>(sourceInfo.mtime.nsec);
  error = Fault(faults, FsOp::SetTimes, target);
  if (error == 0 && ::utimensat(AT_FDCWD, temp.Path().c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
    error = errno;
  if (error != 0) return {error};

  error = Fault(faults, FsOp::Rename, target);
  if (error == 0 && ::rename(temp.Path().c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) return {error};
  temp.Release();
  return {};
}

// chmod that never follows a link: fchmodat2 where the kernel has it,
// else the C library's emulation (through /proc). Both fail with
// EOPNOTSUPP on a link.
int ChangeModeNoFollow(const char* path, mode_t mode) {
  static std::atomic<bool> haveFchmodat2{true};
  if (haveFchmodat2.load(std::memory_order_relaxed)) {
    if (::syscall(SYS_fchmodat2, AT_FDCWD, path, mode, AT_SYMLINK_NOFOLLOW) == 0) return 0;
    int error = errno;
    if (error == ENOSYS)
      haveFchmodat2.store(false, std::memory_order_relaxed);
    else if (error != EPERM)  // EPERM may come from a seccomp filter that does not know the call
      return error;
  }
  if (::fchmodat(AT_FDCWD, path, mode, AT_SYMLINK_NOFOLLOW) == 0) return 0;
  return errno;
}

}  // namespace

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

FsError ReadFile::Read(void* buffer, size_t size, size_t& got) {
  got = 0;
  if (fd_ < 0) return {EBADF};
  char* out = static_cast<char*>(buffer);
  while (got < size) {
    int error = Fault(faults_, FsOp::Read, path_);
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

// ---- FileSystem ----

FsError FileSystem::ListFolder(const std::string& folder, FolderListing& out, ListDetail detail,
                               LinkPolicy links) const {
  out.files.clear();
  out.folders.clear();
  if (int e = Fault(faults_, FsOp::List, folder)) return {e};

  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (links == LinkPolicy::NoFollow) flags |= O_NOFOLLOW;
  Fd dir(::open(folder.c_str(), flags));
  if (dir.Get() < 0) return {errno};

  // A failure part way must not pass for the end of the folder: the caller
  // would take the missing entries for deleted ones.
  auto fail = [&out](int error) {
    out.files.clear();
    out.folders.clear();
    return FsError{error};
  };

  thread_local std::unique_ptr<char[]> buffer;
  if (!buffer) buffer.reset(new char[kListBuffer]);
  std::string entryPath;  // built only when faults are being injected

  for (;;) {
    ssize_t got = ::getdents64(dir.Get(), buffer.get(), kListBuffer);
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
        if (faults_ != nullptr) {
          entryPath = JoinName(folder, entry.name);
          error = faults_->Check(FsOp::Lstat, entryPath);
        }
        struct stat st;
        if (error == 0 && ::fstatat(dir.Get(), name, &st, AT_SYMLINK_NOFOLLOW) != 0) error = errno;
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
                             const std::string& target) const {
  switch (sourceInfo.kind) {
    case EntryKind::File: return CopyRegular(faults_, source, target);
    case EntryKind::Symlink: return CopyLink(faults_, source, sourceInfo, target);
    case EntryKind::Directory: return {EISDIR};
    case EntryKind::Special: break;
  }
  // FIFOs, sockets and devices have no content to copy, and opening one
  // could block or disturb a device.
  return {ENOTSUP};
}

FsError FileSystem::RemoveFile(const std::string& path) const {
  if (int e = Fault(faults_, FsOp::Unlink, path)) return {e};
  if (::unlink(path.c_str()) != 0) return {errno};
  return {};
}

FsError FileSystem::MakeFolder(const std::string& path) const {
  if (int e = Fault(faults_, FsOp::Mkdir, path)) return {e};
  if (::mkdir(path.c_str(), 0777) != 0) return {errno};
  return {};
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
  if (int e = Fault(faults_, FsOp::Chmod, path)) return {e};
  int error = ChangeModeNoFollow(path.c_str(), static_cast<mode_t>(permissionBits & 07777));
  if (error == EOPNOTSUPP) {
    // A link has no bits of its own to set.
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return {};
  }
  return {error};
}

FsError FileSystem::OpenRead(const std::string& path, ReadFile& out) const {
  out.Close();
  // O_NONBLOCK: a FIFO put here since the listing must not block the open.
  int error = Fault(faults_, FsOp::Open, path);
  Fd fd(error == 0 ? ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK) : -1);
  if (error == 0 && fd.Get() < 0) error = errno;
  if (error != 0) return {error};
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) return {errno};
  if (!S_ISREG(st.st_mode)) return {S_ISDIR(st.st_mode) ? EISDIR : ENOTSUP};
  out.fd_ = fd.Release();
  out.size_ = st.st_size;
  out.faults_ = faults_;
  if (faults_ != nullptr)
    out.path_ = path;
  else
    out.path_.clear();
  return {};
}

FsError FileSystem::ReadLink(const std::string& path, std::string& target) const {
  if (int e = Fault(faults_, FsOp::ReadLink, path)) return {e};
  return {ReadLinkText(path.c_str(), target)};
}

bool FileSystem::IsTemporaryName(std::string_view name) {
  if (name.size() != kTempPrefix.size() + kTempDigits + kTempSuffix.size()) return false;
  if (name.substr(0, kTempPrefix.size()) != kTempPrefix) return false;
  if (name.substr(name.size() - kTempSuffix.size()) != kTempSuffix) return false;
  for (char c : name.substr(kTempPrefix.size(), kTempDigits))
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

}  // namespace common

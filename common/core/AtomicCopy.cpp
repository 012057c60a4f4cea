// The atomic copy of the file-system layer: a file's content (only its data
// where it has holes) or a link goes to a temporary name beside the target
// and is put in place only when complete, with its bits, owner and time.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "common/core/FileSystem.h"
#include "common/core/FsDetail.h"
#include "common/core/TempFile.h"

namespace common {
namespace {

using namespace fsdetail;

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

// call() after the fault check of op on path, both again after EINTR; n
// is what it returned. Gives the error of the check or the call.
template <class Call>
int CheckedCall(FaultInjector* faults, FsOp op, const std::string& path, ssize_t& n, Call call) {
  for (;;) {
    int error = Fault(faults, op, path);
    if (error == 0) {
      n = call();
      if (n < 0) error = errno;
    }
    if (error != EINTR) return error;
  }
}

// pwrite() at offset until all of it is written.
FsError WriteAll(FaultInjector* faults, int fd, const std::string& target, const char* data, size_t size,
                 int64_t offset) {
  while (size > 0) {
    ssize_t n = -1;
    auto write = [&] { return ::pwrite(fd, data, size, static_cast<off_t>(offset)); };
    if (int error = CheckedCall(faults, FsOp::Write, target, n, write)) return Failed(error, FsOp::Write, target);
    data += n;
    offset += n;
    size -= static_cast<size_t>(n);
  }
  return {};
}

// Copies the bytes from done up to end of in to the same place in out,
// moving done on; it stops short of end when the source ends sooner (it
// shrank). copy_file_range first; once the file systems refuse it
// (fallback), read/write goes on from where it stopped, for this range and
// the later ones of the same copy.
FsError CopyRange(FaultInjector* faults, int in, const std::string& source, int out, const std::string& target,
                  int64_t end, int64_t& done, bool& fallback) {
  const int64_t start = done;
  while (done < end && !fallback) {
    size_t want = static_cast<size_t>(std::min<int64_t>(end - done, FileSystem::kCopyChunk));
    int error = Fault(faults, FsOp::Read, source);
    // A failure of the call itself counts as the copy's write.
    const FsOp op = error != 0 ? FsOp::Read : FsOp::Write;
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
        return {};
      }
      error = errno;
    }
    if (error == EINTR) continue;
    if (!CopyRangeUnsupported(error)) return Failed(error, op, op == FsOp::Read ? source : target);
    fallback = true;
  }
  if (done >= end) return {};

  char* buffer = CopyBuffer();
  while (done < end) {
    size_t want = static_cast<size_t>(std::min<int64_t>(end - done, FileSystem::kCopyBuffer));
    ssize_t n = -1;
    auto read = [&] { return ::pread(in, buffer, want, static_cast<off_t>(done)); };
    if (int error = CheckedCall(faults, FsOp::Read, source, n, read)) return Failed(error, FsOp::Read, source);
    if (n == 0) return {};
    if (FsError e = WriteAll(faults, out, target, buffer, static_cast<size_t>(n), done)) return e;
    done += n;
  }
  return {};
}

// A file with holes is copied by its data ranges only, so that the copy
// keeps the holes (a 1 GiB file with a few written blocks stays a few
// blocks), and its size is set at the end. noHoles when no hole shows
// (none, or a file system that cannot tell): nothing was done then.
FsError CopySparse(FaultInjector* faults, int in, const std::string& source, int out, const std::string& target,
                   int64_t size, int64_t& done, bool& fallback, bool& noHoles) {
  off_t hole = ::lseek(in, 0, SEEK_HOLE);
  noHoles = hole < 0 || hole >= size;
  if (noHoles) return {};
  int64_t pos = 0;
  while (pos < size) {
    off_t data = ::lseek(in, static_cast<off_t>(pos), SEEK_DATA);
    if (data < 0) {
      // ENXIO: only a hole from here on.
      if (errno != ENXIO) return Failed(errno, FsOp::Read, source);
      break;
    }
    if (data >= size) break;
    hole = ::lseek(in, data, SEEK_HOLE);
    if (hole < 0) return Failed(errno, FsOp::Read, source);
    const int64_t end = std::min<int64_t>(hole, size);
    done = data;
    if (FsError e = CopyRange(faults, in, source, out, target, end, done, fallback)) return e;
    if (done < end) return {};  // it shrank: done tells
    pos = end;
  }
  // The hole at the end, or the file's whole size: written as the size.
  if (int error = Fault(faults, FsOp::Write, target)) return Failed(error, FsOp::Write, target);
  if (::ftruncate(out, static_cast<off_t>(size)) != 0) return Failed(errno, FsOp::Write, target);
  done = size;
  return {};
}

// Copies size bytes (the size measured with the time that the copy gets)
// and tells in done how far it got; short of size when the file shrank.
// mayHaveHoles: the source takes fewer blocks than its size needs.
FsError CopyData(FaultInjector* faults, int in, const std::string& source, int out, const std::string& target,
                 int64_t size, bool mayHaveHoles, int64_t& done) {
  done = 0;
  bool fallback = false;
  if (mayHaveHoles) {
    bool noHoles = false;
    FsError error = CopySparse(faults, in, source, out, target, size, done, fallback, noHoles);
    if (!noHoles) return error;
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
  if (error != 0) return Failed(error, FsOp::Open, source.path);
  // The listing may be old: size, bits and time come from the opened file.
  struct stat st;
  if (::fstat(in.Get(), &st) != 0) return Failed(errno, FsOp::Open, source.path);
  if (!S_ISREG(st.st_mode)) return Failed(S_ISDIR(st.st_mode) ? EISDIR : ENOTSUP, FsOp::Open, source.path);

  TempFile temp(faults, target.dirFd, target.path, target.name);
  if (int e = temp.Create()) return Failed(e, FsOp::Open, target.path);
  int64_t done = 0;
  if (FsError e = CopyData(faults, in.Get(), source.path, temp.Descriptor(), target.path, st.st_size,
                           st.st_blocks * 512 < st.st_size, done))
    return e;

  // A file written while it was read may have given a mix of two versions:
  // such a copy never replaces the old one. Its time has moved on, so the
  // next run copies it again. The status change time also catches a writer
  // that puts the old modification time back.
  struct stat after;
  if (::fstat(in.Get(), &after) != 0) return Failed(errno, FsOp::Read, source.path);
  if (done != st.st_size || after.st_size != st.st_size || !SameTime(after.st_mtim, st.st_mtim) ||
      !SameTime(after.st_ctim, st.st_ctim))
    return Failed(EBUSY, FsOp::Read, source.path);

  // The owner first: chown clears the set-ID bits that the mode then sets.
  const bool ownerKept = TakeOwner(faults, temp.Descriptor(), "", target.path, st.st_uid, st.st_gid);
  error = Fault(faults, FsOp::Chmod, target.path);
  if (error == 0 && ::fchmod(temp.Descriptor(), BitsToKeep(st.st_mode, ownerKept)) != 0) error = errno;
  // FAT and exFAT (the usual removable disk) hold no permission bits and
  // refuse any change; failing there would make every copy to such a disk
  // fail. The copy keeps what that file system gives it.
  if (error != 0 && !ModeNotHeld(error)) return Failed(error, FsOp::Chmod, target.path);

  const struct timespec times[2] = {StoredTimespec(faults, target.path, st.st_atim),
                                     StoredTimespec(faults, target.path, st.st_mtim)};
  error = Fault(faults, FsOp::SetTimes, target.path);
  if (error == 0 && ::futimens(temp.Descriptor(), times) != 0) error = errno;
  if (error != 0) return Failed(error, FsOp::SetTimes, target.path);

  // No flush per file: a crash of the program cannot tear the target (the
  // rename comes only after the whole content is written), and a flush per
  // file costs 4 to 8 times the copy of a small file. Durability against a
  // power loss comes from one Flush of the copy's file system at the end of
  // a run, before the run reports success.
  return Failed(temp.Commit(placement, times), FsOp::Rename, target.path);
}

FsError CopyLink(FaultInjector* faults, const Place& source, const EntryInfo& sourceInfo,
                 const Place& target, Placement placement) {
  std::string text;
  std::string sourceName(source.name);
  int error = Fault(faults, FsOp::ReadLink, source.path);
  if (error == 0) error = ReadLinkText(source.dirFd, sourceName.c_str(), text);
  if (error != 0) return Failed(error, FsOp::ReadLink, source.path);

  TempName temp(target.dirFd);
  for (int attempt = 0; attempt < kTempAttempts && temp.Empty(); ++attempt) {
    std::string name = NewTempName();
    error = Fault(faults, FsOp::Symlink, target.path);
    if (error == 0 && ::symlinkat(text.c_str(), target.dirFd, name.c_str()) != 0) error = errno;
    if (error == 0)
      temp.Set(std::move(name));
    else if (error != EEXIST)
      return Failed(error, FsOp::Symlink, target.path);
  }
  if (temp.Empty()) return Failed(EEXIST, FsOp::Symlink, target.path);
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
  if (error != 0) return Failed(error, FsOp::SetTimes, target.path);

  std::string targetName(target.name);
  error = Fault(faults, FsOp::Rename, target.path);
  if (error == 0) error = PutInPlace(target.dirFd, temp.Name(), targetName, placement, times);
  if (error != 0) return Failed(error, FsOp::Rename, target.path);
  temp.Release();
  return {};
}

FsError CopyEntry(FaultInjector* faults, const Place& source, const EntryInfo& sourceInfo,
                  const Place& target, Placement placement) {
  switch (sourceInfo.kind) {
    case EntryKind::File: return CopyRegular(faults, source, target, placement);
    case EntryKind::Symlink: return CopyLink(faults, source, sourceInfo, target, placement);
    case EntryKind::Directory: return Failed(EISDIR, FsOp::Open, source.path);
    case EntryKind::Special: break;
  }
  // FIFOs, sockets and devices have no content to copy, and opening one
  // could block or disturb a device.
  return Failed(ENOTSUP, FsOp::Open, source.path);
}

}  // namespace

FsError FileSystem::CopyFile(const Folder& sourceFolder, const EntryInfo& sourceInfo,
                             const Folder& targetFolder, std::string_view targetName,
                             Placement placement) const {
  std::string sourcePath = sourceFolder.PathOf(sourceInfo.name);
  std::string targetPath = targetFolder.PathOf(targetName);
  return CopyEntry(faults_, Place{sourceFolder.fd_, sourceInfo.name, sourcePath}, sourceInfo,
                   Place{targetFolder.fd_, targetName, targetPath}, placement);
}

}  // namespace common

// Permission bits, and new folders made with their bits and owner.

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "common/core/FileSystem.h"
#include "common/core/FsDetail.h"

// fchmodat2 (Linux 6.6) changes a mode without following a link in one call.
// Older C library headers do not name it; the number is the same on every
// architecture that uses the common syscall table.
#ifndef SYS_fchmodat2
#define SYS_fchmodat2 452
#endif

namespace common {
namespace {

using namespace fsdetail;

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
  if (int e = Fault(faults, FsOp::Chmod, path)) return Failed(e, FsOp::Chmod, path);
  int error = ChangeModeNoFollow(dirFd, name, static_cast<mode_t>(permissionBits & 07777));
  if (error == EOPNOTSUPP) {
    // A link has no bits of its own to set.
    struct stat st;
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) return {};
  }
  return Failed(error, FsOp::Chmod, path);
}

// The new folder name of dirFd like source (see FileSystem::MakeFolder).
FsError MakeFolderLike(FaultInjector* faults, int dirFd, const char* name, const std::string& path,
                       const EntryInfo& source) {
  if (int e = Fault(faults, FsOp::Mkdir, path)) return Failed(e, FsOp::Mkdir, path);
  if (::mkdirat(dirFd, name, 0700) != 0) return Failed(errno, FsOp::Mkdir, path);
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
  return Failed(error, FsOp::Chmod, path);
}

}  // namespace

FsError FileSystem::MakeFolder(const Folder& folder, std::string_view name, const EntryInfo& source) const {
  std::string leaf(name);
  return MakeFolderLike(faults_, folder.fd_, leaf.c_str(), folder.PathOf(name), source);
}

FsError FileSystem::SetMode(const Folder& folder, std::string_view name, uint32_t permissionBits) const {
  std::string leaf(name);
  return SetModeAt(faults_, folder.fd_, leaf.c_str(), folder.PathOf(name), permissionBits);
}

FsError FileSystem::FolderMode(const Folder& folder, uint32_t& permissionBits) const {
  struct stat st;
  if (::fstat(folder.fd_, &st) != 0) return Failed(errno, FsOp::Lstat, folder.Path());
  permissionBits = st.st_mode & 07777;
  return {};
}

FsError FileSystem::SetFolderMode(const Folder& folder, uint32_t permissionBits) const {
  if (int e = Fault(faults_, FsOp::Chmod, folder.Path())) return Failed(e, FsOp::Chmod, folder.Path());
  if (::fchmod(folder.fd_, static_cast<mode_t>(permissionBits & 07777)) != 0) return Failed(errno, FsOp::Chmod, folder.Path());
  return {};
}

FsError FileSystem::MakeFolderTree(const std::string& path) const {
  return fsshared::MakeFolderTree(*this, path, '/', ENOENT, EEXIST, [](const std::string& folder) {
    return ::mkdir(folder.c_str(), 0777) == 0 ? 0 : errno;
  });
}

FsError FileSystem::MakeFolder(const std::string& path, const EntryInfo& source) const {
  return MakeFolderLike(faults_, AT_FDCWD, path.c_str(), path, source);
}

}  // namespace common

#include "common/core/FolderHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

#include "common/core/FileSystem.h"
#include "common/core/FsDetail.h"

namespace common {
namespace {

using namespace fsdetail;

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

Folder::Folder(Folder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      listed_(std::exchange(other.listed_, false)) {}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    listed_ = std::exchange(other.listed_, false);
  }
  return *this;
}

Folder::~Folder() { Close(); }

void Folder::Close() {
  CloseReadOnly(fd_);
  listed_ = false;
}

std::string Folder::PathOf(std::string_view name) const { return JoinName(path_, name); }

FolderId FileSystem::Identify(const Folder& folder) const {
  FolderId out;
  if (folder.IsOpen() && IdentifyAt(folder.fd_, "", AT_EMPTY_PATH, out) != 0) out = FolderId{};
  return out;
}

FolderId FileSystem::Identify(const Folder& folder, std::string_view name) const {
  FolderId out;
  std::string leaf(name);
  if (folder.IsOpen() && IdentifyAt(folder.fd_, leaf.c_str(), AT_SYMLINK_NOFOLLOW, out) != 0) out = FolderId{};
  return out;
}

std::vector<FolderId> FileSystem::FolderChain(const std::string& path) const {
  std::vector<FolderId> out;
  // O_PATH: a parent that may be searched but not read still counts.
  Fd dir(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() < 0) return out;
  for (;;) {
    FolderId id;
    if (IdentifyAt(dir.Get(), "", AT_EMPTY_PATH, id) != 0) break;
    if (!out.empty() && out.back().SameFolder(id)) break;  // "/" is its own parent
    out.push_back(id);
    int up = ::openat(dir.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (up < 0) break;
    dir.Reset(up);
  }
  return out;
}

FsError FileSystem::RealPath(const std::string& path, std::string& out) const {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return Failed(errno, FsOp::Lstat, path);
  out = real;
  std::free(real);
  return {};
}

FsError FileSystem::OpenFolder(const std::string& path, Folder& out, LinkPolicy links) const {
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (links == LinkPolicy::NoFollow) flags |= O_NOFOLLOW;
  return OpenFolderWith(path, out, 0, [&](int& fd) {
    fd = ::open(path.c_str(), flags);
    return fd < 0 ? errno : 0;
  });
}

FsError FileSystem::OpenFolder(const Folder& parent, std::string_view name, Folder& out) const {
  // A parent that could not be opened has no folders in it.
  return OpenFolderWith(parent.PathOf(name), out, parent.IsOpen() ? 0 : ENOENT, [&](int& fd) {
    // O_NOFOLLOW: a link put where the folder was is refused, never entered.
    std::string leaf(name);
    fd = ::openat(parent.fd_, leaf.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return fd < 0 ? errno : 0;
  });
}

FsError FileSystem::DeviceOf(const Folder& folder, uint64_t& device) const {
  FolderId id;
  if (int e = IdentifyAt(folder.fd_, "", AT_EMPTY_PATH, id)) return Failed(e, FsOp::Lstat, folder.Path());
  device = id.device;
  return {};
}

}  // namespace common

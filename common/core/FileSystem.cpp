#include "common/core/FileSystem.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "common/core/FsDetail.h"

namespace common {

using namespace fsdetail;

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

FsError FileSystem::RemoveFile(const Folder& folder, std::string_view name) const {
  if (int e = Fault(faults_, FsOp::Unlink, folder.PathOf(name))) return {e};
  std::string leaf(name);
  if (::unlinkat(folder.fd_, leaf.c_str(), 0) != 0) return {errno};
  return {};
}

FsError FileSystem::RemoveFolder(const Folder& folder, std::string_view name) const {
  if (int e = Fault(faults_, FsOp::Rmdir, folder.PathOf(name))) return {e};
  // A link in the folder's place is not a folder: ENOTDIR, and it stays.
  std::string leaf(name);
  if (::unlinkat(folder.fd_, leaf.c_str(), AT_REMOVEDIR) != 0) return {errno};
  return {};
}

FsError FileSystem::RemoveFile(const std::string& path) const {
  if (int e = Fault(faults_, FsOp::Unlink, path)) return {e};
  if (::unlink(path.c_str()) != 0) return {errno};
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

void FileSystem::RaiseOpenFileLimit() {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  ::setrlimit(RLIMIT_NOFILE, &limit);  // a refusal leaves the old limit: deep walks then fail with EMFILE
}

}  // namespace common

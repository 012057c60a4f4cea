#include "common/core/FileSystem.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/core/FsDetail.h"

namespace common {

using namespace fsdetail;

FsError FileSystem::RemoveFile(const Folder& folder, std::string_view name) const {
  if (int e = Fault(faults_, FsOp::Unlink, folder.PathOf(name))) return Failed(e, FsOp::Unlink, folder.PathOf(name));
  std::string leaf(name);
  if (::unlinkat(folder.fd_, leaf.c_str(), 0) != 0) return Failed(errno, FsOp::Unlink, folder.PathOf(name));
  return {};
}

FsError FileSystem::RemoveFolder(const Folder& folder, std::string_view name) const {
  if (int e = Fault(faults_, FsOp::Rmdir, folder.PathOf(name))) return Failed(e, FsOp::Rmdir, folder.PathOf(name));
  // A link in the folder's place is not a folder: ENOTDIR, and it stays.
  std::string leaf(name);
  if (::unlinkat(folder.fd_, leaf.c_str(), AT_REMOVEDIR) != 0) return Failed(errno, FsOp::Rmdir, folder.PathOf(name));
  return {};
}

FsError FileSystem::Flush(const std::string& folder) const {
  if (int e = Fault(faults_, FsOp::Write, folder)) return Failed(e, FsOp::Write, folder);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Failed(errno, FsOp::Write, folder);
  int error = ::syncfs(fd) == 0 ? 0 : errno;
  ::close(fd);
  return Failed(error, FsOp::Write, folder);
}

FsError FileSystem::OpenAppend(const std::string& path, int& fd) const {
  fd = -1;
  if (path.empty()) return Failed(ENOENT, FsOp::Open, path);
  if (int e = Fault(faults_, FsOp::Open, path)) return Failed(e, FsOp::Open, path);
  // A FIFO would block the open until some reader came, and a device is no
  // place for a report; neither is opened for writing. The check after the
  // open covers a swap in between.
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return Failed(S_ISDIR(st.st_mode) ? EISDIR : ENOTSUP, FsOp::Open, path);
  Fd file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666));
  if (file.Get() < 0) return Failed(errno, FsOp::Open, path);
  if (::fstat(file.Get(), &st) != 0) return Failed(errno, FsOp::Open, path);
  if (!S_ISREG(st.st_mode)) return Failed(ENOTSUP, FsOp::Open, path);
  fd = file.Release();
  return {};
}

FsError FileSystem::Append(int fd, const std::string& path, std::string_view data) const {
  size_t done = 0;
  while (done < data.size()) {
    if (int e = Fault(faults_, FsOp::Write, path)) return Failed(e, FsOp::Write, path);
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Failed(errno, FsOp::Write, path);
    }
    if (n == 0) return Failed(EIO, FsOp::Write, path);
    done += static_cast<size_t>(n);
  }
  return {};
}

FsError FileSystem::ReadLink(const std::string& path, std::string& target) const {
  if (int e = Fault(faults_, FsOp::ReadLink, path)) return Failed(e, FsOp::ReadLink, path);
  return Failed(ReadLinkText(AT_FDCWD, path.c_str(), target), FsOp::ReadLink, path);
}

FsError FileSystem::ReadLink(const Folder& folder, std::string_view name, std::string& target) const {
  if (int e = Fault(faults_, FsOp::ReadLink, folder.PathOf(name))) return Failed(e, FsOp::ReadLink, folder.PathOf(name));
  if (!folder.IsOpen()) return Failed(EBADF, FsOp::ReadLink, folder.PathOf(name));
  std::string leaf(name);
  return Failed(ReadLinkText(folder.fd_, leaf.c_str(), target), FsOp::ReadLink, folder.PathOf(name));
}

void FileSystem::RaiseOpenFileLimit() {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  ::setrlimit(RLIMIT_NOFILE, &limit);  // a refusal leaves the old limit: deep walks then fail with EMFILE
}

}  // namespace common

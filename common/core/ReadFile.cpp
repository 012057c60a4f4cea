#include "common/core/ReadFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "common/core/FileSystem.h"
#include "common/core/FsDetail.h"

namespace common {

using namespace fsdetail;

int fsshared::ReadPiece(int fd, char* to, size_t most, size_t& n) {
  ssize_t r = ::read(fd, to, most);
  if (r < 0) return errno;
  n = static_cast<size_t>(r);
  return 0;
}

FsError FileSystem::OpenRead(const std::string& path, ReadFile& out) const {
  out.Close();
  // O_NONBLOCK: a FIFO put here since the listing must not block the open.
  int error = Fault(faults_, FsOp::Open, path);
  Fd fd(error == 0 ? ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK) : -1);
  if (error == 0 && fd.Get() < 0) error = errno;
  if (error != 0) return Failed(error, FsOp::Open, path);
  return AdoptForReading(fd.Release(), faults_ != nullptr ? path : std::string(), out);
}

FsError FileSystem::OpenRead(const Folder& folder, std::string_view name, ReadFile& out) const {
  out.Close();
  if (!folder.IsOpen()) return Failed(EBADF, FsOp::Open, folder.PathOf(name));
  // The full path names the file in fault checks only.
  std::string path = faults_ != nullptr ? folder.PathOf(name) : std::string();
  int error = Fault(faults_, FsOp::Open, path);
  std::string leaf(name);
  Fd fd(error == 0 ? ::openat(folder.fd_, leaf.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK) : -1);
  if (error == 0 && fd.Get() < 0) error = errno;
  if (error != 0) return Failed(error, FsOp::Open, folder.PathOf(name));
  return AdoptForReading(fd.Release(), std::move(path), out);
}

FsError FileSystem::AdoptForReading(int descriptor, std::string path, ReadFile& out) const {
  // Only a regular file is read: a FIFO or device put in its place since
  // the listing is refused here.
  Fd fd(descriptor);
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) return Failed(errno, FsOp::Open, path);
  if (!S_ISREG(st.st_mode)) return Failed(S_ISDIR(st.st_mode) ? EISDIR : ENOTSUP, FsOp::Open, path);
  out.fd_ = fd.Release();
  out.size_ = st.st_size;
  out.faults_ = faults_;
  out.path_ = std::move(path);
  return {};
}

}  // namespace common

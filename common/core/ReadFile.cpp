#include "common/core/ReadFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "common/core/FileSystem.h"
#include "common/core/FsDetail.h"

namespace common {

using namespace fsdetail;

void ReadFile::Close() {
  if (fd_ >= 0) ::close(fd_);  // read-only: nothing to lose at close
  fd_ = -1;
  size_ = 0;
}

FsError ReadFile::Read(void* buffer, size_t size, size_t& got, ReadCheck check) {
  got = 0;
  if (fd_ < 0) return Failed(EBADF, FsOp::Read, path_);
  char* out = static_cast<char*>(buffer);
  while (got < size) {
    int error = check == ReadCheck::Checked ? Fault(faults_, FsOp::Read, path_) : 0;
    ssize_t n = -1;
    if (error == 0) {
      n = ::read(fd_, out + got, size - got);
      if (n < 0) error = errno;
    }
    if (error == EINTR) continue;
    if (error != 0) return Failed(error, FsOp::Read, path_);
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return {};
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

// The parts of the file-system layer that are the same on both platforms,
// around each platform's own calls.

#include "common/core/FsShared.h"

#ifdef _WIN32
#include "common/core/win32/Win32Detail.h"
#else
#include "common/core/FsDetail.h"
#endif

namespace common {

#ifdef _WIN32
using namespace win32;
#else
using namespace fsdetail;
#endif

void ReadFile::Close() {
  CloseReadOnly(fd_);
  size_ = 0;
}

FsError ReadFile::Read(void* buffer, size_t size, size_t& got, ReadCheck check) {
  got = 0;
  if (fd_ < 0) return Failed(kNotOpen, FsOp::Read, path_);
  char* out = static_cast<char*>(buffer);
  while (got < size) {
    int error = check == ReadCheck::Checked ? Fault(faults_, FsOp::Read, path_) : 0;
    size_t n = 0;
    if (error == 0) error = fsshared::ReadPiece(fd_, out + got, size - got, n);
    if (error != 0 && error == kInterrupted) continue;
    if (error != 0) return Failed(error, FsOp::Read, path_);
    if (n == 0) break;
    got += n;
  }
  return {};
}

}  // namespace common

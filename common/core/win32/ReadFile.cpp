#include "common/core/ReadFile.h"

#include <io.h>

#include <utility>

#include "common/core/FileSystem.h"
#include "common/core/win32/Win32Detail.h"

namespace common {

using namespace win32;

int fsshared::ReadPiece(int fd, char* to, size_t most, size_t& n) {
  // At most 1 GiB a call: the count is 32 bits.
  DWORD read = 0;
  if (!::ReadFile(HandleOf(fd), to, static_cast<DWORD>(std::min<size_t>(most, 1u << 30)), &read, nullptr))
    return LastError();
  n = read;
  return 0;
}

namespace {

// Opens a file to read, never through a link or junction in its place;
// others may go on reading, writing and deleting it meanwhile.
HANDLE OpenForReading(const std::string& path) {
  return ::CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

}  // namespace

FsError FileSystem::OpenRead(const std::string& path, ReadFile& out) const {
  out.Close();
  if (int e = Fault(faults_, FsOp::Open, path)) return Failed(e, FsOp::Open, path);
  HANDLE h = OpenForReading(path);
  if (h == INVALID_HANDLE_VALUE) return Failed(LastError(), FsOp::Open, path);
  int fd = DescriptorOf(h);
  if (fd < 0) return Failed(ERROR_TOO_MANY_OPEN_FILES, FsOp::Open, path);
  return AdoptForReading(fd, faults_ != nullptr ? path : std::string(), out);
}

FsError FileSystem::OpenRead(const Folder& folder, std::string_view name, ReadFile& out) const {
  out.Close();
  if (!folder.IsOpen()) return Failed(ERROR_INVALID_HANDLE, FsOp::Open, folder.PathOf(name));
  std::string path = folder.PathOf(name);
  if (int e = Fault(faults_, FsOp::Open, path)) return Failed(e, FsOp::Open, path);
  HANDLE h = OpenForReading(path);
  if (h == INVALID_HANDLE_VALUE) return Failed(LastError(), FsOp::Open, path);
  int fd = DescriptorOf(h);
  if (fd < 0) return Failed(ERROR_TOO_MANY_OPEN_FILES, FsOp::Open, path);
  return AdoptForReading(fd, faults_ != nullptr ? std::move(path) : std::string(), out);
}

FsError FileSystem::AdoptForReading(int descriptor, std::string path, ReadFile& out) const {
  // Only a file's content is read: a folder, a link or junction, or a
  // device put in its place since the listing is refused here.
  HANDLE h = HandleOf(descriptor);
  FILE_ATTRIBUTE_TAG_INFO tag{};
  LARGE_INTEGER size{};
  int error = 0;
  if (!::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag) || !::GetFileSizeEx(h, &size))
    error = LastError();
  else if ((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    error = ERROR_ACCESS_DENIED;
  else if (IsLinkLike(tag.FileAttributes, tag.ReparseTag) || ::GetFileType(h) != FILE_TYPE_DISK)
    error = kErrorNotSupported;
  if (error != 0) {
    ::_close(descriptor);
    return Failed(error, FsOp::Open, path);
  }
  out.fd_ = descriptor;
  out.size_ = size.QuadPart;
  out.faults_ = faults_;
  out.path_ = std::move(path);
  return {};
}

}  // namespace common

// Deleting, the log's file and the flush, on Windows.

#include <algorithm>

#include "common/core/FileSystem.h"
#include "common/core/win32/Win32Detail.h"

namespace common {
namespace {

using namespace win32;

// Runs remove on path; where the read-only, hidden or system attribute is
// in the way, removes them first, and puts them back when the removal still
// fails, so that a file or folder that stays is left as it was.
template <typename Remove>
int RemoveGuarded(const std::string& path, DWORD attributes, Remove remove) {
  if ((attributes & kProtectingAttributes) == 0) return remove() ? 0 : LastError();
  if (int e = SetAttributes(path, attributes & ~kProtectingAttributes & kCopiedAttributes)) return e;
  if (remove()) return 0;
  const int error = LastError();
  (void)SetAttributes(path, attributes & kCopiedAttributes);
  return error;
}

// A file, or a link or junction in a folder's place: the entry itself goes,
// never what it leads to.
FsError RemoveFileAt(FaultInjector* faults, const std::string& path) {
  if (int e = Fault(faults, FsOp::Unlink, path)) return Failed(e, FsOp::Unlink, path);
  PathInfo info;
  if (int e = QueryPath(path, info)) return Failed(e, FsOp::Unlink, path);
  const std::wstring w = LongPath(path);
  const bool folderLink = (info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (folderLink && !IsLinkLike(info.attributes, info.reparseTag))
    return Failed(ERROR_ACCESS_DENIED, FsOp::Unlink, path);  // a real folder is no file
  return Failed(RemoveGuarded(path, info.attributes,
                              [&] { return folderLink ? ::RemoveDirectoryW(w.c_str()) : ::DeleteFileW(w.c_str()); }),
                FsOp::Unlink, path);
}

FsError RemoveFolderAt(FaultInjector* faults, const std::string& path) {
  if (int e = Fault(faults, FsOp::Rmdir, path)) return Failed(e, FsOp::Rmdir, path);
  PathInfo info;
  if (int e = QueryPath(path, info)) return Failed(e, FsOp::Rmdir, path);
  // A link or junction in the folder's place is not a folder: it stays.
  if ((info.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || IsLinkLike(info.attributes, info.reparseTag))
    return Failed(ERROR_DIRECTORY, FsOp::Rmdir, path);
  const std::wstring w = LongPath(path);
  return Failed(RemoveGuarded(path, info.attributes, [&] { return ::RemoveDirectoryW(w.c_str()); }), FsOp::Rmdir,
                path);
}

}  // namespace

FsError FileSystem::RemoveFile(const Folder& folder, std::string_view name) const {
  return RemoveFileAt(faults_, folder.PathOf(name));
}

FsError FileSystem::RemoveFolder(const Folder& folder, std::string_view name) const {
  return RemoveFolderAt(faults_, folder.PathOf(name));
}

FsError FileSystem::Flush(const std::string& folder) const {
  if (int e = Fault(faults_, FsOp::Write, folder)) return Failed(e, FsOp::Write, folder);
  // The volume's cache, as syncfs does on Linux. Only an administrator may
  // open a volume: for anyone else each copy is already in place as the
  // system keeps it, and the run is not failed for a flush it cannot ask.
  std::wstring w = LongPath(folder);
  if (w.rfind(L"\\\\?\\", 0) != 0 || w.size() < 6 || w[5] != L':') return {};
  std::wstring volume = L"\\\\.\\" + w.substr(4, 2);
  Handle h(::CreateFileW(volume.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         0, nullptr));
  if (!h.Valid()) return {};
  if (::FlushFileBuffers(h.Get())) return {};
  // A volume whose driver has no flush of its own (some network and virtual
  // drives, and Wine's) cannot be asked either.
  const int error = LastError();
  if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED) return {};
  return Failed(error, FsOp::Write, folder);
}

FsError FileSystem::OpenAppend(const std::string& path, int& fd) const {
  fd = -1;
  if (path.empty()) return Failed(ERROR_PATH_NOT_FOUND, FsOp::Open, path);
  if (int e = Fault(faults_, FsOp::Open, path)) return Failed(e, FsOp::Open, path);
  Handle h(::CreateFileW(LongPath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) return Failed(LastError(), FsOp::Open, path);
  // A pipe, a console or another device is no place for a report.
  if (::GetFileType(h.Get()) != FILE_TYPE_DISK) return Failed(ERROR_NOT_SUPPORTED, FsOp::Open, path);
  fd = DescriptorOf(h.Release());
  if (fd < 0) return Failed(ERROR_TOO_MANY_OPEN_FILES, FsOp::Open, path);
  return {};
}

FsError FileSystem::Append(int fd, const std::string& path, std::string_view data) const {
  HANDLE h = HandleOf(fd);
  // Writers take the log's lock first: the end found here stays the end.
  LARGE_INTEGER zero{};
  if (!::SetFilePointerEx(h, zero, nullptr, FILE_END)) return Failed(LastError(), FsOp::Write, path);
  size_t done = 0;
  while (done < data.size()) {
    if (int e = Fault(faults_, FsOp::Write, path)) return Failed(e, FsOp::Write, path);
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(h, data.data() + done, chunk, &written, nullptr)) return Failed(LastError(), FsOp::Write, path);
    if (written == 0) return Failed(ERROR_WRITE_FAULT, FsOp::Write, path);
    done += written;
  }
  return {};
}

// Links and junctions are never followed nor copied on Windows (they list as
// special entries), so there is no link text to read.
FsError FileSystem::ReadLink(const std::string& path, std::string&) const {
  if (int e = Fault(faults_, FsOp::ReadLink, path)) return Failed(e, FsOp::ReadLink, path);
  return Failed(ERROR_NOT_SUPPORTED, FsOp::ReadLink, path);
}

FsError FileSystem::ReadLink(const Folder& folder, std::string_view name, std::string& target) const {
  return ReadLink(folder.PathOf(name), target);
}

// Windows sets no per-process limit of handles that a walk could reach.
void FileSystem::RaiseOpenFileLimit() {}

}  // namespace common

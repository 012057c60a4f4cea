// The atomic copy on Windows: a file's content goes to a temporary name
// beside the target, gets the source's time (SetFileTime, 100 ns) and
// attributes, and is then renamed over the target with MoveFileExW
// (replace, write-through). Until that rename the old copy is untouched, and
// a copy that fails on its way leaves no temporary file behind.

#include <memory>

#include "common/core/FileSystem.h"
#include "common/core/win32/Win32Detail.h"

namespace common {
namespace {

using namespace win32;

char* CopyBuffer() {
  thread_local std::unique_ptr<char[]> buffer;
  if (!buffer) buffer.reset(new char[FileSystem::kCopyBuffer]);
  return buffer.get();
}

// The temporary file of one copy: deleted when it goes out of scope, unless
// it was put in place.
class TempCopy {
 public:
  TempCopy() = default;
  TempCopy(const TempCopy&) = delete;
  TempCopy& operator=(const TempCopy&) = delete;
  ~TempCopy() {
    handle_.Reset();
    if (!path_.empty()) {
      const std::wstring w = LongPath(path_);
      ::SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_NORMAL);  // it may be read-only by now
      ::DeleteFileW(w.c_str());
    }
  }

  // A fresh name in folder, created exclusively: never a user's file.
  int Create(FaultInjector* faults, const std::string& folder, const std::string& targetPath) {
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
      if (int e = Fault(faults, FsOp::Open, targetPath)) return e;
      std::string path = JoinName(folder, NewTempName());
      handle_.Reset(::CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
      if (handle_.Valid()) {
        path_ = std::move(path);
        return 0;
      }
      const int error = LastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return error;
    }
    return ERROR_FILE_EXISTS;
  }

  HANDLE Get() const { return handle_.Get(); }
  const std::string& Path() const { return path_; }
  int Close() {
    HANDLE h = handle_.Release();
    return ::CloseHandle(h) ? 0 : LastError();
  }
  void Release() { path_.clear(); }

 private:
  Handle handle_;
  std::string path_;
};

bool SameState(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
         a.ftLastWriteTime.dwLowDateTime == b.ftLastWriteTime.dwLowDateTime &&
         a.ftLastWriteTime.dwHighDateTime == b.ftLastWriteTime.dwHighDateTime;
}

// Renames temp to target. Replace: over whatever has the name; a read-only,
// hidden or system target loses those attributes for the rename only, and
// gets them back if the rename still fails. Create: never over anything.
int PutInPlace(const std::string& temp, const std::string& target, Placement placement) {
  const std::wstring from = LongPath(temp);
  const std::wstring to = LongPath(target);
  DWORD flags = MOVEFILE_WRITE_THROUGH;
  if (placement == Placement::Replace) flags |= MOVEFILE_REPLACE_EXISTING;
  if (::MoveFileExW(from.c_str(), to.c_str(), flags)) return 0;
  int error = LastError();
  if (placement == Placement::Create || error != ERROR_ACCESS_DENIED) return error;
  PathInfo info;
  if (QueryPath(target, info) != 0 || (info.attributes & kProtectingAttributes) == 0 ||
      (info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return error;
  if (SetAttributes(target, info.attributes & kCopiedAttributes & ~kProtectingAttributes) != 0) return error;
  if (::MoveFileExW(from.c_str(), to.c_str(), flags)) return 0;
  error = LastError();
  (void)SetAttributes(target, info.attributes & kCopiedAttributes);
  return error;
}

FsError CopyRegular(FaultInjector* faults, const std::string& source, const std::string& target,
                    Placement placement) {
  if (int e = Fault(faults, FsOp::Open, source)) return Failed(e, FsOp::Open, source);
  Handle in(::CreateFileW(LongPath(source).c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in.Valid()) return Failed(LastError(), FsOp::Open, source);
  // The listing may be old: size, attributes and time come from the opened file.
  BY_HANDLE_FILE_INFORMATION before;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandle(in.Get(), &before) ||
      !::GetFileInformationByHandleEx(in.Get(), FileAttributeTagInfo, &tag, sizeof tag))
    return Failed(LastError(), FsOp::Open, source);
  if ((before.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Failed(ERROR_ACCESS_DENIED, FsOp::Open, source);
  if (IsLinkLike(tag.FileAttributes, tag.ReparseTag) || ::GetFileType(in.Get()) != FILE_TYPE_DISK)
    return Failed(kErrorNotSupported, FsOp::Open, source);
  const uint64_t size = (static_cast<uint64_t>(before.nFileSizeHigh) << 32) | before.nFileSizeLow;

  TempCopy temp;
  if (int e = temp.Create(faults, ParentFolder(target), target)) return Failed(e, FsOp::Open, target);
  char* buffer = CopyBuffer();
  uint64_t done = 0;
  for (;;) {
    if (int e = Fault(faults, FsOp::Read, source)) return Failed(e, FsOp::Read, source);
    DWORD got = 0;
    if (!::ReadFile(in.Get(), buffer, static_cast<DWORD>(FileSystem::kCopyBuffer), &got, nullptr))
      return Failed(LastError(), FsOp::Read, source);
    if (got == 0) break;
    for (DWORD written = 0; written < got;) {
      if (int e = Fault(faults, FsOp::Write, target)) return Failed(e, FsOp::Write, target);
      DWORD n = 0;
      if (!::WriteFile(temp.Get(), buffer + written, got - written, &n, nullptr))
        return Failed(LastError(), FsOp::Write, target);
      written += n;
    }
    done += got;
  }

  // A file written while it was read may have given a mix of two versions:
  // such a copy never replaces the old one; the next run copies it again.
  BY_HANDLE_FILE_INFORMATION after;
  if (!::GetFileInformationByHandle(in.Get(), &after)) return Failed(LastError(), FsOp::Read, source);
  if (done != size || !SameState(before, after)) return Failed(ERROR_BUSY, FsOp::Read, source);

  const FILETIME written = ToFiletime(faults != nullptr ? faults->StoredTime(target, FromFiletime(before.ftLastWriteTime))
                                                        : FromFiletime(before.ftLastWriteTime));
  if (int e = Fault(faults, FsOp::SetTimes, target)) return Failed(e, FsOp::SetTimes, target);
  if (!::SetFileTime(temp.Get(), nullptr, nullptr, &written)) return Failed(LastError(), FsOp::SetTimes, target);
  // No flush per file: the rename comes only after the whole content is
  // written, and FileSystem::Flush ends a run.
  if (int e = temp.Close()) return Failed(e, FsOp::Write, target);

  // The source's attributes (the compressed bit and the like are the file
  // system's own).
  if (int e = Fault(faults, FsOp::Chmod, target)) return Failed(e, FsOp::Chmod, target);
  const DWORD attributes = before.dwFileAttributes & kCopiedAttributes;
  if (attributes != 0)
    if (int e = SetAttributes(temp.Path(), attributes)) return Failed(e, FsOp::Chmod, target);

  if (int e = Fault(faults, FsOp::Rename, target)) return Failed(e, FsOp::Rename, target);
  if (int e = PutInPlace(temp.Path(), target, placement)) return Failed(e, FsOp::Rename, target);
  temp.Release();
  return {};
}

FsError CopyEntry(FaultInjector* faults, const std::string& source, const EntryInfo& sourceInfo,
                  const std::string& target, Placement placement) {
  switch (sourceInfo.kind) {
    case EntryKind::File: return CopyRegular(faults, source, target, placement);
    case EntryKind::Directory: return Failed(ERROR_ACCESS_DENIED, FsOp::Open, source);
    case EntryKind::Symlink:
    case EntryKind::Special: break;
  }
  // Links, junctions and devices are never opened nor followed.
  return Failed(kErrorNotSupported, FsOp::Open, source);
}

}  // namespace

FsError FileSystem::CopyFile(const Folder& sourceFolder, const EntryInfo& sourceInfo,
                             const Folder& targetFolder, std::string_view targetName,
                             Placement placement) const {
  return CopyEntry(faults_, sourceFolder.PathOf(sourceInfo.name), sourceInfo, targetFolder.PathOf(targetName),
                   placement);
}

}  // namespace common

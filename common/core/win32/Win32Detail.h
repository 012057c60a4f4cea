#pragma once
// Helpers shared by the Windows files of the file-system layer; not for its
// users. Paths reach the layer as UTF-8 texts with "\" (drive letters, UNC);
// every Win32 call gets them as wide "\\?\" paths, so that long paths and
// names ending in a dot or a blank work.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
// FileSystem::CopyFile is the layer's own.
#undef CopyFile

#include <string>
#include <string_view>
#include <utility>

#include "common/core/FaultInjector.h"
#include "common/core/FileTime.h"
#include "common/core/FsEntry.h"
#include "common/core/FsError.h"
#include "common/core/FsShared.h"

namespace common::win32 {

std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// The "\\?\" form of path: "C:\x" gives "\\?\C:\x", "\\server\share\x"
// gives "\\?\UNC\server\share\x"; a relative path, or one with "/", "." or
// ".." parts, is made absolute by the system first.
std::wstring LongPath(const std::string& path);

using fsshared::Failed;
using fsshared::Fault;
inline int LastError() { return static_cast<int>(::GetLastError()); }

// folder and name joined by "\"; the folder part of a path and its last part.
inline std::string JoinName(const std::string& folder, std::string_view name) {
  return fsshared::JoinName(folder, name, '\\');
}
using fsshared::ParentFolder;
std::string LastComponent(std::string_view path);

// Modification times: 100 ns ticks since 1601 against seconds and
// nanoseconds since 1970.
FileTime FromFiletime(const FILETIME& ft);
FILETIME ToFiletime(const FileTime& t);

// The attribute bits a copy or a new folder takes from its source; the
// others (folder, compressed, reparse point...) are the file system's.
constexpr DWORD kCopiedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
// The attributes that keep a file or folder from being deleted or replaced.
constexpr DWORD kProtectingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A reparse point that stands for another place (a symbolic link, a
// junction, a mount point): never followed by a walk, never opened.
inline bool IsLinkLike(DWORD attributes, DWORD reparseTag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(reparseTag);
}

// The reparse tag of a reparse point, where a listing did not tell it
// (FindFirstFileExW gives it in dwReserved0; a system that leaves that 0 is
// asked through the entry itself, opened without following it).
DWORD ReparseTagOf(const std::string& path, DWORD attributes, DWORD listedTag);

// Fills kind, mode (the attributes), size and time.
void FillEntry(EntryInfo& entry, DWORD attributes, DWORD reparseTag, uint64_t size, const FILETIME& written);

// What path is, without following a reparse point in its place.
struct PathInfo {
  DWORD attributes = 0;
  DWORD reparseTag = 0;
  uint64_t size = 0;
  FILETIME written{};
};
int QueryPath(const std::string& path, PathInfo& out);

// Sets attributes on path: FILE_ATTRIBUTE_NORMAL when none is left.
int SetAttributes(const std::string& path, DWORD attributes);

// Closes its handle when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Reset(); }
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE Release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }
  void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
    if (Valid()) ::CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_;
};

// A CRT descriptor that owns handle (the layer's descriptors are CRT ones
// on Windows, so that the shared headers stay as they are); -1 on failure,
// the handle then closed.
int DescriptorOf(HANDLE handle);
HANDLE HandleOf(int descriptor);

// The error of a descriptor that is not open; no call is interrupted and
// made again.
constexpr int kNotOpen = ERROR_INVALID_HANDLE;
constexpr int kInterrupted = 0;

// Closes a descriptor opened only to read, if open: nothing to lose at close.
inline void CloseReadOnly(int& fd) {
  if (fd >= 0) ::_close(fd);
  fd = -1;
}

// Temporary names of the atomic copy: ".~tmp-" + 16 hex digits + ".part".
std::string NewTempName();
constexpr int kTempAttempts = 8;

}  // namespace common::win32

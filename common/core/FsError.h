#pragma once
// A failure of the file-system layer: its error number (errno on Linux, the
// GetLastError value on Windows), and the operation and path it happened on.

#include <cerrno>
#include <cstdint>
#include <string>
#include <utility>

namespace common {

// The operations a fault can be injected into.
enum class FsOp : uint8_t {
  List,      // reading a folder listing (a listing by path also opens the folder)
  Lstat,     // lstat of an entry (also the per-entry lstat of a listing)
  Open,      // opening a file to read or to write, or opening a Folder handle
  Read,      // one read of a file's content (a block that compare reads in
             // pieces counts once; also the reads of a copy)
  Write,     // one chunk written by a copy (copy_file_range or write; for a
             // sparse file also the size set after its last data)
  Chmod,     // setting permission bits
  SetTimes,  // setting the modification time
  Rename,    // the rename that puts a finished copy in place
  Unlink,    // deleting a file or link
  Mkdir,
  Rmdir,
  ReadLink,
  Symlink,
  Chown,  // giving a copy (file, link or new folder) the source's owner and group
  Count
};
const char* FsOpName(FsOp op);

// A failure carries the operation and the path it happened on, so that a
// caller can tell which step of a compound one (a copy, a tree of folders)
// failed; the report lines still name the step as the caller words it.
struct [[nodiscard]] FsError {
  FsError() = default;
  FsError(int errorNumber, FsOp failedOp = FsOp::Count, std::string failedPath = {})
      : number(errorNumber), op(failedOp), path(std::move(failedPath)) {}

  int number = 0;          // errno (GetLastError on Windows); 0 = success
  FsOp op = FsOp::Count;   // the operation that failed; Count when none is told
  std::string path;        // the path it failed on
  explicit operator bool() const { return number != 0; }
  // The system's text for the number, in its language: strerror on Linux,
  // FormatMessageW on Windows.
  std::string Description() const;
  // The path (or a folder on its way) does not exist.
  bool NotFound() const;
  // A folder was expected and something else (a file, a link) is there.
  bool NotAFolder() const;
};

// The failures the programs report of their own accord, numbered as the
// platform numbers them.
#ifdef _WIN32
inline constexpr int kErrorNotSupported = 50;     // ERROR_NOT_SUPPORTED: a special file
inline constexpr int kErrorNoMemory = 8;          // ERROR_NOT_ENOUGH_MEMORY
inline constexpr int kErrorOtherDevice = 17;      // ERROR_NOT_SAME_DEVICE: another volume in the copy
inline constexpr int kErrorLockTimedOut = 33;     // ERROR_LOCK_VIOLATION: the log stayed locked
inline bool FsError::NotFound() const { return number == 2 || number == 3; }  // file, path
inline bool FsError::NotAFolder() const { return number == 267; }            // ERROR_DIRECTORY
#else
inline constexpr int kErrorNotSupported = ENOTSUP;
inline constexpr int kErrorNoMemory = ENOMEM;
inline constexpr int kErrorOtherDevice = EXDEV;
inline constexpr int kErrorLockTimedOut = EWOULDBLOCK;
inline bool FsError::NotFound() const { return number == ENOENT; }
inline bool FsError::NotAFolder() const { return number == ENOTDIR || number == ELOOP; }
#endif

}  // namespace common

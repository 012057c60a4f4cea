#pragma once
// The frames that the POSIX and the Windows files of the file-system layer
// share around their own system calls (and FsShared.cpp, what is the same on
// both); not for the layer's users.

#include <cstddef>
#include <string>
#include <string_view>

#include "common/core/FaultInjector.h"
#include "common/core/FileSystem.h"
#include "common/core/FsEntry.h"
#include "common/core/FsError.h"

namespace common::fsshared {

// Each platform's own: the folder part of a path ("." for a bare name),
// and one read of at most `most` bytes into to, giving its error or 0 with
// n the bytes read (0 at the end of the file).
std::string ParentFolder(const std::string& path);
int ReadPiece(int fd, char* to, size_t most, size_t& n);

// A failure of op on path (the path built only then); success for 0.
inline FsError Failed(int number, FsOp op, std::string_view path) {
  return number == 0 ? FsError{} : FsError{number, op, std::string(path)};
}

inline int Fault(FaultInjector* faults, FsOp op, std::string_view path) {
  return faults != nullptr ? faults->Check(op, path) : 0;
}

// folder and name joined by separator, added only where folder does not
// end in one already.
inline std::string JoinName(const std::string& folder, std::string_view name, char separator) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path = folder;
  if (path.empty() || path.back() != separator) path += separator;
  path += name;
  return path;
}

// The start of a listing: out emptied, the fault check, and a folder that
// could not be opened refused with the error notOpen.
inline FsError BeginListing(FaultInjector* faults, const Folder& folder, FolderListing& out, int notOpen) {
  out.files.clear();
  out.folders.clear();
  if (int e = Fault(faults, FsOp::List, folder.Path())) return Failed(e, FsOp::List, folder.Path());
  if (!folder.IsOpen()) return Failed(notOpen, FsOp::List, folder.Path());
  return {};
}

// MakeFolderTree: the missing folders of path made from the top down, each
// by makeOne(path), which returns its error. A root that cannot be read as
// a folder fails with noRoot; a folder that is there when making it fails
// with exists (a path with a trailing separator names a folder its parent
// step has just made, and another program may make one meanwhile) counts
// as made.
template <class MakeOne>
FsError MakeFolderTree(const FileSystem& fs, const std::string& path, char separator, int noRoot, int exists,
                       MakeOne makeOne) {
  // The empty path is where a relative chain ends: the current folder.
  if (path.empty()) return {};
  EntryInfo info;
  if (!fs.Stat(path, info, LinkPolicy::Follow) && info.kind == EntryKind::Directory) return {};

  std::string parent = ParentFolder(path);
  // "a" has the parent ".", where a relative chain ends.
  if (parent == "." && path.find(separator) == std::string::npos) parent.clear();
  // A root ("/", "C:\", "\\server\share") that cannot be read as a folder:
  // nothing to climb to.
  if (parent == path) return Failed(noRoot, FsOp::Mkdir, path);
  if (FsError e = MakeFolderTree(fs, parent, separator, noRoot, exists, makeOne)) return e;

  if (int e = Fault(fs.Faults(), FsOp::Mkdir, path)) return Failed(e, FsOp::Mkdir, path);
  const int error = makeOne(path);
  if (error == 0) return {};
  if (error == exists && !fs.Stat(path, info, LinkPolicy::Follow) && info.kind == EntryKind::Directory) return {};
  return Failed(error, FsOp::Mkdir, path);
}

}  // namespace common::fsshared

namespace common {

// The frame of both OpenFolder: out closed and named path; refused (an error
// given before the fault check) or the fault check fails it; otherwise
// open(fd) returns the error or gives out its descriptor.
template <class Open>
FsError FileSystem::OpenFolderWith(const std::string& path, Folder& out, int refused, Open open) const {
  out.Close();
  out.path_ = path;
  if (refused != 0) return fsshared::Failed(refused, FsOp::Open, path);
  int fd = -1;
  int error = fsshared::Fault(faults_, FsOp::Open, path);
  if (error == 0) error = open(fd);
  if (error != 0) return fsshared::Failed(error, FsOp::Open, path);
  out.fd_ = fd;
  return {};
}

}  // namespace common

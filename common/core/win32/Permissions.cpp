// Attributes, and new folders made with their attributes, on Windows. The
// "permission bits" of the layer's interface are the file attributes here:
// read-only, hidden, system and archive are set; the others belong to the
// file system.

#include "common/core/FileSystem.h"
#include "common/core/win32/Win32Detail.h"

namespace common {
namespace {

using namespace win32;

FsError SetModeAt(FaultInjector* faults, const std::string& path, uint32_t attributes) {
  if (int e = Fault(faults, FsOp::Chmod, path)) return Failed(e, FsOp::Chmod, path);
  PathInfo info;
  if (int e = QueryPath(path, info)) return Failed(e, FsOp::Chmod, path);
  // A link or junction has no attributes of its own to take.
  if (IsLinkLike(info.attributes, info.reparseTag)) return {};
  return Failed(SetAttributes(path, attributes & kCopiedAttributes), FsOp::Chmod, path);
}

// The new folder path like source (see FileSystem::MakeFolder); a folder
// whose attributes cannot be set is removed again.
FsError MakeFolderLike(FaultInjector* faults, const std::string& path, const EntryInfo& source) {
  if (int e = Fault(faults, FsOp::Mkdir, path)) return Failed(e, FsOp::Mkdir, path);
  const std::wstring w = LongPath(path);
  if (!::CreateDirectoryW(w.c_str(), nullptr)) return Failed(LastError(), FsOp::Mkdir, path);
  const DWORD wanted = source.mode & kCopiedAttributes;
  int error = Fault(faults, FsOp::Chmod, path);
  if (error == 0 && wanted != 0) error = SetAttributes(path, wanted);
  if (error != 0) ::RemoveDirectoryW(w.c_str());
  return Failed(error, FsOp::Chmod, path);
}

}  // namespace

FsError FileSystem::MakeFolder(const Folder& folder, std::string_view name, const EntryInfo& source) const {
  return MakeFolderLike(faults_, folder.PathOf(name), source);
}

FsError FileSystem::SetMode(const Folder& folder, std::string_view name, uint32_t permissionBits) const {
  return SetModeAt(faults_, folder.PathOf(name), permissionBits);
}

FsError FileSystem::FolderMode(const Folder& folder, uint32_t& permissionBits) const {
  FILE_BASIC_INFO info;
  if (!folder.IsOpen() ||
      !::GetFileInformationByHandleEx(HandleOf(folder.fd_), FileBasicInfo, &info, sizeof info))
    return Failed(folder.IsOpen() ? LastError() : ERROR_INVALID_HANDLE, FsOp::Lstat, folder.Path());
  permissionBits = info.FileAttributes & 07777;
  return {};
}

FsError FileSystem::SetFolderMode(const Folder& folder, uint32_t permissionBits) const {
  if (int e = Fault(faults_, FsOp::Chmod, folder.Path())) return Failed(e, FsOp::Chmod, folder.Path());
  if (!folder.IsOpen()) return Failed(ERROR_INVALID_HANDLE, FsOp::Chmod, folder.Path());
  FILE_BASIC_INFO info;
  if (!::GetFileInformationByHandleEx(HandleOf(folder.fd_), FileBasicInfo, &info, sizeof info))
    return Failed(LastError(), FsOp::Chmod, folder.Path());
  const DWORD wanted = permissionBits & kCopiedAttributes;
  if ((info.FileAttributes & kCopiedAttributes) == wanted) return {};
  return Failed(SetAttributes(folder.Path(), wanted), FsOp::Chmod, folder.Path());
}

FsError FileSystem::MakeFolderTree(const std::string& path) const {
  return fsshared::MakeFolderTree(*this, path, '\\', ERROR_PATH_NOT_FOUND, ERROR_ALREADY_EXISTS,
                                  [](const std::string& folder) {
                                    return ::CreateDirectoryW(LongPath(folder).c_str(), nullptr) ? 0 : LastError();
                                  });
}

FsError FileSystem::MakeFolder(const std::string& path, const EntryInfo& source) const {
  return MakeFolderLike(faults_, path, source);
}

}  // namespace common

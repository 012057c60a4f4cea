// Folder handles and folder identity on Windows: a folder is held open
// (sharing every access, so that it blocks nobody) and its identity is its
// volume's serial number and its file index.

#include <io.h>

#include <utility>

#include "common/core/FileSystem.h"
#include "common/core/FolderHandle.h"
#include "common/core/win32/Win32Detail.h"

namespace common {
namespace {

using namespace win32;

// Opens the folder at path; with NoFollow a reparse point that stands for
// another place is refused (ERROR_DIRECTORY), as a file is.
int OpenFolderHandle(const std::string& path, LinkPolicy links, Handle& out) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  if (links == LinkPolicy::NoFollow) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  out.Reset(::CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          flags, nullptr));
  if (!out.Valid()) return LastError();
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(out.Get(), FileAttributeTagInfo, &tag, sizeof tag)) return LastError();
  if ((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (links == LinkPolicy::NoFollow && IsLinkLike(tag.FileAttributes, tag.ReparseTag))) {
    out.Reset();
    return ERROR_DIRECTORY;
  }
  return 0;
}

FolderId IdOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle, &info)) return {};
  FolderId id;
  id.device = info.dwVolumeSerialNumber;
  id.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  // A volume is its own mount: another volume mounted in a folder has
  // another serial number.
  id.mount = info.dwVolumeSerialNumber;
  return id;
}

FolderId IdOfPath(const std::string& path, LinkPolicy links) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  if (links == LinkPolicy::NoFollow) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  Handle h(::CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, flags,
                         nullptr));
  if (!h.Valid()) return {};
  return IdOfHandle(h.Get());
}

// The path without its "\\?\" prefix, as users write it.
std::string UserPath(std::wstring w) {
  if (w.rfind(L"\\\\?\\UNC\\", 0) == 0) return Narrow(L"\\\\" + w.substr(8));
  if (w.rfind(L"\\\\?\\", 0) == 0) return Narrow(w.substr(4));
  return Narrow(w);
}

}  // namespace

Folder::Folder(Folder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

Folder::~Folder() { Close(); }

void Folder::Close() {
  CloseReadOnly(fd_);
}

std::string Folder::PathOf(std::string_view name) const { return JoinName(path_, name); }

FolderId FileSystem::Identify(const Folder& folder) const {
  if (!folder.IsOpen()) return {};
  return IdOfHandle(HandleOf(folder.fd_));
}

FolderId FileSystem::Identify(const Folder& folder, std::string_view name) const {
  if (!folder.IsOpen()) return {};
  return IdOfPath(folder.PathOf(name), LinkPolicy::NoFollow);
}

FsError FileSystem::RealPath(const std::string& path, std::string& out) const {
  Handle h(::CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.Valid()) return Failed(::GetLastError(), FsOp::Lstat, path);
  DWORD n = ::GetFinalPathNameByHandleW(h.Get(), nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n == 0) return Failed(::GetLastError(), FsOp::Lstat, path);
  std::wstring w(n, L'\0');
  n = ::GetFinalPathNameByHandleW(h.Get(), w.data(), n, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n == 0) return Failed(::GetLastError(), FsOp::Lstat, path);
  w.resize(n);
  out = UserPath(std::move(w));
  return {};
}

std::vector<FolderId> FileSystem::FolderChain(const std::string& path) const {
  std::vector<FolderId> out;
  // The real path first, so that the parents are those of the folder
  // itself rather than of the link or junction that led to it.
  std::string real;
  if (RealPath(path, real)) return out;
  for (;;) {
    FolderId id = IdOfPath(real, LinkPolicy::Follow);
    if (!id.Known()) break;
    if (!out.empty() && out.back().SameFolder(id)) break;
    out.push_back(id);
    std::string parent = ParentFolder(real);
    if (parent == real || parent == ".") break;
    real = parent;
  }
  return out;
}

namespace {

// The folder at path as a descriptor.
int OpenFolderDescriptor(const std::string& path, LinkPolicy links, int& fd) {
  Handle h;
  if (int e = OpenFolderHandle(path, links, h)) return e;
  fd = DescriptorOf(h.Release());
  return fd < 0 ? ERROR_TOO_MANY_OPEN_FILES : 0;
}

}  // namespace

FsError FileSystem::OpenFolder(const std::string& path, Folder& out, LinkPolicy links) const {
  return OpenFolderWith(path, out, 0, [&](int& fd) { return OpenFolderDescriptor(path, links, fd); });
}

FsError FileSystem::OpenFolder(const Folder& parent, std::string_view name, Folder& out) const {
  std::string path = parent.PathOf(name);
  return OpenFolderWith(path, out, parent.IsOpen() ? 0 : ERROR_FILE_NOT_FOUND,
                        [&](int& fd) { return OpenFolderDescriptor(path, LinkPolicy::NoFollow, fd); });
}

FsError FileSystem::DeviceOf(const Folder& folder, uint64_t& device) const {
  BY_HANDLE_FILE_INFORMATION info;
  if (!folder.IsOpen() || !::GetFileInformationByHandle(HandleOf(folder.fd_), &info))
    return Failed(folder.IsOpen() ? LastError() : ERROR_INVALID_HANDLE, FsOp::Lstat, folder.Path());
  device = info.dwVolumeSerialNumber;
  return {};
}

}  // namespace common

// Folder listings and the status of one entry on Windows.
//
// An entry as a listing describes it here: folders are directories;
// files are the rest, with reparse points that stand for another place
// (symbolic links, junctions, mount points) among them as special entries,
// never followed, opened or entered. mode holds the file attributes
// (read-only 1, hidden 2, system 4, folder 16, archive 32, device 64,
// compressed 2048...), the time is the last write time to 100 ns, and every
// entry is listed, hidden and system ones too. One FindFirstFileExW walk
// gives all of it: no entry needs a second look.


#include "common/core/FileSystem.h"
#include "common/core/NameKey.h"
#include "common/core/win32/Win32Detail.h"

namespace common {
namespace {

using namespace win32;

FsError ListEntries(FaultInjector* faults, const std::string& folder, FolderListing& out,
                    ListDetail detail) {
  // A failure part way must not pass for the end of the folder: the caller
  // would take the missing entries for deleted ones.
  auto fail = [&out, &folder](int error, FsOp op = FsOp::List, std::string_view path = {}) {
    out.files.clear();
    out.folders.clear();
    return Failed(error, op, path.empty() ? std::string_view(folder) : path);
  };
  std::wstring pattern = LongPath(folder);
  if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    // A drive's root has no "." entry: an empty root lists nothing at all.
    int error = LastError();
    if (error == ERROR_FILE_NOT_FOUND) return {};
    return fail(error);
  }
  std::string entryPath;
  for (;;) {
    const wchar_t* w = data.cFileName;
    if (!(w[0] == L'.' && (w[1] == L'\0' || (w[1] == L'.' && w[2] == L'\0')))) {
      EntryInfo entry;
      entry.name = Narrow(w);
      const DWORD tag = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
                            ? ReparseTagOf(JoinName(folder, entry.name), data.dwFileAttributes, data.dwReserved0)
                            : 0;
      FillEntry(entry, data.dwFileAttributes, tag,
                (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, data.ftLastWriteTime);
      // Each entry's data comes with the listing; the seam still charges
      // one Lstat per entry whose details are asked for, as Linux makes them.
      if (faults != nullptr && ListsDetailsOf(detail, entry.kind == EntryKind::Directory)) {
        entryPath = JoinName(folder, entry.name);
        if (int error = faults->Check(FsOp::Lstat, entryPath)) {
          ::FindClose(find);
          return fail(error, FsOp::Lstat, entryPath);
        }
      }
      entry.key = MakeNameKey(entry.name);
      (entry.kind == EntryKind::Directory ? out.folders : out.files).push_back(std::move(entry));
    }
    if (!::FindNextFileW(find, &data)) {
      int error = LastError();
      ::FindClose(find);
      if (error == ERROR_NO_MORE_FILES) break;
      return fail(error);
    }
  }

  out.SortInListingOrder();
  return {};
}

}  // namespace

FsError FileSystem::ListFolder(const Folder& folder, FolderListing& out, ListDetail detail) const {
  if (FsError e = fsshared::BeginListing(faults_, folder, out, ERROR_INVALID_HANDLE)) return e;
  return ListEntries(faults_, folder.Path(), out, detail);
}

FsError FileSystem::Stat(const std::string& path, EntryInfo& out, LinkPolicy links) const {
  if (int e = Fault(faults_, FsOp::Lstat, path)) return Failed(e, FsOp::Lstat, path);
  PathInfo info;
  if (int e = QueryPath(path, info)) return Failed(e, FsOp::Lstat, path);
  if (links == LinkPolicy::Follow && IsLinkLike(info.attributes, info.reparseTag)) {
    // What the link leads to.
    Handle h(::CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION target;
    if (!h.Valid() || !::GetFileInformationByHandle(h.Get(), &target)) return Failed(LastError(), FsOp::Lstat, path);
    info.attributes = target.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
    info.reparseTag = 0;
    info.size = (static_cast<uint64_t>(target.nFileSizeHigh) << 32) | target.nFileSizeLow;
    info.written = target.ftLastWriteTime;
  }
  out.name = LastComponent(path);
  out.key = MakeNameKey(out.name);
  FillEntry(out, info.attributes, info.reparseTag, info.size, info.written);
  return {};
}

}  // namespace common

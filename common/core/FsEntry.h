#pragma once
// An entry as a folder listing describes it (Linux; for Windows see
// common/core/win32/Listing.cpp):
// - files are regular files, symbolic links and special files (FIFOs,
//   sockets, devices); folders are directories, never seen through a link;
// - every entry is listed, dot-files too, each with what lstat gave, so no
//   entry needs to be stat'ed again;
// - read-only = the owner's write bit is missing; hidden = the name begins
//   with "."; system, archive, device and compressed do not exist here.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/core/FileTime.h"
#include "common/core/NameKey.h"

namespace common {

enum class EntryKind : uint8_t { File, Symlink, Special, Directory };
struct EntryInfo {
  std::string name;  // the bytes the file system gives, no folder
  std::string key;   // MakeNameKey(name), computed once
  EntryKind kind = EntryKind::File;
  uint32_t mode = 0;  // st_mode: type and permission bits (Windows: attributes)
  uint32_t owner = 0;  // st_uid
  uint32_t group = 0;  // st_gid
  int64_t size = 0;   // bytes; for a link, the length of its target text
  FileTime mtime;     // last modification, nanoseconds

#ifdef _WIN32
  // On Windows mode holds the file attributes (FILE_ATTRIBUTE_*).
  bool IsReadOnly() const { return (mode & 0x1) != 0; }
  bool IsHidden() const { return (mode & 0x2) != 0; }
#else
  bool IsReadOnly() const { return (mode & 0200) == 0; }
  bool IsHidden() const { return !name.empty() && name[0] == '.'; }
#endif
};

struct FolderListing {
  // Both sorted by CompareListingOrder (key, then bytes).
  std::vector<EntryInfo> files;    // regular files, links, special files
  std::vector<EntryInfo> folders;  // directories

  // Puts both lists in that order; the system lists in the order of the disk.
  void SortInListingOrder() {
    auto byListingOrder = [](const EntryInfo& a, const EntryInfo& b) {
      return CompareListingOrder(a.key, a.name, b.key, b.name) < 0;
    };
    std::sort(files.begin(), files.end(), byListingOrder);
    std::sort(folders.begin(), folders.end(), byListingOrder);
  }
};

// How much a listing needs to know. NamesAndKinds skips the per-entry lstat
// where the directory entry already tells the kind (d_type); size, mode and
// time are then left 0. Count, for a pass that only counts files and opens
// folders, also leaves files without names, every entry without its key and
// both lists in no order, where the platform can spare that work.
// FileDetails gives files as Full does and folders as NamesAndKinds does,
// for a pass that compares files and only walks into folders.
enum class ListDetail { Full, FileDetails, NamesAndKinds, Count };

// Whether a listing of that detail gives the entry's size, mode and time.
constexpr bool ListsDetailsOf(ListDetail detail, bool isFolder) {
  return detail == ListDetail::Full || (detail == ListDetail::FileDetails && !isFolder);
}

// Whether a listed or opened path may be a link to a folder. Only the two
// folders a run is given are followed; links inside the trees never are.
enum class LinkPolicy { NoFollow, Follow };

}  // namespace common

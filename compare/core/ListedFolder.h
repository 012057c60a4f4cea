#pragma once
// A folder listed ahead of the comparison's walk. The folder stays open with
// its listing, so that its files and subfolders are opened from it by name:
// one lookup per entry instead of a walk of its whole path, no limit on the
// depth of a tree (paths longer than PATH_MAX), and a folder swapped
// meanwhile is never followed elsewhere.

#include <cstdint>
#include <memory>
#include <string>

#include "common/core/FileSystem.h"

namespace compare {

struct ListedFolder {
  using Handle = std::shared_ptr<const common::Folder>;
  // A count's listing keeps only the number of its files and its folders,
  // so that many of them can wait without holding every file name, and the
  // folder stays open only when it has subfolders, for theirs.
  enum class Purpose { Walk, Count };

  // Opens the folder (name inside parent, never through a link; or the path
  // of a run's root when parent is null, followed as links says) and lists
  // it. A failure keeps nothing.
  static ListedFolder List(const common::FileSystem& fs, const Handle& parent, const std::string& name,
                           common::LinkPolicy links, common::ListDetail detail, Purpose purpose);

  common::FsError error;
  common::FolderListing listing;
  int64_t fileCount = 0;  // the count's listing only
  Handle folder;
};

}  // namespace compare

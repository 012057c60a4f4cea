#include "compare/core/ListedFolder.h"

#include <cerrno>
#include <exception>
#include <utility>

namespace compare {

ListedFolder ListedFolder::List(const common::FileSystem& fs, const Handle& parent, const std::string& name,
                                common::LinkPolicy links, common::ListDetail detail, Purpose purpose) {
  ListedFolder out;
  std::shared_ptr<common::Folder> folder;
  try {
    folder = std::make_shared<common::Folder>();
    out.error = parent ? fs.OpenFolder(*parent, name, *folder) : fs.OpenFolder(name, *folder, links);
    if (!out.error) out.error = fs.ListFolder(*folder, out.listing, detail);
  } catch (const std::exception&) {
    // Only memory can run out here (a listing too large for what is left):
    // the folder's failure, never a crash of the whole run, never an empty
    // listing.
    out.error = common::FsError{common::kErrorNoMemory};
  }
  if (out.error) {
    out.listing = {};
    return out;
  }
  if (purpose == Purpose::Count) {
    out.fileCount = static_cast<int64_t>(out.listing.files.size());
    out.listing.files = {};
    if (out.listing.folders.empty()) return out;
  }
  out.folder = std::move(folder);
  return out;
}

}  // namespace compare

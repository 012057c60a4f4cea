#include "update/core/WritableFolder.h"

#include "common/core/FileFunction.h"

namespace update {

WritableFolder::WritableFolder(const common::FileSystem& fs, const common::Folder& folder,
                               WritableFolder*& current, common::ErrorList& errors)
    : fs_(fs), folder_(folder), current_(current), previous_(current), errors_(errors) {
  current_ = this;
}

WritableFolder::~WritableFolder() {
  Restore();
  current_ = previous_;
}

void WritableFolder::Unlock() {
  if (checked_) return;
  checked_ = true;
  uint32_t mode = 0;
  if (fs_.FolderMode(folder_, mode) || (mode & 0300) == 0300) return;
  // A refusal leaves the folder as it is; the step then fails on its own.
  if (!fs_.SetFolderMode(folder_, mode | 0300)) savedMode_ = mode;
}

void WritableFolder::Restore() {
  if (!savedMode_) return;
  uint32_t mode = *savedMode_;
  savedMode_.reset();
  if (common::FsError e = fs_.SetFolderMode(folder_, mode))
    errors_.AddError("setattr " + common::QuotePath(folder_.Path()), e);
}

}  // namespace update

#pragma once
// A folder of the copy that its owner may not write in (a copy first made
// by "cp -a" of read-only folders) is made writable for the first step that
// changes something in it, and gets its exact mode back when the steps in
// it are over: at the end of the folder's own entries, or when a failure, a
// cancel or a /debug stop leaves the folder early. It is destroyed only
// after every copy handed over into the folder is done.

#include <cstdint>
#include <optional>

#include "common/core/ErrorList.h"
#include "common/core/FileSystem.h"

namespace update {

class WritableFolder {
 public:
  // While it lives, current points at it. A failure to restore the mode is
  // a `setattr` line of errors (never a /debug stop: it may come while one
  // leaves the folder).
  WritableFolder(const common::FileSystem& fs, const common::Folder& folder, WritableFolder*& current,
                 common::ErrorList& errors);
  WritableFolder(const WritableFolder&) = delete;
  WritableFolder& operator=(const WritableFolder&) = delete;
  ~WritableFolder();

  const common::Folder& Handle() const { return folder_; }
  // Adds the owner's write and search bits where they are missing; once.
  void Unlock();
  // Gives the folder its mode back if Unlock changed it.
  void Restore();

 private:
  const common::FileSystem& fs_;
  const common::Folder& folder_;
  WritableFolder*& current_;
  WritableFolder* previous_;
  common::ErrorList& errors_;
  bool checked_ = false;
  std::optional<uint32_t> savedMode_;
};

}  // namespace update

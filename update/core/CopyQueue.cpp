#include "update/core/CopyQueue.h"

#include <utility>

#include "common/core/NameKey.h"
#include "update/core/Options.h"

namespace update {

void CopyQueue::Post(int32_t op, const char* keyword, const common::Folder& sourceFolder,
                     const common::EntryInfo& sourceInfo, const common::Folder& copyFolder,
                     const std::string& copyName, common::Placement placement) {
  uint64_t ticket = copier_.Post([this, &sourceFolder, &sourceInfo, &copyFolder, copyName, placement] {
    return fs_.CopyFile(sourceFolder, sourceInfo, copyFolder, copyName, placement);
  });
  pending_.push_back(
      PendingCopy{ticket, std::nullopt, op, keyword, &sourceFolder, &sourceInfo, &copyFolder, copyName});
  // The worker takes one copy while this thread takes the next: never more
  // than one waits, so progress and lines stay close to the walk.
  while (copier_.Waiting() > 1) copier_.RunOne();
  Record(Wait::FinishedOnly);
}

void CopyQueue::AddDeletion(const common::Folder& folder, const std::string& name,
                            const common::FsError& result) {
  pending_.push_back(PendingCopy{0, result, OpDelete, "delete", nullptr, nullptr, &folder, name});
  Record(Wait::FinishedOnly);
}

void CopyQueue::WaitForTwins(const std::string& key) {
  // Names equal but for letter case may be one name in the copy: their
  // copies and deletions go in walk order, never side by side, so the
  // same one of them gets the name on every run.
  for (const PendingCopy& pending : pending_) {
    const std::string& pendingKey =
        pending.sourceInfo != nullptr ? pending.sourceInfo->key : common::MakeNameKey(pending.copyName);
    if (pendingKey == key) {
      Record(Wait::All);
      return;
    }
  }
}

void CopyQueue::Record(Wait wait) {
  while (!pending_.empty()) {
    const PendingCopy& front = pending_.front();
    std::optional<common::FsError> result;
    if (!front.deleted) {
      if (wait == Wait::FinishedOnly && !copier_.Finished(front.ticket)) break;
      result = copier_.Wait(front.ticket);
    }
    PendingCopy done = std::move(pending_.front());
    pending_.pop_front();
    record_(done, result);
  }
}

}  // namespace update

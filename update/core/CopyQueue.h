#pragma once
// The copies of the update walk, run two at a time (one on a worker thread,
// one on the walk's thread: a machine with two cores copies a folder of
// small files in about half the time), with their lines recorded in the
// order the walk handed them over, as if they had run one after another.
// A deletion done meanwhile has its lines wait for the copies handed over
// before it.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "common/core/FileSystem.h"
#include "common/core/JobQueue.h"

namespace update {

// A copy handed to the queue, with what its lines need; or a deletion done
// meanwhile (deleted set), whose lines wait for the copies handed over
// before it.
struct PendingCopy {
  uint64_t ticket;
  std::optional<common::FsError> deleted;  // a deletion and its result
  int32_t op;
  const char* keyword;
  const common::Folder* sourceFolder;
  const common::EntryInfo* sourceInfo;
  const common::Folder* copyFolder;
  std::string copyName;
};

class CopyQueue {
 public:
  // Records the lines of one handed-over copy (result unset: dropped by a
  // cancel before it started, so it never happened) or of one deletion.
  using Recorder = std::function<void(const PendingCopy&, const std::optional<common::FsError>& result)>;

  CopyQueue(const common::FileSystem& fs, Recorder record) : fs_(fs), record_(std::move(record)) {}

  void Clear() { pending_.clear(); }
  bool Empty() const { return pending_.empty(); }

  // Hands the copy over and records what has finished. The folders and the
  // entry must live until the copy is recorded or dropped.
  void Post(int32_t op, const char* keyword, const common::Folder& sourceFolder,
            const common::EntryInfo& sourceInfo, const common::Folder& copyFolder,
            const std::string& copyName, common::Placement placement);
  // A deletion already done while copies run, recorded in its turn.
  void AddDeletion(const common::Folder& folder, const std::string& name, const common::FsError& result);

  // Records the handed-over copies in order: those finished, or all of
  // them (waiting for them) when wait says so.
  enum class Wait { FinishedOnly, All };
  void Record(Wait wait);
  // Records every handed-over copy first when one of them is of a name
  // with this key (a twin of the name about to be copied or deleted).
  void WaitForTwins(const std::string& key);
  // Drops the copies nobody started; those running finish.
  void DropWaiting() { copier_.DropWaiting(); }

 private:
  const common::FileSystem& fs_;
  Recorder record_;
  // Handed over and not yet recorded, oldest first. A copy's line is
  // recorded only after every line of the copies handed over before it,
  // and before anything that is not a copy.
  std::deque<PendingCopy> pending_;
  common::JobQueue<common::FsError> copier_;
};

}  // namespace update

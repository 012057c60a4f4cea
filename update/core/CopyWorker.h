#pragma once
// Runs the file copies of a folder two at a time: one on a worker thread,
// one on the thread that walks the trees. The walk hands each copy over
// with Submit and gets its result by ticket, in the order it chooses (the
// engine records results in submission order, so the log reads as if the
// copies ran one after another). A machine with two cores copies a folder
// of small files in about half the time.
//
// Jobs point at folders and listing entries that the caller keeps alive
// until every job it submitted is finished or dropped (Drain).

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/core/FileSystem.h"

namespace update {

class CopyWorker {
 public:
  explicit CopyWorker(const common::FileSystem& fs) : fs_(fs) {}
  CopyWorker(const CopyWorker&) = delete;
  CopyWorker& operator=(const CopyWorker&) = delete;
  ~CopyWorker();

  // Queues the copy of sourceInfo in sourceFolder to copyName in copyFolder.
  uint64_t Submit(const common::Folder& sourceFolder, const common::EntryInfo& sourceInfo,
                  const common::Folder& copyFolder, std::string copyName,
                  common::Placement placement = common::Placement::Replace);
  // Runs the oldest copy nobody has started yet on the calling thread;
  // false when there is none.
  bool RunOneHere();
  // Copies submitted and not yet started by anyone.
  size_t Waiting();
  // Waits until the copy with this ticket is finished (run here if nobody
  // has started it) and gives its result, or nothing for a dropped copy.
  // Each ticket is asked for once, in submission order.
  std::optional<common::FsError> Result(uint64_t ticket);
  bool Finished(uint64_t ticket);
  // Copies not yet started are dropped (never run); waits for those running.
  void DropWaiting();

 private:
  enum class State : uint8_t { Waiting, Running, Done };
  struct Job {
    const common::Folder* sourceFolder;
    const common::EntryInfo* sourceInfo;
    const common::Folder* copyFolder;
    std::string copyName;
    common::Placement placement = common::Placement::Replace;
    State state = State::Waiting;
    bool dropped = false;
    bool taken = false;  // its result was asked for
    common::FsError result;
  };

  void Run();
  // The job of a ticket that is still kept, or nullptr. Needs the lock.
  Job* Find(uint64_t ticket);
  // Runs job (claimed by the caller) without the lock, then marks it done.
  void Execute(std::unique_lock<std::mutex>& lock, Job& job);
  // Forgets the jobs at the front whose results were taken. Needs the lock.
  void Trim();

  const common::FileSystem& fs_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;   // tickets firstTicket_, firstTicket_ + 1, ...
  uint64_t firstTicket_ = 0;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace update

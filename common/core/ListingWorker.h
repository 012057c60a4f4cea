#pragma once
// Lists one folder on a thread of its own while the caller does something
// else, typically listing the other folder of a pair: a walk over two trees
// then costs about as much as a walk over the larger one on a machine with
// two cores. One listing at a time; the thread starts with the first one
// and ends with the worker.

#include <condition_variable>
#include <mutex>
#include <thread>

#include "common/core/FileSystem.h"

namespace common {

class ListingWorker {
 public:
  explicit ListingWorker(const FileSystem& fs) : fs_(fs) {}
  ListingWorker(const ListingWorker&) = delete;
  ListingWorker& operator=(const ListingWorker&) = delete;
  ~ListingWorker();

  // Starts listing folder, which must stay open until Wait returns. A
  // listing started and not waited for is waited for by the next Start.
  void Start(const Folder& folder, ListDetail detail = ListDetail::Full);
  // The result of the listing started last, as FileSystem::ListFolder gives it.
  FsError Wait(FolderListing& out);

 private:
  void Run();

  const FileSystem& fs_;
  std::mutex mutex_;
  std::condition_variable changed_;
  const Folder* folder_ = nullptr;  // the listing asked for, until taken
  ListDetail detail_ = ListDetail::Full;
  bool busy_ = false;               // a listing is asked for or running
  bool stop_ = false;
  FsError result_;
  FolderListing listing_;
  std::thread thread_;
};

}  // namespace common

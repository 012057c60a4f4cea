#include "common/core/ListingWorker.h"

#include <utility>

namespace common {

ListingWorker::~ListingWorker() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ListingWorker::Start(const Folder& folder, ListDetail detail) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  folder_ = &folder;
  detail_ = detail;
  busy_ = true;
  lock.unlock();
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  changed_.notify_all();
}

FsError ListingWorker::Wait(FolderListing& out) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  out = std::move(listing_);
  listing_ = FolderListing();
  return result_;
}

void ListingWorker::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stop_ || folder_ != nullptr; });
    if (stop_) return;
    const Folder* folder = std::exchange(folder_, nullptr);
    ListDetail detail = detail_;
    lock.unlock();
    FolderListing listing;
    FsError result = fs_.ListFolder(*folder, listing, detail);
    lock.lock();
    listing_ = std::move(listing);
    result_ = result;
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace common

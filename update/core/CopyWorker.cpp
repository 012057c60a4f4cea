#include "update/core/CopyWorker.h"

#include <utility>

namespace update {

CopyWorker::~CopyWorker() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    // What nobody started never runs: its folders may be gone by now.
    for (Job& job : jobs_)
      if (job.state == State::Waiting) {
        job.state = State::Done;
        job.dropped = true;
      }
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

uint64_t CopyWorker::Submit(const common::Folder& sourceFolder, const common::EntryInfo& sourceInfo,
                            const common::Folder& copyFolder, std::string copyName,
                            common::Placement placement) {
  std::unique_lock lock(mutex_);
  Trim();
  Job& job = jobs_.emplace_back();
  job.sourceFolder = &sourceFolder;
  job.sourceInfo = &sourceInfo;
  job.copyFolder = &copyFolder;
  job.copyName = std::move(copyName);
  job.placement = placement;
  uint64_t ticket = firstTicket_ + jobs_.size() - 1;
  lock.unlock();
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  changed_.notify_all();
  return ticket;
}

CopyWorker::Job* CopyWorker::Find(uint64_t ticket) {
  if (ticket < firstTicket_ || ticket - firstTicket_ >= jobs_.size()) return nullptr;
  return &jobs_[static_cast<size_t>(ticket - firstTicket_)];
}

void CopyWorker::Trim() {
  while (!jobs_.empty() && jobs_.front().taken) {
    jobs_.pop_front();
    ++firstTicket_;
  }
}

void CopyWorker::Execute(std::unique_lock<std::mutex>& lock, Job& job) {
  job.state = State::Running;
  // A deque keeps its elements in place when jobs are added at the back or
  // removed at the front, and a running job is never removed.
  lock.unlock();
  common::FsError result = fs_.CopyFile(*job.sourceFolder, *job.sourceInfo, *job.copyFolder, job.copyName,
                                            job.placement);
  lock.lock();
  job.result = result;
  job.state = State::Done;
  changed_.notify_all();
}

bool CopyWorker::RunOneHere() {
  std::unique_lock lock(mutex_);
  for (Job& job : jobs_) {
    if (job.state != State::Waiting) continue;
    Execute(lock, job);
    return true;
  }
  return false;
}

size_t CopyWorker::Waiting() {
  std::lock_guard lock(mutex_);
  size_t n = 0;
  for (const Job& job : jobs_)
    if (job.state == State::Waiting) ++n;
  return n;
}

bool CopyWorker::Finished(uint64_t ticket) {
  std::lock_guard lock(mutex_);
  Job* job = Find(ticket);
  return job == nullptr || job->state == State::Done;
}

std::optional<common::FsError> CopyWorker::Result(uint64_t ticket) {
  std::unique_lock lock(mutex_);
  Job* job = Find(ticket);
  if (job == nullptr || job->taken) return std::nullopt;
  if (job->state == State::Waiting) Execute(lock, *job);
  changed_.wait(lock, [job] { return job->state == State::Done; });
  job->taken = true;
  if (job->dropped) return std::nullopt;
  return job->result;
}

void CopyWorker::DropWaiting() {
  std::unique_lock lock(mutex_);
  for (Job& job : jobs_)
    if (job.state == State::Waiting) {
      job.state = State::Done;
      job.dropped = true;
    }
  changed_.wait(lock, [this] {
    for (const Job& job : jobs_)
      if (job.state == State::Running) return false;
    return true;
  });
}

void CopyWorker::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    Job* next = nullptr;
    changed_.wait(lock, [&] {
      if (stop_) return true;
      for (Job& job : jobs_)
        if (job.state == State::Waiting) {
          next = &job;
          return true;
        }
      return false;
    });
    if (stop_) return;
    Execute(lock, *next);
  }
}

}  // namespace update

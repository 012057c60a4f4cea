#pragma once
// Jobs run in the order they are posted, two at a time: one on a worker
// thread of the queue, one on the thread that posted them whenever it asks
// for a result that nobody has started yet (it runs that job itself rather
// than wait idle). A walk posts the reading or copying ahead of it and
// takes each result at its place, so whatever it reports reads as if every
// job had run on its own thread, one after another.
//
// A job's result (or the exception it threw) waits in the queue until it is
// asked for. A job nobody started is never run once dropped (DropWaiting, a
// cancel, the queue's end): whatever it points at may be gone by then. The
// worker thread starts with the first job, so a run that posts nothing
// never starts it, and ends with the queue after the job it is on.
//
// Posting, asking and dropping belong to one thread, the owner's.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace common {

template <class Result>
class JobQueue {
 public:
  using Ticket = uint64_t;
  using Job = std::function<Result()>;

  JobQueue() = default;
  JobQueue(const JobQueue&) = delete;
  JobQueue& operator=(const JobQueue&) = delete;
  ~JobQueue() {
    {
      std::lock_guard lock(mutex_);
      DropLocked();
      stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  Ticket Post(Job job) {
    std::unique_lock lock(mutex_);
    Trim();
    Entry& entry = entries_.emplace_back();
    entry.job = std::move(job);
    ++waiting_;
    const Ticket ticket = first_ + entries_.size() - 1;
    lock.unlock();
    if (!thread_.joinable() && !alone_) {
      try {
        thread_ = std::thread([this] { Work(); });
      } catch (const std::system_error&) {
        // No thread to be had (a process limit): every job then runs on
        // the caller's thread when its result is asked for.
        alone_ = true;
      }
    }
    changed_.notify_all();
    return ticket;
  }

  // Jobs posted and not yet started by anyone.
  size_t Waiting() {
    std::lock_guard lock(mutex_);
    return waiting_;
  }

  // Runs the oldest job nobody has started on the calling thread; false
  // when there is none.
  bool RunOne() {
    std::unique_lock lock(mutex_);
    Entry* entry = NextWaiting();
    if (entry == nullptr) return false;
    Execute(lock, *entry);
    return true;
  }

  // Whether asking for the ticket's result would not block.
  bool Finished(Ticket ticket) {
    std::lock_guard lock(mutex_);
    Entry* entry = Find(ticket);
    return entry == nullptr || entry->state == State::Done;
  }

  // The ticket's result, once: the job is run here if nobody has started
  // it, waited for if it is running. Nothing for a dropped job; the job's
  // exception is thrown here.
  std::optional<Result> Wait(Ticket ticket) {
    std::unique_lock lock(mutex_);
    Entry* entry = Find(ticket);
    if (entry == nullptr || entry->taken) return std::nullopt;
    if (entry->state == State::Waiting) Execute(lock, *entry);
    if (entry->state != State::Done) {
      // Running on the worker: most jobs are short, so a moment's spin
      // saves the two thread switches of a sleep.
      lock.unlock();
      Spin([entry] { return entry->state == State::Done; });
      lock.lock();
      changed_.wait(lock, [entry] { return entry->state == State::Done; });
    }
    entry->taken = true;
    std::optional<Result> result = std::move(entry->result);
    std::exception_ptr error = std::exchange(entry->error, nullptr);
    Trim();
    if (error) std::rethrow_exception(error);
    return result;
  }

  // Drops every job nobody has started and waits for those running.
  void DropWaiting() {
    std::unique_lock lock(mutex_);
    DropLocked();
    changed_.wait(lock, [this] { return running_ == 0; });
  }

 private:
  enum class State : uint8_t { Waiting, Running, Done };
  struct Entry {
    Job job;
    std::atomic<State> state{State::Waiting};  // also read without the lock, by Spin
    bool taken = false;
    std::optional<Result> result;  // empty for a dropped job
    std::exception_ptr error;
  };

  // Polls ready for a short while (a few microseconds), yielding the
  // processor after the first tries.
  template <class Ready>
  static void Spin(Ready ready) {
    for (int i = 0; i < 64 && !ready(); ++i)
      if (i >= 16) std::this_thread::yield();
  }

  // The ticket's entry while it is kept, or nullptr. Needs the lock.
  Entry* Find(Ticket ticket) {
    if (ticket < first_ || ticket - first_ >= entries_.size()) return nullptr;
    return &entries_[static_cast<size_t>(ticket - first_)];
  }

  Entry* NextWaiting() {
    if (waiting_ == 0) return nullptr;
    for (Entry& entry : entries_)
      if (entry.state == State::Waiting) return &entry;
    return nullptr;
  }

  // Forgets the entries at the front whose results were taken. A deque
  // keeps its other elements in place, so a running job's entry stays put.
  void Trim() {
    while (!entries_.empty() && entries_.front().taken) {
      entries_.pop_front();
      ++first_;
    }
  }

  void DropLocked() {
    for (Entry& entry : entries_)
      if (entry.state == State::Waiting) {
        entry.state = State::Done;
        entry.job = nullptr;
      }
    waiting_ = 0;
  }

  // Runs entry (claimed here) without the lock, then marks it done.
  void Execute(std::unique_lock<std::mutex>& lock, Entry& entry) {
    entry.state = State::Running;
    --waiting_;
    ++running_;
    Job job = std::move(entry.job);
    entry.job = nullptr;
    lock.unlock();
    std::optional<Result> result;
    std::exception_ptr error;
    try {
      result.emplace(job());
    } catch (...) {
      error = std::current_exception();
    }
    job = nullptr;  // what the job holds goes before its result is seen
    lock.lock();
    entry.result = std::move(result);
    entry.error = error;
    entry.state = State::Done;
    --running_;
    changed_.notify_all();
  }

  void Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      Entry* next = nullptr;
      if (!stop_ && waiting_ == 0) {
        // The next job is usually posted at once: spin a moment first.
        lock.unlock();
        Spin([this] { return waiting_.load(std::memory_order_relaxed) != 0; });
        lock.lock();
      }
      changed_.wait(lock, [&] { return stop_ || (next = NextWaiting()) != nullptr; });
      if (stop_) return;
      Execute(lock, *next);
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Entry> entries_;  // tickets first_, first_ + 1, ...
  Ticket first_ = 0;
  std::atomic<size_t> waiting_{0};  // also read without the lock, by Spin
  size_t running_ = 0;
  bool stop_ = false;
  bool alone_ = false;  // the worker thread could not be started
  std::thread thread_;
};

}  // namespace common

// The queue runs jobs in the order posted, on its worker or on the caller
// that asks for one nobody started; results and exceptions reach the
// caller; a dropped job never runs and the queue always ends cleanly.
#include "common/core/JobQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Queue = common::JobQueue<int>;

// A gate a thread waits at until another opens it. It waits the way the
// queue does, with a mutex and a condition variable: std::latch waits on an
// atomic, which the Windows build's library implements apart from Linux's.
class Gate {
 public:
  void Open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

TEST(JobQueue, JobsStartInTheOrderPostedWhenResultsAreTakenInOrder) {
  Queue queue;
  std::mutex mutex;
  std::vector<int> order;  // the order in which the jobs started, on either thread
  std::vector<Queue::Ticket> tickets;
  for (int i = 0; i < 50; ++i)
    tickets.push_back(queue.Post([&, i] {
      {
        std::lock_guard lock(mutex);
        order.push_back(i);
      }
      return i * i;
    }));
  for (int i = 0; i < 50; ++i) EXPECT_EQ(queue.Wait(tickets[static_cast<size_t>(i)]), i * i);
  EXPECT_FALSE(queue.Wait(tickets[0]).has_value()) << "each result is given once";
  ASSERT_EQ(order.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
}

TEST(JobQueue, WaitRunsAJobNobodyStartedOnTheCallersThread) {
  Queue queue;
  Gate entered, release;
  const Queue::Ticket first = queue.Post([&] {
    entered.Open();
    release.Wait();
    return 1;
  });
  entered.Wait();  // the worker is held in the first job
  std::thread::id ranOn;
  const Queue::Ticket second = queue.Post([&] {
    ranOn = std::this_thread::get_id();
    return 2;
  });
  EXPECT_EQ(queue.Waiting(), 1u);
  EXPECT_FALSE(queue.Finished(first));
  EXPECT_EQ(queue.Wait(second), 2);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  release.Open();
  EXPECT_EQ(queue.Wait(first), 1);
  EXPECT_FALSE(queue.RunOne()) << "nothing is left to run";
}

TEST(JobQueue, AJobsExceptionIsThrownToTheOneWhoAsks) {
  Queue queue;
  const Queue::Ticket bad = queue.Post([]() -> int { throw std::runtime_error("sin espacio"); });
  const Queue::Ticket good = queue.Post([] { return 7; });
  EXPECT_THROW(
      {
        try {
          queue.Wait(bad);
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ(e.what(), "sin espacio");
          throw;
        }
      },
      std::runtime_error);
  EXPECT_EQ(queue.Wait(good), 7) << "a failed job does not stop the queue";
}

TEST(JobQueue, DroppedJobsNeverRun) {
  std::atomic<int> runs{0};
  Gate entered, release;
  {
    Queue queue;
    const Queue::Ticket first = queue.Post([&] {
      entered.Open();
      release.Wait();
      return ++runs;
    });
    entered.Wait();
    std::vector<Queue::Ticket> dropped;
    for (int i = 0; i < 3; ++i) dropped.push_back(queue.Post([&] { return ++runs; }));
    std::thread releaser([&] {
      while (queue.Waiting() != 0) std::this_thread::yield();
      release.Open();
    });
    queue.DropWaiting();  // returns once the running job is done
    releaser.join();
    EXPECT_TRUE(queue.Finished(first));
    EXPECT_EQ(queue.Wait(first), 1);
    for (Queue::Ticket t : dropped) EXPECT_FALSE(queue.Wait(t).has_value());
  }
  EXPECT_EQ(runs.load(), 1);
  Queue unused;  // never posted to: no thread to end
}

TEST(JobQueue, BothThreadsShareManyJobsAndEachResultIsItsJobs) {
  Queue queue;
  std::atomic<int> runs{0};
  int wrong = 0;
  for (int round = 0; round < 20; ++round) {
    std::vector<Queue::Ticket> tickets;
    for (int i = 0; i < 64; ++i)
      tickets.push_back(queue.Post([&runs, i] {
        ++runs;
        return i;
      }));
    // The caller takes jobs too while the worker runs.
    while (queue.Waiting() > 8) queue.RunOne();
    for (int i = 0; i < 64; ++i)
      if (queue.Wait(tickets[static_cast<size_t>(i)]) != i) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(runs.load(), 20 * 64);
}

}  // namespace

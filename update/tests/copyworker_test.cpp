// Copies run two at a time, yet the run reads as if they ran one after
// another: every line in walk order, each failure right after its copy's
// trace, deletions after the copies before them; and a worker that ends
// with copies nobody started never runs them.
#include "update/core/CopyWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "common/core/FileSystem.h"
#include "update/tests/support/EngineFixture.h"

namespace updatetest {
namespace {

using common::FsOp;
using Lines = std::vector<std::string>;

std::string Name(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "f%03d", i);
  return buf;
}

std::string ErrorLine(int number, const std::string& context) {
  return common::FsError{number}.Description() + " (" + std::to_string(number) + ") en " + context;
}

class CopyOrder : public EngineFixture {};

TEST_F(CopyOrder, LinesFollowTheWalkWithFailuresInterleaved) {
  options.LogOps = update::OpCreate | update::OpUpdate | update::OpDelete;
  constexpr int kFiles = 120;
  tree.MakeDir("copia");
  for (int i = 0; i < kFiles; ++i) {
    // Sizes from empty to a few chunks' worth of small writes, so copies
    // finish out of order on the two threads.
    tree.WriteFile("origen/" + Name(i), std::string(static_cast<size_t>((i * 7919) % 70000), char('a' + i % 26)), 200);
    if (i % 10 == 3) tree.WriteFile("copia/" + Name(i), "old", 100);      // replaced
    if (i % 10 == 5) tree.WriteFile("copia/" + Name(i) + "x", "gone", 100);  // deleted between copies
  }
  Lines expected;
  for (int i = 0; i < kFiles; ++i) {
    std::string src = "{o}/" + Name(i), dst = "{c}/" + Name(i);
    bool replaced = i % 10 == 3;
    expected.push_back(Expand(std::string(replaced ? "update" : "create") + " \"" + src + "\" \"" + dst + "\""));
    if (i % 11 == 4) {
      faults.FailOn(FsOp::Open, "origen/" + Name(i), EIO);
      expected.push_back(ErrorLine(EIO, Expand("copy \"" + src + "\" \"" + dst + "\"")));
    }
    if (i % 10 == 5) {
      expected.push_back(Expand("delete \"{c}/" + Name(i) + "x\""));
      if (i % 30 == 25) {
        faults.FailOn(FsOp::Unlink, "copia/" + Name(i) + "x", EIO);
        expected.push_back(ErrorLine(EIO, Expand("del \"{c}/" + Name(i) + "x\"")));
      }
    }
  }
  EXPECT_EQ(Run(), expected);
  for (int i = 0; i < kFiles; ++i) {
    if (i % 11 == 4) {
      // The failed copy left the old state: nothing, or the old file.
      if (i % 10 == 3)
        EXPECT_EQ(tree.ReadFile("copia/" + Name(i)), "old");
      else
        EXPECT_FALSE(tree.Exists("copia/" + Name(i)));
    } else {
      EXPECT_EQ(tree.ReadFile("copia/" + Name(i)), tree.ReadFile("origen/" + Name(i))) << Name(i);
    }
    if (i % 10 == 5) {
      EXPECT_EQ(tree.Exists("copia/" + Name(i) + "x"), i % 30 == 25) << Name(i);
    }
  }
  EXPECT_EQ(engine->FilesDone, kFiles);
}

TEST(CopyWorker, CopiesNobodyStartedNeverRun) {
  testsupport::TempTree tree;
  for (int i = 0; i < 4; ++i) tree.WriteFile("a/" + Name(i), "x");
  tree.MakeDir("b");
  std::latch entered(1), release(1);
  common::FaultInjector faults;
  // The first copy holds the worker until the others have been dropped.
  faults.OnCall(FsOp::Open, "a/f000", [&] {
    entered.count_down();
    release.wait();
  });
  common::FileSystem fs(&faults);
  common::Folder a, b;
  ASSERT_FALSE(fs.OpenFolder(tree.Path("a"), a));
  ASSERT_FALSE(fs.OpenFolder(tree.Path("b"), b));
  common::FolderListing listing;
  ASSERT_FALSE(fs.ListFolder(a, listing));
  update::CopyWorker worker(fs);
  std::vector<uint64_t> tickets;
  tickets.push_back(worker.Submit(a, listing.files[0], b, Name(0)));
  entered.wait();
  for (int i = 1; i < 4; ++i) tickets.push_back(worker.Submit(a, listing.files[static_cast<size_t>(i)], b, Name(i)));
  EXPECT_EQ(worker.Waiting(), 3u);
  std::thread releaser([&] {
    while (worker.Waiting() != 0) std::this_thread::yield();
    release.count_down();
  });
  worker.DropWaiting();  // returns once the running copy is done
  releaser.join();
  std::optional<common::FsError> first = worker.Result(tickets[0]);
  ASSERT_TRUE(first.has_value());
  EXPECT_FALSE(*first);
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(worker.Result(tickets[static_cast<size_t>(i)]).has_value());
  EXPECT_TRUE(tree.Exists("b/" + Name(0)));
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(tree.Exists("b/" + Name(i)));
}

TEST(CopyWorker, ResultRunsAWaitingCopyOnTheCallersThread) {
  testsupport::TempTree tree;
  tree.WriteFile("a/f000", "one");
  tree.WriteFile("a/f001", "two");
  tree.MakeDir("b");
  std::latch entered(1), release(1);
  common::FaultInjector faults;
  faults.OnCall(FsOp::Open, "a/f000", [&] {
    entered.count_down();
    release.wait();
  });
  std::atomic<std::thread::id> copiedBy;
  faults.OnCall(FsOp::Open, "a/f001", [&] { copiedBy = std::this_thread::get_id(); });
  common::FileSystem fs(&faults);
  common::Folder a, b;
  ASSERT_FALSE(fs.OpenFolder(tree.Path("a"), a));
  ASSERT_FALSE(fs.OpenFolder(tree.Path("b"), b));
  common::FolderListing listing;
  ASSERT_FALSE(fs.ListFolder(a, listing));
  update::CopyWorker worker(fs);
  uint64_t t0 = worker.Submit(a, listing.files[0], b, "f000");
  entered.wait();
  uint64_t t1 = worker.Submit(a, listing.files[1], b, "f001");
  // The worker is held in the first copy: asking for the second runs it here.
  std::optional<common::FsError> second = worker.Result(t1);
  EXPECT_EQ(copiedBy.load(), std::this_thread::get_id());
  release.count_down();
  std::optional<common::FsError> first = worker.Result(t0);
  ASSERT_TRUE(first && second);
  EXPECT_FALSE(*first);
  EXPECT_FALSE(*second);
  EXPECT_EQ(tree.ReadFile("b/f000"), "one");
  EXPECT_EQ(tree.ReadFile("b/f001"), "two");
}

}  // namespace
}  // namespace updatetest

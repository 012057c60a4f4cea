// The worker's listing is the listing FileSystem gives on the calling
// thread, failures included, and a worker always ends cleanly.
#include "common/core/ListingWorker.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "common/tests/support/TempTree.h"

namespace {

using common::FileSystem;
using common::FolderListing;
using common::ListingWorker;

std::vector<std::string> Names(const std::vector<common::EntryInfo>& entries) {
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name + "/" + std::to_string(e.size));
  return names;
}

TEST(ListingWorker, ListsWhileTheCallerListsAnotherFolder) {
  testsupport::TempTree tree;
  for (int i = 0; i < 300; ++i) {
    tree.WriteFile("a/f" + std::to_string(i), std::string(static_cast<size_t>(i), 'x'));
    tree.WriteFile("b/g" + std::to_string(i), "y");
  }
  tree.MakeDir("a/Sub");
  FileSystem fs;
  ListingWorker worker(fs);
  // Several rounds on one worker: each Wait gives the listing of its Start.
  for (int round = 0; round < 5; ++round) {
    common::Folder a, b;
    ASSERT_FALSE(fs.OpenFolder(tree.Path("a"), a));
    ASSERT_FALSE(fs.OpenFolder(tree.Path("b"), b));
    worker.Start(a);
    FolderListing here, there, expected;
    ASSERT_FALSE(fs.ListFolder(b, here));
    ASSERT_FALSE(worker.Wait(there));
    ASSERT_FALSE(fs.ListFolder(a, expected));
    EXPECT_EQ(Names(there.files), Names(expected.files));
    EXPECT_EQ(Names(there.folders), Names(expected.folders));
    EXPECT_EQ(there.files.size(), 300u);
    EXPECT_EQ(here.files.size(), 300u);
  }
}

TEST(ListingWorker, GivesTheListingsFailureAndNoEntries) {
  testsupport::TempTree tree;
  tree.WriteFile("a/f", "1");
  common::FaultInjector faults;
  faults.FailOn(common::FsOp::Lstat, "a/f", EIO);
  FileSystem fs(&faults);
  ListingWorker worker(fs);
  common::Folder a;
  ASSERT_FALSE(fs.OpenFolder(tree.Path("a"), a));
  worker.Start(a);
  FolderListing out;
  common::FsError e = worker.Wait(out);
  EXPECT_EQ(e.number, EIO);
  EXPECT_TRUE(out.files.empty());
  EXPECT_EQ(faults.InjectedCount(), 1);
}

TEST(ListingWorker, ALaterStartWaitsForTheListingBeforeIt) {
  testsupport::TempTree tree;
  tree.WriteFile("a/f", "1");
  tree.WriteFile("b/g", "22");
  tree.WriteFile("b/h", "333");
  FileSystem fs;
  common::Folder a, b;
  ASSERT_FALSE(fs.OpenFolder(tree.Path("a"), a));
  ASSERT_FALSE(fs.OpenFolder(tree.Path("b"), b));
  ListingWorker worker(fs);
  worker.Start(a);
  worker.Start(b);  // a's listing is not waited for
  FolderListing out;
  ASSERT_FALSE(worker.Wait(out));
  EXPECT_EQ(Names(out.files), (std::vector<std::string>{"g/2", "h/3"}));
  // A worker destroyed with a listing it was never asked to wait for joins
  // its thread (a leak or a hang would show under the sanitizers and ctest).
  ListingWorker unused(fs);
  unused.Start(a);
}

}  // namespace

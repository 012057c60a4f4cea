// The read-ahead on its own: what a pair job finds at each size around the
// block boundary, listings and failures carried to the taker, and jobs
// never taken leave no open descriptor behind.

#include <dirent.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/tests/support/TempTree.h"
#include "compare/core/ReadAhead.h"

namespace {

using common::FsOp;
using compare::FileResult;
using compare::ReadAhead;

// A small block keeps the files small; the logic does not depend on its size.
constexpr size_t kBlock = 4096;

int OpenDescriptors() {
  int n = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++n;
    closedir(dir);
  }
  return n;
}

ReadAhead::FolderHandle OpenFolder(const common::FileSystem& fs, const std::string& path) {
  auto folder = std::make_shared<common::Folder>();
  EXPECT_FALSE(fs.OpenFolder(path, *folder)) << path;
  return folder;
}

std::string Pattern(size_t size, char seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + static_cast<char>(i % 31));
  return s;
}

struct PairCase {
  const char* name;
  size_t sizeS;
  size_t sizeD;
  long flipAt;  // byte of the copy changed; -1 for none
  FileResult result;
  bool more;
  int64_t remaining;
};
void PrintTo(const PairCase& c, std::ostream* os) { *os << c.name; }

class PairJob : public ::testing::TestWithParam<PairCase> {};

TEST_P(PairJob, FindsWhatTheFirstBlockTells) {
  const PairCase& c = GetParam();
  testsupport::TempTree tree;
  std::string copy = Pattern(c.sizeD, 'a');
  if (c.flipAt >= 0) copy[static_cast<size_t>(c.flipAt)] ^= 0x20;
  tree.WriteFile("o/f", Pattern(c.sizeS, 'a'));
  tree.WriteFile("c/f", copy);

  common::FileSystem fs;
  ReadAhead ahead(fs, kBlock);
  ReadAhead::Ticket t = ahead.PostPair(OpenFolder(fs, tree.Path("o")), "f", OpenFolder(fs, tree.Path("c")), "f");
  ReadAhead::PairOutcome out = ahead.TakePair(t);
  EXPECT_FALSE(out.error) << out.error.number;
  EXPECT_EQ(out.result, c.result);
  EXPECT_EQ(out.more, c.more);
  // Files stay open only when the caller has more to do with them.
  EXPECT_EQ(out.fileS.IsOpen(), c.more);
  EXPECT_EQ(out.fileD.IsOpen(), c.more);
  if (c.more) {
    EXPECT_EQ(out.remaining, c.remaining);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PairJob,
    ::testing::Values(PairCase{"Empty", 0, 0, -1, FileResult::Same, false, 0},
                      PairCase{"SmallSame", 100, 100, -1, FileResult::Same, false, 0},
                      PairCase{"SmallLastByte", 100, 100, 99, FileResult::ContentDiffers, false, 0},
                      PairCase{"BelowBlockSame", kBlock - 1, kBlock - 1, -1, FileResult::Same, false, 0},
                      PairCase{"SizesDiffer", 10, 11, -1, FileResult::SizeDiffers, false, 0},
                      PairCase{"OneWholeBlock", kBlock, kBlock, -1, FileResult::Same, true, 0},
                      PairCase{"BlockAndOneByte", kBlock + 1, kBlock + 1, -1, FileResult::Same, true, 1},
                      // A difference past the first block is the caller's to find.
                      PairCase{"LaterBlockDiffers", 3 * kBlock, 3 * kBlock, 2 * kBlock + 5, FileResult::Same,
                               true, 2 * kBlock},
                      PairCase{"FirstBlockDiffers", 3 * kBlock, 3 * kBlock, 7, FileResult::ContentDiffers,
                               false, 0}),
    [](const ::testing::TestParamInfo<PairCase>& info) { return std::string(info.param.name); });

struct FailureCase {
  const char* name;
  FsOp op;
  const char* side;
  int nth;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class PairFailure : public ::testing::TestWithParam<FailureCase> {};

// The failure travels to the taker with its number; no file stays open.
TEST_P(PairFailure, ReachesTheTakerAndClosesBothFiles) {
  const FailureCase& c = GetParam();
  testsupport::TempTree tree;
  tree.WriteFile("o/f", Pattern(100, 'a'));
  tree.WriteFile("c/f", Pattern(100, 'a'));
  common::FaultInjector faults;
  faults.FailOn(c.op, tree.Path(std::string(c.side) + "/f"), EIO, c.nth);
  common::FileSystem fs(&faults);
  const int before = OpenDescriptors();
  {
    ReadAhead ahead(fs, kBlock);
    ReadAhead::Ticket t = ahead.PostPair(OpenFolder(fs, tree.Path("o")), "f", OpenFolder(fs, tree.Path("c")), "f");
    ReadAhead::PairOutcome out = ahead.TakePair(t);
    EXPECT_EQ(out.error.number, EIO);
    EXPECT_FALSE(out.more);
    EXPECT_FALSE(out.fileS.IsOpen());
    EXPECT_FALSE(out.fileD.IsOpen());
  }
  EXPECT_EQ(faults.InjectedCount(), 1);
  EXPECT_EQ(OpenDescriptors(), before);
}

INSTANTIATE_TEST_SUITE_P(Failures, PairFailure,
                         ::testing::Values(FailureCase{"OpenOrigin", FsOp::Open, "o", 1},
                                           FailureCase{"OpenCopy", FsOp::Open, "c", 1},
                                           FailureCase{"ReadOrigin", FsOp::Read, "o", 1},
                                           FailureCase{"ReadCopy", FsOp::Read, "c", 1}),
                         [](const ::testing::TestParamInfo<FailureCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(ReadAheadTest, ListingsAndTheirFailuresReachTheTaker) {
  testsupport::TempTree tree;
  tree.WriteFile("uno/b.txt", "1");
  tree.WriteFile("uno/a.txt", "22");
  tree.MakeDir("uno/sub");
  tree.WriteFile("dos/x", "");
  common::FaultInjector faults;
  faults.FailOn(FsOp::List, tree.Path("dos"), EACCES);
  common::FileSystem fs(&faults);
  ReadAhead ahead(fs, kBlock);
  auto t1 = ahead.PostList(tree.Path("uno"), common::LinkPolicy::NoFollow);
  auto t2 = ahead.PostList(tree.Path("dos"), common::LinkPolicy::NoFollow);
  common::FolderListing listing;
  ReadAhead::FolderHandle folder;
  EXPECT_FALSE(ahead.TakeListing(t1, listing, folder));
  // The folder comes open with its listing.
  ASSERT_TRUE(folder && folder->IsOpen());
  EXPECT_EQ(folder->Path(), tree.Path("uno"));
  ASSERT_EQ(listing.files.size(), 2u);
  EXPECT_EQ(listing.files[0].name, "a.txt");
  EXPECT_EQ(listing.files[0].size, 2);
  ASSERT_EQ(listing.folders.size(), 1u);
  EXPECT_EQ(ahead.TakeListing(t2, listing, folder).number, EACCES);
  EXPECT_TRUE(listing.files.empty());
  EXPECT_FALSE(folder);
}

// The count keeps the number of files (every name, also one like update's
// temporary files) and the folders, with the folder open only for them to be
// counted from; a failure counts nothing.
TEST(ReadAheadTest, CountJobsKeepTheNumberAndTheFolders) {
  testsupport::TempTree tree;
  tree.WriteFile("uno/a", "1");
  tree.WriteFile("uno/.~tmp-0123456789abcdef.part", "medio");
  tree.Symlink("uno/l", "a");
  tree.WriteFile("uno/sub/b", "1");
  tree.WriteFile("uno/otra/c", "1");
  tree.MakeDir("dos");
  common::FaultInjector faults;
  faults.FailOn(FsOp::List, tree.Path("dos"), EIO);
  common::FileSystem fs(&faults);
  ReadAhead ahead(fs, kBlock);
  auto t1 = ahead.PostCount(tree.Path("uno"), common::LinkPolicy::NoFollow);
  auto t2 = ahead.PostCount(tree.Path("dos"), common::LinkPolicy::NoFollow);
  int64_t files = -1;
  std::vector<common::EntryInfo> folders;
  ReadAhead::FolderHandle folder;
  EXPECT_FALSE(ahead.TakeCount(t1, files, folders, folder));
  EXPECT_EQ(files, 3);
  ASSERT_EQ(folders.size(), 2u);
  EXPECT_EQ(folders[0].name, "otra");
  EXPECT_EQ(folders[1].name, "sub");
  const ReadAhead::FolderHandle uno = folder;
  EXPECT_EQ(ahead.TakeCount(t2, files, folders, folder).number, EIO);
  EXPECT_EQ(files, 0);
  EXPECT_TRUE(folders.empty());
  EXPECT_FALSE(folder);
  ASSERT_TRUE(uno && uno->IsOpen());
  auto t3 = ahead.PostCount(uno, "sub");
  EXPECT_FALSE(ahead.TakeCount(t3, files, folders, folder));
  EXPECT_EQ(files, 1);
  EXPECT_FALSE(folder);  // nothing below it to open
}

// A run that ends early (cancel, /debug) leaves jobs done but never taken,
// some holding two open files: they all close with the read-ahead.
TEST(ReadAheadTest, JobsNeverTakenCloseTheirFiles) {
  testsupport::TempTree tree;
  for (int i = 0; i < 20; ++i) {
    tree.WriteFile("o/" + std::to_string(i), Pattern(2 * kBlock, 'q'));
    tree.WriteFile("c/" + std::to_string(i), Pattern(2 * kBlock, 'q'));
  }
  common::FileSystem fs;
  const int before = OpenDescriptors();
  {
    ReadAhead ahead(fs, kBlock);
    std::vector<ReadAhead::Ticket> tickets;
    {
      const auto o = OpenFolder(fs, tree.Path("o")), c = OpenFolder(fs, tree.Path("c"));
      for (int i = 0; i < 20; ++i) tickets.push_back(ahead.PostPair(o, std::to_string(i), c, std::to_string(i)));
    }
    while (ahead.RunOne()) {
    }
    for (auto t : tickets)
      while (!ahead.IsDone(t)) std::this_thread::yield();
    // Each pair's two files; a job done holds its folders no more.
    EXPECT_EQ(OpenDescriptors(), before + 40);
    ReadAhead::PairOutcome first = ahead.TakePair(tickets[0]);
    EXPECT_TRUE(first.more);
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace

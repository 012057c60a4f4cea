#include "common/core/FileSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <locale.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <map>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "common/core/NameKey.h"
#include "common/tests/support/TempTree.h"

namespace common {
namespace {

using testsupport::TempTree;

// A source folder of the running user, for the folders a test makes.
const EntryInfo& PlainFolder() {
  static const EntryInfo folder = [] {
    EntryInfo info;
    info.kind = EntryKind::Directory;
    info.mode = S_IFDIR | 0755;
    info.owner = ::geteuid();
    info.group = ::getegid();
    return info;
  }();
  return folder;
}

constexpr int64_t kSourceSec = 1700000000;
constexpr int64_t kSourceNsec = 123456789;
constexpr int64_t kOldSec = 1500000000;
constexpr int64_t kOldNsec = 987654321;

std::vector<std::string> Names(const std::vector<EntryInfo>& entries) {
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  return names;
}

const EntryInfo* Find(const std::vector<EntryInfo>& entries, const std::string& name) {
  for (const auto& e : entries)
    if (e.name == name) return &e;
  return nullptr;
}

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::string s(size, '\0');
  for (size_t i = 0; i < size; i += 8) {
    uint64_t v = gen();
    std::memcpy(&s[i], &v, std::min<size_t>(8, size - i));
  }
  return s;
}

void MakeFifo(const TempTree& tree, const std::string& rel) {
  ASSERT_EQ(mkfifo(tree.Path(rel).c_str(), 0644), 0) << std::strerror(errno);
}

// An entry named by path, held as a walk holds it: its folder opened by
// path (as a run's root is), and its name inside.
struct Entry {
  Entry(const FileSystem& fs, const std::string& path)
      : name(path.substr(path.rfind('/') + 1)),
        error(fs.OpenFolder(path.substr(0, path.rfind('/')), folder, LinkPolicy::Follow)) {}
  Folder folder;
  std::string name;
  FsError error;
};

// The listing of the folder at path: opened, then listed (a folder that
// cannot be opened gives its error, and an empty listing).
FsError List(const FileSystem& fs, const std::string& path, FolderListing& out,
             ListDetail detail = ListDetail::Full) {
  Folder folder;
  FsError opened = fs.OpenFolder(path, folder);
  FsError listed = fs.ListFolder(folder, out, detail);
  return opened ? opened : listed;
}

FsError Copy(const FileSystem& fs, const std::string& source, const EntryInfo& info, const std::string& target,
             Placement placement = Placement::Replace) {
  Entry from(fs, source);
  Entry to(fs, target);
  if (from.error) return from.error;
  if (to.error) return to.error;
  return fs.CopyFile(from.folder, info, to.folder, to.name, placement);
}

// Temporary names left in a folder (there must never be any after a call).
std::vector<std::string> Leftovers(const TempTree& tree, const std::string& rel) {
  FolderListing listing;
  FsError e = List(FileSystem(), tree.Path(rel), listing);
  EXPECT_FALSE(e) << e.Description();
  std::vector<std::string> left;
  for (const auto* list : {&listing.files, &listing.folders})
    for (const auto& entry : *list)
      if (FileSystem::IsTemporaryName(entry.name)) left.push_back(entry.name);
  return left;
}

EntryInfo Listed(const TempTree& tree, const std::string& rel) {
  EntryInfo info;
  FsError e = FileSystem().Stat(tree.Path(rel), info);
  EXPECT_FALSE(e) << rel << ": " << e.Description();
  return info;
}

// ---- FaultInjector ----

TEST(FaultInjector, FailsTheNthMatchingCallForTimesCalls) {
  FaultInjector faults;
  faults.FailOn(FsOp::Read, "/a/", EIO, 2, 2);
  faults.FailOn(FsOp::Write, "", ENOSPC);  // empty part: every path
  // Two rules on one operation: each counts its own calls.
  faults.FailOn(FsOp::Open, "/o/", EOPNOTSUPP, 1, 1);
  faults.FailOn(FsOp::Open, "/o/", EACCES, 2, 1);
  struct Call {
    FsOp op;
    const char* path;
    int expected;
  } calls[] = {
      {FsOp::Read, "/x/a/f", 0},    {FsOp::Read, "/b/f", 0},       // not a match: not counted
      {FsOp::Open, "/x/a/f", 0},    {FsOp::Read, "/y/a/g", EIO},   // second match
      {FsOp::Read, "/x/a/f", EIO},  {FsOp::Read, "/x/a/f", 0},     // times = 2 used up
      {FsOp::Write, "/any", ENOSPC}, {FsOp::Write, "/any", 0},
      {FsOp::Open, "/o/f", EOPNOTSUPP}, {FsOp::Open, "/o/f", EACCES},
      {FsOp::Open, "/o/f", 0},
  };
  for (const auto& c : calls)
    EXPECT_EQ(faults.Check(c.op, c.path), c.expected) << FsOpName(c.op) << " " << c.path;
  EXPECT_EQ(faults.InjectedCount(), 5);
  faults.Clear();
  EXPECT_EQ(faults.Check(FsOp::Write, "/any"), 0);
  EXPECT_EQ(faults.InjectedCount(), 0);
}

// ---- Errors ----

TEST(FsError, DescriptionIsTheCLibraryText) {
  for (int number : {ENOENT, EACCES, ENOSPC, EIO, ENOTSUP, 12345}) {
    std::string expected = std::strerror(number);
    EXPECT_EQ(FsError{number}.Description(), expected);
  }
}

TEST(FsError, DescriptionFollowsSpanishMessages) {
  locale_t spanish = newlocale(LC_ALL_MASK, "es_ES.UTF-8", static_cast<locale_t>(0));
  if (spanish == static_cast<locale_t>(0)) GTEST_SKIP() << "no es_ES.UTF-8 locale on this system";
  locale_t previous = uselocale(spanish);
  std::string text = FsError{ENOENT}.Description();
  uselocale(previous);
  freelocale(spanish);
  EXPECT_EQ(text, "No existe el fichero o el directorio");
}

// ---- Listing ----

class ListFolderTest : public ::testing::TestWithParam<ListDetail> {};

TEST_P(ListFolderTest, ListsEveryKindOfEntry) {
  TempTree tree;
  tree.WriteFile("d/plain.txt", "abc", kSourceSec, kSourceNsec);
  tree.Chmod("d/plain.txt", 0640);
  tree.WriteFile("d/.hidden", "");
  tree.MakeDir("d/sub");
  tree.MakeDir("d/.dotdir");
  tree.Symlink("d/link-to-file", "plain.txt");
  tree.Symlink("d/link-to-folder", "sub");
  tree.Symlink("d/dangling", "nowhere/at/all");
  MakeFifo(tree, "d/fifo");

  FolderListing listing;
  FsError e = List(FileSystem(), tree.Path("d"), listing, GetParam());
  ASSERT_FALSE(e) << e.Description();

  struct Expected {
    const char* name;
    EntryKind kind;
  } files[] = {{".hidden", EntryKind::File},          {"dangling", EntryKind::Symlink},
               {"fifo", EntryKind::Special},          {"link-to-file", EntryKind::Symlink},
               {"link-to-folder", EntryKind::Symlink}, {"plain.txt", EntryKind::File}};
  ASSERT_EQ(listing.files.size(), std::size(files)) << ::testing::PrintToString(Names(listing.files));
  for (const auto& f : files) {
    const EntryInfo* entry = Find(listing.files, f.name);
    ASSERT_NE(entry, nullptr) << f.name;
    EXPECT_EQ(entry->kind, f.kind) << f.name;
    EXPECT_EQ(entry->key, MakeNameKey(f.name));
  }
  EXPECT_EQ(Names(listing.folders), (std::vector<std::string>{".dotdir", "sub"}));
  for (const auto& folder : listing.folders) EXPECT_EQ(folder.kind, EntryKind::Directory);

  const EntryInfo* plain = Find(listing.files, "plain.txt");
  const EntryInfo* link = Find(listing.files, "dangling");
  if (GetParam() == ListDetail::Full) {
    EXPECT_TRUE(S_ISREG(plain->mode));
    EXPECT_EQ(plain->mode & 07777, 0640u);
    EXPECT_EQ(plain->size, 3);
    EXPECT_EQ(plain->mtime, (FileTime{kSourceSec, kSourceNsec}));
    EXPECT_FALSE(plain->IsReadOnly());
    EXPECT_FALSE(plain->IsHidden());
    EXPECT_TRUE(Find(listing.files, ".hidden")->IsHidden());
    EXPECT_EQ(link->size, static_cast<int64_t>(std::strlen("nowhere/at/all")));
    EXPECT_TRUE(S_ISLNK(link->mode));
  } else {
    EXPECT_EQ(plain->size, 0);
    EXPECT_EQ(plain->mtime, FileTime{});
  }
}

INSTANTIATE_TEST_SUITE_P(Details, ListFolderTest,
                         ::testing::Values(ListDetail::Full, ListDetail::NamesAndKinds),
                         [](const auto& info) {
                           return info.param == ListDetail::Full ? "Full" : "NamesAndKinds";
                         });

TEST(ListFolder, OrdersByKeyThenTwinsByBytes) {
  TempTree tree;
  const std::vector<std::string> names = {"b",  "A",          "c.txt", "a",  "B",
                                          "\xc3\x84",  // Ä
                                          "a\xcc\x88",  // a + combining diaeresis
                                          "\xc3\xa4",  // ä
                                          "\xff" /* not UTF-8 */, "Z"};
  for (const auto& n : names) {
    tree.WriteFile("d/" + n, n);
    tree.MakeDir("d/dir-" + n);
  }
  FolderListing listing;
  ASSERT_FALSE(List(FileSystem(), tree.Path("d"), listing));
  ASSERT_EQ(listing.files.size(), names.size());
  ASSERT_EQ(listing.folders.size(), names.size());

  // Letter case aside, ASCII names keep their alphabetical places, and each
  // pair of twins is ordered by bytes.
  std::vector<std::string> ascii;
  for (const auto& n : Names(listing.files))
    if (std::all_of(n.begin(), n.end(), [](char ch) { return (ch & 0x80) == 0; })) ascii.push_back(n);
  EXPECT_EQ(ascii, (std::vector<std::string>{"A", "a", "B", "b", "c.txt", "Z"}));
  for (const auto* list : {&listing.files, &listing.folders})
    for (size_t i = 1; i < list->size(); ++i) {
      const EntryInfo& p = (*list)[i - 1];
      const EntryInfo& q = (*list)[i];
      EXPECT_LT(CompareListingOrder(MakeNameKey(p.name), p.name, MakeNameKey(q.name), q.name), 0)
          << p.name << " before " << q.name;
    }
}

TEST(ListFolder, FailureIsNeverAPartialListing) {
  TempTree tree;
  for (const char* n : {"a.txt", "b.txt", "c.txt"}) tree.WriteFile(std::string("d/") + n, n);
  tree.MakeDir("d/sub");
  tree.WriteFile("file", "x");
  struct Case {
    const char* name;
    std::string folder;
    FsOp op;  // Count: no fault, a real error
    std::string pathPart;
    int nth;
    int expected;
  } cases[] = {
      {"open", tree.Path("d"), FsOp::List, tree.Path("d"), 1, EIO},
      {"first entry lstat", tree.Path("d"), FsOp::Lstat, tree.Path("d/"), 1, EIO},
      {"later entry lstat", tree.Path("d"), FsOp::Lstat, tree.Path("d/"), 3, EACCES},
      {"folder entry lstat", tree.Path("d"), FsOp::Lstat, tree.Path("d/sub"), 1, EIO},
      {"missing folder", tree.Path("none"), FsOp::Count, "", 1, ENOENT},
      {"a file", tree.Path("file"), FsOp::Count, "", 1, ENOTDIR},
  };
  for (const auto& c : cases) {
    FaultInjector faults;
    if (c.op != FsOp::Count) faults.FailOn(c.op, c.pathPart, c.expected, c.nth);
    FolderListing listing;
    listing.files.resize(2);  // stale content must not survive either
    listing.folders.resize(1);
    FsError e = List(FileSystem(&faults), c.folder, listing);
    EXPECT_EQ(e.number, c.expected) << c.name;
    EXPECT_TRUE(listing.files.empty() && listing.folders.empty()) << c.name;
  }
}

TEST(ListFolder, EntryRemovedBeforeItsLstatIsLeftOut) {
  TempTree tree;
  for (const char* n : {"a", "b", "c"}) tree.WriteFile(std::string("d/") + n, n);
  FaultInjector faults;
  faults.FailOn(FsOp::Lstat, tree.Path("d/b"), ENOENT);
  FolderListing listing;
  FsError e = List(FileSystem(&faults), tree.Path("d"), listing);
  ASSERT_FALSE(e) << e.Description();
  EXPECT_EQ(Names(listing.files), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(faults.InjectedCount(), 1);
}

TEST(Stat, ReadsLinksThemselvesUnlessFollowing) {
  TempTree tree;
  tree.WriteFile("data.bin", "12345", kSourceSec, kSourceNsec);
  tree.Symlink("sub/Link", "../data.bin");
  FileSystem fs;
  EntryInfo info;
  ASSERT_FALSE(fs.Stat(tree.Path("sub/Link"), info));
  EXPECT_EQ(info.name, "Link");
  EXPECT_EQ(info.key, MakeNameKey("Link"));
  EXPECT_EQ(info.kind, EntryKind::Symlink);
  EXPECT_EQ(info.size, static_cast<int64_t>(std::strlen("../data.bin")));
  ASSERT_FALSE(fs.Stat(tree.Path("sub/Link"), info, LinkPolicy::Follow));
  EXPECT_EQ(info.kind, EntryKind::File);
  EXPECT_EQ(info.size, 5);
  EXPECT_EQ(info.mtime, (FileTime{kSourceSec, kSourceNsec}));

  FaultInjector faults;
  faults.FailOn(FsOp::Lstat, "data.bin", EACCES);
  EXPECT_EQ(FileSystem(&faults).Stat(tree.Path("data.bin"), info).number, EACCES);
}

// ---- The atomic copy ----

TEST(CopyFile, CopiesContentBitsAndNanosecondTime) {
  struct Case {
    const char* name;
    std::string content;
    unsigned sourceMode;
    bool targetExists;
    unsigned targetMode;
  } cases[] = {
      {"new target", "hello\n", 0644, false, 0},
      {"over an older copy", "new content", 0640, true, 0644},
      {"read-only over read-only", "ro", 0444, true, 0444},
      {"executable with setgid", "#!/bin/sh\n", 02755, true, 0600},
      {"empty file", "", 0600, true, 0644},
      {"binary with NULs", std::string("\0\x01\xff\0", 4), 0755, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempTree tree;
    // Content, bits and time come from the file, never from a listing
    // taken before the file changed.
    tree.WriteFile("src/f", "an older version", kOldSec);
    const EntryInfo stale = Listed(tree, "src/f");
    tree.WriteFile("src/f", c.content, kSourceSec, kSourceNsec);
    tree.Chmod("src/f", c.sourceMode);
    const struct timespec accessOnly[2] = {{kOldSec, 5}, {0, UTIME_OMIT}};
    ASSERT_EQ(utimensat(AT_FDCWD, tree.Path("src/f").c_str(), accessOnly, 0), 0);
    tree.MakeDir("dst");
    if (c.targetExists) {
      tree.WriteFile("dst/f", "old old old", kOldSec, kOldNsec);
      tree.Chmod("dst/f", c.targetMode);
    }
    FsError e = Copy(FileSystem(), tree.Path("src/f"), stale, tree.Path("dst/f"));
    ASSERT_FALSE(e) << e.Description();
    struct stat st;  // before reading the copy, which may touch its access time
    ASSERT_EQ(lstat(tree.Path("dst/f").c_str(), &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, kOldSec) << "the source's access time, as it was before the copy";
    EXPECT_EQ(tree.ReadFile("dst/f"), c.content);
    EXPECT_EQ(tree.Mode("dst/f"), c.sourceMode);
    EXPECT_EQ(tree.MtimeNsec("dst/f"), kSourceSec * 1000000000 + kSourceNsec);
    EXPECT_EQ(tree.Snapshot("dst").size(), 1u) << "only the copy is in the folder";
  }
}

enum class DataPath { CopyRange, ReadWrite };
enum class TempKind { Anonymous, Named };

// Makes the copy take the named temporary file and/or the read/write path,
// as on a file system without O_TMPFILE or copy_file_range. Returns how many
// injections that costs.
int ForcePaths(FaultInjector& faults, const std::string& target, TempKind temp, DataPath data) {
  int used = 0;
  if (temp == TempKind::Named) {
    faults.FailOn(FsOp::Open, target, EOPNOTSUPP, 1, 1);
    ++used;
  }
  if (data == DataPath::ReadWrite) {
    faults.FailOn(FsOp::Write, target, EXDEV, 1, 1);
    ++used;
  }
  return used;
}

TEST(CopyFile, CopiesSeveralMebibytesExactlyOnEveryPath) {
  const std::string content = RandomBytes(2 * FileSystem::kCopyChunk + 12345, 7);
  for (TempKind temp : {TempKind::Anonymous, TempKind::Named})
    for (DataPath data : {DataPath::CopyRange, DataPath::ReadWrite}) {
      SCOPED_TRACE(::testing::Message() << "named " << (temp == TempKind::Named) << " rw "
                                        << (data == DataPath::ReadWrite));
      TempTree tree;
      tree.WriteFile("src/big.bin", content, kSourceSec, kSourceNsec);
      tree.WriteFile("dst/big.bin", "old", kOldSec);
      FaultInjector faults;
      int forced = ForcePaths(faults, tree.Path("dst/big.bin"), temp, data);
      FsError e = Copy(FileSystem(&faults), tree.Path("src/big.bin"), Listed(tree, "src/big.bin"),
                                               tree.Path("dst/big.bin"));
      ASSERT_FALSE(e) << e.Description();
      EXPECT_EQ(faults.InjectedCount(), forced);
      EXPECT_TRUE(tree.ReadFile("dst/big.bin") == content) << "content differs";
      EXPECT_EQ(tree.MtimeNsec("dst/big.bin"), kSourceSec * 1000000000 + kSourceNsec);
      EXPECT_TRUE(Leftovers(tree, "dst").empty());
    }
}

// The data ranges of a file as SEEK_DATA and SEEK_HOLE show them.
std::vector<std::pair<off_t, off_t>> DataRanges(const std::string& path) {
  std::vector<std::pair<off_t, off_t>> ranges;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_GE(fd, 0) << path;
  for (off_t pos = 0;;) {
    off_t data = lseek(fd, pos, SEEK_DATA);
    if (data < 0) break;
    pos = lseek(fd, data, SEEK_HOLE);
    ranges.emplace_back(data, pos);
  }
  close(fd);
  return ranges;
}

std::string ReadAt(const std::string& path, off_t at, size_t size) {
  std::string bytes(size, '\0');
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_EQ(pread(fd, bytes.data(), size, at), static_cast<ssize_t>(size)) << path;
  close(fd);
  return bytes;
}

// A sparse file of 1 GiB keeps its holes on both data paths, a hole at its
// end included: its few blocks take a few blocks in the copy, and the copy's
// data lies where the source's does and holds the same bytes (the holes
// read as zeros on both sides).
TEST(CopyFile, SparseFileKeepsItsHolesOnEveryPath) {
  constexpr off_t kSize = off_t{1} << 30;
  const std::string block = RandomBytes(4096, 3);
  struct Layout {
    const char* name;
    std::vector<off_t> blocks;
  } layouts[] = {
      {"blocks and a hole at the end", {0, off_t{300} << 20, (off_t{700} << 20) + 1234}},
      {"data at the end", {off_t{1} << 20, kSize - 4096}},
      {"only a hole", {}},
  };
  for (const Layout& layout : layouts)
    for (DataPath data : {DataPath::CopyRange, DataPath::ReadWrite}) {
      if (layout.blocks.empty() && data == DataPath::ReadWrite) continue;  // no data to copy either way
      SCOPED_TRACE(::testing::Message() << layout.name << (data == DataPath::ReadWrite ? ", read/write" : ""));
      TempTree tree;
      tree.MakeDir("src");
      tree.MakeDir("dst");
      const std::string source = tree.Path("src/hueco.img");
      const std::string target = tree.Path("dst/hueco.img");
      int fd = open(source.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(ftruncate(fd, kSize), 0);
      for (off_t at : layout.blocks)
        ASSERT_EQ(pwrite(fd, block.data(), block.size(), at), static_cast<ssize_t>(block.size()));
      close(fd);
      struct stat st;
      ASSERT_EQ(stat(source.c_str(), &st), 0);
      const auto ranges = DataRanges(source);
      if (st.st_blocks * 512 >= kSize || ranges.size() != layout.blocks.size())
        GTEST_SKIP() << "the temporary folder's file system does not show holes";

      FaultInjector faults;
      int forced = ForcePaths(faults, target, TempKind::Anonymous, data);
      FsError e = Copy(FileSystem(&faults), source, Listed(tree, "src/hueco.img"), target);
      ASSERT_FALSE(e) << e.Description();
      EXPECT_EQ(faults.InjectedCount(), forced);
      struct stat copy;
      ASSERT_EQ(stat(target.c_str(), &copy), 0);
      EXPECT_EQ(copy.st_size, kSize);
      EXPECT_LE(copy.st_blocks, st.st_blocks) << "blocks of 512 bytes";
      EXPECT_EQ(DataRanges(target), ranges);
      for (const auto& [from, to] : ranges)
        EXPECT_TRUE(ReadAt(target, from, static_cast<size_t>(to - from)) ==
                    ReadAt(source, from, static_cast<size_t>(to - from)));
    }
}

struct FaultCase {
  const char* name;
  FsOp op;
  bool onSource;  // else on the target
  int error;
  int nth;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }
void PrintTo(TempKind k, std::ostream* os) { *os << (k == TempKind::Named ? "named" : "anonymous"); }
void PrintTo(DataPath d, std::ostream* os) { *os << (d == DataPath::ReadWrite ? "read/write" : "copy_file_range"); }

const FaultCase kFaultCases[] = {
    {"OpenSource", FsOp::Open, true, EACCES, 1},
    {"OpenTemporary", FsOp::Open, false, EACCES, 1},
    {"FirstRead", FsOp::Read, true, EIO, 1},
    {"ReadHalfway", FsOp::Read, true, EIO, 2},
    {"FirstWrite", FsOp::Write, false, EIO, 1},
    {"WriteHalfway", FsOp::Write, false, EIO, 2},
    {"DiskFullHalfway", FsOp::Write, false, ENOSPC, 2},
    {"Chmod", FsOp::Chmod, false, EIO, 1},
    {"SetTimes", FsOp::SetTimes, false, EIO, 1},
    {"Rename", FsOp::Rename, false, EIO, 1},
};

class CopyFaultTest : public ::testing::TestWithParam<std::tuple<FaultCase, TempKind, DataPath>> {};

TEST_P(CopyFaultTest, LeavesOldTargetAndNoTemporaryFile) {
  const auto& [c, temp, data] = GetParam();
  TempTree tree;
  // Larger than one chunk of either data path, so that "halfway" is real.
  static const std::string content = RandomBytes(FileSystem::kCopyChunk + 4097, 11);
  tree.WriteFile("src/big.bin", content, kSourceSec, kSourceNsec);
  tree.WriteFile("dst/big.bin", "the old copy", kOldSec, kOldNsec);
  tree.Chmod("dst/big.bin", 0640);
  tree.WriteFile("dst/other", "neighbour", kOldSec);
  const auto before = tree.Snapshot("dst");

  const std::string source = tree.Path("src/big.bin");
  const std::string target = tree.Path("dst/big.bin");
  FaultInjector faults;
  ForcePaths(faults, target, temp, data);
  int nth = c.nth;
  // The forcing injections took the first Open of the target, and the first
  // Read and Write.
  if (temp == TempKind::Named && c.op == FsOp::Open && !c.onSource) ++nth;
  if (data == DataPath::ReadWrite && (c.op == FsOp::Read || c.op == FsOp::Write)) ++nth;
  faults.FailOn(c.op, c.onSource ? source : target, c.error, nth);

  FsError e = Copy(FileSystem(&faults), source, Listed(tree, "src/big.bin"), target);
  EXPECT_EQ(e.number, c.error) << "the fault was not reached: " << e.Description();
  EXPECT_EQ(tree.Snapshot("dst"), before);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, CopyFaultTest,
    ::testing::Combine(::testing::ValuesIn(kFaultCases),
                       ::testing::Values(TempKind::Anonymous, TempKind::Named),
                       ::testing::Values(DataPath::CopyRange, DataPath::ReadWrite)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == TempKind::Named ? "_Named" : "_Anonymous") +
             (std::get<2>(info.param) == DataPath::ReadWrite ? "_ReadWrite" : "_CopyRange");
    });

// A copy's file system that keeps less than the source's: vfat refuses
// chmod with EPERM, others with EOPNOTSUPP (fusefat's ENOSYS is met on a
// real image), and a coarse one stores whole seconds. The data must still
// arrive, with the time its file system keeps.
TEST(CopyFile, AFileSystemThatKeepsLessStillTakesTheCopy) {
  struct Case {
    const char* name;
    int chmodError;  // 0: chmod works
    int64_t precision;
  };
  const Case cases[] = {
      {.name = "chmod refused", .chmodError = EPERM, .precision = 1},
      {.name = "chmod not supported", .chmodError = EOPNOTSUPP, .precision = 1},
      {.name = "whole seconds", .chmodError = 0, .precision = kNanosPerSecond},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempTree tree;
    tree.WriteFile("src/f", "data", kSourceSec, kSourceNsec);
    tree.Symlink("src/l", "f");
    tree.SetMtime("src/l", kSourceSec, kSourceNsec);
    tree.WriteFile("dst/f", "old", kOldSec);
    FaultInjector faults;
    if (c.chmodError != 0) faults.FailOn(FsOp::Chmod, tree.Path("dst/f"), c.chmodError);
    if (c.precision > 1) faults.CoarseTimes(tree.Path("dst"), c.precision);
    const int64_t keptNsec = kSourceNsec - kSourceNsec % c.precision;
    for (const std::string name : {"f", "l"}) {
      const std::string source = "src/" + name;
      FsError e = Copy(FileSystem(&faults), tree.Path(source), Listed(tree, source), tree.Path("dst/" + name));
      EXPECT_FALSE(e) << name << ": " << e.Description();
      EXPECT_EQ(tree.MtimeNsec("dst/" + name), kSourceSec * kNanosPerSecond + keptNsec) << name;
    }
    EXPECT_EQ(faults.InjectedCount(), c.chmodError != 0 ? 1 : 0);
    EXPECT_EQ(tree.ReadFile("dst/f"), "data");
  }
}

TEST(CopyFile, RecreatesALinkWithItsOwnTime) {
  struct Case {
    const char* name;
    const char* linkText;
    const char* existingTarget;  // "" none, "file", "link"
  } cases[] = {
      {"link to a file over a file", "../elsewhere/data.txt", "file"},
      {"dangling link, new", "no such thing", ""},
      {"link to a folder over a link", "sub", "link"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempTree tree;
    tree.MakeDir("src/sub");
    tree.Symlink("src/l", c.linkText);
    tree.SetMtime("src/l", kSourceSec, kSourceNsec);
    tree.MakeDir("dst");
    if (std::string(c.existingTarget) == "file") tree.WriteFile("dst/l", "old", kOldSec);
    if (std::string(c.existingTarget) == "link") tree.Symlink("dst/l", "old target");
    FsError e = Copy(FileSystem(), tree.Path("src/l"), Listed(tree, "src/l"), tree.Path("dst/l"));
    ASSERT_FALSE(e) << e.Description();
    std::string text;
    ASSERT_FALSE(FileSystem().ReadLink(tree.Path("dst/l"), text));
    EXPECT_EQ(text, c.linkText);
    EXPECT_EQ(tree.MtimeNsec("dst/l"), kSourceSec * 1000000000 + kSourceNsec);
    EXPECT_EQ(tree.Snapshot("dst").size(), 1u);
  }
}

TEST(CopyFile, LinkFailureLeavesOldTargetAndNoTemporary) {
  struct Case {
    FsOp op;
    bool onSource;
    int error;
  } cases[] = {{FsOp::ReadLink, true, EIO},
               {FsOp::Symlink, false, ENOSPC},
               {FsOp::SetTimes, false, EIO},
               {FsOp::Rename, false, EIO}};
  for (const auto& c : cases) {
    SCOPED_TRACE(FsOpName(c.op));
    TempTree tree;
    tree.Symlink("src/l", "new text");
    tree.WriteFile("dst/l", "old", kOldSec);
    const auto before = tree.Snapshot();
    FaultInjector faults;
    faults.FailOn(c.op, tree.Path(c.onSource ? "src/l" : "dst/l"), c.error);
    FsError e = Copy(FileSystem(&faults), tree.Path("src/l"), Listed(tree, "src/l"), tree.Path("dst/l"));
    EXPECT_EQ(e.number, c.error);
    EXPECT_EQ(faults.InjectedCount(), 1);
    EXPECT_EQ(tree.Snapshot(), before);
  }
}

TEST(CopyFile, NeverReplacesAFolderNorWritesWhereNoFolderIs) {
  for (const char* kind : {"file", "link"}) {
    SCOPED_TRACE(kind);
    TempTree tree;
    if (std::string(kind) == "file")
      tree.WriteFile("src/x", "data");
    else
      tree.Symlink("src/x", "t");
    tree.WriteFile("dst/x/inside", "keep");
    const auto before = tree.Snapshot();
    FileSystem fs;
    EntryInfo info = Listed(tree, "src/x");
    EXPECT_TRUE(Copy(fs, tree.Path("src/x"), info, tree.Path("dst/x")));
    EXPECT_EQ(Copy(fs, tree.Path("src/x"), info, tree.Path("nofolder/x")).number, ENOENT);
    EXPECT_EQ(tree.Snapshot(), before);
  }
}

TEST(CopyFile, ACreateNeverReplacesWhatHoldsTheName) {
  // As where a twin's copy holds the name on a case-insensitive copy: the
  // create fails, and what holds the name stays as it was.
  struct Case {
    const char* name;
    const char* source;
    TempKind temp;
  } cases[] = {{"anonymous file", "src/f", TempKind::Anonymous},
               {"named file", "src/f", TempKind::Named},
               {"link", "src/l", TempKind::Named}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempTree tree;
    tree.WriteFile("src/f", "nuevo", kSourceSec);
    tree.Symlink("src/l", "f");
    tree.WriteFile("dst/x", "del gemelo", kOldSec);
    const auto before = tree.Snapshot("dst");
    FaultInjector faults;
    ForcePaths(faults, tree.Path("dst/x"), c.temp, DataPath::CopyRange);
    FileSystem fs(&faults);
    EXPECT_EQ(Copy(fs, tree.Path(c.source), Listed(tree, c.source), tree.Path("dst/x"), Placement::Create).number,
              EEXIST);
    EXPECT_EQ(tree.Snapshot("dst"), before);
  }
}

TEST(CopyFile, ReplacesALinkAtTheTargetNotWhatItPointsTo) {
  TempTree tree;
  tree.WriteFile("src/f", "new");
  tree.WriteFile("outside.txt", "precious", kOldSec);
  tree.Symlink("dst/f", "../outside.txt");
  FsError e = Copy(FileSystem(), tree.Path("src/f"), Listed(tree, "src/f"), tree.Path("dst/f"));
  ASSERT_FALSE(e) << e.Description();
  EXPECT_EQ(tree.ReadFile("outside.txt"), "precious");
  EXPECT_EQ(tree.Snapshot("dst").at("f").substr(0, 4), "file");
  EXPECT_EQ(tree.ReadFile("dst/f"), "new");
}

// ---- Special files ----

TEST(SpecialFiles, AreRefusedWithoutBlocking) {
  TempTree tree;
  tree.MakeDir("src");
  MakeFifo(tree, "src/fifo");
  std::string socketPath = tree.Path("src/sock");
  int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof addr.sun_path);
  std::strcpy(addr.sun_path, socketPath.c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << std::strerror(errno);
  tree.WriteFile("dst/fifo", "old", kOldSec);
  tree.WriteFile("dst/sock", "old", kOldSec);
  const auto before = tree.Snapshot("dst");
  FileSystem fs;

  for (const char* name : {"fifo", "sock"}) {
    SCOPED_TRACE(name);
    const std::string source = tree.Path(std::string("src/") + name);
    const std::string target = tree.Path(std::string("dst/") + name);
    EntryInfo info = Listed(tree, std::string("src/") + name);
    EXPECT_EQ(info.kind, EntryKind::Special);
    EXPECT_EQ(Copy(fs, source, info, target).number, ENOTSUP);
    // A listing taken when this was still a regular file: the open must not
    // wait for a writer, and the copy is refused all the same.
    info.kind = EntryKind::File;
    EXPECT_TRUE(Copy(fs, source, info, target));
    ReadFile file;
    EXPECT_TRUE(fs.OpenRead(source, file));
    EXPECT_FALSE(file.IsOpen());
  }
  ReadFile file;
  EXPECT_EQ(fs.OpenRead(tree.Path("src/fifo"), file).number, ENOTSUP);
  EXPECT_EQ(fs.OpenRead("/dev/null", file).number, ENOTSUP);
  EXPECT_EQ(fs.OpenRead(tree.Path("src"), file).number, EISDIR);
  close(sock);
  EXPECT_EQ(tree.Snapshot("dst"), before);
}

// ---- Reading ----

TEST(ReadFile, ReadsInBlocksToTheEnd) {
  TempTree tree;
  const std::string content = RandomBytes(10000, 3);
  tree.WriteFile("f", content);
  tree.Symlink("link", "f");
  FileSystem fs;
  ReadFile file;
  ASSERT_FALSE(fs.OpenRead(tree.Path("f"), file));
  EXPECT_EQ(file.Size(), 10000);
  ReadFile moved(std::move(file));
  EXPECT_FALSE(file.IsOpen());
  std::string got;
  std::vector<size_t> sizes;
  char block[4096];
  for (;;) {
    size_t n = 0;
    ASSERT_FALSE(moved.Read(block, sizeof block, n));
    sizes.push_back(n);
    if (n == 0) break;
    got.append(block, n);
  }
  EXPECT_EQ(sizes, (std::vector<size_t>{4096, 4096, 1808, 0}));
  EXPECT_TRUE(got == content);
  EXPECT_EQ(fs.OpenRead(tree.Path("link"), file).number, ELOOP) << "a link is never opened";
  EXPECT_EQ(fs.OpenRead(tree.Path("missing"), file).number, ENOENT);
}

// ---- Temporary names ----

TEST(TemporaryNames, OnlyTheCopysOwnPatternIsRecognised) {
  struct Case {
    const char* name;
    bool temporary;
  } cases[] = {
      {".~tmp-0123456789abcdef.part", true},
      {".~tmp-0123456789ABCDEF.part", false},  // upper case: not ours
      {".~tmp-0123456789abcde.part", false},   // one digit short
      {".~tmp-0123456789abcdef.part.txt", false},
      {"~tmp-0123456789abcdef.part", false},
      {".~tmp-0123456789abcdeg.part", false},
      {".~lock.report.odt#", false},
      {"report.part", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(FileSystem::IsTemporaryName(c.name), c.temporary) << c.name;
}

TEST(Flush, WritesTheCopysFileSystemAndReportsItsFailure) {
  TempTree tree;
  tree.WriteFile("dst/f", "data");
  EXPECT_FALSE(FileSystem().Flush(tree.Path("dst")));
  EXPECT_EQ(FileSystem().Flush(tree.Path("missing")).number, ENOENT);
  FaultInjector faults;
  faults.FailOn(FsOp::Write, tree.Path("dst"), EIO);
  EXPECT_EQ(FileSystem(&faults).Flush(tree.Path("dst")).number, EIO);
}


// ---- Coarse times and the hook for races ----

TEST(TruncateTime, RoundsDownToThePrecision) {
  struct Case {
    FileTime in;
    int64_t precision;
    FileTime out;
  } cases[] = {
      {{1001, 987654321}, 1, {1001, 987654321}},
      {{1001, 987654321}, 100, {1001, 987654300}},
      {{1001, 987654321}, 10000000, {1001, 980000000}},
      {{1001, 987654321}, 1000000000, {1001, 0}},
      {{1001, 987654321}, 2000000000, {1000, 0}},
      {{1000, 5}, 2000000000, {1000, 0}},
      {{-3, 500}, 2000000000, {-4, 0}},  // before 1970: still down
      {{-3, 500}, 1000000000, {-3, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TruncateTime(c.in, c.precision), c.out) << c.in.sec << "." << c.in.nsec << " / " << c.precision;
}

TEST(FaultInjector, RunsActionsBeforeTheChosenCallsAndBeforeItsFailure) {
  FaultInjector faults;
  std::vector<std::string> log;
  faults.OnCall(FsOp::Unlink, "/d/", [&] { log.push_back("action"); }, 2, 2);
  faults.FailOn(FsOp::Unlink, "/d/x", EBUSY, 1);
  EXPECT_EQ(faults.Check(FsOp::Unlink, "/d/a"), 0);
  EXPECT_EQ(log.size(), 0u);
  EXPECT_EQ(faults.Check(FsOp::Rmdir, "/d/a"), 0);  // another operation: not counted
  EXPECT_EQ(faults.Check(FsOp::Unlink, "/d/x"), EBUSY);
  EXPECT_EQ(log.size(), 1u);
  EXPECT_EQ(faults.Check(FsOp::Unlink, "/d/y"), 0);
  EXPECT_EQ(faults.Check(FsOp::Unlink, "/d/z"), 0);
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(faults.ActionsRun(), 2);
  EXPECT_EQ(faults.InjectedCount(), 1);
}

TEST(FaultInjector, CoarseTimesApplyToTheirPathsOnly) {
  FaultInjector faults;
  faults.CoarseTimes("/fat/", 2000000000);
  EXPECT_EQ(faults.StoredTime("/fat/a", FileTime{1001, 7}), (FileTime{1000, 0}));
  EXPECT_EQ(faults.StoredTime("/ext4/a", FileTime{1001, 7}), (FileTime{1001, 7}));
  faults.Clear();
  EXPECT_EQ(faults.StoredTime("/fat/a", FileTime{1001, 7}), (FileTime{1001, 7}));
}

// ---- Folder handles ----

TEST(Folder, ChildrenAreNeverOpenedThroughALink) {
  TempTree tree;
  tree.WriteFile("d/sub/x", "1");
  tree.WriteFile("d/file", "1");
  tree.Symlink("d/link", "sub");
  tree.Symlink("alias", "d");
  FileSystem fs;
  Folder root;
  EXPECT_TRUE(fs.OpenFolder(tree.Path("alias"), root, LinkPolicy::NoFollow));
  ASSERT_FALSE(fs.OpenFolder(tree.Path("alias"), root, LinkPolicy::Follow));
  EXPECT_EQ(root.Path(), tree.Path("alias"));
  Folder child;
  EXPECT_EQ(fs.OpenFolder(root, "link", child).number, ENOTDIR);  // O_NOFOLLOW with O_DIRECTORY
  EXPECT_EQ(fs.OpenFolder(root, "file", child).number, ENOTDIR);
  EXPECT_EQ(fs.OpenFolder(root, "none", child).number, ENOENT);
  EXPECT_EQ(child.Path(), tree.Path("alias/none")) << "a folder is named even when it cannot be opened";
  Folder grandchild;
  EXPECT_EQ(fs.OpenFolder(child, "x", grandchild).number, ENOENT) << "inside a folder not open";
  ASSERT_FALSE(fs.OpenFolder(root, "sub", child));
  FolderListing listing;
  ASSERT_FALSE(fs.ListFolder(child, listing));
  EXPECT_EQ(Names(listing.files), std::vector<std::string>{"x"});
  // Listed again from its start.
  ASSERT_FALSE(fs.ListFolder(child, listing));
  EXPECT_EQ(Names(listing.files), std::vector<std::string>{"x"});
}

TEST(Folder, OperationsDoTheirWorkOrFailWithoutChangeAndNeverFollowALink) {
  struct Case {
    const char* name;
    FsOp op;
    const char* entry;  // a plain entry the call changes
    FsError (*run)(const FileSystem&, const Folder&, const char*);
    int again;   // what the call gives when repeated on its result
    int onLink;  // what it gives on a link to a folder (0: it acts on the link itself)
  } cases[] = {
      {"RemoveFile", FsOp::Unlink, "f",
       [](const FileSystem& fs, const Folder& f, const char* n) { return fs.RemoveFile(f, n); }, ENOENT, 0},
      {"RemoveFolder", FsOp::Rmdir, "empty",
       [](const FileSystem& fs, const Folder& f, const char* n) { return fs.RemoveFolder(f, n); }, ENOENT,
       ENOTDIR},
      {"SetMode", FsOp::Chmod, "f",
       [](const FileSystem& fs, const Folder& f, const char* n) { return fs.SetMode(f, n, S_IFREG | 0400); }, 0, 0},
      {"MakeFolder", FsOp::Mkdir, "newdir",
       [](const FileSystem& fs, const Folder& f, const char* n) { return fs.MakeFolder(f, n, PlainFolder()); },
       EEXIST, EEXIST},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempTree tree;
    tree.WriteFile("outside/keep", "precious");
    tree.Chmod("outside", 0750);
    tree.WriteFile("d/f", "data");
    tree.MakeDir("d/empty");
    tree.Symlink("d/link", tree.Path("outside"));
    FaultInjector faults;
    FileSystem fs(&faults);
    Folder d;
    ASSERT_FALSE(fs.OpenFolder(tree.Path("d"), d));
    auto before = tree.Snapshot();
    for (const char* entry : {c.entry, "link"}) {
      faults.FailOn(c.op, tree.Path("d/") + entry, EROFS);
      EXPECT_EQ(c.run(fs, d, entry).number, EROFS) << entry;
      EXPECT_EQ(tree.Snapshot(), before) << entry;
    }
    FsError e = c.run(fs, d, c.entry);
    EXPECT_FALSE(e) << e.Description();
    EXPECT_NE(tree.Snapshot(), before);
    EXPECT_EQ(c.run(fs, d, c.entry).number, c.again);
    before = tree.Snapshot();
    EXPECT_EQ(c.run(fs, d, "link").number, c.onLink);
    EXPECT_EQ(tree.Snapshot("outside"), (std::map<std::string, std::string>{{"keep", before.at("outside/keep")}}));
    EXPECT_EQ(tree.Mode("outside"), 0750u);
  }
}

TEST(Folder, SetModeSetsOnlyPermissionBitsAndLeavesLinksAlone) {
  TempTree tree;
  tree.WriteFile("f", "data");
  tree.Chmod("f", 0600);
  tree.MakeDir("d");
  tree.Chmod("d", 0500);
  tree.Symlink("link", "f");
  tree.Symlink("dangling", "nothing");
  FileSystem fs;
  Folder top;
  ASSERT_FALSE(fs.OpenFolder(tree.Root(), top));
  EXPECT_FALSE(fs.SetMode(top, "f", S_IFREG | 04750));
  EXPECT_EQ(tree.Mode("f"), 04750u);
  EXPECT_FALSE(fs.SetMode(top, "d", 0700));
  EXPECT_EQ(tree.Mode("d"), 0700u);
  EXPECT_FALSE(fs.SetMode(top, "link", 0777));
  EXPECT_EQ(tree.Mode("f"), 04750u) << "a link's target must not change";
  EXPECT_FALSE(fs.SetMode(top, "dangling", 0777));
  EXPECT_EQ(fs.SetMode(top, "missing", 0644).number, ENOENT);
}

TEST(Folder, PathsLongerThanPathMaxWorkThroughHandles) {
  TempTree tree;
  tree.WriteFile("src/f", "deep data", kSourceSec, kSourceNsec);
  FileSystem fs;
  Folder source;
  ASSERT_FALSE(fs.OpenFolder(tree.Path("src"), source));
  FolderListing listing;
  ASSERT_FALSE(fs.ListFolder(source, listing));
  ASSERT_EQ(listing.files.size(), 1u);

  const std::string name(200, 'n');
  std::vector<Folder> chain(1);
  ASSERT_FALSE(fs.OpenFolder(tree.Path(""), chain[0]));
  while (chain.back().Path().size() <= 2 * PATH_MAX) {
    ASSERT_FALSE(fs.MakeFolder(chain.back(), name, PlainFolder()));
    Folder next;
    FsError e = fs.OpenFolder(chain.back(), name, next);
    ASSERT_FALSE(e) << e.Description();
    chain.push_back(std::move(next));
  }
  const Folder& deepest = chain.back();
  FsError e = fs.CopyFile(source, listing.files[0], deepest, "f");
  ASSERT_FALSE(e) << e.Description();
  FolderListing deep;
  ASSERT_FALSE(fs.ListFolder(deepest, deep));
  ASSERT_EQ(deep.files.size(), 1u);
  EXPECT_EQ(deep.files[0].size, 9);
  EXPECT_EQ(deep.files[0].mtime, (FileTime{kSourceSec, kSourceNsec}));
  // And the way back: nothing left in the chain.
  ASSERT_FALSE(fs.RemoveFile(deepest, "f"));
  for (size_t i = chain.size() - 1; i > 0; --i) ASSERT_FALSE(fs.RemoveFolder(chain[i - 1], name));
  EXPECT_EQ(tree.Snapshot().size(), 2u);  // src and src/f
}

// ---- Time precision of a folder's file system ----

class ProbeTest : public ::testing::TestWithParam<std::tuple<int64_t, TempKind>> {};

TEST_P(ProbeTest, FindsThePrecisionAndLeavesNothing) {
  const auto& [precision, temp] = GetParam();
  TempTree tree;
  tree.WriteFile("dst/f", "x");
  const auto before = tree.Snapshot();
  FaultInjector faults;
  if (precision > 1) faults.CoarseTimes(tree.Path("dst"), precision);
  const std::string probePath = tree.Path("dst/") + std::string(FileSystem::kTimeProbeName);
  if (temp == TempKind::Named) faults.FailOn(FsOp::Open, probePath, EOPNOTSUPP);
  FileSystem fs(&faults);
  Folder dst;
  ASSERT_FALSE(fs.OpenFolder(tree.Path("dst"), dst));
  int64_t found = 0;
  FsError e = fs.ProbeTimePrecision(dst, ProbeNaming::NamedAllowed, found);
  ASSERT_FALSE(e) << e.Description();
  EXPECT_EQ(found, precision);
  EXPECT_EQ(tree.Snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Precisions, ProbeTest,
                         ::testing::Combine(::testing::Values(int64_t{1}, int64_t{100}, int64_t{10000000},
                                                              int64_t{1000000000}, int64_t{2000000000}),
                                            ::testing::Values(TempKind::Anonymous, TempKind::Named)),
                         [](const auto& info) {
                           return "Ns" + std::to_string(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) == TempKind::Named ? "_Named" : "_Anonymous");
                         });

TEST(Probe, AnonymousOnlyFailsWhereANameWouldBeNeeded) {
  TempTree tree;
  tree.MakeDir("dst");
  FaultInjector faults;
  faults.FailOn(FsOp::Open, std::string(FileSystem::kTimeProbeName), EOPNOTSUPP, 1, 100);
  FileSystem fs(&faults);
  Folder dst;
  ASSERT_FALSE(fs.OpenFolder(tree.Path("dst"), dst));
  int64_t found = 0;
  EXPECT_EQ(fs.ProbeTimePrecision(dst, ProbeNaming::AnonymousOnly, found).number, EOPNOTSUPP);
  EXPECT_EQ(found, kNanosPerSecond);
  EXPECT_EQ(faults.InjectedCount(), 1);
  EXPECT_TRUE(tree.Snapshot("dst").empty());
  // A failing time change is a failure too, and leaves nothing either.
  faults.Clear();
  faults.FailOn(FsOp::SetTimes, std::string(FileSystem::kTimeProbeName), EPERM);
  EXPECT_EQ(fs.ProbeTimePrecision(dst, ProbeNaming::NamedAllowed, found).number, EPERM);
  EXPECT_TRUE(tree.Snapshot("dst").empty());
}

// ---- A source that changes while it is copied ----

TEST(CopyFile, SourceChangedWhileCopiedNeverReplacesTheTarget) {
  const std::string content = RandomBytes(FileSystem::kCopyChunk + 4097, 5);
  for (DataPath data : {DataPath::CopyRange, DataPath::ReadWrite}) {
    SCOPED_TRACE(data == DataPath::ReadWrite ? "read/write" : "copy_file_range");
    TempTree tree;
    tree.WriteFile("src/f", content, kSourceSec);
    tree.WriteFile("dst/f", "old", kOldSec);
    const auto before = tree.Snapshot("dst");
    FaultInjector faults;
    ForcePaths(faults, tree.Path("dst/f"), TempKind::Anonymous, data);
    faults.OnCall(FsOp::Read, tree.Path("src/f"), [&] {
      int fd = open(tree.Path("src/f").c_str(), O_WRONLY | O_APPEND);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(write(fd, "+", 1), 1);
      close(fd);
    }, data == DataPath::ReadWrite ? 3 : 2);
    FsError e = Copy(FileSystem(&faults), tree.Path("src/f"), Listed(tree, "src/f"), tree.Path("dst/f"));
    EXPECT_EQ(e.number, EBUSY);
    EXPECT_EQ(faults.ActionsRun(), 1);
    EXPECT_EQ(tree.Snapshot("dst"), before);
  }
}

}  // namespace
}  // namespace common

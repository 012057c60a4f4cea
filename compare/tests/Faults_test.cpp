// Every file-system operation the comparer uses, failing once on a chosen
// entry: exactly the error line for it, the walk goes on (the difference
// found after it is still reported), nothing on disk changes and the exit
// status is 2. The comparer never writes: the operations that change a disk
// are watched on every path and must never be called.

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/core/RunStatus.h"
#include "common/tests/support/ErrorLine.h"
#include "RunFixture.h"  // beside this file

namespace {

using common::FsOp;
using Lines = std::vector<std::string>;

constexpr size_t kMiB = 1048576;

using testsupport::ErrorLine;

class FaultRun : public comparetest::RunFixture {
 protected:
  FaultRun() {
    const std::string big(2 * kMiB + 5, 'q');
    for (const char* side : {"o", "c"}) {
      const std::string s = side;
      tree.WriteFile(s + "/a.txt", "igual");
      tree.WriteFile(s + "/b.bin", big);
#ifndef _WIN32
      tree.Symlink(s + "/l", "a.txt");
#endif
      tree.WriteFile(s + "/sub/c.txt", "igual");
      tree.WriteFile(s + "/tri/d.txt", "igual");
    }
    // The one difference (seen in quick mode too), found after every
    // faulted entry.
    tree.WriteFiles({{"o/zz.txt", "uno"}, {"c/zz.txt", "dos!"}});
  }

  int Run(bool quick = false) { return g.RunCompare(P("o"), P("c"), quick, ui); }
  std::string Expand(const std::string& written) const {
    const std::string text = testsupport::Native(written);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text.compare(i, 3, "{o}") == 0 || text.compare(i, 3, "{c}") == 0) {
        out += P(text.substr(i + 1, 1));
        i += 2;
      } else {
        out += text[i];
      }
    }
    return out;
  }
  std::string Difference() const {
    return "Diferente tama\xC3\xB1o: \"" + P("o/zz.txt") + "\", \"" + P("c/zz.txt") + "\"";
  }
};

struct FaultCase {
  const char* name;
  FsOp op;
  const char* pathPart;  // relative to the temp root
  int nth;
  const char* context;   // {o} and {c} stand for the two roots
  bool quick = false;
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class EveryOperation : public FaultRun, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(EveryOperation, FailingOnceGivesItsLineAndTheWalkGoesOn) {
  const FaultCase& c = GetParam();
  if (c.op == FsOp::ReadLink) SKIP_ON_WINDOWS("symbolic links compared by their target");
  const auto before = tree.Snapshot();
  faults.FailOn(c.op, P(c.pathPart), EIO, c.nth);
  EXPECT_EQ(Run(c.quick), common::kExitFailures);
  EXPECT_EQ(faults.InjectedCount(), 1) << "the fault was not reached";
  // Files are compared before folders, so a file's line comes before the
  // difference; a folder's line after it.
  Lines expected{ErrorLine(EIO, Expand(c.context)), Difference()};
  if (std::string(c.context).rfind("list", 0) == 0) std::swap(expected[0], expected[1]);
  EXPECT_EQ(g.errorList.Lines(), expected);
  EXPECT_EQ(tree.Snapshot(), before);
}

// Every operation the comparer uses. Lstat is the per-entry lstat of a
// listing, whose failure fails the whole listing; only quick mode's
// listings need it (a full comparison takes sizes from the open files).
INSTANTIATE_TEST_SUITE_P(
    Compare, EveryOperation,
    ::testing::Values(
        // The counting pass lists each origin folder first; the walk second.
        FaultCase{"ListOrigin", FsOp::List, "o/sub", 2, R"(list "{o}/sub")"},
        FaultCase{"ListCopy", FsOp::List, "c/sub", 1, R"(list "{c}/sub")"},
        FaultCase{"LstatInOriginListing", FsOp::Lstat, "o/sub/c.txt", 1, R"(list "{o}/sub")", true},
        FaultCase{"LstatInCopyListing", FsOp::Lstat, "c/sub/c.txt", 1, R"(list "{c}/sub")", true},
        FaultCase{"OpenOrigin", FsOp::Open, "o/a.txt", 1, R"(compare "{o}/a.txt" "{c}/a.txt")"},
        FaultCase{"OpenCopy", FsOp::Open, "c/a.txt", 1, R"(compare "{o}/a.txt" "{c}/a.txt")"},
        FaultCase{"ReadOriginHalfway", FsOp::Read, "o/b.bin", 2, R"(compare "{o}/b.bin" "{c}/b.bin")"},
        FaultCase{"ReadCopyHalfway", FsOp::Read, "c/b.bin", 2, R"(compare "{o}/b.bin" "{c}/b.bin")"},
        FaultCase{"ReadLink", FsOp::ReadLink, "o/l", 1, R"(compare "{o}/l" "{c}/l")"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

// Write, Chmod, SetTimes, Rename, Unlink, Mkdir, Rmdir, Symlink and Chown are
// never used by the comparer: watched on every path, none is ever called.
TEST_F(FaultRun, NeverCallsAnOperationThatChangesTheDisk) {
  const FsOp writers[] = {FsOp::Write, FsOp::Chmod, FsOp::SetTimes, FsOp::Rename, FsOp::Unlink,
                          FsOp::Mkdir, FsOp::Rmdir, FsOp::Symlink, FsOp::Chown};
  for (FsOp op : writers) faults.FailOn(op, "", EROFS, 1, 1000000);
  const auto before = tree.Snapshot();
  EXPECT_EQ(Run(), common::kExitDifferences);
  EXPECT_EQ(g.errorList.Lines(), Lines{Difference()});
  EXPECT_EQ(faults.InjectedCount(), 0);
  EXPECT_EQ(tree.Snapshot(), before);
}

// Quick mode takes a folder's kind from its listing entry: only files are
// stat'ed, for their sizes.
TEST_F(FaultRun, QuickModeNeverStatsAFolderEntry) {
  tree.MakeDir("o/vacia");
  tree.MakeDir("c/vacia");
  faults.FailOn(FsOp::Lstat, "vacia", EIO, 1, 1000);
  EXPECT_EQ(Run(true), common::kExitDifferences);
  EXPECT_EQ(g.errorList.Lines(), Lines{Difference()});
  EXPECT_EQ(faults.InjectedCount(), 0);
}

// ---- Names like those of update's temporary files ----

TEST_F(FaultRun, NamesLikeTemporaryFilesAreOrdinaryFiles) {
  // A user's file, or one that a crash of update left behind: a difference
  // like any other.
  tree.WriteFile("c/.~tmp-0123456789abcdef.part", "medio archivo");
  tree.WriteFile("o/tri/.~tmp-00000000000000aa.part", "x");
  EXPECT_EQ(Run(), common::kExitDifferences);
  EXPECT_EQ(g.errorList.Lines(),
            (Lines{"Falta archivo de origen: \"" + P("o/.~tmp-0123456789abcdef.part") + "\"", Difference(),
                   "Falta archivo de destino: \"" + P("c/tri/.~tmp-00000000000000aa.part") + "\""}));
}

}  // namespace

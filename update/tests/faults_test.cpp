// Every file-system operation the synchronizer uses, failing once on a chosen
// entry of a small tree: the run records exactly the error line(s) for it,
// goes on with the rest of the walk, loses nothing (the source untouched,
// the copy's old entry as it was), leaves no temporary file and ends with
// exit status 2. A second run without the fault finishes the mirror.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/core/RunStatus.h"
#include "update/tests/support/EngineFixture.h"

namespace updatetest {
namespace {

using common::FsOp;
using Snapshot = std::map<std::string, std::string>;

// Larger than one chunk of the copy, so that a fault on the second read or
// write strikes halfway through.
const std::string kBig = Pattern(5 * kMiB + 123, 'a');

bool IsBelow(const std::string& path, const std::string& prefix) {
  return path == prefix || path.compare(0, prefix.size() + 1, prefix + "/") == 0;
}

class FaultRun : public RunFixture {
 protected:
  FaultRun() {
    // Source: an update, a creation, a link, a folder to fill and a new folder.
    tree.WriteFile("origen/a.txt", kBig, 200);
#ifndef _WIN32
    tree.Symlink("origen/enlace", "a.txt");
    tree.SetMtime("origen/enlace", 300);
#endif
    tree.WriteFiles({{"origen/b.txt", "b"}, {"origen/sub/c.txt", "c"}, {"origen/sub/d.txt", "d"},
                     {"origen/nueva/e.txt", "e"}, {"origen/zz.txt", "later"}}, 100);
    // Copy: a read-only old version, a file and folders the source lacks.
    tree.WriteFiles({{"copia/a.txt", "viejo a"}, {"copia/sobra.txt", "sobra"}, {"copia/sub/x.txt", "x"},
                     {"copia/vieja/f.txt", "f"}, {"copia/vieja/g/h.txt", "h"}, {"copia/ro/r.txt", "r"}}, 100);
    tree.Chmod("copia/a.txt", 0444);
    tree.Chmod("copia/ro", 0555);
  }

  int Run() {
    g.options.LogOps = 0;  // only error lines: a clean run records nothing
    return g.RunUpdate(tree.Path("origen"), tree.Path("copia"), ui);
  }
  Lines RecordedLines() const { return g.errorList.Lines(); }
};

TEST_F(FaultRun, ACleanRunRecordsNothingAndMirrors) {
  EXPECT_EQ(Run(), common::kExitOk);
  EXPECT_EQ(RecordedLines(), Lines{});
  EXPECT_EQ(tree.Snapshot("copia"), tree.Snapshot("origen"));
}

struct ExpectedLine {
  int number;
  const char* context;  // {o} and {c} stand for the two roots
};

struct FaultCase {
  const char* name;
  FsOp op;
  const char* pathPart;  // relative to the temp root; the fault is EIO
  int nth;
  std::vector<ExpectedLine> expected;
  std::vector<const char*> kept;     // copy entries (with all below) left as they were
  std::vector<const char*> emptied;  // copy folders left in place, emptied
};
class EveryOperation : public FaultRun, public ::testing::WithParamInterface<FaultCase> {
 protected:
  // The copy as it must be: the source mirrored, except the entries the
  // fault concerned, which keep what they were before the run.
  Snapshot ExpectedCopy(const Snapshot& source, const Snapshot& oldCopy) const {
    Snapshot expected = source;
    for (const char* kept : GetParam().kept) {
      std::erase_if(expected, [&](const auto& e) { return IsBelow(e.first, kept); });
      for (const auto& [path, desc] : oldCopy)
        if (IsBelow(path, kept)) expected[path] = desc;
      // The folders that hold a kept entry stay too.
      for (std::string p = kept; p.find('/') != std::string::npos;) {
        p = p.substr(0, p.rfind('/'));
        if (oldCopy.count(p) != 0) expected.emplace(p, oldCopy.at(p));
      }
    }
    for (const char* folder : GetParam().emptied) {
      std::erase_if(expected, [&](const auto& e) { return IsBelow(e.first, folder); });
      expected[folder] = oldCopy.at(folder);
    }
    return expected;
  }
};

TEST_P(EveryOperation, FailingOnceLosesNothingAndTheWalkGoesOn) {
  const FaultCase& c = GetParam();
  if (c.op == FsOp::ReadLink || c.op == FsOp::Symlink) SKIP_ON_WINDOWS("symbolic links recreated");
#ifndef _WIN32
  // Only root can delete in a read-only folder whose bits could not be changed.
  if (c.op == FsOp::Chmod && std::string(c.pathPart) == "copia/ro" && geteuid() != 0)
    GTEST_SKIP() << "needs root";
#endif
  const Snapshot sourceBefore = tree.Snapshot("origen");
  const Snapshot copyBefore = tree.Snapshot("copia");
  faults.FailOn(c.op, tree.Path(c.pathPart), EIO, c.nth);

  EXPECT_EQ(Run(), common::kExitFailures);
  EXPECT_EQ(faults.InjectedCount(), 1) << "the fault was not reached";
  Lines expected;
  for (const auto& line : c.expected) expected.push_back(ErrorLine(line.number, Expand(line.context)));
  EXPECT_EQ(RecordedLines(), expected);
  EXPECT_EQ(tree.Snapshot("origen"), sourceBefore) << "the source was changed";
  const Snapshot copyAfter = tree.Snapshot("copia");
  EXPECT_EQ(copyAfter, ExpectedCopy(sourceBefore, copyBefore));
  EXPECT_EQ(TemporaryNames(copyAfter), std::vector<std::string>{});

  // Nothing was lost on the way: without the fault the mirror completes.
  faults.Clear();
  EXPECT_EQ(Run(), common::kExitOk);
  EXPECT_EQ(RecordedLines(), Lines{});
  EXPECT_EQ(tree.Snapshot("copia"), sourceBefore);
}

// Every operation the synchronizer uses. Lstat is the per-entry lstat of a
// listing: its failure fails the whole listing, never a part of it.
INSTANTIATE_TEST_SUITE_P(
    Update, EveryOperation,
    ::testing::Values(
        // The counting pass lists each source folder first; the scan second.
        FaultCase{"ListSourceFolder", FsOp::List, "origen/sub", 2, {{EIO, R"(list "{o}/sub")"}}, {"sub"}, {}},
        FaultCase{"ListCopyFolder", FsOp::List, "copia/sub", 1, {{EIO, R"(list "{c}/sub")"}}, {"sub"}, {}},
        FaultCase{"ListFolderBeingRemoved", FsOp::List, "copia/vieja", 1, {{EIO, R"(rmdir "{c}/vieja")"}}, {"vieja"}, {}},
        FaultCase{"OpenFolderBeingRemoved", FsOp::Open, "copia/vieja", 1, {{EIO, R"(rmdir "{c}/vieja")"}}, {"vieja"}, {}},
        FaultCase{"LstatInSourceListing", FsOp::Lstat, "origen/sub/c.txt", 1, {{EIO, R"(list "{o}/sub")"}}, {"sub"}, {}},
        FaultCase{"LstatInCopyListing", FsOp::Lstat, "copia/sub/x.txt", 1, {{EIO, R"(list "{c}/sub")"}}, {"sub"}, {}},
        FaultCase{"OpenSource", FsOp::Open, "origen/a.txt", 1, {{EIO, R"(copy "{o}/a.txt" "{c}/a.txt")"}}, {"a.txt"}, {}},
        FaultCase{"OpenNewCopy", FsOp::Open, "copia/b.txt", 1, {{EIO, R"(copy "{o}/b.txt" "{c}/b.txt")"}}, {"b.txt"}, {}},
        FaultCase{"ReadHalfway", FsOp::Read, "origen/a.txt", 2, {{EIO, R"(copy "{o}/a.txt" "{c}/a.txt")"}}, {"a.txt"}, {}},
        FaultCase{"WriteHalfway", FsOp::Write, "copia/a.txt", 2, {{EIO, R"(copy "{o}/a.txt" "{c}/a.txt")"}}, {"a.txt"}, {}},
        FaultCase{"ChmodOfTheCopy", FsOp::Chmod, "copia/a.txt", 1, {{EIO, R"(copy "{o}/a.txt" "{c}/a.txt")"}}, {"a.txt"}, {}},
        // The folder is removed all the same; its bits' failure is reported.
        FaultCase{"ChmodOfAReadOnlyFolder", FsOp::Chmod, "copia/ro", 1, {{EIO, R"(rmdir "{c}/ro")"}}, {}, {}},
        FaultCase{"SetTimes", FsOp::SetTimes, "copia/a.txt", 1, {{EIO, R"(copy "{o}/a.txt" "{c}/a.txt")"}}, {"a.txt"}, {}},
        FaultCase{"Rename", FsOp::Rename, "copia/a.txt", 1, {{EIO, R"(copy "{o}/a.txt" "{c}/a.txt")"}}, {"a.txt"}, {}},
        FaultCase{"UnlinkAFile", FsOp::Unlink, "copia/sobra.txt", 1, {{EIO, R"(del "{c}/sobra.txt")"}}, {"sobra.txt"}, {}},
        FaultCase{"UnlinkInsideARemoval", FsOp::Unlink, "copia/vieja/f.txt", 1,
                  {{EIO, R"(del "{c}/vieja/f.txt")"}, {testsupport::kErrorNotEmpty, R"(rmdir "{c}/vieja")"}}, {"vieja/f.txt"}, {}},
        // The folder not created is not entered: one line, not two.
        FaultCase{"Mkdir", FsOp::Mkdir, "copia/nueva", 1, {{EIO, R"(mkdir "{c}/nueva")"}}, {"nueva"}, {}},
        // The nested folder is removed first; the second rmdir is the folder's own.
        FaultCase{"Rmdir", FsOp::Rmdir, "copia/vieja", 2, {{EIO, R"(rmdir "{c}/vieja")"}}, {}, {"vieja"}},
        FaultCase{"ReadLink", FsOp::ReadLink, "origen/enlace", 1, {{EIO, R"(copy "{o}/enlace" "{c}/enlace")"}}, {"enlace"}, {}},
        FaultCase{"Symlink", FsOp::Symlink, "copia/enlace", 1, {{EIO, R"(copy "{o}/enlace" "{c}/enlace")"}}, {"enlace"}, {}}), ByName());

// ---- A full disk ----

enum class TempKind { Anonymous, Named };

class DiskFull : public FaultRun, public ::testing::WithParamInterface<TempKind> {};

TEST_P(DiskFull, KeepsTheOldCopyAndLaterSmallerFilesStillFit) {
  tree.Remove("origen");
  tree.Remove("copia");
  tree.WriteFiles({{"origen/a-grande.bin", kBig}, {"origen/b-nuevo.bin", kBig}, {"origen/c-pequeno.txt", "cabe"},
                   {"origen/d/e-pequeno.txt", "cabe también"}}, 200);
  tree.WriteFiles({{"copia/a-grande.bin", "la versión de ayer"}, {"copia/c-pequeno.txt", "viejo"}}, 100);
  if (GetParam() == TempKind::Named) {
    SKIP_ON_WINDOWS("a copy without O_TMPFILE (Windows' copies always have a name)");
    // As on a file system without O_TMPFILE: named temporaries from the start.
    for (const char* name : {"a-grande.bin", "b-nuevo.bin", "c-pequeno.txt", "d/e-pequeno.txt"})
      faults.FailOn(FsOp::Open, tree.Path(std::string("copia/") + name), EOPNOTSUPP, 1, 1);
  }
  // The disk fills up during the second chunk of each large file; small
  // files still find room.
  faults.FailOn(FsOp::Write, tree.Path("copia/a-grande.bin"), ENOSPC, 2, 1000);
  faults.FailOn(FsOp::Write, tree.Path("copia/b-nuevo.bin"), ENOSPC, 2, 1000);

  EXPECT_EQ(Run(), common::kExitFailures);
  EXPECT_EQ(RecordedLines(),
            (Lines{ErrorLine(ENOSPC, Expand(R"(copy "{o}/a-grande.bin" "{c}/a-grande.bin")")),
                   ErrorLine(ENOSPC, Expand(R"(copy "{o}/b-nuevo.bin" "{c}/b-nuevo.bin")"))}));
  EXPECT_EQ(tree.ReadFile("copia/a-grande.bin"), "la versión de ayer");
  EXPECT_EQ(tree.MtimeNsec("copia/a-grande.bin"), 100 * 1000000000LL);
  EXPECT_FALSE(tree.Exists("copia/b-nuevo.bin"));
  EXPECT_EQ(tree.ReadFile("copia/c-pequeno.txt"), "cabe");
  EXPECT_EQ(tree.ReadFile("copia/d/e-pequeno.txt"), "cabe también");
  EXPECT_EQ(TemporaryNames(tree.Snapshot("copia")), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Update, DiskFull, ::testing::Values(TempKind::Anonymous, TempKind::Named),
                         [](const auto& info) {
                           return info.param == TempKind::Named ? "NamedTemporary" : "AnonymousTemporary";
                         });

}  // namespace
}  // namespace updatetest

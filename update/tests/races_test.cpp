// Another program changing the trees while a run walks them. The moment is
// chosen through the fault-injection seam (an action run just before a
// chosen call), so every race here happens the same way each time.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "update/tests/support/EngineFixture.h"

namespace updatetest {
namespace {

using common::FsOp;

void Append(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "ab");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

void Truncate(const std::string& path, off_t size) { ASSERT_EQ(truncate(path.c_str(), size), 0); }

class Races : public EngineFixture {
 protected:
  Races() { options.LogOps = 0; }
  std::string Copy(const std::string& name) const {
    return Expand("copy \"{o}/" + name + "\" \"{c}/" + name + "\"");
  }
};

// ---- A source file that changes between its listing and its copy ----

struct SourceChange {
  const char* name;
  FsOp when;  // Open: before the file is opened; Read: between two chunks of its copy
  int nth;
  std::function<void(testsupport::TempTree&)> change;
  int error;  // 0: the copy succeeds with what the file holds when opened
};
class ChangingSource : public Races, public ::testing::WithParamInterface<SourceChange> {};

TEST_P(ChangingSource, CopyIsNeverTornAndTheOldCopyStaysOnFailure) {
  const SourceChange& c = GetParam();
  tree.WriteFile("origen/a.bin", Pattern(5 * kMiB + 7, 'a'), 200);
  tree.WriteFiles({{"origen/z.txt", "después"}, {"copia/a.bin", "la copia de ayer"}}, 100);
  faults.OnCall(c.when, tree.Path("origen/a.bin"), [&] { c.change(tree); }, c.nth);

  Lines lines = Run();
  EXPECT_EQ(faults.ActionsRun(), 1);
  EXPECT_EQ(tree.ReadFile("copia/z.txt"), "después") << "the walk went on";
  EXPECT_EQ(TemporaryNames(tree.Snapshot("copia")), std::vector<std::string>{});
  if (c.error != 0) {
    EXPECT_EQ(lines, Lines{ErrorLine(c.error, Copy("a.bin"))});
    EXPECT_EQ(tree.ReadFile("copia/a.bin"), "la copia de ayer");
    EXPECT_EQ(tree.MtimeNsec("copia/a.bin"), 100 * 1000000000LL);
  } else {
    EXPECT_EQ(lines, Lines{});
    // What the file held when it was opened, with that time: consistent.
    EXPECT_TRUE(tree.ReadFile("copia/a.bin") == tree.ReadFile("origen/a.bin"));
    EXPECT_EQ(tree.MtimeNsec("copia/a.bin"), tree.MtimeNsec("origen/a.bin"));
  }
  // The next run finishes the job and then has nothing left to do.
  if (tree.Exists("origen/a.bin")) {
    Run();
    EXPECT_TRUE(tree.ReadFile("copia/a.bin") == tree.ReadFile("origen/a.bin"));
  } else {
    EXPECT_EQ(Run(), Lines{});
    EXPECT_FALSE(tree.Exists("copia/a.bin"));
  }
  EXPECT_EQ(Run(), Lines{});
}

INSTANTIATE_TEST_SUITE_P(
    Update, ChangingSource,
    ::testing::Values(
        SourceChange{"DeletedBeforeItsCopy", FsOp::Open, 1,
                     [](testsupport::TempTree& t) { t.Remove("origen/a.bin"); }, ENOENT},
        SourceChange{"TruncatedBeforeItsCopy", FsOp::Open, 1,
                     [](testsupport::TempTree& t) { Truncate(t.Path("origen/a.bin"), 1000); }, 0},
        SourceChange{"GrownBeforeItsCopy", FsOp::Open, 1,
                     [](testsupport::TempTree& t) { Append(t.Path("origen/a.bin"), "más datos"); }, 0},
        SourceChange{"ReplacedBeforeItsCopy", FsOp::Open, 1,
                     [](testsupport::TempTree& t) { t.WriteFile("origen/a.bin", "otra", 300); }, 0},
        // Changed while it is read: what was read may mix two versions.
        SourceChange{"GrownDuringItsCopy", FsOp::Read, 2,
                     [](testsupport::TempTree& t) { Append(t.Path("origen/a.bin"), "más datos"); }, EBUSY},
        SourceChange{"TruncatedDuringItsCopy", FsOp::Read, 2,
                     [](testsupport::TempTree& t) { Truncate(t.Path("origen/a.bin"), kMiB); }, EBUSY},
        SourceChange{"TruncatedToNothingDuringItsCopy", FsOp::Read, 1,
                     [](testsupport::TempTree& t) { Truncate(t.Path("origen/a.bin"), 0); }, EBUSY},
        // A writer that puts the old time back: the status change time tells.
        SourceChange{"RewrittenInPlaceWithItsOldTimeDuringItsCopy", FsOp::Read, 2,
                     [](testsupport::TempTree& t) {
                       int fd = open(t.Path("origen/a.bin").c_str(), O_WRONLY);
                       ASSERT_GE(fd, 0);
                       ASSERT_EQ(pwrite(fd, "XXXX", 4, 0), 4);
                       close(fd);
                       t.SetMtime("origen/a.bin", 200);
                     },
                     EBUSY},
        // Deleted while open: the content read is whole, but the name is gone.
        SourceChange{"DeletedDuringItsCopy", FsOp::Read, 2,
                     [](testsupport::TempTree& t) { t.Remove("origen/a.bin"); }, EBUSY}), ByName());

// ---- A source folder removed during the run ----

struct FolderRemoval {
  const char* name;
  FsOp when;
  int nth;
};
class RemovedSourceFolder : public Races, public ::testing::WithParamInterface<FolderRemoval> {};

TEST_P(RemovedSourceFolder, IsAnErrorLineAndDeletesNothingInTheCopy) {
  tree.WriteFiles({{"origen/sub/a.txt", "a"}, {"origen/z.txt", "z"}, {"copia/sub/a.txt", "a"},
                   {"copia/sub/b.txt", "solo en la copia"}, {"copia/sub/dentro/c.txt", "c"}}, 100);
  const auto before = tree.Snapshot("copia/sub");
  // The counting pass opens and lists the folder first; the scan second.
  faults.OnCall(GetParam().when, tree.Path("origen/sub"), [&] { tree.Remove("origen/sub"); }, GetParam().nth);
  EXPECT_EQ(Run(), Lines{ErrorLine(ENOENT, Expand(R"(list "{o}/sub")"))});
  EXPECT_EQ(faults.ActionsRun(), 1);
  EXPECT_EQ(tree.Snapshot("copia/sub"), before);
  EXPECT_EQ(tree.ReadFile("copia/z.txt"), "z");
}

INSTANTIATE_TEST_SUITE_P(Update, RemovedSourceFolder,
                         ::testing::Values(FolderRemoval{"BeforeItIsOpened", FsOp::Open, 2},
                                           // Open already: its listing must fail all the same.
                                           FolderRemoval{"AfterItWasOpened", FsOp::List, 2}), ByName());

// ---- A folder of the copy swapped for a link to somewhere else ----

class SwappedCopyFolder : public Races {
 protected:
  SwappedCopyFolder() {
    options.LogOps = update::OpDelete;
    // Outside the copy, under the very names the copy's folder holds.
    tree.WriteFiles({{"fuera/a.txt", "no tocar"}, {"fuera/b.txt", "no tocar"}, {"fuera/c.txt", "no tocar"},
                     {"fuera/g/h.txt", "no tocar"}}, 100);
  }
  // Moves the copy's folder away and puts a link to "fuera" in its place.
  std::function<void()> SwapForLink(const std::string& rel, const std::string& movedTo) {
    return [this, rel, movedTo] {
      ASSERT_EQ(rename(tree.Path(rel).c_str(), tree.Path(movedTo).c_str()), 0);
      tree.Symlink(rel, tree.Path("fuera"));
    };
  }
};

TEST_F(SwappedCopyFolder, DuringItsRemovalNothingOutsideIsDeleted) {
  tree.WriteFiles({{"copia/vieja/a.txt", "borrar"}, {"copia/vieja/b.txt", "borrar"}, {"copia/vieja/c.txt", "borrar"},
                   {"copia/vieja/g/h.txt", "borrar"}}, 100);
  const auto outside = tree.Snapshot("fuera");
  // Between the first and the second file of the removal.
  faults.OnCall(FsOp::Unlink, tree.Path("copia/vieja/b.txt"), SwapForLink("copia/vieja", "movida"));
  EXPECT_EQ(Run(), Expand(Lines{R"(deletedir "{c}/vieja")", R"(delete "{c}/vieja/a.txt")",
                                R"(delete "{c}/vieja/b.txt")", R"(delete "{c}/vieja/c.txt")",
                                R"(deletedir "{c}/vieja/g")", R"(delete "{c}/vieja/g/h.txt")",
                                ErrorLine(ENOTDIR, R"(rmdir "{c}/vieja")")}));
  EXPECT_EQ(faults.ActionsRun(), 1);
  EXPECT_EQ(tree.Snapshot("fuera"), outside);
  // The removal finished in the folder it had opened, wherever it went; the
  // link in its place is left for the next run, which deletes it as a file.
  EXPECT_EQ(tree.Snapshot("movida"), (std::map<std::string, std::string>{}));
  EXPECT_EQ(Run(), Lines{Expand(R"(delete "{c}/vieja")")});
  EXPECT_EQ(tree.Snapshot("fuera"), outside);
}

TEST_F(SwappedCopyFolder, SubfolderSwappedBeforeItIsOpenedIsNotEntered) {
  tree.WriteFiles({{"copia/vieja/a.txt", "borrar"}, {"copia/vieja/g/h.txt", "borrar"}}, 100);
  const auto outside = tree.Snapshot("fuera");
  faults.OnCall(FsOp::Open, tree.Path("copia/vieja/g"), SwapForLink("copia/vieja/g", "movida"));
  Lines lines = Run();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], Expand(R"(deletedir "{c}/vieja")"));
  EXPECT_EQ(lines[1], Expand(R"(delete "{c}/vieja/a.txt")"));
  EXPECT_EQ(lines[2], Expand(R"(deletedir "{c}/vieja/g")"));
  EXPECT_NE(lines[3].find(Expand(R"() en rmdir "{c}/vieja/g")")), std::string::npos) << lines[3];
  EXPECT_EQ(lines[4], ErrorLine(ENOTEMPTY, Expand(R"(rmdir "{c}/vieja")")));
  EXPECT_EQ(tree.Snapshot("fuera"), outside);
  EXPECT_EQ(tree.ReadFile("movida/h.txt"), "borrar");
}

TEST_F(SwappedCopyFolder, DuringTheScanNothingIsWrittenOutside) {
  options.LogOps = 0;
  tree.WriteFiles({{"origen/sub/a.txt", "nuevo"}, {"origen/sub/b.txt", "nuevo"}}, 200);
  tree.WriteFile("copia/sub/a.txt", "viejo", 100);
  const auto outside = tree.Snapshot("fuera");
  // After the folder was opened, just before its first copy is made.
  faults.OnCall(FsOp::Open, tree.Path("copia/sub/a.txt"), SwapForLink("copia/sub", "movida"));
  EXPECT_EQ(Run(), Lines{});
  EXPECT_EQ(tree.Snapshot("fuera"), outside);
  // The copies went to the folder that was opened.
  EXPECT_EQ(tree.ReadFile("movida/a.txt"), "nuevo");
  EXPECT_EQ(tree.ReadFile("movida/b.txt"), "nuevo");
}

TEST_F(SwappedCopyFolder, BeforeTheScanOpensItTheFolderIsSkipped) {
  options.LogOps = 0;
  tree.WriteFile("origen/sub/a.txt", "nuevo", 200);
  tree.WriteFile("copia/sub/a.txt", "viejo", 100);
  const auto outside = tree.Snapshot("fuera");
  faults.OnCall(FsOp::Open, tree.Path("copia/sub"), SwapForLink("copia/sub", "movida"));
  Lines lines = Run();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(Expand(R"() en list "{c}/sub")")), std::string::npos) << lines[0];
  EXPECT_EQ(tree.Snapshot("fuera"), outside);
  // The next run replaces the link by the folder.
  EXPECT_EQ(Run(), Lines{});
  EXPECT_EQ(tree.ReadFile("copia/sub/a.txt"), "nuevo");
  EXPECT_EQ(tree.Snapshot("fuera"), outside);
}

}  // namespace
}  // namespace updatetest

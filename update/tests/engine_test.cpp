// The synchronization engine on real folder trees: what it does to the copy
// and what it records.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/mount.h>
#endif

#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>

#include "common/core/FileSystem.h"
#include "common/core/RunStatus.h"
#include "update/tests/support/EngineFixture.h"
#include "common/tests/support/Platform.h"

namespace updatetest {
namespace {

class Engine : public EngineFixture {
 protected:
  Engine() { options.LogOps = update::OpAll; }
  // Detached, so a descriptor still open inside cannot keep it mounted; done
  // before the tree (in the base) is removed.
  ~Engine() override {
#ifndef _WIN32
    for (const auto& at : mounts_) ::umount2(at.c_str(), MNT_DETACH);
#endif
  }
  // Bind-mounts the tree folder from on at (made when missing); skips the
  // test where mounting is not permitted. Callers return when IsSkipped().
  void Bind([[maybe_unused]] const std::string& from, const std::string& at) {
    SKIP_ON_WINDOWS("bind mounts");
    tree.MakeDir(at);
#ifndef _WIN32
    if (::mount(tree.Path(from).c_str(), tree.Path(at).c_str(), nullptr, MS_BIND, nullptr) != 0) {
      const int error = errno;
      GTEST_SKIP() << "mount --bind is not permitted here: " << std::strerror(error);
    }
    mounts_.push_back(tree.Path(at));
#endif
  }

  void ExpectMirrored() {
    EXPECT_EQ(tree.Snapshot("origen"), tree.Snapshot("copia"));
  }
  std::vector<std::string> Names(const std::string& rel) {
    common::Folder folder;
    common::FolderListing listing;
    EXPECT_FALSE(fs.OpenFolder(tree.Path(rel), folder));
    EXPECT_FALSE(fs.ListFolder(folder, listing));
    std::vector<std::string> names;
    for (const auto& e : listing.files) names.push_back(e.name);
    for (const auto& e : listing.folders) names.push_back(e.name + "/");
    return names;
  }
  // A folder of the copy to be removed, whose middle file cannot be deleted.
  void OldFolderWithAFileThatStays() {
    tree.WriteFiles({{"copia/old/a.txt", "a"}, {"copia/old/keep.txt", "k"}, {"copia/old/z.txt", "z"}}, 100);
    faults.FailOn(common::FsOp::Unlink, "old/keep.txt", EACCES);
  }
  // A /debug run, which must end in a DebugStop: the stop's number.
  int RunUntilDebugStop() {
    options.DebugMode = true;
    try {
      Run();
    } catch (const common::DebugStop& stop) {
      EXPECT_EQ(stop.Description(), common::FsError{stop.Number()}.Description());
      return stop.Number();
    }
    ADD_FAILURE() << "no DebugStop";
    return 0;
  }

 private:
  std::vector<std::string> mounts_;
};

// ---- Mirroring: the copy ends equal to the source, and says how ----

struct MirrorCase {
  const char* name;
  std::function<void(testsupport::TempTree&)> setup;
  Lines expected = {};
};

class Mirror : public Engine, public ::testing::WithParamInterface<MirrorCase> {};

TEST_P(Mirror, CopyEndsEqualAndASecondRunRecordsNothing) {
  GetParam().setup(tree);
  EXPECT_EQ(Run(), Expand(GetParam().expected));
  ExpectMirrored();
  EXPECT_EQ(engine->FilesDone, engine->FilesTotal);

  EXPECT_EQ(Run(), Lines{});
  ExpectMirrored();
  ASSERT_FALSE(view.bars.empty());
  EXPECT_EQ(view.bars.back(), engine->FilesTotal > 0 ? 100.0f : 0.0f);
}

const MirrorCase kMirrorCases[] = {
    MirrorCase{"IdenticalTrees",
               [](testsupport::TempTree& t) {
                 t.WriteFiles({{"origen/a.txt", "a"}, {"origen/sub/b.txt", "b"}, {"copia/a.txt", "a"},
                               {"copia/sub/b.txt", "b"}}, 100);
               },
               {}},
    MirrorCase{"CreateUpdateDeleteInOneFolder",
               [](testsupport::TempTree& t) {
                 t.WriteFile("origen/a.txt", "nuevo", 200);
                 t.WriteFiles({{"origen/b.txt", "b"}, {"copia/a.txt", "viejo"}, {"copia/c.txt", "c"}}, 100);
               },
               {R"(update "{o}/a.txt" "{c}/a.txt")", R"(create "{o}/b.txt" "{c}/b.txt")",
                R"(delete "{c}/c.txt")"}},
    // Files first, then folder deletions and creations in name order, then
    // the descent; a removed tree lists its files before its subfolders.
    MirrorCase{"InDepthInScanOrder",
               [](testsupport::TempTree& t) {
                 t.WriteFiles({{"origen/m.txt", "m"}, {"origen/x/y/new.txt", "n"}, {"origen/z/f.txt", "f"},
                               {"copia/m.txt", "m"}, {"copia/a/old.txt", "o"}, {"copia/a/in/deep.txt", "d"},
                               {"copia/x/y/gone.txt", "g"}}, 100);
               },
               {R"(deletedir "{c}/a")", R"(delete "{c}/a/old.txt")", R"(deletedir "{c}/a/in")",
                R"(delete "{c}/a/in/deep.txt")", R"(createdir "{c}/z")",
                R"(delete "{c}/x/y/gone.txt")", R"(create "{o}/x/y/new.txt" "{c}/x/y/new.txt")",
                R"(create "{o}/z/f.txt" "{c}/z/f.txt")"}},
    MirrorCase{"HiddenEntriesAreMirrored",
               [](testsupport::TempTree& t) {
                 t.WriteFiles({{"origen/.cfg", "c"}, {"origen/.dir/.x", "x"}, {"copia/.old", "o"},
                               {"copia/.olddir/y", "y"}}, 100);
               },
               {R"(create "{o}/.cfg" "{c}/.cfg")", R"(delete "{c}/.old")",
                R"(createdir "{c}/.dir")", R"(deletedir "{c}/.olddir")",
                R"(delete "{c}/.olddir/y")", R"(create "{o}/.dir/.x" "{c}/.dir/.x")"}},
#ifndef _WIN32
    // Twins that differ only in case: no content goes to the other name.
    // (A Windows folder cannot hold such twins.)
    MirrorCase{"CaseTwinsKeepTheirOwnContent",
               [](testsupport::TempTree& t) {
                 t.WriteFiles({{"origen/a.txt", "minúsculas"}, {"origen/A.txt", "MAYÚSCULAS"},
                               {"origen/Foto.jpg", "foto"}}, 100);
                 t.WriteFile("copia/a.txt", "vieja", 50);
                 t.WriteFiles({{"copia/foto.jpg", "1"}, {"copia/FOTO.jpg", "2"}}, 100);
               },
               {R"(create "{o}/A.txt" "{c}/A.txt")", R"(update "{o}/a.txt" "{c}/a.txt")",
                R"(delete "{c}/FOTO.jpg")", R"(create "{o}/Foto.jpg" "{c}/Foto.jpg")",
                R"(delete "{c}/foto.jpg")"}},
#endif
    MirrorCase{"FolderInSourceWhereTheCopyHasAFile",
               [](testsupport::TempTree& t) {
                 t.WriteFiles({{"origen/x/f.txt", "f"}, {"copia/x", "file"}}, 100);
               },
               {R"(delete "{c}/x")", R"(createdir "{c}/x")",
                R"(create "{o}/x/f.txt" "{c}/x/f.txt")"}}};

INSTANTIATE_TEST_SUITE_P(Engine, Mirror, ::testing::ValuesIn(kMirrorCases), ByName());

// ---- The update rule ----

// The finest step of a modification time the platform keeps: 1 ns on Linux,
// 100 ns on Windows.
#ifdef _WIN32
constexpr int64_t kTick = 100;
#else
constexpr int64_t kTick = 1;
#endif

struct TimeCase {
  const char* name;
  int64_t sourceSec = 100, sourceNsec = 0, copySec = 100, copyNsec = 0;
  bool copied = false;
};

class NewerRule : public Engine, public ::testing::WithParamInterface<TimeCase> {};

TEST_P(NewerRule, OnlyAStrictlyNewerSourceIsCopied) {
  const TimeCase& c = GetParam();
  tree.WriteFile("origen/f.txt", "fuente", c.sourceSec, c.sourceNsec);
  tree.WriteFile("copia/f.txt", "copia", c.copySec, c.copyNsec);
  Lines lines = Run();
  EXPECT_EQ(tree.ReadFile("copia/f.txt"), c.copied ? "fuente" : "copia");
  EXPECT_EQ(lines, c.copied ? Expand(Lines{R"(update "{o}/f.txt" "{c}/f.txt")"}) : Lines{});
  if (c.copied) {
    EXPECT_EQ(tree.MtimeNsec("copia/f.txt"), tree.MtimeNsec("origen/f.txt"));
  }
}

INSTANTIATE_TEST_SUITE_P(Engine, NewerRule,
                         ::testing::Values(TimeCase{.name = "SameTime"},
                                           TimeCase{.name = "CopyNewer", .copySec = 200},
                                           TimeCase{.name = "SourceNewer", .sourceSec = 200, .copied = true},
                                           TimeCase{.name = "OneTickNewer", .sourceNsec = kTick, .copied = true},
                                           TimeCase{.name = "OneTickOlder", .copyNsec = kTick}), ByName());

// ---- Letter case ----

// Matched files and folders keep the copy's own names; new ones take the source's.
TEST_F(Engine, MatchedNamesKeepTheCopysCaseAndCreationsTakeTheSources) {
  tree.WriteFiles({{"origen/a.TXT", "nuevo"}, {"origen/Docs/x.txt", "nuevo"}}, 200);
  tree.WriteFiles({{"origen/Nuevo.TXT", "n"}, {"copia/A.txt", "viejo"}, {"copia/docs/x.txt", "viejo"}}, 100);
  EXPECT_EQ(Run(), Expand(Lines{R"(update "{o}/a.TXT" "{c}/A.txt")", R"(create "{o}/Nuevo.TXT" "{c}/Nuevo.TXT")",
                                R"(update "{o}/Docs/x.txt" "{c}/docs/x.txt")"}));
  EXPECT_EQ(Names("copia"), (std::vector<std::string>{"A.txt", "Nuevo.TXT", "docs/"}));
  EXPECT_EQ(tree.ReadFile("copia/A.txt"), "nuevo");
  EXPECT_EQ(tree.ReadFile("copia/docs/x.txt"), "nuevo");
}

// ---- Names like the copy's temporary files ----

// Files named ".~tmp-<16 hex>.part" are the user's like any other: copied,
// counted, and deleted from the copy only under D. A temporary that a crash
// left in the copy is thereby an extra file that the next run deletes.
constexpr const char* kMine = ".~tmp-0123456789abcdef.part";
constexpr const char* kLeftover = ".~tmp-fedcba9876543210.part";

struct ExecCase {
  const char* name;
  int32_t exec = update::OpAll;
  bool test = false;
};

class TemporaryLookingNames : public Engine, public ::testing::WithParamInterface<ExecCase> {};

TEST_P(TemporaryLookingNames, AreOrdinaryFiles) {
  const ExecCase& c = GetParam();
  options.ExecOps = c.exec;
  options.TestMode = c.test;
  ASSERT_TRUE(common::FileSystem::IsTemporaryName(kMine));
  const std::string mine = kMine, leftover = kLeftover;
  tree.WriteFiles({{"origen/" + mine, "mío"}, {"copia/sub/" + leftover, "la mitad de una copia"},
                   {"copia/vieja/" + leftover, "otra mitad"}}, 100);
  tree.MakeDir("origen/sub");
  const bool created = !c.test && (c.exec & update::OpCreate);
  const bool deleted = !c.test && (c.exec & update::OpDelete);

  Lines expected;
  if (c.exec & update::OpCreate) expected.push_back("create \"{o}/" + mine + "\" \"{c}/" + mine + "\"");
  if (c.exec & update::OpDelete) {
    expected.push_back(R"(deletedir "{c}/vieja")");
    // A dry run lists the folder's removal, not what is in it.
    if (!c.test) expected.push_back("delete \"{c}/vieja/" + leftover + "\"");
    expected.push_back("delete \"{c}/sub/" + leftover + "\"");
  }
  EXPECT_EQ(Run(), Expand(expected));
  EXPECT_EQ(errors.Failures(), 0);
  EXPECT_EQ(engine->FilesTotal, 1);
  EXPECT_EQ(tree.Exists("copia/" + mine), created);
  if (created) {
    EXPECT_EQ(tree.ReadFile("copia/" + mine), "mío");
  }
  EXPECT_EQ(tree.Exists("copia/sub/" + leftover), !deleted);
  EXPECT_EQ(tree.Exists("copia/vieja"), !deleted);
}

INSTANTIATE_TEST_SUITE_P(Engine, TemporaryLookingNames,
                         ::testing::Values(ExecCase{.name = "Everything"},
                                           ExecCase{.name = "ExecWithoutDeletions",
                                                    .exec = update::OpCreate | update::OpUpdate},
                                           ExecCase{.name = "ExecNothing", .exec = 0},
                                           ExecCase{.name = "TestMode", .test = true}),
                         ByName());

// ---- A name that is a file on one side and a folder on the other ----

TEST_F(Engine, FileInSourceWhereTheCopyHasAFolderTakesTwoRuns) {
  tree.WriteFiles({{"origen/x", "archivo"}, {"copia/x/inner.txt", "i"}}, 100);
  Lines first = Run();
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(first[0], Expand(R"(create "{o}/x" "{c}/x")"));
  EXPECT_NE(first[1].find(Expand(R"() en copy "{o}/x" "{c}/x")")), std::string::npos) << first[1];
  EXPECT_EQ(first[2], Expand(R"(deletedir "{c}/x")"));
  EXPECT_EQ(first[3], Expand(R"(delete "{c}/x/inner.txt")"));
  EXPECT_EQ(errors.Failures(), 1);

  EXPECT_EQ(Run(), Expand(Lines{R"(create "{o}/x" "{c}/x")"}));
  ExpectMirrored();
}

// ---- Permissions, links and special files ----

TEST_F(Engine, ReadOnlyCopyIsReplacedAndTakesTheSourcesBits) {
  tree.WriteFile("origen/f.txt", "nuevo", 200);
  tree.WriteFiles({{"origen/privado.txt", "p"}, {"copia/f.txt", "viejo"}}, 100);
  tree.Chmod("origen/privado.txt", 0400);
  tree.Chmod("copia/f.txt", 0444);
  Run();
  EXPECT_EQ(tree.ReadFile("copia/f.txt"), "nuevo");
  EXPECT_EQ(tree.Mode("copia/f.txt"), tree.Mode("origen/f.txt"));
  EXPECT_EQ(tree.Mode("copia/privado.txt"), tree.Mode("origen/privado.txt"));
}

TEST_F(Engine, ReadOnlyFolderTreeIsRemoved) {
  tree.WriteFiles({{"copia/ro/f", "f"}, {"copia/ro/sub/g", "g"}}, 100);
  tree.Chmod("copia/ro/f", 0444);
  tree.Chmod("copia/ro/sub/g", 0444);
  tree.Chmod("copia/ro/sub", 0500);
  tree.Chmod("copia/ro", 0555);
  EXPECT_EQ(Run(), Expand(Lines{R"(deletedir "{c}/ro")", R"(delete "{c}/ro/f")",
                                R"(deletedir "{c}/ro/sub")", R"(delete "{c}/ro/sub/g")"}));
  EXPECT_FALSE(tree.Exists("copia/ro"));
}

TEST_F(Engine, LinksAreRecreatedNeverFollowed) {
  SKIP_ON_WINDOWS("symbolic links recreated");
  tree.WriteFile("fuera/dentro.txt", "no tocar", 100);
  tree.Symlink("origen/rota", "destino inexistente");
  tree.Symlink("origen/carpeta", "../fuera");
  tree.SetMtime("origen/rota", 300);
  tree.SetMtime("origen/carpeta", 300);
  Run();
  ExpectMirrored();
  EXPECT_EQ(Names("copia"), (std::vector<std::string>{"carpeta", "rota"}));
  EXPECT_EQ(tree.Snapshot("fuera").size(), 1u);
}

// Links to folders as the system makes them (on Windows, junctions).
TEST_F(Engine, LinkInTheCopyIsRemovedWithoutTouchingWhatItPointsTo) {
  tree.WriteFile("fuera/dentro.txt", "no tocar", 100);
  if (!tree.FolderLink("copia/enlace", "fuera")) GTEST_SKIP() << tree.kNoLinkWhy;
  tree.WriteFile("origen/sub/f.txt", "f", 100);
  ASSERT_TRUE(tree.FolderLink("copia/sub", "fuera"));  // a folder replaced by a link
  ASSERT_TRUE(tree.FolderLink("copia/vieja/enlace", "fuera"));  // in a tree that goes
  EXPECT_EQ(Run(), Expand(Lines{R"(delete "{c}/enlace")", R"(delete "{c}/sub")", R"(createdir "{c}/sub")",
                                R"(deletedir "{c}/vieja")", R"(delete "{c}/vieja/enlace")",
                                R"(create "{o}/sub/f.txt" "{c}/sub/f.txt")"}));
  ExpectMirrored();
  EXPECT_EQ(tree.ReadFile("fuera/dentro.txt"), "no tocar");
  EXPECT_EQ(tree.Snapshot("fuera").size(), 1u);
}

TEST_F(Engine, SpecialFileGivesACopyLineAndTheRunGoesOn) {
  if (!tree.MakeSpecial("origen/tubo")) GTEST_SKIP() << tree.kNoLinkWhy;
  tree.WriteFile("origen/z.txt", "z", 100);
  Lines lines = Run();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], Expand(R"(create "{o}/tubo" "{c}/tubo")"));
  EXPECT_NE(lines[1].find(Expand(R"() en copy "{o}/tubo" "{c}/tubo")")), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2], Expand(R"(create "{o}/z.txt" "{c}/z.txt")"));
  EXPECT_FALSE(tree.Exists("copia/tubo"));
  EXPECT_EQ(tree.ReadFile("copia/z.txt"), "z");
}

// ---- /exec, /log and /test ----

struct SwitchCase {
  const char* name;
  int32_t exec = update::OpAll, log = update::OpAll;
  bool test = false;
  Lines expected = {};
  bool copyUnchanged = false;
};

class Switches : public Engine, public ::testing::WithParamInterface<SwitchCase> {
 protected:
  void SetUp() override {
    tree.WriteFile("origen/upd.txt", "nuevo", 200);
    tree.WriteFiles({{"origen/new.txt", "n"}, {"origen/newdir/f.txt", "f"}, {"copia/upd.txt", "viejo"},
                     {"copia/extra.txt", "e"}, {"copia/extradir/g.txt", "g"}}, 100);
  }
};

TEST_P(Switches, RecordWhatTheyAllowAndChangeOnlyThat) {
  const SwitchCase& c = GetParam();
  options.ExecOps = c.exec;
  options.LogOps = c.log;
  options.TestMode = c.test;
  auto before = tree.Snapshot("copia");
  EXPECT_EQ(Run(), Expand(c.expected));
  EXPECT_EQ(errors.Failures(), 0);
  if (c.copyUnchanged) {
    EXPECT_EQ(tree.Snapshot("copia"), before);
    return;
  }
  bool created = !c.test && (c.exec & update::OpCreate);
  bool updated = !c.test && (c.exec & update::OpUpdate);
  bool deleted = !c.test && (c.exec & update::OpDelete);
  EXPECT_EQ(tree.Exists("copia/new.txt"), created);
  EXPECT_EQ(tree.Exists("copia/newdir/f.txt"), created);
  EXPECT_EQ(tree.ReadFile("copia/upd.txt"), updated ? "nuevo" : "viejo");
  EXPECT_EQ(tree.Exists("copia/extra.txt"), !deleted);
  EXPECT_EQ(tree.Exists("copia/extradir"), !deleted);
}

const Lines kAllLines = {R"(delete "{c}/extra.txt")",
                         R"(create "{o}/new.txt" "{c}/new.txt")",
                         R"(update "{o}/upd.txt" "{c}/upd.txt")",
                         R"(deletedir "{c}/extradir")",
                         R"(delete "{c}/extradir/g.txt")",
                         R"(createdir "{c}/newdir")",
                         R"(create "{o}/newdir/f.txt" "{c}/newdir/f.txt")"};

INSTANTIATE_TEST_SUITE_P(
    Engine, Switches,
    ::testing::Values(
        SwitchCase{.name = "Everything", .expected = kAllLines},
        SwitchCase{.name = "ExecCuLogD", .exec = 3, .log = 4},
        SwitchCase{.name = "LogUpdatesOnly", .log = 2, .expected = {R"(update "{o}/upd.txt" "{c}/upd.txt")"}},
        SwitchCase{.name = "ExecUdSkipsTheMissingFolderQuietly",
                   .exec = 6,
                   .expected = {R"(delete "{c}/extra.txt")", R"(update "{o}/upd.txt" "{c}/upd.txt")",
                                R"(deletedir "{c}/extradir")", R"(delete "{c}/extradir/g.txt")"}},
        SwitchCase{.name = "ExecNothing", .exec = 0, .copyUnchanged = true},
        // A tree to be removed gives its one deletedir line, and the folder
        // not created is listed as empty so its files show as creations.
        SwitchCase{.name = "TestRecordsEverythingChangesNothing",
                   .test = true,
                   .expected = {R"(delete "{c}/extra.txt")", R"(create "{o}/new.txt" "{c}/new.txt")",
                                R"(update "{o}/upd.txt" "{c}/upd.txt")", R"(deletedir "{c}/extradir")",
                                R"(createdir "{c}/newdir")", R"(create "{o}/newdir/f.txt" "{c}/newdir/f.txt")"},
                   .copyUnchanged = true},
        SwitchCase{.name = "TestWinsOverExec",
                   .exec = 1,
                   .test = true,
                   .expected = {R"(create "{o}/new.txt" "{c}/new.txt")", R"(createdir "{c}/newdir")",
                                R"(create "{o}/newdir/f.txt" "{c}/newdir/f.txt")"},
                   .copyUnchanged = true}), ByName());

// ---- The destination folder ----

TEST_F(Engine, MissingDestinationInTestModeListsEveryCreation) {
  options.TestMode = true;
  options.CreateTarget = true;  // /test changes nothing, not even this
  tree.WriteFiles({{"origen/a.txt", "a"}, {"origen/s/b.txt", "b"}}, 100);
  EXPECT_EQ(Run("origen", "nueva"),
            Lines({"create \"" + tree.Path("origen/a.txt") + "\" \"" + tree.Path("nueva/a.txt") + "\"",
                   "createdir \"" + tree.Path("nueva/s") + "\"",
                   "create \"" + tree.Path("origen/s/b.txt") + "\" \"" + tree.Path("nueva/s/b.txt") + "\""}));
  EXPECT_FALSE(tree.Exists("nueva"));
}

TEST_F(Engine, TestModeListsAFolderThatWouldReplaceAFile) {
  options.TestMode = true;
  tree.WriteFiles({{"origen/x/f.txt", "f"}, {"copia/x", "archivo"}}, 100);
  EXPECT_EQ(Run(), Expand(Lines{R"(delete "{c}/x")", R"(createdir "{c}/x")",
                                R"(create "{o}/x/f.txt" "{c}/x/f.txt")"}));
  EXPECT_EQ(tree.ReadFile("copia/x"), "archivo");
}

TEST_F(Engine, MissingDestinationIsReportedAndNothingIsCreated) {
  tree.WriteFile("origen/a.txt", "a", 100);
  EXPECT_EQ(Run("origen", "nueva"),
            Lines{ErrorLine(testsupport::kErrorNotFound, "list \"" + tree.Path("nueva") + "\"")});
  EXPECT_FALSE(tree.Exists("nueva"));
  EXPECT_EQ(errors.Failures(), 1);
}

TEST_F(Engine, CreateTargetMakesTheWholeChain) {
  options.CreateTarget = true;
  options.LogOps = 0;
  tree.WriteFile("origen/s/b.txt", "b", 100);
  EXPECT_EQ(Run("origen", "nueva/a/b"), Lines{});
  EXPECT_EQ(tree.Snapshot("origen"), tree.Snapshot("nueva/a/b"));
}

// A chain that /ct cannot make is reported as the creation that failed,
// not as the listing of the missing copy that follows from it.
TEST_F(Engine, CreateTargetThatCannotBeMadeNamesTheCreation) {
  options.CreateTarget = true;
  tree.WriteFile("origen/a.txt", "a", 100);
  faults.FailOn(common::FsOp::Mkdir, "nueva/a", EACCES);
  EXPECT_EQ(Run("origen", "nueva/a/b"), Lines{ErrorLine(EACCES, "mkdir \"" + tree.Path("nueva/a") + "\"")});
  EXPECT_FALSE(tree.Exists("nueva/a"));
}

// ---- Listings that fail ----

TEST_F(Engine, SourceRootThatCannotBeListedDeletesNothing) {
  tree.WriteFile("copia/a.txt", "a", 100);
  faults.FailOn(common::FsOp::List, tree.Path("origen"), EACCES, 1, 100);
  EXPECT_EQ(Run(), Lines{ErrorLine(EACCES, Expand(R"(list "{o}")"))});
  EXPECT_TRUE(tree.Exists("copia/a.txt"));
}

TEST_F(Engine, FailedFlushOfTheCopyAtTheEndIsAFailure) {
  options.LogOps = 0;
  tree.WriteFile("origen/a.txt", "a", 100);
  tree.MakeDir("copia");
  // The copy's own write is the first on the path; the flush of the copy's
  // file system at the end of the run is the second.
  faults.FailOn(common::FsOp::Write, tree.Path("copia"), EIO, 2);
  EXPECT_EQ(Run(), Lines{ErrorLine(EIO, Expand(R"(sync "{c}")"))});
  EXPECT_EQ(tree.ReadFile("copia/a.txt"), "a");
  EXPECT_EQ(errors.Failures(), 1);
}

// ---- Removing a folder tree ----

TEST_F(Engine, FolderSwappedForALinkDuringItsRemovalIsNotFollowed) {
  SKIP_ON_WINDOWS("POSIX modes and symbolic links");
  options.LogOps = update::OpDelete;
  tree.WriteFile("fuera/dentro.txt", "no tocar", 100);
  tree.Chmod("fuera", 0750);
  tree.WriteFile("copia/old/a.txt", "a", 100);
  tree.Chmod("copia/old", 0555);  // listed read-only: its bits are changed before the removal
  // The first event of the scan comes before the copy is listed, the second
  // at the start of the removal: the folder is swapped in between.
  int scanEvents = 0;
  view.onEvent = [&](testsupport::RecordingView& v) {
    if (v.pathLabels.back() == "Comparando origen" && ++scanEvents == 2) {
      tree.Remove("copia/old");
      tree.Symlink("copia/old", tree.Path("fuera"));
    }
  };
  Lines lines = Run();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], Expand(R"(deletedir "{c}/old")"));
  EXPECT_NE(lines[1].find(Expand(R"() en rmdir "{c}/old")")), std::string::npos) << lines[1];
  EXPECT_EQ(tree.ReadFile("fuera/dentro.txt"), "no tocar");
  EXPECT_EQ(tree.Mode("fuera"), 0750u);
}

// ---- Cancel ----

TEST_F(Engine, CancelDuringACopyFinishesThatCopyAndStops) {
  options.LogOps = update::OpCreate;
  for (const char* name : {"f1", "f2", "f3", "f4", "f5"})
    tree.WriteFile(std::string("origen/") + name, std::string(50000, name[1]), 100);
  tree.WriteFile("origen/z/g.txt", "g", 100);
  view.onEvent = [](testsupport::RecordingView& v) {
    if (v.fileLabels.size() == 3 && !v.cancelDisabled) v.ClickCancel();
  };
  EXPECT_EQ(Run(), Lines({Expand(R"(create "{o}/f1" "{c}/f1")"), Expand(R"(create "{o}/f2" "{c}/f2")"),
                          "Cancelado por el usuario", Expand(R"(create "{o}/f3" "{c}/f3")")}));
  EXPECT_EQ(Names("copia"), (std::vector<std::string>{"f1", "f2", "f3"}));
  EXPECT_EQ(tree.ReadFile("copia/f3"), std::string(50000, '3'));
  EXPECT_TRUE(engine->Cancelled);
  EXPECT_TRUE(view.cancelDisabled);
  EXPECT_EQ(view.closed, 1);
  EXPECT_EQ(engine->FilesDone, 2);  // the scan returned before counting the third
  EXPECT_EQ(errors.Failures(), 0);
}

TEST_F(Engine, CancelWhileCountingChangesNothing) {
  tree.WriteFile("origen/a/b/c.txt", "c", 100);
  view.CancelAtEvent(2);
  auto before = tree.Snapshot("copia");
  EXPECT_EQ(Run(), Lines{"Cancelado por el usuario"});
  EXPECT_EQ(tree.Snapshot("copia"), before);
}

TEST_F(Engine, CancelDuringARemovalKeepsTheRest) {
  options.LogOps = update::OpDelete;
  for (const char* name : {"f1", "f2", "f3", "f4"}) tree.WriteFile(std::string("copia/old/") + name, "x", 100);
  tree.WriteFiles({{"copia/old/sub/x", "x"}, {"copia/zz/y", "y"}}, 100);
  std::string f2Line = Expand(R"(delete "{c}/old/f2")");
  view.onEvent = [&](testsupport::RecordingView& v) {
    if (errors.Count() > 0 && errors.Line(errors.Count() - 1) == f2Line) v.ClickCancel();
  };
  EXPECT_EQ(Run(), Lines({Expand(R"(deletedir "{c}/old")"), Expand(R"(delete "{c}/old/f1")"), f2Line,
                          "Cancelado por el usuario", Expand(R"(delete "{c}/old/f3")")}));
  EXPECT_EQ(Names("copia/old"), (std::vector<std::string>{"f4", "sub/"}));
  EXPECT_TRUE(tree.Exists("copia/zz/y"));
}

// ---- Overlapping folders ----

// Spelled out, through a link, or through a bind mount that shows a folder
// of one tree under another name (Linux, as root).
struct OverlapCase {
  const char* name;
  const char* origen;
  const char* destino;
  const char* mountFrom = nullptr;  // bind-mounted on mountAt before the run
  const char* mountAt = nullptr;
};

class Overlap : public Engine, public ::testing::WithParamInterface<OverlapCase> {};

TEST_P(Overlap, IsRefusedAndNothingChanges) {
  const OverlapCase& c = GetParam();
  if (c.origen == std::string("enlace") && testsupport::UnderWine())
    GTEST_SKIP() << "Wine 8 reports the folder link it makes as missing (error 2) when it is listed";
  tree.WriteFiles({{"origen/a.txt", "a"}, {"origen/sub/b.txt", "b"}, {"copia/c.txt", "c"},
                   {"copia/sub/d.txt", "d"}}, 100);
  tree.Symlink("enlace", "origen");
  if (c.mountFrom != nullptr) {
    Bind(c.mountFrom, c.mountAt);
    if (IsSkipped()) return;
  }
  auto before = tree.Snapshot();
  std::string o = tree.Path(c.origen);
  std::string d = tree.Path(c.destino);
  options.CreateTarget = true;
  EXPECT_EQ(Run(c.origen, c.destino), Lines{"Origen y destino se solapan: \"" + o + "\" \"" + d + "\""});
  EXPECT_EQ(errors.Failures(), 1);
  EXPECT_EQ(tree.Snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, Overlap,
    ::testing::Values(OverlapCase{"CopyInsideSource", "origen", "origen/copia"},
                      OverlapCase{"SourceInsideCopy", "origen/sub", "origen"},
                      OverlapCase{"SameFolder", "origen", "origen"},
                      OverlapCase{"SameFolderWithTrailingSlash", "origen", "origen/"},
                      OverlapCase{"ThroughALink", "enlace", "origen/sub"},
                      OverlapCase{"MissingCopyInsideSource", "origen", "origen/falta/mas"},
                      OverlapCase{"DotDotBackIntoSource", "origen", "copia/../origen/nueva"}),
    ByName());

#ifndef _WIN32
INSTANTIATE_TEST_SUITE_P(
    Mounts, Overlap,
    ::testing::Values(
        OverlapCase{.name = "CopyIsTheSourceUnderAnotherName", .origen = "origen", .destino = "alias",
                    .mountFrom = "origen", .mountAt = "alias"},
        OverlapCase{.name = "CopyIsAFolderAboveTheSource", .origen = "origen/sub", .destino = "alias",
                    .mountFrom = "origen", .mountAt = "alias"},
        OverlapCase{.name = "CopyMountedInsideTheSource", .origen = "origen", .destino = "copia",
                    .mountFrom = "copia", .mountAt = "origen/montaje"},
        OverlapCase{.name = "CopyIsAFolderInsideTheSource", .origen = "origen", .destino = "alias",
                    .mountFrom = "origen/sub", .mountAt = "alias"},
        OverlapCase{.name = "SourceIsAFolderInsideTheCopy", .origen = "alias", .destino = "copia",
                    .mountFrom = "copia/sub", .mountAt = "alias"}),
    ByName());
#endif

// Removing a folder of the copy never descends into another mount.
TEST_F(Engine, RemovalLeavesAForeignMountAndItsFiles) {
  tree.WriteFiles({{"origen/a.txt", "a"}, {"ajeno/f.txt", "f"}, {"copia/viejo/x.txt", "x"}}, 100);
  Bind("ajeno", "copia/viejo/montaje");
  if (IsSkipped()) return;
  EXPECT_EQ(Run(), Expand(Lines{R"(create "{o}/a.txt" "{c}/a.txt")", R"(deletedir "{c}/viejo")",
                                R"(delete "{c}/viejo/x.txt")", R"(deletedir "{c}/viejo/montaje")",
                                ErrorLine(EXDEV, R"(rmdir "{c}/viejo/montaje")")}));
  EXPECT_EQ(tree.ReadFile("ajeno/f.txt"), "f");
  EXPECT_FALSE(tree.Exists("copia/viejo/x.txt"));
  EXPECT_EQ(errors.Failures(), 1);
}

// ---- A source with no entries at all ----

// An empty source is what an unmounted drive or an empty share looks like:
// the copy is emptied only when someone says so.
struct EmptySourceCase {
  const char* name;
  std::optional<bool> answer = std::nullopt;  // none: nobody can be asked
  int32_t exec = update::OpAll;
  bool test = false;
  Lines expected = {};
  bool copyKept = true;
};

class EmptySource : public Engine, public ::testing::WithParamInterface<EmptySourceCase> {};

TEST_P(EmptySource, EmptiesTheCopyOnlyWhenConfirmed) {
  const EmptySourceCase& c = GetParam();
  tree.WriteFiles({{"copia/f1", "1"}, {"copia/f2", "2"}, {"copia/d1/g", "g"}}, 100);
  options.ExecOps = c.exec;
  options.TestMode = c.test;
  int asked = 0;
  confirmEmptySource = nullptr;
  if (c.answer) {
    confirmEmptySource = [&] {
      ++asked;
      return *c.answer;
    };
  }
  auto before = tree.Snapshot("copia");
  Lines lines = Run();
  EXPECT_EQ(lines, Expand(c.expected));
  bool refused = !lines.empty() && lines[0].starts_with("El origen");
  EXPECT_EQ(errors.Failures(), refused ? 1 : 0);
  EXPECT_EQ(asked, c.answer && (c.exec & update::OpDelete) && !c.test ? 1 : 0);
  EXPECT_EQ(tree.Snapshot("copia") == before, c.copyKept);
}

const char kEmptySourceNote[] = R"(El origen está vacío; no se borra nada del destino: "{o}" "{c}")";

INSTANTIATE_TEST_SUITE_P(
    Engine, EmptySource,
    ::testing::Values(
        EmptySourceCase{.name = "NobodyToAskKeepsTheCopy", .expected = {kEmptySourceNote}},
        EmptySourceCase{.name = "AnsweredNoKeepsTheCopy", .answer = false, .expected = {kEmptySourceNote}},
        EmptySourceCase{.name = "AnsweredYesEmptiesTheCopy",
                        .answer = true,
                        .expected = {R"(delete "{c}/f1")", R"(delete "{c}/f2")", R"(deletedir "{c}/d1")",
                                     R"(delete "{c}/d1/g")"},
                        .copyKept = false},
        EmptySourceCase{.name = "TestListsTheDeletionsWithoutAsking",
                        .answer = true,
                        .test = true,
                        .expected = {R"(delete "{c}/f1")", R"(delete "{c}/f2")", R"(deletedir "{c}/d1")"}},
        EmptySourceCase{.name = "NoQuestionWhenNothingIsDeleted", .answer = true, .exec = 3}),
    ByName());

TEST_F(Engine, SiblingWithACommonPrefixIsNoOverlap) {
  tree.WriteFile("origen/a.txt", "a", 100);
  tree.MakeDir("origen2");
  options.LogOps = 0;
  EXPECT_EQ(Run("origen", "origen2"), Lines{});
  EXPECT_EQ(tree.ReadFile("origen2/a.txt"), "a");
}

// ---- Progress ----

TEST_F(Engine, BarFollowsTheHandledFiles) {
  tree.WriteFiles({{"origen/a", "x"}, {"origen/b", "x"}, {"origen/c", "x"}, {"copia/zz", "deleted, the bar stays"}},
                  100);
  Run();
  ASSERT_EQ(view.bars.size(), 4u);
  EXPECT_EQ(view.bars[0], 0.0f);
  EXPECT_NEAR(view.bars[1], 33.3, 0.1);
  EXPECT_NEAR(view.bars[2], 66.7, 0.1);
  EXPECT_EQ(view.bars[3], 100.0f);
  EXPECT_EQ(view.pathLabels.front(), "Preparando para actualizar...");
  EXPECT_EQ(view.pathLabels.back(), "Comparando origen");
  EXPECT_EQ(view.fileLabels, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(Engine, SourceThatGainsFilesAfterTheCountKeepsTheBarAt100) {
  tree.WriteFile("origen/a", "a", 100);
  view.onEvent = [this](testsupport::RecordingView& v) {
    if (v.pathLabels.back() == "Comparando origen" && !tree.Exists("origen/b")) {
      tree.WriteFiles({{"origen/b", "b"}, {"origen/c", "c"}}, 100);
    }
  };
  Run();
  EXPECT_EQ(engine->FilesTotal, 1);
  EXPECT_EQ(engine->FilesDone, 3);
  for (float bar : view.bars) EXPECT_TRUE(std::isfinite(bar) && bar >= 0 && bar <= 100) << bar;
  EXPECT_EQ(view.bars.back(), 100.0f);
}

TEST_F(Engine, FailedCountShowsAFullBarNotNaN) {
  tree.WriteFiles({{"origen/a", "a"}, {"origen/b", "b"}}, 100);
  faults.FailOn(common::FsOp::List, tree.Path("origen"), EIO, 1, 1);  // the count only
  Run();
  EXPECT_EQ(engine->FilesTotal, 0);
  EXPECT_EQ(view.bars, (std::vector<float>{0.0f, 100.0f, 100.0f}));
  EXPECT_EQ(tree.ReadFile("copia/b"), "b");
}

// ---- /debug ----

TEST_F(Engine, DebugStopsAtTheFirstFailedCopy) {
  tree.WriteFile("origen/data.txt", "nuevo", 200);
  tree.WriteFiles({{"origen/z.txt", "z"}, {"copia/data.txt", "viejo"}}, 100);
  faults.FailOn(common::FsOp::Rename, "copia/data.txt", EIO);
  EXPECT_EQ(RunUntilDebugStop(), EIO);
  EXPECT_EQ(view.closed, 1);
  EXPECT_EQ(tree.ReadFile("copia/data.txt"), "viejo");
  EXPECT_FALSE(tree.Exists("copia/z.txt"));
}

TEST_F(Engine, DebugFinishesARemovalThenStopsWithItsFirstFailure) {
  OldFolderWithAFileThatStays();
  EXPECT_EQ(RunUntilDebugStop(), EACCES);
  EXPECT_EQ(Names("copia/old"), std::vector<std::string>{"keep.txt"});
}

TEST_F(Engine, DebugStillRecordsAFolderThatCannotBeListed) {
  options.DebugMode = true;
  options.LogOps = 0;
  tree.WriteFiles({{"origen/d/x", "x"}, {"origen/e", "e"}}, 100);
  faults.FailOn(common::FsOp::List, "origen/d", EIO, 1, 100);
  EXPECT_EQ(Run(), Lines{ErrorLine(EIO, Expand(R"(list "{o}/d")"))});
  EXPECT_EQ(tree.ReadFile("copia/e"), "e");
}

// ---- /vars in the engine: the "%" macros ----

TEST_F(Engine, PercentMacrosNameTheDestination) {
  options.ExpandVars = true;
  options.LogOps = 0;
  tree.WriteFile("origen/a", "a", 100);
  tree.MakeDir("copias/2026-12-06");
  EXPECT_EQ(Run("origen", "copias/%Y-%m-%D"), Lines{});
  EXPECT_EQ(tree.ReadFile("copias/2026-12-06/a"), "a");
}

}  // namespace
}  // namespace updatetest

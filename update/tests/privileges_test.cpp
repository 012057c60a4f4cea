// Privileges and permissions: the program run as root (a nightly backup from
// cron) and as an unprivileged user, on trees whose owners and modes matter.
// Every case needs root, to give entries to another user and to run as one;
// the program runs as that user through setpriv, the engine in a child
// process that drops its privileges itself.

#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/tests/support/ChildProcess.h"
#include "update/tests/support/EngineFixture.h"

namespace updatetest {
namespace {

constexpr uid_t kUser = 65534;  // nobody
constexpr gid_t kGroup = 65534;  // nogroup
constexpr const char* kNoSetpriv = "setpriv is missing: cannot run the program as another user";

std::string FindSetpriv() {
  for (const char* path : {"/usr/bin/setpriv", "/bin/setpriv", "/usr/sbin/setpriv", "/sbin/setpriv"}) {
    if (::access(path, X_OK) == 0) return path;
  }
  return "";
}

// "uid:gid mode" of an entry, never through a link ("uid:gid link" for one).
std::string OwnerAndMode(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return "missing";
  char text[64];
  if (S_ISLNK(st.st_mode))
    std::snprintf(text, sizeof text, "%u:%u link", st.st_uid, st.st_gid);
  else
    std::snprintf(text, sizeof text, "%u:%u %04o", st.st_uid, st.st_gid, st.st_mode & 07777);
  return text;
}

void ChownTree(const std::string& path, uid_t uid, gid_t gid) {
  ASSERT_EQ(::lchown(path.c_str(), uid, gid), 0) << path;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
    ASSERT_EQ(::lchown(entry.path().c_str(), uid, gid), 0) << entry.path();
}

// Folders of a tree set to mode (files keep theirs), deepest first.
void ChmodFolders(const std::string& path, mode_t mode) {
  for (const auto& entry : std::filesystem::directory_iterator(path))
    if (entry.is_directory() && !entry.is_symlink()) ChmodFolders(entry.path(), mode);
  ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

class Privileges : public EngineFixture {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to give entries to another user and run as one";
    // The unprivileged user must reach the two trees.
    ASSERT_EQ(::chmod(tree.Root().c_str(), 0755), 0);
  }

  enum class As { Root, User };
  // The real program on origen and destino, as root or as the user, under mask.
  testsupport::ChildResult RunProgram(As as, mode_t mask, std::vector<std::string> args = {},
                                      const std::string& destino = "copia") {
    args.push_back(tree.Path("origen"));
    args.push_back(tree.Path(destino));
    std::string program = UPDATE_PROGRAM;
    if (as == As::User) {
      args.insert(args.begin(), {"--reuid=" + std::to_string(kUser), "--regid=" + std::to_string(kGroup),
                                 "--clear-groups", program});
      program = FindSetpriv();
    }
    mode_t old = ::umask(mask);
    auto result = testsupport::RunChild(program, args, tree.Root());
    ::umask(old);
    return result;
  }

  // The engine run by the user, in a child process; its lines come back
  // through a file the parent opened.
  Lines RunEngineAsUser() {
    std::FILE* out = std::tmpfile();
    if (out == nullptr) return {"tmpfile failed"};
    pid_t pid = ::fork();
    if (pid < 0) return {"fork failed"};
    if (pid == 0) {
      if (::setgroups(0, nullptr) != 0 || ::setresgid(kGroup, kGroup, kGroup) != 0 ||
          ::setresuid(kUser, kUser, kUser) != 0)
        ::_exit(125);
      for (const std::string& line : Run()) std::fprintf(out, "%s\n", line.c_str());
      ::_exit(std::fflush(out) == 0 ? 0 : 126);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child ended with " << status;
    Lines lines;
    std::rewind(out);
    for (char line[4096]; std::fgets(line, sizeof line, out) != nullptr;)
      lines.emplace_back(line, std::strlen(line) - 1);
    std::fclose(out);
    return lines;
  }

  // A copy first made by "cp -a" as the user from a tree of 0555 folders:
  // the copy's folders belong to the user and have no write bit.
  void ReadOnlyCopy() {
    tree.WriteFiles({{"copia/a.txt", "viejo"}, {"copia/sobra.txt", "sobra"}, {"copia/sub/c.txt", "c"},
                     {"copia/sub/vieja/x.txt", "x"}}, 100);
    ChownTree(tree.Path("copia"), kUser, kGroup);
    ChmodFolders(tree.Path("copia"), 0555);
  }
};

// ---- Owners and set-ID bits of copied files ----

TEST_F(Privileges, RootGivesTheCopyTheOwnerOfTheSourceWithItsSetIdBits) {
  tree.WriteFile("origen/prog", "#!/bin/sh\n", 100);
  tree.Symlink("origen/enlace", "prog");
  ChownTree(tree.Path("origen"), kUser, kGroup);
  tree.Chmod("origen/prog", 06755);

  auto r = RunProgram(As::Root, 022);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(OwnerAndMode(tree.Path("copia/prog")), "65534:65534 6755");
  EXPECT_EQ(OwnerAndMode(tree.Path("copia/enlace")), "65534:65534 link");
}

TEST_F(Privileges, AnOwnerTheFileSystemRefusesCostsTheSetIdBits) {
  tree.WriteFile("origen/prog", "#!/bin/sh\n", 100);
  ChownTree(tree.Path("origen"), kUser, kGroup);
  tree.Chmod("origen/prog", 06755);
  faults.FailOn(common::FsOp::Chown, tree.Path("copia/prog"), EPERM);

  EXPECT_EQ(Run(), Lines{});  // a copy that cannot keep its owner is no failure
  EXPECT_EQ(OwnerAndMode(tree.Path("copia/prog")), "0:0 0755");
}

TEST_F(Privileges, AUserKeepsSetIdBitsOnlyOnFilesOfTheirOwn) {
  if (FindSetpriv().empty()) GTEST_SKIP() << kNoSetpriv;
  tree.WriteFiles({{"origen/de-root", "#!/bin/sh\n"}, {"origen/propio", "#!/bin/sh\n"}}, 100);
  tree.Chmod("origen/de-root", 06755);
  ASSERT_EQ(::chown(tree.Path("origen/propio").c_str(), kUser, kGroup), 0);
  tree.Chmod("origen/propio", 06755);
  ChownTree(tree.Path("copia"), kUser, kGroup);

  auto r = RunProgram(As::User, 022);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(OwnerAndMode(tree.Path("copia/de-root")), "65534:65534 0755");
  EXPECT_EQ(OwnerAndMode(tree.Path("copia/propio")), "65534:65534 6755");
}

// ---- Folders update creates ----

class FolderModes : public Privileges, public ::testing::WithParamInterface<mode_t> {};

TEST_P(FolderModes, TakeTheSourceFolderBitsAndOwnerWhateverTheMask) {
  tree.WriteFile("origen/privada/f.txt", "f", 100);
  tree.MakeDir("origen/compartida");
  ChownTree(tree.Path("origen"), kUser, kGroup);
  tree.Chmod("origen", 0750);
  tree.Chmod("origen/privada", 0700);
  tree.Chmod("origen/compartida", 02775);

  // /ct: the folder above the copy is made as "mkdir -p" makes it; the
  // copy's own root is the source root's copy.
  auto r = RunProgram(As::Root, GetParam(), {"/ct"}, "arriba/copia");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(OwnerAndMode(tree.Path("arriba")), GetParam() == 0 ? "0:0 0777" : "0:0 0755");
  EXPECT_EQ(OwnerAndMode(tree.Path("arriba/copia")), "65534:65534 0750");
  EXPECT_EQ(OwnerAndMode(tree.Path("arriba/copia/privada")), "65534:65534 0700");
  EXPECT_EQ(OwnerAndMode(tree.Path("arriba/copia/compartida")), "65534:65534 2775");
}

INSTANTIATE_TEST_SUITE_P(Update, FolderModes, ::testing::Values(mode_t{000}, mode_t{022}),
                         [](const auto& info) { return info.param == 0 ? "Umask000" : "Umask022"; });

// ---- Read-only folders of the copy ----

TEST_F(Privileges, AUserRunChangesInsideReadOnlyFoldersAndRestoresThem) {
  if (FindSetpriv().empty()) GTEST_SKIP() << kNoSetpriv;
  tree.WriteFile("origen/a.txt", "nuevo", 200);
  tree.WriteFiles({{"origen/b.txt", "b"}, {"origen/sub/c.txt", "c"}, {"origen/sub/d.txt", "d"},
                   {"origen/nueva/e.txt", "e"}}, 100);
  ChmodFolders(tree.Path("origen"), 0555);
  ReadOnlyCopy();

  auto r = RunProgram(As::User, 022);
  EXPECT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_EQ(tree.Snapshot("copia"), tree.Snapshot("origen"));
}

TEST_F(Privileges, AReadOnlyFolderGetsItsModeBackAfterAFailedStep) {
  options.LogOps = 0;
  tree.WriteFile("origen/a.txt", "nuevo", 200);
  tree.WriteFiles({{"origen/sub/c.txt", "c"}, {"origen/sub/d.txt", "d"}}, 100);
  ReadOnlyCopy();
  faults.FailOn(common::FsOp::Write, tree.Path("copia/sub/d.txt"), EIO);

  EXPECT_EQ(RunEngineAsUser(),
            Expand(Lines{ErrorLine(EIO, R"(copy "{o}/sub/d.txt" "{c}/sub/d.txt")")}));
  EXPECT_EQ(tree.ReadFile("copia/a.txt"), "nuevo");
  EXPECT_FALSE(tree.Exists("copia/sub/d.txt"));
  EXPECT_FALSE(tree.Exists("copia/sub/vieja"));
  EXPECT_EQ(OwnerAndMode(tree.Path("copia")), "65534:65534 0555");
  EXPECT_EQ(OwnerAndMode(tree.Path("copia/sub")), "65534:65534 0555");
}

TEST_F(Privileges, AReadOnlyFolderGetsItsModeBackOnCancel) {
  options.LogOps = update::OpCreate;
  tree.WriteFiles({{"origen/sub/f1", std::string(50000, '1')}, {"origen/sub/f2", std::string(50000, '2')},
                   {"origen/sub/f3", std::string(50000, '3')}, {"origen/sub/f4", std::string(50000, '4')}}, 100);
  ReadOnlyCopy();
  view.onEvent = [](testsupport::RecordingView& v) {
    if (v.fileLabels.size() == 2 && !v.cancelDisabled) v.ClickCancel();
  };

  // The copy handed over when the cancel came finishes before the folder
  // is given its mode back.
  EXPECT_EQ(RunEngineAsUser(), Expand(Lines{R"(create "{o}/sub/f1" "{c}/sub/f1")", "Cancelado por el usuario",
                                            R"(create "{o}/sub/f2" "{c}/sub/f2")"}));
  EXPECT_EQ(tree.ReadFile("copia/sub/f2"), std::string(50000, '2'));
  EXPECT_FALSE(tree.Exists("copia/sub/f3"));
  EXPECT_EQ(OwnerAndMode(tree.Path("copia/sub")), "65534:65534 0555");
}

TEST_F(Privileges, AModeThatCannotBeGivenBackIsASetattrLine) {
  options.LogOps = 0;
  tree.MakeDir("origen/sub");
  tree.WriteFile("copia/sub/x.txt", "x", 100);
  tree.Chmod("copia/sub", 0555);
  // The first change of the folder's bits makes it writable, the second
  // would give its mode back.
  faults.FailOn(common::FsOp::Chmod, tree.Path("copia/sub"), EIO, 2);

  EXPECT_EQ(Run(), Expand(Lines{ErrorLine(EIO, R"(setattr "{c}/sub")")}));
  EXPECT_FALSE(tree.Exists("copia/sub/x.txt"));
  EXPECT_EQ(tree.Mode("copia/sub"), 0755u);
}

}  // namespace
}  // namespace updatetest

// Privileges and permissions: the program run as root (a nightly backup from
// cron) and as an unprivileged user, on trees whose owners and modes matter.
// Every case needs root, to give entries to another user and to run as one;
// the program runs as that user through setpriv, the engine in a child
// process that drops its privileges itself.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/tests/support/ChildProcess.h"
#include "update/tests/support/EngineFixture.h"

namespace updatetest {
namespace {

using Lines = std::vector<std::string>;

constexpr uid_t kUser = 65534;  // nobody
constexpr gid_t kGroup = 65534;  // nogroup
constexpr const char* kNoSetpriv = "setpriv is missing: cannot run the program as another user";

std::string FindSetpriv() {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  for (size_t i = 0; i <= dirs.size();) {
    size_t j = dirs.find(':', i);
    if (j == std::string::npos) j = dirs.size();
    std::string candidate = dirs.substr(i, j - i) + "/setpriv";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    i = j + 1;
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
  tree.WriteFile("origen/de-root", "#!/bin/sh\n", 100);
  tree.WriteFile("origen/propio", "#!/bin/sh\n", 100);
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

}  // namespace
}  // namespace updatetest

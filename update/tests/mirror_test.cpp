// A real tree of 10,000 files in 500 folders: mirrored so that diff -r finds
// no difference, and a second run finds nothing to do. Under Wine, where each
// file call costs a round trip to its server, the tree is a fifth of that
// and the trees' snapshots stand for diff.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "common/core/RunStatus.h"
#include "common/tests/support/Platform.h"
#include "common/tests/support/TempTree.h"
#include "update/core/Globales.h"
#include "common/tests/support/RecordingView.h"

namespace updatetest {
namespace {

// Each copy is flushed to disk before it is renamed into place; on a slow
// disk 10,000 flushes take most of a minute (several under Wine) and say
// nothing about what is copied, so the tree lives in memory when the machine
// offers it: /dev/shm, which Wine shows on its drive Z:.
#ifdef _WIN32
const char kTempVariable[] = "TMP";
const char kMemoryFolder[] = "Z:\\dev\\shm";
bool MemoryOffered() { return testsupport::UnderWine() && std::filesystem::is_directory(kMemoryFolder); }
void SetVariable(const char* name, const char* value) { _putenv_s(name, value); }
void UnsetVariable(const char* name) { _putenv_s(name, ""); }
#else
const char kTempVariable[] = "TMPDIR";
const char kMemoryFolder[] = "/dev/shm";
bool MemoryOffered() { return access(kMemoryFolder, W_OK | X_OK) == 0; }
void SetVariable(const char* name, const char* value) { setenv(name, value, 1); }
void UnsetVariable(const char* name) { unsetenv(name); }
std::string Quoted(const std::string& path) { return "'" + path + "'"; }
#endif

class MemoryBackedTemp {
 public:
  MemoryBackedTemp() {
    if (const char* old = std::getenv(kTempVariable)) old_ = old;
    if (MemoryOffered()) SetVariable(kTempVariable, kMemoryFolder);
  }
  ~MemoryBackedTemp() {
    if (old_)
      SetVariable(kTempVariable, old_->c_str());
    else
      UnsetVariable(kTempVariable);
  }

 private:
  std::optional<std::string> old_;
};

#ifdef _WIN32
constexpr int kTopFolders = 5;
#else
constexpr int kTopFolders = 25;
#endif

TEST(LargeTree, ThousandsOfFilesMirrorAndASecondRunRecordsNothing) {
  MemoryBackedTemp memory;
  testsupport::TempTree tree;
  const char* kNames[] = {"a.txt", "B.dat", ".oculto", "con blanco.txt", "año.txt"};
  int files = 0;
  int folders = 0;
  for (int top = 0; top < kTopFolders; ++top) {
    for (int sub = 0; sub < 20; ++sub) {
      std::string folder = "origen/d" + std::to_string(top);
      if (sub > 0) folder += "/Sub " + std::to_string(sub);
      ++folders;
      for (int f = 0; f < 20; ++f) {
        std::string name = std::to_string(f) + "-" + kNames[f % 5];
        tree.WriteFile(folder + "/" + name, folder + name + std::string(f * 37, 'x'),
                       1700000000 + f, f * 1000);
        ++files;
      }
    }
  }
  ASSERT_EQ(files, kTopFolders * 400);
  ASSERT_EQ(folders, kTopFolders * 20);
  tree.MakeDir("copia");

  update::Globales g;
  g.options.Unattended = true;
  g.options.LogOps = update::OpAll;
  g.options.LogFileName = tree.Path("update.log");
  testsupport::RecordingUserInterface ui;
  EXPECT_EQ(g.RunUpdate(tree.Path("origen"), tree.Path("copia"), ui), common::kExitOk);
  EXPECT_EQ(g.errorList.Count(), files + folders);  // a create or createdir line each
  EXPECT_EQ(g.errorList.Failures(), 0);
  EXPECT_EQ(ui.view.bars.back(), 100.0f);

#ifndef _WIN32
  std::string diff = "diff -r " + Quoted(tree.Path("origen")) + " " + Quoted(tree.Path("copia")) +
                     " > " + Quoted(tree.Path("diff.txt")) + " 2>&1";
  EXPECT_EQ(std::system(diff.c_str()), 0) << tree.ReadFile("diff.txt");
#endif

  std::string log = tree.ReadFile("update.log");
  EXPECT_EQ(g.RunUpdate(tree.Path("origen"), tree.Path("copia"), ui), common::kExitOk);
  EXPECT_EQ(g.errorList.Count(), 0);
  EXPECT_EQ(tree.ReadFile("update.log"), log);
  EXPECT_EQ(tree.Snapshot("origen"), tree.Snapshot("copia"));
}

}  // namespace
}  // namespace updatetest

#include "common/core/FileFunction.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "common/tests/support/TempTree.h"

namespace {

using namespace common;

TEST(FileFunction, PathSplittingAndJoining) {
  struct Join {
    const char* folder;
    const char* name;
    const char* expected;
  } joins[] = {
      {"/", "a.txt", "/a.txt"},
      {"/datos", "a.txt", "/datos/a.txt"},
      {"/datos/", "a.txt", "/datos/a.txt"},
      {"", "a.txt", "/a.txt"},
      {"/datos/", "/a.txt", "/datos//a.txt"},  // the name is not inspected
      {"datos", "", "datos/"},
      {"C:\\x", "y", "C:\\x/y"},  // a backslash is an ordinary character
  };
  for (const auto& j : joins) EXPECT_EQ(JoinPath(j.folder, j.name), j.expected) << j.folder;

  struct Split {
    const char* path;
    const char* fileName;
    const char* parent;
  } splits[] = {
      {"/datos/a.txt", "a.txt", "/datos"},
      {"a.txt", "a.txt", ""},
      {"/datos/", "", "/datos"},
      {"/", "", ""},
      {"/datos", "datos", ""},
      {"", "", ""},
      {"a/b/c", "c", "a/b"},
      {"a//b", "b", "a/"},
      {"./x", "x", "."},
      {"d\\e", "d\\e", ""},
  };
  for (const auto& s : splits) {
    EXPECT_EQ(GetFileName(s.path), s.fileName) << s.path;
    EXPECT_EQ(GetParentPath(s.path), s.parent) << s.path;
  }
}

TEST(FileFunction, DirExists) {
  testsupport::TempTree tree;
  tree.MakeDir("d/.oculta");
  tree.WriteFile("f.txt", "x");
  tree.Symlink("to-d", "d");
  tree.Symlink("to-f", "f.txt");
  tree.Symlink("dangling", "missing");

  struct Case {
    std::string path;
    bool expected;
  } cases[] = {
      {tree.Path("d"), true},
      {tree.Path("d/.oculta"), true},
      {tree.Path("d/"), true},
      {tree.Path("f.txt"), false},
      {tree.Path("f.txt/"), false},
      {tree.Path("to-d"), true},  // links are followed
      {tree.Path("to-f"), false},
      {tree.Path("dangling"), false},
      {tree.Path("missing"), false},
      {tree.Path("missing/x"), false},
      {"", false},
      {"/", true},
  };
  for (const auto& c : cases) EXPECT_EQ(DirExists(c.path), c.expected) << c.path;
}

TEST(FileFunction, MakeDirTreeCreatesTheMissingChain) {
  testsupport::TempTree tree;
  tree.MakeDir("a");
  tree.WriteFile("a/keep.txt", "k", 1000);
  const auto before = tree.Snapshot();

  EXPECT_EQ(MakeDirTree(tree.Path("a")), 0);
  EXPECT_EQ(tree.Snapshot(), before) << "an existing folder is left untouched";

  EXPECT_EQ(MakeDirTree(tree.Path("a/b/c")), 0);
  EXPECT_TRUE(DirExists(tree.Path("a/b")));
  EXPECT_TRUE(DirExists(tree.Path("a/b/c")));

  // A trailing separator and a doubled one are still the same folders.
  EXPECT_EQ(MakeDirTree(tree.Path("x/y/")), 0);
  EXPECT_TRUE(DirExists(tree.Path("x/y")));
  EXPECT_EQ(MakeDirTree(tree.Path("p//q")), 0);
  EXPECT_TRUE(DirExists(tree.Path("p/q")));
}

TEST(FileFunction, MakeDirTreeStopsAtTheFirstFailure) {
  testsupport::TempTree tree;
  tree.MakeDir("a");
  // A file stands where the folder a/b of the chain should be.
  tree.WriteFile("a/b", "not a folder");

  const int r = MakeDirTree(tree.Path("a/b/c/d"));
  EXPECT_TRUE(r == ENOTDIR || r == EEXIST) << r;
  EXPECT_EQ(tree.ReadFile("a/b"), "not a folder");
  EXPECT_FALSE(tree.Exists("a/b/c"));

  // The file itself at the end of the chain.
  EXPECT_EQ(MakeDirTree(tree.Path("a/b")), EEXIST);

  // The levels made before the failing one stay in place.
  tree.WriteFile("m/n", "file");
  const int r2 = MakeDirTree(tree.Path("m/n/o"));
  EXPECT_TRUE(r2 == ENOTDIR || r2 == EEXIST) << r2;
  EXPECT_TRUE(DirExists(tree.Path("m")));
}

// Changes the current folder for one test and restores it afterwards.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& dir) {
    char buf[4096];
    if (getcwd(buf, sizeof buf)) old_ = buf;
    EXPECT_EQ(chdir(dir.c_str()), 0);
  }
  ~CurrentFolder() {
    if (!old_.empty()) (void)chdir(old_.c_str());
  }

 private:
  std::string old_;
};

TEST(FileFunction, MakeDirTreeOfRelativePathsStartsAtTheCurrentFolder) {
  testsupport::TempTree tree;
  CurrentFolder cwd(tree.Root());
  EXPECT_EQ(MakeDirTree("r1/r2"), 0);
  EXPECT_TRUE(tree.Exists("r1/r2"));
  EXPECT_EQ(MakeDirTree("solo"), 0);
  EXPECT_TRUE(tree.Exists("solo"));
  EXPECT_EQ(MakeDirTree(""), 0);  // the current folder itself
}

TEST(FileFunction, QuotePathKeepsOneEntryOnOneLine) {
  struct Case {
    std::string path;
    std::string expected;
  } cases[] = {
      {"/datos/a.txt", "\"/datos/a.txt\""},
      {"", "\"\""},
      {"/a b/c", "\"/a b/c\""},
      {"l\ni\rn\te", "\"l\\ni\\rn\\te\""},
      {std::string("x\0y", 3), "\"x\\x00y\""},
      {"\x1B[31m\x7F", "\"\\x1B[31m\\x7F\""},
      {"caf\xC3\xA9\xFF", "\"caf\xC3\xA9\xFF\""},  // bytes from 0x80 pass unchanged
      {"a\\n\"q\"", "\"a\\n\"q\"\""},  // backslashes and quotes are not escaped
  };
  for (const auto& c : cases) EXPECT_EQ(QuotePath(c.path), c.expected);
}

}  // namespace

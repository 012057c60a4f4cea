#include "common/core/FileFunction.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>
#include <utility>

#include "common/tests/support/CurrentFolder.h"
#include "common/tests/support/TempTree.h"

namespace {

using namespace common;

TEST(FileFunction, PathSplittingAndJoining) {
  struct Join {
    const char* folder;
    const char* name;
    const char* joined;
  };
  const Join joins[] = {
      {.folder = "/", .name = "a.txt", .joined = "/a.txt"},
      {.folder = "/datos", .name = "a.txt", .joined = "/datos/a.txt"},
      {.folder = "/datos/", .name = "a.txt", .joined = "/datos/a.txt"},
      {.folder = "", .name = "a.txt", .joined = "/a.txt"},
      {.folder = "/datos/", .name = "/a.txt", .joined = "/datos//a.txt"},  // the name is not inspected
      {.folder = "datos", .name = "", .joined = "datos/"},
      {.folder = "C:\\x", .name = "y", .joined = "C:\\x/y"},  // a backslash is an ordinary character
  };
  for (const auto& j : joins) EXPECT_EQ(JoinPath(j.folder, j.name), j.joined) << j.folder;

  // Each path with its parent and its last name.
  const std::map<std::string, std::pair<std::string, std::string>> splits = {
      {"/datos/a.txt", {"/datos", "a.txt"}},
      {"a.txt", {"", "a.txt"}},
      {"/datos/", {"/datos", ""}},
      {"/", {"", ""}},
      {"/datos", {"", "datos"}},
      {"", {"", ""}},
      {"a/b/c", {"a/b", "c"}},
      {"a//b", {"a/", "b"}},
      {"./x", {".", "x"}},
      {"d\\e", {"", "d\\e"}},
  };
  for (const auto& [path, parts] : splits) {
    EXPECT_EQ(GetParentPath(path), parts.first) << path;
    EXPECT_EQ(GetFileName(path), parts.second) << path;
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

TEST(FileFunction, MakeDirTreeOfRelativePathsStartsAtTheCurrentFolder) {
  testsupport::TempTree tree;
  testsupport::CurrentFolder cwd(tree.Root());
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

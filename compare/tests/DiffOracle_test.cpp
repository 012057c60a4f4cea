// Two real trees with scattered differences: the set of differences that
// compare reports must equal what `diff -rq` reports (missing entries on
// each side, differing files). COMPARE_ORACLE_FILES sets the tree size
// (2000 files by default; 10000 for the full check).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>

#include "common/tests/support/TempTree.h"
#include "compare/core/Globales.h"
#include "common/tests/support/RecordingView.h"

namespace {

using Findings = std::set<std::string>;

// "kind relative/path" for each finding of compare.
Findings FromCompare(const std::vector<std::string>& lines, const std::string& s, const std::string& d) {
  Findings out;
  auto rel = [](const std::string& quoted, const std::string& base) {
    std::string path = quoted.substr(1, quoted.size() - 2);
    EXPECT_EQ(path.rfind(base + "/", 0), 0u) << path;
    return path.substr(base.size() + 1);
  };
  for (const std::string& line : lines) {
    size_t colon = line.find(": \"");
    if (colon == std::string::npos) {
      ADD_FAILURE() << "unexpected line " << line;
      continue;
    }
    std::string prefix = line.substr(0, colon + 2);
    std::string rest = line.substr(colon + 2);
    if (prefix == "Falta archivo de destino: " || prefix == "Falta carpeta de destino: ")
      out.insert("only-origin " + rel(rest, d));
    else if (prefix == "Falta archivo de origen: " || prefix == "Falta carpeta de origen: ")
      out.insert("only-copy " + rel(rest, s));
    else if (prefix == "Diferente tama\xC3\xB1o: " || prefix == "Diferente contenido: ")
      out.insert("differ " + rel(rest.substr(0, rest.find("\", \"") + 1), s));
    else
      ADD_FAILURE() << "unexpected line " << line;
  }
  return out;
}

Findings FromDiff(const std::string& s, const std::string& d) {
  Findings out;
  std::string cmd = "LC_ALL=C diff -rq '" + s + "' '" + d + "' 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[8192];
  while (fgets(buf, sizeof buf, p)) {
    std::string line = buf;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (line.rfind("Only in ", 0) == 0) {
      size_t colon = line.find(": ");
      std::string dir = line.substr(8, colon - 8);
      std::string name = line.substr(colon + 2);
      if (dir == s || dir.rfind(s + "/", 0) == 0)
        out.insert("only-origin " + (dir == s ? name : dir.substr(s.size() + 1) + "/" + name));
      else
        out.insert("only-copy " + (dir == d ? name : dir.substr(d.size() + 1) + "/" + name));
    } else if (line.rfind("Files ", 0) == 0) {
      std::string a = line.substr(6, line.find(" and ") - 6);
      out.insert("differ " + a.substr(s.size() + 1));
    } else {
      out.insert("unexpected " + line);
    }
  }
  pclose(p);
  return out;
}

TEST(DiffOracleTest, SameDifferencesAsDiff) {
  if (std::system("diff --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "diff is not installed";
  int files = 2000;
  if (const char* n = std::getenv("COMPARE_ORACLE_FILES")) files = std::atoi(n);
  const int folders = files / 20;

  testsupport::TempTree tree;
  std::mt19937 rng(20261206);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto folderOf = [&](int k) {
    // Three levels: a/b/c with a few children each.
    return "d" + std::to_string(k % 10) + "/e" + std::to_string(k % 7) + "/f" + std::to_string(k);
  };
  int expectedChanges = 0;
  for (int i = 0; i < files; ++i) {
    std::string rel = folderOf(pick(folders)) + "/n" + std::to_string(i) + (i % 3 ? ".txt" : ".bin");
    std::string content(static_cast<size_t>(pick(3000)), 'a');
    for (char& ch : content) ch = static_cast<char>('a' + pick(26));
    tree.WriteFile("o/" + rel, content);
    int roll = pick(1000);
    if (roll < 10) {
      ++expectedChanges;  // missing in the copy
    } else if (roll < 20) {
      ++expectedChanges;  // same size, one byte changed somewhere (an empty file grows)
      std::string other = content.empty() ? "z" : content;
      if (!content.empty()) other[static_cast<size_t>(pick(static_cast<int>(other.size())))] ^= 1;
      tree.WriteFile("c/" + rel, other);
    } else if (roll < 30) {
      ++expectedChanges;  // size differs
      tree.WriteFile("c/" + rel, content + "y");
    } else {
      tree.WriteFile("c/" + rel, content);
      if (roll < 40) {
        ++expectedChanges;  // an extra file in the copy
        tree.WriteFile("c/" + rel + ".extra", "extra");
      }
    }
  }
  // Whole folders on one side only.
  tree.WriteFile("o/d1/solo-origen/a/b.txt", "1");
  tree.WriteFile("c/d2/solo-copia/c.txt", "1");
  tree.MakeDir("o");
  tree.MakeDir("c");

  compare::Globales g;
  testsupport::RecordingUserInterface ui;
  g.RunCompare(tree.Path("o"), tree.Path("c"), false, ui);
  Findings mine = FromCompare(g.errorList.Lines(), tree.Path("o"), tree.Path("c"));
  Findings oracle = FromDiff(tree.Path("o"), tree.Path("c"));
  EXPECT_EQ(mine, oracle);
  ::testing::Test::RecordProperty("differences", static_cast<int>(mine.size()));
  EXPECT_GE(mine.size(), static_cast<size_t>(expectedChanges / 2));
  EXPECT_EQ(g.errorList.Failures(), 0);
}

}  // namespace

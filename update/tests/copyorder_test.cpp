// Copies run two at a time, yet the run reads as if they ran one after
// another: every line in walk order, each failure right after its copy's
// trace, deletions after the copies before them.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "update/tests/support/EngineFixture.h"

namespace updatetest {
namespace {

using common::FsOp;

std::string Name(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "f%03d", i);
  return buf;
}

class CopyOrder : public EngineFixture {};

TEST_F(CopyOrder, LinesFollowTheWalkWithFailuresInterleaved) {
  options.LogOps = update::OpCreate | update::OpUpdate | update::OpDelete;
  constexpr int kFiles = 120;
  tree.MakeDir("copia");
  for (int i = 0; i < kFiles; ++i) {
    // Sizes from empty to a few chunks' worth of small writes, so copies
    // finish out of order on the two threads.
    tree.WriteFile("origen/" + Name(i), std::string(static_cast<size_t>((i * 7919) % 70000), char('a' + i % 26)), 200);
    if (i % 10 == 3) tree.WriteFile("copia/" + Name(i), "old", 100);      // replaced
    if (i % 10 == 5) tree.WriteFile("copia/" + Name(i) + "x", "gone", 100);  // deleted between copies
  }
  Lines expected;
  for (int i = 0; i < kFiles; ++i) {
    std::string src = "{o}/" + Name(i), dst = "{c}/" + Name(i);
    bool replaced = i % 10 == 3;
    expected.push_back(Expand(std::string(replaced ? "update" : "create") + " \"" + src + "\" \"" + dst + "\""));
    if (i % 11 == 4) {
      faults.FailOn(FsOp::Open, "origen/" + Name(i), EIO);
      expected.push_back(ErrorLine(EIO, Expand("copy \"" + src + "\" \"" + dst + "\"")));
    }
    if (i % 10 == 5) {
      expected.push_back(Expand("delete \"{c}/" + Name(i) + "x\""));
      if (i % 30 == 25) {
        faults.FailOn(FsOp::Unlink, "copia/" + Name(i) + "x", EIO);
        expected.push_back(ErrorLine(EIO, Expand("del \"{c}/" + Name(i) + "x\"")));
      }
    }
  }
  EXPECT_EQ(Run(), expected);
  for (int i = 0; i < kFiles; ++i) {
    if (i % 11 == 4) {
      // The failed copy left the old state: nothing, or the old file.
      if (i % 10 == 3)
        EXPECT_EQ(tree.ReadFile("copia/" + Name(i)), "old");
      else
        EXPECT_FALSE(tree.Exists("copia/" + Name(i)));
    } else {
      EXPECT_EQ(tree.ReadFile("copia/" + Name(i)), tree.ReadFile("origen/" + Name(i))) << Name(i);
    }
    if (i % 10 == 5) {
      EXPECT_EQ(tree.Exists("copia/" + Name(i) + "x"), i % 30 == 25) << Name(i);
    }
  }
  EXPECT_EQ(engine->FilesDone, kFiles);
}

}  // namespace
}  // namespace updatetest

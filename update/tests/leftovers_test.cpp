// Temporary files that a crash left in the copy (a copy is written under a
// temporary name and renamed over its target only when complete): the next
// run of the same folders removes them silently, whatever /exec says, and
// never takes one for part of either tree.

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"
#include "update/tests/support/EngineFixture.h"

namespace updatetest {
namespace {

using Lines = std::vector<std::string>;

constexpr const char* kLeftover = ".~tmp-0123456789abcdef.part";
constexpr const char* kOtherLeftover = ".~tmp-fedcba9876543210.part";

struct ExecCase {
  const char* name;
  int32_t exec;
  bool test;
  bool removed;
};
void PrintTo(const ExecCase& c, std::ostream* os) { *os << c.name; }

class Leftovers : public EngineFixture, public ::testing::WithParamInterface<ExecCase> {
 protected:
  Leftovers() { options.LogOps = update::OpAll; }
};

TEST_P(Leftovers, GoWithTheNextRunWithoutALine) {
  const ExecCase& c = GetParam();
  options.ExecOps = c.exec;
  options.TestMode = c.test;
  tree.WriteFile("origen/a.txt", "a", 100);
  tree.WriteFile("origen/sub/b.txt", "b", 100);
  tree.WriteFile("copia/a.txt", "a", 100);
  tree.WriteFile("copia/sub/b.txt", "b", 100);
  tree.WriteFile(std::string("copia/") + kLeftover, "la mitad de una copia", 100);
  tree.WriteFile(std::string("copia/sub/") + kOtherLeftover, "", 100);
  // Names that merely look alike are the user's files.
  tree.WriteFile("copia/.~tmp-0123456789ABCDEF.part", "mío", 100);

  Lines expected;
  if (c.exec & update::OpDelete) expected.push_back(Expand(R"(delete "{c}/.~tmp-0123456789ABCDEF.part")"));
  EXPECT_EQ(Run(), expected);
  EXPECT_EQ(errors.FailureCount(), 0);
  EXPECT_EQ(tree.Exists(std::string("copia/") + kLeftover), !c.removed);
  EXPECT_EQ(tree.Exists(std::string("copia/sub/") + kOtherLeftover), !c.removed);
  EXPECT_EQ(tree.ReadFile("copia/a.txt"), "a");
}

INSTANTIATE_TEST_SUITE_P(
    Update, Leftovers,
    ::testing::Values(ExecCase{"Everything", update::OpAll, false, true},
                      ExecCase{"ExecWithoutDeletions", update::OpCreate | update::OpUpdate, false, true},
                      ExecCase{"ExecNothing", 0, false, true},
                      // A dry run changes nothing, not even this.
                      ExecCase{"TestMode", update::OpAll, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

class LeftoverFiles : public EngineFixture {
 protected:
  LeftoverFiles() { options.LogOps = update::OpAll; }
};

TEST_F(LeftoverFiles, InTheSourceAreNeitherCopiedNorCounted) {
  tree.WriteFile("origen/a.txt", "a", 100);
  tree.WriteFile(std::string("origen/") + kLeftover, "x", 100);
  EXPECT_EQ(Run(), Expand(Lines{R"(create "{o}/a.txt" "{c}/a.txt")"}));
  EXPECT_FALSE(tree.Exists(std::string("copia/") + kLeftover));
  EXPECT_EQ(engine->FilesTotal, 1);
  EXPECT_EQ(engine->FilesDone, 1);
}

TEST_F(LeftoverFiles, InsideAFolderBeingRemovedGoWithoutADeleteLine) {
  tree.WriteFile("copia/vieja/f.txt", "f", 100);
  tree.WriteFile(std::string("copia/vieja/") + kLeftover, "x", 100);
  EXPECT_EQ(Run(), Expand(Lines{R"(deletedir "{c}/vieja")", R"(delete "{c}/vieja/f.txt")"}));
  EXPECT_FALSE(tree.Exists("copia/vieja"));
}

TEST_F(LeftoverFiles, ThatCannotBeRemovedGiveADelLine) {
  tree.WriteFile("origen/a.txt", "a", 100);
  tree.WriteFile(std::string("copia/") + kLeftover, "x", 100);
  faults.FailOn(common::FsOp::Unlink, kLeftover, EACCES);
  Lines lines = Run();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], common::FsError{EACCES}.Description() + " (" + std::to_string(EACCES) + ") en del \"" +
                         tree.Path(std::string("copia/") + kLeftover) + "\"");
  EXPECT_EQ(lines[1], Expand(R"(create "{o}/a.txt" "{c}/a.txt")"));
  EXPECT_TRUE(tree.Exists(std::string("copia/") + kLeftover));
}

}  // namespace
}  // namespace updatetest

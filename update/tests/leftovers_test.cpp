// Files named like the copy's temporary files (".~tmp-<16 hex>.part") are
// the user's files like any other: copied, counted, and deleted from the copy
// only under D, with their line. A temporary that a crash left in the copy
// is thereby an extra file that the next run deletes, listed like any other.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/core/FileSystem.h"
#include "update/tests/support/EngineFixture.h"

namespace updatetest {
namespace {

using Lines = std::vector<std::string>;

constexpr const char* kMine = ".~tmp-0123456789abcdef.part";
constexpr const char* kLeftover = ".~tmp-fedcba9876543210.part";

struct ExecCase {
  const char* name;
  int32_t exec;
  bool test;
};
class TemporaryLookingNames : public EngineFixture, public ::testing::WithParamInterface<ExecCase> {
 protected:
  TemporaryLookingNames() { options.LogOps = update::OpAll; }
};

TEST_P(TemporaryLookingNames, AreOrdinaryFiles) {
  const ExecCase& c = GetParam();
  options.ExecOps = c.exec;
  options.TestMode = c.test;
  ASSERT_TRUE(common::FileSystem::IsTemporaryName(kMine));
  tree.WriteFile(std::string("origen/") + kMine, "mío", 100);
  tree.WriteFile(std::string("copia/sub/") + kLeftover, "la mitad de una copia", 100);
  tree.WriteFile(std::string("copia/vieja/") + kLeftover, "otra mitad", 100);
  tree.MakeDir("origen/sub");

  Lines expected;
  if (c.exec & update::OpCreate) expected.push_back(Expand(std::string(R"(create "{o}/)") + kMine + R"(" "{c}/)" + kMine + "\""));
  if (c.exec & update::OpDelete) {
    expected.push_back(Expand(R"(deletedir "{c}/vieja")"));
    // A dry run lists the folder's removal, not what is in it.
    if (!c.test) expected.push_back(Expand(std::string(R"(delete "{c}/vieja/)") + kLeftover + "\""));
    expected.push_back(Expand(std::string(R"(delete "{c}/sub/)") + kLeftover + "\""));
  }
  EXPECT_EQ(Run(), expected);
  EXPECT_EQ(errors.Failures(), 0);
  EXPECT_EQ(engine->FilesTotal, 1);
  const bool changes = !c.test;
  EXPECT_EQ(tree.Exists(std::string("copia/") + kMine), changes && (c.exec & update::OpCreate));
  if (changes && (c.exec & update::OpCreate)) {
    EXPECT_EQ(tree.ReadFile(std::string("copia/") + kMine), "mío");
  }
  EXPECT_EQ(tree.Exists(std::string("copia/sub/") + kLeftover), !changes || !(c.exec & update::OpDelete));
  EXPECT_EQ(tree.Exists("copia/vieja"), !changes || !(c.exec & update::OpDelete));
}

INSTANTIATE_TEST_SUITE_P(Update, TemporaryLookingNames,
                         ::testing::Values(ExecCase{"Everything", update::OpAll, false},
                                           ExecCase{"ExecWithoutDeletions", update::OpCreate | update::OpUpdate, false},
                                           ExecCase{"ExecNothing", 0, false},
                                           ExecCase{"TestMode", update::OpAll, true}), ByName());

}  // namespace
}  // namespace updatetest

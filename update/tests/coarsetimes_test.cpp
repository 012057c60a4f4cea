// A copy on a file system that keeps coarse modification times (FAT keeps
// even seconds, others whole seconds or 10 ms), simulated through the seam
// for what the real images (removable_test) cannot show: where exactly a
// later change is copied or not at each precision, and a probe that fails.
// On a nanosecond file system the rule stays exactly "strictly newer".

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "update/tests/support/EngineFixture.h"

namespace updatetest {
namespace {

using common::FsOp;

constexpr int64_t kSecond = 1000000000;

struct TimesCase {
  const char* name;
  int64_t precision;  // what the copy keeps, in ns; 1 = a real nanosecond file system
  // A later source time, as seconds and nanoseconds after 1001 s + 700 ms,
  // and whether that change must be copied.
  int64_t laterSec = 0, laterNsec = 0;
  bool laterCopied = false;
};
class CopyTimes : public EngineFixture, public ::testing::WithParamInterface<TimesCase> {
 protected:
  CopyTimes() { options.LogOps = update::OpAll; }
};

TEST_P(CopyTimes, SecondRunRecordsNothingAndLaterChangesAreCopied) {
  const TimesCase& c = GetParam();
  if (c.precision > 1) faults.CoarseTimes(tree.Path("copia"), c.precision);
  // Odd seconds and nanoseconds: every coarse file system loses something.
  tree.WriteFile("origen/a.txt", "uno", 1001, 700000001);
  tree.WriteFile("origen/sub/b.txt", "dos", 1003, 5);
  tree.Symlink("origen/enlace", "a.txt");
  tree.SetMtime("origen/enlace", 1005, 999999999);
  Lines first = Run();
  EXPECT_EQ(first.size(), 4u);
  EXPECT_EQ(tree.MtimeNsec("copia/a.txt") % c.precision, 0) << "the copy did not keep coarse times";

  EXPECT_EQ(Run(), Lines{}) << "a second run found something to do";

  const int64_t later = 1001 * kSecond + 700000001 + c.laterSec * kSecond + c.laterNsec;
  tree.WriteFile("origen/a.txt", "tres", later / kSecond, later % kSecond);
  EXPECT_EQ(Run(), c.laterCopied ? Expand(Lines{R"(update "{o}/a.txt" "{c}/a.txt")"}) : Lines{});
  EXPECT_EQ(tree.ReadFile("copia/a.txt"), c.laterCopied ? "tres" : "uno");
  EXPECT_EQ(Run(), Lines{});
}

INSTANTIATE_TEST_SUITE_P(
    Update, CopyTimes,
    ::testing::Values(
        // A real file system with nanoseconds: one nanosecond is newer.
        TimesCase{.name = "NanosecondsOneLater", .precision = 1, .laterNsec = 1, .laterCopied = true},
        TimesCase{.name = "WholeSecondsWithinTheSecond", .precision = kSecond, .laterNsec = 200000000},
        TimesCase{.name = "WholeSecondsNextSecond", .precision = kSecond, .laterNsec = 300000000, .laterCopied = true},
        TimesCase{.name = "EvenSecondsWithinTheTwo", .precision = 2 * kSecond, .laterNsec = 200000000},
        TimesCase{.name = "EvenSecondsOneSecondLater", .precision = 2 * kSecond, .laterSec = 1, .laterCopied = true},
        TimesCase{.name = "TenMillisecondsWithin", .precision = 10000000, .laterNsec = 5000000},
        TimesCase{.name = "TenMillisecondsLater", .precision = 10000000, .laterNsec = 10000000, .laterCopied = true}),
    ByName());

// Where the precision cannot be learnt, whole seconds are assumed: a copy
// that keeps whole seconds then converges, where the exact rule would copy
// every file with a fraction of a second again on every run.
class CopyTimeProbe : public EngineFixture {
 protected:
  CopyTimeProbe() {
    options.LogOps = update::OpAll;
    faults.CoarseTimes(tree.Path("copia"), kSecond);
    tree.WriteFile("origen/a.txt", "uno", 1001, 700000001);
  }
  void FailProbe(int error) {
    faults.FailOn(FsOp::Open, tree.Path("copia/") + std::string(common::FileSystem::kTimeProbeName), error, 1,
                  100);
  }
};

TEST_F(CopyTimeProbe, ACopyThatCannotBeProbedIsJudgedInWholeSeconds) {
  FailProbe(EACCES);
  Run();
  EXPECT_EQ(Run(), Lines{});
}

TEST_F(CopyTimeProbe, DryRunProbesWithoutANameAndAssumesWholeSecondsWhereItCannot) {
  Run();
  options.TestMode = true;
  EXPECT_EQ(Run(), Lines{});
  // As on a file system without unnamed files (FUSE): no probe in a dry run.
  FailProbe(EOPNOTSUPP);
  EXPECT_EQ(Run(), Lines{});
  EXPECT_EQ(tree.Snapshot("copia").size(), 1u);
}

}  // namespace
}  // namespace updatetest

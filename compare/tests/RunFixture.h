#pragma once
// A whole compare run in-process on a fresh temp tree, at a fixed local time
// (Sunday 6 December 2026, 17:05:09), with faults and a recording user.

#include <gtest/gtest.h>

#include <string>

#include "common/core/Clock.h"
#include "common/tests/support/Platform.h"
#include "common/tests/support/RecordingView.h"
#include "common/tests/support/TempTree.h"
#include "compare/core/Globales.h"

namespace comparetest {

class RunFixture : public ::testing::Test {
 protected:
  RunFixture() : clock({2026, 12, 6, 17, 5, 9, 0}), g(&faults, clock) {
    root = testsupport::RealPath(tree.Root());
  }
  // rel below the temp root as the run names it: no link in it, native separators.
  std::string P(const std::string& rel) const {
    return root + testsupport::kSeparator + testsupport::Native(rel);
  }

  testsupport::TempTree tree;
  std::string root;
  testsupport::Faults faults;
  common::FixedClock clock;
  compare::Globales g;
  testsupport::RecordingUserInterface ui;
};

}  // namespace comparetest

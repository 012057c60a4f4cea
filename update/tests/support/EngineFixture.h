#pragma once
// A source tree "origen" and its copy "copia" in a fresh temp folder, and a
// run of the engine on them with the options, faults and view of the test.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/core/Clock.h"
#include "common/core/FileSystem.h"
#include "common/tests/support/Platform.h"
#include "common/tests/support/TempTree.h"
#include "common/core/ErrorList.h"
#include "common/tests/support/ErrorLine.h"
#include "common/tests/support/RecordingView.h"
#include "update/core/Globales.h"
#include "update/core/Options.h"
#include "update/core/UpdateEngine.h"

namespace updatetest {

using Lines = std::vector<std::string>;
using testsupport::ErrorLine;

inline constexpr size_t kMiB = 1048576;

// Sunday 6 December 2026, 17:05:09.
common::LocalTime SundayEvening();

// Text with {o} and {c} replaced by the full paths of the tree's origen and
// copia, and "/" by the platform's separator.
std::string ExpandRoots(const testsupport::TempTree& tree, const std::string& text);

// size bytes of a pattern that repeats only every 23 bytes, from first on.
std::string Pattern(size_t size, char first);

// The entries of a snapshot named like the copy's temporary files.
std::vector<std::string> TemporaryNames(const std::map<std::string, std::string>& snapshot);

// Names each case of a parameterised group by its `name` field.
struct ByName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return info.param.name;
  }
};

class EngineFixture : public ::testing::Test {
 protected:
  EngineFixture();

  // Runs the engine on tree paths (relative to the temp root) and returns
  // the run's lines.
  std::vector<std::string> Run(const std::string& origen = "origen",
                               const std::string& destino = "copia");

  std::string Expand(const std::string& text) const { return ExpandRoots(tree, text); }
  std::vector<std::string> Expand(const std::vector<std::string>& lines) const;

  testsupport::TempTree tree;
  testsupport::Faults faults;
  common::FileSystem fs{&faults};
  common::FixedClock clock{SundayEvening()};
  update::Options options;
  common::ErrorList errors{update::kReportCap};
  testsupport::RecordingView view;
  // The engine's question before an empty source empties the copy; unset,
  // nobody can be asked. Many tests remove from a copy whose source is
  // empty: the user lets them, unless a test answers otherwise.
  std::function<bool()> confirmEmptySource = [] { return true; };
  std::unique_ptr<update::UpdateEngine> engine;
};

// The whole run as the program makes it, with its report and exit status,
// on the tree's origen and copia.
class RunFixture : public ::testing::Test {
 protected:
  RunFixture();

  std::string Expand(const std::string& text) const { return ExpandRoots(tree, text); }

  testsupport::TempTree tree;
  testsupport::Faults faults;
  common::FixedClock clock{SundayEvening()};
  update::Globales g{&faults, &clock};
  testsupport::RecordingUserInterface ui;
};

}  // namespace updatetest

// The run control and start-up: the report at the end of a run (log block or
// question), the exit status, and how the command line chooses the mode.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "common/core/RunStatus.h"
#include "update/tests/support/EngineFixture.h"
#include "common/tests/support/RecordingWindows.h"

namespace updatetest {
namespace {

const std::string kDashes(80, '-');

class RunControl : public RunFixture {
 protected:
  int Run() { return g.RunUpdate(o, c, ui); }
  void Unattended() {
    g.options.Unattended = true;
    g.options.LogFileName = log;
  }
  std::string Block(const std::vector<std::string>& lines, bool test = false) const {
    std::string b = "Fecha y hora: 6/12/2026 17:05:09\r\nOrigen: " + o + "\r\nDestino: " + c + "\r\n";
    if (test) b += "Modo prueba activado\r\n";
    for (const auto& l : lines) b += l + "\r\n";
    return b + kDashes + "\r\n";
  }
  std::string Create(const std::string& name) const {
    return "create \"" + o + "/" + name + "\" \"" + c + "/" + name + "\"";
  }

  std::string o = tree.Path("origen");
  std::string c = tree.Path("copia");
  std::string log = tree.Path("registro.log");
};

// ---- The log block ----

// A block is written only where a run records something.
TEST_F(RunControl, UnattendedRunsAppendExactBlocksOnlyWhenTheyRecord) {
  Unattended();
  tree.WriteFile("origen/a.txt", "a", 100);
  EXPECT_EQ(Run(), common::kExitOk);  // nothing logged: no log file at all
  EXPECT_FALSE(tree.Exists("registro.log"));
  EXPECT_EQ(tree.ReadFile("copia/a.txt"), "a");

  g.options.LogOps = update::OpCreate;
  tree.WriteFile("origen/b.txt", "b", 100);
  EXPECT_EQ(Run(), common::kExitOk);
  std::string first = Block({Create("b.txt")});
  EXPECT_EQ(tree.ReadFile("registro.log"), first);

  EXPECT_EQ(Run(), common::kExitOk);  // nothing to do: nothing written
  EXPECT_EQ(tree.ReadFile("registro.log"), first);

  tree.WriteFile("origen/c.txt", "c", 100);
  clock.Set({.year = 2026, .month = 12, .day = 6, .hour = 9, .minute = 0, .second = 1});
  EXPECT_EQ(Run(), common::kExitOk);
  std::string second = Block({Create("c.txt")});
  second.replace(second.find("17:05:09"), 8, "9:00:01");
  EXPECT_EQ(tree.ReadFile("registro.log"), first + second);
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(RunControl, TestModeLineAndAtMost1001Lines) {
  Unattended();
  g.options.TestMode = true;
  g.options.LogOps = update::OpCreate;
  std::vector<std::string> expected;
  for (int i = 0; i < 1100; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%04d", i);
    tree.WriteFile(std::string("origen/") + name, "", 100);
    if (i < 1001) expected.push_back(Create(name));
  }
  EXPECT_EQ(Run(), common::kExitOk);
  EXPECT_EQ(g.errorList.Count(), 1100);
  EXPECT_EQ(tree.ReadFile("registro.log"), Block(expected, true));
  EXPECT_EQ(tree.Snapshot("copia").size(), 0u);
}

TEST_F(RunControl, DefaultLogIsUpdateLogInTheCurrentFolder) {
  g.options.Unattended = true;
  g.options.LogOps = update::OpCreate;
  tree.WriteFile("origen/a.txt", "a", 100);
  const auto testsFolder = std::filesystem::current_path();
  std::filesystem::current_path(tree.Root());
  Run();
  std::filesystem::current_path(testsFolder);
  EXPECT_EQ(g.options.LogFileName, "update.log");
  EXPECT_EQ(tree.ReadFile("update.log"), Block({Create("a.txt")}));
}

TEST_F(RunControl, ALostReportIsSaidOnStandardErrorAndIsAFailure) {
  g.options.Unattended = true;
  g.options.LogOps = update::OpCreate;
  g.options.LogFileName = tree.Path("no/existe/u.log");
  tree.WriteFile("origen/a.txt", "a", 100);
  testing::internal::CaptureStderr();
  const int status = Run();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, common::kExitFailures);  // a run without failures
  EXPECT_EQ(err, "No se pudo escribir el registro \"" + g.options.LogFileName + "\": " +
                     common::FsError{ENOENT}.Description() + " (2)\n");
  EXPECT_FALSE(tree.Exists("no"));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(RunControl, ADebugStopUnattendedEndsTheLogBlock) {
  Unattended();
  g.options.DebugMode = true;
  g.options.LogOps = update::OpCreate;
  tree.WriteFiles({{"origen/a.txt", "a"}, {"origen/b.txt", "b"}}, 100);
  faults.FailOn(common::FsOp::Open, "origen/b.txt", EIO);
  const std::string line = testsupport::ErrorLine(EIO, "copy \"" + o + "/b.txt\" \"" + c + "/b.txt\"");
  try {
    Run();
    FAIL() << "no DebugStop";
  } catch (const common::DebugStop& stop) {
    EXPECT_EQ(stop.Line(), line);
  }
  EXPECT_EQ(tree.ReadFile("registro.log"), Block({Create("a.txt"), Create("b.txt"), line}));
}

TEST_F(RunControl, DollarMacrosAreInTheLogLines) {
  Unattended();
  g.options.ExpandVars = true;
  g.options.LogOps = update::OpCreate;
  tree.WriteFile("origen/a.txt", "a", 100);
  tree.MakeDir("copia-2026-12");
  c = tree.Path("copia-$y-$m");
  EXPECT_EQ(Run(), common::kExitOk);
  std::string expanded = tree.Path("copia-2026-12");
  EXPECT_EQ(tree.ReadFile("copia-2026-12/a.txt"), "a");
  EXPECT_NE(tree.ReadFile("registro.log").find("\r\nDestino: " + expanded + "\r\n"), std::string::npos);
}

// ---- The question ----

TEST_F(RunControl, QuestionOffersTheListAndNoHidesIt) {
  g.options.LogOps = update::OpCreate;
  tree.WriteFile("origen/a.txt", "a", 100);
  EXPECT_EQ(Run(), common::kExitOk);
  EXPECT_EQ(ui.questions, std::vector<std::string>{"Actualizar"});
  ASSERT_EQ(ui.shownLists.size(), 1u);
  EXPECT_EQ(ui.shownLists[0], std::vector<std::string>{Create("a.txt")});

  ui.answerYes = false;
  tree.WriteFile("origen/b.txt", "b", 100);
  Run();
  EXPECT_EQ(ui.questions.size(), 2u);
  EXPECT_EQ(ui.shownLists.size(), 1u);

  Run();  // nothing recorded: no question
  EXPECT_EQ(ui.questions.size(), 2u);
}

// ---- Exit status ----

TEST_F(RunControl, ExitStatusTellsFailuresFromCancelFromSuccess) {
  tree.WriteFiles({{"origen/a.txt", "a"}, {"origen/d/b.txt", "b"}}, 100);
  ui.answerYes = false;
  EXPECT_EQ(Run(), common::kExitOk);

  tree.WriteFile("origen/c.txt", "c", 200);
  ui.view.CancelAtEvent(1);
  EXPECT_EQ(Run(), common::kExitDifferences);
  EXPECT_FALSE(tree.Exists("copia/c.txt"));

  ui.view.CancelAtEvent(0);
  faults.FailOn(common::FsOp::List, "origen/d", EIO, 1, 100);
  EXPECT_EQ(Run(), common::kExitFailures);

  EXPECT_EQ(g.RunUpdate(o, o + "/d", ui), common::kExitFailures);  // overlap
  EXPECT_EQ(g.errorList.Line(0).rfind("Origen y destino se solapan: ", 0), 0u);
}

// ---- Start-up ----

TEST(UpdateMain, FewerThanTwoFoldersOpenTheMainWindow) {
  struct {
    std::vector<std::string> args;
    std::string origen;
  } cases[] = {{{}, ""}, {{"/u", "/tmp/a"}, "/tmp/a"}, {{"", "/tmp/b"}, ""}, {{"rel"}, "rel"}};
  for (const auto& c : cases) {
    update::Globales g;
    testsupport::RecordingWindows windows;
    EXPECT_EQ(update::UpdateMain(c.args, g, &windows), 0);
    EXPECT_EQ(windows.mainWindows, std::vector<std::string>{c.origen});
    EXPECT_EQ(windows.ui.view.opened, 0);
  }
}

TEST(UpdateMain, TwoFoldersRunAtOnceOnTheWindows) {
  testsupport::TempTree tree;
  tree.WriteFile("origen/a.txt", "a", 100);
  tree.MakeDir("copia");
  common::FixedClock clock(SundayEvening());
  update::Globales g(nullptr, &clock);
  testsupport::RecordingWindows windows;
  std::string log = tree.Path("r.log");
  EXPECT_EQ(update::UpdateMain({"-u", "/LOG:c", "/logfile:" + log, tree.Path("origen"),
                                tree.Path("copia")},
                               g, &windows),
            common::kExitOk);
  EXPECT_TRUE(windows.mainWindows.empty());
  EXPECT_EQ(windows.ui.view.opened, 1);
  EXPECT_EQ(windows.ui.view.closed, 1);
  EXPECT_TRUE(g.options.Unattended);
  EXPECT_NE(tree.ReadFile("r.log").find("create \""), std::string::npos);
}

}  // namespace
}  // namespace updatetest

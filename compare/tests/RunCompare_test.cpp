// The run control and start-up of compare, in-process: the report (log
// block or question), the exit status, and how CompareMain dispatches.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/core/RunStatus.h"
#include "common/tests/support/CurrentFolder.h"
#include "common/tests/support/RecordingWindows.h"
#include "common/tests/support/ErrorLine.h"
#include "RunFixture.h"  // beside this file

namespace {

using Lines = std::vector<std::string>;

const std::string kDashes(79, '-');

class RunCompareTest : public comparetest::RunFixture {
 protected:
  RunCompareTest() {
    tree.MakeDir("o");
    tree.MakeDir("c");
  }
};

TEST_F(RunCompareTest, LogBlockHasTheExactBytes) {
  tree.WriteFiles({{"o/a.txt", "1"}, {"o/b.txt", "12"}, {"c/b.txt", "123"}});
  g.options.Unattended = true;
  g.options.LogFileName = P("registro.log");
  EXPECT_EQ(g.RunCompare(P("o"), P("c"), false, ui), common::kExitDifferences);
  const std::string block = "Fecha y hora: 6/12/2026 17:05:09\r\n"
                            "Origen: " + P("o") + "\r\n"
                            "Destino: " + P("c") + "\r\n"
                            "Falta archivo de destino: \"" + P("c/a.txt") + "\"\r\n"
                            "Diferente tama\xC3\xB1o: \"" + P("o/b.txt") + "\", \"" + P("c/b.txt") + "\"\r\n" +
                            kDashes + "\r\n";
  EXPECT_EQ(tree.ReadFile("registro.log"), block);
  EXPECT_TRUE(ui.questions.empty());

  // A second run appends a second block.
  clock.Set({2027, 1, 2, 3, 4, 5, 6});
  EXPECT_EQ(g.RunCompare(P("o"), P("c"), false, ui), common::kExitDifferences);
  std::string second = block;
  second.replace(0, block.find("\r\n"), "Fecha y hora: 2/1/2027 3:04:05");
  EXPECT_EQ(tree.ReadFile("registro.log"), block + second);
}

TEST_F(RunCompareTest, RelativeFoldersAreLoggedAbsoluteInTheDefaultLog) {
  tree.WriteFile("trabajo/a/x.txt", "1");
  tree.MakeDir("b");
  g.options.Unattended = true;
  {
    testsupport::CurrentFolder cwd(P("trabajo"));
    EXPECT_EQ(g.RunCompare("a", testsupport::Native("../b"), false, ui), common::kExitDifferences);
  }
  EXPECT_EQ(g.options.LogFileName, "update.log");
  EXPECT_EQ(tree.ReadFile("trabajo/update.log"),
            "Fecha y hora: 6/12/2026 17:05:09\r\nOrigen: " + P("trabajo/a") + "\r\nDestino: " + P("b") +
                "\r\nFalta archivo de destino: \"" + P("b/x.txt") + "\"\r\n" + kDashes + "\r\n");
}

TEST_F(RunCompareTest, IdenticalFoldersWriteNothingAndAskNothing) {
  tree.WriteFiles({{"o/a.txt", "1"}, {"c/a.txt", "1"}});
  g.options.Unattended = true;
  g.options.LogFileName = P("registro.log");
  EXPECT_EQ(g.RunCompare(P("o"), P("c"), false, ui), common::kExitOk);
  EXPECT_FALSE(tree.Exists("registro.log"));
  g.options.Unattended = false;
  EXPECT_EQ(g.RunCompare(P("o"), P("c"), false, ui), common::kExitOk);
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(RunCompareTest, TheLogBlockHasNoLineLimit) {
  for (int i = 0; i < 1200; ++i) tree.WriteFile("o/f" + std::to_string(i), "");
  g.options.Unattended = true;
  g.options.LogFileName = P("registro.log");
  g.RunCompare(P("o"), P("c"), true, ui);
  std::string log = tree.ReadFile("registro.log");
  size_t lines = 0;
  for (size_t at = 0; (at = log.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(lines, 3u + 1200u + 1u);
}

TEST_F(RunCompareTest, InteractiveRunAsksComparar) {
  tree.WriteFile("o/a.txt", "1");
  ui.answerYes = false;
  EXPECT_EQ(g.RunCompare(P("o"), P("c"), false, ui), common::kExitDifferences);
  EXPECT_EQ(ui.questions, Lines{"Comparar"});
  EXPECT_TRUE(ui.shownLists.empty());

  ui.answerYes = true;
  g.RunCompare(P("o"), P("c"), false, ui);
  ASSERT_EQ(ui.shownLists.size(), 1u);
  EXPECT_EQ(ui.shownLists[0], Lines{"Falta archivo de destino: \"" + P("c/a.txt") + "\""});
}

struct StatusCase {
  const char* name;
  int expected;
  bool difference = false;
  bool failure = false;
  bool cancel = false;
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

class ExitStatusTest : public RunCompareTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(ExitStatusTest, TellsScriptsWhatHappened) {
  const StatusCase& c = GetParam();
  tree.WriteFiles({{"o/a.txt", "contenido"}, {"c/a.txt", c.difference ? "Contenido" : "contenido"}});
  if (c.failure) faults.FailOn(common::FsOp::Open, "c/a.txt", EIO);
  if (c.cancel) ui.view.CancelAtEvent(1);
  ui.answerYes = false;
  EXPECT_EQ(g.RunCompare(P("o"), P("c"), false, ui), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ExitStatusTest,
    ::testing::Values(StatusCase{.name = "clean", .expected = common::kExitOk},
                      StatusCase{.name = "difference", .expected = common::kExitDifferences, .difference = true},
                      StatusCase{.name = "cancelled", .expected = common::kExitDifferences, .cancel = true},
                      StatusCase{.name = "failure", .expected = common::kExitFailures, .failure = true},
                      StatusCase{.name = "failureAndDifference",
                                 .expected = common::kExitFailures,
                                 .difference = true,
                                 .failure = true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunCompareTest, FailureDroppedByTheCapStillCounts) {
  for (int i = 0; i < 1000; ++i) tree.WriteFile("o/f" + std::to_string(i), "");
  tree.WriteFiles({{"o/zz", "abc"}, {"c/zz", "abc"}});
  faults.FailOn(common::FsOp::Open, "o/zz", EIO);
  ui.answerYes = true;
  EXPECT_EQ(g.RunCompare(P("o"), P("c"), false, ui), common::kExitFailures);
  ASSERT_EQ(ui.shownLists.size(), 1u);
  EXPECT_EQ(ui.shownLists[0].size(), 1001u);
  EXPECT_EQ(ui.shownLists[0].back(),
            "Demasiados errores encontrados. S\xC3\xB3lo se muestran los 1000 primeros.");
}

TEST_F(RunCompareTest, ALogThatCannotBeWrittenIsNotACleanRun) {
  tree.WriteFile("o/a.txt", "1");
  g.options.Unattended = true;
  g.options.LogFileName = P("no-existe/registro.log");
  testing::internal::CaptureStderr();
  EXPECT_EQ(g.RunCompare(P("o"), P("c"), false, ui), common::kExitFailures);
  // Said on standard error, with the path and the system's reason.
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "No se pudo escribir el registro \"" +
                                                        P("no-existe/registro.log") + "\": " +
                                                        common::FsError{testsupport::kErrorNoFolder}.Description() +
                                                        " (" + std::to_string(testsupport::kErrorNoFolder) + ")\n");
  EXPECT_FALSE(tree.Exists("no-existe"));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(RunCompareTest, EachRunStartsWithAnEmptyList) {
  tree.WriteFile("o/a.txt", "1");
  ui.answerYes = false;
  g.RunCompare(P("o"), P("c"), false, ui);
  tree.WriteFile("c/a.txt", "1");
  EXPECT_EQ(g.RunCompare(P("o"), P("c"), false, ui), common::kExitOk);
  EXPECT_EQ(g.errorList.Count(), 0);
}

// --- Start-up --------------------------------------------------------------------

class CompareMainTest : public RunCompareTest {
 protected:
  testsupport::RecordingWindows windows;
};

TEST_F(CompareMainTest, HelpShowsOnlyTheUsage) {
  tree.WriteFile("o/a.txt", "1");
  for (const Lines& args : {Lines{"/?"}, Lines{"/?", P("o"), P("c")}, Lines{"-u", "-?", P("o"), P("c")}}) {
    EXPECT_EQ(compare::CompareMain(args, g, &windows), common::kExitOk);
  }
  EXPECT_EQ(windows.ui.usage, Lines(3, compare::UsageText()));
  EXPECT_TRUE(windows.ui.questions.empty());
  EXPECT_TRUE(windows.mainWindows.empty());
}

TEST_F(CompareMainTest, FewerThanTwoFoldersOpenTheMainWindow) {
  testsupport::CurrentFolder cwd(root);
  EXPECT_EQ(compare::CompareMain({}, g, &windows), 0);
  EXPECT_FALSE(g.options.Quick);
  EXPECT_EQ(compare::CompareMain({"/q", "o"}, g, &windows), 0);
  EXPECT_TRUE(g.options.Quick);
  EXPECT_EQ(windows.mainWindows, (Lines{"", P("o")}));
}

TEST_F(CompareMainTest, TwoFoldersRunAtOnceWithTheSwitches) {
  tree.WriteFiles({{"o/a.txt", "abc"}, {"c/a.txt", "abd"}});
  // /q: sizes only, so no difference.
  EXPECT_EQ(compare::CompareMain({"/q", P("o"), P("c")}, g, &windows), common::kExitOk);
  EXPECT_EQ(compare::CompareMain({"/u", "/logfile:" + P("r.log"), P("o"), P("c")}, g, &windows),
            common::kExitDifferences);
  EXPECT_TRUE(tree.Exists("r.log"));
  EXPECT_TRUE(windows.mainWindows.empty());
  EXPECT_TRUE(windows.ui.questions.empty());
}

TEST_F(CompareMainTest, DebugFailureIsShownAndEndsWithThree) {
  tree.WriteFiles({{"o/a.txt", "abc"}, {"c/a.txt", "abc"}});
  faults.FailOn(common::FsOp::Open, "o/a.txt", EIO);
  EXPECT_EQ(compare::CompareMain({"/debug", "/u", "/logfile:" + P("r.log"), P("o"), P("c")}, g, &windows),
            common::kExitDebugStop);
  const std::string line = testsupport::ErrorLine(EIO, "compare \"" + P("o/a.txt") + "\" \"" + P("c/a.txt") + "\"");
  EXPECT_EQ(windows.ui.debugFailures, Lines{line});
  // Unattended, the stop ends the log block.
  EXPECT_NE(tree.ReadFile("r.log").find("\r\n" + line + "\r\n" + std::string(79, '-') + "\r\n"),
            std::string::npos);
  EXPECT_EQ(windows.ui.view.closed, 1);
}

}  // namespace

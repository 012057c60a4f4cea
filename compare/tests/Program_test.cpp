// build/bin/compare run as cron would run it: no terminal, no display.
// Checks what scripts rely on: exit statuses, standard output and error,
// the log file. What it does alike with update is in
// common/tests/program_test.cpp.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "common/tests/support/TempTree.h"
#include "common/tests/support/ChildProcess.h"

namespace {


class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() {
    char* p = realpath(tree.Root().c_str(), nullptr);
    root = p;
    free(p);
    tree.WriteFile("o/igual.txt", "igual");
    tree.WriteFile("c/igual.txt", "igual");
  }
  std::string P(const std::string& rel) const { return root + "/" + rel; }
  testsupport::ChildResult Run(const std::vector<std::string>& args) { return testsupport::RunChild(COMPARE_PROGRAM, args, root); }

  testsupport::TempTree tree;
  std::string root;
};

TEST_F(ProgramTest, IdenticalFoldersAreSilentAndExitZero) {
  testsupport::ChildResult r = Run({P("o"), P("c")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST_F(ProgramTest, DifferencesArePrintedWhenNoTerminalCanBeAsked) {
  tree.WriteFile("o/nuevo.txt", "1");
  testsupport::ChildResult r = Run({"o", "c"});  // relative to the current folder
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Falta archivo de destino: \"" + P("c/nuevo.txt") + "\""), std::string::npos) << r.out;
  EXPECT_FALSE(tree.Exists("update.log"));
}

TEST_F(ProgramTest, QuickModeIgnoresContent) {
  tree.WriteFile("o/a.txt", "abc");
  tree.WriteFile("c/a.txt", "abd");
  EXPECT_EQ(Run({"/q", "o", "c"}).status, 0);
  EXPECT_EQ(Run({"o", "c"}).status, 1);
}

TEST_F(ProgramTest, UnattendedRunAppendsToUpdateLogInTheCurrentFolder) {
  tree.WriteFile("c/sobra.txt", "1");
  testsupport::ChildResult r = Run({"-u", P("o"), P("c")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  std::string log = tree.ReadFile("update.log");
  EXPECT_EQ(log.rfind("Fecha y hora: ", 0), 0u);
  EXPECT_NE(log.find("\r\nOrigen: " + P("o") + "\r\nDestino: " + P("c") + "\r\nFalta archivo de origen: \"" +
                     P("o/sobra.txt") + "\"\r\n" + std::string(79, '-') + "\r\n"),
            std::string::npos)
      << log;
}

TEST_F(ProgramTest, MissingFolderIsAFailure) {
  testsupport::ChildResult r = Run({"/u", "/logfile:" + P("r.log"), P("o"), P("no-existe")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(tree.ReadFile("r.log").find(" en list \"" + P("no-existe") + "\"\r\n"), std::string::npos);
}

}  // namespace

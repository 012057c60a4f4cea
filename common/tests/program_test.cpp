// What both programs do alike when run as a user runs them, without a
// display: the usage text, the message without folders, error lines in the
// user's language, and a /debug stop on standard error, in the log and in
// the exit status.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <regex>
#include <string>
#include <vector>

#include "common/tests/support/ChildProcess.h"
#include "common/tests/support/ErrorLine.h"
#include "common/tests/support/Language.h"
#include "common/tests/support/Platform.h"
#include "common/tests/support/TempTree.h"
#include "compare/core/Options.h"
#include "update/core/Options.h"

namespace {

struct ProgramCase {
  const char* name;
  const char* path;
  const char* noDisplay;  // a regular expression for standard error
  size_t logDashes;       // the line that closes a log block
  const char* pairStep;   // what an error line names a step on a pair of files
  std::string (*usage)();
  const char* afterUsage;  // what /? prints after the usage text
};
void PrintTo(const ProgramCase& p, std::ostream* os) { *os << p.name; }

const ProgramCase kPrograms[] = {
    {"Update", UPDATE_PROGRAM, "update: no hay pantalla[^\n]*dos carpetas[^\n]*\n", 80, "copy", update::UsageText, "\n"},
    {"Compare", COMPARE_PROGRAM, "[^\n]*pantalla[^\n]*\n", 79, "compare", compare::UsageText, ""},
};

class ProgramRun : public ::testing::TestWithParam<ProgramCase> {
 protected:
  ProgramRun() : root(testsupport::RealPath(tree.Root())) {
    tree.WriteFile("origen/a.txt", "a", 100);
    tree.MakeDir("copia");
  }
  std::string P(const std::string& rel) const { return root + "/" + rel; }
  testsupport::ChildResult Run(const std::vector<std::string>& args) {
    return testsupport::RunChild(GetParam().path, args, root);
  }

  testsupport::TempTree tree;
  std::string root;
};

TEST_P(ProgramRun, HelpPrintsTheUsageOnStandardOutput) {
  auto r = Run({"/?"});
  // A terminal gets the usage lines with LF ends.
  std::string expected = GetParam().usage();
  for (size_t at; (at = expected.find("\r\n")) != std::string::npos;) expected.erase(at, 1);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, expected + GetParam().afterUsage);
  EXPECT_EQ(r.err, "");
}

TEST_P(ProgramRun, WithoutFoldersOrADisplayItSaysSoAndFails) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"/u", "origen"}}) {
    auto r = Run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(std::regex_match(r.err, std::regex(GetParam().noDisplay))) << r.err;
  }
}

TEST_P(ProgramRun, ErrorLinesReadInTheUsersLanguage) {
  if (!testsupport::LocaleInstalled("es_ES.UTF-8"))
    GTEST_SKIP() << "no es_ES.UTF-8 locale on this system (scripts/install-deps.sh generates it)";
  testsupport::ScopedLanguage spanish("es_ES.UTF-8");
  auto r = Run({P("origen"), P("falta")});
  EXPECT_EQ(r.status, 2);
  const std::string context = "list \"" + P("falta") + "\"";
  EXPECT_EQ(r.out, "No existe el fichero o el directorio" + testsupport::ErrorLineEnd(2, context) + "\n");
}

TEST_P(ProgramRun, DebugStopEndsWithItsErrorLineOnStandardErrorAndInTheLogWithStatus3) {
  // A FIFO on both sides, the source's newer: neither copied nor compared (ENOTSUP).
  for (const char* side : {"origen/tubo", "copia/tubo"}) ASSERT_EQ(mkfifo(tree.Path(side).c_str(), 0644), 0);
  tree.SetMtime("origen/tubo", 200);
  tree.SetMtime("copia/tubo", 100);
  auto r = Run({"/debug", "/u", P("origen"), P("copia")});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  const std::string context =
      std::string(GetParam().pairStep) + " \"" + P("origen/tubo") + "\" \"" + P("copia/tubo") + "\"";
  EXPECT_TRUE(r.err.ends_with(testsupport::ErrorLineEnd(ENOTSUP, context) + "\n")) << r.err;
  // Unattended, the log block ends with the same line.
  const std::string log = tree.ReadFile("update.log");
  const std::string line = r.err.substr(0, r.err.size() - 1);
  EXPECT_TRUE(log.ends_with("\r\n" + line + "\r\n" + std::string(GetParam().logDashes, '-') + "\r\n")) << log;
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, ProgramRun, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<ProgramCase>& info) { return info.param.name; });

}  // namespace

// Bad input on the command line, run the way cron runs the program (no
// terminal, no display): each case gives its one clear result, an error
// line, a message or a plain comparison, and never a crash, a hang or a
// change on disk (compare only ever writes its log).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <ostream>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "common/tests/support/ChildProcess.h"
#include "common/tests/support/TempTree.h"

namespace {

using Args = std::vector<std::string>;
using Snapshot = std::map<std::string, std::string>;

void Populate(testsupport::TempTree& t) {
  t.WriteFile("origen/a.txt", "a", 200);
  t.WriteFile("origen/sub/b.txt", "b", 200);
  t.WriteFile("copia/a.txt", "a", 200);
  t.WriteFile("copia/sub/b.txt", "b", 200);
  t.WriteFile("archivo.txt", "no es una carpeta", 100);
  t.WriteFile("carpeta/dentro.txt", "d", 100);
  t.Symlink("enlace", "origen");
}

// A difference, so that the run has something to report.
void AddDifference(testsupport::TempTree& t) { t.WriteFile("copia/sobra.txt", "s", 100); }

struct BadInputCase {
  const char* name;
  Args args;
  int status;
  std::string out;  // regular expression; {root} stands for the temp folder
  std::string err;  // regular expression
  std::string log;  // the log file the run may write ("" when none)
  std::function<void(testsupport::TempTree&)> extra = {};
};
void PrintTo(const BadInputCase& c, std::ostream* os) { *os << c.name; }

std::string ErrorLine(int number, const std::string& context) {
  return "[^\n]+ \\(" + std::to_string(number) + "\\) en " + context + "\n";
}

const char* const kNoDisplay = "[^\n]*pantalla[^\n]*\n";

// The usage text, as /? gives it; after a problem line on standard error.
const std::string kUsage =
    "Compara una carpeta con una copia suya\\.\n[\\s\\S]*comparación rápida\\.\n";
std::string Refused(const std::string& problem) { return problem + "\n" + kUsage; }

// The report that could not be written, said on standard error.
std::string LostLog(const std::string& log, int number) {
  return "No se pudo escribir el registro \"" + log + "\": [^\n]+ \\(" + std::to_string(number) + "\\)\n";
}

// A FIFO nobody reads, named as the log.
void AddFifoLog(testsupport::TempTree& t) {
  AddDifference(t);
  ASSERT_EQ(mkfifo(t.Path("tubo.log").c_str(), 0644), 0);
}

Args TwentyOneSwitches() {
  Args a(19, "/q");
  a.push_back("/u");
  a.push_back("/logfile:mi registro.log");  // the 21st: read as the first folder
  a.push_back("origen");
  a.push_back("copia");
  return a;
}

Args ElevenArguments(const std::string& third) {
  Args a{"origen", "copia", third};
  for (int i = 4; i <= 11; ++i) a.push_back("extra" + std::to_string(i));
  return a;
}

// text as a regular expression that matches it alone.
std::string Escape(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (std::string_view(".^$|()[]{}*+?\\").find(ch) != std::string_view::npos) out += '\\';
    out += ch;
  }
  return out;
}

class BadInput : public ::testing::TestWithParam<BadInputCase> {
 protected:
  testsupport::TempTree tree;
};

TEST_P(BadInput, GivesItsClearResult) {
  const BadInputCase& c = GetParam();
  Populate(tree);
  if (c.extra) c.extra(tree);
  const Snapshot before = tree.Snapshot();

  auto r = testsupport::RunChild(COMPARE_PROGRAM, c.args, tree.Root());
  ASSERT_FALSE(r.Hung());
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.status, c.status);
  std::string out = c.out;
  for (size_t at; (at = out.find("{root}")) != std::string::npos;) out.replace(at, 6, Escape(tree.Root()));
  EXPECT_TRUE(std::regex_match(r.out, std::regex(out))) << r.out;
  EXPECT_TRUE(std::regex_match(r.err, std::regex(c.err))) << r.err;

  Snapshot after = tree.Snapshot();
  if (!c.log.empty()) after.erase(c.log);
  EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Compare, BadInput,
    ::testing::Values(
        BadInputCase{"DestinationIsAFile", {"origen", "archivo.txt"}, 2,
                     ErrorLine(20, "list \"{root}/archivo\\.txt\""), "", ""},
        BadInputCase{"SourceDoesNotExist", {"falta", "copia"}, 2, ErrorLine(2, "list \"{root}/falta\""),
                     "", ""},
        BadInputCase{"BothMissing", {"falta", "tampoco"}, 2,
                     ErrorLine(2, "list \"{root}/falta\"") + ErrorLine(2, "list \"{root}/tampoco\""),
                     "", ""},
        // An empty folder means the main window, which needs a display.
        BadInputCase{"EmptySourceInQuotes", {"", "copia"}, 2, "", kNoDisplay, ""},
        BadInputCase{"EmptyDestinationInQuotes", {"origen", ""}, 2, "", kNoDisplay, ""},
        // A report that cannot be written is lost: said on standard error,
        // nothing created, and the run is not a clean one. A FIFO or a
        // device is never written to, and never waited on.
        BadInputCase{"LogInAMissingFolder", {"/u", "/logfile:falta/registro.log", "origen", "copia"}, 2, "",
                     LostLog("falta/registro\\.log", 2), "", AddDifference},
        BadInputCase{"LogfileIsAFolder", {"/u", "/logfile:carpeta", "origen", "copia"}, 2, "",
                     LostLog("carpeta", 21), "", AddDifference},
        BadInputCase{"LogfileIsAFifo", {"/u", "/logfile:tubo.log", "origen", "copia"}, 2, "",
                     LostLog("tubo\\.log", 95), "", AddFifoLog},
        BadInputCase{"LogfileIsADevice", {"/u", "/logfile:/dev/null", "origen", "copia"}, 2, "",
                     LostLog("/dev/null", 95), "", AddDifference},
        // Overlapping folders: compare only reads, so each is a plain
        // comparison that ends.
        BadInputCase{"SameFolder", {"origen", "origen"}, 0, "", "", ""},
        BadInputCase{"SameFolderThroughALink", {"enlace", "origen"}, 0, "", "", ""},
        BadInputCase{"SameFolderWithDotDot", {"origen/sub/..", "origen"}, 0, "", "", ""},
        BadInputCase{"CopyInsideOrigin", {"origen", "origen/sub"}, 1,
                     "Falta archivo de destino: \"{root}/origen/sub/a\\.txt\"\n"
                     "Falta archivo de origen: \"{root}/origen/b\\.txt\"\n"
                     "Falta carpeta de destino: \"{root}/origen/sub/sub\"\n",
                     "", ""},
        BadInputCase{"OriginInsideCopy", {"origen/sub", "origen"}, 1,
                     "Falta archivo de origen: \"{root}/origen/sub/a\\.txt\"\n"
                     "Falta archivo de destino: \"{root}/origen/b\\.txt\"\n"
                     "Falta carpeta de origen: \"{root}/origen/sub/sub\"\n",
                     "", ""},
        // A mistyped switch or a folder too many: nothing runs, the usage
        // text and the line that names it go to standard error. The 21st
        // switch is read as the first folder, so the last one is too many.
        BadInputCase{"MistypedSwitch", {"/u", "/qiuck", "origen", "copia"}, 2, "",
                     Refused("Opción desconocida: /qiuck"), "", AddDifference},
        BadInputCase{"SwitchOfUpdate", {"/test", "origen", "copia"}, 2, "", Refused("Opción desconocida: /test"),
                     "", AddDifference},
        BadInputCase{"ThreeFolders", {"origen", "copia", "carpeta"}, 2, "", Refused("Sobra el argumento: carpeta"),
                     "", AddDifference},
        BadInputCase{"TwentyOneSwitches", TwentyOneSwitches(), 2, "", Refused("Sobra el argumento: copia"), ""},
        BadInputCase{"ElevenArguments", ElevenArguments("extra3"), 2, "", Refused("Sobra el argumento: extra3"),
                     ""},
        BadInputCase{"ElevenArgumentsWithQuickLast", ElevenArguments("/q"), 2, "",
                     Refused("Sobra el argumento: /q"), "", AddDifference}),
    [](const ::testing::TestParamInfo<BadInputCase>& info) { return std::string(info.param.name); });

}  // namespace

// Bad input on the command line, run the way cron runs the program (no
// terminal, no display): each case gives its one clear result, an error
// line, a message or a plain run, and never a crash, a hang or a change
// to anything it should not touch.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "common/tests/support/ChildProcess.h"
#include "common/tests/support/TempTree.h"

namespace updatetest {
namespace {

using Args = std::vector<std::string>;
using Snapshot = std::map<std::string, std::string>;

// The starting tree of every case: a source, its stale copy, a plain file,
// a folder and a link to the source.
void Populate(testsupport::TempTree& t) {
  t.WriteFile("origen/a.txt", "a", 200);
  t.WriteFile("origen/sub/b.txt", "b", 200);
  t.WriteFile("copia/a.txt", "viejo", 100);
  t.WriteFile("copia/solo-en-copia.txt", "c", 100);
  t.WriteFile("archivo.txt", "no es una carpeta", 100);
  t.WriteFile("carpeta/dentro.txt", "d", 100);
  t.Symlink("enlace", "origen");
}

// What a case leaves behind.
enum class Effect {
  Nothing,   // the whole tree is as it was (a log file aside)
  Mirrored,  // the copy is now the source (FIFOs aside); the rest as it was
};

struct BadInputCase {
  const char* name;
  Args args;
  int status;
  std::string out;  // a regular expression for standard output
  std::string err;  // a regular expression for standard error
  Effect effect;
  std::string log;  // the log file the run may write ("" when none)
  std::function<void(testsupport::TempTree&)> extra = {};  // more setup
};
void PrintTo(const BadInputCase& c, std::ostream* os) { *os << c.name; }

// One error line: any description, then " (<number>) en <context>".
std::string ErrorLine(int number, const std::string& context) {
  return "[^\n]+ \\(" + std::to_string(number) + "\\) en " + context + "\n";
}

const char* const kNoDisplay = "update: no hay pantalla[^\n]*dos carpetas[^\n]*\n";

// The usage text, as /? gives it; after a problem line on standard error.
const std::string kUsage =
    "Sincroniza una copia de una carpeta con todas sus subcarpetas\\.\n[\\s\\S]*"
    "se ejecutan todas las acciones\\.\n";
std::string Refused(const std::string& problem) { return problem + "\n" + kUsage; }

// The report that could not be written, said on standard error.
std::string LostLog(const std::string& log, int number) {
  return "No se pudo escribir el registro \"" + log + "\": [^\n]+ \\(" + std::to_string(number) + "\\)\n";
}

// A FIFO in the source: its copy fails, so the run has a failure to report.
void AddFifo(testsupport::TempTree& t) { ASSERT_EQ(mkfifo(t.Path("origen/tubo").c_str(), 0644), 0); }
// A FIFO nobody reads, named as the log.
void AddFifoLog(testsupport::TempTree& t) { ASSERT_EQ(mkfifo(t.Path("tubo.log").c_str(), 0644), 0); }

Args TwentyOneSwitches() {
  Args a(19, "/log:cud");
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

class BadInput : public ::testing::TestWithParam<BadInputCase> {
 protected:
  testsupport::TempTree tree;
};

TEST_P(BadInput, GivesItsClearResult) {
  const BadInputCase& c = GetParam();
  Populate(tree);
  if (c.extra) c.extra(tree);
  const Snapshot before = tree.Snapshot();

  auto r = testsupport::RunChild(UPDATE_PROGRAM, c.args, tree.Root());
  ASSERT_FALSE(r.Hung());
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.status, c.status);
  EXPECT_TRUE(std::regex_match(r.out, std::regex(c.out))) << r.out;
  EXPECT_TRUE(std::regex_match(r.err, std::regex(c.err))) << r.err;

  Snapshot after = tree.Snapshot();
  if (!c.log.empty()) after.erase(c.log);
  Snapshot expected = before;
  if (c.effect == Effect::Mirrored) {
    for (auto it = expected.begin(); it != expected.end();)
      it = it->first.rfind("copia/", 0) == 0 ? expected.erase(it) : std::next(it);
    for (const auto& [path, desc] : tree.Snapshot("origen"))
      if (desc.rfind("special", 0) != 0) expected["copia/" + path] = desc;
  }
  EXPECT_EQ(after, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Update, BadInput,
    ::testing::Values(
        // Folders that are not there or not folders: one error line each,
        // and nothing in the copy is deleted because of them.
        BadInputCase{"DestinationIsAFile", {"origen", "archivo.txt"}, 2,
                     ErrorLine(20, "list \"archivo.txt\""), "", Effect::Nothing, ""},
        BadInputCase{"DestinationIsAFileWithCreateTarget", {"/ct", "origen", "archivo.txt"}, 2,
                     ErrorLine(20, "list \"archivo.txt\""), "", Effect::Nothing, ""},
        BadInputCase{"SourceDoesNotExist", {"falta", "copia"}, 2, ErrorLine(2, "list \"falta\""), "",
                     Effect::Nothing, ""},
        BadInputCase{"SourceIsAFile", {"archivo.txt", "copia"}, 2, ErrorLine(20, "list \"archivo.txt\""),
                     "", Effect::Nothing, ""},
        // An empty folder means the main window, which needs a display.
        BadInputCase{"EmptySourceInQuotes", {"", "copia"}, 2, "", kNoDisplay, Effect::Nothing, ""},
        BadInputCase{"EmptyDestinationInQuotes", {"origen", ""}, 2, "", kNoDisplay, Effect::Nothing, ""},
        BadInputCase{"BothEmptyUnattended", {"/u", "", ""}, 2, "", kNoDisplay, Effect::Nothing, ""},
        // A log that cannot be written: the run is done, the lost report is
        // said on standard error, nothing is created, and the status is 2
        // even for a run without failures. A FIFO or a device is never
        // written to, and never waited on.
        BadInputCase{"LogInAMissingFolder", {"/u", "/logfile:falta/registro.log", "origen", "copia"}, 2,
                     "", LostLog("falta/registro\\.log", 2), Effect::Mirrored, "", AddFifo},
        BadInputCase{"LogfileIsAFolder", {"/u", "/log:cud", "/logfile:carpeta", "origen", "copia"}, 2, "",
                     LostLog("carpeta", 21), Effect::Mirrored, "", AddFifo},
        BadInputCase{"LogfileIsAFolderWithSlash", {"/u", "/logfile:carpeta/", "origen", "copia"}, 2, "",
                     LostLog("carpeta/", 21), Effect::Mirrored, "", AddFifo},
        BadInputCase{"LostReportOfACleanRun", {"/u", "/log:cud", "/logfile:falta/registro.log", "origen", "copia"},
                     2, "", LostLog("falta/registro\\.log", 2), Effect::Mirrored, ""},
        BadInputCase{"LogfileIsAFifo", {"/u", "/log:cud", "/logfile:tubo.log", "origen", "copia"}, 2, "",
                     LostLog("tubo\\.log", 95), Effect::Mirrored, "", AddFifoLog},
        BadInputCase{"LogfileIsADevice", {"/u", "/log:cud", "/logfile:/dev/null", "origen", "copia"}, 2, "",
                     LostLog("/dev/null", 95), Effect::Mirrored, ""},
        // Overlapping folders are refused whole, /ct creating nothing.
        BadInputCase{"SameFolder", {"/ct", "origen", "origen"}, 2,
                     "Origen y destino se solapan: \"origen\" \"origen\"\n", "", Effect::Nothing, ""},
        BadInputCase{"CopyInsideSource", {"/ct", "origen", "origen/copia"}, 2,
                     "Origen y destino se solapan: \"origen\" \"origen/copia\"\n", "", Effect::Nothing, ""},
        BadInputCase{"SourceInsideCopy", {"origen/sub", "origen"}, 2,
                     "Origen y destino se solapan: \"origen/sub\" \"origen\"\n", "", Effect::Nothing, ""},
        BadInputCase{"ThroughALinkToTheSource", {"enlace", "origen/sub"}, 2,
                     "Origen y destino se solapan: \"enlace\" \"origen/sub\"\n", "", Effect::Nothing, ""},
        BadInputCase{"CopyThroughALinkToTheSource", {"/ct", "origen", "enlace/nueva"}, 2,
                     "Origen y destino se solapan: \"origen\" \"enlace/nueva\"\n", "", Effect::Nothing, ""},
        BadInputCase{"DotDotBackIntoTheSource", {"/ct", "origen", "copia/../origen/nueva"}, 2,
                     "Origen y destino se solapan: \"origen\" \"copia/../origen/nueva\"\n", "",
                     Effect::Nothing, ""},
        BadInputCase{"DotDotUpToAFolderHoldingTheCopy", {"origen/sub/../..", "copia"}, 2,
                     "Origen y destino se solapan: \"origen/sub/../..\" \"copia\"\n", "", Effect::Nothing, ""},
        // A mistyped switch or a folder too many: nothing runs, the usage
        // text and the line that names it go to standard error. The 21st
        // switch is read as the first folder, so the last one is too many.
        BadInputCase{"MistypedExec", {"/u", "/exce:CU", "origen", "copia"}, 2, "",
                     Refused("Opción desconocida: /exce:CU"), Effect::Nothing, ""},
        BadInputCase{"SwitchOfCompare", {"-q", "origen", "copia"}, 2, "", Refused("Opción desconocida: -q"),
                     Effect::Nothing, ""},
        BadInputCase{"ThreeFolders", {"/u", "origen", "copia", "carpeta"}, 2, "",
                     Refused("Sobra el argumento: carpeta"), Effect::Nothing, ""},
        BadInputCase{"TwentyOneSwitches", TwentyOneSwitches(), 2, "", Refused("Sobra el argumento: copia"),
                     Effect::Nothing, ""},
        BadInputCase{"ElevenArguments", ElevenArguments("extra3"), 2, "", Refused("Sobra el argumento: extra3"),
                     Effect::Nothing, ""},
        BadInputCase{"ElevenArgumentsWithTestLast", ElevenArguments("/test"), 2, "",
                     Refused("Sobra el argumento: /test"), Effect::Nothing, ""},
        // Help wins over everything, on standard output with status 0.
        BadInputCase{"HelpWithAMistake", {"/?", "/exce:CU", "origen", "copia", "carpeta"}, 0, kUsage, "",
                     Effect::Nothing, ""}),
    [](const ::testing::TestParamInfo<BadInputCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace updatetest

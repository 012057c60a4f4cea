// Bad input on the command line of either program, run the way cron runs it
// (no terminal, no display): each case gives its one clear result, an error
// line, a message or a plain run, and never a crash, a hang or a change to
// anything it should not touch (compare only ever writes its log).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "common/tests/support/ChildProcess.h"
#include "common/tests/support/ErrorLine.h"
#include "common/tests/support/TempTree.h"

namespace {

using Args = std::vector<std::string>;
using Snapshot = std::map<std::string, std::string>;
using testsupport::ErrorLinePattern;

// The starting tree of every case: a source, its stale copy, a plain file,
// a folder and a link to the source.
void Populate(testsupport::TempTree& t) {
  t.WriteFiles({{"origen/a.txt", "a"}, {"origen/sub/b.txt", "b"}}, 200);
  t.WriteFiles({{"copia/a.txt", "viejo"}, {"copia/solo-en-copia.txt", "c"}, {"archivo.txt", "no es una carpeta"},
                {"carpeta/dentro.txt", "d"}}, 100);
  t.Symlink("enlace", "origen");
}

// What a run leaves behind.
enum class Effect {
  Nothing,   // the whole tree is as it was
  Mirrored,  // the copy is now the source (FIFOs aside); the rest as it was
};

// What one program does with a case. out and err are regular expressions in
// which {at} stands for the folder the program names paths from (update
// keeps them as given, compare makes them absolute), {usage} for its usage
// text and {nodisplay} for its message without a display.
struct Expected {
  int status;
  std::string out;
  std::string err = "";
  Effect effect = Effect::Nothing;
};

struct BadInputCase {
  const char* name;
  Args args;
  std::optional<Expected> update;  // none: a case of the other program only
  std::optional<Expected> compare;
  std::function<void(testsupport::TempTree&)> extra = {};  // more setup
};

struct Program {
  const char* name;
  const char* path;
  std::optional<Expected> BadInputCase::*expected;
  std::string usage;
  std::string noDisplay;
  bool absolutePaths;
};

const Program kUpdate{"Update", UPDATE_PROGRAM, &BadInputCase::update,
                      "Sincroniza una copia de una carpeta con todas sus subcarpetas\\.\n[\\s\\S]*"
                      "se ejecutan todas las acciones\\.\n",
                      "update: no hay pantalla[^\n]*dos carpetas[^\n]*\n", false};
const Program kCompare{"Compare", COMPARE_PROGRAM, &BadInputCase::compare,
                       "Compara una carpeta con una copia suya\\.\n[\\s\\S]*comparación rápida\\.\n",
                       "[^\n]*pantalla[^\n]*\n", true};

std::string Refused(const std::string& problem) { return problem + "\n{usage}"; }

// The report that could not be written, said on standard error.
std::string LostLog(const std::string& log, int number) {
  return "No se pudo escribir el registro \"" + log + "\": [^\n]+ \\(" + std::to_string(number) + "\\)\n";
}

std::string Overlap(const std::string& a, const std::string& b) {
  return "Origen y destino se solapan: \"" + a + "\" \"" + b + "\"\n";
}

// A FIFO in the source: update cannot copy it, so its run has a failure to report.
void AddFifo(testsupport::TempTree& t) { ASSERT_EQ(mkfifo(t.Path("origen/tubo").c_str(), 0644), 0); }
// That, and a FIFO nobody reads, named as the log.
void AddFifoLog(testsupport::TempTree& t) {
  AddFifo(t);
  ASSERT_EQ(mkfifo(t.Path("tubo.log").c_str(), 0644), 0);
}

// The 21st argument is read as the first folder, so the last one is too many.
Args TwentyOneSwitches() {
  Args a(19, "/debug");
  a.push_back("/u");
  a.push_back("/logfile:mi registro.log");
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

const Expected kNoDisplay{2, "", "{nodisplay}"};
Expected MirroredLostLog(const std::string& log, int number) {
  return {2, "", LostLog(log, number), Effect::Mirrored};
}
Expected LostLogRun(const std::string& log, int number) { return {2, "", LostLog(log, number)}; }
Expected RefusedRun(const std::string& problem) { return {2, "", Refused(problem)}; }

const BadInputCase kCases[] = {
    // Folders that are not there or not folders: one error line each, and
    // nothing in the copy is deleted because of them.
    {"DestinationIsAFile", {"origen", "archivo.txt"},
     Expected{2, ErrorLinePattern(20, "list \"{at}archivo\\.txt\"")},
     Expected{2, ErrorLinePattern(20, "list \"{at}archivo\\.txt\""), ""}},
    {"DestinationIsAFileWithCreateTarget", {"/ct", "origen", "archivo.txt"},
     Expected{2, ErrorLinePattern(20, "list \"archivo\\.txt\""), ""}, std::nullopt},
    {"SourceDoesNotExist", {"falta", "copia"}, Expected{2, ErrorLinePattern(2, "list \"{at}falta\"")},
     Expected{2, ErrorLinePattern(2, "list \"{at}falta\""), ""}},
    {"SourceIsAFile", {"archivo.txt", "copia"},
     Expected{2, ErrorLinePattern(20, "list \"{at}archivo\\.txt\"")},
     Expected{2, ErrorLinePattern(20, "list \"{at}archivo\\.txt\""), ""}},
    {"BothMissing", {"falta", "tampoco"}, std::nullopt,
     Expected{2, ErrorLinePattern(2, "list \"{at}falta\"") + ErrorLinePattern(2, "list \"{at}tampoco\""), ""}},
    // An empty folder means the main window, which needs a display.
    {"EmptySourceInQuotes", {"", "copia"}, kNoDisplay, kNoDisplay},
    {"EmptyDestinationInQuotes", {"origen", ""}, kNoDisplay, kNoDisplay},
    {"BothEmptyUnattended", {"/u", "", ""}, kNoDisplay, kNoDisplay},
    // A log that cannot be written: the run is done, the lost report is said
    // on standard error, nothing is created, and the status is 2 even for a
    // run without failures. A FIFO or a device is never written to, and
    // never waited on.
    {"LogInAMissingFolder", {"/u", "/logfile:falta/registro.log", "origen", "copia"},
     MirroredLostLog("falta/registro\\.log", 2), LostLogRun("falta/registro\\.log", 2), AddFifo},
    {"LogfileIsAFolder", {"/u", "/logfile:carpeta", "origen", "copia"}, MirroredLostLog("carpeta", 21),
     LostLogRun("carpeta", 21), AddFifo},
    {"LogfileIsAFolderWithSlash", {"/u", "/logfile:carpeta/", "origen", "copia"}, MirroredLostLog("carpeta/", 21),
     std::nullopt, AddFifo},
    {"LostReportOfACleanRun", {"/u", "/log:cud", "/logfile:falta/registro.log", "origen", "copia"},
     MirroredLostLog("falta/registro\\.log", 2), std::nullopt},
    {"LogfileIsAFifo", {"/u", "/logfile:tubo.log", "origen", "copia"}, MirroredLostLog("tubo\\.log", 95),
     LostLogRun("tubo\\.log", 95), AddFifoLog},
    {"LogfileIsADevice", {"/u", "/logfile:/dev/null", "origen", "copia"}, MirroredLostLog("/dev/null", 95),
     LostLogRun("/dev/null", 95), AddFifo},
    // Overlapping folders: update refuses them whole, /ct creating nothing;
    // compare only reads, so each is a plain comparison that ends.
    {"SameFolder", {"origen", "origen"}, Expected{2, Overlap("origen", "origen"), ""}, Expected{0, "", ""}},
    {"SameFolderThroughALink", {"enlace", "origen"}, std::nullopt, Expected{0, "", ""}},
    {"SameFolderWithDotDot", {"origen/sub/..", "origen"}, std::nullopt, Expected{0, "", ""}},
    {"CopyInsideSource", {"/ct", "origen", "origen/copia"}, Expected{2, Overlap("origen", "origen/copia")},
     std::nullopt},
    {"CopyInsideOrigin", {"origen", "origen/sub"}, std::nullopt,
     Expected{1,
              "Falta archivo de destino: \"{at}origen/sub/a\\.txt\"\n"
              "Falta archivo de origen: \"{at}origen/b\\.txt\"\n"
              "Falta carpeta de destino: \"{at}origen/sub/sub\"\n"}},
    {"SourceInsideCopy", {"origen/sub", "origen"}, Expected{2, Overlap("origen/sub", "origen")},
     Expected{1,
              "Falta archivo de origen: \"{at}origen/sub/a\\.txt\"\n"
              "Falta archivo de destino: \"{at}origen/b\\.txt\"\n"
              "Falta carpeta de origen: \"{at}origen/sub/sub\"\n"}},
    {"ThroughALinkToTheSource", {"enlace", "origen/sub"}, Expected{2, Overlap("enlace", "origen/sub")},
     std::nullopt},
    {"CopyThroughALinkToTheSource", {"/ct", "origen", "enlace/nueva"},
     Expected{2, Overlap("origen", "enlace/nueva")},
     std::nullopt},
    {"DotDotBackIntoTheSource", {"/ct", "origen", "copia/../origen/nueva"},
     Expected{2, Overlap("origen", "copia/\\.\\./origen/nueva"), ""}, std::nullopt},
    {"DotDotUpToAFolderHoldingTheCopy", {"origen/sub/../..", "copia"},
     Expected{2, Overlap("origen/sub/\\.\\./\\.\\.", "copia"), ""}, std::nullopt},
    // A mistyped switch, the other program's switch or a folder too many:
    // nothing runs, the usage text and the line that names it go to
    // standard error.
    {"MistypedExec", {"/u", "/exce:CU", "origen", "copia"}, RefusedRun("Opción desconocida: /exce:CU"),
     RefusedRun("Opción desconocida: /exce:CU")},
    {"SwitchOfCompare", {"-q", "origen", "copia"}, RefusedRun("Opción desconocida: -q"), std::nullopt},
    {"SwitchOfUpdate", {"/test", "origen", "copia"}, std::nullopt, RefusedRun("Opción desconocida: /test")},
    {"ThreeFolders", {"/u", "origen", "copia", "carpeta"}, RefusedRun("Sobra el argumento: carpeta"),
     RefusedRun("Sobra el argumento: carpeta")},
    {"TwentyOneSwitches", TwentyOneSwitches(), RefusedRun("Sobra el argumento: copia"),
     RefusedRun("Sobra el argumento: copia")},
    {"ElevenArguments", ElevenArguments("extra3"), RefusedRun("Sobra el argumento: extra3"),
     RefusedRun("Sobra el argumento: extra3")},
    {"ElevenArgumentsWithASwitchLast", ElevenArguments("/debug"), RefusedRun("Sobra el argumento: /debug"),
     RefusedRun("Sobra el argumento: /debug")},
    // Help wins over everything, on standard output with status 0.
    {"HelpWithAMistake", {"/?", "/exce:CU", "origen", "copia", "carpeta"}, Expected{0, "{usage}"},
     Expected{0, "{usage}", ""}},
};

struct Param {
  const Program* program;
  const BadInputCase* c;
};
void PrintTo(const Param& p, std::ostream* os) { *os << p.program->name << "_" << p.c->name; }

std::vector<Param> AllParams() {
  std::vector<Param> out;
  for (const Program* p : {&kUpdate, &kCompare})
    for (const BadInputCase& c : kCases)
      if (c.*(p->expected)) out.push_back({p, &c});
  return out;
}

class BadInput : public ::testing::TestWithParam<Param> {
 protected:
  // The placeholders of a pattern, filled in for this program and tree.
  std::string Fill(std::string pattern) const {
    const Program& p = *GetParam().program;
    const std::pair<std::string, std::string> fills[] = {
        {"{at}", p.absolutePaths ? Escape(tree.Root()) + "/" : ""},
        {"{usage}", p.usage},
        {"{nodisplay}", p.noDisplay}};
    for (const auto& [key, value] : fills)
      for (size_t at; (at = pattern.find(key)) != std::string::npos;) pattern.replace(at, key.size(), value);
    return pattern;
  }
  testsupport::TempTree tree;
};

TEST_P(BadInput, GivesItsClearResult) {
  const Program& p = *GetParam().program;
  const BadInputCase& c = *GetParam().c;
  const Expected& e = *(c.*(p.expected));
  Populate(tree);
  if (c.extra) c.extra(tree);
  const Snapshot before = tree.Snapshot();

  auto r = testsupport::RunChild(p.path, c.args, tree.Root());
  ASSERT_FALSE(r.Hung());
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.status, e.status);
  EXPECT_TRUE(std::regex_match(r.out, std::regex(Fill(e.out)))) << r.out;
  EXPECT_TRUE(std::regex_match(r.err, std::regex(Fill(e.err)))) << r.err;

  Snapshot expected = before;
  if (e.effect == Effect::Mirrored) {
    for (auto it = expected.begin(); it != expected.end();)
      it = it->first.rfind("copia/", 0) == 0 ? expected.erase(it) : std::next(it);
    for (const auto& [path, desc] : tree.Snapshot("origen"))
      if (desc.rfind("special", 0) != 0) expected["copia/" + path] = desc;
  }
  EXPECT_EQ(tree.Snapshot(), expected);
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, BadInput, ::testing::ValuesIn(AllParams()),
                         [](const ::testing::TestParamInfo<Param>& info) {
                           return std::string(info.param.program->name) + "_" + info.param.c->name;
                         });

}  // namespace

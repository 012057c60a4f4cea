#include "common/core/mCmdLine.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/tests/support/TempTree.h"

namespace {

using common::BuildArgumentText;
using common::CommandLineProblem;
using common::mCmdLine;

// A program's own switch names, as update's.
const std::string_view kOwn[] = {"?", "u", "test", "log", "exec", "ct", "logfile"};

using Switches = std::vector<std::pair<std::string, std::string>>;  // name, value
using Args = std::vector<std::string>;

struct Parsed {
  Switches switches;
  Args args;
};

// What the parser recorded, read back through its queries. Switch names are
// known to the test, so it asks for each expected one plus a few absent ones.
void ExpectParse(const std::string& text, const Switches& switches, const Args& args) {
  SCOPED_TRACE("text: [" + text + "]");
  mCmdLine cl;
  cl.ParseCommandLine(text);
  EXPECT_EQ(cl.OptionCount(), static_cast<int>(switches.size()));
  std::set<std::string> seen;
  for (const auto& [name, value] : switches) {
    EXPECT_TRUE(cl.HasOption(name)) << name;
    // GetOptionValue answers the first switch of a name.
    if (seen.insert(name).second) {
      EXPECT_EQ(cl.GetOptionValue(name), value) << name;
    }
  }
  ASSERT_EQ(cl.ArgCount(), static_cast<int>(args.size()));
  for (size_t k = 0; k < args.size(); ++k) EXPECT_EQ(cl.GetArg(static_cast<int>(k + 1)), args[k]);
  EXPECT_EQ(cl.GetArg(0), "");
  EXPECT_EQ(cl.GetArg(static_cast<int>(args.size()) + 1), "");
}

TEST(ParseCommandLine, Grammar) {
  struct Case {
    std::string text;
    Switches switches;
    Args args;
  } cases[] = {
      // Unquoted, Linux paths read as switches: why the rebuilt text quotes them.
      {"/u /test /home/datos /media/copia",
       {{"U", ""}, {"TEST", ""}, {"HOME/DATOS", ""}, {"MEDIA/COPIA", ""}}, {}},
      {"/u /test datos copia", {{"U", ""}, {"TEST", ""}}, {"datos", "copia"}},
      {"/logfile:/var/log/u.log /u a b", {{"LOGFILE", "/var/log/u.log"}, {"U", ""}}, {"a", "b"}},
      {"/logfile:C:\\log\\u.log a", {{"LOGFILE", "C:\\log\\u.log"}}, {"a"}},
      {"/logfile:x:y:z a", {{"LOGFILE", "x:y:z"}}, {"a"}},
      {"/logfile:\"/mis registros/u.log\" a b", {{"LOGFILE", "/mis registros/u.log"}}, {"a", "b"}},
      {"/u C:\\a D:\\b", {{"U", ""}}, {"C:\\a", "D:\\b"}},
      {"\"/home/ana/mis docs\" \"/media/usb/mis docs\"", {}, {"/home/ana/mis docs", "/media/usb/mis docs"}},
      {"a b /test", {}, {"a", "b", "/test"}},
      {"/log:cud", {{"LOG", "cud"}}, {}},
      {"/exec:", {{"EXEC", ""}}, {}},
      {"/exec: a", {{"EXEC", ""}}, {"a"}},
      {"/", {{"", ""}}, {}},
      {"/ a", {{"", ""}}, {"a"}},
      {"/test/u", {{"TEST/U", ""}}, {}},
      {"-u -Test a", {{"U", ""}, {"TEST", ""}}, {"a"}},
      {"/u \"abierta sin cierre", {{"U", ""}}, {"abierta sin cierre"}},
      {"/logfile:\"sin cierre /u a", {{"LOGFILE", "sin cierre /u a"}}, {}},
      {"\"ab\"c", {}, {"ab", "c"}},
      {"/v:\"x\"y a", {{"V", "x"}}, {"y", "a"}},
      {"a\"b c", {}, {"a\"b", "c"}},
      {"", {}, {}},
      {"   ", {}, {}},
      {"/u    a    b   ", {{"U", ""}}, {"a", "b"}},
      {"a\tb c", {}, {"a\tb", "c"}},
      {"/u \ta\t b", {{"U", ""}}, {"\ta\t", "b"}},  // only blanks are trimmed
      {"/log:C /log:U a", {{"LOG", "C"}, {"LOG", "U"}}, {"a"}},
      {"\"\" b", {}, {"", "b"}},
      {"/\xC3\xA9t\xC3\xA9 a", {{"\xC3\xA9T\xC3\xA9", ""}}, {"a"}},
  };
  for (const auto& c : cases) ExpectParse(c.text, c.switches, c.args);
}

TEST(ParseCommandLine, NamesAreWholeAndCaseFree) {
  mCmdLine cl;
  cl.ParseCommandLine("/us /Log:Cud a");
  EXPECT_FALSE(cl.HasOption("u"));
  EXPECT_TRUE(cl.HasOption("US"));
  EXPECT_TRUE(cl.HasOption("log"));
  EXPECT_EQ(cl.GetOptionValue("LoG"), "Cud");
  EXPECT_EQ(cl.GetOptionValue("missing"), "");
  EXPECT_EQ(cl.GetArg(-1), "");
  EXPECT_EQ(cl.GetArg(11), "");
}

TEST(ParseCommandLine, Limits) {
  std::string text;
  for (int i = 1; i <= 21; ++i) text += "/s" + std::to_string(i) + " ";
  text += "a";
  mCmdLine cl;
  cl.ParseCommandLine(text);
  EXPECT_EQ(cl.OptionCount(), 20);
  EXPECT_TRUE(cl.HasOption("s20"));
  EXPECT_FALSE(cl.HasOption("s21"));
  ASSERT_EQ(cl.ArgCount(), 2);
  EXPECT_EQ(cl.GetArg(1), "/s21");
  EXPECT_EQ(cl.GetArg(2), "a");

  mCmdLine many;
  many.ParseCommandLine("1 2 3 4 5 6 7 8 9 10 11 12");
  EXPECT_EQ(many.ArgCount(), 10);
  EXPECT_EQ(many.GetArg(10), "10");
  EXPECT_EQ(many.GetArg(11), "");
}

TEST(ParseCommandLine, SecondCallForgetsTheFirst) {
  mCmdLine cl;
  cl.ParseCommandLine("/u /logfile:x a b");
  cl.ParseCommandLine("c");
  EXPECT_FALSE(cl.HasOption("u"));
  EXPECT_EQ(cl.GetOptionValue("logfile"), "");
  EXPECT_EQ(cl.ArgCount(), 1);
  EXPECT_EQ(cl.GetArg(1), "c");
  EXPECT_EQ(cl.GetArg(2), "");
}

// The rebuilt text, and what the parser reads from it.
struct Rebuild {
  const char* name;
  Args argv;
  std::string text;
  Switches switches;
  Args args;
};

TEST(BuildArgumentText, RebuildsWhatTheParserReadsBack) {
  // A fixed answer for "exists", so the cases do not depend on this machine.
  // Folders named like switches exist too: "/u" on some machines.
  const std::set<std::string> existing = {"/",     "/tmp", "/srv", "/data:2024", "/u",
                                          "/test", "/CT",  "/exec", "/logfile:/x.log"};
  auto exists = [&existing](const std::string& p) { return existing.count(p) != 0; };

  const Rebuild cases[] = {
      {"switches and paths", {"/u", "/home/ana/docs", "/media/usb/docs"},
       "/u \"/home/ana/docs\" \"/media/usb/docs\"", {{"U", ""}}, {"/home/ana/docs", "/media/usb/docs"}},
      {"dash switches", {"-u", "-test", "/home/x", "/copia/x"},
       "-u -test \"/home/x\" \"/copia/x\"", {{"U", ""}, {"TEST", ""}}, {"/home/x", "/copia/x"}},
      {"path with blanks", {"/home/ana/mis docs", "rel dir"},
       "\"/home/ana/mis docs\" \"rel dir\"", {}, {"/home/ana/mis docs", "rel dir"}},
      {"existing path alone", {"/tmp"}, "\"/tmp\"", {}, {"/tmp"}},
      {"root is a path", {"/", "/srv"}, "\"/\" \"/srv\"", {}, {"/", "/srv"}},
      {"switch values", {"/log:cud", "/logfile:/var/log/x.log", "a", "b"},
       "/log:cud /logfile:/var/log/x.log a b", {{"LOG", "cud"}, {"LOGFILE", "/var/log/x.log"}},
       {"a", "b"}},
      {"value with a blank", {"/logfile:/var/mis logs/x.log", "a"},
       "/logfile:\"/var/mis logs/x.log\" a", {{"LOGFILE", "/var/mis logs/x.log"}}, {"a"}},
      {"empty value", {"/exec:", "a"}, "/exec: a", {{"EXEC", ""}}, {"a"}},
      {"existing name with a colon", {"/data:2024", "/b/c"},
       "\"/data:2024\" \"/b/c\"", {}, {"/data:2024", "/b/c"}},
      {"existing folder before the colon", {"/srv:x"}, "\"/srv:x\"", {}, {"/srv:x"}},
      {"double dash", {"/u", "--", "/v", "-x", "--", "a"},
       "/u \"/v\" \"-x\" \"--\" \"a\"", {{"U", ""}}, {"/v", "-x", "--", "a"}},
      {"empty element", {"/u", "", "b"}, "/u \"\" b", {{"U", ""}}, {"", "b"}},
      {"relative names", {"datos", "../copia"}, "datos ../copia", {}, {"datos", "../copia"}},
      {"switch after a path stays one argument", {"/a/b", "/logfile:x y"},
       "\"/a/b\" \"/logfile:x y\"", {}, {"/a/b", "/logfile:x y"}},
      {"blank in a switch name makes a path", {"/mis docs", "/c/d"},
       "\"/mis docs\" \"/c/d\"", {}, {"/mis docs", "/c/d"}},
      {"quote inside a name needing no quotes", {"a", "/x/say\"hi\""},
       "a /x/say\"hi\"", {}, {"a", "/x/say\"hi\""}},
      {"element starting with a quote", {"\"x"}, "", {}, {}},
      {"own switch names whatever exists",
       {"/u", "/test", "/CT", "/exec:cu", "/logfile:/x.log", "/home/ana/docs", "/media/usb/docs"},
       "/u /test /CT /exec:cu /logfile:/x.log \"/home/ana/docs\" \"/media/usb/docs\"",
       {{"U", ""}, {"TEST", ""}, {"CT", ""}, {"EXEC", "cu"}, {"LOGFILE", "/x.log"}},
       {"/home/ana/docs", "/media/usb/docs"}},
      {"own switch name after the double dash is a path", {"--", "/u", "/b"}, "\"/u\" \"/b\"", {},
       {"/u", "/b"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = BuildArgumentText(c.argv, kOwn, exists);
    EXPECT_EQ(text, c.text);
    ExpectParse(text, c.switches, c.args);
  }
}

TEST(BuildArgumentText, QuoteThatCannotBeReadBackEndsTheText) {
  auto none = [](const std::string&) { return false; };
  // A path that needs quotes and holds a quote cannot be rebuilt: the text
  // ends before it, so no run ever starts on a wrong folder.
  EXPECT_EQ(BuildArgumentText({"/u", "/home/x \"y\"", "/copia"}, kOwn, none), "/u");
  EXPECT_EQ(BuildArgumentText({"/home/a", "/copia/\"b\""}, kOwn, none), "\"/home/a\" /copia/\"b\"");
  EXPECT_EQ(BuildArgumentText({"/home/\"a\"", "/copia"}, kOwn, none), "");
  EXPECT_EQ(BuildArgumentText({"/logfile:/x/\"a b\".log", "/a/b", "/c/d"}, kOwn, none), "");
  EXPECT_EQ(BuildArgumentText({"/u", "/logfile:\"x\"", "/a/b"}, kOwn, none), "/u");
}

TEST(BuildArgumentText, DefaultExistenceTestLooksAtTheDisk) {
#ifdef _WIN32
  // Windows reads the argument text whole; no argument list is rebuilt.
  GTEST_SKIP() << "Linux argument lists";
#endif
  testsupport::TempTree tree;
  tree.MakeDir("d");
  const std::string dir = tree.Path("d");
  // "/tmp"-like: a real top-level folder is a path, not a switch.
  mCmdLine cl;
  cl.ParseCommandLine(BuildArgumentText({"/u", "/", dir}, kOwn));
  EXPECT_TRUE(cl.HasOption("u"));
  ASSERT_EQ(cl.ArgCount(), 2);
  EXPECT_EQ(cl.GetArg(1), "/");
  EXPECT_EQ(cl.GetArg(2), dir);

  // A top-level name that does not exist is a switch.
  EXPECT_EQ(BuildArgumentText({"/nonexistent-switch-name-xyz"}, kOwn), "/nonexistent-switch-name-xyz");
}

TEST(CommandLineProblem, NamesTheFirstThingThatStopsTheRun) {
  const struct {
    const char* text;
    const char* problem;
  } cases[] = {
      {"", ""},
      {"/U -Test /log:cud /exec: /LogFile:\"a b\" /? a b", ""},
      {"/u /exce:CU a b", "Opción desconocida: /exce:CU"},
      {"/us a b", "Opción desconocida: /us"},  // names are whole
      {"-", "Opción desconocida: -"},
      {"/logfile:x /zz:\"a b\"c d", "Opción desconocida: /zz:\"a b\""},
      {"/q a b c", "Opción desconocida: /q"},  // before the extra folder
      {"a b c d", "Sobra el argumento: c"},
      {"/u a b /test", "Sobra el argumento: /test"},
      {"\"\" \"\" \"mis docs\"", "Sobra el argumento: mis docs"},
  };
  for (const auto& c : cases) {
    mCmdLine cl;
    cl.ParseCommandLine(c.text);
    EXPECT_EQ(CommandLineProblem(cl, kOwn, 2), c.problem) << c.text;
  }
}

}  // namespace

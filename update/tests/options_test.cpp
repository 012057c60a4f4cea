// Switches to option settings, the usage text and the date macros.

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "common/core/mCmdLine.h"
#include "update/core/Options.h"
#include "update/tests/support/EngineFixture.h"

namespace updatetest {
namespace {

using update::Options;

TEST(ParseOps, LettersInAnyCaseAndOrder) {
  struct {
    const char* text;
    int32_t ops;
  } cases[] = {{"CUD", 7}, {"cud", 7}, {"dcu", 7}, {"uu", 2}, {"c", 1}, {"D", 4},
               {"x", 0},   {"", 0},    {"c-x d", 5}, {"úc", 1}};
  for (const auto& c : cases) EXPECT_EQ(update::ParseOps(c.text), c.ops) << c.text;
}

struct OptionsCase {
  const char* text;
  bool unattended, test, debug, vars, createTarget;
  int32_t logOps, execOps;
  const char* logFile;
  const char* origen;
  const char* destino;
};

void PrintTo(const OptionsCase& c, std::ostream* os) { *os << "\"" << c.text << "\""; }

class ReadOptionsTable : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(ReadOptionsTable, SetsEverySetting) {
  const OptionsCase& c = GetParam();
  common::mCmdLine cmd;
  cmd.ParseCommandLine(c.text);
  Options o;
  o.LogOps = 99;  // every setting is written, not left as it was
  o.LogFileName = "antes";
  std::string origen, destino;
  ASSERT_TRUE(update::ReadOptions(cmd, o, origen, destino));
  EXPECT_EQ(o.Unattended, c.unattended);
  EXPECT_EQ(o.TestMode, c.test);
  EXPECT_EQ(o.DebugMode, c.debug);
  EXPECT_EQ(o.ExpandVars, c.vars);
  EXPECT_EQ(o.CreateTarget, c.createTarget);
  EXPECT_EQ(o.LogOps, c.logOps);
  EXPECT_EQ(o.ExecOps, c.execOps);
  EXPECT_EQ(o.LogFileName, c.logFile);
  EXPECT_EQ(origen, c.origen);
  EXPECT_EQ(destino, c.destino);
}

INSTANTIATE_TEST_SUITE_P(
    Options, ReadOptionsTable,
    ::testing::Values(
        OptionsCase{"", false, false, false, false, false, 0, 7, "", "", ""},
        OptionsCase{"/u /test /debug /vars /ct a b", true, true, true, true, true, 0, 7, "", "a", "b"},
        OptionsCase{"/createtarget /CT a b", false, false, false, false, true, 0, 7, "", "a", "b"},
        OptionsCase{"/LOG:Cu /EXEC:d a b c", false, false, false, false, false, 3, 4, "", "a", "b"},
        OptionsCase{"/log /exec: a", false, false, false, false, false, 0, 0, "", "a", ""},
        OptionsCase{"/exec:x a b", false, false, false, false, false, 0, 0, "", "a", "b"},
        OptionsCase{"/u:x /zz /logfile:\"/r g/u.log\" a b", true, false, false, false, false, 0, 7,
                    "/r g/u.log", "a", "b"},
        OptionsCase{"a b /test", false, false, false, false, false, 0, 7, "", "a", "b"},
        OptionsCase{"\"\" b", false, false, false, false, false, 0, 7, "", "", "b"}));

TEST(ReadOptions, HelpWinsOverEverythingAndTouchesNothing) {
  common::mCmdLine cmd;
  cmd.ParseCommandLine("/u /? /exec:c a b");
  Options o;
  std::string origen = "x", destino = "y";
  EXPECT_FALSE(update::ReadOptions(cmd, o, origen, destino));
  EXPECT_FALSE(o.Unattended);
  EXPECT_EQ(o.ExecOps, 7);
  EXPECT_EQ(origen, "x");
}

TEST(UsageText, FifteenLinesJoinedByCrLfWithNoneAfterTheLast) {
  std::string text = update::UsageText();
  size_t crlf = 0;
  for (size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos; p += 2) ++crlf;
  EXPECT_EQ(crlf, 14u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 14);  // no bare line feed
  EXPECT_FALSE(text.ends_with("\n"));
  EXPECT_NE(text.find("\r\n\r\nUso:\r\n    UPDATE\r\n"), std::string::npos);
  EXPECT_NE(text.find("no efect\xC3\xBA" "a ning\xC3\xBA" "n cambio"), std::string::npos);  // UTF-8
}

// ---- Date macros ----

struct MacroCase {
  const char* path;
  const char* dollar;   // ExpandPathMacros
  const char* percent;  // ExpandPercentMacros
};

TEST(DateMacros, ReplaceInOrderWithTheirOwnCaseRulesAndWeekdays) {
  common::FixedClock sunday(SundayEvening());
  const MacroCase cases[] = {
      {"/copias/$y-$m-$d", "/copias/2026-12-06", "/copias/$y-$m-$d"},
      {"/copias/%Y-%m-%D", "/copias/%Y-%m-%D", "/copias/2026-12-06"},
      {"$w %w", "1 %w", "$w 7"},  // Sunday: 1 for "$", 7 for "%"
      {"$D$W$M$Y", "$D$W$M$Y", "$D$W$M$Y"},
      {"$$d", "$06", "$$d"},
      {"%%d", "%%d", "%06"},
      {"$$ %% $x %x", "$ %% $x %x", "$$ % $x %x"},
      {"$$$", "$$", "$$$"},
      {"sin macros", "sin macros", "sin macros"},
      {"$", "$", "$"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(update::ExpandPathMacros(c.path, sunday), c.dollar) << c.path;
    EXPECT_EQ(update::ExpandPercentMacros(c.path, sunday), c.percent) << c.path;
  }
  common::LocalTime monday = SundayEvening();
  monday.day = 7;
  monday.weekday = 1;
  common::FixedClock mondayClock(monday);
  EXPECT_EQ(update::ExpandPathMacros("$w", mondayClock), "2");
  EXPECT_EQ(update::ExpandPercentMacros("%W", mondayClock), "1");
}

}  // namespace
}  // namespace updatetest

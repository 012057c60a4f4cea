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
  bool unattended = false, test = false, debug = false, vars = false, createTarget = false;
  int32_t logOps = 0, execOps = update::OpAll;
  const char* logFile = "";
  const char* origen = "";
  const char* destino = "";
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
        OptionsCase{.text = ""},
        OptionsCase{.text = "/u /test /debug /vars /ct a b",
                    .unattended = true,
                    .test = true,
                    .debug = true,
                    .vars = true,
                    .createTarget = true,
                    .origen = "a",
                    .destino = "b"},
        OptionsCase{.text = "/createtarget /CT a b", .createTarget = true, .origen = "a", .destino = "b"},
        OptionsCase{.text = "/LOG:Cu /EXEC:d a b c", .logOps = 3, .execOps = 4, .origen = "a", .destino = "b"},
        OptionsCase{.text = "/log /exec: a", .execOps = 0, .origen = "a"},
        OptionsCase{.text = "/exec:x a b", .execOps = 0, .origen = "a", .destino = "b"},
        OptionsCase{.text = "/u:x /zz /logfile:\"/r g/u.log\" a b",
                    .unattended = true,
                    .logFile = "/r g/u.log",
                    .origen = "a",
                    .destino = "b"},
        OptionsCase{.text = "a b /test", .origen = "a", .destino = "b"},
        OptionsCase{.text = "\"\" b", .destino = "b"}));

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

TEST(DateMacros, ReplaceInOrderWithTheirOwnCaseRulesAndWeekdays) {
  const common::LocalTime monday{.year = 2026, .month = 12, .day = 7, .hour = 17, .weekday = 1};
  const struct {
    const char* path;
    const char* dollar;   // ExpandPathMacros
    const char* percent;  // ExpandPercentMacros
    common::LocalTime when = SundayEvening();
  } cases[] = {
      {.path = "/copias/$y-$m-$d", .dollar = "/copias/2026-12-06", .percent = "/copias/$y-$m-$d"},
      {.path = "/copias/%Y-%m-%D", .dollar = "/copias/%Y-%m-%D", .percent = "/copias/2026-12-06"},
      {.path = "$w %w", .dollar = "1 %w", .percent = "$w 7"},  // Sunday: 1 for "$", 7 for "%"
      {.path = "$w %W", .dollar = "2 %W", .percent = "$w 1", .when = monday},
      {.path = "$D$W$M$Y", .dollar = "$D$W$M$Y", .percent = "$D$W$M$Y"},
      {.path = "$$d", .dollar = "$06", .percent = "$$d"},
      {.path = "%%d", .dollar = "%%d", .percent = "%06"},
      {.path = "$$ %% $x %x", .dollar = "$ %% $x %x", .percent = "$$ % $x %x"},
      {.path = "$$$", .dollar = "$$", .percent = "$$$"},
      {.path = "sin macros", .dollar = "sin macros", .percent = "sin macros"},
      {.path = "$", .dollar = "$", .percent = "$"},
  };
  for (const auto& c : cases) {
    common::FixedClock clock(c.when);
    EXPECT_EQ(update::ExpandPathMacros(c.path, clock), c.dollar) << c.path;
    EXPECT_EQ(update::ExpandPercentMacros(c.path, clock), c.percent) << c.path;
  }
}

}  // namespace
}  // namespace updatetest

// Start-up of compare: the path rule, the switches and the usage text.

#include <gtest/gtest.h>

#include <string>

#include "common/core/mCmdLine.h"
#include "common/tests/support/Platform.h"
#include "compare/core/Options.h"

namespace {

using compare::Options;
using compare::ReadOptions;
using compare::ResolvePath;

// The rule on "/" paths; Windows' own, with drives and "\", is told by
// win32/ResolvePathWin32_test.
#ifndef _WIN32
TEST(ResolvePathTest, GivesTheAbsolutePath) {
  struct Rule {
    std::string path, base, resolved;
  };
  const Rule rules[] = {
      // An absolute path is returned unchanged, whatever the base.
      {"/datos", "/trabajo", "/datos"},
      {"//servidor/recurso", "/trabajo", "//servidor/recurso"},
      {"/a/../b/./c", "/trabajo", "/a/../b/./c"},
      // Parts applied one by one.
      {"a", "/trabajo", "/trabajo/a"},
      {"sub/../otra", "/trabajo", "/trabajo/otra"},
      {"./a", "/trabajo", "/trabajo/a"},
      {"../b", "/home/ana/trabajo", "/home/ana/b"},
      {"../../x", "/a", "/x"},
      {"mis datos/año 2026", "/trabajo", "/trabajo/mis datos/año 2026"},
      // Empty parts are appended like any other, so doubled and trailing
      // separators stay.
      {"a//b", "/trabajo", "/trabajo/a//b"},
      {"a/", "/trabajo", "/trabajo/a/"},
      // The root as base is simply put in front; nothing is resolved.
      {"a", "/", "/a"},
      {"../x", "/", "/../x"},
      {"./x", "/", "/./x"},
      // Going up past the first level ends at the root, never at "".
      {"..", "/a", "/"},
      {"../..", "/a/b", "/"},
      {"../../..", "/a/b", "/"},
      // Without a current folder a relative path stays as it was given.
      {"a/b", "", "a/b"},
  };
  for (const Rule& r : rules) EXPECT_EQ(ResolvePath(r.path, r.base), r.resolved) << r.path << " @ " << r.base;
}
#endif

// The current folder the folders are read against, and its parent.
#ifdef _WIN32
const std::string kWork = "C:\\trabajo", kParent = "C:\\";
#else
const std::string kWork = "/trabajo", kParent = "/";
#endif

Options Read(const std::string& text, std::string& origen, std::string& destino, bool* shown = nullptr) {
  common::mCmdLine cmd;
  cmd.ParseCommandLine(text);
  Options opts;
  bool go = ReadOptions(cmd, opts, origen, destino, kWork);
  if (shown) *shown = !go;
  return opts;
}

TEST(ReadOptionsTest, ReadsEverySwitchAndMakesBothFoldersAbsolute) {
  std::string o, d;
  const std::string copia = testsupport::Native("../copia");
  Options opts = Read("/U /LogFile:/var/log/copia.log /q /Debug datos " + copia + " tercero", o, d);
  EXPECT_TRUE(opts.Unattended);
  EXPECT_TRUE(opts.DebugMode);
  EXPECT_EQ(opts.LogFileName, "/var/log/copia.log");
  EXPECT_EQ(o, kWork + testsupport::kSeparator + "datos");
  EXPECT_EQ(d, kParent + "copia");
}

TEST(ReadOptionsTest, DefaultsWhenNothingIsGiven) {
  std::string o = "x", d = "y";
  Options opts = Read("", o, d);
  EXPECT_FALSE(opts.Unattended);
  EXPECT_FALSE(opts.DebugMode);
  EXPECT_EQ(opts.LogFileName, "");
  EXPECT_EQ(o, "");
  EXPECT_EQ(d, "");
}

TEST(ReadOptionsTest, OneFolderLeavesTheCopyEmptyAndUnknownSwitchesAreIgnored) {
  std::string o, d;
  Options opts = Read("/exec:cud /test sub", o, d);
  EXPECT_FALSE(opts.Unattended);
  EXPECT_EQ(o, kWork + testsupport::kSeparator + "sub");
  EXPECT_EQ(d, "");
}

TEST(ReadOptionsTest, HelpStopsBeforeAnythingElse) {
  for (const char* text : {"/?", "/u /? a b", "/? /debug a b"}) {
    std::string o, d;
    bool shown = false;
    Options opts = Read(text, o, d, &shown);
    EXPECT_TRUE(shown) << text;
    EXPECT_FALSE(opts.Unattended) << text;
    EXPECT_EQ(o, "") << text;
  }
}

TEST(UsageTextTest, IsExactWithCrLfAfterEveryLine) {
  const std::string expected =
      "Compara una carpeta con una copia suya.\r\n"
      "\r\n"
      "Uso:\r\n"
      "    UPDATE /?\r\n"
      "    UPDATE [<origen>]\r\n"
      "    UPDATE [/u [/logfile:<registro>]] [/q] <origen> <destino>\r\n"
      "\r\n"
      "/u activa el modo desatendido. La salida se escribe en el archivo de registro.\r\n"
      "/logfile:<registro> especifica la ruta y el nombre del archivo de registro.\r\n"
      "/q activa el modo de comparaci\xC3\xB3n r\xC3\xA1pida.\r\n";
  EXPECT_EQ(compare::UsageText(), expected);
}

}  // namespace

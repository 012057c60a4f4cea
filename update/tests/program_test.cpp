// The update program run as a user runs it, without a display: exit status,
// what it prints without a terminal and on one, and the log it writes.
// What it does alike with compare is in common/tests/program_test.cpp.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "common/tests/support/ChildProcess.h"
#include "common/tests/support/ErrorLine.h"
#include "common/tests/support/TempTree.h"

namespace updatetest {
namespace {

using testsupport::ChildResult;

ChildResult RunUpdate(const testsupport::TempTree& tree, const std::vector<std::string>& args) {
  return testsupport::RunChild(UPDATE_PROGRAM, args, tree.Root());
}

// On a terminal: input is typed ahead, everything shown is read back.
ChildResult RunOnTerminal(const testsupport::TempTree& tree, const std::vector<std::string>& args,
                          const std::string& typed) {
  return testsupport::RunOnTerminal(UPDATE_PROGRAM, args, tree.Root(), typed);
}

class Program : public ::testing::Test {
 protected:
  Program() {
    tree.WriteFiles({{"origen/a.txt", "a"}, {"origen/Informes/año 2026.txt", "informe"}, {"origen/.oculto", "o"}},
                    100);
    tree.MakeDir("copia");
  }
  void AddSpecialFile() { ASSERT_EQ(mkfifo(tree.Path("origen/tubo").c_str(), 0644), 0); }
  // The error line of the special file's copy, from its number on.
  static std::string CopyFailure(const std::string& origen, const std::string& copia) {
    return testsupport::ErrorLineEnd(ENOTSUP, "copy \"" + origen + "/tubo\" \"" + copia + "/tubo\"");
  }
  testsupport::TempTree tree;
};

TEST_F(Program, UnattendedRunMirrorsAndWritesOnlyTheLog) {
  ChildResult r = RunUpdate(tree, {"-u", "/log:cud", "/logfile:registro.log", "origen", "copia"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(tree.Snapshot("origen"), tree.Snapshot("copia"));
  std::string log = tree.ReadFile("registro.log");
  EXPECT_EQ(log.rfind("Fecha y hora: ", 0), 0u);
  EXPECT_NE(log.find("\r\nOrigen: origen\r\nDestino: copia\r\ncreate \"origen/.oculto\" \"copia/.oculto\"\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("create \"origen/Informes/año 2026.txt\" \"copia/Informes/año 2026.txt\"\r\n"),
            std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 82), std::string(80, '-') + "\r\n");
}

TEST_F(Program, WithoutATerminalTheListIsPrinted) {
  AddSpecialFile();
  ChildResult r = RunUpdate(tree, {tree.Path("origen"), tree.Path("copia")});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.out.ends_with(CopyFailure(tree.Path("origen"), tree.Path("copia")) + "\n")) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(tree.ReadFile("copia/a.txt"), "a");
}

TEST_F(Program, OnATerminalTheQuestionDecidesWhetherTheListIsShown) {
  AddSpecialFile();
  const std::string question =
      "Actualizar: Se han producido errores durante la operación. ¿Desea ver la lista de errores?";
  struct {
    const char* typed;
    bool shown;
  } cases[] = {{"\n", true}, {"s\n", true}, {"Sí\n", true}, {"n\n", false}, {"NO\n", false},
               {"quizá\nn\n", false}};
  for (const auto& c : cases) {
    ChildResult r = RunOnTerminal(tree, {"origen", "copia"}, c.typed);
    EXPECT_EQ(r.status, 2) << c.typed;
    EXPECT_NE(r.out.find(question), std::string::npos) << r.out;
    bool listed = r.out.find(CopyFailure("origen", "copia")) != std::string::npos;
    EXPECT_EQ(listed, c.shown) << c.typed << r.out;
  }
}

TEST_F(Program, EmptySourceKeepsTheCopyUnlessConfirmedOnATerminal) {
  tree.Remove("origen");
  tree.MakeDir("origen");
  tree.WriteFile("copia/a.txt", "a", 100);
  const std::string note = "El origen está vacío; no se borra nada del destino: \"origen\" \"copia\"";
  const std::string question =
      "Actualizar: El origen está vacío. ¿Desea borrar todo el contenido del destino? [s/N]";

  // Nobody to ask: the note, printed as the list; status 2.
  ChildResult r = RunUpdate(tree, {"origen", "copia"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, note + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(tree.Exists("copia/a.txt"));

  // Unattended, even on a terminal: nobody is asked and the log says why.
  r = RunOnTerminal(tree, {"/u", "/logfile:registro.log", "origen", "copia"}, "s\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out.find(question), std::string::npos) << r.out;
  EXPECT_NE(tree.ReadFile("registro.log").find("\r\n" + note + "\r\n"), std::string::npos);
  EXPECT_TRUE(tree.Exists("copia/a.txt"));

  // On a terminal No is the default; then comes the usual question.
  struct {
    const char* typed;
    bool emptied;
  } cases[] = {{"\nn\n", false}, {"no\nn\n", false}, {"sí\n", true}};
  for (const auto& c : cases) {
    r = RunOnTerminal(tree, {"origen", "copia"}, c.typed);
    EXPECT_NE(r.out.find(question), std::string::npos) << r.out;
    EXPECT_EQ(r.status, c.emptied ? 0 : 2) << c.typed;
    EXPECT_EQ(tree.Exists("copia/a.txt"), !c.emptied) << c.typed << r.out;
  }
}

}  // namespace
}  // namespace updatetest

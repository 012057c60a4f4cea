// The update program run as a user runs it, without a display: exit status,
// what it prints without a terminal and on one, and the log it writes.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <regex>

#include "common/tests/support/Language.h"
#include "common/tests/support/TempTree.h"
#include "update/core/Options.h"

namespace updatetest {
namespace {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

std::vector<char*> Argv(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(UPDATE_PROGRAM));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

void WithoutDisplay() {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("QT_QPA_PLATFORM");
}

int StatusOf(pid_t pid) {
  int raw = 0;
  while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

// Standard input from /dev/null, so there is no terminal to ask.
Result RunUpdate(const testsupport::TempTree& tree, const std::vector<std::string>& args) {
  std::string outPath = tree.Path("stdout.txt");
  std::string errPath = tree.Path("stderr.txt");
  std::vector<char*> argv = Argv(args);
  pid_t pid = fork();
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || chdir(tree.Root().c_str()) != 0) _exit(125);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    WithoutDisplay();
    execv(UPDATE_PROGRAM, argv.data());
    _exit(126);
  }
  Result r;
  r.status = StatusOf(pid);
  r.out = tree.ReadFile("stdout.txt");
  r.err = tree.ReadFile("stderr.txt");
  unlink(outPath.c_str());
  unlink(errPath.c_str());
  return r;
}

// On a terminal: input is typed ahead, everything shown is read back.
Result RunOnTerminal(const testsupport::TempTree& tree, const std::vector<std::string>& args,
                     const std::string& typed) {
  std::vector<char*> argv = Argv(args);
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    if (chdir(tree.Root().c_str()) != 0) _exit(125);
    WithoutDisplay();
    execv(UPDATE_PROGRAM, argv.data());
    _exit(126);
  }
  Result r;
  if (pid < 0) return r;
  EXPECT_EQ(write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  char buf[4096];
  for (;;) {
    ssize_t n = read(master, buf, sizeof buf);
    if (n > 0) {
      r.out.append(buf, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO once the program has closed the terminal
    }
  }
  close(master);
  r.status = StatusOf(pid);
  return r;
}

class Program : public ::testing::Test {
 protected:
  Program() {
    tree.WriteFile("origen/a.txt", "a", 100);
    tree.WriteFile("origen/Informes/año 2026.txt", "informe", 100);
    tree.WriteFile("origen/.oculto", "o", 100);
    tree.MakeDir("copia");
  }
  void AddSpecialFile() { ASSERT_EQ(mkfifo(tree.Path("origen/tubo").c_str(), 0644), 0); }
  std::string CopyContext() const {
    return " en copy \"" + tree.Path("origen/tubo") + "\" \"" + tree.Path("copia/tubo") + "\"";
  }
  testsupport::TempTree tree;
};

TEST_F(Program, HelpPrintsTheUsageOnStandardOutput) {
  Result r = RunUpdate(tree, {"/?"});
  std::string expected = update::UsageText();
  for (size_t p; (p = expected.find("\r\n")) != std::string::npos;) expected.erase(p, 1);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, expected + "\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(Program, FewerThanTwoFoldersWithoutADisplaySaysSoAndFails) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, std::vector<std::string>{"/u", tree.Path("origen")}}) {
    Result r = RunUpdate(tree, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("pantalla"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("dos carpetas"), std::string::npos) << r.err;
  }
}

TEST_F(Program, UnattendedRunMirrorsAndWritesOnlyTheLog) {
  Result r = RunUpdate(tree, {"-u", "/log:cud", "/logfile:registro.log", "origen", "copia"});
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
  Result r = RunUpdate(tree, {tree.Path("origen"), tree.Path("copia")});
  EXPECT_EQ(r.status, 2);
  // One line: "<description> (<number>) en copy "<source>" "<copy>"".
  EXPECT_TRUE(std::regex_match(r.out, std::regex("[^\n]+ \\(\\d+\\) en copy [^\n]+\n"))) << r.out;
  EXPECT_TRUE(r.out.ends_with(CopyContext() + "\n")) << r.out;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(tree.ReadFile("copia/a.txt"), "a");
}

TEST_F(Program, ErrorLinesReadInTheUsersLanguage) {
  if (!testsupport::LocaleInstalled("es_ES.UTF-8"))
    GTEST_SKIP() << "no es_ES.UTF-8 locale on this system (scripts/install-deps.sh generates it)";
  testsupport::ScopedLanguage spanish("es_ES.UTF-8");
  Result r = RunUpdate(tree, {tree.Path("origen"), tree.Path("falta")});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "No existe el fichero o el directorio (2) en list \"" + tree.Path("falta") + "\"\n");
}

TEST_F(Program, DebugFailureEndsWithItsErrorLineOnStandardErrorAndInTheLogAndStatus3) {
  AddSpecialFile();
  Result r = RunUpdate(tree, {"/debug", "/u", "/log:cud", "origen", "copia"});
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(std::regex_match(r.err, std::regex("[^\n]+ \\(\\d+\\) en copy \"origen/tubo\" \"copia/tubo\"\n")))
      << r.err;
  EXPECT_EQ(r.out, "");
  // Unattended, the log block ends with the same line.
  const std::string log = tree.ReadFile("update.log");
  const std::string line = r.err.substr(0, r.err.size() - 1);
  EXPECT_TRUE(log.ends_with("\r\n" + line + "\r\n" + std::string(80, '-') + "\r\n")) << log;
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
    Result r = RunOnTerminal(tree, {"origen", "copia"}, c.typed);
    EXPECT_EQ(r.status, 2) << c.typed;
    EXPECT_NE(r.out.find(question), std::string::npos) << r.out;
    bool listed = r.out.find(") en copy \"origen/tubo\" \"copia/tubo\"") != std::string::npos;
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
  Result r = RunUpdate(tree, {"origen", "copia"});
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

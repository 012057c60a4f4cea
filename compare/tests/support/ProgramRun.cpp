#include "compare/tests/support/ProgramRun.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace comparetest {

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

int MakeCapture(std::string& path) {
  const char* tmp = std::getenv("TMPDIR");
  path = std::string(tmp && *tmp ? tmp : "/tmp") + "/cmpout.XXXXXX";
  int fd = mkstemp(path.data());
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  return fd;
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& cwd) {
  std::string outPath, errPath;
  int outFd = MakeCapture(outPath);
  int errFd = MakeCapture(errPath);

  // Everything the child needs is prepared before fork.
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> envText;
  for (char** e = environ; *e; ++e) {
    std::string v = *e;
    if (v.rfind("DISPLAY=", 0) == 0 || v.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
        v.rfind("QT_QPA_PLATFORM=", 0) == 0)
      continue;
    envText.push_back(v);
  }
  std::vector<char*> envp;
  for (std::string& v : envText) envp.push_back(v.data());
  envp.push_back(nullptr);

  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    if (in < 0 || dup2(in, 0) < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0 || chdir(cwd.c_str()) != 0)
      _exit(127);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  close(outFd);
  close(errFd);

  ProgramResult r;
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  r.out = Slurp(outPath);
  r.err = Slurp(errPath);
  unlink(outPath.c_str());
  unlink(errPath.c_str());
  return r;
}

}  // namespace comparetest

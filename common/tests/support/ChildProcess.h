#pragma once
// Runs a program the way cron or a systemd timer would: standard input from
// /dev/null (no terminal to ask), no display in the environment, both
// outputs captured; or, with RunOnTerminal, on a terminal of its own with
// the input typed ahead. The child is armed with an alarm before exec, so a
// run that hangs is killed by SIGALRM, fails the test and shows up as
// Hung() instead of a test that never ends; the limit is generous and never
// part of what is tested. Header only, so that every test program can use
// it without linking more.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace testsupport {

struct ChildResult {
  int status = -1;  // exit status; -1 when a signal ended the program
  int signal = 0;   // that signal
  std::string out;
  std::string err;
  bool Hung() const { return signal == SIGALRM; }
};

namespace detail {

// What execve needs, prepared before fork: the program and its arguments,
// and this environment without any display.
class Exec {
 public:
  Exec(const std::string& program, const std::vector<std::string>& args) : text_{program} {
    text_.insert(text_.end(), args.begin(), args.end());
    for (auto& a : text_) argv_.push_back(a.data());
    argv_.push_back(nullptr);
    for (char** e = environ; *e; ++e) {
      const std::string_view v = *e;
      if (!v.starts_with("DISPLAY=") && !v.starts_with("WAYLAND_DISPLAY=") && !v.starts_with("QT_QPA_PLATFORM="))
        envp_.push_back(*e);
    }
    envp_.push_back(nullptr);
  }

  // In the child: enters cwd, arms the alarm (it survives exec, and its
  // default action ends the program) and becomes the program.
  [[noreturn]] void Run(const std::string& cwd, unsigned limitSeconds) {
    if (chdir(cwd.c_str()) != 0) _exit(127);
    signal(SIGALRM, SIG_DFL);
    sigset_t all;
    sigemptyset(&all);
    sigprocmask(SIG_SETMASK, &all, nullptr);
    alarm(limitSeconds);
    execve(argv_[0], argv_.data(), envp_.data());
    _exit(127);
  }

 private:
  std::vector<std::string> text_;
  std::vector<char*> argv_;
  std::vector<char*> envp_;
};

// Waits for the child's end and records it; a child the alarm ended fails
// the test.
inline void Reap(pid_t pid, ChildResult& r, const std::string& program, unsigned limitSeconds) {
  int raw = 0;
  while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) r.signal = WTERMSIG(raw);
  if (r.Hung()) ADD_FAILURE() << program << " did not end within " << limitSeconds << " s and was killed";
}

}  // namespace detail

class ChildProcess {
 public:
  static constexpr unsigned kDefaultLimitSeconds = 120;

  // Starts program with args (argv[1..]) in folder cwd.
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::string& cwd, unsigned limitSeconds = kDefaultLimitSeconds)
      : program_(program), limit_(limitSeconds) {
    out_ = memfd_create("stdout", MFD_CLOEXEC);
    err_ = memfd_create("stderr", MFD_CLOEXEC);
    if (out_ < 0 || err_ < 0) throw std::runtime_error("memfd_create failed");
    detail::Exec exec(program, args);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      int in = open("/dev/null", O_RDONLY);
      if (in < 0 || dup2(in, 0) < 0 || dup2(out_, 1) < 0 || dup2(err_, 2) < 0) _exit(127);
      exec.Run(cwd, limitSeconds);
    }
  }

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  ~ChildProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      ChildResult killed;
      detail::Reap(pid_, killed, program_, limit_);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }

  // Waits for the end of the program and returns what it did.
  ChildResult Wait() {
    ChildResult r;
    detail::Reap(pid_, r, program_, limit_);
    pid_ = -1;
    r.out = Slurp(out_);
    r.err = Slurp(err_);
    return r;
  }

 private:
  static std::string Slurp(int fd) {
    std::string text;
    char buf[65536];
    off_t at = 0;
    for (;;) {
      ssize_t n = pread(fd, buf, sizeof buf, at);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      text.append(buf, static_cast<size_t>(n));
      at += n;
    }
    return text;
  }

  std::string program_;
  unsigned limit_;
  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
};

// Runs the program to its end.
inline ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                            const std::string& cwd,
                            unsigned limitSeconds = ChildProcess::kDefaultLimitSeconds) {
  ChildProcess child(program, args, cwd, limitSeconds);
  return child.Wait();
}

// Runs the program on a terminal of its own, in folder cwd, without a
// display: typed is the input typed ahead, and out holds everything the
// terminal showed.
inline ChildResult RunOnTerminal(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& cwd, const std::string& typed,
                                 unsigned limitSeconds = ChildProcess::kDefaultLimitSeconds) {
  detail::Exec exec(program, args);
  ChildResult r;
  int terminal = -1;
  pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid < 0) {
    ADD_FAILURE() << "forkpty failed";
    return r;
  }
  if (pid == 0) exec.Run(cwd, limitSeconds);
  EXPECT_EQ(write(terminal, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  char buf[4096];
  for (;;) {
    ssize_t n = read(terminal, buf, sizeof buf);
    if (n > 0) r.out.append(buf, static_cast<size_t>(n));
    else if (n < 0 && errno == EINTR) continue;
    else break;  // EIO once the program has closed the terminal
  }
  close(terminal);
  detail::Reap(pid, r, program, limitSeconds);
  return r;
}

}  // namespace testsupport

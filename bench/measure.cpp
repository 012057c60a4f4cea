// Runs one command and reports what it cost.
//
//   measure <output> -- program [args...]
//
// The command runs with standard input from /dev/null and its standard
// output and error appended to <output>. One line goes to our standard
// output: wall seconds, user seconds, system seconds, peak resident set
// size in KiB (the largest of the process and the children it waited for)
// and the exit status (128 + signal number when a signal ended it).

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

double Seconds(const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
    std::fprintf(stderr, "usage: measure <output> -- program [args...]\n");
    return 2;
  }
  int out = open(argv[1], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (out < 0 || in < 0) {
    std::perror("measure: open");
    return 2;
  }
  timespec start{}, end{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t pid = fork();
  if (pid < 0) {
    std::perror("measure: fork");
    return 2;
  }
  if (pid == 0) {
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    execvp(argv[3], argv + 3);
    std::fprintf(stderr, "measure: %s: %s\n", argv[3], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  rusage ru{};
  while (wait4(pid, &status, 0, &ru) < 0) {
    if (errno != EINTR) {
      std::perror("measure: wait4");
      return 2;
    }
  }
  clock_gettime(CLOCK_MONOTONIC, &end);
  const double wall = static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::printf("%.4f %.3f %.3f %ld %d\n", wall, Seconds(ru.ru_utime), Seconds(ru.ru_stime), ru.ru_maxrss, code);
  return 0;
}

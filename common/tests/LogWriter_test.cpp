#include "common/core/LogWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "common/tests/support/CurrentFolder.h"
#include "common/tests/support/TempTree.h"

namespace {

using common::AppendLogBlock;
using common::ComposeLogBlock;
using common::FormatLogDate;
using common::LocalTime;

constexpr LocalTime kSundayEvening{.year = 2026, .month = 12, .day = 6, .hour = 17, .minute = 5, .second = 9};

TEST(LogWriter, DateFormat) {
  struct Case {
    LocalTime t;
    const char* expected;
  } cases[] = {
      {kSundayEvening, "6/12/2026 17:05:09"},
      {{.year = 2026}, "1/1/2026 0:00:00"},
      {{.year = 1999, .month = 12, .day = 31, .hour = 23, .minute = 59, .second = 59}, "31/12/1999 23:59:59"},
      {{.year = 2030, .month = 10, .day = 10, .hour = 10, .minute = 10, .second = 10}, "10/10/2030 10:10:10"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatLogDate(c.t), c.expected);
}

TEST(LogWriter, BlockLines) {
  const LocalTime t = kSundayEvening;
  const std::vector<std::string> lines = {"uno", "dos"};

  std::vector<std::string> update = {"Fecha y hora: 6/12/2026 17:05:09", "Origen: /home/ana",
                                     "Destino: /media/copia", "Modo prueba activado", "uno", "dos",
                                     std::string(80, '-')};
  EXPECT_EQ(ComposeLogBlock(t, "/home/ana", "/media/copia", true, lines, 80), update);

  std::vector<std::string> compare = {"Fecha y hora: 6/12/2026 17:05:09", "Origen: /a",
                                      "Destino: /b", std::string(79, '-')};
  EXPECT_EQ(ComposeLogBlock(t, "/a", "/b", false, {}, 79), compare);
}

TEST(LogWriter, AppendsExactBytesBlockAfterBlock) {
  testsupport::TempTree tree;
  const std::string log = tree.Path("registro.log");
  // Names go out as the file system gives their bytes, valid UTF-8 or not.
  const auto first = ComposeLogBlock(kSundayEvening, "/or\xC3\xADgen", "/destino", false,
                                     {"copy \"/a/caf\xE9\"", "Cancelado por el usuario"}, 80);
  const auto second = ComposeLogBlock({.year = 2026, .month = 12, .day = 7, .hour = 8, .second = 1}, "/o", "/d", true, {}, 80);

  ASSERT_EQ(AppendLogBlock(log, first).number, 0);
  const std::string firstBytes =
      "Fecha y hora: 6/12/2026 17:05:09\r\n"
      "Origen: /or\xC3\xADgen\r\n"
      "Destino: /destino\r\n"
      "copy \"/a/caf\xE9\"\r\n"
      "Cancelado por el usuario\r\n" +
      std::string(80, '-') + "\r\n";
  EXPECT_EQ(tree.ReadFile("registro.log"), firstBytes);

  ASSERT_EQ(AppendLogBlock(log, second).number, 0);
  const std::string secondBytes =
      "Fecha y hora: 7/12/2026 8:00:01\r\n"
      "Origen: /o\r\n"
      "Destino: /d\r\n"
      "Modo prueba activado\r\n" +
      std::string(80, '-') + "\r\n";
  EXPECT_EQ(tree.ReadFile("registro.log"), firstBytes + secondBytes);

  // The lock is gone once the block is written.
  int fd = open(log.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  close(fd);
}

// The log goes through the file-system layer: a failure names its step,
// and a write that fails part way leaves the log as it was.
TEST(LogWriter, FailuresComeFromTheFileSystemLayer) {
  testsupport::TempTree tree;
  tree.WriteFile("update.log", "anterior\r\n");
  const std::string log = tree.Path("update.log");
  common::FaultInjector faults;
  const common::FileSystem fs(&faults);
  faults.FailOn(common::FsOp::Open, "update.log", EACCES);
  common::FsError e = AppendLogBlock(log, {"x"}, common::kLogLockWait, fs);
  EXPECT_EQ(e.number, EACCES);
  EXPECT_EQ(e.op, common::FsOp::Open);
  EXPECT_EQ(e.path, log);
  faults.FailOn(common::FsOp::Write, "update.log", ENOSPC);
  e = AppendLogBlock(log, {"x"}, common::kLogLockWait, fs);
  EXPECT_EQ(e.number, ENOSPC);
  EXPECT_EQ(e.op, common::FsOp::Write);
  EXPECT_EQ(tree.ReadFile("update.log"), "anterior\r\n");
}

// What the file held stays before the new block.
TEST(LogWriter, RelativeNameIsInTheCurrentFolderAndAppended) {
  testsupport::TempTree tree;
  tree.WriteFile("trabajo/update.log", "anterior\r\n");
  {
    testsupport::CurrentFolder cwd(tree.Path("trabajo"));
    EXPECT_FALSE(AppendLogBlock("update.log", {"linea"}));
  }
  EXPECT_EQ(tree.ReadFile("trabajo/update.log"), "anterior\r\nlinea\r\n");
}

// Appends in a child armed with an alarm, so that a writer that blocks
// shows up as a signal instead of a test that never ends. Gives the errno
// of the failure, 0 on success, or 1000 + the signal that ended the child.
int AppendGuarded(const std::string& name, std::chrono::milliseconds lockWait = common::kLogLockWait) {
  pid_t pid = fork();
  if (pid == 0) {
    alarm(30);
    _exit(AppendLogBlock(name, {"x"}, lockWait).number);
  }
  int raw = 0;
  while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
  }
  return WIFSIGNALED(raw) ? 1000 + WTERMSIG(raw) : WEXITSTATUS(raw);
}

TEST(LogWriter, FailuresAreGivenAndLeaveNothing) {
  testsupport::TempTree tree;
  tree.MakeDir("carpeta");
  tree.WriteFile("fichero", "f");
  ASSERT_EQ(mkfifo(tree.Path("tubo").c_str(), 0644), 0);
  tree.Symlink("enlace-a-tubo", "tubo");
  const auto before = tree.Snapshot();
  // Only a regular file is written: a FIFO or a device is refused, never
  // waited on, whether or not something reads the FIFO.
  const int reader = open(tree.Path("tubo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  const struct {
    std::string name;
    int number;
  } cases[] = {
      {"", ENOENT},
      {tree.Path("no-existe/update.log"), ENOENT},  // missing folder
      {tree.Path("carpeta"), EISDIR},
      {tree.Path("fichero/update.log"), ENOTDIR},  // a file where a folder should be
      {tree.Path("tubo"), ENOTSUP},
      {tree.Path("enlace-a-tubo"), ENOTSUP},
      {"/dev/null", ENOTSUP},
      {"/dev/full", ENOTSUP},
  };
  for (const auto& c : cases) EXPECT_EQ(AppendGuarded(c.name), c.number) << c.name;
  close(reader);
  EXPECT_EQ(AppendGuarded(tree.Path("tubo")), ENOTSUP) << "no reader";
  EXPECT_EQ(tree.Snapshot(), before);

  // A full disk: the write fails and is given.
  const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
  if (full >= 0) {
    EXPECT_EQ(common::WriteLogBlock(full, {"x"}).number, ENOSPC);
    close(full);
  }
}

TEST(LogWriter, ALockHeldTooLongIsAFailureAndTheFileStaysAsItWas) {
  testsupport::TempTree tree;
  tree.WriteFile("update.log", "anterior\r\n");
  const int holder = open(tree.Path("update.log").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);
  EXPECT_EQ(AppendGuarded(tree.Path("update.log"), std::chrono::milliseconds(50)), EWOULDBLOCK);
  close(holder);
  EXPECT_EQ(tree.ReadFile("update.log"), "anterior\r\n");
}

}  // namespace

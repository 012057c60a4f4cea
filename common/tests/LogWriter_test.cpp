#include "common/core/LogWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/tests/support/TempTree.h"

namespace {

using common::AppendLogBlock;
using common::ComposeLogBlock;
using common::FormatLogDate;
using common::LocalTime;

LocalTime At(int year, int month, int day, int hour, int minute, int second) {
  LocalTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  return t;
}

TEST(LogWriter, DateFormat) {
  struct Case {
    LocalTime t;
    const char* expected;
  } cases[] = {
      {At(2026, 12, 6, 17, 5, 9), "6/12/2026 17:05:09"},
      {At(2026, 1, 1, 0, 0, 0), "1/1/2026 0:00:00"},
      {At(1999, 12, 31, 23, 59, 59), "31/12/1999 23:59:59"},
      {At(2030, 10, 10, 10, 10, 10), "10/10/2030 10:10:10"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatLogDate(c.t), c.expected);
}

TEST(LogWriter, BlockLines) {
  const LocalTime t = At(2026, 12, 6, 17, 5, 9);
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
  const LocalTime t = At(2026, 12, 6, 17, 5, 9);
  // Names go out as the file system gives their bytes, valid UTF-8 or not.
  const auto first = ComposeLogBlock(t, "/or\xC3\xADgen", "/destino", false,
                                     {"copy \"/a/caf\xE9\"", "Cancelado por el usuario"}, 80);
  const auto second = ComposeLogBlock(At(2026, 12, 7, 8, 0, 1), "/o", "/d", true, {}, 80);

  ASSERT_TRUE(AppendLogBlock(log, first));
  const std::string firstBytes =
      "Fecha y hora: 6/12/2026 17:05:09\r\n"
      "Origen: /or\xC3\xADgen\r\n"
      "Destino: /destino\r\n"
      "copy \"/a/caf\xE9\"\r\n"
      "Cancelado por el usuario\r\n" +
      std::string(80, '-') + "\r\n";
  EXPECT_EQ(tree.ReadFile("registro.log"), firstBytes);

  ASSERT_TRUE(AppendLogBlock(log, second));
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

TEST(LogWriter, KeepsWhatTheFileHeld) {
  testsupport::TempTree tree;
  tree.WriteFile("update.log", "anterior\r\n");
  ASSERT_TRUE(AppendLogBlock(tree.Path("update.log"), {"x"}));
  EXPECT_EQ(tree.ReadFile("update.log"), "anterior\r\nx\r\n");
}

TEST(LogWriter, RelativeNameIsInTheCurrentFolder) {
  testsupport::TempTree tree;
  tree.MakeDir("trabajo");
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(tree.Path("trabajo").c_str()), 0);
  const bool ok = AppendLogBlock("update.log", {"linea"});
  ASSERT_EQ(chdir(old), 0);
  EXPECT_TRUE(ok);
  EXPECT_EQ(tree.ReadFile("trabajo/update.log"), "linea\r\n");
}

TEST(LogWriter, FailuresGiveFalseAndLeaveNothing) {
  testsupport::TempTree tree;
  tree.MakeDir("carpeta");
  tree.WriteFile("fichero", "f");
  const auto before = tree.Snapshot();
  const std::string names[] = {
      "",
      tree.Path("no-existe/update.log"),  // missing folder
      tree.Path("carpeta"),               // a folder
      tree.Path("fichero/update.log"),    // a file where a folder should be
  };
  for (const auto& name : names) EXPECT_FALSE(AppendLogBlock(name, {"x"})) << name;
  EXPECT_EQ(tree.Snapshot(), before);

  // A full disk: the write fails and is reported.
  if (access("/dev/full", W_OK) == 0) {
    EXPECT_FALSE(AppendLogBlock("/dev/full", {"x"}));
  }
}

}  // namespace

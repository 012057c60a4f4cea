// Several processes appending their blocks to one log at the same time:
// every block arrives whole, never interleaved with another.
//
// A pipe shows the lock at work: a large write to a pipe goes in pieces as
// the reader drains it, so without the lock two writers' pieces mix. A
// regular file checks the same with many writers and many rounds.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/core/LogWriter.h"
#include "common/tests/support/TempTree.h"

namespace {

using Lines = std::vector<std::string>;

// The block of writer w, round k: its lines name both, so a line that
// strays into another block shows.
Lines Block(int writer, int round, int lineCount) {
  const common::LocalTime t{.year = 2026, .month = 12, .day = 6};
  Lines lines;
  for (int i = 0; i < lineCount; ++i)
    lines.push_back("escritor " + std::to_string(writer) + " ronda " + std::to_string(round) + " l\xC3\xADnea " +
                    std::to_string(i) + " " + std::string(40, 'x'));
  return common::ComposeLogBlock(t, "escritor " + std::to_string(writer), "ronda " + std::to_string(round),
                                 false, lines, 80);
}

size_t BlockBytes(const Lines& block) {
  size_t n = 0;
  for (const auto& l : block) n += l.size() + 2;
  return n;
}

// Starts a process that appends the block once to the FIFO (a log is never
// a FIFO, so it opens it itself) and ends with 0 on success.
pid_t StartWriter(const std::string& fifo, const Lines& block) {
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
    _exit(fd >= 0 && !common::WriteLogBlock(fd, block) ? 0 : 1);
  }
  return pid;
}

int WaitFor(pid_t pid) {
  int raw = 0;
  while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

// Splits the log into blocks and checks each one against the block its
// header names. Returns (writer, round) of every block, in log order.
std::vector<std::pair<int, int>> CheckBlocks(const std::string& log, int lineCount) {
  Lines lines;
  for (size_t at = 0; at < log.size();) {
    size_t end = log.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "log ends inside a line";
      break;
    }
    lines.push_back(log.substr(at, end - at));
    at = end + 2;
  }
  std::vector<std::pair<int, int>> blocks;
  const size_t blockLines = static_cast<size_t>(lineCount) + 4;
  for (size_t at = 0; at < lines.size(); at += blockLines) {
    if (lines.size() - at < blockLines) {
      ADD_FAILURE() << "a block is cut short at line " << at;
      break;
    }
    int writer = -1, round = -1;
    if (std::sscanf(lines[at + 1].c_str(), "Origen: escritor %d", &writer) != 1 ||
        std::sscanf(lines[at + 2].c_str(), "Destino: ronda %d", &round) != 1) {
      ADD_FAILURE() << "no block header at line " << at << ": " << lines[at + 1];
      break;
    }
    Lines expected = Block(writer, round, lineCount);
    for (size_t i = 0; i < blockLines; ++i) {
      if (lines[at + i] != expected[i]) {
        ADD_FAILURE() << "block of writer " << writer << " broken at its line " << i << ": " << lines[at + i];
        return blocks;
      }
    }
    blocks.emplace_back(writer, round);
  }
  return blocks;
}

TEST(LogConcurrency, WritersOfAPipeNeverInterleave) {
  testsupport::TempTree tree;
  const std::string fifo = tree.Path("registro");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  // Each block is several times what a pipe holds, so it goes in pieces.
  constexpr int kWriters = 4;
  constexpr int kLines = 3000;
  constexpr int kRounds = 3;

  for (int round = 0; round < kRounds; ++round) {
    int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    // Held open so the reader sees no end before every writer is done.
    int keeper = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(keeper, 0);

    size_t expected = 0;
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
      Lines block = Block(w, round, kLines);
      ASSERT_GT(BlockBytes(block), size_t{3} * 65536);
      expected += BlockBytes(block);
      writers.push_back(StartWriter(fifo, block));
    }

    std::string log;
    char buf[65536];
    while (log.size() < expected) {
      pollfd p{reader, POLLIN, 0};
      // Only turns a writer that never comes into a failure.
      int ready = poll(&p, 1, 120000);
      if (ready < 0 && errno == EINTR) continue;
      ASSERT_GT(ready, 0) << "the writers stopped after " << log.size() << " of " << expected << " bytes";
      ssize_t n = read(reader, buf, sizeof buf);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      ASSERT_GT(n, 0);
      log.append(buf, static_cast<size_t>(n));
    }
    for (pid_t pid : writers) EXPECT_EQ(WaitFor(pid), 0);
    close(keeper);
    close(reader);

    auto blocks = CheckBlocks(log, kLines);
    ASSERT_EQ(blocks.size(), size_t{kWriters});
    std::map<int, int> byWriter;
    for (auto [w, r] : blocks) {
      EXPECT_EQ(r, round);
      ++byWriter[w];
    }
    for (int w = 0; w < kWriters; ++w) EXPECT_EQ(byWriter[w], 1) << "writer " << w;
  }
}

TEST(LogConcurrency, ManyWritersOfAFileLeaveWholeBlocks) {
  testsupport::TempTree tree;
  tree.WriteFile("registro.log", "");
  const std::string log = tree.Path("registro.log");
  constexpr int kWriters = 8;
  constexpr int kRounds = 20;
  constexpr int kLines = 400;

  // Each writer process appends its rounds one after another; the writers
  // run at the same time.
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    if (pid == 0) {
      bool ok = true;
      for (int r = 0; r < kRounds; ++r) ok = !common::AppendLogBlock(log, Block(w, r, kLines)) && ok;
      _exit(ok ? 0 : 1);
    }
    writers.push_back(pid);
  }
  for (pid_t pid : writers) EXPECT_EQ(WaitFor(pid), 0);

  auto blocks = CheckBlocks(tree.ReadFile("registro.log"), kLines);
  ASSERT_EQ(blocks.size(), size_t{kWriters * kRounds});
  // Each writer's rounds appear once each, in the order it wrote them.
  std::map<int, int> next;
  for (auto [w, r] : blocks) EXPECT_EQ(r, next[w]++) << "writer " << w;
  for (int w = 0; w < kWriters; ++w) EXPECT_EQ(next[w], kRounds);
}

}  // namespace

// Two unattended runs writing the same log at the same time, many times
// over: the log holds every block whole, one after the other.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "common/tests/support/ChildProcess.h"
#include "common/tests/support/TempTree.h"

namespace updatetest {
namespace {

TEST(SharedLog, ConcurrentRunsWriteWholeBlocks) {
  testsupport::TempTree tree;
  // Each run has more lines than a block takes (1001), so both write the
  // largest block there is, at once.
  constexpr int kFiles = 1200;
  constexpr int kRounds = 10;
  for (const char* side : {"A", "B"}) {
    for (int i = 0; i < kFiles; ++i)
      tree.WriteFile(std::string("origen") + side + "/archivo" + std::to_string(i) + ".txt", side, 100);
    tree.MakeDir(std::string("copia") + side);
  }

  for (int round = 0; round < kRounds; ++round) {
    std::vector<std::unique_ptr<testsupport::ChildProcess>> runs;
    for (const char* side : {"A", "B"})
      runs.push_back(std::make_unique<testsupport::ChildProcess>(
          UPDATE_PROGRAM,
          std::vector<std::string>{"/u", "/test", "/log:cud", "/logfile:compartido.log",
                                   std::string("origen") + side, std::string("copia") + side},
          tree.Root()));
    for (auto& run : runs) {
      auto r = run->Wait();
      ASSERT_FALSE(r.Hung());
      EXPECT_EQ(r.status, 0);
    }
  }

  // Walk the log block by block: each is its header, then 1001 lines of
  // its own run, then the dashes.
  const std::string log = tree.ReadFile("compartido.log");
  std::vector<std::string> lines;
  for (size_t at = 0, end; at < log.size(); at = end + 2) {
    end = log.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    lines.push_back(log.substr(at, end - at));
  }
  const std::regex create("create \"origen([AB])/archivo\\d+\\.txt\" \"copia([AB])/archivo\\d+\\.txt\"");
  std::map<std::string, int> blocks;
  size_t at = 0;
  while (at < lines.size()) {
    ASSERT_EQ(lines[at].rfind("Fecha y hora: ", 0), 0u) << "line " << at;
    ASSERT_LT(at + 1005, lines.size());
    std::smatch origin;
    ASSERT_TRUE(std::regex_match(lines[at + 1], origin, std::regex("Origen: origen([AB])"))) << lines[at + 1];
    const std::string side = origin[1];
    EXPECT_EQ(lines[at + 2], "Destino: copia" + side);
    EXPECT_EQ(lines[at + 3], "Modo prueba activado");
    for (size_t i = at + 4; i < at + 4 + 1001; ++i) {
      std::smatch m;
      ASSERT_TRUE(std::regex_match(lines[i], m, create)) << "line " << i << ": " << lines[i];
      ASSERT_EQ(m[1], side) << "line " << i << " strayed into a block of run " << side;
      ASSERT_EQ(m[2], side);
    }
    EXPECT_EQ(lines[at + 1005], std::string(80, '-'));
    ++blocks[side];
    at += 1006;
  }
  EXPECT_EQ(blocks["A"], kRounds);
  EXPECT_EQ(blocks["B"], kRounds);
}

}  // namespace
}  // namespace updatetest

// The walk with its read-ahead, on trees large enough that the worker runs
// well ahead of the report: the lines and their order are those of a plain
// sequential walk whatever was read ahead (differences, failures met by
// either thread, one-sided files and folders, listings that fail), a cancel
// stops after the pair in progress, /debug stops at the failing pair, and no
// descriptor stays open after any of these.

#include <dirent.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/core/RunStatus.h"
#include "common/tests/support/TempTree.h"
#include "compare/core/CompareEngine.h"
#include "common/tests/support/RecordingView.h"
#include "common/tests/support/ErrorLine.h"

namespace {

using common::FsError;
using common::FsOp;
using compare::CompareEngine;
using Lines = std::vector<std::string>;

constexpr size_t kMiB = CompareEngine::kBlockSize;

int OpenDescriptors() {
  int n = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++n;
    closedir(dir);
  }
  return n;
}

std::string Content(size_t size, int seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (i * 7 + static_cast<size_t>(seed)) % 26);
  return s;
}

std::string Name(int i) {
  std::string n = std::to_string(i);
  return "f" + std::string(3 - n.size(), '0') + n;
}

class ParallelWalk : public ::testing::Test {
 protected:
  std::string O(const std::string& rel) const { return tree.Path("o/" + rel); }
  std::string C(const std::string& rel) const { return tree.Path("c/" + rel); }
  static std::string Q(const std::string& path) { return "\"" + path + "\""; }
  std::string Differs(const std::string& rel) const {
    return "Diferente contenido: " + Q(O(rel)) + ", " + Q(C(rel));
  }
  std::string SizeDiffers(const std::string& rel) const {
    return "Diferente tama\xC3\xB1o: " + Q(O(rel)) + ", " + Q(C(rel));
  }
  std::string PairFailed(int number, const std::string& rel) const {
    return testsupport::ErrorLine(number, "compare " + Q(O(rel)) + " " + Q(C(rel)));
  }
  std::string ListFailed(int number, const std::string& path) const {
    return testsupport::ErrorLine(number, "list " + Q(path));
  }

  void Pair(const std::string& rel, const std::string& origin, const std::string& copy) {
    tree.WriteFiles({{"o/" + rel, origin}, {"c/" + rel, copy}});
  }
  // n pairs in folder rel (the root for ""), every one differing in its
  // last byte; pair i holds size + i bytes.
  void DifferingPairs(const std::string& rel, int n, size_t size = 100) {
    for (int i = 0; i < n; ++i) {
      const std::string content = Content(size + static_cast<size_t>(i), i);
      std::string other = content;
      other.back() ^= 1;
      Pair(rel.empty() ? Name(i) : rel + "/" + Name(i), content, other);
    }
  }

  Lines Run(common::ProgressView& view) {
    CompareEngine engine(options, errors, fs, view);
    engine.Compare(tree.Path("o"), tree.Path("c"), false);
    return errors.Lines();
  }

  testsupport::TempTree tree;
  common::FaultInjector faults;
  common::FileSystem fs{&faults};
  compare::Options options;
  common::ErrorList errors{compare::kReportCap};
};

// Every kind of finding, interleaved through folders of more pairs than the
// read-ahead holds, with failures on both sides met by the read-ahead and by
// the block loop that follows it. The tree is built in the order a
// sequential walk reports (files of a folder by name, then its folders by
// name, each matched folder's whole report at its place), and the expected
// lines are written down as it is built.
class OrderedReport : public ParallelWalk {
 protected:
  struct Rule {
    FsOp op;
    std::string path;
    int error;
    int nth;
  };

  void Fail(FsOp op, const std::string& path, int error, int nth = 1) { rules.push_back({op, path, error, nth}); }
  void Expect(const std::string& line, bool reported) {
    if (reported) expected.push_back(line);
  }

  // n files in folder rel (the root for ""), file i playing role i % 13.
  // reported: false for a folder whose listing fails, so nothing of it shows.
  void Fill(const std::string& rel, int n, bool reported = true) {
    const std::string prefix = rel.empty() ? "" : rel + "/";
    for (int i = 0; i < n; ++i) {
      const std::string f = prefix + Name(i);
      const std::string small = Content(50 + static_cast<size_t>(i % 17), i);
      std::string other = small;
      other[other.size() / 2] ^= 1;
      switch (i % 13) {
        case 0:
        case 12:
          Pair(f, small, small);
          break;
        case 1:
          Pair(f, small, other);
          Expect(Differs(f), reported);
          break;
        case 2:
          Pair(f, small, small + "x");
          Expect(SizeDiffers(f), reported);
          break;
        case 3:
          tree.WriteFile("o/" + f, small);
          Expect("Falta archivo de destino: " + Q(C(f)), reported);
          break;
        case 4:
          tree.WriteFile("c/" + f, small);
          Expect("Falta archivo de origen: " + Q(O(f)), reported);
          break;
        // 5: the origin cannot be opened; 6: the copy cannot; 7: the copy's
        // only read fails; 8: the origin's. The copies of 6 and 8 differ.
        case 5:
        case 6:
        case 7:
        case 8: {
          const int role = i % 13;
          const int error = role == 5 ? EACCES : EIO;
          Pair(f, small, role % 2 == 0 ? other : small);
          Fail(role <= 6 ? FsOp::Open : FsOp::Read, role == 5 || role == 8 ? O(f) : C(f), error);
          Expect(PairFailed(error, f), reported);
          break;
        }
        case 9:
          Pair(f, "", "");
          break;
        case 10:  // links with targets of the same length, different text
          tree.Symlink("o/" + f, "destino-a");
          tree.Symlink("c/" + f, "destino-b");
          Expect(Differs(f), reported);
          break;
        case 11:
          tree.Symlink("o/" + f, "x");
          tree.Symlink("c/" + f, "x");
          break;
      }
    }
  }

  // Pairs of more than a block, named after the small files: equal,
  // differing in the first block, in the second (found by the block loop
  // after the read-ahead), a copy whose second read fails, equal again.
  void Bigs(const std::string& rel) {
    const std::string big = Content(2 * kMiB + 3, 1);
    std::string early = big, late = big;
    early[10] ^= 1;
    late[kMiB + 10] ^= 1;
    const std::string p = rel + "/g";
    Pair(p + "0", big, big);
    Pair(p + "1", big, early);
    Expect(Differs(p + "1"), true);
    Pair(p + "2", big, late);
    Expect(Differs(p + "2"), true);
    Pair(p + "3", big, big);
    Fail(FsOp::Read, C(p + "3"), EIO, 2);
    Expect(PairFailed(EIO, p + "3"), true);
    Pair(p + "4", big, big);
  }

  std::vector<Rule> rules;
  Lines expected;
};

TEST_F(OrderedReport, LinesAreThoseOfASequentialWalk) {
  // Root files, then the root's folders a..g in name order.
  Fill("", 40);
  Fill("a", 150);
  Bigs("a");
  Fill("a/x", 30);
  tree.WriteFile("o/a/y/solo.txt", "1");
  Expect("Falta carpeta de destino: " + Q(C("a/y")), true);
  Fill("a/z", 20);
  Fill("a/z/deep", 14);
  tree.WriteFile("o/b/dentro.txt", "1");
  Expect("Falta carpeta de destino: " + Q(C("b")), true);
  Fill("c", 10, false);
  Fail(FsOp::List, C("c"), EACCES);
  Expect(ListFailed(EACCES, C("c")), true);
  tree.WriteFile("c/d/dentro.txt", "1");
  Expect("Falta carpeta de origen: " + Q(O("d")), true);
  Fill("e", 420);  // more pairs than the read-ahead holds, several times over
  Fill("e/sub", 13);
  Fill("f", 10, false);
  Fail(FsOp::List, O("f"), EIO, 2);  // the first listing of an origin folder is the count's
  Expect(ListFailed(EIO, O("f")), true);
  tree.MakeDir("o/g");
  tree.MakeDir("c/g");
  Fill("g/h", 13);

  // Several runs, so that the two threads meet at different places.
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    errors.Clear();
    faults.Clear();  // the rules count calls: armed afresh for each run
    for (const Rule& r : rules) faults.FailOn(r.op, r.path, r.error, r.nth);
    testsupport::RecordingView view;
    const int before = OpenDescriptors();
    EXPECT_EQ(Run(view), expected);
    EXPECT_EQ(view.closed, 1);
    EXPECT_EQ(OpenDescriptors(), before);
  }
}

// A cancel in the middle of a folder whose pairs are read well ahead: the
// pair in progress is reported, nothing after it, and everything read ahead
// is dropped and closed.
TEST_F(ParallelWalk, CancelStopsAfterThePairInProgress) {
  DifferingPairs("m", 300);
  DifferingPairs("n", 10);  // a later folder: never reached
  const int before = OpenDescriptors();
  testsupport::RecordingView view;
  bool pressed = false;
  view.onEvent = [&](testsupport::RecordingView& v) {
    if (pressed || errors.Count() != 120) return;
    pressed = true;
    v.ClickCancel();
  };
  Lines lines = Run(view);
  ASSERT_EQ(lines.size(), 121u);
  for (int i = 0; i < 120; ++i) EXPECT_EQ(lines[static_cast<size_t>(i)], Differs("m/" + Name(i)));
  EXPECT_EQ(lines.back(), "Cancelado por el usuario");
  EXPECT_EQ(view.closed, 1);
  EXPECT_EQ(OpenDescriptors(), before);
}

// Cancelled within the block loop of a large pair while the following large
// pairs wait read ahead with their files open.
TEST_F(ParallelWalk, CancelInsideALargePairClosesThePairsReadAhead) {
  const std::string big = Content(3 * kMiB, 5);
  for (int i = 0; i < 5; ++i) Pair(Name(i), big, big);
  Pair("zz", "1", "2");
  // The pauses: two as the run starts, one for the count, one for the
  // folder's status, then one per whole block of f000; the sixth follows
  // its second block, inside the block loop that goes on after the
  // read-ahead.
  testsupport::RecordingView view;
  view.CancelAtEvent(6);
  const int before = OpenDescriptors();
  EXPECT_EQ(Run(view), Lines{"Cancelado por el usuario"});
  EXPECT_GE(view.events, 6) << "the click comes at the sixth pause";
  EXPECT_EQ(OpenDescriptors(), before);
}

struct DebugCase {
  const char* name;
  FsOp op;
  const char* side;  // "o" or "c"
  int nth;
  size_t size;  // of every file in the folder
};
void PrintTo(const DebugCase& c, std::ostream* os) { *os << c.name; }

class DebugStopsAtThePair : public ParallelWalk, public ::testing::WithParamInterface<DebugCase> {};

// The failing pair sits well inside the read-ahead: the run stops there,
// with every line before it and none after.
TEST_P(DebugStopsAtThePair, NoLineAfterIt) {
  const DebugCase& c = GetParam();
  options.DebugMode = true;
  DifferingPairs("", 120, c.size);
  const int failing = 45;
  faults.FailOn(c.op, tree.Path(std::string(c.side) + "/" + Name(failing)), EIO, c.nth);
  testsupport::RecordingView view;
  const int before = OpenDescriptors();
  try {
    Run(view);
    FAIL() << "no DebugStop";
  } catch (const common::DebugStop& stop) {
    EXPECT_EQ(stop.Number(), EIO);
  }
  Lines lines = errors.Lines();
  ASSERT_EQ(lines.size(), static_cast<size_t>(failing));
  for (int i = 0; i < failing; ++i) EXPECT_EQ(lines[static_cast<size_t>(i)], Differs(Name(i)));
  EXPECT_EQ(view.closed, 1);
  EXPECT_EQ(OpenDescriptors(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, DebugStopsAtThePair,
    ::testing::Values(DebugCase{"OpenOrigin", FsOp::Open, "o", 1, 300},
                      DebugCase{"OpenCopy", FsOp::Open, "c", 1, 300},
                      DebugCase{"ReadOrigin", FsOp::Read, "o", 1, 300},
                      DebugCase{"ReadCopy", FsOp::Read, "c", 1, 300},
                      // A large pair: its second block is read after the read-ahead.
                      DebugCase{"ReadCopySecondBlock", FsOp::Read, "c", 2, kMiB + 100}),
    [](const ::testing::TestParamInfo<DebugCase>& info) { return std::string(info.param.name); });

}  // namespace

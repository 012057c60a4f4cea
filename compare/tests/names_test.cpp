// Names that are hard on a comparison: twins that differ only in letter
// case or normalisation, bytes that are not UTF-8, control characters in
// names (in every line of the log), names at the length limit and paths
// longer than PATH_MAX.

#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>

#include <bit>
#include <bitset>
#include <ostream>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/tests/support/ChildProcess.h"
#include "common/tests/support/DeepTree.h"
#include "common/tests/support/TempTree.h"
#include "compare/core/CompareEngine.h"
#include "compare/tests/support/RecordingView.h"

namespace {

using Lines = std::vector<std::string>;

std::string Q(const std::string& path) { return "\"" + path + "\""; }

class Names : public ::testing::Test {
 protected:
  Names() {
    tree.MakeDir("o");
    tree.MakeDir("c");
  }
  std::string O(const std::string& rel) const { return tree.Path("o/" + rel); }
  std::string C(const std::string& rel) const { return tree.Path("c/" + rel); }

  Lines Run() {
    errors.Clear();
    compare::CompareEngine engine(options, errors, fs, view);
    engine.Compare(tree.Path("o"), tree.Path("c"), false);
    return errors.Lines();
  }

  testsupport::TempTree tree;
  common::FileSystem fs;
  compare::Options options;
  common::ErrorList errors{compare::kReportCap};
  comparetest::RecordingView view;
};

// ---- Twins: every combination of spellings on both sides ----

struct TwinGroup {
  const char* label;
  std::vector<std::string> spellings;  // in byte order
};
const TwinGroup kTwinGroups[] = {
    {"Case", {"INFORME.TXT", "Informe.txt", "informe.txt"}},
    // "café" in capitals, decomposed (e + combining acute) and composed.
    {"Form", {"CAF\xC3\x89", "cafe\xCC\x81", "caf\xC3\xA9"}},
};

enum class TwinKind { File, Folder };

struct TwinCase {
  int group;
  unsigned origin;  // bit i: spelling i is in the origin
  unsigned copy;    // bit i: spelling i is in the copy
  TwinKind kind;
};

std::vector<TwinCase> AllTwinCases() {
  std::vector<TwinCase> cases;
  for (int g = 0; g < 2; ++g)
    for (unsigned o = 0; o < 8; ++o)
      for (unsigned c = 0; c < 8; ++c)
        if (o != 0 || c != 0)
          for (TwinKind k : {TwinKind::File, TwinKind::Folder}) cases.push_back({g, o, c, k});
  return cases;
}

// "Case_S101_C010_File": group, spellings on each side (bit i = spelling i), kind.
std::string TwinCaseText(const TwinCase& c) {
  return std::string(kTwinGroups[c.group].label) + "_O" + std::bitset<3>(c.origin).to_string() +
         "_C" + std::bitset<3>(c.copy).to_string() + (c.kind == TwinKind::File ? "_File" : "_Folder");
}
void PrintTo(const TwinCase& c, std::ostream* os) { *os << TwinCaseText(c); }
std::string TwinCaseName(const ::testing::TestParamInfo<TwinCase>& info) { return TwinCaseText(info.param); }

class Twins : public Names, public ::testing::WithParamInterface<TwinCase> {
 protected:
  // The content says which spelling it belongs to, with the same size for
  // all: a pair of two spellings differs in content, a byte-equal pair not.
  void Put(const std::string& side, int spelling) {
    const TwinCase& c = GetParam();
    const std::string& name = kTwinGroups[c.group].spellings[spelling];
    const std::string content = "contenido " + std::to_string(spelling);
    if (c.kind == TwinKind::File) tree.WriteFile(side + "/" + name, content);
    else tree.WriteFile(side + "/" + name + "/dentro.txt", content);
  }
};

TEST_P(Twins, PairOnlyOneToOneOrByteEqual) {
  const TwinCase& c = GetParam();
  const auto& spellings = kTwinGroups[c.group].spellings;
  for (int i = 0; i < 3; ++i) {
    if (c.origin & (1u << i)) Put("o", i);
    if (c.copy & (1u << i)) Put("c", i);
  }
  const bool file = c.kind == TwinKind::File;

  Lines expected;
  if (std::bitset<3>(c.origin).count() == 1 && std::bitset<3>(c.copy).count() == 1) {
    // One name on each side: one pair, whatever the spellings.
    const std::string& a = spellings[std::countr_zero(c.origin)];
    const std::string& b = spellings[std::countr_zero(c.copy)];
    if (a != b) {
      expected.push_back(file ? "Diferente contenido: " + Q(O(a)) + ", " + Q(C(b))
                              : "Diferente contenido: " + Q(O(a + "/dentro.txt")) + ", " +
                                    Q(C(b + "/dentro.txt")));
    }
  } else {
    // Twins: byte-equal names pair, the others are on one side only, in
    // byte order.
    for (int i = 0; i < 3; ++i) {
      const bool inOrigin = c.origin & (1u << i);
      const bool inCopy = c.copy & (1u << i);
      if (inOrigin && !inCopy)
        expected.push_back((file ? "Falta archivo de destino: " : "Falta carpeta de destino: ") +
                           Q(C(spellings[i])));
      if (inCopy && !inOrigin)
        expected.push_back((file ? "Falta archivo de origen: " : "Falta carpeta de origen: ") +
                           Q(O(spellings[i])));
    }
  }
  EXPECT_EQ(Run(), expected);
  EXPECT_EQ(errors.Failures(), 0);
}

INSTANTIATE_TEST_SUITE_P(Names, Twins, ::testing::ValuesIn(AllTwinCases()), TwinCaseName);

// ---- Names that are not UTF-8 ----

TEST_F(Names, InvalidUtf8IsComparedAsItsBytes) {
  tree.WriteFile("o/\xFF\xFE.bin", "nuevo");
  tree.WriteFile("c/\xFF\xFE.bin", "viejo");
  tree.WriteFile("o/igual\xFF", "igual");
  tree.WriteFile("c/igual\xFF", "igual");
  tree.WriteFile("o/caf\xE9.txt", "latin1");
  tree.WriteFile("c/CAF\xC9.TXT", "latin1");
  tree.WriteFile("o/\xC3\xA9.txt", "utf8");
  tree.WriteFile("c/\xE9.txt", "utf8");
  tree.MakeDir("o/carpeta\xE9");
  tree.MakeDir("c/CARPETA\xC9");
  // In key order: invalid names are their own key (capitals not folded).
  EXPECT_EQ(Run(), (Lines{
                       "Falta archivo de origen: " + Q(O("CAF\xC9.TXT")),
                       "Falta archivo de destino: " + Q(C("caf\xE9.txt")),
                       "Falta archivo de destino: " + Q(C("\xC3\xA9.txt")),
                       "Falta archivo de origen: " + Q(O("\xE9.txt")),
                       "Diferente contenido: " + Q(O("\xFF\xFE.bin")) + ", " + Q(C("\xFF\xFE.bin")),
                       "Falta carpeta de origen: " + Q(O("CARPETA\xC9")),
                       "Falta carpeta de destino: " + Q(C("carpeta\xE9")),
                   }));
}

// ---- Names at the length limit ----

TEST_F(Names, NamesOfNameMaxBytesAreCompared) {
  std::string accented;
  for (int i = 0; i < 127; ++i) accented += "\xC3\xA9";
  accented += "x";
  ASSERT_EQ(accented.size(), size_t{NAME_MAX});
  const std::string ascii(NAME_MAX, 'n');
  const std::string folder(NAME_MAX, 'd');
  const std::string inner(NAME_MAX, 'f');
  tree.WriteFile("o/" + ascii, "igual");
  tree.WriteFile("c/" + ascii, "igual");
  tree.WriteFile("o/" + accented, "uno");
  tree.WriteFile("c/" + accented, "dos");
  tree.WriteFile("o/" + folder + "/" + inner, "dentro");
  tree.WriteFile("c/" + folder + "/" + inner, "dentro!");
  tree.WriteFile("c/" + std::string(NAME_MAX, 'z'), "sobra");
  EXPECT_EQ(Run(), (Lines{
                       "Falta archivo de origen: " + Q(O(std::string(NAME_MAX, 'z'))),
                       "Diferente contenido: " + Q(O(accented)) + ", " + Q(C(accented)),
                       "Diferente tama\xC3\xB1o: " + Q(O(folder + "/" + inner)) + ", " +
                           Q(C(folder + "/" + inner)),
                   }));
}

// ---- Paths longer than PATH_MAX ----

// Each folder is opened from its parent's handle, so depth is no limit: the
// count, the listings, the files and the links of the deepest level are all
// reached, and every line still names the full path.
class DeepPaths : public ::testing::Test {
 protected:
  static constexpr int kLevels = 25;  // 25 x 201 bytes: beyond PATH_MAX
  const std::string segment = std::string(200, 's');

  DeepPaths() {
    tree.MakeDir("o");
    tree.MakeDir("c");
  }
  ~DeepPaths() override {
    for (const char* side : {"o", "c"}) {
      try {
        testsupport::RemoveDeepContents(tree.Path(side));
      } catch (const std::exception&) {
      }
    }
  }
  // The folder k levels down, below side.
  std::string Level(const std::string& side, int k) const {
    std::string path = tree.Path(side);
    for (int i = 0; i < k; ++i) path += "/" + segment;
    return path;
  }
  std::string Differs(int k, const std::string& name) const {
    return "Diferente contenido: " + Q(Level("o", k) + "/" + name) + ", " + Q(Level("c", k) + "/" + name);
  }

  testsupport::TempTree tree;
};

TEST_F(DeepPaths, IdenticalDeepTreesAreEqualAndFullyCounted) {
  testsupport::MakeDeepChain(tree.Path("o"), kLevels, segment, "igual", 100, "destino igual");
  testsupport::MakeDeepChain(tree.Path("c"), kLevels, segment, "igual", 100, "destino igual");
  ASSERT_GT(Level("c", kLevels).size(), size_t{PATH_MAX});
  common::FileSystem fs;
  compare::Options options;
  common::ErrorList errors{compare::kReportCap};
  comparetest::RecordingView view;
  compare::CompareEngine engine(options, errors, fs, view);
  engine.Compare(tree.Path("o"), tree.Path("c"), false);
  EXPECT_EQ(errors.Lines(), Lines{});
  EXPECT_EQ(engine.FilesTotal(), kLevels + 2);  // a file per level and the deepest link
  EXPECT_EQ(engine.FilesDone(), kLevels + 2);
}

TEST_F(DeepPaths, DifferencesAtEveryDepthAreReported) {
  testsupport::MakeDeepChain(tree.Path("o"), kLevels, segment, "origen", 100, "destino 1");
  testsupport::MakeDeepChain(tree.Path("c"), kLevels, segment, "copia!", 100, "destino 2");
  auto r = testsupport::RunChild(COMPARE_PROGRAM, {"o", "c"}, tree.Root());
  ASSERT_FALSE(r.Hung());
  EXPECT_EQ(r.status, 1) << r.signal;
  // Every level's file differs in content, and so does the deepest link's
  // target text.
  std::string expected;
  for (int k = 0; k <= kLevels; ++k) {
    if (k == kLevels) expected += Differs(k, "enlace") + "\n";
    expected += Differs(k, "nivel" + std::to_string(k)) + "\n";
  }
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, "");
}

// ---- Control characters: one entry, one line of the log ----

TEST(NamesInTheLog, ControlCharactersAreEscapedInEveryLine) {
  testsupport::TempTree tree;
  const std::string o = "ra\xC3\xADz\nuno";
  tree.WriteFile(o + "/solo\nen origen", "1");
  tree.WriteFile("copia/solo\ren copia", "2");
  tree.WriteFile(o + "/tama\xC3\xB1o\t", "123");
  tree.WriteFile("copia/tama\xC3\xB1o\t", "12");
  tree.WriteFile(o + "/contenido\a", "abc");
  tree.WriteFile("copia/contenido\a", "abd");
  tree.MakeDir(o + "/carpeta\x1B");
  tree.MakeDir("copia/otra\x7F");
  ASSERT_EQ(mkfifo(tree.Path(o + "/tubo\nfifo").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(tree.Path("copia/tubo\nfifo").c_str(), 0644), 0);

  auto r = testsupport::RunChild(COMPARE_PROGRAM, {"/u", "/logfile:registro.log", o, "copia"},
                                 tree.Root());
  ASSERT_FALSE(r.Hung());
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");

  const std::string root = tree.Root();
  const std::string eo = root + "/ra\xC3\xADz\\nuno";
  const std::string ec = root + "/copia";
  const std::string log = tree.ReadFile("registro.log");
  Lines lines;
  for (size_t at = 0, end; at < log.size(); at = end + 2) {
    end = log.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "log does not end with CR LF";
    lines.push_back(log.substr(at, end - at));
    EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << lines.back();
  }
  ASSERT_EQ(lines.size(), 11u) << log;
  EXPECT_EQ(lines[0].rfind("Fecha y hora: ", 0), 0u);
  EXPECT_EQ(lines[1], "Origen: " + eo);
  EXPECT_EQ(lines[2], "Destino: " + ec);
  EXPECT_EQ(lines[3], "Diferente contenido: " + Q(eo + "/contenido\\x07") + ", " + Q(ec + "/contenido\\x07"));
  EXPECT_EQ(lines[4], "Falta archivo de destino: " + Q(ec + "/solo\\nen origen"));
  EXPECT_EQ(lines[5], "Falta archivo de origen: " + Q(eo + "/solo\\ren copia"));
  EXPECT_EQ(lines[6], "Diferente tama\xC3\xB1o: " + Q(eo + "/tama\xC3\xB1o\\t") + ", " + Q(ec + "/tama\xC3\xB1o\\t"));
  EXPECT_TRUE(lines[7].ends_with(" (95) en compare " + Q(eo + "/tubo\\nfifo") + " " + Q(ec + "/tubo\\nfifo")))
      << lines[7];
  EXPECT_EQ(lines[8], "Falta carpeta de destino: " + Q(ec + "/carpeta\\x1B"));
  EXPECT_EQ(lines[9], "Falta carpeta de origen: " + Q(eo + "/otra\\x7F"));
  EXPECT_EQ(lines[10], std::string(79, '-'));
}

}  // namespace

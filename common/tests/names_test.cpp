// Names that are hard on both programs: twins that differ only in letter
// case or normalisation, bytes that are not UTF-8, names at the length
// limit, paths longer than PATH_MAX and control characters in names (in
// every line of the log). Where the programs meet the same tree, one body
// runs both: update must end with the copy equal to the source, compare
// must report exactly the expected lines.

#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>

#include <bit>
#include <bitset>
#include <map>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "common/tests/support/ChildProcess.h"
#include "common/tests/support/DeepTree.h"
#include "common/tests/support/ErrorLine.h"
#include "compare/core/CompareEngine.h"
#include "update/tests/support/EngineFixture.h"

namespace {

using Lines = std::vector<std::string>;
using Snapshot = std::map<std::string, std::string>;

enum class Which { Update, Compare };
const char* Name(Which w) { return w == Which::Update ? "Update" : "Compare"; }
void PrintTo(Which w, std::ostream* os) { *os << Name(w); }

std::string Q(const std::string& path) { return "\"" + path + "\""; }

// The two engines on "origen" and "copia": update's from EngineFixture,
// compare's on the same folders, file system and view.
class BothEngines : public updatetest::EngineFixture {
 protected:
  Lines Compare() {
    common::ErrorList list{compare::kReportCap};
    compare::CompareEngine engine(compareOptions, list, fs, view);
    engine.Compare(tree.Path("origen"), tree.Path("copia"), false);
    compareFailures = list.Failures();
    return list.Lines();
  }
  std::string O(const std::string& rel) const { return tree.Path("origen/" + rel); }
  std::string C(const std::string& rel) const { return tree.Path("copia/" + rel); }
  std::string Differs(const char* what, const std::string& o, const std::string& c) const {
    return std::string("Diferente ") + what + ": " + Q(O(o)) + ", " + Q(C(c));
  }

  compare::Options compareOptions;
  int compareFailures = 0;
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
  Which program;
  int group;
  unsigned source;  // bit i: spelling i is in the source
  unsigned copy;    // bit i: spelling i is in the copy
  TwinKind kind;
};

// "Update_Case_S101_C010_File": program, group, spellings on each side (bit
// i = spelling i), kind.
std::string TwinCaseText(const TwinCase& c) {
  return std::string(Name(c.program)) + "_" + kTwinGroups[c.group].label + "_S" +
         std::bitset<3>(c.source).to_string() + "_C" + std::bitset<3>(c.copy).to_string() +
         (c.kind == TwinKind::File ? "_File" : "_Folder");
}
void PrintTo(const TwinCase& c, std::ostream* os) { *os << TwinCaseText(c); }

std::vector<TwinCase> AllTwinCases() {
  std::vector<TwinCase> cases;
  for (Which w : {Which::Update, Which::Compare})
    for (int g = 0; g < 2; ++g)
      for (unsigned s = 0; s < 8; ++s)
        for (unsigned c = 0; c < 8; ++c)
          if (s != 0 || c != 0)
            for (TwinKind k : {TwinKind::File, TwinKind::Folder}) cases.push_back({w, g, s, c, k});
  return cases;
}

class Twins : public BothEngines, public ::testing::WithParamInterface<TwinCase> {
 protected:
  // The content says which spelling it belongs to, with the same size for
  // all: content gone to another name shows, and a pair of two spellings
  // differs in content while a byte-equal pair does not. The source is
  // newer.
  void Put(const std::string& side, int spelling, int64_t mtime) {
    const TwinCase& c = GetParam();
    const std::string& name = kTwinGroups[c.group].spellings[spelling];
    const std::string content = "contenido " + std::to_string(spelling);
    if (c.kind == TwinKind::File) tree.WriteFile(side + "/" + name, content, mtime);
    else tree.WriteFile(side + "/" + name + "/dentro.txt", content, mtime);
  }
};

TEST_P(Twins, PairOnlyOneToOneOrByteEqualAndNoContentCrosses) {
  const TwinCase& c = GetParam();
  const auto& spellings = kTwinGroups[c.group].spellings;
  for (int i = 0; i < 3; ++i) {
    if (c.source & (1u << i)) Put("origen", i, 200);
    if (c.copy & (1u << i)) Put("copia", i, 100);
  }
  // One name on each side pairs whatever its spelling.
  const bool onePair = std::bitset<3>(c.source).count() == 1 && std::bitset<3>(c.copy).count() == 1;
  const std::string from = onePair ? spellings[std::countr_zero(c.source)] : "";
  const std::string to = onePair ? spellings[std::countr_zero(c.copy)] : "";

  if (c.program == Which::Update) {
    EXPECT_EQ(Run(), Lines{});
    // The paired copy keeps its own name and takes the source's content.
    // Otherwise the copy ends as the source, name for name.
    Snapshot expected = tree.Snapshot("origen");
    if (onePair) {
      Snapshot renamed;
      for (const auto& [path, desc] : expected)
        renamed[path.compare(0, from.size(), from) == 0 ? to + path.substr(from.size()) : path] = desc;
      expected = renamed;
    }
    EXPECT_EQ(tree.Snapshot("copia"), expected);
    // A second run finds nothing to do.
    EXPECT_EQ(Run(), Lines{});
    EXPECT_EQ(tree.Snapshot("copia"), expected);
    return;
  }

  const bool file = c.kind == TwinKind::File;
  const std::string inside = file ? "" : "/dentro.txt";
  Lines expected;
  if (onePair) {
    if (from != to) expected.push_back(Differs("contenido", from + inside, to + inside));
  } else {
    // Byte-equal names pair, the others are on one side only, in byte order.
    for (int i = 0; i < 3; ++i) {
      const bool inSource = c.source & (1u << i);
      const bool inCopy = c.copy & (1u << i);
      if (inSource && !inCopy)
        expected.push_back((file ? "Falta archivo de destino: " : "Falta carpeta de destino: ") + Q(C(spellings[i])));
      if (inCopy && !inSource)
        expected.push_back((file ? "Falta archivo de origen: " : "Falta carpeta de origen: ") + Q(O(spellings[i])));
    }
  }
  EXPECT_EQ(Compare(), expected);
  EXPECT_EQ(compareFailures, 0);
}

INSTANTIATE_TEST_SUITE_P(Names, Twins, ::testing::ValuesIn(AllTwinCases()),
                         [](const ::testing::TestParamInfo<TwinCase>& info) { return TwinCaseText(info.param); });

// ---- Names that are not UTF-8, and names at the length limit ----

class Names : public BothEngines, public ::testing::WithParamInterface<Which> {
 protected:
  Names() { options.LogOps = update::OpAll; }

  // Update's operation lines, or compare's difference lines; then update's
  // copy is the source and a second run has nothing to do.
  void ExpectRun(const Lines& updateLines, const Lines& compareLines) {
    if (GetParam() == Which::Compare) {
      EXPECT_EQ(Compare(), Expand(compareLines));
      EXPECT_EQ(compareFailures, 0);
      return;
    }
    EXPECT_EQ(Run(), Expand(updateLines));
    EXPECT_EQ(tree.Snapshot("copia"), tree.Snapshot("origen"));
    EXPECT_EQ(Run(), Lines{});
  }
};

TEST_P(Names, InvalidUtf8IsMirroredAndComparedAsItsBytes) {
  // Latin-1 bytes are not folded: caf\xE9 and CAF\xC9 are two names, and
  // \xE9 is not the composed \xC3\xA9. Invalid names are their own key.
  tree.WriteFile("origen/\xFF\xFE.bin", "nuevo", 200);
  tree.WriteFiles({{"origen/igual\xFF", "igual"}, {"origen/caf\xE9.txt", "latin1"},
                   {"origen/a\xC3", "cortado"}, {"origen/\xC3\xA9.txt", "utf8"},
                   {"origen/carpeta\xE9/dentro\xFF", "d"}, {"copia/\xFF\xFE.bin", "viejo"},
                   {"copia/igual\xFF", "igual"}, {"copia/CAF\xC9.TXT", "otro"}, {"copia/\xE9.txt", "latin1"},
                   {"copia/CARPETA\xC9/viejo", "v"}}, 100);

  ExpectRun(
      {
          "delete \"{c}/CAF\xC9.TXT\"",
          "create \"{o}/a\xC3\" \"{c}/a\xC3\"",
          "create \"{o}/caf\xE9.txt\" \"{c}/caf\xE9.txt\"",
          "create \"{o}/\xC3\xA9.txt\" \"{c}/\xC3\xA9.txt\"",
          "delete \"{c}/\xE9.txt\"",
          "update \"{o}/\xFF\xFE.bin\" \"{c}/\xFF\xFE.bin\"",
          "deletedir \"{c}/CARPETA\xC9\"",
          "delete \"{c}/CARPETA\xC9/viejo\"",
          "createdir \"{c}/carpeta\xE9\"",
          "create \"{o}/carpeta\xE9/dentro\xFF\" \"{c}/carpeta\xE9/dentro\xFF\"",
      },
      {
          "Falta archivo de origen: \"{o}/CAF\xC9.TXT\"",
          "Falta archivo de destino: \"{c}/a\xC3\"",
          "Falta archivo de destino: \"{c}/caf\xE9.txt\"",
          "Falta archivo de destino: \"{c}/\xC3\xA9.txt\"",
          "Falta archivo de origen: \"{o}/\xE9.txt\"",
          "Diferente contenido: \"{o}/\xFF\xFE.bin\", \"{c}/\xFF\xFE.bin\"",
          "Falta carpeta de origen: \"{o}/CARPETA\xC9\"",
          "Falta carpeta de destino: \"{c}/carpeta\xE9\"",
      });
}

TEST_P(Names, NamesOfNameMaxBytesAreMirroredAndCompared) {
  // 255 bytes each: ASCII, two-byte letters, and a letter whose folded key
  // (U+0149 folds to two code points) is longer than the name.
  const std::string ascii(NAME_MAX, 'n');
  std::string accented;
  std::string longKey;
  for (int i = 0; i < 127; ++i) {
    accented += "\xC3\xA9";
    longKey += "\xC5\x89";
  }
  accented += "x";
  longKey += "x";
  ASSERT_EQ(accented.size(), size_t{NAME_MAX});
  ASSERT_EQ(longKey.size(), size_t{NAME_MAX});
  const std::string both(NAME_MAX, 'd');  // a folder on both sides
  const std::string made(NAME_MAX, 'e');  // a folder in the source only
  const std::string inner(NAME_MAX, 'f');
  const std::string z(NAME_MAX, 'z');

  tree.WriteFiles({{"origen/" + ascii, "nuevo"}, {"origen/" + both + "/" + inner, "dentro!"}}, 200);
  tree.WriteFiles({{"origen/" + accented, "acento"}, {"origen/" + longKey, "clave"},
                   {"origen/" + made + "/" + inner, "dentro"}, {"copia/" + ascii, "viejo"},
                   {"copia/" + both + "/" + inner, "dentro"}, {"copia/" + z, "sobra"}}, 100);

  // In key order: "n", "z", then the folded "\xC3\xA9" and "\xCA\xBC".
  ExpectRun(
      {
          "update \"{o}/" + ascii + "\" \"{c}/" + ascii + "\"",
          "delete \"{c}/" + z + "\"",
          "create \"{o}/" + accented + "\" \"{c}/" + accented + "\"",
          "create \"{o}/" + longKey + "\" \"{c}/" + longKey + "\"",
          "createdir \"{c}/" + made + "\"",
          "update \"{o}/" + both + "/" + inner + "\" \"{c}/" + both + "/" + inner + "\"",
          "create \"{o}/" + made + "/" + inner + "\" \"{c}/" + made + "/" + inner + "\"",
      },
      {
          "Diferente contenido: \"{o}/" + ascii + "\", \"{c}/" + ascii + "\"",
          "Falta archivo de origen: \"{o}/" + z + "\"",
          "Falta archivo de destino: \"{c}/" + accented + "\"",
          "Falta archivo de destino: \"{c}/" + longKey + "\"",
          "Diferente tama\xC3\xB1o: \"{o}/" + both + "/" + inner + "\", \"{c}/" + both + "/" + inner + "\"",
          "Falta carpeta de destino: \"{c}/" + made + "\"",
      });
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Names, ::testing::Values(Which::Update, Which::Compare),
                         [](const ::testing::TestParamInfo<Which>& info) { return Name(info.param); });

// ---- Paths longer than PATH_MAX ----

// Error lines update may give where a path is too long for the system
// ("File name too long", or a folder left non-empty by one): "<text> (36) en
// <keyword> ...". Anything else is a failure of the test.
bool OnlyTooLongLines(const std::string& out, const std::string& keywords) {
  std::regex allowed("[^\n]* \\((36|39)\\) en (" + keywords + ") \"[^\n]*");
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line))
    if (!std::regex_match(line, allowed)) return false;
  return true;
}

class DeepPaths : public ::testing::Test {
 protected:
  // 25 levels of 200-byte names: about 5000 bytes, beyond PATH_MAX.
  static constexpr int kLevels = 25;
  const std::string segment = std::string(200, 's');

  DeepPaths() {
    tree.MakeDir("origen");
    tree.MakeDir("copia");
    tree.WriteFile("fuera.txt", "fuera", 100);
  }
  ~DeepPaths() override {
    // TempTree works with whole paths; the deep parts go first.
    for (const char* side : {"origen", "copia"}) {
      try {
        testsupport::RemoveDeepContents(tree.Path(side));
      } catch (const std::exception&) {
      }
    }
  }
  testsupport::ChildResult Run(const char* program) {
    auto r = testsupport::RunChild(program, {"origen", "copia"}, tree.Root());
    EXPECT_EQ(r.signal, 0);
    return r;
  }
  // The folder k levels down, below side.
  std::string Level(const std::string& side, int k) const {
    std::string path = tree.Path(side);
    for (int i = 0; i < k; ++i) path += "/" + segment;
    return path;
  }

  testsupport::TempTree tree;
};

TEST_F(DeepPaths, UpdateMirrorsADeepSourceAsFarAsPossibleAndNeverMore) {
  testsupport::MakeDeepChain(tree.Path("origen"), kLevels, segment, "origen", 100);
  const Snapshot source = testsupport::DeepSnapshot(tree.Path("origen"));
  ASSERT_GT(source.rbegin()->first.size() + tree.Path("copia").size(), size_t{PATH_MAX});

  auto r = Run(UPDATE_PROGRAM);
  ASSERT_TRUE(r.status == 0 || r.status == 2) << r.status;
  EXPECT_TRUE(OnlyTooLongLines(r.out, "list|mkdir|copy")) << r.out;
  EXPECT_EQ(r.err, "");

  // What reached the copy is the source's, byte for byte; everything that
  // fits well within PATH_MAX did reach it.
  const Snapshot copy = testsupport::DeepSnapshot(tree.Path("copia"));
  for (const auto& [path, desc] : copy) {
    auto it = source.find(path);
    ASSERT_NE(it, source.end()) << path.size();
    EXPECT_EQ(desc, it->second);
  }
  for (const auto& [path, desc] : source) {
    if (tree.Path("copia").size() + 1 + path.size() < PATH_MAX - 200) {
      EXPECT_EQ(copy.count(path), 1u) << path.size();
    }
  }
  if (r.status == 0) {
    EXPECT_EQ(copy, source);
  }
  EXPECT_EQ(testsupport::DeepSnapshot(tree.Path("origen")), source);
  EXPECT_EQ(tree.ReadFile("fuera.txt"), "fuera");
}

TEST_F(DeepPaths, IdenticalDeepTreesLoseNothingAndCompareEqualAndFullyCounted) {
  testsupport::MakeDeepChain(tree.Path("origen"), kLevels, segment, "igual", 100, "destino igual");
  testsupport::MakeDeepChain(tree.Path("copia"), kLevels, segment, "igual", 100, "destino igual");
  const Snapshot before = testsupport::DeepSnapshot(tree.Path("copia"));
  ASSERT_EQ(testsupport::DeepSnapshot(tree.Path("origen")), before);
  ASSERT_GT(Level("copia", kLevels).size(), size_t{PATH_MAX});

  auto r = Run(UPDATE_PROGRAM);
  ASSERT_TRUE(r.status == 0 || r.status == 2) << r.status;
  // A folder that cannot be listed is an error line, never an empty folder.
  EXPECT_TRUE(OnlyTooLongLines(r.out, "list")) << r.out;
  if (r.status == 0) {
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(testsupport::DeepSnapshot(tree.Path("copia")), before);

  // Compare opens each folder from its parent's handle, so depth is no
  // limit: the count, the listings, the files and the links of the
  // deepest level are all reached.
  common::FileSystem fs;
  compare::Options options;
  common::ErrorList errors{compare::kReportCap};
  testsupport::RecordingView view;
  compare::CompareEngine engine(options, errors, fs, view);
  engine.Compare(tree.Path("origen"), tree.Path("copia"), false);
  EXPECT_EQ(errors.Lines(), Lines{});
  EXPECT_EQ(engine.FilesTotal(), kLevels + 2);  // a file per level and the deepest link
  EXPECT_EQ(engine.FilesDone(), kLevels + 2);
}

TEST_F(DeepPaths, UpdateRemovesOrReportsADeepFolderOnlyInTheCopyAndTouchesNothingElse) {
  testsupport::MakeDeepChain(tree.Path("origen"), 1, "corto", "origen", 100);
  tree.MakeDir("copia/sobra");
  testsupport::MakeDeepChain(tree.Path("copia/sobra"), kLevels, segment, "sobra", 100);
  tree.WriteFile("copia/nivel0", "origen 0", 100);
  const Snapshot source = testsupport::DeepSnapshot(tree.Path("origen"));

  auto r = Run(UPDATE_PROGRAM);
  ASSERT_TRUE(r.status == 0 || r.status == 2) << r.status;
  EXPECT_TRUE(OnlyTooLongLines(r.out, "rmdir|del|list")) << r.out;

  const Snapshot copy = testsupport::DeepSnapshot(tree.Path("copia"));
  if (r.status == 0) {
    EXPECT_EQ(copy, source);
  } else {
    // Whatever is not the source's is part of the folder that was to go.
    for (const auto& [path, desc] : copy) {
      if (path.rfind("sobra", 0) == 0) continue;
      auto it = source.find(path);
      ASSERT_NE(it, source.end()) << path;
      EXPECT_EQ(desc, it->second) << path;
    }
    for (const auto& [path, desc] : source) EXPECT_EQ(copy.count(path), 1u) << path;
  }
  EXPECT_EQ(testsupport::DeepSnapshot(tree.Path("origen")), source);
  EXPECT_EQ(tree.ReadFile("fuera.txt"), "fuera");
}

TEST_F(DeepPaths, CompareReportsDifferencesAtEveryDepth) {
  testsupport::MakeDeepChain(tree.Path("origen"), kLevels, segment, "origen", 100, "destino 1");
  testsupport::MakeDeepChain(tree.Path("copia"), kLevels, segment, "copia!", 100, "destino 2");
  auto r = Run(COMPARE_PROGRAM);
  EXPECT_EQ(r.status, 1);
  // Every level's file differs in content, and so does the deepest link's
  // target text; every line names the full path.
  std::string expected;
  for (int k = 0; k <= kLevels; ++k) {
    const std::string level = "nivel" + std::to_string(k);
    for (const std::string& name : k == kLevels ? Lines{"enlace", level} : Lines{level})
      expected += "Diferente contenido: " + Q(Level("origen", k) + "/" + name) + ", " +
                  Q(Level("copia", k) + "/" + name) + "\n";
  }
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, "");
}

// ---- Control characters: one entry, one line of the log ----

// The log's lines, split at CR LF; fails when a bare LF or CR is left.
Lines LogLines(const std::string& log) {
  Lines lines;
  for (size_t at = 0, end; at < log.size(); at = end + 2) {
    end = log.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "log does not end with CR LF";
      break;
    }
    lines.push_back(log.substr(at, end - at));
    EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << lines.back();
  }
  return lines;
}

// Drops the date line of each block (its text depends on the clock) and
// reduces error lines to " (<number>) en <context>".
Lines Comparable(const Lines& lines) {
  Lines out;
  const std::regex error("[^(]+( \\(\\d+\\) en .*)");
  for (const auto& l : lines) {
    if (l.rfind("Fecha y hora: ", 0) == 0) continue;
    std::smatch m;
    out.push_back(std::regex_match(l, m, error) ? m[1].str() : l);
  }
  return out;
}

TEST(NamesInTheLog, UpdateEscapesControlCharactersInEveryLine) {
  testsupport::TempTree tree;
  tree.WriteFiles({{"origen/l\xC3\xADnea\nnueva.txt", "1"}, {"origen/retorno\rcarro", "2"},
                   {"origen/tab\tulador", "3"}, {"origen/campana\a", "4"}, {"origen/borrar\x7F", "5"}}, 100);
  tree.MakeDir("origen/carpeta\ncon salto");
  ASSERT_EQ(mkfifo(tree.Path("origen/tubo\nfifo").c_str(), 0644), 0);
  tree.WriteFiles({{"copia/viejo\r\n.txt", "6"}, {"copia/vieja\ncarpeta/uno\x1B", "7"}}, 100);
  tree.MakeDir("copia/vieja\ncarpeta/x");

  const std::vector<std::string> args = {"/u", "/log:cud", "/logfile:registro.log", "origen", "copia"};
  EXPECT_EQ(testsupport::RunChild(UPDATE_PROGRAM, args, tree.Root()).status, 2);
  tree.SetMtime("origen/l\xC3\xADnea\nnueva.txt", 200);
  EXPECT_EQ(testsupport::RunChild(UPDATE_PROGRAM, args, tree.Root()).status, 2);

  const std::string dashes(80, '-');
  const std::string fifoCopy = testsupport::ErrorLineEnd(95, "copy \"origen/tubo\\nfifo\" \"copia/tubo\\nfifo\"");
  EXPECT_EQ(Comparable(LogLines(tree.ReadFile("registro.log"))),
            (Lines{"Origen: origen",
                   "Destino: copia",
                   "create \"origen/borrar\\x7F\" \"copia/borrar\\x7F\"",
                   "create \"origen/campana\\x07\" \"copia/campana\\x07\"",
                   "create \"origen/l\xC3\xADnea\\nnueva.txt\" \"copia/l\xC3\xADnea\\nnueva.txt\"",
                   "create \"origen/retorno\\rcarro\" \"copia/retorno\\rcarro\"",
                   "create \"origen/tab\\tulador\" \"copia/tab\\tulador\"",
                   "create \"origen/tubo\\nfifo\" \"copia/tubo\\nfifo\"",
                   fifoCopy,
                   "delete \"copia/viejo\\r\\n.txt\"",
                   "createdir \"copia/carpeta\\ncon salto\"",
                   "deletedir \"copia/vieja\\ncarpeta\"",
                   "delete \"copia/vieja\\ncarpeta/uno\\x1B\"",
                   "deletedir \"copia/vieja\\ncarpeta/x\"",
                   dashes,
                   "Origen: origen",
                   "Destino: copia",
                   "update \"origen/l\xC3\xADnea\\nnueva.txt\" \"copia/l\xC3\xADnea\\nnueva.txt\"",
                   "create \"origen/tubo\\nfifo\" \"copia/tubo\\nfifo\"",
                   fifoCopy,
                   dashes}));
  EXPECT_EQ(tree.ReadFile("copia/l\xC3\xADnea\nnueva.txt"), "1");
}

TEST(NamesInTheLog, UpdateKeepsTheHeaderOfFoldersWithControlCharactersOnOneLine) {
  testsupport::TempTree tree;
  tree.WriteFile("ra\xC3\xADz\nuno/a.txt", "a", 100);
  tree.MakeDir("copia\r");
  auto r = testsupport::RunChild(UPDATE_PROGRAM,
                                 {"/u", "/log:c", "/logfile:registro.log", "ra\xC3\xADz\nuno", "copia\r"},
                                 tree.Root());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Comparable(LogLines(tree.ReadFile("registro.log"))),
            (Lines{"Origen: ra\xC3\xADz\\nuno", "Destino: copia\\r",
                   "create \"ra\xC3\xADz\\nuno/a.txt\" \"copia\\r/a.txt\"", std::string(80, '-')}));
  EXPECT_EQ(tree.ReadFile("copia\r/a.txt"), "a");
}

TEST(NamesInTheLog, CompareEscapesControlCharactersInEveryLine) {
  testsupport::TempTree tree;
  const std::string o = "ra\xC3\xADz\nuno";
  tree.WriteFiles({{o + "/solo\nen origen", "1"}, {"copia/solo\ren copia", "2"},
                   {o + "/tama\xC3\xB1o\t", "123"}, {"copia/tama\xC3\xB1o\t", "12"},
                   {o + "/contenido\a", "abc"}, {"copia/contenido\a", "abd"}});
  tree.MakeDir(o + "/carpeta\x1B");
  tree.MakeDir("copia/otra\x7F");
  ASSERT_EQ(mkfifo(tree.Path(o + "/tubo\nfifo").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(tree.Path("copia/tubo\nfifo").c_str(), 0644), 0);

  auto r = testsupport::RunChild(COMPARE_PROGRAM, {"/u", "/logfile:registro.log", o, "copia"}, tree.Root());
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");

  const std::string eo = tree.Root() + "/ra\xC3\xADz\\nuno";
  const std::string ec = tree.Root() + "/copia";
  EXPECT_EQ(Comparable(LogLines(tree.ReadFile("registro.log"))),
            (Lines{"Origen: " + eo,
                   "Destino: " + ec,
                   "Diferente contenido: " + Q(eo + "/contenido\\x07") + ", " + Q(ec + "/contenido\\x07"),
                   "Falta archivo de destino: " + Q(ec + "/solo\\nen origen"),
                   "Falta archivo de origen: " + Q(eo + "/solo\\ren copia"),
                   "Diferente tama\xC3\xB1o: " + Q(eo + "/tama\xC3\xB1o\\t") + ", " + Q(ec + "/tama\xC3\xB1o\\t"),
                   testsupport::ErrorLineEnd(95, "compare " + Q(eo + "/tubo\\nfifo") + " " + Q(ec + "/tubo\\nfifo")),
                   "Falta carpeta de destino: " + Q(ec + "/carpeta\\x1B"),
                   "Falta carpeta de origen: " + Q(eo + "/otra\\x7F"),
                   std::string(79, '-')}));
}

}  // namespace

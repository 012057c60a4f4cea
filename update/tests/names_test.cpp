// Names that are hard on a mirror: twins that differ only in letter case or
// normalisation, bytes that are not UTF-8, control characters in names (in
// every line of the log), names at the length limit and paths longer than
// PATH_MAX.

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
#include <vector>

#include "common/tests/support/ChildProcess.h"
#include "common/tests/support/DeepTree.h"
#include "update/tests/support/EngineFixture.h"

namespace updatetest {
namespace {

using Lines = std::vector<std::string>;
using Snapshot = std::map<std::string, std::string>;

// ---- Twins: every combination of spellings on both sides ----

// Three spellings of one name under the shared comparison.
struct TwinGroup {
  const char* label;
  std::vector<std::string> spellings;
};
const TwinGroup kTwinGroups[] = {
    {"Case", {"informe.txt", "Informe.txt", "INFORME.TXT"}},
    // "café" composed, decomposed (e + combining acute) and in capitals.
    {"Form", {"caf\xC3\xA9", "cafe\xCC\x81", "CAF\xC3\x89"}},
};

enum class TwinKind { File, Folder };

struct TwinCase {
  int group;
  unsigned source;  // bit i: spelling i is in the source
  unsigned copy;    // bit i: spelling i is in the copy
  TwinKind kind;
};

// "Case_S101_C010_File": group, spellings on each side (bit i = spelling i), kind.
std::string TwinCaseText(const TwinCase& c) {
  return std::string(kTwinGroups[c.group].label) + "_S" + std::bitset<3>(c.source).to_string() +
         "_C" + std::bitset<3>(c.copy).to_string() + (c.kind == TwinKind::File ? "_File" : "_Folder");
}
void PrintTo(const TwinCase& c, std::ostream* os) { *os << TwinCaseText(c); }
std::string TwinCaseName(const ::testing::TestParamInfo<TwinCase>& info) { return TwinCaseText(info.param); }

std::vector<TwinCase> AllTwinCases() {
  std::vector<TwinCase> cases;
  for (int g = 0; g < 2; ++g)
    for (unsigned s = 0; s < 8; ++s)
      for (unsigned c = 0; c < 8; ++c)
        if (s != 0 || c != 0)
          for (TwinKind k : {TwinKind::File, TwinKind::Folder}) cases.push_back({g, s, c, k});
  return cases;
}

class Twins : public EngineFixture, public ::testing::WithParamInterface<TwinCase> {
 protected:
  // Each spelling holds content that names its side and spelling, so that
  // content gone to another name shows.
  void Put(const std::string& side, int spelling, int64_t mtime) {
    const TwinCase& c = GetParam();
    const std::string& name = kTwinGroups[c.group].spellings[spelling];
    const std::string content = side + " " + std::to_string(spelling);
    if (c.kind == TwinKind::File) tree.WriteFile(side + "/" + name, content, mtime);
    else tree.WriteFile(side + "/" + name + "/dentro.txt", content, mtime);
  }
};

TEST_P(Twins, PairOnlyOneToOneOrByteEqualAndNoContentCrosses) {
  const TwinCase& c = GetParam();
  const auto& spellings = kTwinGroups[c.group].spellings;
  for (int i = 0; i < 3; ++i) {
    if (c.source & (1u << i)) Put("origen", i, 200);  // the source is newer
    if (c.copy & (1u << i)) Put("copia", i, 100);
  }

  EXPECT_EQ(Run(), Lines{});

  // One name on each side pairs whatever its spelling: the copy keeps its
  // own name and takes the source's content. Otherwise the copy ends as
  // the source, name for name.
  Snapshot expected = tree.Snapshot("origen");
  if (std::bitset<3>(c.source).count() == 1 && std::bitset<3>(c.copy).count() == 1) {
    const std::string& from = spellings[std::countr_zero(c.source)];
    const std::string& to = spellings[std::countr_zero(c.copy)];
    Snapshot renamed;
    for (const auto& [path, desc] : expected)
      renamed[path.compare(0, from.size(), from) == 0 ? to + path.substr(from.size()) : path] = desc;
    expected = renamed;
  }
  EXPECT_EQ(tree.Snapshot("copia"), expected);

  // A second run finds nothing to do.
  EXPECT_EQ(Run(), Lines{});
  EXPECT_EQ(tree.Snapshot("copia"), expected);
}

INSTANTIATE_TEST_SUITE_P(Names, Twins, ::testing::ValuesIn(AllTwinCases()), TwinCaseName);

// ---- Names that are not UTF-8 ----

class Names : public EngineFixture {
 protected:
  Names() { options.LogOps = update::OpAll; }
};

TEST_F(Names, InvalidUtf8IsMirroredAndComparedAsItsBytes) {
  // Latin-1 bytes are not folded: caf\xE9 and CAF\xC9 are two names, and
  // \xE9 is not the composed \xC3\xA9.
  tree.WriteFile("origen/\xFF\xFE.bin", "nuevo", 200);
  tree.WriteFile("origen/caf\xE9.txt", "latin1", 100);
  tree.WriteFile("origen/a\xC3", "cortado", 100);
  tree.WriteFile("origen/\xC3\xA9.txt", "utf8", 100);
  tree.WriteFile("origen/carpeta\xE9/dentro\xFF", "d", 100);
  tree.WriteFile("copia/\xFF\xFE.bin", "viejo", 100);
  tree.WriteFile("copia/CAF\xC9.TXT", "otro", 100);
  tree.WriteFile("copia/\xE9.txt", "latin1", 100);
  tree.WriteFile("copia/CARPETA\xC9/viejo", "v", 100);

  EXPECT_EQ(Run(), Expand(Lines{
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
                   }));
  EXPECT_EQ(tree.Snapshot("copia"), tree.Snapshot("origen"));
  EXPECT_EQ(Run(), Lines{});
}

// ---- Names at the length limit ----

TEST_F(Names, NamesOfNameMaxBytesAreMirrored) {
  // 255 bytes each: ASCII, two-byte letters, and a letter whose folded key
  // (U+0149 folds to two code points) is longer than the name.
  std::string ascii(NAME_MAX, 'n');
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
  const std::string folder(NAME_MAX, 'd');
  const std::string inner(NAME_MAX, 'f');

  tree.WriteFile("origen/" + ascii, "nuevo", 200);
  tree.WriteFile("origen/" + accented, "acento", 100);
  tree.WriteFile("origen/" + longKey, "clave", 100);
  tree.WriteFile("origen/" + folder + "/" + inner, "dentro", 100);
  tree.WriteFile("copia/" + ascii, "viejo", 100);
  tree.WriteFile("copia/" + std::string(NAME_MAX, 'z'), "sobra", 100);

  // In key order: "n", "z", then the folded "\xC3\xA9" and "\xCA\xBC".
  const std::string z(NAME_MAX, 'z');
  EXPECT_EQ(Run(), Expand(Lines{
                       "update \"{o}/" + ascii + "\" \"{c}/" + ascii + "\"",
                       "delete \"{c}/" + z + "\"",
                       "create \"{o}/" + accented + "\" \"{c}/" + accented + "\"",
                       "create \"{o}/" + longKey + "\" \"{c}/" + longKey + "\"",
                       "createdir \"{c}/" + folder + "\"",
                       "create \"{o}/" + folder + "/" + inner + "\" \"{c}/" + folder + "/" + inner + "\"",
                   }));
  EXPECT_EQ(tree.Snapshot("copia"), tree.Snapshot("origen"));
  EXPECT_EQ(Run(), Lines{});
}

// ---- Paths longer than PATH_MAX ----

// Error lines the program may give where a path is too long for the system
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

  testsupport::ChildResult Update() {
    return testsupport::RunChild(UPDATE_PROGRAM, {"origen", "copia"}, tree.Root());
  }

  testsupport::TempTree tree;
};

TEST_F(DeepPaths, DeepSourceIsMirroredAsFarAsPossibleAndNeverMore) {
  testsupport::MakeDeepChain(tree.Path("origen"), kLevels, segment, "origen", 100);
  const Snapshot source = testsupport::DeepSnapshot(tree.Path("origen"));
  ASSERT_GT(source.rbegin()->first.size() + tree.Path("copia").size(), size_t{PATH_MAX});

  auto r = Update();
  ASSERT_FALSE(r.Hung());
  ASSERT_TRUE(r.status == 0 || r.status == 2) << r.status << " signal " << r.signal;
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

TEST_F(DeepPaths, IdenticalDeepTreesLoseNothing) {
  testsupport::MakeDeepChain(tree.Path("origen"), kLevels, segment, "igual", 100);
  testsupport::MakeDeepChain(tree.Path("copia"), kLevels, segment, "igual", 100);
  const Snapshot before = testsupport::DeepSnapshot(tree.Path("copia"));
  ASSERT_EQ(testsupport::DeepSnapshot(tree.Path("origen")), before);

  auto r = Update();
  ASSERT_FALSE(r.Hung());
  ASSERT_TRUE(r.status == 0 || r.status == 2) << r.status << " signal " << r.signal;
  // A folder that cannot be listed is an error line, never an empty folder.
  EXPECT_TRUE(OnlyTooLongLines(r.out, "list")) << r.out;
  if (r.status == 0) {
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(testsupport::DeepSnapshot(tree.Path("copia")), before);
}

TEST_F(DeepPaths, DeepFolderOnlyInTheCopyIsRemovedOrReportedAndNothingElseIsTouched) {
  testsupport::MakeDeepChain(tree.Path("origen"), 1, "corto", "origen", 100);
  tree.MakeDir("copia/sobra");
  testsupport::MakeDeepChain(tree.Path("copia/sobra"), kLevels, segment, "sobra", 100);
  tree.WriteFile("copia/nivel0", "origen 0", 100);
  const Snapshot source = testsupport::DeepSnapshot(tree.Path("origen"));

  auto r = Update();
  ASSERT_FALSE(r.Hung());
  ASSERT_TRUE(r.status == 0 || r.status == 2) << r.status << " signal " << r.signal;
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

// ---- Control characters: one entry, one line of the log ----

// The log's lines, split at CR LF; fails when a bare LF or CR is left.
Lines LogLines(const std::string& log) {
  Lines lines;
  size_t at = 0;
  while (at < log.size()) {
    size_t end = log.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "log does not end with CR LF";
      break;
    }
    std::string line = log.substr(at, end - at);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    lines.push_back(line);
    at = end + 2;
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

TEST(NamesInTheLog, ControlCharactersAreEscapedInEveryLine) {
  testsupport::TempTree tree;
  tree.WriteFile("origen/l\xC3\xADnea\nnueva.txt", "1", 100);
  tree.WriteFile("origen/retorno\rcarro", "2", 100);
  tree.WriteFile("origen/tab\tulador", "3", 100);
  tree.WriteFile("origen/campana\a", "4", 100);
  tree.WriteFile("origen/borrar\x7F", "5", 100);
  tree.MakeDir("origen/carpeta\ncon salto");
  ASSERT_EQ(mkfifo(tree.Path("origen/tubo\nfifo").c_str(), 0644), 0);
  tree.WriteFile("copia/viejo\r\n.txt", "6", 100);
  tree.WriteFile("copia/vieja\ncarpeta/uno\x1B", "7", 100);
  tree.MakeDir("copia/vieja\ncarpeta/x");

  const std::vector<std::string> args = {"/u", "/log:cud", "/logfile:registro.log", "origen", "copia"};
  auto first = testsupport::RunChild(UPDATE_PROGRAM, args, tree.Root());
  ASSERT_FALSE(first.Hung());
  EXPECT_EQ(first.status, 2);
  tree.SetMtime("origen/l\xC3\xADnea\nnueva.txt", 200);
  auto second = testsupport::RunChild(UPDATE_PROGRAM, args, tree.Root());
  ASSERT_FALSE(second.Hung());
  EXPECT_EQ(second.status, 2);

  const std::string dashes(80, '-');
  const std::string fifoCopy = " (95) en copy \"origen/tubo\\nfifo\" \"copia/tubo\\nfifo\"";
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

TEST(NamesInTheLog, FoldersWithControlCharactersKeepTheirHeaderOnOneLine) {
  testsupport::TempTree tree;
  tree.WriteFile("ra\xC3\xADz\nuno/a.txt", "a", 100);
  tree.MakeDir("copia\r");
  auto r = testsupport::RunChild(UPDATE_PROGRAM,
                                 {"/u", "/log:c", "/logfile:registro.log", "ra\xC3\xADz\nuno", "copia\r"},
                                 tree.Root());
  ASSERT_FALSE(r.Hung());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Comparable(LogLines(tree.ReadFile("registro.log"))),
            (Lines{"Origen: ra\xC3\xADz\\nuno", "Destino: copia\\r",
                   "create \"ra\xC3\xADz\\nuno/a.txt\" \"copia\\r/a.txt\"", std::string(80, '-')}));
  EXPECT_EQ(tree.ReadFile("copia\r/a.txt"), "a");
}

}  // namespace
}  // namespace updatetest

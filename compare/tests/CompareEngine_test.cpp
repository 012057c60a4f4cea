// The comparison engine on real trees: the six kinds of difference, their
// order, content comparison across block boundaries, quick mode, links and
// special files, failures, cancel and the progress bar.

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/core/RunStatus.h"
#include "common/tests/support/TempTree.h"
#include "compare/core/CompareEngine.h"
#include "common/tests/support/RecordingView.h"
#include "common/tests/support/ErrorLine.h"
#include "common/tests/support/Platform.h"

namespace {

using common::FsError;
using common::FsOp;
using compare::CompareEngine;
using Lines = std::vector<std::string>;

constexpr size_t kMiB = 1048576;

class EngineTest : public ::testing::Test {
 protected:
  // Origin under "o", copy under "c".
  std::string O(const std::string& rel = "") const { return tree.Path(rel.empty() ? "o" : "o/" + rel); }
  std::string C(const std::string& rel = "") const { return tree.Path(rel.empty() ? "c" : "c/" + rel); }
  void Both(const std::string& rel, const std::string& content) {
    tree.WriteFile("o/" + rel, content);
    tree.WriteFile("c/" + rel, content);
  }
  void Pair(const std::string& rel, const std::string& origin, const std::string& copy) {
    tree.WriteFiles({{"o/" + rel, origin}, {"c/" + rel, copy}});
  }

  Lines Run(bool quick = false) {
    tree.MakeDir("o");
    tree.MakeDir("c");
    CompareEngine engine(options, errors, fs, view);
    engine.Compare(O(), C(), quick);
    filesDone = engine.FilesDone();
    filesTotal = engine.FilesTotal();
    cancelled = engine.Cancelled();
    return errors.Lines();
  }

  static std::string Q(const std::string& path) { return "\"" + path + "\""; }
  std::string NoCopyFile(const std::string& rel) { return "Falta archivo de destino: " + Q(C(rel)); }
  std::string NoOriginFile(const std::string& rel) { return "Falta archivo de origen: " + Q(O(rel)); }
  std::string NoCopyFolder(const std::string& rel) { return "Falta carpeta de destino: " + Q(C(rel)); }
  std::string NoOriginFolder(const std::string& rel) { return "Falta carpeta de origen: " + Q(O(rel)); }
  std::string Size(const std::string& o, const std::string& c) {
    return "Diferente tama\xC3\xB1o: " + Q(O(o)) + ", " + Q(C(c));
  }
  std::string Content(const std::string& o, const std::string& c) {
    return "Diferente contenido: " + Q(O(o)) + ", " + Q(C(c));
  }
  std::string Failed(int number, const std::string& context) {
    return testsupport::ErrorLine(number, context);
  }
  std::string PairFailed(int number, const std::string& rel) {
    return Failed(number, "compare " + Q(O(rel)) + " " + Q(C(rel)));
  }

  testsupport::TempTree tree;
  testsupport::Faults faults;
  common::FileSystem fs{&faults};
  compare::Options options;
  common::ErrorList errors{compare::kReportCap};
  testsupport::RecordingView view;
  int64_t filesDone = 0;
  int64_t filesTotal = 0;
  bool cancelled = false;
};

// --- What is reported --------------------------------------------------------

TEST_F(EngineTest, IdenticalTreesGiveNoLine) {
  Both("a.txt", "uno");
  Both(".oculto", "dos");
  Both("vac\xC3\xADo.txt", "");
  Both("sub/b.txt", "tres");
  Both("sub/.dentro/c.bin", std::string(3 * kMiB + 3, 'x'));
  tree.MakeDir("o/vacia");
  tree.MakeDir("c/vacia");
  int files = 5;
#ifndef _WIN32
  tree.Symlink("o/enlace", "a.txt");  // a link counts as a file
  tree.Symlink("c/enlace", "a.txt");
  ++files;
#endif
  EXPECT_EQ(Run(), Lines{});
  EXPECT_EQ(filesTotal, files);
  EXPECT_EQ(filesDone, files);
  EXPECT_FLOAT_EQ(view.Bar(), 100.0f);
  EXPECT_EQ(view.opened, 1);
  EXPECT_EQ(view.closed, 1);
  // A run whose bar nobody sees leaves out the count and finds the same.
  view.showsBar = false;
  EXPECT_EQ(Run(), Lines{});
  EXPECT_EQ(filesTotal, 0);
  EXPECT_EQ(filesDone, files);
}

TEST_F(EngineTest, EachKindOfDifferenceHasItsLine) {
  tree.WriteFiles({{"o/solo-origen.txt", "a"}, {"c/solo-copia.txt", "a"},
                  {"o/carpeta-origen/x.txt", "x"}, {"c/carpeta-copia/y.txt", "y"}});
  Pair("tam.txt", "abc", "abcd");
  Pair("cont.txt", "abc", "abd");
  EXPECT_EQ(Run(), (Lines{Content("cont.txt", "cont.txt"), NoOriginFile("solo-copia.txt"),
                          NoCopyFile("solo-origen.txt"), Size("tam.txt", "tam.txt"),
                          NoOriginFolder("carpeta-copia"), NoCopyFolder("carpeta-origen")}));
  EXPECT_EQ(errors.Differences(), 6);
  EXPECT_EQ(errors.Failures(), 0);
}

TEST_F(EngineTest, CaseOnlyDifferencesPairAndEachSideKeepsItsSpelling) {
  tree.WriteFiles({{"o/Datos.TXT", "abc"}, {"c/datos.txt", "abcd"}, {"o/Fotos/Foto.JPG", "1"},
                  {"c/Informe.doc", "1"}, {"o/informe.DOC", "2"}});
  tree.MakeDir("c/FOTOS");
  EXPECT_EQ(Run(), (Lines{Size("Datos.TXT", "datos.txt"), Content("informe.DOC", "Informe.doc"),
                          NoCopyFile("FOTOS/Foto.JPG")}));
}

TEST_F(EngineTest, TwinNamesNeverPairWithAnotherSpelling) {
  SKIP_ON_WINDOWS("names that differ only in case in one folder");
  // The origin holds a.txt and A.txt; only the byte-equal name pairs.
  tree.WriteFiles({{"o/a.txt", "1"}, {"o/A.txt", "2"}, {"c/a.txt", "1"}});
  EXPECT_EQ(Run(), (Lines{NoCopyFile("A.txt")}));
}

TEST_F(EngineTest, FileAgainstFolderOfTheSameNameGivesTwoLines) {
  tree.WriteFiles({{"o/informe", "texto"}, {"c/informe/dentro.txt", "x"}, {"c/datos", "x"}});
  tree.MakeDir("o/datos");
  EXPECT_EQ(Run(), (Lines{NoOriginFile("datos"), NoCopyFile("informe"), NoCopyFolder("datos"),
                          NoOriginFolder("informe")}));
}

TEST_F(EngineTest, LinesFollowTheDepthFirstOrder) {
  // Root: files first (merged order), then folders in name order, each
  // matched folder's whole report at its place.
  tree.WriteFiles({{"o/b.txt", "1"}, {"c/a.txt", "1"}, {"o/m/z.txt", "1"}, {"o/m/n/deep.txt", "1"},
                  {"c/m/k/solo.txt", "1"}, {"o/y.txt", "1"}});
  Pair("q/x.txt", "12", "123");
  for (const char* folder : {"c/m/n", "o/solo-o", "c/zz-solo-c"}) tree.MakeDir(folder);
  EXPECT_EQ(Run(), (Lines{NoOriginFile("a.txt"), NoCopyFile("b.txt"), NoCopyFile("y.txt"),
                          NoCopyFile("m/z.txt"), NoOriginFolder("m/k"), NoCopyFile("m/n/deep.txt"),
                          Size("q/x.txt", "q/x.txt"), NoCopyFolder("solo-o"), NoOriginFolder("zz-solo-c")}));
}

TEST_F(EngineTest, AMissingFolderIsOneLineAndItsFilesStillCount) {
  tree.WriteFiles({{"o/falta/a.txt", "1"}, {"o/falta/sub/b.txt", "1"}});
  Both("c.txt", "1");
  EXPECT_EQ(Run(), (Lines{NoCopyFolder("falta")}));
  EXPECT_EQ(filesTotal, 3);
  EXPECT_EQ(filesDone, 1);
  EXPECT_LT(view.Bar(), 100.0f);
}

// --- Contents ------------------------------------------------------------------

class ContentSizeTest : public EngineTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(ContentSizeTest, LastByteDifferenceIsFoundOnlyInFullMode) {
  size_t size = GetParam();
  std::string content(size, '\0');
  for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>('a' + i % 23);
  std::string other = content;
  other.back() = static_cast<char>(other.back() ^ 0x5A);
  Both("igual.bin", content);
  Pair("ultimo.bin", content, other);
  EXPECT_EQ(Run(), (Lines{Content("ultimo.bin", "ultimo.bin")}));
  errors.Clear();
  EXPECT_EQ(Run(true), Lines{});
}

INSTANTIATE_TEST_SUITE_P(Sizes, ContentSizeTest,
                         ::testing::Values(1, 3, 4, 5, kMiB - 1, kMiB, kMiB + 1, kMiB + 4, kMiB + 5,
                                           3 * kMiB + 2));

TEST_F(EngineTest, FirstAndMiddleBlockDifferencesAreFound) {
  std::string content(3 * kMiB, 'q');
  std::string first = content, middle = content;
  first[0] = 'Q';
  middle[kMiB + kMiB / 2] = 'Q';
  Both("base", content);
  Pair("primero", content, first);
  Pair("medio", content, middle);
  EXPECT_EQ(Run(), (Lines{Content("medio", "medio"), Content("primero", "primero")}));
}

TEST_F(EngineTest, QuickModeReadsNoContent) {
  Both("a.bin", std::string(2 * kMiB, 'z'));
  faults.FailOn(FsOp::Open, "a.bin", EIO, 1, 1000);
  faults.FailOn(FsOp::Read, "a.bin", EIO, 1, 1000);
  EXPECT_EQ(Run(true), Lines{});
  EXPECT_EQ(faults.InjectedCount(), 0);
}

// A full comparison lists without a stat per entry and takes sizes from the
// open files; a pair that cannot be opened is still told apart by its
// sizes, and two empty files are equal unread.
TEST_F(EngineTest, FullModeTakesSizesFromTheOpenFiles) {
  Both("a.txt", "1");
  Pair("b.txt", "12", "123");
  Pair("cerrado", "12", "123");
  Both("vacio", "");
  for (const char* name : {"a.txt", "b.txt"}) faults.FailOn(FsOp::Lstat, name, EIO, 1, 1000);
  for (const char* name : {"o/cerrado", "c/vacio"}) faults.FailOn(FsOp::Open, name, EACCES, 1, 1000);
  EXPECT_EQ(Run(), (Lines{Size("b.txt", "b.txt"), Size("cerrado", "cerrado")}));
}

TEST_F(EngineTest, SizesAboveFourGiBAreExact) {
  // Sparse files: measured from the listing, never read in quick mode.
  const std::uintmax_t fourGiB = std::uintmax_t{1} << 32;
  // Equal low halves in "bajo": only the high half differs.
  for (auto [name, origin, copy] : {std::tuple{"grande", fourGiB + 1, fourGiB + 2},
                                    std::tuple{"igual", fourGiB + 1, fourGiB + 1},
                                    std::tuple{"bajo", fourGiB + 1, std::uintmax_t{1}}}) {
    Both(name, "");
    std::filesystem::resize_file(O(name), origin);
    std::filesystem::resize_file(C(name), copy);
  }
  EXPECT_EQ(Run(true), (Lines{Size("bajo", "bajo"), Size("grande", "grande")}));
}

// --- Links and special files ------------------------------------------------------

TEST_F(EngineTest, LinksAreComparedByTheirTargetText) {
  SKIP_ON_WINDOWS("symbolic links compared by their target");
  // "adir": a link to a folder is a file, never followed into. "t/l": the
  // same target text pointing at different contents is the same link.
  for (auto [name, origin, copy] : {std::tuple{"igual", "destino", "destino"}, std::tuple{"texto", "uno", "dos"},
                                    std::tuple{"largo", "a", "ab"}, std::tuple{"adir", "dir", "dir"},
                                    std::tuple{"t/l", "dst", "dst"}}) {
    tree.Symlink("o/" + std::string(name), origin);
    tree.Symlink("c/" + std::string(name), copy);
  }
  Both("dir/x", "1");
  Pair("t/dst", "1", "2");
  // A link against a regular file differs even in quick mode: by content
  // where the sizes agree.
  tree.Symlink("o/mismo", "abc");
  tree.WriteFiles({{"c/mismo", "abc"}, {"o/otro", "abcdef"}});
  tree.Symlink("c/otro", "abc");
  EXPECT_EQ(Run(), (Lines{Size("largo", "largo"), Content("mismo", "mismo"), Size("otro", "otro"),
                          Content("texto", "texto"), Content("t/dst", "t/dst")}));
  errors.Clear();
  EXPECT_EQ(Run(true), (Lines{Size("largo", "largo"), Content("mismo", "mismo"), Size("otro", "otro")}));
}

TEST_F(EngineTest, SpecialFilesGetAnErrorLineAndTheWalkGoesOn) {
  tree.MakeDir("o");
  tree.MakeDir("c");
  if (!tree.MakeSpecial("o/tuberia")) GTEST_SKIP() << tree.kNoLinkWhy;
  ASSERT_TRUE(tree.MakeSpecial("c/tuberia"));
  Pair("uno", "1", "2");
  Lines lines = Run();  // would block forever if a FIFO were opened
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], PairFailed(common::kErrorNotSupported, "tuberia"));
  EXPECT_EQ(lines[1], Content("uno", "uno"));
  EXPECT_EQ(errors.Failures(), 1);
}

// --- Failures (each operation failing in turn: Faults_test) ---------------------------

TEST_F(EngineTest, MissingTopFolderIsAnErrorLine) {
  tree.WriteFile("o/a.txt", "1");
  CompareEngine engine(options, errors, fs, view);
  engine.Compare(O(), tree.Path("no-existe"), false);
  EXPECT_EQ(errors.Lines(), (Lines{Failed(testsupport::kErrorNotFound, "list " + Q(tree.Path("no-existe")))}));
}

TEST_F(EngineTest, CountingFailureIsSilentAndTheBarStaysWithinRange) {
  Both("sub/a.txt", "1");
  Both("sub/b.txt", "1");
  faults.FailOn(FsOp::List, "o/sub", EIO, 1);
  EXPECT_EQ(Run(), Lines{});
  EXPECT_EQ(filesTotal, 0);
  EXPECT_EQ(filesDone, 2);
  for (float b : view.bars) {
    EXPECT_FALSE(std::isnan(b));
    EXPECT_GE(b, 0.0f);
    EXPECT_LE(b, 100.0f);
  }
  EXPECT_FLOAT_EQ(view.Bar(), 100.0f);
}

TEST_F(EngineTest, TopFoldersGivenAsLinksAreFollowed) {
  if (testsupport::UnderWine())
    GTEST_SKIP() << "Wine 8 reports the folder link it makes as missing (error 2) when it is listed";
  Both("a.txt", "1");
  tree.WriteFile("o/b.txt", "1");
  tree.Symlink("lo", "o");
  tree.Symlink("lc", "c");
  CompareEngine engine(options, errors, fs, view);
  engine.Compare(tree.Path("lo"), tree.Path("lc"), false);
  EXPECT_EQ(errors.Lines(), (Lines{"Falta archivo de destino: " + Q(tree.Path("lc/b.txt"))}));
}

struct DebugCase {
  const char* name;
  FsOp op;
  const char* pathPart;
  int nth;
};

void PrintTo(const DebugCase& c, std::ostream* os) { *os << c.name; }

class DebugModeTest : public EngineTest, public ::testing::WithParamInterface<DebugCase> {};

TEST_P(DebugModeTest, FirstFailureStopsTheRunAndClosesTheView) {
  const DebugCase& c = GetParam();
  if (c.op == FsOp::ReadLink) SKIP_ON_WINDOWS("symbolic links compared by their target");
  options.DebugMode = true;
  Both("a/a.txt", "contenido");
  Both("a/z.txt", "otro");
#ifndef _WIN32
  tree.Symlink("o/a/l", "x");
  tree.Symlink("c/a/l", "x");
#endif
  tree.WriteFile("o/a/solo.txt", "1");
  faults.FailOn(c.op, c.pathPart, EIO, c.nth);
  try {
    Run();
    FAIL() << "no DebugStop";
  } catch (const common::DebugStop& stop) {
    EXPECT_EQ(stop.Number(), EIO);
    EXPECT_EQ(stop.Description(), FsError{EIO}.Description());
  }
  EXPECT_EQ(view.closed, 1);
  // Nothing after the failure was compared.
  EXPECT_EQ(errors.Lines(), Lines{});
}

INSTANTIATE_TEST_SUITE_P(Failures, DebugModeTest,
                         ::testing::Values(DebugCase{"open", FsOp::Open, "c/a/a.txt", 1},
                                           DebugCase{"read", FsOp::Read, "o/a/a.txt", 1},
                                           DebugCase{"readlink", FsOp::ReadLink, "o/a/l", 1},
                                           DebugCase{"list", FsOp::List, "c/a", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Cancel ---------------------------------------------------------------------------

TEST_F(EngineTest, CancelDuringALargeContentComparisonStopsAtTheNextBlock) {
  std::string content(4 * kMiB, 'x');
  std::string other = content;
  other.back() = 'y';
  Pair("grande.bin", content, other);
  tree.WriteFile("o/zz.txt", "despu\xC3\xA9s");
  // The click lands right after the folder's status is shown; the merge's
  // first step (the large pair) still starts and sees it after one block.
  view.CancelAfterPath("Comparando o");
  faults.FailOn(FsOp::Read, "grande.bin", EIO, 3, 1000);  // a third read would fail
  EXPECT_EQ(Run(), (Lines{"Cancelado por el usuario"}));
  EXPECT_EQ(faults.InjectedCount(), 0);
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(view.cancelDisabled, 1);
  EXPECT_EQ(view.closed, 1);
}

TEST_F(EngineTest, ASmallPairIsComparedToItsEndAfterACancel) {
  Pair("a.txt", "1", "2");
  tree.WriteFile("o/b.txt", "1");
  view.CancelAfterPath("Comparando o");
  EXPECT_EQ(Run(), (Lines{"Cancelado por el usuario", Content("a.txt", "a.txt")}));
}

TEST_F(EngineTest, CancelWhileCountingSkipsTheComparison) {
  tree.WriteFiles({{"o/s1/a.txt", "1"}, {"o/s2/b.txt", "1"}});
  view.CancelAtEvent(2);  // the end of the first counted folder
  EXPECT_EQ(Run(), (Lines{"Cancelado por el usuario"}));
  EXPECT_EQ(view.pathLabels, (Lines{"Preparando para comparar..."}));
  EXPECT_LT(filesTotal, 2);
}

TEST_F(EngineTest, CancelDuringTheWalkKeepsEarlierLinesAndFinishesTheCurrentStep) {
  tree.WriteFiles({{"o/a.txt", "1"}, {"o/s1/x.txt", "1"}, {"o/s1/y.txt", "1"}, {"o/s2/z.txt", "1"}});
  for (const char* folder : {"c/s1", "c/s2"}) tree.MakeDir(folder);
  view.CancelAfterPath("Comparando s1");
  view.KeepClicking();
  EXPECT_EQ(Run(), (Lines{NoCopyFile("a.txt"), "Cancelado por el usuario", NoCopyFile("s1/x.txt")}));
  EXPECT_EQ(view.cancelDisabled, 1);
}

// --- Progress ---------------------------------------------------------------------------

TEST_F(EngineTest, BarMovesOnlyBySteps) {
  for (int i = 0; i < 2000; ++i) Both("d" + std::to_string(i % 7) + "/f" + std::to_string(i), "");
  tree.WriteFile("c/solo.txt", "");  // copy-only files do not move the bar
  EXPECT_EQ(Run(true), (Lines{NoOriginFile("solo.txt")}));
  ASSERT_FALSE(view.bars.empty());
  EXPECT_LT(view.bars.size(), 1100u);
  float last = 0;
  for (size_t i = 1; i < view.bars.size(); ++i) {
    EXPECT_GE(view.bars[i] - last, 0.099f) << i;
    last = view.bars[i];
  }
  // The last step of 0.05 is too small to be drawn.
  EXPECT_NEAR(view.Bar(), 100.0f, 0.1f);
  EXPECT_EQ(filesDone, 2000);
}

TEST_F(EngineTest, StatusShowsTheLastPartOfEachFolder) {
  Both("uno/dos/a", "1");
  Run();
  EXPECT_EQ(view.pathLabels, (Lines{"Preparando para comparar...", "Comparando o", "Comparando uno",
                                    "Comparando dos"}));
  EXPECT_EQ(view.fileLabel, "");
}

}  // namespace

// The Windows file-system layer on real folders: attributes, 100 ns times,
// the atomic replace, removal of read-only entries, reparse points never
// followed, drive and network paths, and names compared as Windows does.
// Run under Wine in CI; where a result rests on what Wine gives rather than
// on Windows itself, the test says so.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/core/FileFunction.h"
#include "common/core/FileSystem.h"
#include "common/core/NameKey.h"
#include "common/core/mCmdLine.h"
#include "common/core/win32/Win32Detail.h"
#include "common/tests/support/TempTree.h"

namespace {

using common::EntryInfo;
using common::EntryKind;
using common::FaultInjector;
using common::FileSystem;
using common::FolderListing;
using common::FsOp;
using testsupport::TempTree;

DWORD Attributes(const std::string& path) { return ::GetFileAttributesW(common::win32::LongPath(path).c_str()); }

void SetAttributes(const std::string& path, DWORD attributes) {
  ASSERT_TRUE(::SetFileAttributesW(common::win32::LongPath(path).c_str(), attributes)) << path;
}

// A directory symbolic link (a reparse point standing for another folder).
// Wine makes it a host symbolic link; a Windows without the developer mode
// refuses it to anyone but an administrator.
bool MakeFolderLink(const std::string& link, const std::string& target) {
  return ::CreateSymbolicLinkW(common::win32::LongPath(link).c_str(), common::win32::Widen(target).c_str(),
                               SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
}

// The folder that holds path, opened as a run opens its roots, and the
// entry's name in it: the layer acts through folder handles only.
struct Entry {
  Entry(const FileSystem& fs, const std::string& path)
      : name(path.substr(path.find_last_of("\\/") + 1)),
        error(fs.OpenFolder(path.substr(0, path.find_last_of("\\/")), folder, common::LinkPolicy::Follow)) {}
  common::Folder folder;
  std::string name;
  common::FsError error;
};

common::FsError List(const FileSystem& fs, const std::string& path, FolderListing& out) {
  common::Folder folder;
  common::FsError opened = fs.OpenFolder(path, folder);
  common::FsError listed = fs.ListFolder(folder, out);
  return opened ? opened : listed;
}

common::FsError Copy(const FileSystem& fs, const std::string& source, const EntryInfo& info,
                     const std::string& target, common::Placement placement = common::Placement::Replace) {
  Entry from(fs, source);
  Entry to(fs, target);
  if (from.error) return from.error;
  if (to.error) return to.error;
  return fs.CopyFile(from.folder, info, to.folder, to.name, placement);
}

common::FsError RemoveFile(const FileSystem& fs, const std::string& path) {
  Entry e(fs, path);
  return e.error ? e.error : fs.RemoveFile(e.folder, e.name);
}

common::FsError RemoveFolder(const FileSystem& fs, const std::string& path) {
  Entry e(fs, path);
  return e.error ? e.error : fs.RemoveFolder(e.folder, e.name);
}

TEST(Win32Listing, GivesAttributesSizeAndTimeToTheHundredNanosecondsSortedWithoutCase) {
  TempTree t;
  t.WriteFile("b.txt", "12345", 1700000000, 123456700);
  t.WriteFile("A.txt", "x");
  t.WriteFile("oculto", "");
  t.WriteFile("sistema", "");
  t.MakeDir("Carpeta");
  t.MakeDir("carpeta solo lectura");
  SetAttributes(t.Path("oculto"), FILE_ATTRIBUTE_HIDDEN);
  SetAttributes(t.Path("sistema"), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
  SetAttributes(t.Path("carpeta solo lectura"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);

  FolderListing list;
  ASSERT_FALSE(List(FileSystem(), t.Root(), list));
  std::vector<std::string> files, folders;
  for (const EntryInfo& e : list.files) files.push_back(e.name);
  for (const EntryInfo& e : list.folders) folders.push_back(e.name);
  EXPECT_EQ(files, (std::vector<std::string>{"A.txt", "b.txt", "oculto", "sistema"}));
  EXPECT_EQ(folders, (std::vector<std::string>{"Carpeta", "carpeta solo lectura"}));

  const EntryInfo& b = list.files[1];
  EXPECT_EQ(b.kind, EntryKind::File);
  EXPECT_EQ(b.size, 5);
  EXPECT_EQ(b.mtime, (common::FileTime{1700000000, 123456700}));
  EXPECT_TRUE(list.files[2].IsHidden());
  EXPECT_FALSE(list.files[2].IsReadOnly());
  EXPECT_TRUE(list.files[3].IsReadOnly());
  EXPECT_NE(list.files[3].mode & FILE_ATTRIBUTE_SYSTEM, 0u);
  // A folder's read-only bit is not asked here: Wine does not keep it on
  // folders, Windows does.
  EXPECT_TRUE(list.folders[1].IsHidden());
  EXPECT_FALSE(list.folders[0].IsHidden());
}

TEST(Win32Listing, AFolderThatIsNoneOrIsMissingFailsWithTheSystemNumber) {
  TempTree t;
  t.WriteFile("archivo", "x");
  FolderListing list;
  common::FsError missing = List(FileSystem(), t.Path("falta"), list);
  EXPECT_TRUE(missing.NotFound()) << missing.number;
  common::FsError file = List(FileSystem(), t.Path("archivo"), list);
  EXPECT_TRUE(file.NotAFolder()) << file.number;
  EXPECT_FALSE(file.Description().empty());
  EXPECT_EQ(file.Description().find('\n'), std::string::npos);
}

TEST(Win32Copy, KeepsContentTimeAndAttributesAndReplacesAReadOnlyHiddenCopy) {
  TempTree t;
  t.WriteFile("origen.txt", "nuevo contenido", 1700000001, 987654300);
  SetAttributes(t.Path("origen.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  t.WriteFile("copia.txt", "viejo", 1600000000);
  SetAttributes(t.Path("copia.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

  EntryInfo source;
  ASSERT_FALSE(FileSystem().Stat(t.Path("origen.txt"), source));
  ASSERT_FALSE(Copy(FileSystem(), t.Path("origen.txt"), source, t.Path("copia.txt")));
  EXPECT_EQ(t.ReadFile("copia.txt"), "nuevo contenido");
  EXPECT_EQ(t.MtimeNsec("copia.txt"), 1700000001LL * 1000000000 + 987654300);
  EXPECT_EQ(Attributes(t.Path("copia.txt")) & 0x27u, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(t.Snapshot().size(), 2u);  // no temporary file left
}

TEST(Win32Copy, CreateNeverReplacesANameTakenInAnotherCase) {
  TempTree t;
  t.WriteFile("a.txt", "origen");
  t.MakeDir("destino");
  t.WriteFile("destino/A.TXT", "gemelo");
  EntryInfo source;
  ASSERT_FALSE(FileSystem().Stat(t.Path("a.txt"), source));
  common::FsError e =
      Copy(FileSystem(), t.Path("a.txt"), source, t.Path("destino/a.txt"), common::Placement::Create);
  EXPECT_EQ(e.number, ERROR_ALREADY_EXISTS);
  EXPECT_EQ(t.ReadFile("destino/A.TXT"), "gemelo");
  EXPECT_EQ(t.Snapshot("destino").size(), 1u);
}

// Each step of the copy failing in turn: the old copy stays exactly as it
// was (content, time, attributes) and no temporary file is left behind.
TEST(Win32Copy, AFailureAtAnyStepLeavesTheOldCopyAndNoTemporaryFile) {
  for (FsOp op : {FsOp::Open, FsOp::Read, FsOp::Write, FsOp::SetTimes, FsOp::Chmod, FsOp::Rename}) {
    TempTree t;
    t.WriteFile("origen.bin", std::string(3 << 20, 'n'), 1700000000);
    t.WriteFile("copia.bin", "viejo", 1600000000);
    SetAttributes(t.Path("copia.bin"), FILE_ATTRIBUTE_READONLY);
    const auto before = t.Snapshot();
    FaultInjector faults;
    // The copy's own steps, named by the target; its reads by the source.
    // A second read and write: a failure halfway through the content.
    const int nth = op == FsOp::Read || op == FsOp::Write ? 2 : 1;
    faults.FailOn(op, op == FsOp::Read ? "origen.bin" : "copia.bin", ERROR_DISK_FULL, nth);
    FileSystem fs(&faults);
    EntryInfo source;
    ASSERT_FALSE(FileSystem().Stat(t.Path("origen.bin"), source));
    common::FsError e = Copy(fs, t.Path("origen.bin"), source, t.Path("copia.bin"));
    ASSERT_EQ(faults.InjectedCount(), 1) << common::FsOpName(op);
    EXPECT_EQ(e.number, ERROR_DISK_FULL) << common::FsOpName(op);
    EXPECT_EQ(t.Snapshot(), before) << common::FsOpName(op);
  }
}

TEST(Win32Remove, ReadOnlyHiddenAndSystemFilesAndFoldersAreRemoved) {
  TempTree t;
  t.WriteFile("carpeta/archivo", "x");
  SetAttributes(t.Path("carpeta/archivo"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  SetAttributes(t.Path("carpeta"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
  ASSERT_FALSE(RemoveFile(FileSystem(), t.Path("carpeta/archivo")));
  ASSERT_FALSE(RemoveFolder(FileSystem(), t.Path("carpeta")));
  EXPECT_FALSE(t.Exists("carpeta"));
}

TEST(Win32Remove, AFolderThatCannotBeRemovedKeepsItsAttributes) {
  TempTree t;
  t.WriteFile("carpeta/dentro", "x");
  // Hidden and system (Wine keeps no read-only bit on a folder).
  SetAttributes(t.Path("carpeta"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
  common::FsError e = RemoveFolder(FileSystem(), t.Path("carpeta"));
  EXPECT_EQ(e.number, ERROR_DIR_NOT_EMPTY);
  EXPECT_EQ(Attributes(t.Path("carpeta")) & 0x7u, static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));
}

TEST(Win32Reparse, ALinkedFolderIsListedAsSpecialNeverEnteredAndRemovedAlone) {
  TempTree t;
  t.WriteFile("fuera/valioso.txt", "no se toca");
  t.MakeDir("arbol");
  if (!MakeFolderLink(t.Path("arbol/enlace"), t.Path("fuera")))
    GTEST_SKIP() << "no symbolic links here (error " << ::GetLastError() << ")";
  if ((Attributes(t.Path("arbol/enlace")) & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
    GTEST_SKIP() << "this system shows the link as a plain folder, without its reparse point "
                    "(Wine 8 does so for the host's symbolic links it makes)";

  FileSystem fs;
  FolderListing list;
  ASSERT_FALSE(List(fs, t.Path("arbol"), list));
  // Windows lists the link with its reparse point: a special entry.
  if (list.files.empty() && list.folders.empty())
    GTEST_SKIP() << "this system leaves the link out of its folder's listing (Wine 8 does so for the "
                    "host's symbolic link it makes)";
  ASSERT_EQ(list.files.size(), 1u);
  EXPECT_TRUE(list.folders.empty());
  EXPECT_EQ(list.files[0].kind, EntryKind::Special);

  common::Folder tree, inside;
  ASSERT_FALSE(fs.OpenFolder(t.Path("arbol"), tree));
  EXPECT_TRUE(fs.OpenFolder(tree, "enlace", inside).NotAFolder());
  EXPECT_TRUE(List(fs, t.Path("arbol/enlace"), list).NotAFolder());
  EXPECT_TRUE(fs.RemoveFolder(tree, "enlace").NotAFolder());
  EntryInfo source;
  ASSERT_FALSE(fs.Stat(t.Path("arbol/enlace"), source));
  EXPECT_EQ(Copy(fs, t.Path("arbol/enlace"), source, t.Path("arbol/copia")).number, common::kErrorNotSupported);

  ASSERT_FALSE(fs.RemoveFile(tree, "enlace"));
  EXPECT_FALSE(t.Exists("arbol/enlace"));
  EXPECT_EQ(t.ReadFile("fuera/valioso.txt"), "no se toca");
}

TEST(Win32Paths, DriveRootsUncPathsAndLongPaths) {
  EXPECT_EQ(common::win32::LongPath("C:\\datos\\a.txt"), L"\\\\?\\C:\\datos\\a.txt");
  EXPECT_EQ(common::win32::LongPath("\\\\servidor\\recurso\\a"), L"\\\\?\\UNC\\servidor\\recurso\\a");
  EXPECT_EQ(common::win32::LongPath("C:\\datos\\..\\otros\\.\\a"), L"\\\\?\\C:\\otros\\a");
  EXPECT_EQ(common::JoinPath("C:\\", "a.txt"), "C:\\a.txt");
  EXPECT_EQ(common::GetParentPath("C:\\Datos"), "C:");
  EXPECT_EQ(common::GetFileName("C:\\Datos\\a.txt"), "a.txt");

  // A path longer than MAX_PATH works end to end.
  TempTree t;
  std::string deep = t.Root();
  for (int i = 0; i < 12; ++i) deep += "\\carpeta con un nombre bastante largo " + std::to_string(i);
  ASSERT_GT(deep.size(), 300u);
  ASSERT_FALSE(FileSystem().MakeFolderTree(deep));
  EXPECT_TRUE(common::DirExists(deep));
}

TEST(Win32Paths, ArgumentTextStartsAfterTheProgramPath) {
  EXPECT_EQ(common::ArgumentTextOf("\"C:\\Archivos de programa\\update.exe\"  /u a b"), "/u a b");
  EXPECT_EQ(common::ArgumentTextOf("update.exe \"C:\\mis datos\" D:\\copia"), "\"C:\\mis datos\" D:\\copia");
  EXPECT_EQ(common::ArgumentTextOf("update.exe"), "");
  common::mCmdLine cmd;
  cmd.ParseCommandLine(common::ArgumentTextOf("update /u C:\\a D:\\b"));
  EXPECT_TRUE(cmd.HasOption("u"));
  EXPECT_EQ(cmd.GetArg(1), "C:\\a");
}

TEST(Win32Names, CompareAsTheFileSystemDoesIgnoringCase) {
  EXPECT_EQ(common::CompareNames("a.TXT", "A.txt"), 0);
  EXPECT_EQ(common::CompareNames("AÑO 2026.txt", "año 2026.txt"), 0);
  EXPECT_EQ(common::CompareNames("ÉLITE", "élite"), 0);
  // No full case folding, unlike the Linux comparison: ß is no "SS".
  EXPECT_NE(common::CompareNames("straße", "STRASSE"), 0);
  // The order of the keys is that of CompareStringOrdinal ignoring case.
  const std::vector<std::string> names = {"_x", "a", "B", "Z", "[", "~", "é", "Ñ", "ñandú", "Ω", "中文", "z1"};
  for (const auto& a : names)
    for (const auto& b : names) {
      const std::wstring wa = common::win32::Widen(a), wb = common::win32::Widen(b);
      const int windows = ::CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                                                 static_cast<int>(wb.size()), TRUE) - CSTR_EQUAL;
      const int ours = common::CompareNames(a, b);
      EXPECT_EQ((ours > 0) - (ours < 0), (windows > 0) - (windows < 0)) << a << " / " << b;
    }
}

}  // namespace

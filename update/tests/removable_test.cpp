// The copy on a removable drive: small FAT32, exFAT and NTFS images mounted
// through FUSE (fusefat; exfat-fuse on a loop device; ntfs-3g) at copia/usb,
// inside a copy on the test's own file system, so the copy holds two file
// systems. The tree is mirrored three times by the real program and compared
// once by compare. Each file
// system keeps coarser times than the source (2 s, 1 s, 100 ns here), FAT
// and exFAT refuse some names, links and permission bits, and compare names
// without letter case. Without root, FUSE or loop devices the group skips;
// with REMOVABLE_FS_REQUIRED=1 in the environment (CI) it fails instead.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "common/core/FileFunction.h"
#include "common/core/FileSystem.h"
#include "common/tests/support/ChildProcess.h"
#include "common/tests/support/TempTree.h"
#include "common/tests/support/ErrorLine.h"
#include "update/tests/support/EngineFixture.h"

namespace {

using Lines = std::vector<std::string>;
using updatetest::ByName;
namespace fs = std::filesystem;

enum class Mounter { Fusefat, ExfatOnLoop, Ntfs3g };

// A source entry the file system cannot hold, and the errno it gives.
struct Refused {
  const char* name;  // below origen/usb
  int error;
  bool folder = false;
};

struct DriveCase {
  const char* name;
  std::vector<std::string> mkfs;  // the image's path is appended
  int64_t imageBytes;
  Mounter mounter;
  std::vector<Refused> refused;
};
std::string FindTool(const std::string& name) {
  for (const char* dir : {"/usr/sbin", "/sbin", "/usr/bin", "/bin"}) {
    std::string path = std::string(dir) + "/" + name;
    if (::access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

// Runs a tool; empty when it worked, else what it said.
std::string RunTool(const std::vector<std::string>& command, std::string* out = nullptr) {
  std::string program = FindTool(command[0]);
  if (program.empty()) return command[0] + " is not installed";
  auto r = testsupport::RunChild(program, {command.begin() + 1, command.end()}, "/", 60);
  if (out) *out = r.out;
  if (r.status == 0) return {};
  return command[0] + " failed (" + std::to_string(r.status) + "): " + r.err + r.out;
}

// An image mounted through FUSE at a folder; unmounted, and its loop device
// detached, when the object goes away, whatever the test did meanwhile.
class MountedImage {
 public:
  MountedImage() = default;
  MountedImage(const MountedImage&) = delete;
  MountedImage& operator=(const MountedImage&) = delete;
  ~MountedImage() {
    if (!at_.empty() && !RunTool({"umount", at_}).empty()) RunTool({"umount", "-l", at_});
    if (!loop_.empty()) RunTool({"losetup", "-d", loop_});
  }

  // Empty when mounted, else why not.
  std::string Mount(const DriveCase& c, const std::string& image, const std::string& at) {
    if (::geteuid() != 0) return "mounting images needs root";
    if (::access("/dev/fuse", R_OK | W_OK) != 0) return "/dev/fuse is not usable";
    {
      std::ofstream(image).close();
      if (::truncate(image.c_str(), c.imageBytes) != 0) return "cannot size the image";
    }
    std::vector<std::string> mkfs = c.mkfs;
    mkfs.push_back(image);
    if (std::string why = RunTool(mkfs); !why.empty()) return why;
    std::string why;
    switch (c.mounter) {
      case Mounter::Fusefat: why = RunTool({"fusefat", "-o", "rw+", image, at}); break;
      case Mounter::Ntfs3g: why = RunTool({"ntfs-3g", image, at}); break;
      case Mounter::ExfatOnLoop: {
        std::string device;
        why = RunTool({"losetup", "-f", "--show", image}, &device);
        if (!why.empty()) return "no loop device: " + why;
        loop_ = device.substr(0, device.find('\n'));
        why = RunTool({"mount.exfat-fuse", loop_, at});
        break;
      }
    }
    if (why.empty()) at_ = at;
    return why;
  }

 private:
  std::string at_;
  std::string loop_;
};

// Every entry below root by its exact name: "d" for a folder, "f:" and the
// content for a file, "l:" and the target for a link.
std::map<std::string, std::string> Entries(const std::string& root) {
  std::map<std::string, std::string> out;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    std::string rel = it->path().lexically_relative(root).string();
    if (it->is_symlink()) {
      out[rel] = "l:" + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      out[rel] = "d";
    } else {
      std::ifstream in(it->path(), std::ios::binary);
      out[rel] = "f:" + std::string(std::istreambuf_iterator<char>(in), {});
    }
  }
  return out;
}

// The lines of a log block: without the date, the two folders and the dashes.
Lines BlockLines(const std::string& log) {
  Lines lines;
  size_t at = 0;
  while (at < log.size()) {
    size_t end = log.find("\r\n", at);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(at, end - at);
    at = end + 2;
    if (line.rfind("Fecha y hora: ", 0) == 0 || line.rfind("Origen: ", 0) == 0 ||
        line.rfind("Destino: ", 0) == 0 || line.find_first_not_of('-') == std::string::npos)
      continue;
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

Lines Sorted(Lines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The names FAT and exFAT refuse ("*:<>?\| and control characters).
const char* const kForbiddenNames[] = {"dos:puntos.txt", "pregunta?.txt", "comillas\".txt",
                                       "estrella*.txt",  "menor<.txt",    "mayor>.txt",
                                       "barra\\inv.txt",  "tubo|.txt",     "control\x01.txt"};

// 2024-05-31 15:28:37: odd seconds, and every run adds nanoseconds.
constexpr int64_t kBase = 1717169317;

class RemovableCopy : public ::testing::TestWithParam<DriveCase> {
 protected:
  void SetUp() override {
    tree.MakeDir("copia/usb");
    std::string why = image.Mount(GetParam(), tree.Path("disco.img"), tree.Path("copia/usb"));
    if (why.empty()) return;
    const char* required = std::getenv("REMOVABLE_FS_REQUIRED");
    if (required != nullptr && std::string(required) == "1") FAIL() << why;
    GTEST_SKIP() << why;
  }

  // A run of update with every action logged; its block's lines, sorted.
  Lines Update(int run, int& status) {
    std::string log = "update" + std::to_string(run) + ".log";
    auto r = testsupport::RunChild(UPDATE_PROGRAM, {"/u", "/log:cud", "/logfile:" + log, "origen", "copia"},
                                   tree.Root());
    status = r.status;
    // A run with nothing to record writes no block.
    return tree.Exists(log) ? BlockLines(tree.ReadFile(log)) : Lines{};
  }

  // The lines each run records for what the copy cannot hold.
  Lines RefusedLines() const {
    Lines lines;
    for (const Refused& r : GetParam().refused) {
      std::string source = common::QuotePath(std::string("origen/usb/") + r.name);
      std::string copy = common::QuotePath(std::string("copia/usb/") + r.name);
      if (r.folder) {
        lines.push_back("createdir " + copy);
        lines.push_back(testsupport::ErrorLine(r.error, "mkdir " + copy));
      } else {
        lines.push_back("create " + source + " " + copy);
        lines.push_back(testsupport::ErrorLine(r.error, "copy " + source + " " + copy));
      }
    }
    return Sorted(lines);
  }

  testsupport::TempTree tree;
  MountedImage image;  // after tree: unmounted before the tree goes
};

TEST_P(RemovableCopy, ConvergesAndReportsWhatItCannotHold) {
  const DriveCase& c = GetParam();
  tree.WriteFile("origen/usb/a.txt", "alfa", kBase, 123456789);
  tree.WriteFile("origen/usb/sub/b.txt", "beta", kBase + 2, 987654321);
  tree.WriteFile("origen/usb/solo-lectura.txt", "fijo", kBase + 4, 500000000);
  tree.Chmod("origen/usb/solo-lectura.txt", 0444);
  tree.WriteFile("origen/usb/programa.sh", "#!/bin/sh\n", kBase + 6, 250000001);
  tree.Chmod("origen/usb/programa.sh", 0755);
  tree.MakeDir("origen/usb/vacia");
  tree.WriteFile("origen/usb/canci\xC3\xB3n.txt", "acento", kBase + 8, 10000001);
  tree.WriteFile("origen/usb/Nota.txt", "Nota", kBase + 10, 1);
  tree.WriteFile("origen/usb/nota.txt", "nota", kBase + 12, 999999999);
  // Both drivers keep a trailing dot or blank as given.
  tree.WriteFile("origen/usb/punto.", "punto.", kBase + 14, 333333333);
  tree.WriteFile("origen/usb/blanco ", "blanco ", kBase + 14, 333333333);
  for (const char* name : kForbiddenNames)
    tree.WriteFile(std::string("origen/usb/") + name, name, kBase + 14, 333333333);
  tree.WriteFile("origen/usb/carpeta?/dentro.txt", "dentro", kBase + 16, 1);
  tree.Symlink("origen/usb/enlace", "a.txt");
  tree.WriteFile("origen/usb/vieja/v.txt", "vieja", kBase + 18, 700000000);

  int status = -1;
  Lines first = Update(1, status);
  EXPECT_EQ(status, c.refused.empty() ? 0 : 2);
  const std::regex errorLine(".* \\(\\d+\\) en .*");
  Lines errors, expectedErrors;
  for (const auto& l : first)
    if (std::regex_match(l, errorLine)) errors.push_back(l);
  for (const auto& l : RefusedLines())
    if (std::regex_match(l, errorLine)) expectedErrors.push_back(l);
  EXPECT_EQ(errors, expectedErrors);

  // A replaced file (read-only in the source), a new folder and a removed one.
  tree.WriteFile("origen/usb/a.txt", "alfa 2", kBase + 100, 5);
  tree.Chmod("origen/usb/solo-lectura.txt", 0644);
  tree.WriteFile("origen/usb/solo-lectura.txt", "fijo 2", kBase + 102, 7);
  tree.Chmod("origen/usb/solo-lectura.txt", 0444);
  tree.WriteFile("origen/usb/nueva/c.txt", "nueva", kBase + 104, 900000000);
  tree.Remove("origen/usb/vieja");
  Lines changes = RefusedLines();
  for (const char* line : {R"(update "origen/usb/a.txt" "copia/usb/a.txt")",
                           R"(update "origen/usb/solo-lectura.txt" "copia/usb/solo-lectura.txt")",
                           R"(deletedir "copia/usb/vieja")", R"(delete "copia/usb/vieja/v.txt")",
                           R"(createdir "copia/usb/nueva")", R"(create "origen/usb/nueva/c.txt" "copia/usb/nueva/c.txt")"})
    changes.push_back(line);
  Lines second = Update(2, status);
  EXPECT_EQ(second, Sorted(changes));
  Lines third = Update(3, status);
  EXPECT_EQ(third, RefusedLines()) << "the third run did more than report what the copy cannot hold";
  std::cout << c.name << ": lines recorded by the three runs: " << first.size() << ", " << second.size() << ", "
            << third.size() << "\n";

  // The copy holds exactly the source's entries that it can hold, each with
  // its own content (a twin never gets the other's).
  auto expected = Entries(tree.Path("origen/usb"));
  Lines missing;
  for (const Refused& r : c.refused) {
    std::string name = r.name;
    std::erase_if(expected, [&](const auto& e) { return e.first == name || e.first.rfind(name + "/", 0) == 0; });
    // compare names the folders it was given in full.
    missing.push_back((r.folder ? "Falta carpeta de destino: " : "Falta archivo de destino: ") +
                      common::QuotePath(fs::canonical(tree.Root()).string() + "/copia/usb/" + name));
  }
  EXPECT_EQ(Entries(tree.Path("copia/usb")), expected);

  // compare finds those missing from the copy and nothing else.
  auto r = testsupport::RunChild(COMPARE_PROGRAM, {"/u", "/logfile:compare.log", "origen", "copia"}, tree.Root());
  EXPECT_EQ(r.status, c.refused.empty() ? 0 : 1) << r.out << r.err;
  EXPECT_EQ(tree.Exists("compare.log") ? BlockLines(tree.ReadFile("compare.log")) : Lines{}, Sorted(missing));
}

std::vector<Refused> ForbiddenNames(int error) {
  std::vector<Refused> out;
  for (const char* name : kForbiddenNames) out.push_back({name, error});
  out.push_back({"carpeta?", error, true});
  return out;
}

std::vector<Refused> With(std::vector<Refused> list, std::vector<Refused> more) {
  list.insert(list.end(), more.begin(), more.end());
  return list;
}

INSTANTIATE_TEST_SUITE_P(
    Drives, RemovableCopy,
    ::testing::Values(
        // fusefat keeps 8.3-style ASCII long names only: the accented name is refused too.
        DriveCase{"Fat32", {"mkfs.vfat", "-F", "32"}, 40 << 20, Mounter::Fusefat,
                  With(ForbiddenNames(EPERM),
                       {{"canci\xC3\xB3n.txt", EPERM}, {"enlace", ENOSYS}, {"nota.txt", EEXIST}})},
        DriveCase{"ExFat", {"mkfs.exfat"}, 8 << 20, Mounter::ExfatOnLoop,
                  With(ForbiddenNames(ENOENT), {{"enlace", ENOSYS}, {"nota.txt", EEXIST}})},
        // ntfs-3g holds every name, links, and twins as two files.
        DriveCase{"Ntfs", {"mkntfs", "-F", "-Q", "-q"}, 8 << 20, Mounter::Ntfs3g, {}}), ByName());

}  // namespace

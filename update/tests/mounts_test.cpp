// The engine where mounts meet the two trees: a folder reached under another
// name through a bind mount is refused like a spelled overlap, and removing
// a folder of the copy never descends into another mount. Mounting needs
// root; elsewhere these cases are skipped with the reason.

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <ostream>

#include "update/tests/support/EngineFixture.h"
#include "common/tests/support/ErrorLine.h"

namespace updatetest {
namespace {

using testsupport::ErrorLine;

using Lines = std::vector<std::string>;

// A bind mount, undone when the test ends however it ends; detached, so a
// descriptor still open inside it cannot keep it mounted.
class BindMount {
 public:
  BindMount(const std::string& from, std::string at) : at_(std::move(at)) {
    if (::mount(from.c_str(), at_.c_str(), nullptr, MS_BIND, nullptr) != 0) error_ = errno;
  }
  ~BindMount() {
    if (error_ == 0) ::umount2(at_.c_str(), MNT_DETACH);
  }
  BindMount(const BindMount&) = delete;
  BindMount& operator=(const BindMount&) = delete;
  int Error() const { return error_; }

 private:
  std::string at_;
  int error_ = 0;
};

class Mounts : public EngineFixture {
 protected:
  Mounts() {
    options.LogOps = update::OpAll;
    tree.WriteFile("origen/a.txt", "a", 100);
    tree.WriteFile("origen/sub/b.txt", "b", 100);
    tree.WriteFile("copia/c.txt", "c", 100);
    tree.WriteFile("copia/sub/d.txt", "d", 100);
  }
  // Mounts the tree folder from on at (made when missing); skips the test
  // where mounting is not permitted. Callers return when IsSkipped().
  void Bind(const std::string& from, const std::string& at) {
    tree.MakeDir(at);
    auto mount = std::make_unique<BindMount>(tree.Path(from), tree.Path(at));
    if (int e = mount->Error())
      GTEST_SKIP() << "mount --bind is not permitted here: " << std::strerror(e);
    mounts_.push_back(std::move(mount));
  }

 private:
  // Declared after the tree (in the base): unmounted before it is removed.
  std::vector<std::unique_ptr<BindMount>> mounts_;
};

// ---- Another name for a folder of the other tree ----

struct AliasCase {
  const char* name;
  const char* from;  // bind-mounted on "at"
  const char* at;
  const char* origen;
  const char* destino;
};
void PrintTo(const AliasCase& c, std::ostream* os) { *os << c.name; }

class MountedAlias : public Mounts, public ::testing::WithParamInterface<AliasCase> {};

TEST_P(MountedAlias, IsRefusedAndNothingChanges) {
  const AliasCase& c = GetParam();
  Bind(c.from, c.at);
  if (IsSkipped()) return;
  auto before = tree.Snapshot();
  std::string o = tree.Path(c.origen);
  std::string d = tree.Path(c.destino);
  EXPECT_EQ(Run(c.origen, c.destino), Lines{"Origen y destino se solapan: \"" + o + "\" \"" + d + "\""});
  EXPECT_EQ(errors.Failures(), 1);
  EXPECT_EQ(tree.Snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Mounts, MountedAlias,
    ::testing::Values(
        AliasCase{"CopyIsTheSourceUnderAnotherName", "origen", "alias", "origen", "alias"},
        AliasCase{"CopyIsAFolderAboveTheSource", "origen", "alias", "origen/sub", "alias"},
        AliasCase{"CopyMountedInsideTheSource", "copia", "origen/montaje", "origen", "copia"},
        AliasCase{"CopyIsAFolderInsideTheSource", "origen/sub", "alias", "origen", "alias"},
        AliasCase{"SourceIsAFolderInsideTheCopy", "copia/sub", "alias", "alias", "copia"}),
    [](const ::testing::TestParamInfo<AliasCase>& info) { return std::string(info.param.name); });

// ---- Removing a folder that holds another mount ----

TEST_F(Mounts, RemovalLeavesAForeignMountAndItsFiles) {
  tree.WriteFile("ajeno/f.txt", "f", 100);
  tree.WriteFile("copia/viejo/x.txt", "x", 100);
  Bind("ajeno", "copia/viejo/montaje");
  if (IsSkipped()) return;
  EXPECT_EQ(Run(), Expand(Lines{
                       R"(create "{o}/a.txt" "{c}/a.txt")",
                       R"(delete "{c}/c.txt")",
                       R"(deletedir "{c}/viejo")",
                       R"(delete "{c}/viejo/x.txt")",
                       R"(deletedir "{c}/viejo/montaje")",
                       ErrorLine(EXDEV, Expand(R"(rmdir "{c}/viejo/montaje")")),
                       R"(create "{o}/sub/b.txt" "{c}/sub/b.txt")",
                       R"(delete "{c}/sub/d.txt")",
                   }));
  EXPECT_EQ(tree.ReadFile("ajeno/f.txt"), "f");
  EXPECT_FALSE(tree.Exists("copia/viejo/x.txt"));
  EXPECT_EQ(errors.Failures(), 1);
}

}  // namespace
}  // namespace updatetest

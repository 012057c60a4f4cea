#include "common/tests/support/TempTree.h"
#include "common/tests/support/Platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace testsupport {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

void MakeDirs(const std::string& path) {
  if (path.empty()) return;
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) return;
  auto slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) MakeDirs(path.substr(0, slash));
  if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) Fail("mkdir", path);
}

void Walk(const std::string& abs, const std::string& rel, bool withTimes,
          std::map<std::string, std::string>& out) {
  DIR* d = opendir(abs.c_str());
  if (!d) Fail("opendir", abs);
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  for (const auto& n : names) {
    std::string a = abs + "/" + n;
    std::string r = rel.empty() ? n : rel + "/" + n;
    struct stat st;
    if (lstat(a.c_str(), &st) != 0) Fail("lstat", a);
    std::ostringstream desc;
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    if (S_ISDIR(st.st_mode)) {
      desc << "dir " << mode;
    } else if (S_ISLNK(st.st_mode)) {
      char buf[4096];
      ssize_t n2 = readlink(a.c_str(), buf, sizeof buf);
      desc << "link -> " << std::string(buf, n2 < 0 ? 0 : n2);
    } else if (S_ISREG(st.st_mode)) {
      std::ifstream f(a, std::ios::binary);
      std::ostringstream c;
      c << f.rdbuf();
      desc << "file " << mode << " [" << c.str() << "]";
    } else {
      desc << "special " << mode;
    }
    if (withTimes && !S_ISDIR(st.st_mode))
      desc << " @" << st.st_mtim.tv_sec << "." << st.st_mtim.tv_nsec;
    out[r] = desc.str();
    if (S_ISDIR(st.st_mode)) Walk(a, r, withTimes, out);
  }
}

}  // namespace

void RemoveTree(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;
  if (!S_ISDIR(st.st_mode)) {
    unlink(path.c_str());
    return;
  }
  chmod(path.c_str(), 0700);
  if (DIR* d = opendir(path.c_str())) {
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
    for (const auto& n : names) RemoveTree(path + "/" + n);
  }
  rmdir(path.c_str());
}

bool UnderWine() { return false; }

TempTree::TempTree() {
  const char* tmp = std::getenv("TMPDIR");
  std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/bktest.XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) Fail("mkdtemp", tmpl);
  root_ = buf.data();
}

TempTree::~TempTree() { RemoveTree(root_); }

std::string TempTree::Path(const std::string& rel) const {
  return rel.empty() ? root_ : root_ + "/" + rel;
}

void TempTree::MakeDir(const std::string& rel) { MakeDirs(Path(rel)); }

void TempTree::WriteFile(const std::string& rel, const std::string& content, int64_t mtimeSec,
                         int64_t mtimeNsec) {
  std::string p = Path(rel);
  auto slash = p.rfind('/');
  MakeDirs(p.substr(0, slash));
  int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) Fail("open", p);
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      close(fd);
      Fail("write", p);
    }
    done += static_cast<size_t>(n);
  }
  close(fd);
  if (mtimeSec >= 0) SetMtime(rel, mtimeSec, mtimeNsec);
}

void TempTree::SetMtime(const std::string& rel, int64_t sec, int64_t nsec) {
  struct timespec ts[2];
  ts[0].tv_sec = sec;
  ts[0].tv_nsec = nsec;
  ts[1] = ts[0];
  if (utimensat(AT_FDCWD, Path(rel).c_str(), ts, AT_SYMLINK_NOFOLLOW) != 0)
    Fail("utimensat", Path(rel));
}

void TempTree::Symlink(const std::string& rel, const std::string& target) {
  std::string p = Path(rel);
  MakeDirs(p.substr(0, p.rfind('/')));
  if (symlink(target.c_str(), p.c_str()) != 0) Fail("symlink", p);
}

bool TempTree::FolderLink(const std::string& rel, const std::string& target) {
  Symlink(rel, Path(target));
  return true;
}

bool TempTree::MakeSpecial(const std::string& rel) { return mkfifo(Path(rel).c_str(), 0644) == 0; }

void TempTree::Chmod(const std::string& rel, unsigned mode) {
  if (chmod(Path(rel).c_str(), mode) != 0) Fail("chmod", Path(rel));
}

void TempTree::Remove(const std::string& rel) { RemoveTree(Path(rel)); }

bool TempTree::Exists(const std::string& rel) const {
  struct stat st;
  return lstat(Path(rel).c_str(), &st) == 0;
}

std::string TempTree::ReadFile(const std::string& rel) const {
  std::ifstream f(Path(rel), std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + Path(rel));
  std::ostringstream c;
  c << f.rdbuf();
  return c.str();
}

unsigned TempTree::Mode(const std::string& rel) const {
  struct stat st;
  if (lstat(Path(rel).c_str(), &st) != 0) Fail("lstat", Path(rel));
  return st.st_mode & 07777;
}

int64_t TempTree::MtimeNsec(const std::string& rel) const {
  struct stat st;
  if (lstat(Path(rel).c_str(), &st) != 0) Fail("lstat", Path(rel));
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::map<std::string, std::string> TempTree::Snapshot(const std::string& rel, bool withTimes) const {
  std::map<std::string, std::string> out;
  Walk(Path(rel), "", withTimes, out);
  return out;
}

}  // namespace testsupport

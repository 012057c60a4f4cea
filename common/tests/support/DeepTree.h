#pragma once
// Trees deeper than PATH_MAX, which plain path calls cannot reach: built,
// read and removed relative to folder descriptors (mkdirat, openat,
// unlinkat), one level at a time. Header only.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

namespace deep_detail {

[[noreturn]] inline void Fail(const std::string& what, const std::string& name) {
  throw std::runtime_error(what + " " + name + ": " + std::strerror(errno));
}

// A descriptor closed when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  Fd& operator=(Fd&& o) noexcept {
    if (this != &o) {
      if (fd_ >= 0) close(fd_);
      fd_ = o.fd_;
      o.fd_ = -1;
    }
    return *this;
  }
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  int Get() const { return fd_; }

 private:
  int fd_;
};

inline Fd OpenFolder(int at, const std::string& name) {
  int fd = openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) Fail("openat", name);
  return Fd(fd);
}

inline std::vector<std::string> Names(int folderFd) {
  int copy = dup(folderFd);
  if (copy < 0) Fail("dup", "");
  DIR* d = fdopendir(copy);
  if (!d) {
    close(copy);
    Fail("fdopendir", "");
  }
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  return names;
}

inline void Walk(int folderFd, const std::string& rel, std::map<std::string, std::string>& out) {
  for (const std::string& n : Names(folderFd)) {
    std::string r = rel.empty() ? n : rel + "/" + n;
    struct stat st;
    if (fstatat(folderFd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) Fail("fstatat", r);
    if (S_ISDIR(st.st_mode)) {
      out[r] = "dir";
      Fd sub = OpenFolder(folderFd, n);
      Walk(sub.Get(), r, out);
    } else if (S_ISREG(st.st_mode)) {
      int fd = openat(folderFd, n.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0) Fail("openat", r);
      Fd file(fd);
      std::string content;
      char buf[4096];
      ssize_t got;
      while ((got = read(file.Get(), buf, sizeof buf)) > 0) content.append(buf, static_cast<size_t>(got));
      out[r] = "file [" + content + "] @" + std::to_string(st.st_mtim.tv_sec) + "." +
               std::to_string(st.st_mtim.tv_nsec);
    } else {
      out[r] = "other";
    }
  }
}

inline void RemoveInside(int folderFd) {
  for (const std::string& n : Names(folderFd)) {
    struct stat st;
    if (fstatat(folderFd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      fchmodat(folderFd, n.c_str(), 0700, 0);
      {
        Fd sub = OpenFolder(folderFd, n);
        RemoveInside(sub.Get());
      }
      unlinkat(folderFd, n.c_str(), AT_REMOVEDIR);
    } else {
      unlinkat(folderFd, n.c_str(), 0);
    }
  }
}

}  // namespace deep_detail

// Below the existing folder root: levels folders named segment, one inside
// the other, with a file "nivel<k>" holding "<content> <k>" at each level
// (k = 0 at root itself) and every file's time set to mtimeSec. Given a
// linkTarget, the deepest folder also holds a link "enlace" to it.
inline void MakeDeepChain(const std::string& root, int levels, const std::string& segment,
                          const std::string& content, int64_t mtimeSec,
                          const std::string& linkTarget = "") {
  using namespace deep_detail;
  Fd at = OpenFolder(AT_FDCWD, root);
  for (int k = 0; k <= levels; ++k) {
    std::string name = "nivel" + std::to_string(k);
    int fd = openat(at.Get(), name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) Fail("openat", name);
    Fd file(fd);
    std::string text = content + " " + std::to_string(k);
    if (write(file.Get(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) Fail("write", name);
    struct timespec times[2] = {{mtimeSec, 0}, {mtimeSec, 0}};
    if (futimens(file.Get(), times) != 0) Fail("futimens", name);
    if (k == levels) {
      if (!linkTarget.empty() && symlinkat(linkTarget.c_str(), at.Get(), "enlace") != 0)
        Fail("symlinkat", "enlace");
      break;
    }
    if (mkdirat(at.Get(), segment.c_str(), 0755) != 0 && errno != EEXIST) Fail("mkdirat", segment);
    at = OpenFolder(at.Get(), segment);
  }
}

// Every entry below root, at any depth: "rel/path" -> "dir", "other" or
// "file [content] @sec.nsec".
inline std::map<std::string, std::string> DeepSnapshot(const std::string& root) {
  std::map<std::string, std::string> out;
  deep_detail::Fd at = deep_detail::OpenFolder(AT_FDCWD, root);
  deep_detail::Walk(at.Get(), "", out);
  return out;
}

// Empties root, however deep; root itself stays.
inline void RemoveDeepContents(const std::string& root) {
  deep_detail::Fd at = deep_detail::OpenFolder(AT_FDCWD, root);
  deep_detail::RemoveInside(at.Get());
}

}  // namespace testsupport

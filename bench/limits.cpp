// Reference programs that show what the machine can do on the benchmark
// trees, single-threaded, with no extra work: the floor our programs are
// measured against besides the peers.
//
//   limits walk <a> <b>   one getdents pass per folder and one fstatat per
//                         entry, of both trees (what a no-change resync or a
//                         quick comparison cannot go below on one core)
//   limits cmp <a> <b>    for every regular file of a, read it and the file
//                         of the same path in b alternately in 1 MiB blocks
//                         and memcmp them (the single-threaded open+read and
//                         compare limit)
//
// Exit status: 0 when nothing differed, 1 when some file pair differed or was
// missing, 2 on a failure.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

uint64_t gEntries = 0, gDiffer = 0, gBytes = 0;

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "limits: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(2);
}

// Visits every entry below the folder open as dirfd; path is its name.
template <class Visit>
void WalkAt(int dirfd, const std::string& path, bool statEach, Visit& visit) {
  DIR* d = fdopendir(dirfd);
  if (!d) Die("fdopendir " + path);
  std::vector<std::string> subdirs;
  while (dirent* e = readdir(d)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    ++gEntries;
    bool isDir = e->d_type == DT_DIR;
    bool isReg = e->d_type == DT_REG;
    if (statEach || e->d_type == DT_UNKNOWN) {
      struct stat st;
      if (fstatat(dirfd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) Die("fstatat " + path + "/" + n);
      isDir = S_ISDIR(st.st_mode);
      isReg = S_ISREG(st.st_mode);
    }
    if (isDir) subdirs.emplace_back(n);
    else if (isReg) visit(dirfd, path, n);
  }
  for (const std::string& s : subdirs) {
    int fd = openat(dirfd, s.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) Die("open " + path + "/" + s);
    WalkAt(fd, path + "/" + s, statEach, visit);
  }
  closedir(d);
}

template <class Visit>
void Walk(const std::string& root, bool statEach, Visit visit) {
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Die("open " + root);
  WalkAt(fd, root, statEach, visit);
}

constexpr size_t kBlock = 1 << 20;

// Reads up to size bytes; fewer only at the end of the file.
size_t ReadFull(int fd, char* buf, size_t size) {
  size_t got = 0;
  while (got < size) {
    ssize_t n = read(fd, buf + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      Die("read");
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return got;
}

int Compare(const std::string& a, const std::string& b) {
  static char* bufA = static_cast<char*>(std::aligned_alloc(4096, kBlock));
  static char* bufB = static_cast<char*>(std::aligned_alloc(4096, kBlock));
  Walk(a, false, [&](int dirfd, const std::string& path, const char* name) {
    int fa = openat(dirfd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fa < 0) Die("open " + path + "/" + name);
    std::string other = b + path.substr(a.size()) + "/" + name;
    int fb = open(other.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fb < 0) {
      ++gDiffer;
      close(fa);
      return;
    }
    struct stat sa, sb;
    if (fstat(fa, &sa) != 0 || fstat(fb, &sb) != 0) Die("fstat");
    if (sa.st_size != sb.st_size) {
      ++gDiffer;
    } else if (sa.st_size > 0) {
      posix_fadvise(fa, 0, 0, POSIX_FADV_SEQUENTIAL);
      posix_fadvise(fb, 0, 0, POSIX_FADV_SEQUENTIAL);
      for (;;) {
        size_t na = ReadFull(fa, bufA, kBlock);
        size_t nb = ReadFull(fb, bufB, kBlock);
        gBytes += na + nb;
        if (na != nb || std::memcmp(bufA, bufB, na) != 0) {
          ++gDiffer;
          break;
        }
        if (na < kBlock) break;
      }
    }
    close(fa);
    close(fb);
  });
  std::printf("%llu entries, %llu bytes read, %llu differ\n",
              static_cast<unsigned long long>(gEntries), static_cast<unsigned long long>(gBytes),
              static_cast<unsigned long long>(gDiffer));
  return gDiffer ? 1 : 0;
}

int WalkBoth(const std::string& a, const std::string& b) {
  uint64_t files = 0;
  auto count = [&](int, const std::string&, const char*) { ++files; };
  Walk(a, true, count);
  Walk(b, true, count);
  std::printf("%llu entries stat'ed, %llu files\n", static_cast<unsigned long long>(gEntries),
              static_cast<unsigned long long>(files));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: limits walk|cmp <a> <b>\n");
    return 2;
  }
  const std::string mode = argv[1];
  if (mode == "walk") return WalkBoth(argv[2], argv[3]);
  if (mode == "cmp") return Compare(argv[2], argv[3]);
  std::fprintf(stderr, "usage: limits walk|cmp <a> <b>\n");
  return 2;
}

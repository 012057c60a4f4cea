// Reference programs that show what the machine can do on the benchmark
// trees, single-threaded, with no extra work: the floor our programs are
// measured against besides the peers.
//
//   limits walk <a> <b>   one getdents pass per folder and one fstatat per
//                         entry, of both trees (what a no-change resync or a
//                         quick comparison cannot go below on one core)
//   limits cmp <a> <b> [read size]
//                         for every regular file of a, read it and the file
//                         of the same path in b alternately in pieces of the
//                         read size (default 1 MiB; K and M suffixes) and
//                         memcmp them (the single-threaded open+read and
//                         compare limit; run.sh keeps the best of several
//                         sizes)
//   limits readall <a> <b>
//                         the cheapest sequence of system calls that reads
//                         and compares every file of both trees: the two
//                         trees are walked side by side (getdents, d_type),
//                         and each pair of files is opened by name from its
//                         two open folders, read into a buffer larger than
//                         the file (a short read is its end) and closed: two
//                         openat, two read, two close per pair
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

// The folder open as dirfd (taken over), to be read with NextEntry.
DIR* OpenListing(int dirfd, const std::string& path) {
  DIR* d = fdopendir(dirfd);
  if (!d) Die("fdopendir " + path);
  return d;
}

// The next entry but . and .., counted; null at the end.
dirent* NextEntry(DIR* d) {
  while (dirent* e = readdir(d)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    ++gEntries;
    return e;
  }
  return nullptr;
}

// Visits every entry below the folder open as dirfd; path is its name.
template <class Visit>
void WalkAt(int dirfd, const std::string& path, bool statEach, Visit& visit) {
  DIR* d = OpenListing(dirfd, path);
  std::vector<std::string> subdirs;
  while (dirent* e = NextEntry(d)) {
    const char* n = e->d_name;
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

size_t gPiece = size_t{1} << 20;
constexpr size_t kBufferMax = size_t{1} << 20;

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
  static char* bufA = static_cast<char*>(std::aligned_alloc(4096, kBufferMax));
  static char* bufB = static_cast<char*>(std::aligned_alloc(4096, kBufferMax));
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
        size_t na = ReadFull(fa, bufA, gPiece);
        size_t nb = ReadFull(fb, bufB, gPiece);
        gBytes += na + nb;
        if (na != nb || std::memcmp(bufA, bufB, na) != 0) {
          ++gDiffer;
          break;
        }
        if (na < gPiece) break;
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

// The folders a and b, open, walked side by side: every regular file of a
// is compared with the file of the same name in b.
void ReadAllAt(int dirA, int dirB, const std::string& path, char* bufA, char* bufB) {
  DIR* d = OpenListing(dirA, path);
  std::vector<std::string> subdirs;
  while (dirent* e = NextEntry(d)) {
    const char* n = e->d_name;
    if (e->d_type == DT_DIR) {
      subdirs.emplace_back(n);
      continue;
    }
    if (e->d_type != DT_REG) continue;
    int fa = openat(dirA, n, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fa < 0) Die("open " + path + "/" + n);
    int fb = openat(dirB, n, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fb < 0) {
      ++gDiffer;
      close(fa);
      continue;
    }
    for (;;) {
      ssize_t na = read(fa, bufA, kBufferMax);
      ssize_t nb = read(fb, bufB, kBufferMax);
      if (na < 0 || nb < 0) Die("read " + path + "/" + n);
      gBytes += static_cast<uint64_t>(na + nb);
      if (na != nb || std::memcmp(bufA, bufB, static_cast<size_t>(na)) != 0) {
        ++gDiffer;
        break;
      }
      if (static_cast<size_t>(na) < kBufferMax) break;
    }
    close(fa);
    close(fb);
  }
  for (const std::string& s : subdirs) {
    int fa = openat(dirA, s.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    int fb = openat(dirB, s.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fa < 0) Die("open " + path + "/" + s);
    if (fb < 0) {
      ++gDiffer;
      close(fa);
      continue;
    }
    ReadAllAt(fa, fb, path + "/" + s, bufA, bufB);
    close(fb);
  }
  closedir(d);
}

int ReadAll(const std::string& a, const std::string& b) {
  char* bufA = static_cast<char*>(std::aligned_alloc(4096, kBufferMax));
  char* bufB = static_cast<char*>(std::aligned_alloc(4096, kBufferMax));
  int fa = open(a.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int fb = open(b.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fa < 0 || fb < 0) Die("open " + a + " / " + b);
  ReadAllAt(fa, fb, a, bufA, bufB);
  close(fb);
  std::printf("%llu entries, %llu bytes read, %llu differ\n", static_cast<unsigned long long>(gEntries),
              static_cast<unsigned long long>(gBytes), static_cast<unsigned long long>(gDiffer));
  return gDiffer ? 1 : 0;
}

// "64K", "1M" or a number of bytes.
size_t ParseSize(const char* text) {
  char* end = nullptr;
  unsigned long long n = std::strtoull(text, &end, 10);
  if (*end == 'K' || *end == 'k') n <<= 10;
  else if (*end == 'M' || *end == 'm') n <<= 20;
  if (n == 0 || n > kBufferMax) {
    std::fprintf(stderr, "limits: read size %s: from 1 byte to 1M\n", text);
    std::exit(2);
  }
  return static_cast<size_t>(n);
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
  const std::string mode = argc > 1 ? argv[1] : "";
  if (argc == 4 && mode == "walk") return WalkBoth(argv[2], argv[3]);
  if (argc == 4 && mode == "readall") return ReadAll(argv[2], argv[3]);
  if ((argc == 4 || argc == 5) && mode == "cmp") {
    if (argc == 5) gPiece = ParseSize(argv[4]);
    return Compare(argv[2], argv[3]);
  }
  std::fprintf(stderr, "usage: limits walk|readall <a> <b> | limits cmp <a> <b> [read size]\n");
  return 2;
}

// Deterministic test trees for the benchmarks.
//
//   gen_tree tree   <dir> [--files N] [--folders M] [--seed S] [--flat]
//   gen_tree big    <dir> [--count N] [--mib M] [--seed S]
//   gen_tree mutate <dir> [--permille P] [--seed S]
//
// tree:   N files of 0-8 KiB (mean about 3 KiB, so 100,000 files are about
//         300 MB) spread over M folders (a tree ten folders wide; --flat puts
//         every file in <dir> itself). Names mix upper and lower case,
//         blanks and accented letters, never two names equal after case
//         folding. Contents are pseudo-random (incompressible), times fixed.
// big:    N files of M MiB each, pseudo-random content, fixed times.
// mutate: changes an existing tree the way a day of work does: P per mille
//         of its files get new content of the same size and a newer time, P
//         per mille are deleted, and as many new files are added. The folders
//         touched get a fixed time again, so the result is reproducible.
//
// The same arguments always give the same bytes, names, sizes, permission
// bits and times.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t kBaseTime = 1'700'000'000;  // November 2023
constexpr int64_t kFolderTime = kBaseTime + 86'400 * 30;
constexpr int64_t kMutateTime = kBaseTime + 86'400 * 60;

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "gen_tree: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(2);
}

// splitmix64: small, fast, and the same on every machine.
struct Rng {
  uint64_t s;
  explicit Rng(uint64_t seed) : s(seed) {}
  uint64_t Next() {
    uint64_t z = (s += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint64_t Below(uint64_t n) { return Next() % n; }
};

void FillRandom(Rng& rng, char* buf, size_t size) {
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t v = rng.Next();
    std::memcpy(buf + i, &v, 8);
  }
  if (i < size) {
    uint64_t v = rng.Next();
    std::memcpy(buf + i, &v, size - i);
  }
}

void SetTime(int dirfd, const char* name, int64_t sec, int64_t nsec) {
  timespec ts[2] = {{static_cast<time_t>(sec), nsec}, {static_cast<time_t>(sec), nsec}};
  if (utimensat(dirfd, name, ts, AT_SYMLINK_NOFOLLOW) != 0) Die(std::string("utimensat ") + name);
}

void WriteFile(int dirfd, const std::string& name, const char* data, size_t size, mode_t mode,
               int64_t sec, int64_t nsec) {
  int fd = openat(dirfd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) Die("open " + name);
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Die("write " + name);
    }
    done += static_cast<size_t>(n);
  }
  if (fchmod(fd, mode) != 0) Die("fchmod " + name);
  timespec ts[2] = {{static_cast<time_t>(sec), nsec}, {static_cast<time_t>(sec), nsec}};
  if (futimens(fd, ts) != 0) Die("futimens " + name);
  if (close(fd) != 0) Die("close " + name);
}

// File sizes 0..8192: half uniform, half the product of two uniforms, for a
// mean near 3 KiB and more small files than large ones.
size_t PickSize(Rng& rng) {
  if (rng.Next() & 1) return rng.Below(8193);
  return rng.Below(8193) * rng.Below(8193) / 8192;
}

const char* const kWords[] = {
    "informe", "Factura", "foto", "IMG", "notas", "Canción", "resumen", "datos", "Presupuesto",
    "acta", "carta", "Señales", "copia", "índice", "Tabla", "borrador", "plano", "README",
    "Año", "lista", "diseño", "log", "Música", "config"};
const char* const kExts[] = {".txt", ".pdf", ".jpg", ".dat", ".csv", ".doc", ".xml", "", ".h",
                             ".cpp", ".png", ".ODT"};
const char* const kFolderWords[] = {"proyecto", "Fotos", "docs", "Contabilidad", "src",
                                    "Música", "cartas", "año", "Backup", "clientes",
                                    "Diseño gráfico", "tmp"};

std::string FileName(Rng& rng, uint64_t index) {
  char num[32];
  std::snprintf(num, sizeof num, "%06llu", static_cast<unsigned long long>(index));
  std::string name = kWords[rng.Below(std::size(kWords))];
  name += (rng.Next() & 3) == 0 ? " " : "_";
  name += num;
  name += kExts[rng.Below(std::size(kExts))];
  return name;
}

std::string FolderName(Rng& rng, uint64_t index) {
  char num[32];
  std::snprintf(num, sizeof num, "%05llu", static_cast<unsigned long long>(index));
  return std::string(kFolderWords[rng.Below(std::size(kFolderWords))]) + " " + num;
}

struct Options {
  uint64_t files = 100'000;
  uint64_t folders = 2'000;
  uint64_t seed = 1;
  bool flat = false;
  uint64_t count = 8;
  uint64_t mib = 128;
  uint64_t permille = 10;
};

int MakeTree(const std::string& root, const Options& opt) {
  if (mkdir(root.c_str(), 0755) != 0 && errno != EEXIST) Die("mkdir " + root);
  Rng rng(opt.seed * 1'000'003 + 17);
  const uint64_t folders = opt.flat ? 0 : opt.folders;

  // Folder 0 is the root; folder i > 0 hangs from folder (i - 1) / 10.
  std::vector<std::string> paths(folders + 1);
  paths[0] = root;
  for (uint64_t i = 1; i <= folders; ++i) {
    paths[i] = paths[(i - 1) / 10] + "/" + FolderName(rng, i);
    if (mkdir(paths[i].c_str(), 0755) != 0) Die("mkdir " + paths[i]);
  }

  // Files go to the folders below the root (or the root when flat).
  std::vector<uint64_t> perFolder(folders + 1, 0);
  for (uint64_t f = 0; f < opt.files; ++f) perFolder[folders == 0 ? 0 : 1 + rng.Below(folders)]++;

  std::vector<char> buf(8192 + 8);
  uint64_t index = 0, bytes = 0;
  for (uint64_t i = 0; i <= folders; ++i) {
    int dirfd = open(paths[i].c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd < 0) Die("open " + paths[i]);
    for (uint64_t k = 0; k < perFolder[i]; ++k, ++index) {
      size_t size = PickSize(rng);
      FillRandom(rng, buf.data(), size);
      mode_t mode = rng.Below(100) == 0 ? 0755 : (rng.Below(50) == 0 ? 0600 : 0644);
      int64_t sec = kBaseTime + static_cast<int64_t>(rng.Below(86'400 * 20));
      int64_t nsec = static_cast<int64_t>(rng.Below(1'000'000'000));
      WriteFile(dirfd, FileName(rng, index), buf.data(), size, mode, sec, nsec);
      bytes += size;
    }
    close(dirfd);
  }
  for (uint64_t i = 0; i <= folders; ++i) SetTime(AT_FDCWD, paths[i].c_str(), kFolderTime, 0);
  std::printf("%s: %llu files, %llu folders, %llu bytes\n", root.c_str(),
              static_cast<unsigned long long>(index), static_cast<unsigned long long>(folders),
              static_cast<unsigned long long>(bytes));
  return 0;
}

int MakeBig(const std::string& root, const Options& opt) {
  if (mkdir(root.c_str(), 0755) != 0 && errno != EEXIST) Die("mkdir " + root);
  Rng rng(opt.seed * 7'000'003 + 5);
  const size_t chunk = 1 << 20;
  std::vector<char> buf(chunk);
  for (uint64_t f = 0; f < opt.count; ++f) {
    char name[64];
    std::snprintf(name, sizeof name, "grande_%02llu.bin", static_cast<unsigned long long>(f + 1));
    std::string path = root + "/" + name;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) Die("open " + path);
    for (uint64_t m = 0; m < opt.mib; ++m) {
      FillRandom(rng, buf.data(), chunk);
      if (write(fd, buf.data(), chunk) != static_cast<ssize_t>(chunk)) Die("write " + path);
    }
    timespec ts[2] = {{kBaseTime + static_cast<time_t>(f) * 3600, 0},
                      {kBaseTime + static_cast<time_t>(f) * 3600, 0}};
    if (futimens(fd, ts) != 0) Die("futimens " + path);
    close(fd);
  }
  SetTime(AT_FDCWD, root.c_str(), kFolderTime, 0);
  std::printf("%s: %llu files of %llu MiB\n", root.c_str(), static_cast<unsigned long long>(opt.count),
              static_cast<unsigned long long>(opt.mib));
  return 0;
}

// Every regular file and every folder below root, in byte order of the
// names, so that the choices of mutate do not depend on readdir order.
void Walk(const std::string& dir, std::vector<std::string>& files, std::vector<std::string>& dirs) {
  DIR* d = opendir(dir.c_str());
  if (!d) Die("opendir " + dir);
  std::vector<std::pair<std::string, unsigned char>> entries;
  while (dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st;
      if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) Die("lstat");
      type = S_ISDIR(st.st_mode) ? DT_DIR : (S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN);
    }
    entries.emplace_back(e->d_name, type);
  }
  closedir(d);
  std::sort(entries.begin(), entries.end());
  for (auto& [name, type] : entries) {
    std::string path = dir + "/" + name;
    if (type == DT_DIR) {
      dirs.push_back(path);
      Walk(path, files, dirs);
    } else if (type == DT_REG) {
      files.push_back(path);
    }
  }
}

int Mutate(const std::string& root, const Options& opt) {
  std::vector<std::string> files, dirs;
  dirs.push_back(root);
  Walk(root, files, dirs);
  Rng rng(opt.seed * 31'000'003 + 11);
  const uint64_t n = files.size() * opt.permille / 1000;

  // A random permutation's first n files change, the next n go away.
  std::vector<uint64_t> order(files.size());
  for (uint64_t i = 0; i < order.size(); ++i) order[i] = i;
  for (uint64_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[rng.Below(i)]);

  std::vector<char> buf;
  uint64_t changed = 0, deleted = 0, added = 0;
  for (uint64_t k = 0; k < n && k < order.size(); ++k) {
    const std::string& path = files[order[k]];
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) Die("lstat " + path);
    // Same size where there is content, so only reading it shows the change.
    size_t size = st.st_size > 0 ? static_cast<size_t>(st.st_size) : 100;
    buf.resize(size + 8);
    FillRandom(rng, buf.data(), size);
    WriteFile(AT_FDCWD, path, buf.data(), size, st.st_mode & 07777, kMutateTime,
              static_cast<int64_t>(rng.Below(1'000'000'000)));
    ++changed;
  }
  for (uint64_t k = n; k < 2 * n && k < order.size(); ++k) {
    if (unlink(files[order[k]].c_str()) != 0) Die("unlink " + files[order[k]]);
    ++deleted;
  }
  for (uint64_t k = 0; k < n; ++k) {
    const std::string& dir = dirs[rng.Below(dirs.size())];
    size_t size = PickSize(rng);
    buf.resize(size + 8);
    FillRandom(rng, buf.data(), size);
    char name[64];
    std::snprintf(name, sizeof name, "nuevo %06llu.txt", static_cast<unsigned long long>(k));
    WriteFile(AT_FDCWD, dir + "/" + name, buf.data(), size, 0644, kMutateTime,
              static_cast<int64_t>(rng.Below(1'000'000'000)));
    ++added;
  }
  for (const std::string& dir : dirs) SetTime(AT_FDCWD, dir.c_str(), kMutateTime, 0);
  std::printf("%s: %llu changed, %llu deleted, %llu added\n", root.c_str(),
              static_cast<unsigned long long>(changed), static_cast<unsigned long long>(deleted),
              static_cast<unsigned long long>(added));
  return 0;
}

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: gen_tree tree <dir> [--files N] [--folders M] [--seed S] [--flat]\n"
               "       gen_tree big <dir> [--count N] [--mib M] [--seed S]\n"
               "       gen_tree mutate <dir> [--permille P] [--seed S]\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) Usage();
  const std::string mode = argv[1], dir = argv[2];
  Options opt;
  for (int i = 3; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--flat") {
      opt.flat = true;
      continue;
    }
    if (i + 1 >= argc) Usage();
    const uint64_t v = std::strtoull(argv[++i], nullptr, 10);
    if (a == "--files") opt.files = v;
    else if (a == "--folders") opt.folders = v;
    else if (a == "--seed") opt.seed = v;
    else if (a == "--count") opt.count = v;
    else if (a == "--mib") opt.mib = v;
    else if (a == "--permille") opt.permille = v;
    else Usage();
  }
  umask(0);
  if (mode == "tree") return MakeTree(dir, opt);
  if (mode == "big") return MakeBig(dir, opt);
  if (mode == "mutate") return Mutate(dir, opt);
  Usage();
}

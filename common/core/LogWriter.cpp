#include "common/core/LogWriter.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/core/FileFunction.h"

namespace common {

std::string FormatLogDate(const LocalTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d/%d/%04d %d:%02d:%02d", t.day, t.month, t.year, t.hour,
                t.minute, t.second);
  return buf;
}

namespace {

// A folder given with a line feed or another control character in its name
// would otherwise break its header line in two: written escaped, as in
// every other line of the block. Other paths stay exactly as given.
std::string HeaderPath(const std::string& path) {
  std::string quoted = QuotePath(path);
  return quoted.substr(1, quoted.size() - 2);
}

}  // namespace

std::vector<std::string> ComposeLogBlock(const LocalTime& now, const std::string& origen,
                                         const std::string& destino, bool testModeLine,
                                         const std::vector<std::string>& lines, int dashCount) {
  std::vector<std::string> block;
  block.reserve(lines.size() + 5);
  block.push_back("Fecha y hora: " + FormatLogDate(now));
  block.push_back("Origen: " + HeaderPath(origen));
  block.push_back("Destino: " + HeaderPath(destino));
  if (testModeLine) block.push_back("Modo prueba activado");
  block.insert(block.end(), lines.begin(), lines.end());
  block.push_back(std::string(dashCount > 0 ? static_cast<size_t>(dashCount) : 0, '-'));
  return block;
}

namespace {

// Closes the descriptor on every path out of AppendLogBlock.
class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;
  ~FdCloser() {
    if (fd_ >= 0) ::close(fd_);
  }
  // Closes now and tells whether the close went well (a delayed write
  // error may only show here).
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool AppendLogBlock(const std::string& fileName, const std::vector<std::string>& lines) {
  if (fileName.empty()) return false;

  std::string data;
  for (const auto& line : lines) {
    data += line;
    data += "\r\n";
  }

  int fd = ::open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  FdCloser closer(fd);

  // The lock keeps two runs from interleaving their blocks. A file system
  // without flock still gets the block: one O_APPEND write of the whole
  // block is the best left, and losing the report would be worse.
  int lockResult;
  do {
    lockResult = ::flock(fd, LOCK_EX);
  } while (lockResult != 0 && errno == EINTR);

  struct stat st;
  const bool knowSize = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);

  if (!WriteAll(fd, data)) {
    // A block cut short (disk full) is taken back, so the log never holds a
    // torn block that the next run would append after.
    if (knowSize && lockResult == 0) (void)::ftruncate(fd, st.st_size);
    return false;
  }
  return closer.Close();
}

}  // namespace common

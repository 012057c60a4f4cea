#include "common/core/LogWriter.h"

#ifdef _WIN32
#include <io.h>

#include "common/core/win32/Win32Detail.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <thread>

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

// The few steps that differ between the platforms: an exclusive lock of
// the whole file that fails at once when another writer holds it, the size,
// cutting the file back, and the close (which lets the lock go).
enum class TryLock { Held, Busy, Unsupported };
#ifdef _WIN32
TryLock TryLockFile(int fd) {
  OVERLAPPED whole{};
  if (::LockFileEx(win32::HandleOf(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                   &whole))
    return TryLock::Held;
  return ::GetLastError() == ERROR_LOCK_VIOLATION ? TryLock::Busy : TryLock::Unsupported;
}
bool FileSize(int fd, int64_t& size) {
  LARGE_INTEGER s;
  if (!::GetFileSizeEx(win32::HandleOf(fd), &s)) return false;
  size = s.QuadPart;
  return true;
}
void CutBack(int fd, int64_t size) {
  FILE_END_OF_FILE_INFO end;
  end.EndOfFile.QuadPart = size;
  (void)::SetFileInformationByHandle(win32::HandleOf(fd), FileEndOfFileInfo, &end, sizeof end);
}
int CloseFile(int fd) { return ::_close(fd) == 0 ? 0 : ERROR_WRITE_FAULT; }
#else
TryLock TryLockFile(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return TryLock::Held;
    if (errno == EINTR) continue;
    return errno == EWOULDBLOCK ? TryLock::Busy : TryLock::Unsupported;
  }
}
bool FileSize(int fd, int64_t& size) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = st.st_size;
  return true;
}
void CutBack(int fd, int64_t size) { (void)::ftruncate(fd, static_cast<off_t>(size)); }
int CloseFile(int fd) { return ::close(fd) == 0 ? 0 : errno; }
#endif

enum class Lock { Held, Unsupported, TimedOut };

// Takes the exclusive lock, waiting at most lockWait for another writer to
// let it go. Polled rather than waited for, so that a writer that never
// lets go cannot keep the program from ending.
Lock TakeLock(int fd, std::chrono::milliseconds lockWait) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + lockWait;
  std::chrono::milliseconds pause{1};
  for (;;) {
    const TryLock attempt = TryLockFile(fd);
    if (attempt == TryLock::Held) return Lock::Held;
    if (attempt == TryLock::Unsupported) return Lock::Unsupported;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return Lock::TimedOut;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds{50});
  }
}

FsError WriteBlock(const FileSystem& fs, int fd, const std::string& fileName,
                   const std::vector<std::string>& lines, std::chrono::milliseconds lockWait) {
  std::string data;
  for (const auto& line : lines) {
    data += line;
    data += "\r\n";
  }

  // The lock keeps two runs from interleaving their blocks. A file system
  // without flock still gets the block: one O_APPEND write of the whole
  // block is the best left, and losing the report would be worse.
  const Lock lock = TakeLock(fd, lockWait);
  if (lock == Lock::TimedOut) return FsError{kErrorLockTimedOut, FsOp::Write, fileName};

  int64_t size = 0;
  const bool knowSize = FileSize(fd, size);

  if (FsError e = fs.Append(fd, fileName, data)) {
    // A block cut short (disk full) is taken back, so the log never holds a
    // torn block that the next run would append after.
    if (knowSize && lock == Lock::Held) CutBack(fd, size);
    return e;
  }
  return {};
}

}  // namespace

FsError WriteLogBlock(int fd, const std::vector<std::string>& lines,
                      std::chrono::milliseconds lockWait) {
  return WriteBlock(FileSystem(), fd, std::string(), lines, lockWait);
}

FsError AppendLogBlock(const std::string& fileName, const std::vector<std::string>& lines,
                       std::chrono::milliseconds lockWait, const FileSystem& fs) {
  int fd = -1;
  if (FsError e = fs.OpenAppend(fileName, fd)) return e;
  const FsError written = WriteBlock(fs, fd, fileName, lines, lockWait);
  // The close also fails a block that was written: a delayed write error
  // may only show here.
  const int closed = CloseFile(fd);
  if (written) return written;
  return closed != 0 ? FsError{closed, FsOp::Write, fileName} : FsError{};
}

void ReportLostLog(const std::string& fileName, const FsError& failure) {
  std::fprintf(stderr, "No se pudo escribir el registro %s: %s (%d)\n", QuotePath(fileName).c_str(),
               failure.Description().c_str(), failure.number);
  std::fflush(stderr);
}

}  // namespace common

#include "common/core/FsDetail.h"

#include <cstring>
#include <ctime>

namespace common::fsdetail {

EntryKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::File;
  if (S_ISDIR(mode)) return EntryKind::Directory;
  if (S_ISLNK(mode)) return EntryKind::Symlink;
  return EntryKind::Special;
}

void FillFromStat(EntryInfo& entry, const struct stat& st) {
  entry.kind = KindOfMode(st.st_mode);
  entry.mode = st.st_mode;
  entry.owner = st.st_uid;
  entry.group = st.st_gid;
  entry.size = st.st_size;
  entry.mtime = FileTime{st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

std::string LastComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  if (path == "/") return std::string(path);
  size_t slash = path.find_last_of('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// readlinkat into a string, growing the buffer for long targets.
int ReadLinkText(int dirFd, const char* name, std::string& text) {
  size_t size = 256;
  for (;;) {
    text.resize(size);
    ssize_t n = ::readlinkat(dirFd, name, text.data(), size);
    if (n < 0) {
      int error = errno;
      text.clear();
      return error;
    }
    if (static_cast<size_t>(n) < size) {
      text.resize(static_cast<size_t>(n));
      return 0;
    }
    if (size >= (size_t{1} << 20)) {
      text.clear();
      return ENAMETOOLONG;
    }
    size *= 2;
  }
}


struct timespec StoredTimespec(FaultInjector* faults, std::string_view path, const struct timespec& t) {
  if (faults == nullptr || t.tv_nsec == UTIME_OMIT || t.tv_nsec == UTIME_NOW) return t;
  FileTime kept = faults->StoredTime(path, FileTime{t.tv_sec, t.tv_nsec});
  struct timespec out {};
  out.tv_sec = static_cast<time_t>(kept.sec);
  out.tv_nsec = static_cast<long>(kept.nsec);
  return out;
}

bool TakeOwner(FaultInjector* faults, int dirFd, const char* name, const std::string& path, uid_t uid,
               gid_t gid) {
  const int flags = AT_SYMLINK_NOFOLLOW | (name[0] == '\0' ? AT_EMPTY_PATH : 0);
  struct stat st;
  if (::fstatat(dirFd, name, &st, flags) != 0) return false;
  if (st.st_uid == uid && st.st_gid == gid) return true;
  if (::geteuid() != 0) return false;
  if (Fault(faults, FsOp::Chown, path) != 0) return false;
  return ::fchownat(dirFd, name, uid, gid, flags) == 0;
}


}  // namespace common::fsdetail

namespace common {

std::string fsshared::ParentFolder(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FsError::Description() const {
  // The GNU strerror_r, in the language of the locale's messages.
  char buffer[256];
  return std::string(strerror_r(number, buffer, sizeof buffer));
}

}  // namespace common

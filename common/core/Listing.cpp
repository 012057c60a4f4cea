// Folder listings and the status of one entry.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "common/core/FileSystem.h"
#include "common/core/FsDetail.h"
#include "common/core/NameKey.h"

namespace common {
namespace {

using namespace fsdetail;

// Bytes asked of one getdents64 call: a few thousand entries of a large
// folder per call, one call (plus the one that sees the end) for most.
constexpr size_t kListBuffer = 64 * 1024;

// Whether the descriptor may have been read already and must be wound back
// to the folder's start. A folder just opened is at its start.
enum class Rewind { No, Yes };

// The entries of an open folder, read from its start.
FsError ListEntries(FaultInjector* faults, int fd, const std::string& folder, FolderListing& out,
                    ListDetail detail, Rewind rewind) {
  // A failure part way must not pass for the end of the folder: the caller
  // would take the missing entries for deleted ones.
  auto fail = [&out, &folder](int error, FsOp op = FsOp::List, std::string_view path = {}) {
    out.files.clear();
    out.folders.clear();
    return Failed(error, op, path.empty() ? std::string_view(folder) : path);
  };
  if (rewind == Rewind::Yes && ::lseek(fd, 0, SEEK_SET) < 0) return fail(errno);

  thread_local std::unique_ptr<char[]> buffer;
  if (!buffer) buffer.reset(new char[kListBuffer]);
  std::string entryPath;  // built only when faults are being injected

  // A folder removed while it was open gives ENOENT here (never an empty
  // listing): the kernel refuses to read a dead folder.
  for (;;) {
    ssize_t got = ::getdents64(fd, buffer.get(), kListBuffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    if (got == 0) break;
    for (ssize_t pos = 0; pos < got;) {
      const auto* d = reinterpret_cast<const struct dirent64*>(buffer.get() + pos);
      pos += d->d_reclen;
      const char* name = d->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;

      EntryInfo entry;
      if (d->d_type == DT_UNKNOWN || ListsDetailsOf(detail, d->d_type == DT_DIR)) {
        int error = 0;
        if (faults != nullptr) {
          entryPath = JoinName(folder, name);
          error = faults->Check(FsOp::Lstat, entryPath);
        }
        struct stat st;
        if (error == 0 && ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) error = errno;
        // Gone since the folder was read: it is no longer there to list.
        if (error == ENOENT) continue;
        if (error != 0) return fail(error, FsOp::Lstat, JoinName(folder, name));
        FillFromStat(entry, st);
      } else {
        switch (d->d_type) {
          case DT_REG: entry.kind = EntryKind::File; break;
          case DT_DIR: entry.kind = EntryKind::Directory; break;
          case DT_LNK: entry.kind = EntryKind::Symlink; break;
          default: entry.kind = EntryKind::Special; break;
        }
      }
      // A count only opens folders by name, and only counts files.
      if (detail != ListDetail::Count) {
        entry.name = name;
        entry.key = MakeNameKey(entry.name);
      } else if (entry.kind == EntryKind::Directory) {
        entry.name = name;
      }
      (entry.kind == EntryKind::Directory ? out.folders : out.files).push_back(std::move(entry));
    }
  }

  if (detail == ListDetail::Count) return {};
  out.SortInListingOrder();
  return {};
}

}  // namespace

FsError FileSystem::ListFolder(const Folder& folder, FolderListing& out, ListDetail detail) const {
  if (FsError e = fsshared::BeginListing(faults_, folder, out, EBADF)) return e;
  const Rewind rewind = folder.listed_ ? Rewind::Yes : Rewind::No;
  folder.listed_ = true;
  return ListEntries(faults_, folder.fd_, folder.Path(), out, detail, rewind);
}

FsError FileSystem::Stat(const std::string& path, EntryInfo& out, LinkPolicy links) const {
  if (int e = Fault(faults_, FsOp::Lstat, path)) return Failed(e, FsOp::Lstat, path);
  struct stat st;
  int rc = links == LinkPolicy::Follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  if (rc != 0) return Failed(errno, FsOp::Lstat, path);
  out.name = LastComponent(path);
  out.key = MakeNameKey(out.name);
  FillFromStat(out, st);
  return {};
}

}  // namespace common

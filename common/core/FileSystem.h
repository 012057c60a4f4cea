#pragma once
// The file-system layer: everything the engines do to disk goes through
// FileSystem, so that tests can make a chosen operation fail on a chosen path
// through FaultInjector (the only seam; there are no mocks of the disk).
//
// Entries (Linux):
// - files are regular files, symbolic links and special files (FIFOs,
//   sockets, devices); folders are directories, never seen through a link;
// - every entry is listed, dot-files too, each with what lstat gave, so no
//   entry needs to be stat'ed again;
// - read-only = the owner's write bit is missing; hidden = the name begins
//   with "."; system, archive, device and compressed do not exist here.
// Every failure carries its errno.
//
// Operations come by path, or relative to an open Folder: a walk that
// changes a tree opens each folder from its parent's handle without
// following links and acts on names inside it, so that nothing it does can
// be steered outside the tree by a folder swapped for a link meanwhile.

#include <cstddef>
#include <cstdint>
#include <compare>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace common {

enum class EntryKind : uint8_t { File, Symlink, Special, Directory };

struct FileTime {
  int64_t sec = 0;
  int64_t nsec = 0;
  auto operator<=>(const FileTime&) const = default;
};

// Nanoseconds in a second, and the precision of a file system that keeps
// modification times to the nanosecond.
inline constexpr int64_t kNanosPerSecond = 1000000000;
inline constexpr int64_t kNanosecondTimes = 1;

// t rounded down to a multiple of precision nanoseconds (1 leaves it as it
// is). precision is a power of ten up to one second, or whole seconds.
FileTime TruncateTime(FileTime t, int64_t precision);

struct EntryInfo {
  std::string name;  // the bytes the file system gives, no folder
  std::string key;   // MakeNameKey(name), computed once
  EntryKind kind = EntryKind::File;
  uint32_t mode = 0;  // st_mode: type and permission bits
  uint32_t owner = 0;  // st_uid
  uint32_t group = 0;  // st_gid
  int64_t size = 0;   // bytes; for a link, the length of its target text
  FileTime mtime;     // last modification, nanoseconds

  bool IsReadOnly() const { return (mode & 0200) == 0; }
  bool IsHidden() const { return !name.empty() && name[0] == '.'; }
};

struct FolderListing {
  // Both sorted by CompareListingOrder (key, then bytes).
  std::vector<EntryInfo> files;    // regular files, links, special files
  std::vector<EntryInfo> folders;  // directories
};

// How much a listing needs to know. NamesAndKinds skips the per-entry lstat
// where the directory entry already tells the kind (d_type); size, mode and
// time are then left 0. It serves the counting pass.
enum class ListDetail { Full, NamesAndKinds };

// Whether a listed or opened path may be a link to a folder. Only the two
// folders a run is given are followed; links inside the trees never are.
enum class LinkPolicy { NoFollow, Follow };

struct FsError {
  int number = 0;  // errno; 0 = success
  explicit operator bool() const { return number != 0; }
  // The C library's text for the number (Spanish where the system has it).
  std::string Description() const;
};

// The operations a fault can be injected into.
enum class FsOp : uint8_t {
  List,      // reading a folder listing (a listing by path also opens the folder)
  Lstat,     // lstat of an entry (also the per-entry lstat of a listing)
  Open,      // opening a file to read or to write, or opening a Folder handle
  Read,      // one read of a file's content (a block that compare reads in
             // pieces counts once; also the reads of a copy)
  Write,     // one chunk written by a copy (copy_file_range or write; for a
             // sparse file also the size set after its last data)
  Chmod,     // setting permission bits
  SetTimes,  // setting the modification time
  Rename,    // the rename that puts a finished copy in place
  Unlink,    // deleting a file or link
  Mkdir,
  Rmdir,
  ReadLink,
  Symlink,
  Chown,  // giving a copy (file, link or new folder) the source's owner and group
  Count
};
const char* FsOpName(FsOp op);

// Fails chosen operations on chosen paths, the nth time, so that tests can
// produce what a real folder cannot on demand (a read error halfway, a full
// disk, a listing that fails), runs a chosen action just before a chosen
// call (to make a race with another program happen at an exact moment), and
// can make a folder keep coarse modification times, as FAT or some network
// file systems do. Safe to call from the worker threads of a run; set the
// rules up before the run starts.
class FaultInjector {
 public:
  // The nth call (1 = first) of op on a path containing pathPart fails with
  // error, and so do the times-1 matching calls after it.
  void FailOn(FsOp op, std::string pathPart, int error = 5 /* EIO */, int nth = 1, int times = 1);
  // Runs action just before the nth call of op on a path containing
  // pathPart is made, and before the times-1 matching calls after it. The
  // action works on the disk directly, never through this injector.
  void OnCall(FsOp op, std::string pathPart, std::function<void()> action, int nth = 1,
              int times = 1);
  // Times set on paths containing pathPart are kept only to a multiple of
  // precision nanoseconds (rounded down), like a file system that stores
  // whole seconds (1000000000) or even seconds (2000000000).
  void CoarseTimes(std::string pathPart, int64_t precision);
  void Clear();
  // The errno the call must fail with, or 0; runs the actions due first.
  // Called by FileSystem.
  int Check(FsOp op, std::string_view path);
  // The time a file system with coarse times would keep for path. Called
  // by FileSystem before it sets a time.
  FileTime StoredTime(std::string_view path, FileTime t) const;
  int InjectedCount() const;
  int ActionsRun() const;

 private:
  struct Rule {
    FsOp op;
    std::string pathPart;
    int error;
    int nth;
    int times;
    int seen = 0;
  };
  struct Action {
    FsOp op;
    std::string pathPart;
    std::function<void()> run;
    int nth;
    int times;
    int seen = 0;
  };
  struct Coarse {
    std::string pathPart;
    int64_t precision;
  };
  std::vector<Rule> rules_;
  std::vector<Action> actions_;
  std::vector<Coarse> coarse_;
  mutable std::mutex mutex_;  // Check may come from a worker thread
  int injected_ = 0;
  int actionsRun_ = 0;
};

// Whether a read is one of the fault checks' reads, or a further piece of
// the read that the last checked call began (a block read in pieces).
enum class ReadCheck { Checked, PartOfLast };

// A file opened for reading; closed when destroyed.
class ReadFile {
 public:
  ReadFile() = default;
  ReadFile(const ReadFile&) = delete;
  ReadFile& operator=(const ReadFile&) = delete;
  ReadFile(ReadFile&& other) noexcept;
  ReadFile& operator=(ReadFile&& other) noexcept;
  ~ReadFile();

  // Reads up to size bytes, looping until size bytes or the end of the file.
  FsError Read(void* buffer, size_t size, size_t& got, ReadCheck check = ReadCheck::Checked);
  int64_t Size() const { return size_; }  // from fstat at open
  bool IsOpen() const { return fd_ >= 0; }
  void Close();

 private:
  friend class FileSystem;
  int fd_ = -1;
  int64_t size_ = 0;
  std::string path_;
  FaultInjector* faults_ = nullptr;
};

// An open folder: the descriptor that the fd-relative operations below work
// from, so that a folder swapped for a link after it was opened is never
// followed, and paths longer than PATH_MAX still work. Its full path only
// names it in fault checks and error lines. Closed when destroyed.
class Folder {
 public:
  Folder() = default;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&& other) noexcept;
  ~Folder();

  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }
  // The full path of an entry of this folder.
  std::string PathOf(std::string_view name) const;
  void Close();

 private:
  friend class FileSystem;
  int fd_ = -1;
  std::string path_;
};

// Which folder a handle or a name really is, whatever path led to it: the
// device of its file system and its inode (equal for every name of one
// folder, bind mounts included), and the mount it was reached through (a
// bind mount of a folder of the same file system has the same device but
// its own mount; 0 where the kernel does not tell).
struct FolderId {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t mount = 0;

  bool Known() const { return inode != 0; }
  bool SameFolder(const FolderId& other) const {
    return Known() && device == other.device && inode == other.inode;
  }
  // False only when both are known and lie on different mounts.
  bool SameMount(const FolderId& other) const {
    if (!Known() || !other.Known()) return true;
    if (device != other.device) return false;
    return mount == 0 || other.mount == 0 || mount == other.mount;
  }
};

// Whether a probe of a folder's time precision may leave a name in the
// folder for a moment. AnonymousOnly changes nothing visible (a dry run).
enum class ProbeNaming { AnonymousOnly, NamedAllowed };

// How a finished copy takes its name. Create never replaces anything: on a
// case-insensitive file system a twin's copy may hold the name, and the copy
// then fails with EEXIST. Replace puts the copy over whatever has the name.
enum class Placement { Create, Replace };

class FileSystem {
 public:
  explicit FileSystem(FaultInjector* faults = nullptr) : faults_(faults) {}

  // ---- Folder handles ----
  // A folder given by path (a run's root). Checked as Open on path.
  FsError OpenFolder(const std::string& path, Folder& out,
                     LinkPolicy links = LinkPolicy::NoFollow) const;
  // The folder name inside parent, never through a link (ENOTDIR for a
  // link or a file; ENOENT when parent is not open). Checked as Open
  // on its full path. out names the folder even when it cannot be opened.
  FsError OpenFolder(const Folder& parent, std::string_view name, Folder& out) const;
  // The listing of an open folder, from its start. Checked as List on its path.
  FsError ListFolder(const Folder& folder, FolderListing& out,
                     ListDetail detail = ListDetail::Full) const;
  // The operations below act on the entry name of folder without following
  // a link in its place, and are checked on folder.PathOf(name).
  FsError RemoveFile(const Folder& folder, std::string_view name) const;    // unlinkat
  // A new folder like source (see MakeFolder by path).
  FsError MakeFolder(const Folder& folder, std::string_view name, const EntryInfo& source) const;
  FsError RemoveFolder(const Folder& folder, std::string_view name) const;  // unlinkat, AT_REMOVEDIR
  FsError SetMode(const Folder& folder, std::string_view name, uint32_t permissionBits) const;
  // The permission bits of the open folder itself, and a change of them
  // through its handle (checked as Chmod on its path).
  FsError FolderMode(const Folder& folder, uint32_t& permissionBits) const;
  FsError SetFolderMode(const Folder& folder, uint32_t permissionBits) const;
  // The atomic copy (see CopyFile by path) of sourceInfo.name in
  // sourceFolder to targetName in targetFolder.
  FsError CopyFile(const Folder& sourceFolder, const EntryInfo& sourceInfo,
                   const Folder& targetFolder, std::string_view targetName,
                   Placement placement = Placement::Replace) const;
  // How finely folder's file system keeps modification times, in
  // nanoseconds: a temporary file gets a known time with nanoseconds and
  // odd seconds, and what the file system kept of it, read back after the
  // file is closed (FUSE), tells. Where no unnamed file can be made, the
  // probe has a fresh temporary name, created exclusively (never a user's
  // file) and removed at once. On failure, and where the file system does
  // not keep a time it is given, precision is whole seconds. Checked as
  // Open and SetTimes on folder.PathOf(kTimeProbeName).
  FsError ProbeTimePrecision(const Folder& folder, ProbeNaming naming, int64_t& precision) const;
  static constexpr std::string_view kTimeProbeName = ".~time-probe";
  // The device of the file system that holds folder (st_dev).
  FsError DeviceOf(const Folder& folder, uint64_t& device) const;

  // What folder is, and what the entry name of folder is (not through a
  // link; a folder with another file system mounted on it gives that file
  // system's root). No fault point: a failure only leaves out unknown.
  FsError Identify(const Folder& folder, FolderId& out) const;
  FsError Identify(const Folder& folder, std::string_view name, FolderId& out) const;

  // ---- By path ----

  // The folder at path (links followed) and every folder above it up to
  // "/", each reached by ".." from the one below: a folder reached through
  // a link or a mount has its real parents. The chain ends early at a
  // parent that cannot be reached; it is empty when path is no folder.
  FsError FolderChain(const std::string& path, std::vector<FolderId>& out) const;

  FsError ListFolder(const std::string& folder, FolderListing& out,
                     ListDetail detail = ListDetail::Full,
                     LinkPolicy links = LinkPolicy::NoFollow) const;
  // lstat (or stat with LinkPolicy::Follow); out.name = last component.
  FsError Stat(const std::string& path, EntryInfo& out, LinkPolicy links = LinkPolicy::NoFollow) const;

  // The atomic copy: source content (or, for a link, the link itself with its
  // target text) goes to a temporary name in target's folder, gets the
  // source's permission bits and modification time, and is renamed over
  // target only when all of that is in place. Run as root, the copy also
  // gets the source's owner and group first (as "cp -a" does); a copy that
  // does not have them (not root, or the file system refuses) loses the
  // set-user-ID and set-group-ID bits. On failure the old target is
  // untouched and no temporary file is left. Special files are refused
  // (ENOTSUP) without being opened. A file with holes keeps them: only its
  // data is copied (where the file system shows the holes through
  // SEEK_HOLE). sourceInfo is the source's listing entry;
  // a regular file's size, bits and time are read again from the opened file.
  // A file that changes while it is copied (its size, time or status change
  // time moved) is not put in place: the copy fails with EBUSY, since what
  // was read may mix two versions; the next run copies it again.
  FsError CopyFile(const std::string& source, const EntryInfo& sourceInfo,
                   const std::string& target, Placement placement = Placement::Replace) const;

  FsError RemoveFile(const std::string& path) const;    // unlink (files and links)
  // One level, never more open than source on its way: made 0700, given
  // source's owner and group when run as root, then source's permission
  // bits (without the set-ID bits when it did not get source's owner and
  // group). A file system without permission bits keeps what it gives. A
  // folder whose bits cannot be set is removed again: it is made with its
  // bits or not at all.
  FsError MakeFolder(const std::string& path, const EntryInfo& source) const;
  FsError RemoveFolder(const std::string& path) const;  // rmdir
  // Sets the permission bits (mode & 07777). Does nothing on a link.
  FsError SetMode(const std::string& path, uint32_t permissionBits) const;
  FsError OpenRead(const std::string& path, ReadFile& out) const;  // never opens a special file
  // The file name inside an open folder, never through a link, checked as
  // Open on folder.PathOf(name): one lookup instead of a walk of the whole
  // path, for a walk that opens many files of the same folder.
  FsError OpenRead(const Folder& folder, std::string_view name, ReadFile& out) const;
  FsError ReadLink(const std::string& path, std::string& target) const;
  // The target text of the link name inside an open folder, checked as
  // ReadLink on folder.PathOf(name).
  FsError ReadLink(const Folder& folder, std::string_view name, std::string& target) const;

  // Writes everything cached for the file system that holds folder to disk
  // (syncfs), so that what a run copied survives a power loss. Checked as a
  // Write fault on folder.
  FsError Flush(const std::string& folder) const;

  // True for names that the atomic copy gives its temporary files. Only a
  // check for tests: a user may have files of that name, and they are
  // ordinary files to both programs.
  static bool IsTemporaryName(std::string_view name);

  // Raises the limit of open descriptors to the hard limit: a walk holds a
  // few folder handles per level of depth.
  static void RaiseOpenFileLimit();

  // Bytes moved by one copy_file_range call of a copy, and the size of the
  // buffer of its read/write fallback (also one Read/Write fault check each).
  static constexpr size_t kCopyChunk = size_t{4} << 20;
  static constexpr size_t kCopyBuffer = size_t{1} << 20;

  FaultInjector* Faults() const { return faults_; }

 private:
  // Takes an opened descriptor (closed on failure) as out when it is a
  // regular file; path names it in fault checks.
  FsError AdoptForReading(int fd, std::string path, ReadFile& out) const;
  FaultInjector* faults_;
};

}  // namespace common

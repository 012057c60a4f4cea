#pragma once
// The file-system layer: everything the engines do to disk goes through
// FileSystem, so that tests can make a chosen operation fail on a chosen path
// through FaultInjector (the only seam; there are no mocks of the disk).
//
// Its files, by job: FsError.h (a failure), FaultInjector.h (the seam),
// FileTime.h and FsEntry.h (what a listing gives), FolderHandle.h (open
// folders and their identity), ReadFile.h; AtomicCopy.cpp, Listing.cpp,
// Permissions.cpp and TimeProbe.cpp hold the operations of each job, and
// FsDetail.h and TempFile.h the pieces they share.
//
// Walks act on names inside an open Folder: a walk opens each folder from
// its parent's handle without following links, so that nothing it does can
// be steered outside the tree by a folder swapped for a link meanwhile.
// Only a run's roots, its log and its flush are named by path.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/FaultInjector.h"
#include "common/core/FileTime.h"
#include "common/core/FolderHandle.h"
#include "common/core/FsEntry.h"
#include "common/core/FsError.h"
#include "common/core/ReadFile.h"

namespace common {

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
  // A new folder like source, one level, never more open than source on
  // its way: made 0700, given source's owner and group when run as root,
  // then source's permission bits (without the set-ID bits when it did not
  // get source's owner and group). A file system without permission bits
  // keeps what it gives. A folder whose bits cannot be set is removed
  // again: it is made with its bits or not at all.
  FsError MakeFolder(const Folder& folder, std::string_view name, const EntryInfo& source) const;
  FsError RemoveFolder(const Folder& folder, std::string_view name) const;  // unlinkat, AT_REMOVEDIR
  // Sets the permission bits (mode & 07777). Does nothing on a link.
  FsError SetMode(const Folder& folder, std::string_view name, uint32_t permissionBits) const;
  // The permission bits of the open folder itself, and a change of them
  // through its handle (checked as Chmod on its path).
  FsError FolderMode(const Folder& folder, uint32_t& permissionBits) const;
  FsError SetFolderMode(const Folder& folder, uint32_t permissionBits) const;
  // The atomic copy of sourceInfo.name in sourceFolder to targetName in
  // targetFolder: the source's content (or, for a link, the link itself
  // with its target text) goes to a temporary name in the target's folder,
  // gets the source's permission bits and modification time, and is renamed
  // over the target only when all of that is in place. Run as root, the
  // copy also gets the source's owner and group first (as "cp -a" does); a
  // copy that does not have them (not root, or the file system refuses)
  // loses the set-user-ID and set-group-ID bits. On failure the old target
  // is untouched and no temporary file is left. Special files are refused
  // (ENOTSUP) without being opened. A file with holes keeps them: only its
  // data is copied (where the file system shows the holes through
  // SEEK_HOLE). sourceInfo is the source's listing entry; a regular file's
  // size, bits and time are read again from the opened file. A file that
  // changes while it is copied (its size, time or status change time
  // moved) is not put in place: the copy fails with EBUSY, since what was
  // read may mix two versions; the next run copies it again.
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
  // The device of the file system that holds folder, as FolderId::device.
  FsError DeviceOf(const Folder& folder, uint64_t& device) const;

  // What folder is, and what the entry name of folder is (not through a
  // link; a folder with another file system mounted on it gives that file
  // system's root). No fault point: a failure gives an unknown id.
  FolderId Identify(const Folder& folder) const;
  FolderId Identify(const Folder& folder, std::string_view name) const;

  // ---- By path ----

  // The folder at path (links followed) and every folder above it up to
  // "/", each reached by ".." from the one below: a folder reached through
  // a link or a mount has its real parents. The chain ends early at a
  // parent that cannot be reached; it is empty when path is no folder.
  std::vector<FolderId> FolderChain(const std::string& path) const;
  // The absolute path of path with every link, "." and ".." resolved
  // (realpath; GetFinalPathNameByHandleW on Windows). No fault point.
  FsError RealPath(const std::string& path, std::string& out) const;

  // lstat (or stat with LinkPolicy::Follow); out.name = last component.
  FsError Stat(const std::string& path, EntryInfo& out, LinkPolicy links = LinkPolicy::NoFollow) const;

  // A run's copy root, like its source root (see MakeFolder in a Folder).
  FsError MakeFolder(const std::string& path, const EntryInfo& source) const;
  // The folder path and every missing folder above it, outermost first, as
  // "mkdir -p" makes them (0777 less the umask). The first creation that
  // fails ends it, checked as Mkdir on that folder, and names it in the
  // failure. A folder that another program makes meanwhile counts as made.
  // An absolute path's chain ends at "/", a relative one at the current
  // folder.
  FsError MakeFolderTree(const std::string& path) const;
  FsError OpenRead(const std::string& path, ReadFile& out) const;  // never opens a special file
  // The file name inside an open folder, never through a link, checked as
  // Open on folder.PathOf(name): one lookup instead of a walk of the whole
  // path, for a walk that opens many files of the same folder.
  FsError OpenRead(const Folder& folder, std::string_view name, ReadFile& out) const;
  FsError ReadLink(const std::string& path, std::string& target) const;
  // The target text of the link name inside an open folder, checked as
  // ReadLink on folder.PathOf(name).
  FsError ReadLink(const Folder& folder, std::string_view name, std::string& target) const;

  // The file path opened for appending (a log), created when missing with
  // 0666 less the umask. Only a regular file is opened for writing: a
  // folder gives EISDIR, anything else ENOTSUP, and a FIFO never blocks the
  // open. Checked as Open on path; fd is the caller's to close.
  FsError OpenAppend(const std::string& path, int& fd) const;
  // Writes all of data at the end of fd, path naming it in fault checks
  // (one Write check per write call).
  FsError Append(int fd, const std::string& path, std::string_view data) const;

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
  // The frame of both OpenFolder (in FsShared.h).
  template <class Open>
  FsError OpenFolderWith(const std::string& path, Folder& out, int refused, Open open) const;
  // Takes an opened descriptor (closed on failure) as out when it is a
  // regular file; path names it in fault checks.
  FsError AdoptForReading(int fd, std::string path, ReadFile& out) const;
  FaultInjector* faults_;
};

}  // namespace common

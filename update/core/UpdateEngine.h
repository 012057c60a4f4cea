#pragma once
// UpdateEngine: one synchronization run of the copy (destino) with its source
// (origen). It counts the source's files for the bar, then walks the source
// folder by folder: in each folder it pairs files, then subfolders, by name
// (case-insensitive), decides for each name one of five actions, and descends
// into every source subfolder. The progress view shows where it is and
// delivers the user's cancel.
//
// Failures never stop a run: each becomes one line of the ErrorList, except
// under /debug, where the first failure of an action's file step throws
// common::DebugStop and ends the run without a report.
//
// The copy is only ever changed through folder handles opened without
// following links, so a folder swapped for a link during a run never leads
// outside the copy. Every name is a user's name: a temporary file that an
// interrupted copy left in the copy is an extra file like any other.
// Modification times are compared at the precision the copy's file system
// keeps, probed once per file system met in the copy.
//
// Two folders that overlap are refused by identity, not by spelling: a bind
// mount or any other name of a folder of the other tree counts too. Removing
// a folder of the copy never descends into another mount inside it. A
// source root with no entries never empties its copy unless the user says so.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/core/Clock.h"
#include "common/core/FileSystem.h"
#include "common/core/JobQueue.h"
#include "common/core/ProgressView.h"
#include "common/core/ErrorList.h"
#include "update/core/Options.h"

namespace update {

// A copy handed to the copy queue, with what its lines need; or a
// deletion done meanwhile (deleted set), whose lines wait for the copies
// handed over before it.
struct PendingCopy {
  uint64_t ticket;
  std::optional<common::FsError> deleted;  // a deletion and its result
  int32_t op;
  const char* keyword;
  const common::Folder* sourceFolder;
  const common::EntryInfo* sourceInfo;
  const common::Folder* copyFolder;
  std::string copyName;
};

// A folder of the copy that its owner may not write in (a copy first made
// by "cp -a" of read-only folders) is made writable for the first step that
// changes something in it, and gets its exact mode back when the steps in
// it are over: at the end of the folder's own entries, or when a failure, a
// cancel or a /debug stop leaves the folder early. It is destroyed only
// after every copy handed over into the folder is done.
class WritableFolder {
 public:
  // While it lives, current points at it. A failure to restore the mode is
  // a `setattr` line of errors (never a /debug stop: it may come while one
  // leaves the folder).
  WritableFolder(const common::FileSystem& fs, const common::Folder& folder, WritableFolder*& current,
                 common::ErrorList& errors);
  WritableFolder(const WritableFolder&) = delete;
  WritableFolder& operator=(const WritableFolder&) = delete;
  ~WritableFolder();

  const common::Folder& Handle() const { return folder_; }
  // Adds the owner's write and search bits where they are missing; once.
  void Unlock();
  // Gives the folder its mode back if Unlock changed it.
  void Restore();

 private:
  const common::FileSystem& fs_;
  const common::Folder& folder_;
  WritableFolder*& current_;
  WritableFolder* previous_;
  common::ErrorList& errors_;
  bool checked_ = false;
  std::optional<uint32_t> savedMode_;
};

class UpdateEngine {
 public:
  UpdateEngine(const Options& options, common::ErrorList& errorList, const common::FileSystem& fs,
               common::ProgressView& view, const common::Clock& clock);
  UpdateEngine(const UpdateEngine&) = delete;
  UpdateEngine& operator=(const UpdateEngine&) = delete;

  // The whole run: opens the view, expands the "%" macros under /vars,
  // refuses overlapping folders, counts, creates the destination under /ct,
  // synchronizes and closes the view (also when DebugStop leaves it).
  void Update(std::string origen, std::string destino);

  // Asked when the source root has no entries, its copy has some and the
  // run would delete them: true lets the copy be emptied. Unset (nobody to
  // ask) or false: nothing changes and a failure note says why.
  std::function<bool()> ConfirmEmptySource;

  // The Cancelar click (or Ctrl+C): records the note once, disables the
  // button and sets Cancelled; the run stops after the action in progress.
  void Cancel();

  bool Cancelled = false;
  int64_t FilesDone = 0;   // source files handled: matched or created
  int64_t FilesTotal = 0;  // source files counted before the scan

 private:
  // A folder pair of the walk. The two roots are opened by path (links
  // followed); every other folder relative to its parent's handle (never
  // through a link), so the copy's side is only ever changed through
  // descriptors. A null parent means a root.
  void SyncFolder(const std::string& source, const std::string& copy,
                  const common::Folder* sourceParent, const common::Folder* copyParent);
  common::FsError OpenFolderOf(const common::Folder* parent, const std::string& path,
                               common::Folder& out) const;
  int64_t CountFiles(const common::Folder* parent, const std::string& folder);
  // How finely the file system of the copy's folder keeps modification
  // times, learnt once per file system a run meets in the copy.
  int64_t CopyTimePrecision(const common::Folder& copy);
  bool IsNewer(const common::EntryInfo& source, const common::EntryInfo& copy, int64_t precision) const;

  void UpdateFile(const common::Folder& sourceFolder, const common::EntryInfo& sourceInfo,
                  const common::Folder& copyFolder, const std::string& copyName);
  void CreateNewFile(const common::Folder& sourceFolder, const common::EntryInfo& sourceInfo,
                     const common::Folder& copyFolder, const std::string& copyName);
  // False when the folder should now exist and does not (its creation failed).
  bool CreateDir(const common::Folder& copyFolder, const common::EntryInfo& sourceInfo);
  // /ct: the destination folder with its missing parents.
  void CreateCopyRoot(const std::string& origen, const std::string& destino);
  // Before a step that changes something in folder of the copy: makes it
  // writable when it is the folder pair's copy and its owner may not write.
  void MakeWritable(const common::Folder& folder);
  void RemoveFile(const common::Folder& folder, const std::string& name);
  // True when the folder stays because another mount lies in it (its line
  // is recorded): the folders above it then stay without a line of their own.
  bool RemoveDirTree(const common::Folder& parent, const common::FolderId& parentId,
                     const common::EntryInfo& folderInfo, const common::FolderId& folderId);
  void ClearFileLabel();
  void ShowProgress();

  // True when one root lies inside the other or both are one, as spelled
  // or by identity. Keeps the identities that the walk checks further.
  bool FoldersOverlap(const std::string& origen, const std::string& destino);
  // The overlap note; the run stops. A folder of the source found to be the
  // copy (while counting, before anything changed), or a folder of the copy
  // found to be the source (before anything in its parent changes), is
  // refused like overlapping roots.
  void RefuseOverlap();
  bool Stopping() const { return Cancelled || stopped_; }
  void CopyGuarded(const common::Folder& sourceFolder, const common::EntryInfo& sourceInfo,
                   const common::Folder& copyFolder, const std::string& copyName,
                   common::Placement placement);
  // A create or update that copies: traced and copied at once under
  // /debug, otherwise handed to the copy worker and recorded when done.
  void CopyAction(int32_t op, const char* keyword, const common::Folder& sourceFolder,
                  const common::EntryInfo& sourceInfo, const common::Folder& copyFolder,
                  const std::string& copyName);
  // Records the trace and error lines of handed-over copies, in the order
  // they were handed over: those finished, or all of them (waiting for
  // them) when wait says so.
  enum class CopyWait { FinishedOnly, All };
  void RecordCopies(CopyWait wait);
  // Records every handed-over copy first when one of them is of a name
  // with this key (a twin of the name about to be copied or deleted).
  void WaitForTwins(const std::string& key);
  void RecordCopy(const struct PendingCopy& copy, const std::optional<common::FsError>& result);
  void Trace(int32_t op, const char* keyword, const std::string& first,
             const std::string* second = nullptr);
  // A failed file step: an error line, or under /debug the end of the run.
  void Fail(const common::FsError& failure, const std::string& context);

  WritableFolder* writable_ = nullptr;  // the copy's side of the folder pair being synchronized
  bool copiedAny_ = false;  // a copy reached the destination: flush it at the end
  bool stopped_ = false;    // the run found its folders overlap
  std::string origen_;      // the run's two roots, for its notes
  std::string destino_;
  // The source root, and the copy root (or the nearest folder above it that
  // exists): no folder of the other tree may be either.
  common::FolderId sourceRoot_;
  common::FolderId copyTarget_;
  common::FsError copyRootError_;  // what /ct could not make of the copy's root
  // The time precision in nanoseconds of each file system met in the copy,
  // by device: a source time is cut to it before "strictly newer" is decided.
  std::vector<std::pair<uint64_t, int64_t>> copyTimePrecisions_;

  const Options& options_;
  common::ErrorList& errorList_;
  const common::FileSystem& fs_;
  common::ProgressView& view_;
  const common::Clock& clock_;
  // Lists the copy's side of each folder pair while the source's is listed.
  common::JobQueue<common::FsError> copyLister_;
  // Copies handed over and not yet recorded, oldest first. A copy's line is
  // recorded only after every line of the copies handed over before it, and
  // before anything that is not a copy: the log reads as if the copies had
  // run one after another.
  std::deque<PendingCopy> pendingCopies_;
  // Runs the copies two at a time: one on its worker thread, one on this
  // thread (a machine with two cores copies a folder of small files in
  // about half the time). Its jobs point at folders and listing entries
  // kept alive until every copy handed over is finished or dropped.
  common::JobQueue<common::FsError> copier_;
};

}  // namespace update

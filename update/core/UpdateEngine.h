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
// Two folders that overlap are refused by identity (RootOverlap.h).
// Removing a folder of the copy never descends into another mount inside
// it. A source root with no entries never empties its copy unless the user
// says so.
//
// UpdateEngine.cpp holds the walk; CopyActions.cpp the creations, updates
// and the recording of copies; TreeRemoval.cpp the deletions.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/core/Clock.h"
#include "common/core/ErrorList.h"
#include "common/core/FileSystem.h"
#include "common/core/JobQueue.h"
#include "common/core/ProgressView.h"
#include "update/core/CopyQueue.h"
#include "update/core/Options.h"
#include "update/core/RootOverlap.h"
#include "update/core/WritableFolder.h"

namespace update {

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
  // The files of the source, counted before anything changes; a folder of
  // the source that is the copy stops the count (run.foundCopy). The
  // subtrees of the root are counted two at a time (CountSubtrees).
  struct CountRun;
  int64_t CountFiles(const common::Folder* parent, const std::string& folder, CountRun& run);
  int64_t CountSubtrees(const common::Folder& root, const std::string& path,
                        const std::vector<common::EntryInfo>& folders, CountRun& run);
  // How finely the file system of the copy's folder keeps modification
  // times, learnt once per file system a run meets in the copy. copyId is
  // the folder's identity (unknown: asked here).
  int64_t CopyTimePrecision(const common::Folder& copy, const common::FolderId& copyId);
  bool IsNewer(const common::EntryInfo& source, const common::EntryInfo& copy, int64_t precision) const;

  // False when the folder should now exist and does not (its creation failed).
  bool CreateDir(const common::Folder& copyFolder, const common::EntryInfo& sourceInfo);
  // Before a step that changes something in folder of the copy: makes it
  // writable when it is the folder pair's copy and its owner may not write.
  void MakeWritable(const common::Folder& folder);
  void RemoveFile(const common::Folder& folder, const std::string& name);
  // True when the folder stays because another mount lies in it (its line
  // is recorded): the folders above it then stay without a line of their own.
  bool RemoveDirTree(const common::Folder& parent, const common::FolderId& parentId,
                     const common::EntryInfo& folderInfo, const common::FolderId& folderId);
  void ClearFileLabel();
  // The start of a step: the file label shown (label, or none for a folder
  // or a deletion) and events handled. False when /exec leaves op out.
  bool StartStep(int32_t op, const std::string& label = std::string());
  void ShowProgress();

  // The overlap note; the run stops. A folder of the source found to be the
  // copy (while counting, before anything changed), or a folder of the copy
  // found to be the source (before anything in its parent changes), is
  // refused like overlapping roots.
  void RefuseOverlap();
  bool Stopping() const { return Cancelled || stopped_; }
  void CopyGuarded(const common::Folder& sourceFolder, const common::EntryInfo& sourceInfo,
                   const common::Folder& copyFolder, const std::string& copyName,
                   common::Placement placement);
  // A create (OpCreate, "create") or update (OpUpdate, "update") of a file:
  // traced and copied at once under /debug, otherwise handed to the copy
  // queue and recorded when done.
  void CopyAction(int32_t op, const char* keyword, const common::Folder& sourceFolder,
                  const common::EntryInfo& sourceInfo, const common::Folder& copyFolder,
                  const std::string& copyName);
  // The lines of a copy or deletion the copy queue hands back.
  void RecordCopy(const PendingCopy& copy, const std::optional<common::FsError>& result);
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
  RootIds roots_;
  common::FsError copyRootError_;  // what /ct could not make of the copy's root
  // The time precision in nanoseconds of each file system met in the copy,
  // by device: a source time is cut to it before "strictly newer" is decided.
  std::vector<std::pair<uint64_t, int64_t>> copyTimePrecisions_;

  const Options& options_;
  common::ErrorList& errorList_;
  const common::FileSystem& fs_;
  common::ProgressView& view_;
  const common::Clock& clock_;
  // Lists the copy's side of each folder pair while the source's is listed;
  // before that, counts subtrees of the source beside this thread.
  common::JobQueue<common::FsError> copyLister_;
  // Copies handed over: jobs that point at folders and listing entries
  // kept alive until every copy handed over is finished or dropped.
  CopyQueue copies_;
};

}  // namespace update

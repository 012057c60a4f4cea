// The deletions of the update walk: a file or link of the copy that the
// source lacks, and a whole folder of it, emptied through its own handle.

#include <optional>
#include <string>
#include <vector>

#include "common/core/FileFunction.h"
#include "common/core/NameKey.h"
#include "common/core/RunStatus.h"
#include "update/core/UpdateEngine.h"

namespace update {

using common::EntryInfo;
using common::Folder;
using common::FolderId;
using common::FolderListing;
using common::FsError;

void UpdateEngine::RemoveFile(const Folder& folder, const std::string& name) {
  if (!StartStep(OpDelete)) return;
  if (!options_.TestMode) MakeWritable(folder);
  if (!copies_.Empty() && !options_.DebugMode) {
    // Copies are running: the deletion (of another name) goes on at once,
    // and its lines wait for theirs.
    copies_.WaitForTwins(common::MakeNameKey(name));
    FsError e = options_.TestMode ? FsError{} : fs_.RemoveFile(folder, name);
    copies_.AddDeletion(folder, name, e);
    return;
  }
  const std::string file = folder.PathOf(name);
  Trace(OpDelete, "delete", file);
  if (options_.TestMode) return;
  // Deleting needs no permission on the file itself here, so a read-only
  // file is not touched before: a failed deletion leaves it as it was.
  if (FsError e = fs_.RemoveFile(folder, name)) Fail(e, "del " + common::QuotePath(file));
}

bool UpdateEngine::RemoveDirTree(const Folder& parent, const FolderId& parentId,
                                 const EntryInfo& folderInfo, const FolderId& folderId) {
  if (!StartStep(OpDelete)) return false;
  const std::string folder = parent.PathOf(folderInfo.name);
  Trace(OpDelete, "deletedir", folder);
  if (options_.TestMode) return false;

  // Another file system mounted in the copy is no part of it: nothing of it
  // is deleted, not even its mode changed, and it stays with its line.
  if (!folderId.SameMount(parentId)) {
    Fail(FsError{common::kErrorOtherDevice}, "rmdir " + common::QuotePath(folder));
    view_.ProcessEvents();
    return true;
  }
  MakeWritable(parent);

  // Deleting inside a folder needs write and search permission on it. The
  // change never follows a link; its failure is reported with the folder's
  // removal when nothing later failed.
  FsError pending;
  if ((folderInfo.mode & 0700) != 0700)
    pending = fs_.SetMode(parent, folderInfo.name, (folderInfo.mode & 07777) | 0700);

  // Opened without following a link, then emptied through its descriptor
  // only: a folder swapped for a link at any moment of the removal is never
  // followed, so nothing outside the copy is deleted. A folder whose
  // contents are unknown has nothing of it deleted.
  Folder handle;
  FolderListing inside;
  FsError e = fs_.OpenFolder(parent, folderInfo.name, handle);
  if (!e) e = fs_.ListFolder(handle, inside);
  if (e) {
    Fail(e, "rmdir " + common::QuotePath(folder));
    view_.ProcessEvents();
    return false;
  }
  // A subfolder that is the source under another name stops the run before
  // anything in this folder is deleted.
  std::vector<FolderId> subIds(inside.folders.size());
  for (size_t k = 0; k < inside.folders.size(); ++k) {
    subIds[k] = fs_.Identify(handle, inside.folders[k].name);
    if (subIds[k].SameFolder(roots_.source)) {
      RefuseOverlap();
      return false;
    }
  }

  // Under /debug a failure inside the tree does not end the run here: the
  // removal goes on, and the first such failure ends it if the folder stays.
  std::optional<common::DebugStop> inner;
  auto guarded = [&](auto&& step) {
    if (!options_.DebugMode) return step();
    try {
      step();
    } catch (const common::DebugStop& stop) {
      if (!inner) inner = stop;
    }
  };
  for (const EntryInfo& file : inside.files) {
    guarded([&] { RemoveFile(handle, file.name); });
    if (Stopping()) return false;
  }
  bool holdsMount = false;
  for (size_t k = 0; k < inside.folders.size(); ++k) {
    guarded([&] {
      if (RemoveDirTree(handle, folderId, inside.folders[k], subIds[k])) holdsMount = true;
    });
    if (Stopping()) return false;
  }
  handle.Close();
  // The mount's line says why this folder stays; its rmdir would only add
  // "not empty" for every folder above the mount.
  if (holdsMount) {
    if (inner) throw *inner;
    return true;
  }

  e = fs_.RemoveFolder(parent, folderInfo.name);
  if (!e) e = pending;
  if (e) {
    if (inner) throw *inner;
    Fail(e, "rmdir " + common::QuotePath(folder));
  }
  view_.ProcessEvents();
  return false;
}

}  // namespace update

// The creations and updates of the update walk: folders made at once,
// files copied at once under /test and /debug, otherwise through the copy
// queue, and the lines of what the queue hands back.

#include <optional>
#include <string>

#include "common/core/FileFunction.h"
#include "common/core/RunStatus.h"
#include "update/core/UpdateEngine.h"

namespace update {

using common::EntryInfo;
using common::Folder;
using common::FsError;

void UpdateEngine::CopyGuarded(const Folder& sourceFolder, const EntryInfo& sourceInfo,
                               const Folder& copyFolder, const std::string& copyName,
                               common::Placement placement) {
  // The copy lands under a temporary name and is renamed over the old one
  // only with its content, permission bits and time in place, so a failure
  // (or a cancel) leaves the old copy exactly as it was. The old copy need
  // not be made writable first: the rename replaces it. The bits are set
  // before the rename, so their failure is a failure of the copy.
  if (FsError e = fs_.CopyFile(sourceFolder, sourceInfo, copyFolder, copyName, placement)) {
    Fail(e, "copy " + common::QuotePath(sourceFolder.PathOf(sourceInfo.name)) + " " +
                common::QuotePath(copyFolder.PathOf(copyName)));
    return;
  }
  copiedAny_ = true;
}

bool UpdateEngine::CreateDir(const Folder& copyFolder, const EntryInfo& sourceInfo) {
  if (!StartStep(OpCreate)) return true;
  const std::string folder = copyFolder.PathOf(sourceInfo.name);
  Trace(OpCreate, "createdir", folder);
  if (options_.TestMode) return true;
  MakeWritable(copyFolder);
  // The source folder's bits (and, as root, its owner and group): a private
  // folder stays private in the copy whatever the umask.
  if (FsError e = fs_.MakeFolder(copyFolder, sourceInfo.name, sourceInfo)) {
    Fail(e, "mkdir " + common::QuotePath(folder));
    return false;
  }
  return true;
}

void UpdateEngine::CopyAction(int32_t op, const char* keyword, const Folder& sourceFolder,
                              const EntryInfo& sourceInfo, const Folder& copyFolder,
                              const std::string& copyName) {
  if (!StartStep(op, sourceInfo.name)) return;
  // A create never replaces what holds its name (a twin's copy on a
  // case-insensitive copy): it fails instead.
  const auto placement = op == OpCreate ? common::Placement::Create : common::Placement::Replace;
  // /test copies nothing, and under /debug the first failure must end the
  // run before anything after it happens: both go one by one.
  if (options_.TestMode || options_.DebugMode) {
    if ((options_.LogOps & op) != 0) {
      std::string source = sourceFolder.PathOf(sourceInfo.name);
      std::string copy = copyFolder.PathOf(copyName);
      Trace(op, keyword, source, &copy);
    }
    if (options_.TestMode) return;
    MakeWritable(copyFolder);
    CopyGuarded(sourceFolder, sourceInfo, copyFolder, copyName, placement);
    view_.ProcessEvents();
    return;
  }
  copies_.WaitForTwins(sourceInfo.key);
  MakeWritable(copyFolder);
  copies_.Post(op, keyword, sourceFolder, sourceInfo, copyFolder, copyName, placement);
  view_.ProcessEvents();
}

void UpdateEngine::RecordCopy(const PendingCopy& copy, const std::optional<FsError>& result) {
  if (copy.deleted) {
    std::string file = copy.copyFolder->PathOf(copy.copyName);
    Trace(OpDelete, "delete", file);
    if (*copy.deleted) Fail(*copy.deleted, "del " + common::QuotePath(file));
    return;
  }
  if (!result) return;  // dropped by a cancel before it started: it never happened
  std::string source = copy.sourceFolder->PathOf(copy.sourceInfo->name);
  std::string target = copy.copyFolder->PathOf(copy.copyName);
  Trace(copy.op, copy.keyword, source, &target);
  if (*result) {
    Fail(*result, "copy " + common::QuotePath(source) + " " + common::QuotePath(target));
    return;
  }
  copiedAny_ = true;
}

}  // namespace update

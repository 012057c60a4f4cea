#include "update/core/UpdateEngine.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "common/core/FileFunction.h"
#include "common/core/NameKey.h"
#include "common/core/NameMerge.h"
#include "common/core/RunStatus.h"

namespace update {
namespace {

using common::EntryInfo;
using common::Folder;
using common::FolderId;
using common::FolderListing;
using common::FsError;
using common::LinkPolicy;
using common::ListDetail;

// A destination folder that is simply not there, as opposed to one that
// exists but cannot be read. Below the root, a file or link in its place
// counts too: the scan has just decided to delete it.
bool IsMissing(const FsError& e, LinkPolicy links) {
  if (e.NotFound()) return true;
  return links == LinkPolicy::NoFollow && e.NotAFolder();
}

constexpr char kSep = common::kPathSeparator;

// How much of an absolute path is its root: "/" on Linux; "C:\" or
// "\\server\share\" on Windows.
size_t RootLength(const std::string& path) {
#ifdef _WIN32
  if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && path[2] == kSep ? 3 : 2;
  if (path.rfind("\\\\", 0) == 0) {
    size_t server = path.find(kSep, 2);
    size_t share = server == std::string::npos ? server : path.find(kSep, server + 1);
    return share == std::string::npos ? path.size() : share + 1;
  }
#endif
  return !path.empty() && path[0] == kSep ? 1 : 0;
}

// "." and ".." and doubled separators collapsed, textually. Only used on the
// part of a path below its nearest existing folder, where no link can hide.
std::string CollapseDots(const std::string& path) {
  size_t rootLength = RootLength(path);
  std::vector<std::string> parts;
  size_t i = rootLength;
  while (i <= path.size()) {
    size_t j = path.find(kSep, i);
    if (j == std::string::npos) j = path.size();
    std::string part = path.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    i = j + 1;
  }
  std::string out = rootLength > 0 ? path.substr(0, rootLength) : std::string(1, kSep);
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k > 0 || out.back() != kSep) out += kSep;
    out += parts[k];
  }
  return out;
}

// The real location a root stands for (path): its links resolved when it
// exists; otherwise the real path of its nearest existing parent (existing)
// followed by the rest.
struct ResolvedRoot {
  std::string path;
  std::string existing;
  bool Exists() const { return path == existing; }
};

std::optional<ResolvedRoot> ResolveRoot(const std::string& path) {
  const common::FileSystem fs;
  std::string head = path.empty() ? "." : path;
  std::string rest;
  for (;;) {
    while (head.size() > 1 && head.size() > RootLength(head) && head.back() == kSep) head.pop_back();
    std::string resolved = fs.RealPath(head);
    if (!resolved.empty()) return ResolvedRoot{CollapseDots(resolved + rest), resolved};
    if (head == "." || (!head.empty() && head.size() == RootLength(head))) return std::nullopt;
    size_t slash = head.rfind(kSep);
    if (slash == std::string::npos) {
      rest.insert(0, head);
      rest.insert(0, 1, kSep);
      head.assign(1, '.');  // assigned from a literal, GCC 12 sees a false overlap (-Wrestrict)
    } else {
      rest.insert(0, head, slash);
      head = slash < RootLength(head) ? head.substr(0, RootLength(head)) : head.substr(0, slash);
    }
  }
}

bool IsInside(const std::string& inner, const std::string& outer) {
  if (inner.size() <= outer.size()) return false;
#ifdef _WIN32
  // Windows paths name the same folder in any letter case.
  if (common::CompareNames(inner.substr(0, outer.size()), outer) != 0) return false;
#else
  if (inner.compare(0, outer.size(), outer) != 0) return false;
#endif
  return outer.back() == kSep || inner[outer.size()] == kSep;
}

bool InChain(const std::vector<FolderId>& chain, const FolderId& id) {
  for (const FolderId& c : chain)
    if (c.SameFolder(id)) return true;
  return false;
}

}  // namespace

WritableFolder::WritableFolder(const common::FileSystem& fs, const Folder& folder,
                               WritableFolder*& current, common::ErrorList& errors)
    : fs_(fs), folder_(folder), current_(current), previous_(current), errors_(errors) {
  current_ = this;
}

WritableFolder::~WritableFolder() {
  Restore();
  current_ = previous_;
}

void WritableFolder::Unlock() {
  if (checked_) return;
  checked_ = true;
  uint32_t mode = 0;
  if (fs_.FolderMode(folder_, mode) || (mode & 0300) == 0300) return;
  // A refusal leaves the folder as it is; the step then fails on its own.
  if (!fs_.SetFolderMode(folder_, mode | 0300)) savedMode_ = mode;
}

void WritableFolder::Restore() {
  if (!savedMode_) return;
  uint32_t mode = *savedMode_;
  savedMode_.reset();
  if (FsError e = fs_.SetFolderMode(folder_, mode))
    errors_.AddError("setattr " + common::QuotePath(folder_.Path()), e);
}

UpdateEngine::UpdateEngine(const Options& options, common::ErrorList& errorList,
                           const common::FileSystem& fs, common::ProgressView& view,
                           const common::Clock& clock)
    : options_(options), errorList_(errorList), fs_(fs), view_(view), clock_(clock) {}

void UpdateEngine::Cancel() {
  if (Cancelled) return;
  // The copies handed over (two at most) were passed by the walk already:
  // they finish, and their lines come before the note, as they would have
  // one after another.
  RecordCopies(CopyWait::All);
  errorList_.AddNote("Cancelado por el usuario");
  view_.DisableCancel();
  Cancelled = true;
}

void UpdateEngine::Update(std::string origen, std::string destino) {
  Cancelled = false;
  FilesDone = 0;
  FilesTotal = 0;
  copiedAny_ = false;
  stopped_ = false;
  sourceRoot_ = FolderId{};
  copyTarget_ = FolderId{};
  pendingCopies_.clear();
  copyTimePrecisions_.clear();
  common::FileSystem::RaiseOpenFileLimit();
  view_.Open([this] { Cancel(); });
  common::ViewCloser closer(view_);
  view_.SetBar(0);
  view_.SetFileLabel("");
  view_.SetPathLabel("Preparando para actualizar...");
  view_.ProcessEvents();

  if (options_.ExpandVars) {
    origen = ExpandPercentMacros(std::move(origen), clock_);
    destino = ExpandPercentMacros(std::move(destino), clock_);
  }

  origen_ = origen;
  destino_ = destino;
  // A copy inside its source would grow without end, and a source inside
  // its copy would be deleted as something the source lacks.
  if (FoldersOverlap(origen, destino)) {
    RefuseOverlap();
    return;
  }

  FilesTotal = CountFiles(nullptr, origen);
  view_.ProcessEventsNow();  // a cancel clicked during the count means no action
  if (Stopping()) return;
  view_.SetFileLabel("");
  view_.ProcessEvents();
  // /test changes nothing, not even the destination chain.
  copyRootError_ = {};
  if (options_.CreateTarget && !options_.TestMode) CreateCopyRoot(origen, destino);
  SyncFolder(origen, destino, nullptr, nullptr);

  // Copies are not flushed one by one (that would cost several times the
  // copy of a small file); the whole destination is written to disk once,
  // before the run reports, so a finished run survives a power loss.
  if (copiedAny_) {
    if (FsError e = fs_.Flush(destino)) Fail(e, "sync " + common::QuotePath(destino));
  }
}

void UpdateEngine::CreateCopyRoot(const std::string& origen, const std::string& destino) {
  // The folders above the copy stand for nothing in the source: they are
  // made as "mkdir -p" makes them. The copy's root is the source root's
  // copy, made like every folder the walk creates, so that a private source
  // is never copied into a folder that others may read. What fails shows
  // up when the destination is listed, as the creation that failed.
  std::string root = destino;
  while (root.size() > 1 && root.back() == common::kPathSeparator) root.pop_back();
  EntryInfo source;
  if (common::DirExists(root) ||
      fs_.Stat(origen, source, LinkPolicy::Follow) || source.kind != common::EntryKind::Directory) {
    copyRootError_ = fs_.MakeFolderTree(destino);
    return;
  }
  copyRootError_ = fs_.MakeFolderTree(common::GetParentPath(root));
  if (!copyRootError_) copyRootError_ = fs_.MakeFolder(root, source);
}

bool UpdateEngine::FoldersOverlap(const std::string& origen, const std::string& destino) {
  std::optional<ResolvedRoot> a = ResolveRoot(origen);
  std::optional<ResolvedRoot> b = ResolveRoot(destino);
  if (!a || !b) return false;
  // As spelled: this alone sees a missing copy that would be made inside
  // the source.
  if (a->path == b->path || IsInside(a->path, b->path) || IsInside(b->path, a->path)) return true;
  // By identity, through every name a folder may have (bind mounts, links
  // the resolution above could not see): each folder above a root is
  // reached by ".." from the root itself. A missing source lists nothing.
  if (!a->Exists()) return false;
  std::vector<FolderId> source = fs_.FolderChain(a->existing);
  std::vector<FolderId> copy = fs_.FolderChain(b->existing);
  if (source.empty() || copy.empty()) return false;
  sourceRoot_ = source[0];
  copyTarget_ = copy[0];
  // The source is the copy or a folder above it (or above where a missing
  // copy would be made); the copy is the source or a folder above it.
  return InChain(copy, source[0]) || (b->Exists() && InChain(source, copy[0]));
}

void UpdateEngine::RefuseOverlap() {
  RecordCopies(CopyWait::All);
  errorList_.AddFailureNote("Origen y destino se solapan: " + common::QuotePath(origen_) + " " +
                            common::QuotePath(destino_));
  stopped_ = true;
}

FsError UpdateEngine::OpenFolderOf(const Folder* parent, const std::string& path, Folder& out) const {
  if (parent == nullptr) return fs_.OpenFolder(path, out, LinkPolicy::Follow);
  return fs_.OpenFolder(*parent, common::GetFileName(path), out);
}

int64_t UpdateEngine::CountFiles(const Folder* parent, const std::string& folder) {
  Folder handle;
  FolderListing listing;
  // A folder that cannot be listed counts as empty here; the scan reports it.
  FsError e = OpenFolderOf(parent, folder, handle);
  if (!e) e = fs_.ListFolder(handle, listing, ListDetail::NamesAndKinds);
  if (e) return 0;
  // The count sees every folder of the source before anything changes: one
  // that is the copy under another name (a mount) would fill the copy from
  // itself without end.
  if (fs_.Identify(handle).SameFolder(copyTarget_)) {
    RefuseOverlap();
    return 0;
  }
  auto n = static_cast<int64_t>(listing.files.size());
  for (const EntryInfo& sub : listing.folders) {
    n += CountFiles(&handle, common::JoinPath(folder, sub.name));
    if (Stopping()) break;
  }
  view_.ProcessEvents();
  return n;
}

int64_t UpdateEngine::CopyTimePrecision(const Folder& copy) {
  // Once per file system of the copy (a copy may hold mounts), probed in the
  // first of its folders that has files to judge. A file system that cannot
  // be probed (not writable, or a dry run where the probe would need a name)
  // is taken to keep whole seconds: coarse enough for most, and a copy
  // judged too finely would be copied again on every run.
  uint64_t device = 0;
  if (fs_.DeviceOf(copy, device)) return common::kNanosPerSecond;
  for (const auto& [known, precision] : copyTimePrecisions_)
    if (known == device) return precision;
  int64_t precision = common::kNanosPerSecond;
  auto naming = options_.TestMode ? common::ProbeNaming::AnonymousOnly : common::ProbeNaming::NamedAllowed;
  if (fs_.ProbeTimePrecision(copy, naming, precision)) precision = common::kNanosPerSecond;
  copyTimePrecisions_.emplace_back(device, precision);
  return precision;
}

bool UpdateEngine::IsNewer(const EntryInfo& source, const EntryInfo& copy, int64_t precision) const {
  // Strictly later, with no tolerance, at the precision the copy keeps: the
  // copy's time was set from the source's by the previous run and kept as
  // closely as its file system can (to the nanosecond on most Linux file
  // systems, to 2 seconds on FAT).
  return common::TruncateTime(source.mtime, precision) > copy.mtime;
}

void UpdateEngine::SyncFolder(const std::string& source, const std::string& copy,
                              const Folder* sourceParent, const Folder* copyParent) {
  view_.SetPathLabel("Comparando " + common::GetFileName(source));
  view_.ProcessEvents();

  // Both folders are opened first and the copy's is listed on the worker
  // while the source's is listed here: the two listings cost about one.
  Folder s;
  FolderListing a;
  FsError e = OpenFolderOf(sourceParent, source, s);
  Folder d;
  FolderListing b;
  LinkPolicy links = copyParent == nullptr ? LinkPolicy::Follow : LinkPolicy::NoFollow;
  FsError copyError;
  if (!e) {
    copyError = OpenFolderOf(copyParent, copy, d);
    common::JobQueue<FsError>::Ticket listing = 0;
    if (!copyError) listing = copyLister_.Post([this, &d, &b] { return fs_.ListFolder(d, b); });
    e = fs_.ListFolder(s, a);
    if (!copyError) copyError = copyLister_.Wait(listing).value();
  }
  // A source folder that cannot be listed is never taken for an empty one:
  // the copy's entries would all be deleted.
  if (e) {
    errorList_.AddError("list " + common::QuotePath(source), e);
    return;
  }
  // A read-only copy folder made writable for the steps in it gets its mode
  // back only after the copies into it: declared before copiesEnd, it is
  // destroyed after it.
  WritableFolder writable(fs_, d, writable_, errorList_);
  // A missing destination is empty when nothing will be created in it (so
  // /test lists every creation that would follow); otherwise the pair is skipped.
  // Copies handed to the worker read from s and write into d: whatever
  // ends this call, they end before the two folders close.
  struct CopiesEnd {
    common::JobQueue<FsError>& copier;
    ~CopiesEnd() { copier.DropWaiting(); }
  } copiesEnd{copier_};

  if (copyError) {
    bool nothingCreated = options_.TestMode || (options_.ExecOps & OpCreate) == 0;
    if (!(IsMissing(copyError, links) && nothingCreated)) {
      // A copy root that /ct could not make is missing because of that.
      if (copyParent == nullptr && copyError.NotFound() && copyRootError_)
        errorList_.AddError("mkdir " + common::QuotePath(copyRootError_.path), copyRootError_);
      else
        errorList_.AddError("list " + common::QuotePath(copy), copyError);
      return;
    }
    b = FolderListing();
  }

  // A folder of the copy that is the source under another name (a mount)
  // would be emptied or filled from itself: the run stops before anything
  // in this folder changes.
  FolderId copyId;
  std::vector<FolderId> copyFolderIds(b.folders.size());
  if (d.IsOpen()) {
    copyId = fs_.Identify(d);
    for (size_t j = 0; j < b.folders.size(); ++j) {
      copyFolderIds[j] = fs_.Identify(d, b.folders[j].name);
      if (copyFolderIds[j].SameFolder(sourceRoot_)) {
        RefuseOverlap();
        return;
      }
    }
  }

  // A source root with no entries at all is more often a drive that is not
  // mounted or a share that did not answer than a source really emptied:
  // its copy is emptied only when the user says so.
  bool sourceEmpty = a.files.empty() && a.folders.empty();
  bool copyEmpty = b.files.empty() && b.folders.empty();
  if (sourceParent == nullptr && sourceEmpty && !copyEmpty && (options_.ExecOps & OpDelete) != 0 &&
      !options_.TestMode && !(ConfirmEmptySource && ConfirmEmptySource())) {
    errorList_.AddFailureNote("El origen está vacío; no se borra nada del destino: " +
                              common::QuotePath(source) + " " + common::QuotePath(copy));
    return;
  }

  // Files, in merged name order: updates, creations and deletions interleaved.
  // Every name is the user's, also one like those of the copy's temporary
  // files: a temporary that a crash left behind is an extra file like any other.
  int64_t precision = 0;  // the copy's, learnt at the first pair that needs it
  common::MergeByName(a.files, b.files, [&](int i, int j) {
    if (i >= 0 && j >= 0) {
      const EntryInfo& f = a.files[i];
      if (precision == 0) precision = CopyTimePrecision(d);
      if (IsNewer(f, b.files[j], precision)) {
        // The copy keeps the letter case of its own name.
        UpdateFile(s, f, d, b.files[j].name);
        if (Stopping()) return false;
      } else {
        ClearFileLabel();
      }
      ++FilesDone;
      ShowProgress();
    } else if (i >= 0) {
      const EntryInfo& f = a.files[i];
      CreateNewFile(s, f, d, f.name);
      if (Stopping()) return false;
      ++FilesDone;
      ShowProgress();
    } else {
      RemoveFile(d, b.files[j].name);
    }
    return !Stopping();
  });
  RecordCopies(CopyWait::All);
  if (Stopping()) return;
  std::vector<EntryInfo>().swap(a.files);
  std::vector<EntryInfo>().swap(b.files);

  // Then the subfolders: creations and deletions in name order. A matched
  // folder is entered under the copy's own name, which may differ in case.
  // A folder whose creation failed has its mkdir line already and is not
  // entered.
  std::vector<int> copyIndex(a.folders.size(), -1);
  std::vector<char> notCreated(a.folders.size(), 0);
  common::MergeByName(a.folders, b.folders, [&](int i, int j) {
    if (i >= 0 && j >= 0) {
      copyIndex[i] = j;
    } else if (i >= 0) {
      notCreated[i] = !CreateDir(d, a.folders[i]);
    } else {
      RemoveDirTree(d, copyId, b.folders[j], copyFolderIds[j]);
    }
    return !Stopping();
  });
  if (Stopping()) return;
  // Nothing more changes in this folder itself.
  writable.Restore();

  for (size_t i = 0; i < a.folders.size(); ++i) {
    if (notCreated[i]) continue;
    const std::string& copyName = copyIndex[i] >= 0 ? b.folders[copyIndex[i]].name
                                                    : a.folders[i].name;
    SyncFolder(common::JoinPath(source, a.folders[i].name), common::JoinPath(copy, copyName), &s, &d);
    if (Stopping()) return;
  }
  view_.ProcessEvents();
}

void UpdateEngine::Trace(int32_t op, const char* keyword, const std::string& first,
                         const std::string* second) {
  // The text is only built when /log asks for it.
  if ((options_.LogOps & op) == 0) return;
  std::string text = keyword;
  text += ' ';
  text += common::QuotePath(first);
  if (second) {
    text += ' ';
    text += common::QuotePath(*second);
  }
  errorList_.LogOperation(op, text, options_.LogOps);
}

void UpdateEngine::Fail(const FsError& failure, const std::string& context) {
  if (options_.DebugMode) throw common::DebugStop(failure.number, failure.Description(), context);
  errorList_.AddError(context, failure);
}

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

void UpdateEngine::UpdateFile(const Folder& sourceFolder, const EntryInfo& sourceInfo,
                              const Folder& copyFolder, const std::string& copyName) {
  view_.SetFileLabel(sourceInfo.name);
  view_.ProcessEvents();
  if ((options_.ExecOps & OpUpdate) == 0) return;
  CopyAction(OpUpdate, "update", sourceFolder, sourceInfo, copyFolder, copyName);
}

void UpdateEngine::CreateNewFile(const Folder& sourceFolder, const EntryInfo& sourceInfo,
                                 const Folder& copyFolder, const std::string& copyName) {
  view_.SetFileLabel(sourceInfo.name);
  view_.ProcessEvents();
  if ((options_.ExecOps & OpCreate) == 0) return;
  CopyAction(OpCreate, "create", sourceFolder, sourceInfo, copyFolder, copyName);
}

bool UpdateEngine::CreateDir(const Folder& copyFolder, const EntryInfo& sourceInfo) {
  ClearFileLabel();
  view_.ProcessEvents();
  if ((options_.ExecOps & OpCreate) == 0) return true;
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
  WaitForTwins(sourceInfo.key);
  MakeWritable(copyFolder);
  uint64_t ticket = copier_.Post([this, &sourceFolder, &sourceInfo, &copyFolder, copyName, placement] {
    return fs_.CopyFile(sourceFolder, sourceInfo, copyFolder, copyName, placement);
  });
  pendingCopies_.push_back(
      PendingCopy{ticket, std::nullopt, op, keyword, &sourceFolder, &sourceInfo, &copyFolder, copyName});
  // The worker takes one copy while this thread takes the next: never more
  // than one waits, so progress and lines stay close to the walk.
  while (copier_.Waiting() > 1) copier_.RunOne();
  RecordCopies(CopyWait::FinishedOnly);
  view_.ProcessEvents();
}

void UpdateEngine::WaitForTwins(const std::string& key) {
  // Names equal but for letter case may be one name in the copy: their
  // copies and deletions go in walk order, never side by side, so the
  // same one of them gets the name on every run.
  for (const PendingCopy& pending : pendingCopies_) {
    const std::string& pendingKey =
        pending.sourceInfo != nullptr ? pending.sourceInfo->key : common::MakeNameKey(pending.copyName);
    if (pendingKey == key) {
      RecordCopies(CopyWait::All);
      return;
    }
  }
}

void UpdateEngine::RecordCopies(CopyWait wait) {
  while (!pendingCopies_.empty()) {
    const PendingCopy& front = pendingCopies_.front();
    if (front.deleted) {
      PendingCopy deletion = std::move(pendingCopies_.front());
      pendingCopies_.pop_front();
      std::string file = deletion.copyFolder->PathOf(deletion.copyName);
      Trace(OpDelete, "delete", file);
      if (*deletion.deleted) Fail(*deletion.deleted, "del " + common::QuotePath(file));
      continue;
    }
    if (wait == CopyWait::FinishedOnly && !copier_.Finished(front.ticket)) break;
    std::optional<FsError> result = copier_.Wait(front.ticket);
    PendingCopy copy = std::move(pendingCopies_.front());
    pendingCopies_.pop_front();
    RecordCopy(copy, result);
  }
}

void UpdateEngine::RecordCopy(const PendingCopy& copy, const std::optional<FsError>& result) {
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

void UpdateEngine::RemoveFile(const Folder& folder, const std::string& name) {
  ClearFileLabel();
  view_.ProcessEvents();
  if ((options_.ExecOps & OpDelete) == 0) return;
  if (!options_.TestMode) MakeWritable(folder);
  if (!pendingCopies_.empty() && !options_.DebugMode) {
    // Copies are running: the deletion (of another name) goes on at once,
    // and its lines wait for theirs.
    WaitForTwins(common::MakeNameKey(name));
    FsError e = options_.TestMode ? FsError{} : fs_.RemoveFile(folder, name);
    pendingCopies_.push_back(PendingCopy{0, e, OpDelete, "delete", nullptr, nullptr, &folder, name});
    RecordCopies(CopyWait::FinishedOnly);
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
  ClearFileLabel();
  view_.ProcessEvents();
  if ((options_.ExecOps & OpDelete) == 0) return false;
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
    if (subIds[k].SameFolder(sourceRoot_)) {
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

void UpdateEngine::MakeWritable(const Folder& folder) {
  // Only the folder pair's copy: a folder being removed was made writable
  // for good already.
  if (writable_ != nullptr && &writable_->Handle() == &folder) writable_->Unlock();
}

void UpdateEngine::ClearFileLabel() { view_.SetFileLabel(""); }

void UpdateEngine::ShowProgress() {
  view_.SetBar(common::ProgressPercent(FilesDone, FilesTotal));
  view_.ProcessEvents();
}

}  // namespace update

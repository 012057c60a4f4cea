#include "update/core/UpdateEngine.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "common/core/FileFunction.h"
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

}  // namespace

// What the two threads of the count share. Only the walk's own thread
// touches the view and the run's state.
struct UpdateEngine::CountRun {
  std::thread::id owner = std::this_thread::get_id();
  std::atomic<bool> stop{false};       // a cancel, or the copy found
  std::atomic<bool> foundCopy{false};  // a folder of the source is the copy
};

UpdateEngine::UpdateEngine(const Options& options, common::ErrorList& errorList,
                           const common::FileSystem& fs, common::ProgressView& view,
                           const common::Clock& clock)
    : options_(options),
      errorList_(errorList),
      fs_(fs),
      view_(view),
      clock_(clock),
      copies_(fs, [this](const PendingCopy& copy, const std::optional<FsError>& result) {
        RecordCopy(copy, result);
      }) {}

void UpdateEngine::Cancel() {
  if (Cancelled) return;
  // The copies handed over (two at most) were passed by the walk already:
  // they finish, and their lines come before the note, as they would have
  // one after another.
  copies_.Record(CopyQueue::Wait::All);
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
  roots_ = RootIds{};
  copies_.Clear();
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
  if (RootsOverlap(fs_, origen, destino, roots_)) {
    RefuseOverlap();
    return;
  }

  CountRun count;
  FilesTotal = CountFiles(nullptr, origen, count);
  if (count.foundCopy) RefuseOverlap();
  view_.ProcessEventsNow();  // a cancel clicked during the count means no action
  if (Stopping()) return;
  view_.SetFileLabel("");
  view_.ProcessEvents();
  // /test changes nothing, not even the destination chain.
  copyRootError_ = {};
  if (options_.CreateTarget && !options_.TestMode) copyRootError_ = MakeCopyRoot(fs_, origen, destino);
  SyncFolder(origen, destino, nullptr, nullptr);

  // Copies are not flushed one by one (that would cost several times the
  // copy of a small file); the whole destination is written to disk once,
  // before the run reports, so a finished run survives a power loss.
  if (copiedAny_) {
    if (FsError e = fs_.Flush(destino)) Fail(e, "sync " + common::QuotePath(destino));
  }
}

void UpdateEngine::RefuseOverlap() {
  copies_.Record(CopyQueue::Wait::All);
  errorList_.AddFailureNote("Origen y destino se solapan: " + common::QuotePath(origen_) + " " +
                            common::QuotePath(destino_));
  stopped_ = true;
}

FsError UpdateEngine::OpenFolderOf(const Folder* parent, const std::string& path, Folder& out) const {
  if (parent == nullptr) return fs_.OpenFolder(path, out, LinkPolicy::Follow);
  return fs_.OpenFolder(*parent, common::GetFileName(path), out);
}

int64_t UpdateEngine::CountFiles(const Folder* parent, const std::string& folder, CountRun& run) {
  if (run.stop) return 0;
  Folder handle;
  FolderListing listing;
  // A folder that cannot be listed counts as empty here; the scan reports it.
  FsError e = OpenFolderOf(parent, folder, handle);
  if (!e) e = fs_.ListFolder(handle, listing, ListDetail::NamesAndKinds);
  if (e) return 0;
  // The count sees every folder of the source before anything changes: one
  // that is the copy under another name (a mount) would fill the copy from
  // itself without end.
  if (fs_.Identify(handle).SameFolder(roots_.copyTarget)) {
    run.foundCopy = true;
    run.stop = true;
    return 0;
  }
  auto n = static_cast<int64_t>(listing.files.size());
  if (parent == nullptr && listing.folders.size() > 1) {
    n += CountSubtrees(handle, folder, listing.folders, run);
  } else {
    for (const EntryInfo& sub : listing.folders) {
      n += CountFiles(&handle, common::JoinPath(folder, sub.name), run);
      if (run.stop) break;
    }
  }
  if (std::this_thread::get_id() == run.owner) {
    view_.ProcessEvents();
    if (Stopping()) run.stop = true;
  }
  return n;
}

int64_t UpdateEngine::CountSubtrees(const Folder& root, const std::string& path,
                                    const std::vector<EntryInfo>& folders, CountRun& run) {
  // One job per subfolder of the root, taken in order by the lister's
  // worker and by this thread, so that the count of a tree with several
  // subtrees takes about half the time on two cores.
  std::vector<int64_t> counts(folders.size(), 0);
  std::vector<common::JobQueue<FsError>::Ticket> tickets;
  tickets.reserve(folders.size());
  // The jobs read root, folders and counts: whatever ends this call, they
  // end before it.
  struct JobsEnd {
    common::JobQueue<FsError>& jobs;
    ~JobsEnd() { jobs.DropWaiting(); }
  } jobsEnd{copyLister_};
  for (size_t k = 0; k < folders.size(); ++k) {
    tickets.push_back(copyLister_.Post([this, &root, &path, &folders, &counts, &run, k] {
      counts[k] = CountFiles(&root, common::JoinPath(path, folders[k].name), run);
      return FsError{};
    }));
  }
  while (!run.stop && copyLister_.RunOne()) {
  }
  if (run.stop) copyLister_.DropWaiting();
  int64_t n = 0;
  for (size_t k = 0; k < tickets.size(); ++k) {
    // While the worker ends its last subtree (the whole tree, when the
    // root holds one folder), the window stays live and a cancel stops it.
    while (!copyLister_.Finished(tickets[k])) {
      view_.ProcessEvents();
      if (Stopping()) run.stop = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    (void)copyLister_.Wait(tickets[k]);
    n += counts[k];
  }
  return n;
}

int64_t UpdateEngine::CopyTimePrecision(const Folder& copy, const FolderId& copyId) {
  // Once per file system of the copy (a copy may hold mounts), probed in the
  // first of its folders that has files to judge. A file system that cannot
  // be probed (not writable, or a dry run where the probe would need a name)
  // is taken to keep whole seconds: coarse enough for most, and a copy
  // judged too finely would be copied again on every run.
  // The folder's identity, when the walk has it, spares a call per folder.
  uint64_t device = copyId.device;
  if (!copyId.Known() && fs_.DeviceOf(copy, device)) return common::kNanosPerSecond;
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
  // What the copy's folder and its subfolders are, for the overlap check
  // below: taken by the worker too, which leaves the walk's thread less
  // to do alone after the two listings.
  FolderId copyId;
  std::vector<FolderId> copyFolderIds;
  if (!e) {
    copyError = OpenFolderOf(copyParent, copy, d);
    common::JobQueue<FsError>::Ticket listing = 0;
    if (!copyError) {
      listing = copyLister_.Post([this, &d, &b, &copyId, &copyFolderIds] {
        FsError listed = fs_.ListFolder(d, b);
        copyId = fs_.Identify(d);
        copyFolderIds.resize(b.folders.size());
        for (size_t j = 0; j < b.folders.size(); ++j) copyFolderIds[j] = fs_.Identify(d, b.folders[j].name);
        return listed;
      });
    }
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
    CopyQueue& copies;
    ~CopiesEnd() { copies.DropWaiting(); }
  } copiesEnd{copies_};

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
    copyFolderIds.clear();
  }

  // A folder of the copy that is the source under another name (a mount)
  // would be emptied or filled from itself: the run stops before anything
  // in this folder changes.
  for (const FolderId& id : copyFolderIds) {
    if (id.SameFolder(roots_.source)) {
      RefuseOverlap();
      return;
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
      if (precision == 0) precision = CopyTimePrecision(d, copyId);
      if (IsNewer(f, b.files[j], precision)) {
        // The copy keeps the letter case of its own name.
        CopyAction(OpUpdate, "update", s, f, d, b.files[j].name);
        if (Stopping()) return false;
      } else {
        ClearFileLabel();
      }
      ++FilesDone;
      ShowProgress();
    } else if (i >= 0) {
      const EntryInfo& f = a.files[i];
      CopyAction(OpCreate, "create", s, f, d, f.name);
      if (Stopping()) return false;
      ++FilesDone;
      ShowProgress();
    } else {
      RemoveFile(d, b.files[j].name);
    }
    return !Stopping();
  });
  copies_.Record(CopyQueue::Wait::All);
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

void UpdateEngine::MakeWritable(const Folder& folder) {
  // Only the folder pair's copy: a folder being removed was made writable
  // for good already.
  if (writable_ != nullptr && &writable_->Handle() == &folder) writable_->Unlock();
}

void UpdateEngine::ClearFileLabel() { view_.SetFileLabel(""); }

bool UpdateEngine::StartStep(int32_t op, const std::string& label) {
  view_.SetFileLabel(label);
  view_.ProcessEvents();
  return (options_.ExecOps & op) != 0;
}

void UpdateEngine::ShowProgress() {
  view_.SetBar(common::ProgressPercent(FilesDone, FilesTotal));
  view_.ProcessEvents();
}

}  // namespace update

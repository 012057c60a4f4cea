#include "compare/core/CompareEngine.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <deque>
#include <new>
#include <utility>
#include <vector>

#include "common/core/FileFunction.h"
#include "common/core/NameMerge.h"
#include "common/core/RunStatus.h"

namespace compare {

using common::EntryInfo;
using common::EntryKind;
using common::FsError;
using common::LinkPolicy;

namespace {

// FIFOs, sockets and devices are never opened (a FIFO would block, a tape
// could rewind), so comparing one is a failure of its own kind.
constexpr int kSpecialFileError = common::kErrorNotSupported;

std::string PairContext(const std::string& origin, const std::string& copy) {
  return "compare " + common::QuotePath(origin) + " " + common::QuotePath(copy);
}

std::string PairLine(const char* prefix, const std::string& origin, const std::string& copy) {
  return prefix + common::QuotePath(origin) + ", " + common::QuotePath(copy);
}

std::string PathLine(const char* prefix, const std::string& path) {
  return prefix + common::QuotePath(path);
}

// One step of a merge of two listings: both indexes set for a match, -1 on
// the side that lacks the name.
struct MergeStep {
  int i;
  int j;
};

std::vector<MergeStep> MergeSteps(const std::vector<EntryInfo>& left, const std::vector<EntryInfo>& right) {
  std::vector<MergeStep> steps;
  steps.reserve(std::max(left.size(), right.size()));
  common::MergeByName(left, right, [&steps](int i, int j) {
    steps.push_back(MergeStep{i, j});
    return true;
  });
  return steps;
}

// What a matched pair needs beyond its two listing entries.
enum class PairWork { Decided, Special, Links, Content };

PairWork Classify(const EntryInfo& a, const EntryInfo& b, CompareMode mode, FileResult& decided) {
  if (a.kind == EntryKind::Special || b.kind == EntryKind::Special) return PairWork::Special;
  decided = FileResult::SizeDiffers;
  if (a.size != b.size) return PairWork::Decided;
  // A link against a regular file of the same size: the entries are plainly
  // not the same, and the listing already says so without reading anything.
  decided = FileResult::ContentDiffers;
  if (a.kind != b.kind) return PairWork::Decided;
  decided = FileResult::Same;
  if (mode == CompareMode::Quick) return PairWork::Decided;
  if (a.kind == EntryKind::Symlink) return PairWork::Links;
  if (a.size == 0) return PairWork::Decided;
  return PairWork::Content;
}

// Pairs of a block or more read ahead at once: each waits with its two
// files open.
constexpr int kBigPairsAhead = 2;

// Folders of the count held open because subfolders of theirs wait to be
// listed. Beyond it, the count lists ahead only from where it stands, so a
// wide tree never runs out of descriptors; only a deeper tree holds more.
constexpr size_t kCountFoldersOpen = 64;

// Pops the walk's innermost level however the folder's walk ends.
template <class T>
class PopOnExit {
 public:
  explicit PopOnExit(std::vector<T>& stack) : stack_(stack) {}
  ~PopOnExit() { stack_.pop_back(); }
  PopOnExit(const PopOnExit&) = delete;
  PopOnExit& operator=(const PopOnExit&) = delete;

 private:
  std::vector<T>& stack_;
};

// Forgets a pointer to a local however its scope ends.
template <class T>
class ClearOnExit {
 public:
  explicit ClearOnExit(T*& pointer) : pointer_(pointer) {}
  ~ClearOnExit() { pointer_ = nullptr; }
  ClearOnExit(const ClearOnExit&) = delete;
  ClearOnExit& operator=(const ClearOnExit&) = delete;

 private:
  T*& pointer_;
};

}  // namespace

// The walk's view of one folder pair: the two folders, open while their
// subfolders are walked (each is opened from them by name), the folder
// merge, and how far it got.
struct CompareEngine::Level {
  const std::string& s;
  const std::string& d;
  ReadAhead::FolderHandle folderS;
  ReadAhead::FolderHandle folderD;
  std::vector<EntryInfo> foldersS;
  std::vector<EntryInfo> foldersD;
  std::vector<MergeStep> steps;
  size_t next = 0;  // the first folder step not yet started
};

// The file merge of the folder being reported, and the jobs posted for it.
struct CompareEngine::FilePlan {
  const std::string& s;
  const std::string& d;
  const common::FolderListing& listS;
  const common::FolderListing& listD;
  // The two folders, open: the pairs' files are opened from them.
  const ReadAhead::FolderHandle& folderS;
  const ReadAhead::FolderHandle& folderD;
  CompareMode mode;
  std::vector<MergeStep> steps;
  std::vector<ReadAhead::Ticket> tickets;  // per step; kNoTicket when it needs no job
  size_t posted = 0;                       // steps looked at by Pump
  // The folder the walk enters after this one's files, if any.
  const Level* nextLevel = nullptr;
  size_t nextStep = 0;
  bool nextPosted = false;
};

// The read-ahead of one walk: created by the outermost call, stopped and
// joined when it ends, however it ends.
class CompareEngine::WalkScope {
 public:
  explicit WalkScope(CompareEngine& engine) : engine_(engine), owner_(!engine.readAhead_) {
    if (!owner_) return;
    engine_.readAhead_ = std::make_unique<ReadAhead>(engine_.fs_, kBlockSize);
    Reset();
  }
  ~WalkScope() {
    if (!owner_) return;
    Reset();
    engine_.readAhead_.reset();
  }
  WalkScope(const WalkScope&) = delete;
  WalkScope& operator=(const WalkScope&) = delete;

 private:
  void Reset() {
    engine_.levels_.clear();
    engine_.plan_ = nullptr;
    engine_.prefetch_ = {};
    engine_.bigAhead_ = 0;
  }
  CompareEngine& engine_;
  bool owner_;
};

CompareEngine::CompareEngine(const Options& options, common::ErrorList& errorList,
                             const common::FileSystem& fs, common::ProgressView& view)
    : options_(options), errorList_(errorList), fs_(fs), view_(view) {}

CompareEngine::~CompareEngine() = default;

void CompareEngine::Compare(const std::string& origen, const std::string& destino, bool quick) {
  cancelled_ = false;
  filesDone_ = 0;
  filesTotal_ = 0;
  // Two folders per level of depth stay open while the walk is below them.
  common::FileSystem::RaiseOpenFileLimit();
  view_.Open([this] { Cancel(); });
  common::ViewCloser closer(view_);
  // One read-ahead for the count and the walk; stopped before the view closes.
  WalkScope scope(*this);
  view_.SetBar(0);
  view_.SetFileLabel("");
  view_.SetPathLabel("Preparando para comparar...");
  view_.ProcessEvents();

  filesTotal_ = CountFiles(origen, LinkPolicy::Follow);
  view_.ProcessEventsNow();  // a cancel clicked during the count means no comparison
  if (cancelled_) return;

  view_.SetFileLabel("");
  view_.ProcessEvents();
  CompareFolders(origen, destino, quick ? CompareMode::Quick : CompareMode::Full, LinkPolicy::Follow);
}

void CompareEngine::Cancel() {
  if (cancelled_) return;
  errorList_.AddNote("Cancelado por el usuario");
  view_.DisableCancel();
  cancelled_ = true;
}

int64_t CompareEngine::CountFiles(const std::string& folder, LinkPolicy links) {
  WalkScope scope(*this);
  ReadAhead& ahead = *readAhead_;
  // Every folder of the tree is listed, in any order, so listings are
  // posted well ahead of the one taken. Each subfolder is opened from its
  // parent's handle, which stays open while subfolders of it wait to be
  // posted; the deepest folder's wait first, and while many folders are
  // open so, only what is posted is taken until the walk has gone down
  // (depth first) far enough to close some.
  struct Waiting {
    ReadAhead::FolderHandle folder;
    std::vector<EntryInfo> subfolders;
    size_t next = 0;
  };
  std::vector<Waiting> waiting;
  std::deque<ReadAhead::Ticket> posted{ahead.PostCount(folder, links)};
  auto post = [&] {
    while (!waiting.empty() && ahead.HasRoom() && (posted.empty() || waiting.size() < kCountFoldersOpen)) {
      Waiting& top = waiting.back();
      posted.push_back(ahead.PostCount(top.folder, top.subfolders[top.next].name));
      if (++top.next == top.subfolders.size()) waiting.pop_back();
    }
  };
  int64_t n = 0;
  while (!posted.empty()) {
    const ReadAhead::Ticket ticket = posted.front();
    posted.pop_front();
    Await(ticket);
    int64_t files = 0;
    std::vector<EntryInfo> folders;
    ReadAhead::FolderHandle handle;
    // A folder that cannot be listed counts nothing more, silently.
    if (!ahead.TakeCount(ticket, files, folders, handle)) {
      n += files;
      if (!folders.empty()) waiting.push_back(Waiting{std::move(handle), std::move(folders), 0});
    }
    view_.ProcessEvents();
    if (cancelled_) break;
    post();
  }
  return n;
}

void CompareEngine::CompareFolders(const std::string& s, const std::string& d, CompareMode mode,
                                   LinkPolicy links) {
  WalkScope scope(*this);
  ReadAhead& ahead = *readAhead_;
  const ReadAhead::Ticket ts = ahead.PostList(s, links);
  const ReadAhead::Ticket td = ahead.PostList(d, links);
  WalkFolder(s, d, mode, ts, td);
}

void CompareEngine::WalkFolder(const std::string& s, const std::string& d, CompareMode mode,
                               ReadAhead::Ticket ts, ReadAhead::Ticket td) {
  view_.SetPathLabel("Comparando " + common::GetFileName(s));
  view_.ProcessEvents();

  // A folder that cannot be listed is never taken for an empty one: one
  // error line, and nothing is said about its contents.
  common::FolderListing listS, listD;
  ReadAhead::FolderHandle folderS, folderD;
  Await(ts);
  FsError errS = readAhead_->TakeListing(ts, listS, folderS);
  if (errS) Failure(errS, "list " + common::QuotePath(s));
  Await(td);
  FsError errD = readAhead_->TakeListing(td, listD, folderD);
  if (errD) Failure(errD, "list " + common::QuotePath(d));
  if (errS || errD) return;

  Level level{s, d, std::move(folderS), std::move(folderD), std::move(listS.folders), std::move(listD.folders),
              {}, 0};
  level.steps = MergeSteps(level.foldersS, level.foldersD);
  levels_.push_back(&level);
  PopOnExit popLevel(levels_);

  bool go = true;
  {
    FilePlan plan{s,    d, listS, listD, level.folderS, level.folderD, mode, MergeSteps(listS.files, listD.files),
                  {},   0, nullptr, 0, false};
    plan.tickets.assign(plan.steps.size(), ReadAhead::kNoTicket);
    FindNextFolder(plan);
    plan_ = &plan;
    ClearOnExit clearPlan(plan_);

    for (size_t k = 0; k < plan.steps.size() && go; ++k) {
      Pump();
      const MergeStep step = plan.steps[k];
      if (step.i >= 0 && step.j >= 0) {
        const EntryInfo& a = listS.files[static_cast<size_t>(step.i)];
        const EntryInfo& b = listD.files[static_cast<size_t>(step.j)];
        FileResult r;
        if (plan.tickets[k] != ReadAhead::kNoTicket) {
          r = FinishPair(plan.tickets[k], s, a, d, b);
        } else {
          const std::string pathS = common::JoinPath(s, a.name);
          const std::string pathD = common::JoinPath(d, b.name);
          r = ComparePair(Side{pathS, level.folderS.get(), a.name}, a, Side{pathD, level.folderD.get(), b.name}, b,
                          mode);
        }
        if (r == FileResult::SizeDiffers)
          errorList_.AddDifference(
              PairLine("Diferente tamaño: ", common::JoinPath(s, a.name), common::JoinPath(d, b.name)));
        else if (r == FileResult::ContentDiffers)
          errorList_.AddDifference(
              PairLine("Diferente contenido: ", common::JoinPath(s, a.name), common::JoinPath(d, b.name)));
        ++filesDone_;
        ShowProgress(filesDone_);
      } else if (step.i >= 0) {
        const EntryInfo& a = listS.files[static_cast<size_t>(step.i)];
        errorList_.AddDifference(PathLine("Falta archivo de destino: ", common::JoinPath(d, a.name)));
        ++filesDone_;
        ShowProgress(filesDone_);
      } else {
        const EntryInfo& b = listD.files[static_cast<size_t>(step.j)];
        errorList_.AddDifference(PathLine("Falta archivo de origen: ", common::JoinPath(s, b.name)));
        view_.ProcessEvents();
      }
      go = !cancelled_;
    }
    // Every pair was taken, so the next folder's listings find room now.
    if (go) Pump();
  }
  if (!go) return;
  // The file lists are done with; only the folder lists and the two
  // folders live on while the subfolders are compared.
  listS.files = {};
  listD.files = {};

  // No events are processed between two one-sided folder lines, so a cancel
  // can only be seen after a subfolder's walk, and a tail of missing folders
  // is always reported whole.
  for (size_t k = 0; k < level.steps.size() && go; ++k) {
    level.next = k + 1;
    const MergeStep step = level.steps[k];
    if (step.i >= 0 && step.j >= 0) {
      const std::string childS = common::JoinPath(s, level.foldersS[static_cast<size_t>(step.i)].name);
      const std::string childD = common::JoinPath(d, level.foldersD[static_cast<size_t>(step.j)].name);
      ReadAhead::Ticket cs, cd;
      if (prefetch_.level == &level && prefetch_.step == k) {
        cs = prefetch_.s;
        cd = prefetch_.d;
        prefetch_ = {};
      } else {
        // Not read ahead (the folder before it could not be listed): every
        // job before it was taken, so there is room.
        cs = readAhead_->PostList(level.folderS, level.foldersS[static_cast<size_t>(step.i)].name);
        cd = readAhead_->PostList(level.folderD, level.foldersD[static_cast<size_t>(step.j)].name);
      }
      WalkFolder(childS, childD, mode, cs, cd);
    } else if (step.i >= 0) {
      errorList_.AddDifference(PathLine("Falta carpeta de destino: ",
                                        common::JoinPath(d, level.foldersS[static_cast<size_t>(step.i)].name)));
    } else {
      errorList_.AddDifference(PathLine("Falta carpeta de origen: ",
                                        common::JoinPath(s, level.foldersD[static_cast<size_t>(step.j)].name)));
    }
    go = !cancelled_;
  }
  if (go) view_.ProcessEvents();
}

void CompareEngine::FindNextFolder(FilePlan& plan) const {
  // After this folder's files come its own subfolders, then what is left of
  // each folder above it, innermost first.
  for (auto it = levels_.rbegin(); it != levels_.rend(); ++it) {
    const Level& level = **it;
    for (size_t k = level.next; k < level.steps.size(); ++k) {
      if (level.steps[k].i >= 0 && level.steps[k].j >= 0) {
        plan.nextLevel = &level;
        plan.nextStep = k;
        return;
      }
    }
  }
}

void CompareEngine::Pump() {
  FilePlan* plan = plan_;
  if (plan == nullptr) return;
  ReadAhead& ahead = *readAhead_;
  while (plan->posted < plan->steps.size() && ahead.HasRoom()) {
    const MergeStep step = plan->steps[plan->posted];
    if (step.i >= 0 && step.j >= 0) {
      const EntryInfo& a = plan->listS.files[static_cast<size_t>(step.i)];
      const EntryInfo& b = plan->listD.files[static_cast<size_t>(step.j)];
      FileResult decided;
      if (Classify(a, b, plan->mode, decided) == PairWork::Content) {
        if (a.size >= static_cast<int64_t>(kBlockSize)) {
          if (bigAhead_ >= kBigPairsAhead) break;
          ++bigAhead_;
        }
        plan->tickets[plan->posted] = ahead.PostPair(plan->folderS, a.name, plan->folderD, b.name);
      }
    }
    ++plan->posted;
  }
  if (plan->posted == plan->steps.size() && plan->nextLevel != nullptr && !plan->nextPosted &&
      ahead.HasRoom(2)) {
    const Level& level = *plan->nextLevel;
    const MergeStep step = level.steps[plan->nextStep];
    prefetch_.level = &level;
    prefetch_.step = plan->nextStep;
    prefetch_.s = ahead.PostList(level.folderS, level.foldersS[static_cast<size_t>(step.i)].name);
    prefetch_.d = ahead.PostList(level.folderD, level.foldersD[static_cast<size_t>(step.j)].name);
    plan->nextPosted = true;
  }
}

void CompareEngine::Await(ReadAhead::Ticket ticket) {
  ReadAhead& ahead = *readAhead_;
  Pump();
  // While the job wanted is under way on the worker, take on those behind
  // it rather than wait idle.
  while (!ahead.IsDone(ticket) && ahead.RunOne()) {
  }
}

FileResult CompareEngine::FinishPair(ReadAhead::Ticket ticket, const std::string& s, const EntryInfo& a,
                                     const std::string& d, const EntryInfo& b) {
  Await(ticket);
  ReadAhead::PairOutcome out = readAhead_->TakePair(ticket);
  if (a.size >= static_cast<int64_t>(kBlockSize)) --bigAhead_;
  FsError err = out.error;
  FileResult r = out.result;
  if (!err && out.more) {
    // The first block was whole and equal: the pause that follows it, then
    // the rest here, block by block.
    view_.ProcessEvents();
    if (cancelled_) return FileResult::Cancelled;
    if (!EnsureBuffers()) err = FsError{common::kErrorNoMemory};
    if (!err) r = CompareBlocks(out.fileS, out.fileD, out.remaining, err);
  }
  if (err) {
    Failure(err, PairContext(common::JoinPath(s, a.name), common::JoinPath(d, b.name)));
    return FileResult::Same;
  }
  return r;
}

void CompareEngine::ShowProgress(int64_t count) {
  const float p = common::ProgressPercent(count, filesTotal_);
  if (std::fabs(p - view_.Bar()) < 0.1f) return;
  view_.SetBar(p);
  view_.ProcessEvents();
}

FileResult CompareEngine::CompareFiles(const std::string& origin, const EntryInfo& originInfo,
                                       const std::string& copy, const EntryInfo& copyInfo,
                                       CompareMode mode) {
  return ComparePair(Side{origin, nullptr, {}}, originInfo, Side{copy, nullptr, {}}, copyInfo, mode);
}

FileResult CompareEngine::ComparePair(const Side& origin, const EntryInfo& originInfo, const Side& copy,
                                      const EntryInfo& copyInfo, CompareMode mode) {
  FileResult decided = FileResult::Same;
  switch (Classify(originInfo, copyInfo, mode, decided)) {
    case PairWork::Decided: return decided;
    case PairWork::Special:
      Failure(FsError{kSpecialFileError}, PairContext(origin.path, copy.path));
      return FileResult::Same;
    case PairWork::Links: return CompareLinks(origin, copy, PairContext(origin.path, copy.path));
    case PairWork::Content: break;
  }
  return CompareContent(origin, copy, PairContext(origin.path, copy.path));
}

FsError CompareEngine::OpenSide(const Side& side, common::ReadFile& out) const {
  if (side.folder != nullptr) return fs_.OpenRead(*side.folder, side.name, out);
  return fs_.OpenRead(side.path, out);
}

FsError CompareEngine::ReadLinkSide(const Side& side, std::string& target) const {
  if (side.folder != nullptr) return fs_.ReadLink(*side.folder, side.name, target);
  return fs_.ReadLink(side.path, target);
}

FileResult CompareEngine::CompareLinks(const Side& origin, const Side& copy, const std::string& context) {
  std::string targetS, targetD;
  FsError err = ReadLinkSide(origin, targetS);
  if (!err) err = ReadLinkSide(copy, targetD);
  if (err) {
    Failure(err, context);
    return FileResult::Same;
  }
  if (targetS.size() != targetD.size()) return FileResult::SizeDiffers;
  return targetS == targetD ? FileResult::Same : FileResult::ContentDiffers;
}

bool CompareEngine::EnsureBuffers() {
  constexpr size_t kBuffer = ReadAhead::BufferSize(kBlockSize);
  if (!originBlock_) originBlock_.reset(new (std::nothrow) unsigned char[kBuffer]);
  if (!copyBlock_) copyBlock_.reset(new (std::nothrow) unsigned char[kBuffer]);
  return originBlock_ && copyBlock_;
}

FileResult CompareEngine::CompareContent(const Side& origin, const Side& copy, const std::string& context) {
  if (!EnsureBuffers()) {
    Failure(FsError{common::kErrorNoMemory}, context);
    return FileResult::Same;
  }
  common::ReadFile fileS, fileD;
  FsError err = OpenSide(origin, fileS);
  if (!err) err = OpenSide(copy, fileD);
  if (err) {
    Failure(err, context);
    return FileResult::Same;
  }
  // The files may have changed since they were listed; what is open now is
  // what gets compared.
  if (fileS.Size() != fileD.Size()) return FileResult::SizeDiffers;
  FileResult r = CompareBlocks(fileS, fileD, fileS.Size(), err);
  if (err) {
    Failure(err, context);
    return FileResult::Same;
  }
  return r;
}

FileResult CompareEngine::CompareBlocks(common::ReadFile& fileS, common::ReadFile& fileD, int64_t remaining,
                                        FsError& error) {
  error = {};
  while (remaining > 0) {
    size_t want = remaining < static_cast<int64_t>(kBlockSize) ? static_cast<size_t>(remaining) : kBlockSize;
    switch (ReadAhead::CompareBlock(fileS, fileD, want, originBlock_.get(), copyBlock_.get(), error)) {
      case ReadAhead::BlockResult::Failed: return FileResult::Same;
      case ReadAhead::BlockResult::Differ: return FileResult::ContentDiffers;
      case ReadAhead::BlockResult::ShrankAlike: return FileResult::Same;
      case ReadAhead::BlockResult::Equal: break;
    }
    remaining -= static_cast<int64_t>(want);
    // Only a whole block gives the Cancel button its chance, so a pair
    // below 1 MiB is always compared to its end.
    if (want == kBlockSize) {
      view_.ProcessEvents();
      if (cancelled_) return FileResult::Cancelled;
    }
  }
  return FileResult::Same;
}

void CompareEngine::Failure(const FsError& failure, const std::string& context) {
  if (options_.DebugMode) throw common::DebugStop(failure.number, failure.Description(), context);
  errorList_.AddError(context, failure);
}

}  // namespace compare

#include "compare/core/CompareEngine.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <deque>
#include <limits>
#include <utility>

#include "common/core/FileFunction.h"
#include "common/core/NameMerge.h"
#include "common/core/RunStatus.h"
#include "compare/core/ListedFolder.h"
#include "compare/core/WalkAhead.h"

namespace compare {

using common::EntryInfo;
using common::EntryKind;
using common::FsError;
using common::LinkPolicy;
using common::ListDetail;

namespace {

// FIFOs, sockets and devices are never opened (a FIFO would block, a tape
// could rewind), so comparing one is a failure of its own kind.
constexpr int kSpecialFileError = common::kErrorNotSupported;

constexpr uint64_t kNoTicket = std::numeric_limits<uint64_t>::max();

// Folders of the count held open because subfolders of theirs wait to be
// listed. Beyond it, the count lists ahead only from where it stands, so a
// wide tree never runs out of descriptors; only a deeper tree holds more.
constexpr size_t kCountFoldersOpen = 64;

std::string PairLine(const char* prefix, const std::string& source, const std::string& copy) {
  return prefix + common::QuotePath(source) + ", " + common::QuotePath(copy);
}

std::string PathLine(const char* prefix, const std::string& path) {
  return prefix + common::QuotePath(path);
}

// One step of a merge of two listings: both indexes set for a match, -1 on
// the side that lacks the name.
struct MergeStep {
  int i;
  int j;
  bool Matched() const { return i >= 0 && j >= 0; }
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

template <class T>
const T& At(const std::vector<T>& list, int index) {
  return list[static_cast<size_t>(index)];
}

// What a matched pair needs beyond its two listing entries.
enum class PairWork { Decided, Special, KindsDiffer, Links, Content };

// A quick comparison's listings give every file's size. A full one's do
// not (no stat per entry): there, the sizes come from the open files.
ListDetail DetailFor(CompareMode mode) {
  return mode == CompareMode::Quick ? ListDetail::FileDetails : ListDetail::NamesAndKinds;
}

PairWork Classify(const EntryInfo& a, const EntryInfo& b, CompareMode mode, FileResult& decided) {
  if (a.kind == EntryKind::Special || b.kind == EntryKind::Special) return PairWork::Special;
  if (mode == CompareMode::Full) {
    // A link against a regular file: plainly not the same, and only their
    // sizes tell which line they get.
    if (a.kind != b.kind) return PairWork::KindsDiffer;
    return a.kind == EntryKind::Symlink ? PairWork::Links : PairWork::Content;
  }
  decided = a.size != b.size ? FileResult::SizeDiffers
            : a.kind != b.kind ? FileResult::ContentDiffers
                               : FileResult::Same;
  return PairWork::Decided;
}

}  // namespace

// A folder pair's subfolders, open while they are walked (each is opened
// from them by name), and where the walk stands among them. Through above,
// the chain tells which folder pairs the walk still has to enter.
struct CompareEngine::Subfolders {
  ListedFolder::Handle folderS;
  ListedFolder::Handle folderD;
  std::vector<EntryInfo> s;
  std::vector<EntryInfo> d;
  std::vector<MergeStep> steps;
  Subfolders* above;
  size_t next = 0;  // the first step not yet walked
  // The matched step whose listings were posted ahead of its walk, if any.
  size_t aheadStep = std::numeric_limits<size_t>::max();
  Listings ahead{};
};

// A matched file pair of the folder pair s, d.
struct CompareEngine::Pair {
  const std::string& s;
  const EntryInfo& a;
  const std::string& d;
  const EntryInfo& b;
  std::string PathS() const { return common::JoinPath(s, a.name); }
  std::string PathD() const { return common::JoinPath(d, b.name); }
  std::string Context() const { return "compare " + common::QuotePath(PathS()) + " " + common::QuotePath(PathD()); }
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
  // The jobs of the count and the walk; stopped before the view closes.
  WalkAhead ahead(fs_);
  view_.SetBar(0);
  view_.SetFileLabel("");
  view_.SetPathLabel("Preparando para comparar...");
  view_.ProcessEvents();

  // The count only sets the bar's scale: a run whose bar nobody sees (from
  // cron, standard error to a file) goes straight to the comparison.
  if (view_.ShowsBar()) filesTotal_ = CountFiles(ahead, origen);
  view_.ProcessEventsNow();  // a cancel clicked during the count means no comparison
  if (cancelled_) return;

  view_.SetFileLabel("");
  view_.ProcessEvents();
  const CompareMode mode = quick ? CompareMode::Quick : CompareMode::Full;
  const Listings roots{ahead.PostList(nullptr, origen, LinkPolicy::Follow, DetailFor(mode)),
                       ahead.PostList(nullptr, destino, LinkPolicy::Follow, DetailFor(mode))};
  WalkFolder(ahead, origen, destino, mode, roots, nullptr);
}

void CompareEngine::Cancel() {
  if (cancelled_) return;
  errorList_.AddNote("Cancelado por el usuario");
  view_.DisableCancel();
  cancelled_ = true;
}

int64_t CompareEngine::CountFiles(WalkAhead& ahead, const std::string& folder) {
  // Every folder of the tree is listed, in any order, so listings are
  // posted well ahead of the one taken. Each subfolder is opened from its
  // parent's handle, which stays open while subfolders of it wait to be
  // posted; the deepest folder's wait first, and while many folders are
  // open so, only what is posted is taken until the walk has gone down
  // (depth first) far enough to close some.
  struct Waiting {
    ListedFolder::Handle folder;
    std::vector<EntryInfo> subfolders;
    size_t next = 0;
  };
  std::vector<Waiting> waiting;
  std::deque<uint64_t> posted{ahead.PostList(nullptr, folder, LinkPolicy::Follow, ListDetail::Count,
                                                ListedFolder::Purpose::Count)};
  int64_t n = 0;
  while (!posted.empty()) {
    ListedFolder listed = ahead.TakeListing(posted.front());
    posted.pop_front();
    // A folder that cannot be listed counts nothing more, silently.
    if (!listed.error) {
      n += listed.fileCount;
      if (!listed.listing.folders.empty())
        waiting.push_back(Waiting{std::move(listed.folder), std::move(listed.listing.folders), 0});
    }
    view_.ProcessEvents();
    if (cancelled_) break;
    while (!waiting.empty() && ahead.HasRoom() && (posted.empty() || waiting.size() < kCountFoldersOpen)) {
      Waiting& top = waiting.back();
      posted.push_back(
          ahead.PostList(top.folder, top.subfolders[top.next].name, LinkPolicy::NoFollow, ListDetail::Count,
                         ListedFolder::Purpose::Count));
      if (++top.next == top.subfolders.size()) waiting.pop_back();
    }
  }
  return n;
}

void CompareEngine::WalkFolder(WalkAhead& ahead, const std::string& s, const std::string& d, CompareMode mode,
                               Listings posted, Subfolders* above) {
  view_.SetPathLabel("Comparando " + common::GetFileName(s));
  view_.ProcessEvents();

  // A folder that cannot be listed is never taken for an empty one: one
  // error line, and nothing is said about its contents.
  ListedFolder listS = ahead.TakeListing(posted.s);
  if (listS.error) Failure(listS.error, "list " + common::QuotePath(s));
  ListedFolder listD = ahead.TakeListing(posted.d);
  if (listD.error) Failure(listD.error, "list " + common::QuotePath(d));
  if (listS.error || listD.error) return;

  Subfolders level{std::move(listS.folder), std::move(listD.folder), std::move(listS.listing.folders),
                   std::move(listD.listing.folders), {}, above};
  level.steps = MergeSteps(level.s, level.d);
  if (!CompareFolderFiles(ahead, s, d, listS.listing.files, listD.listing.files, mode, level)) return;
  // The file lists are done with; only the folder lists and the two
  // folders live on while the subfolders are compared.
  listS.listing.files = {};
  listD.listing.files = {};

  // No events are processed between two one-sided folder lines, so a cancel
  // can only be seen after a subfolder's walk, and a tail of missing folders
  // is always reported whole.
  for (size_t k = 0; k < level.steps.size(); ++k) {
    level.next = k + 1;
    const MergeStep step = level.steps[k];
    if (step.Matched()) {
      // Not posted ahead only when the folder before it could not be listed.
      const Listings child = level.aheadStep == k ? level.ahead : PostListings(ahead, level, k, mode);
      WalkFolder(ahead, common::JoinPath(s, At(level.s, step.i).name), common::JoinPath(d, At(level.d, step.j).name),
                 mode, child, &level);
    } else if (step.i >= 0) {
      errorList_.AddDifference(PathLine("Falta carpeta de destino: ", common::JoinPath(d, At(level.s, step.i).name)));
    } else {
      errorList_.AddDifference(PathLine("Falta carpeta de origen: ", common::JoinPath(s, At(level.d, step.j).name)));
    }
    if (cancelled_) return;
  }
  view_.ProcessEvents();
}

bool CompareEngine::CompareFolderFiles(WalkAhead& ahead, const std::string& s, const std::string& d,
                                       const std::vector<EntryInfo>& filesS, const std::vector<EntryInfo>& filesD,
                                       CompareMode mode, Subfolders& level) {
  const std::vector<MergeStep> steps = MergeSteps(filesS, filesD);
  // Each content pair's job and its place in that job's batch.
  std::vector<uint64_t> tickets(steps.size(), kNoTicket);
  std::vector<uint8_t> places(steps.size(), 0);
  size_t posted = 0;
  bool nextPosted = false;
  // Posts the pairs whose content must be read, in order, in batches, as
  // far as there is room, then the listings of the next folder of the walk.
  auto postAhead = [&] {
    while (posted < steps.size()) {
      WalkAhead::PairNames names;
      size_t batch[WalkAhead::kPairsPerJob];
      size_t n = 0;
      size_t k = posted;
      for (; k < steps.size() && n < WalkAhead::kPairsPerJob; ++k) {
        const MergeStep step = steps[k];
        if (!step.Matched()) continue;
        const EntryInfo& a = At(filesS, step.i);
        const EntryInfo& b = At(filesD, step.j);
        FileResult decided;
        if (Classify(a, b, mode, decided) != PairWork::Content) continue;
        if (!ahead.HasRoom(n + 1)) break;
        names[2 * n] = a.name;
        names[2 * n + 1] = b.name;
        batch[n++] = k;
      }
      if (n > 0) {
        const uint64_t ticket = ahead.PostPairs(level.folderS, level.folderD, std::move(names), n);
        for (size_t i = 0; i < n; ++i) {
          tickets[batch[i]] = ticket;
          places[batch[i]] = static_cast<uint8_t>(i);
        }
      }
      posted = k;
      // Stopped short for want of room: the rest waits for the next call.
      if (n < WalkAhead::kPairsPerJob && k < steps.size()) return;
    }
    if (!nextPosted && ahead.HasRoom(2)) {
      PostNextListings(ahead, level, mode);
      nextPosted = true;
    }
  };
  // The batch of the pairs being reported.
  WalkAhead::PairBatch taken;
  uint64_t takenTicket = kNoTicket;

  for (size_t k = 0; k < steps.size(); ++k) {
    postAhead();
    const MergeStep step = steps[k];
    if (step.Matched()) {
      const Pair pair{s, At(filesS, step.i), d, At(filesD, step.j)};
      FileResult r;
      if (tickets[k] != kNoTicket) {
        if (takenTicket != tickets[k]) {
          taken = ahead.TakePairs(tickets[k]);
          takenTicket = tickets[k];
        }
        r = FinishContent(std::move(taken.pairs[places[k]]), pair);
      } else {
        r = ComparePair(ahead, level, pair, mode);
      }
      if (r == FileResult::SizeDiffers)
        errorList_.AddDifference(PairLine("Diferente tamaño: ", pair.PathS(), pair.PathD()));
      else if (r == FileResult::ContentDiffers)
        errorList_.AddDifference(PairLine("Diferente contenido: ", pair.PathS(), pair.PathD()));
      ++filesDone_;
      ShowProgress(filesDone_);
    } else if (step.i >= 0) {
      errorList_.AddDifference(PathLine("Falta archivo de destino: ", common::JoinPath(d, At(filesS, step.i).name)));
      ++filesDone_;
      ShowProgress(filesDone_);
    } else {
      errorList_.AddDifference(PathLine("Falta archivo de origen: ", common::JoinPath(s, At(filesD, step.j).name)));
      view_.ProcessEvents();
    }
    if (cancelled_) return false;
  }
  // Every pair was taken, so the next folder's listings find room now.
  postAhead();
  return true;
}

CompareEngine::Listings CompareEngine::PostListings(WalkAhead& ahead, const Subfolders& level, size_t step,
                                                   CompareMode mode) const {
  const MergeStep m = level.steps[step];
  return Listings{ahead.PostList(level.folderS, At(level.s, m.i).name, LinkPolicy::NoFollow, DetailFor(mode)),
                  ahead.PostList(level.folderD, At(level.d, m.j).name, LinkPolicy::NoFollow, DetailFor(mode))};
}

void CompareEngine::PostNextListings(WalkAhead& ahead, Subfolders& current, CompareMode mode) const {
  for (Subfolders* level = &current; level != nullptr; level = level->above) {
    for (size_t k = level->next; k < level->steps.size(); ++k) {
      if (!level->steps[k].Matched()) continue;
      level->ahead = PostListings(ahead, *level, k, mode);
      level->aheadStep = k;
      return;
    }
  }
}

FileResult CompareEngine::FinishContent(PairContent content, const Pair& pair) {
  while (!content.Done()) {
    view_.ProcessEvents();
    if (cancelled_) return FileResult::Cancelled;
    content.Next();
  }
  if (content.Error()) {
    Failure(content.Error(), pair.Context());
    return FileResult::Same;
  }
  return content.Result();
}

FileResult CompareEngine::ComparePair(WalkAhead& ahead, const Subfolders& level, const Pair& pair, CompareMode mode) {
  FileResult decided = FileResult::Same;
  switch (Classify(pair.a, pair.b, mode, decided)) {
    case PairWork::Decided: return decided;
    case PairWork::Special:
      Failure(FsError{kSpecialFileError}, pair.Context());
      return FileResult::Same;
    case PairWork::KindsDiffer: {
      int64_t sizeS = 0, sizeD = 0;
      if (FsError err = EntrySizes(fs_, pair.PathS(), pair.PathD(), sizeS, sizeD)) {
        Failure(err, pair.Context());
        return FileResult::Same;
      }
      return sizeS != sizeD ? FileResult::SizeDiffers : FileResult::ContentDiffers;
    }
    case PairWork::Links: return CompareLinks(level, pair);
    case PairWork::Content: break;
  }
  // Every content pair is posted before its turn; this is a safety net.
  WalkAhead::PairNames names;
  names[0] = pair.a.name;
  names[1] = pair.b.name;
  WalkAhead::PairBatch batch = ahead.TakePairs(ahead.PostPairs(level.folderS, level.folderD, std::move(names), 1));
  return FinishContent(std::move(batch.pairs[0]), pair);
}

FileResult CompareEngine::CompareLinks(const Subfolders& level, const Pair& pair) {
  std::string targetS, targetD;
  FsError err = fs_.ReadLink(*level.folderS, pair.a.name, targetS);
  if (!err) err = fs_.ReadLink(*level.folderD, pair.b.name, targetD);
  int64_t sizeS = 0, sizeD = 0;
  // Links whose sizes differ are told apart even when a target cannot be read.
  if (err && !EntrySizes(fs_, pair.PathS(), pair.PathD(), sizeS, sizeD) && sizeS != sizeD)
    return FileResult::SizeDiffers;
  if (err) {
    Failure(err, pair.Context());
    return FileResult::Same;
  }
  if (targetS.size() != targetD.size()) return FileResult::SizeDiffers;
  return targetS == targetD ? FileResult::Same : FileResult::ContentDiffers;
}

void CompareEngine::ShowProgress(int64_t count) {
  const float p = common::ProgressPercent(count, filesTotal_);
  if (std::fabs(p - view_.Bar()) < 0.1f) return;
  view_.SetBar(p);
  view_.ProcessEvents();
}

void CompareEngine::Failure(const FsError& failure, const std::string& context) {
  if (options_.DebugMode) throw common::DebugStop(failure.number, failure.Description(), context);
  errorList_.AddError(context, failure);
}

}  // namespace compare

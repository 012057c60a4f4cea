#pragma once
// The comparison engine: walks the origin tree and its copy side by side and
// records every difference as one line of the ErrorList. It never changes
// anything on disk; it only lists folders and reads files. Progress, the
// pauses that let pending events run and the cancel go through the
// ProgressView, so the same engine serves the window and the console.
//
// Order of the report: in each folder every file line comes before any
// folder line; a matched subfolder is compared completely at its place in
// the folder merge; a folder missing on one side gives one line, nothing
// for its contents. Temporary files that an interrupted copy by update left
// behind are in neither listing: they are no difference.
//
// The walk is a plain recursion over folder pairs. What it will need next
// (the listings of both sides, the count's listings, the first block of
// each file pair) is posted ahead to an ordered job queue, whose worker
// thread and this thread share it, while this thread takes each result at
// its place. Everything the view and the report see (lines, progress,
// pauses, cancel, /debug) happens on the caller's thread in the order of a
// sequential walk.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/core/ErrorList.h"
#include "common/core/FileSystem.h"
#include "common/core/ProgressView.h"
#include "compare/core/Options.h"
#include "compare/core/PairContent.h"

namespace compare {

class WalkAhead;

// Full reads the contents of pairs of equal size; Quick compares sizes only.
enum class CompareMode { Full, Quick };

class CompareEngine {
 public:
  static constexpr size_t kBlockSize = PairContent::kBlockSize;

  CompareEngine(const Options& options, common::ErrorList& errorList, const common::FileSystem& fs,
                common::ProgressView& view);
  CompareEngine(const CompareEngine&) = delete;
  CompareEngine& operator=(const CompareEngine&) = delete;
  ~CompareEngine();

  // One run: counts the origin's files (when the view shows its bar), then
  // compares the two trees. The two folders are followed when they are
  // links; links inside them are not.
  // Under /debug a failure throws common::DebugStop (the view is closed).
  void Compare(const std::string& origen, const std::string& destino, bool quick);

  // The Cancelar button (or Ctrl+C): records the note, disables the button
  // and raises the flag that the walk tests after each step. Only the first
  // call has an effect.
  void Cancel();

  bool Cancelled() const { return cancelled_; }
  int64_t FilesDone() const { return filesDone_; }
  int64_t FilesTotal() const { return filesTotal_; }

  // Moves the bar to count / FilesTotal, but only when it changes by at
  // least 0.1, so that redrawing stays cheap on trees with many files.
  void ShowProgress(int64_t count);

 private:
  struct Subfolders;
  struct Pair;
  // The two listings of a folder pair, posted.
  struct Listings {
    uint64_t s;
    uint64_t d;
  };

  // Number of files in the tree below folder, listed folder by folder (the
  // pending events run after each one), each subfolder opened from its
  // parent's handle; a folder that cannot be listed adds nothing, silently,
  // and its subfolders are not seen.
  int64_t CountFiles(WalkAhead& ahead, const std::string& folder);
  // Compares folder s of the origin with folder d of the copy, whose
  // listings were posted, then their subfolders depth first, each opened
  // from its parent's handle so that depth is no limit (the full paths
  // serve the report only). above: the folder pair this one is inside.
  void WalkFolder(WalkAhead& ahead, const std::string& s, const std::string& d, CompareMode mode, Listings posted,
                  Subfolders* above);
  // The file merge of one folder pair; false when the run was cancelled.
  bool CompareFolderFiles(WalkAhead& ahead, const std::string& s, const std::string& d,
                          const std::vector<common::EntryInfo>& filesS, const std::vector<common::EntryInfo>& filesD,
                          CompareMode mode, Subfolders& level);
  Listings PostListings(WalkAhead& ahead, const Subfolders& level, size_t step, CompareMode mode) const;
  // Posts the listings of the folder pair the walk enters after the
  // current folder's files: its own first matched subfolder, or the next
  // one of a folder above it.
  void PostNextListings(WalkAhead& ahead, Subfolders& current, CompareMode mode) const;
  // A pair whose content was started ahead (its first block compared): the
  // rest here, block by block, with a pause after each whole block.
  FileResult FinishContent(PairContent content, const Pair& pair);
  // A pair that needs no content read: links, special files, entries of
  // two kinds, and whatever quick mode compares.
  FileResult ComparePair(WalkAhead& ahead, const Subfolders& level, const Pair& pair, CompareMode mode);
  FileResult CompareLinks(const Subfolders& level, const Pair& pair);
  // A failure the walk survives: an error line, or under /debug the end of
  // the run.
  void Failure(const common::FsError& failure, const std::string& context);

  const Options& options_;
  common::ErrorList& errorList_;
  const common::FileSystem& fs_;
  common::ProgressView& view_;

  bool cancelled_ = false;
  int64_t filesDone_ = 0;
  int64_t filesTotal_ = 0;
};

}  // namespace compare

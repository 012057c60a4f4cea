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
// The listing and reading run ahead on a second thread (ReadAhead): as soon
// as a folder pair is merged, its file pairs and then the listings of the
// next folder of the walk are posted, and both threads work through them
// while this thread reports each result at its place. Everything the view
// and the report see (lines, progress, pauses, cancel, /debug) happens on
// the caller's thread in the order of a plain sequential walk.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/core/ProgressView.h"
#include "common/core/ErrorList.h"
#include "compare/core/Options.h"
#include "compare/core/ReadAhead.h"

namespace compare {

// Full reads the contents of pairs of equal size; Quick compares sizes only.
enum class CompareMode { Full, Quick };

class CompareEngine {
 public:
  static constexpr size_t kBlockSize = 1048576;

  CompareEngine(const Options& options, common::ErrorList& errorList, const common::FileSystem& fs,
                common::ProgressView& view);
  CompareEngine(const CompareEngine&) = delete;
  CompareEngine& operator=(const CompareEngine&) = delete;
  ~CompareEngine();

  // One run: counts the origin's files, then compares the two trees. The two
  // folders are followed when they are links; links inside them are not.
  // Under /debug a failure throws common::DebugStop (the view is closed).
  void Compare(const std::string& origen, const std::string& destino, bool quick);

  // The Cancelar button (or Ctrl+C): records the note, disables the button
  // and raises the flag that the walk tests after each step. Only the first
  // call has an effect.
  void Cancel();

  bool Cancelled() const { return cancelled_; }
  int64_t FilesDone() const { return filesDone_; }
  int64_t FilesTotal() const { return filesTotal_; }

  // Number of files in the tree below folder, listed folder by folder (the
  // pending events run after each one), each subfolder opened from its
  // parent's handle; a folder that cannot be listed adds nothing, silently,
  // and its subfolders are not seen.
  int64_t CountFiles(const std::string& folder, common::LinkPolicy links = common::LinkPolicy::NoFollow);

  // Compares folder s of the origin with folder d of the copy, and their
  // subfolders depth first, each opened from its parent's handle so that
  // depth is no limit (the full paths serve the report only).
  void CompareFolders(const std::string& s, const std::string& d, CompareMode mode,
                      common::LinkPolicy links = common::LinkPolicy::NoFollow);

  // Moves the bar to count / FilesTotal, but only when it changes by at
  // least 0.1, so that redrawing stays cheap on trees with many files.
  void ShowProgress(int64_t count);

  // Compares a pair whose listing entries are at hand (sizes come from
  // them, so an unreadable file is no false size difference). A failure
  // becomes the pair's "compare" error line and the result Same. The walk
  // reads the contents of its pairs through the read-ahead instead; this
  // reads them here, on the caller's thread.
  FileResult CompareFiles(const std::string& origin, const common::EntryInfo& originInfo,
                          const std::string& copy, const common::EntryInfo& copyInfo, CompareMode mode);

 private:
  struct Level;
  struct FilePlan;
  class WalkScope;
  // The listings of the next folder of the walk, posted ahead.
  struct Prefetch {
    const Level* level = nullptr;
    size_t step = 0;
    ReadAhead::Ticket s = ReadAhead::kNoTicket;
    ReadAhead::Ticket d = ReadAhead::kNoTicket;
  };

  // One folder pair whose listings were posted as ts and td.
  void WalkFolder(const std::string& s, const std::string& d, CompareMode mode, ReadAhead::Ticket ts,
                  ReadAhead::Ticket td);
  // The next matched folder pair after the current folder's files, in walk order.
  void FindNextFolder(FilePlan& plan) const;
  // Posts what the current folder's plan still holds, as far as there is room.
  void Pump();
  // Waits for a job, doing jobs nobody has started meanwhile.
  void Await(ReadAhead::Ticket ticket);
  FileResult FinishPair(ReadAhead::Ticket ticket, const std::string& s, const common::EntryInfo& a,
                        const std::string& d, const common::EntryInfo& b);
  // One entry of a pair: its full path (for the report) and, in a walk,
  // the open folder it is reached from by name, at any depth.
  struct Side {
    const std::string& path;
    const common::Folder* folder;
    std::string_view name;
  };
  FileResult ComparePair(const Side& origin, const common::EntryInfo& originInfo, const Side& copy,
                         const common::EntryInfo& copyInfo, CompareMode mode);
  common::FsError OpenSide(const Side& side, common::ReadFile& out) const;
  common::FsError ReadLinkSide(const Side& side, std::string& target) const;
  FileResult CompareContent(const Side& origin, const Side& copy, const std::string& context);
  // The blocks from the files' current place to their end; error tells a failure.
  FileResult CompareBlocks(common::ReadFile& fileS, common::ReadFile& fileD, int64_t remaining,
                           common::FsError& error);
  FileResult CompareLinks(const Side& origin, const Side& copy, const std::string& context);
  bool EnsureBuffers();
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

  // One pair of read buffers (a piece of a block each) per run, allocated
  // at the first content comparison.
  std::unique_ptr<unsigned char[]> originBlock_;
  std::unique_ptr<unsigned char[]> copyBlock_;

  // The walk under way: its read-ahead, the folders from the top down to
  // the current one, the current folder's plan and the next folder's
  // listings posted ahead.
  std::unique_ptr<ReadAhead> readAhead_;
  std::vector<Level*> levels_;
  FilePlan* plan_ = nullptr;
  Prefetch prefetch_;
  // Posted pairs of a block or more: each holds its two files open while it
  // waits, so only a few are read ahead.
  int bigAhead_ = 0;
};

}  // namespace compare

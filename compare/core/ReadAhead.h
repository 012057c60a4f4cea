#pragma once
// The reading that a comparison needs, done ahead of it on a worker thread.
//
// The engine posts jobs in the order in which it will want their results:
// the listings of a folder, and the file pairs whose contents must be read.
// They run on a JobQueue: its worker and the engine's thread share the
// opening, reading and listing between them while the engine reports every
// result in the order it posted them.
//
// A job only reads: it never reports, never lets events run and never looks
// at the cancel flag. Whatever it finds (a failure included) waits in its
// slot until the engine takes it at its place in the report, so a failure
// met ahead is reported exactly where a sequential walk would meet it, and
// a job whose result is never taken (a cancel, the end of a /debug run)
// leaves no trace. The pair of a job is compared up to the end of its first
// block: a pair below one block is done there; of a larger pair the engine
// gets both files open and goes on block by block itself.
//
// A listing keeps its folder open, and the pairs of that folder open their
// files by name from it, as its subfolders are opened by name from it for
// their own listings: one lookup per entry instead of a walk of its whole
// path, no limit on the depth of a tree (paths longer than PATH_MAX), and a
// folder swapped meanwhile is never followed elsewhere.
//
// At most kSlots jobs are posted and not yet taken; a job holds no buffer
// once done (each thread reads into a pair of read buffers of its own), only
// its folders and the two open files of a pair that goes on past its first
// block.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/core/JobQueue.h"

namespace compare {

// What CompareFiles found for a pair, with its numeric code.
enum class FileResult : int { Cancelled = -1, Same = 0, SizeDiffers = 1, ContentDiffers = 2 };

class ReadAhead {
 public:
  using Ticket = uint64_t;
  static constexpr Ticket kNoTicket = std::numeric_limits<Ticket>::max();
  // Jobs posted and not yet taken. Enough to ride out the uneven cost of
  // files and folders; each one waiting costs a few hundred bytes (two
  // descriptors for a pair that goes on past its first block).
  static constexpr uint64_t kSlots = 64;

  // What a pair job found. more: the first whole block was equal and the
  // caller goes on from there with fileS and fileD (remaining bytes left;
  // 0 when the files were exactly one block long).
  struct PairOutcome {
    FileResult result = FileResult::Same;
    common::FsError error;
    bool more = false;
    common::ReadFile fileS;
    common::ReadFile fileD;
    int64_t remaining = 0;
  };

  // A block is read and compared in pieces of this size: the two pieces
  // are still in the processor's cache when they are compared, where two
  // whole blocks are not (on a 2 GiB pair in the page cache, 256 KiB pieces
  // took about 15% less time than reads of 1 MiB; 64 KiB pieces took more).
  static constexpr size_t kReadPiece = size_t{256} << 10;
  // The size of each of the two buffers that a thread reads into.
  static constexpr size_t BufferSize(size_t blockSize) { return blockSize < kReadPiece ? blockSize : kReadPiece; }

  // One block of the comparison, shared with the engine's own block loop:
  // reads want bytes of each file, piece by piece into the start of its
  // buffer (BufferSize of the block size), and compares them; a difference
  // ends the block at once. One fault-checked Read per file and block.
  enum class BlockResult { Equal, Differ, ShrankAlike, Failed };
  static BlockResult CompareBlock(common::ReadFile& fileS, common::ReadFile& fileD, size_t want,
                                  unsigned char* bufferS, unsigned char* bufferD,
                                  common::FsError& error);

  ReadAhead(const common::FileSystem& fs, size_t blockSize) : fs_(fs), blockSize_(blockSize) {}
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Posting needs a free slot; results are taken oldest first, so the next
  // result the caller wants is always posted or can be.
  bool HasRoom(uint64_t jobs = 1) const { return posted_ - taken_ + jobs <= kSlots; }
  using FolderHandle = std::shared_ptr<const common::Folder>;

  // A folder's full listing; the folder stays open with it, so that the
  // files and subfolders of the folder are opened from it without a walk of
  // their paths. By path (a run's root), or as the folder name inside the
  // open folder parent, never through a link.
  Ticket PostList(const std::string& folder, common::LinkPolicy links);
  Ticket PostList(FolderHandle parent, std::string name);
  // A listing for the count: only its folders are kept, and the number of
  // its files (temporary files of an interrupted copy left out), so that
  // many of them can wait without holding every file name. The folder
  // stays open only when it has subfolders, for theirs.
  Ticket PostCount(const std::string& folder, common::LinkPolicy links);
  Ticket PostCount(FolderHandle parent, std::string name);
  // The file nameS of folderS and nameD of folderD, both as listed.
  Ticket PostPair(FolderHandle folderS, std::string nameS, FolderHandle folderD, std::string nameD);
  bool IsDone(Ticket ticket) { return queue_.Finished(ticket); }
  // Runs the oldest job nobody has started, on the caller's thread. False
  // when there was none.
  bool RunOne() { return queue_.RunOne(); }

  // The results, each taken once, in the order posted; a job nobody has
  // started yet is run here, one under way is waited for.
  common::FsError TakeListing(Ticket ticket, common::FolderListing& out, FolderHandle& folder);
  common::FsError TakeCount(Ticket ticket, int64_t& files, std::vector<common::EntryInfo>& folders,
                            FolderHandle& folder);
  PairOutcome TakePair(Ticket ticket);

  uint64_t Posted() const { return posted_; }

 private:
  // What a job found; the parts its kind does not fill stay empty.
  struct Outcome {
    common::FsError error;
    common::FolderListing listing;
    int64_t fileCount = 0;
    FolderHandle folder;  // the folder listed, kept open
    PairOutcome pair;
  };

  Ticket Post(std::function<Outcome()> job);
  // Opens the folder (its name in parent, or its path) and lists it.
  Outcome List(const FolderHandle& parent, const std::string& path, common::LinkPolicy links,
               common::ListDetail detail) const;
  PairOutcome Pair(const FolderHandle& folderS, const std::string& nameS, const FolderHandle& folderD,
                   const std::string& nameD) const;
  Outcome Take(Ticket ticket);

  const common::FileSystem& fs_;
  const size_t blockSize_;
  uint64_t posted_ = 0;
  uint64_t taken_ = 0;
  // Last, so that it ends (dropping what nobody started, finishing what
  // runs) before what its jobs use.
  common::JobQueue<Outcome> queue_;
};

}  // namespace compare

#include "compare/core/ReadAhead.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <memory>
#include <exception>
#include <new>
#include <system_error>
#include <utility>

namespace compare {

using common::FsError;

ReadAhead::BlockResult ReadAhead::CompareBlock(common::ReadFile& fileS, common::ReadFile& fileD,
                                               size_t want, unsigned char* bufferS,
                                               unsigned char* bufferD, FsError& error) {
  const common::ReadCheck check[2] = {common::ReadCheck::Checked, common::ReadCheck::PartOfLast};
  for (size_t at = 0; at < want; at += kReadPiece) {
    const size_t piece = std::min(want - at, kReadPiece);
    size_t gotS = 0, gotD = 0;
    error = fileS.Read(bufferS, piece, gotS, check[at != 0]);
    if (!error) error = fileD.Read(bufferD, piece, gotD, check[at != 0]);
    if (error) return BlockResult::Failed;
    if (gotS != gotD || std::memcmp(bufferS, bufferD, gotS) != 0) return BlockResult::Differ;
    // Both ended early: they shrank alike while open.
    if (gotS < piece) return BlockResult::ShrankAlike;
  }
  return BlockResult::Equal;
}

ReadAhead::ReadAhead(const common::FileSystem& fs, size_t blockSize, ReadAheadThreads threads)
    : fs_(fs), blockSize_(blockSize) {
  if (threads == ReadAheadThreads::CallerOnly) return;
  try {
    worker_ = std::thread([this] { WorkerLoop(); });
  } catch (const std::system_error&) {
    // No thread to be had (a process limit): every job then runs on the
    // caller's thread when its result is wanted, as a plain walk would.
  }
}

ReadAhead::~ReadAhead() {
  if (!worker_.joinable()) return;
  stop_.store(true, std::memory_order_release);
  wake_.fetch_add(1, std::memory_order_release);
  wake_.notify_one();
  worker_.join();
}

ReadAhead::Job& ReadAhead::NextSlot() {
  Job& job = Slot(posted_);
  // The slot's last job was taken; what it held goes now.
  job.listing = {};
  job.fileCount = 0;
  job.parent.reset();
  job.folderS.reset();
  job.folderD.reset();
  job.pair = PairOutcome{};
  job.error = {};
  job.done.store(0, std::memory_order_relaxed);
  return job;
}

ReadAhead::Ticket ReadAhead::PostList(const std::string& folder, common::LinkPolicy links) {
  Job& job = NextSlot();
  job.kind = JobKind::List;
  job.path = folder;
  job.copy.clear();
  job.links = links;
  job.detail = common::ListDetail::Full;
  return posted_++;
}

ReadAhead::Ticket ReadAhead::PostList(FolderHandle parent, std::string name) {
  Ticket ticket = PostList(std::move(name), common::LinkPolicy::NoFollow);
  Slot(ticket).parent = std::move(parent);
  return ticket;
}

ReadAhead::Ticket ReadAhead::PostCount(const std::string& folder, common::LinkPolicy links) {
  Ticket ticket = PostList(folder, links);
  Job& job = Slot(ticket);
  job.kind = JobKind::Count;
  job.detail = common::ListDetail::NamesAndKinds;
  return ticket;
}

ReadAhead::Ticket ReadAhead::PostCount(FolderHandle parent, std::string name) {
  Ticket ticket = PostCount(std::move(name), common::LinkPolicy::NoFollow);
  Slot(ticket).parent = std::move(parent);
  return ticket;
}

ReadAhead::Ticket ReadAhead::PostPair(FolderHandle folderS, std::string nameS, FolderHandle folderD,
                                      std::string nameD) {
  Job& job = NextSlot();
  job.kind = JobKind::Pair;
  job.path = std::move(nameS);
  job.copy = std::move(nameD);
  job.folderS = std::move(folderS);
  job.folderD = std::move(folderD);
  return posted_++;
}

void ReadAhead::Publish() {
  if (published_.load(std::memory_order_relaxed) == posted_) return;
  published_.store(posted_, std::memory_order_release);
  if (worker_.joinable()) {
    wake_.fetch_add(1, std::memory_order_release);
    wake_.notify_one();
  }
}

bool ReadAhead::IsDone(Ticket ticket) const {
  return Slot(ticket).done.load(std::memory_order_acquire) != 0;
}

bool ReadAhead::RunOne(unsigned char* bufferS, unsigned char* bufferD) {
  uint64_t next = claimed_.load(std::memory_order_relaxed);
  do {
    if (next >= published_.load(std::memory_order_acquire)) return false;
  } while (!claimed_.compare_exchange_weak(next, next + 1, std::memory_order_acq_rel,
                                           std::memory_order_relaxed));
  Job& job = Slot(next);
  Run(job, bufferS, bufferD);
  job.done.store(1, std::memory_order_release);
  job.done.notify_one();
  return true;
}

void ReadAhead::WaitDone(Ticket ticket) const {
  const Job& job = Slot(ticket);
  job.done.wait(0, std::memory_order_acquire);
}

FsError ReadAhead::TakeListing(Ticket ticket, common::FolderListing& out, FolderHandle& folder) {
  // Taken in the order posted: a slot is posted again only once taken.
  assert(ticket == taken_);
  Job& job = Slot(ticket);
  out = std::move(job.listing);
  job.listing = {};
  folder = std::move(job.folderS);
  ++taken_;
  return job.error;
}

FsError ReadAhead::TakeCount(Ticket ticket, int64_t& files, std::vector<common::EntryInfo>& folders,
                             FolderHandle& folder) {
  // Taken in the order posted: a slot is posted again only once taken.
  assert(ticket == taken_);
  Job& job = Slot(ticket);
  files = job.fileCount;
  folders = std::move(job.listing.folders);
  job.listing = {};
  folder = std::move(job.folderS);
  ++taken_;
  return job.error;
}

ReadAhead::PairOutcome ReadAhead::TakePair(Ticket ticket) {
  // Taken in the order posted: a slot is posted again only once taken.
  assert(ticket == taken_);
  Job& job = Slot(ticket);
  PairOutcome out = std::move(job.pair);
  ++taken_;
  return out;
}

void ReadAhead::Run(Job& job, unsigned char* bufferS, unsigned char* bufferD) const {
  try {
    switch (job.kind) {
      case JobKind::List:
      case JobKind::Count: {
        auto folder = std::make_shared<common::Folder>();
        job.error = job.parent ? fs_.OpenFolder(*job.parent, job.path, *folder)
                               : fs_.OpenFolder(job.path, *folder, job.links);
        // The parent served its purpose: a folder waiting to be taken holds
        // no other descriptor than its own.
        job.parent.reset();
        if (!job.error) job.error = fs_.ListFolder(*folder, job.listing, job.detail);
        if (job.error) break;
        if (job.kind == JobKind::List) {
          job.folderS = std::move(folder);
          break;
        }
        job.fileCount = static_cast<int64_t>(job.listing.files.size());
        job.listing.files = {};
        if (!job.listing.folders.empty()) job.folderS = std::move(folder);
        break;
      }
      case JobKind::Pair: RunPair(job, bufferS, bufferD); break;
    }
  } catch (const std::exception&) {
    // Only memory can run out here (a listing too large for what is left):
    // the job's failure, never a crash of the whole run, never an empty
    // listing.
    job.listing = {};
    job.fileCount = 0;
    job.pair = PairOutcome{};
    job.pair.error = FsError{ENOMEM};
    job.error = FsError{ENOMEM};
  }
}

void ReadAhead::RunPair(Job& job, unsigned char* bufferS, unsigned char* bufferD) const {
  PairOutcome& out = job.pair;
  if (bufferS == nullptr || bufferD == nullptr) {
    out.error = FsError{ENOMEM};
    return;
  }
  out.error = fs_.OpenRead(*job.folderS, job.path, out.fileS);
  if (!out.error) out.error = fs_.OpenRead(*job.folderD, job.copy, out.fileD);
  if (out.error) {
    out.fileS.Close();
    out.fileD.Close();
    return;
  }
  // The files may have changed since they were listed; what is open now is
  // what gets compared.
  const int64_t size = out.fileS.Size();
  if (size != out.fileD.Size()) {
    out.result = FileResult::SizeDiffers;
  } else if (size > 0) {
    const bool whole = size >= static_cast<int64_t>(blockSize_);
    const size_t want = whole ? blockSize_ : static_cast<size_t>(size);
    FsError error;
    switch (CompareBlock(out.fileS, out.fileD, want, bufferS, bufferD, error)) {
      case BlockResult::Failed: out.error = error; break;
      case BlockResult::Differ: out.result = FileResult::ContentDiffers; break;
      case BlockResult::ShrankAlike: break;
      case BlockResult::Equal:
        // A whole block: the caller lets events run and goes on with the rest.
        if (whole) {
          out.more = true;
          out.remaining = size - static_cast<int64_t>(want);
          return;
        }
        break;
    }
  }
  out.fileS.Close();
  out.fileD.Close();
}

void ReadAhead::WorkerLoop() {
  // Each thread reads into buffers of its own; pages are only touched
  // as far as the files read need them.
  std::unique_ptr<unsigned char[]> bufferS(new (std::nothrow) unsigned char[BufferSize(blockSize_)]);
  std::unique_ptr<unsigned char[]> bufferD(new (std::nothrow) unsigned char[BufferSize(blockSize_)]);
  for (;;) {
    const uint32_t seen = wake_.load(std::memory_order_acquire);
    if (stop_.load(std::memory_order_acquire)) return;
    if (RunOne(bufferS.get(), bufferD.get())) continue;
    wake_.wait(seen, std::memory_order_acquire);
  }
}

}  // namespace compare

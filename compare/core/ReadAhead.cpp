#include "compare/core/ReadAhead.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <memory>
#include <exception>
#include <new>
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

namespace {

// The two read buffers of the calling thread, allocated by its first pair
// (pages are only touched as far as the files read need them); nullptr
// when memory ran out, and asked for again by the next pair.
unsigned char* ThreadBuffers() {
  thread_local std::unique_ptr<unsigned char[]> buffers;
  if (!buffers) buffers.reset(new (std::nothrow) unsigned char[2 * ReadAhead::kReadPiece]);
  return buffers.get();
}

}  // namespace

ReadAhead::Ticket ReadAhead::Post(std::function<Outcome()> job) {
  ++posted_;
  return queue_.Post([job = std::move(job)] {
    try {
      return job();
    } catch (const std::exception&) {
      // Only memory can run out here (a listing too large for what is
      // left): the job's failure, never a crash of the whole run, never an
      // empty listing.
      Outcome failed;
      failed.error = FsError{common::kErrorNoMemory};
      failed.pair.error = FsError{common::kErrorNoMemory};
      return failed;
    }
  });
}

ReadAhead::Ticket ReadAhead::PostList(const std::string& folder, common::LinkPolicy links) {
  return Post([this, folder, links] { return List(nullptr, folder, links, common::ListDetail::Full); });
}

ReadAhead::Ticket ReadAhead::PostList(FolderHandle parent, std::string name) {
  // The parent goes with the job as soon as it is done: a folder waiting to
  // be taken holds no other descriptor than its own.
  return Post([this, parent = std::move(parent), name = std::move(name)] {
    return List(parent, name, common::LinkPolicy::NoFollow, common::ListDetail::Full);
  });
}

ReadAhead::Ticket ReadAhead::PostCount(const std::string& folder, common::LinkPolicy links) {
  return Post([this, folder, links] { return List(nullptr, folder, links, common::ListDetail::NamesAndKinds); });
}

ReadAhead::Ticket ReadAhead::PostCount(FolderHandle parent, std::string name) {
  return Post([this, parent = std::move(parent), name = std::move(name)] {
    return List(parent, name, common::LinkPolicy::NoFollow, common::ListDetail::NamesAndKinds);
  });
}

ReadAhead::Ticket ReadAhead::PostPair(FolderHandle folderS, std::string nameS, FolderHandle folderD,
                                      std::string nameD) {
  return Post([this, folderS = std::move(folderS), nameS = std::move(nameS), folderD = std::move(folderD),
               nameD = std::move(nameD)] {
    Outcome out;
    out.pair = Pair(folderS, nameS, folderD, nameD);
    return out;
  });
}

ReadAhead::Outcome ReadAhead::Take(Ticket ticket) {
  // Taken in the order posted, so that kSlots bounds what waits.
  assert(ticket == taken_);
  ++taken_;
  return std::move(queue_.Wait(ticket).value());
}

FsError ReadAhead::TakeListing(Ticket ticket, common::FolderListing& out, FolderHandle& folder) {
  Outcome job = Take(ticket);
  out = std::move(job.listing);
  folder = std::move(job.folder);
  return job.error;
}

FsError ReadAhead::TakeCount(Ticket ticket, int64_t& files, std::vector<common::EntryInfo>& folders,
                             FolderHandle& folder) {
  Outcome job = Take(ticket);
  files = job.fileCount;
  folders = std::move(job.listing.folders);
  folder = std::move(job.folder);
  return job.error;
}

ReadAhead::PairOutcome ReadAhead::TakePair(Ticket ticket) { return std::move(Take(ticket).pair); }

ReadAhead::Outcome ReadAhead::List(const FolderHandle& parent, const std::string& path, common::LinkPolicy links,
                                   common::ListDetail detail) const {
  Outcome out;
  auto folder = std::make_shared<common::Folder>();
  out.error = parent ? fs_.OpenFolder(*parent, path, *folder) : fs_.OpenFolder(path, *folder, links);
  if (!out.error) out.error = fs_.ListFolder(*folder, out.listing, detail);
  if (out.error) {
    out.listing = {};
    return out;
  }
  if (detail == common::ListDetail::Full) {
    out.folder = std::move(folder);
    return out;
  }
  out.fileCount = static_cast<int64_t>(out.listing.files.size());
  out.listing.files = {};
  if (!out.listing.folders.empty()) out.folder = std::move(folder);
  return out;
}

ReadAhead::PairOutcome ReadAhead::Pair(const FolderHandle& folderS, const std::string& nameS,
                                       const FolderHandle& folderD, const std::string& nameD) const {
  PairOutcome out;
  unsigned char* buffers = ThreadBuffers();
  if (buffers == nullptr) {
    out.error = FsError{common::kErrorNoMemory};
    return out;
  }
  unsigned char* bufferS = buffers;
  unsigned char* bufferD = buffers + kReadPiece;
  out.error = fs_.OpenRead(*folderS, nameS, out.fileS);
  if (!out.error) out.error = fs_.OpenRead(*folderD, nameD, out.fileD);
  if (out.error) {
    out.fileS.Close();
    out.fileD.Close();
    return out;
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
          return out;
        }
        break;
    }
  }
  out.fileS.Close();
  out.fileD.Close();
  return out;
}

}  // namespace compare

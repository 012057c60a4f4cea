#pragma once
// The content of a file pair, compared in blocks of 1 MiB: a difference in
// a block ends the pair there, and between two whole blocks the walk lets
// pending events run and looks at the cancel flag. Start (a job run ahead
// of the walk, on either thread) opens both files and compares the first
// block; the walk goes on with Next, block by block, while Done is false.
//
// Each block is read in pieces that stay in the processor's cache while
// they are compared; the files are opened by name from their open folders,
// never through a link, and only when they are regular files. Their sizes
// come from the open files: the walk lists a full comparison's folders
// without a stat per entry.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/core/FileSystem.h"

namespace compare {

// What comparing a pair found, with its numeric code.
enum class FileResult : int { Cancelled = -1, Same = 0, SizeDiffers = 1, ContentDiffers = 2 };

// The sizes of two entries as lstat gives them (links not followed), for a
// pair that cannot be read or whose kinds differ.
common::FsError EntrySizes(const common::FileSystem& fs, const std::string& pathS, const std::string& pathD,
                           int64_t& sizeS, int64_t& sizeD);

class PairContent {
 public:
  static constexpr size_t kBlockSize = 1048576;

  // Opens nameS in folderS and nameD in folderD and compares up to the end
  // of the first block (of blockSize bytes; tests use smaller ones). A pair
  // that cannot be opened is still told apart by its entries' sizes, and
  // two empty files are equal, unread.
  void Start(const common::FileSystem& fs, const common::Folder& folderS, std::string_view nameS,
             const common::Folder& folderD, std::string_view nameD, size_t blockSize = kBlockSize);
  // The next block; only while !Done().
  void Next();

  // False after each whole block found equal: the walk pauses, then calls Next.
  bool Done() const { return done_; }
  FileResult Result() const { return result_; }
  // A failure to open or read: the pair's error, its result then Same.
  const common::FsError& Error() const { return error_; }

 private:
  // Compares want bytes of each file from where they stand.
  void Block(size_t want);
  void Finish(FileResult result);

  common::ReadFile fileS_;
  common::ReadFile fileD_;
  int64_t remaining_ = 0;
  size_t blockSize_ = kBlockSize;
  FileResult result_ = FileResult::Same;
  common::FsError error_;
  bool done_ = true;
};

}  // namespace compare

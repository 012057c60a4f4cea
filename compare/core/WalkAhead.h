#pragma once
// The jobs of one run, posted ahead of the walk and taken in the order
// posted. A job only reads: it never reports, never lets events run and
// never looks at the cancel flag. Whatever it finds (a failure included)
// waits until the walk takes it at its place in the report, so a failure
// met ahead is reported exactly where a sequential walk meets it, and a job
// whose result is never taken (a cancel, the end of a /debug run) leaves no
// trace: it is dropped, its folders and files closed, with the run.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <variant>

#include "common/core/FileSystem.h"
#include "common/core/JobQueue.h"
#include "compare/core/ListedFolder.h"
#include "compare/core/PairContent.h"

namespace compare {

class WalkAhead {
 public:
  // Listings and pairs posted and not yet taken: enough to ride out the
  // uneven cost of files and folders; each one waiting costs a few hundred
  // bytes, and a pair that goes on past its first block two descriptors.
  static constexpr size_t kSlots = 64;

  explicit WalkAhead(const common::FileSystem& fs) : fs_(fs) {}

  bool HasRoom(size_t jobs = 1) const { return pending_ + jobs <= kSlots; }

  // A folder by name inside parent, or a run's root by path (parent null).
  uint64_t PostList(ListedFolder::Handle parent, std::string name, common::LinkPolicy links,
                    common::ListDetail detail, ListedFolder::Purpose purpose = ListedFolder::Purpose::Walk) {
    return Post(1, [&fs = fs_, parent = std::move(parent), name = std::move(name), links, detail, purpose] {
      return Found{ListedFolder::List(fs, parent, name, links, detail, purpose)};
    });
  }
  // Several pairs of one folder pair, started one after another by one
  // job: handing a job over costs about as much as opening and reading a
  // small file, so a tree of small files goes faster in batches. Each pair
  // takes one slot.
  static constexpr size_t kPairsPerJob = 8;
  struct PairBatch {
    std::array<PairContent, kPairsPerJob> pairs;
    size_t count = 0;
  };
  using PairNames = std::array<std::string, 2 * kPairsPerJob>;  // source, copy, source, copy...

  uint64_t PostPairs(ListedFolder::Handle folderS, ListedFolder::Handle folderD, PairNames names, size_t count) {
    return Post(count, [&fs = fs_, folderS = std::move(folderS), folderD = std::move(folderD),
                        names = std::move(names), count] {
      Found found{std::in_place_type<PairBatch>};
      PairBatch& batch = std::get<PairBatch>(found);
      for (; batch.count < count; ++batch.count)
        batch.pairs[batch.count].Start(fs, *folderS, names[2 * batch.count], *folderD, names[2 * batch.count + 1]);
      return found;
    });
  }

  ListedFolder TakeListing(uint64_t ticket) {
    ListedFolder listed = std::get<ListedFolder>(Take(ticket));
    --pending_;
    return listed;
  }
  PairBatch TakePairs(uint64_t ticket) {
    PairBatch batch = std::get<PairBatch>(Take(ticket));
    pending_ -= batch.count;
    return batch;
  }

 private:
  using Found = std::variant<ListedFolder, PairBatch>;

  uint64_t Post(size_t slots, std::function<Found()> job) {
    pending_ += slots;
    return queue_.Post(std::move(job));
  }
  // While the job wanted is under way on the worker, this thread takes on
  // those behind it rather than wait idle.
  Found Take(uint64_t ticket) {
    while (!queue_.Finished(ticket) && queue_.RunOne()) {
    }
    return std::move(queue_.Wait(ticket).value());
  }

  const common::FileSystem& fs_;
  size_t pending_ = 0;
  // Last, so that it ends (dropping what nobody started, finishing what
  // runs) before what its jobs use.
  common::JobQueue<Found> queue_;
};

}  // namespace compare

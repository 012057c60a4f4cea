#pragma once
// The jobs of one run, posted ahead of the walk and taken in the order
// posted. A job only reads: it never reports, never lets events run and
// never looks at the cancel flag. Whatever it finds (a failure included)
// waits until the walk takes it at its place in the report, so a failure
// met ahead is reported exactly where a sequential walk meets it, and a job
// whose result is never taken (a cancel, the end of a /debug run) leaves no
// trace: it is dropped, its folders and files closed, with the run.

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
  // Jobs posted and not yet taken: enough to ride out the uneven cost of
  // files and folders; each one waiting costs a few hundred bytes, and a
  // pair that goes on past its first block two descriptors.
  static constexpr size_t kSlots = 64;

  explicit WalkAhead(const common::FileSystem& fs) : fs_(fs) {}

  bool HasRoom(size_t jobs = 1) const { return pending_ + jobs <= kSlots; }

  // A folder by name inside parent, or a run's root by path (parent null).
  uint64_t PostList(ListedFolder::Handle parent, std::string name, common::LinkPolicy links,
                    common::ListDetail detail, ListedFolder::Purpose purpose = ListedFolder::Purpose::Walk) {
    return Post([&fs = fs_, parent = std::move(parent), name = std::move(name), links, detail, purpose] {
      return Found{ListedFolder::List(fs, parent, name, links, detail, purpose)};
    });
  }
  uint64_t PostPair(ListedFolder::Handle folderS, std::string nameS, ListedFolder::Handle folderD,
                    std::string nameD) {
    return Post([&fs = fs_, folderS = std::move(folderS), nameS = std::move(nameS), folderD = std::move(folderD),
                 nameD = std::move(nameD)] {
      Found found{std::in_place_type<PairContent>};
      std::get<PairContent>(found).Start(fs, *folderS, nameS, *folderD, nameD);
      return found;
    });
  }

  ListedFolder TakeListing(uint64_t ticket) { return std::get<ListedFolder>(Take(ticket)); }
  PairContent TakePair(uint64_t ticket) {
    return std::get<PairContent>(Take(ticket));
  }

 private:
  using Found = std::variant<ListedFolder, PairContent>;

  uint64_t Post(std::function<Found()> job) {
    ++pending_;
    return queue_.Post(std::move(job));
  }
  // While the job wanted is under way on the worker, this thread takes on
  // those behind it rather than wait idle.
  Found Take(uint64_t ticket) {
    while (!queue_.Finished(ticket) && queue_.RunOne()) {
    }
    --pending_;
    return std::move(queue_.Wait(ticket).value());
  }

  const common::FileSystem& fs_;
  size_t pending_ = 0;
  // Last, so that it ends (dropping what nobody started, finishing what
  // runs) before what its jobs use.
  common::JobQueue<Found> queue_;
};

}  // namespace compare

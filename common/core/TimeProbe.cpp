// How finely a folder's file system keeps modification times.

#include <sys/stat.h>

#include "common/core/FileSystem.h"
#include "common/core/FsDetail.h"
#include "common/core/TempFile.h"

namespace common {
namespace {

using namespace fsdetail;

// The candidate precisions of a file system's times, finest first: every
// power of ten up to a second (ext4 and tmpfs keep nanoseconds, NTFS 100 ns,
// exFAT 10 ms, ext3 whole seconds), then FAT's two seconds.
constexpr int64_t kTimePrecisions[] = {1,         10,         100,         1000,      10000,
                                       100000,    1000000,    10000000,    100000000, 1000000000,
                                       2000000000};

// A probe time with a digit in every decimal place and an odd second, so
// that each coarser precision keeps less of it.
constexpr FileTime kProbeTime{1234567891, 987654321};

int64_t PrecisionFromProbe(const FileTime& kept) {
  int64_t diff = (kept.sec - kProbeTime.sec) * kNanosPerSecond + (kept.nsec - kProbeTime.nsec);
  if (diff < 0) diff = -diff;
  for (int64_t precision : kTimePrecisions)
    if (diff < precision) return precision;
  // The file system does not keep a time it is given (some network and
  // FUSE file systems put the current time): nothing can be learnt, and
  // whole seconds are assumed, as for a probe that fails.
  return kNanosPerSecond;
}

}  // namespace

FsError FileSystem::ProbeTimePrecision(const Folder& folder, ProbeNaming naming,
                                       int64_t& precision) const {
  precision = kNanosPerSecond;
  const std::string probePath = folder.PathOf(kTimeProbeName);
  TempFile probe(faults_, folder.fd_, probePath, kTimeProbeName);
  if (int e = probe.Create(naming == ProbeNaming::AnonymousOnly)) return Failed(e, FsOp::Open, probePath);

  // Both times: fusefat takes a change of the modification time alone
  // (access time UTIME_OMIT) for a change to the current time.
  struct timespec times[2];
  times[1].tv_sec = static_cast<time_t>(kProbeTime.sec);
  times[1].tv_nsec = static_cast<long>(kProbeTime.nsec);
  times[1] = StoredTimespec(faults_, probePath, times[1]);
  times[0] = times[1];
  if (int e = Fault(faults_, FsOp::SetTimes, probePath)) return Failed(e, FsOp::SetTimes, probePath);
  if (::futimens(probe.Descriptor(), times) != 0) return Failed(errno, FsOp::SetTimes, probePath);
  struct stat st;
  if (int e = probe.ReadBack(st)) return Failed(e, FsOp::Lstat, probePath);
  precision = PrecisionFromProbe(FileTime{st.st_mtim.tv_sec, st.st_mtim.tv_nsec});
  return {};  // the probe goes with TempFile: never committed
}

}  // namespace common

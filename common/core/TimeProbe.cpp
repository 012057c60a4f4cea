// How finely a folder's file system keeps modification times.

#include <sys/stat.h>

#include "common/core/FileSystem.h"
#include "common/core/FsDetail.h"
#include "common/core/TempFile.h"

namespace common {
namespace {

using namespace fsdetail;

// A probe time with a digit in every decimal place and an odd second, so
// that each coarser precision keeps less of it.
constexpr FileTime kProbeTime{1234567891, 987654321};

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
  const FileTime kept{st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
  precision = PrecisionFromProbe(kProbeTime, kept, kNanosecondTimes);
  return {};  // the probe goes with TempFile: never committed
}

}  // namespace common

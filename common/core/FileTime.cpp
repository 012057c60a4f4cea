#include "common/core/FileTime.h"

namespace common {

namespace {

// ext4 and tmpfs keep nanoseconds, NTFS 100 ns, exFAT 10 ms, ext3 whole
// seconds, FAT two seconds.
constexpr int64_t kTimePrecisions[] = {1,       10,       100,       1000,       10000,     100000,
                                       1000000, 10000000, 100000000, 1000000000, 2000000000};

}  // namespace

FileTime TruncateTime(FileTime t, int64_t precision) {
  if (precision <= 1) return t;
  if (precision < kNanosPerSecond) {
    t.nsec -= t.nsec % precision;
    return t;
  }
  int64_t seconds = precision / kNanosPerSecond;
  int64_t rest = t.sec % seconds;
  if (rest < 0) rest += seconds;  // times before 1970 round down too
  t.sec -= rest;
  t.nsec = 0;
  return t;
}

int64_t PrecisionFromProbe(const FileTime &given, const FileTime &kept, int64_t finest) {
  int64_t diff = (kept.sec - given.sec) * kNanosPerSecond + (kept.nsec - given.nsec);
  if (diff < 0) diff = -diff;
  for (int64_t precision : kTimePrecisions)
    if (precision >= finest && diff < precision) return precision;
  // The file system does not keep a time it is given (some network and
  // FUSE file systems put the current time): nothing can be learnt, and
  // whole seconds are assumed, as for a probe that fails.
  return kNanosPerSecond;
}

}  // namespace common

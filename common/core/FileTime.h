#pragma once
// Modification times as the file-system layer gives and sets them.

#include <compare>
#include <cstdint>

namespace common {

struct FileTime {
  int64_t sec = 0;
  int64_t nsec = 0;
  auto operator<=>(const FileTime&) const = default;
};

// Nanoseconds in a second, and the precision of a file system that keeps
// modification times to the nanosecond.
inline constexpr int64_t kNanosPerSecond = 1000000000;
inline constexpr int64_t kNanosecondTimes = 1;

// t rounded down to a multiple of precision nanoseconds (1 leaves it as it
// is). precision is a power of ten up to one second, or whole seconds.
FileTime TruncateTime(FileTime t, int64_t precision);

// How finely a file system keeps times, learnt from a probe file that was
// given the time given and kept the time kept: the finest candidate, from
// finest up (every power of ten up to a second, then FAT's two seconds),
// that the difference stays below.
int64_t PrecisionFromProbe(const FileTime &given, const FileTime &kept, int64_t finest);

}  // namespace common

#include "common/core/FileTime.h"

namespace common {

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

}  // namespace common

#include "common/core/FsError.h"

#include <array>

namespace common {

const char* FsOpName(FsOp op) {
  // In the order of FsOp.
  static constexpr std::array<const char*, static_cast<size_t>(FsOp::Count)> kNames = {
      "list",   "lstat",  "open",  "read",  "write",    "chmod",   "settimes",
      "rename", "unlink", "mkdir", "rmdir", "readlink", "symlink", "chown"};
  const auto i = static_cast<size_t>(op);
  return i < kNames.size() ? kNames[i] : "?";
}

}  // namespace common

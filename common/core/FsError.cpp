#include "common/core/FsError.h"

namespace common {

const char* FsOpName(FsOp op) {
  switch (op) {
    case FsOp::List: return "list";
    case FsOp::Lstat: return "lstat";
    case FsOp::Open: return "open";
    case FsOp::Read: return "read";
    case FsOp::Write: return "write";
    case FsOp::Chmod: return "chmod";
    case FsOp::SetTimes: return "settimes";
    case FsOp::Rename: return "rename";
    case FsOp::Unlink: return "unlink";
    case FsOp::Mkdir: return "mkdir";
    case FsOp::Rmdir: return "rmdir";
    case FsOp::ReadLink: return "readlink";
    case FsOp::Symlink: return "symlink";
    case FsOp::Chown: return "chown";
    case FsOp::Count: break;
  }
  return "?";
}

}  // namespace common

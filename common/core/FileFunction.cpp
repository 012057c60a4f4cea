#include "common/core/FileFunction.h"

#include <sys/stat.h>

#include <cerrno>

namespace common {

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == kPathSeparator) return folder + name;
  std::string out;
  out.reserve(folder.size() + 1 + name.size());
  out += folder;
  out += kPathSeparator;
  out += name;
  return out;
}

std::string GetFileName(const std::string& path) {
  const size_t sep = path.rfind(kPathSeparator);
  if (sep == std::string::npos) return path;
  return path.substr(sep + 1);
}

std::string GetParentPath(const std::string& path) {
  const size_t sep = path.rfind(kPathSeparator);
  if (sep == std::string::npos) return {};
  return path.substr(0, sep);
}

bool DirExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode);
}

int MakeDirTree(const std::string& path) {
  // The empty path is where a relative chain ends: the current folder.
  if (path.empty()) return 0;
  if (DirExists(path)) return 0;

  std::string parent = GetParentPath(path);
  // "/a" has the parent "", but its chain ends at the root, not at the
  // current folder.
  if (parent.empty() && path.front() == kPathSeparator) parent = std::string(1, kPathSeparator);
  // The root itself, when it cannot be read as a folder: nothing to climb to.
  if (parent == path) return ENOENT;

  int r = MakeDirTree(parent);
  if (r != 0) return r;

  if (mkdir(path.c_str(), 0777) == 0) return 0;
  const int err = errno;
  // A path with a trailing separator names a folder its parent step has
  // just created, and another program may create it meanwhile: a folder
  // that is there now counts as success.
  if (err == EEXIST && DirExists(path)) return 0;
  return err;
}

std::string QuotePath(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size() + 2);
  out += '"';
  for (unsigned char c : path) {
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 0x0F];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace common

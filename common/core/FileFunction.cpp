#include "common/core/FileFunction.h"

#include "common/core/FileSystem.h"
#include "common/core/FsShared.h"

namespace common {

std::string JoinPath(const std::string& folder, const std::string& name) {
  return fsshared::JoinName(folder, name, kPathSeparator);
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

// Both go through the file-system layer, like every disk access of the
// programs.
bool DirExists(const std::string& path) {
  if (path.empty()) return false;
  EntryInfo info;
  return !FileSystem().Stat(path, info, LinkPolicy::Follow) && info.kind == EntryKind::Directory;
}

int MakeDirTree(const std::string& path) { return FileSystem().MakeFolderTree(path).number; }

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

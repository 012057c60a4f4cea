#pragma once
// Folder handles and folder identity.

#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// An open folder: the descriptor that the fd-relative operations below work
// from, so that a folder swapped for a link after it was opened is never
// followed, and paths longer than PATH_MAX still work. Its full path only
// names it in fault checks and error lines. Closed when destroyed.
class Folder {
 public:
  Folder() = default;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&& other) noexcept;
  ~Folder();

  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }
  // The full path of an entry of this folder.
  std::string PathOf(std::string_view name) const;
  void Close();

 private:
  friend class FileSystem;
  int fd_ = -1;
  std::string path_;
  // Read by a listing since it was opened: the next listing rewinds first.
  // A walk lists most folders once, and spares the seek.
  mutable bool listed_ = false;
};

// Which folder a handle or a name really is, whatever path led to it: the
// device of its file system and its inode (equal for every name of one
// folder, bind mounts included), and the mount it was reached through (a
// bind mount of a folder of the same file system has the same device but
// its own mount; 0 where the kernel does not tell).
struct FolderId {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t mount = 0;

  bool Known() const { return inode != 0; }
  bool SameFolder(const FolderId& other) const {
    return Known() && device == other.device && inode == other.inode;
  }
  // False only when both are known and lie on different mounts.
  bool SameMount(const FolderId& other) const {
    if (!Known() || !other.Known()) return true;
    if (device != other.device) return false;
    return mount == 0 || other.mount == 0 || mount == other.mount;
  }
};

}  // namespace common

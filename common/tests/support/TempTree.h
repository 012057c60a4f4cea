#pragma once
// A real folder tree in a fresh temporary directory, removed (read-only
// folders included) when the object goes away. Paths given to its members are
// relative to the root.

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>

namespace testsupport {

class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& Root() const { return root_; }
  std::string Path(const std::string& rel) const;  // Root() + "/" + rel; Root() for ""

  void MakeDir(const std::string& rel);  // with missing parents
  // Writes the file (parents created); mtimeSec >= 0 also sets its time.
  void WriteFile(const std::string& rel, const std::string& content, int64_t mtimeSec = -1,
                 int64_t mtimeNsec = 0);
  // Writes each {path, content} pair, all with the same time.
  void WriteFiles(std::initializer_list<std::pair<std::string, std::string>> files, int64_t mtimeSec = -1) {
    for (const auto& [rel, content] : files) WriteFile(rel, content, mtimeSec);
  }
  void SetMtime(const std::string& rel, int64_t sec, int64_t nsec = 0);  // does not follow links
  void Symlink(const std::string& rel, const std::string& target);
  // A link at rel to the tree's folder target, as the system's own tools
  // make one: a symbolic link on Linux, a junction on Windows. False where
  // the system cannot make it.
  bool FolderLink(const std::string& rel, const std::string& target);
  // An entry the programs list with the files but never open or enter: a
  // FIFO on Linux, on Windows a junction to the tree's root (followed, it
  // would loop). False where the system cannot make one.
  bool MakeSpecial(const std::string& rel);
  // Why FolderLink and MakeSpecial can fail: Wine 8 answers the junction's
  // FSCTL_SET_REPARSE_POINT with ERROR_NOT_SUPPORTED.
  static constexpr const char* kNoLinkWhy = "no junctions here (Wine 8 cannot make them)";
  void Chmod(const std::string& rel, unsigned mode);
  void Remove(const std::string& rel);  // file, link or whole folder

  bool Exists(const std::string& rel) const;  // lstat
  std::string ReadFile(const std::string& rel) const;
  unsigned Mode(const std::string& rel) const;  // permission bits
  int64_t MtimeNsec(const std::string& rel) const;  // total nanoseconds since the epoch

  // Every entry below rel (default: the root), as "path -> description":
  // kind, permission bits, content (files) or target (links), and mtime when
  // withTimes. Two trees with equal snapshots are equal.
  std::map<std::string, std::string> Snapshot(const std::string& rel = "", bool withTimes = true) const;

 private:
  std::string root_;
};

// Removes a whole tree, making folders writable first. Never follows links.
void RemoveTree(const std::string& path);

}  // namespace testsupport

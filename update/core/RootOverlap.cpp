#include "update/core/RootOverlap.h"

#include <optional>
#include <vector>

#include "common/core/FileFunction.h"
#include "common/core/NameKey.h"

namespace update {
namespace {

using common::EntryInfo;
using common::FolderId;
using common::FsError;
using common::LinkPolicy;

constexpr char kSep = common::kPathSeparator;

// How much of an absolute path is its root: "/" on Linux; "C:\" or
// "\\server\share\" on Windows.
size_t RootLength(const std::string& path) {
#ifdef _WIN32
  if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && path[2] == kSep ? 3 : 2;
  if (path.rfind("\\\\", 0) == 0) {
    size_t server = path.find(kSep, 2);
    size_t share = server == std::string::npos ? server : path.find(kSep, server + 1);
    return share == std::string::npos ? path.size() : share + 1;
  }
#endif
  return !path.empty() && path[0] == kSep ? 1 : 0;
}

// "." and ".." and doubled separators collapsed, textually. Only used on the
// part of a path below its nearest existing folder, where no link can hide.
std::string CollapseDots(const std::string& path) {
  size_t rootLength = RootLength(path);
  std::vector<std::string> parts;
  size_t i = rootLength;
  while (i <= path.size()) {
    size_t j = path.find(kSep, i);
    if (j == std::string::npos) j = path.size();
    std::string part = path.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    i = j + 1;
  }
  std::string out = rootLength > 0 ? path.substr(0, rootLength) : std::string(1, kSep);
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k > 0 || out.back() != kSep) out += kSep;
    out += parts[k];
  }
  return out;
}

// The real location a root stands for (path): its real path when it exists;
// otherwise the real path of its nearest existing parent (existing)
// followed by the rest.
struct ResolvedRoot {
  std::string path;
  std::string existing;
  bool Exists() const { return path == existing; }
};

std::optional<ResolvedRoot> ResolveRoot(const common::FileSystem& fs, const std::string& path) {
  std::string head = path.empty() ? "." : path;
  std::string rest;
  for (;;) {
    while (head.size() > 1 && head.size() > RootLength(head) && head.back() == kSep) head.pop_back();
    std::string resolved;
    if (!fs.RealPath(head, resolved)) return ResolvedRoot{CollapseDots(resolved + rest), resolved};
    if (head == "." || (!head.empty() && head.size() == RootLength(head))) return std::nullopt;
    size_t slash = head.rfind(kSep);
    if (slash == std::string::npos) {
      rest.insert(0, head);
      rest.insert(0, 1, kSep);
      head.assign(1, '.');  // assigned from a literal, GCC 12 sees a false overlap (-Wrestrict)
    } else {
      rest.insert(0, head, slash);
      head = slash < RootLength(head) ? head.substr(0, RootLength(head)) : head.substr(0, slash);
    }
  }
}

bool IsInside(const std::string& inner, const std::string& outer) {
  if (inner.size() <= outer.size()) return false;
#ifdef _WIN32
  // Windows paths name the same folder in any letter case.
  if (common::CompareNames(inner.substr(0, outer.size()), outer) != 0) return false;
#else
  if (inner.compare(0, outer.size(), outer) != 0) return false;
#endif
  return outer.back() == kSep || inner[outer.size()] == kSep;
}

bool InChain(const std::vector<FolderId>& chain, const FolderId& id) {
  for (const FolderId& c : chain)
    if (c.SameFolder(id)) return true;
  return false;
}

}  // namespace

bool RootsOverlap(const common::FileSystem& fs, const std::string& origen, const std::string& destino,
                  RootIds& ids) {
  std::optional<ResolvedRoot> a = ResolveRoot(fs, origen);
  std::optional<ResolvedRoot> b = ResolveRoot(fs, destino);
  if (!a || !b) return false;
  // As spelled: this alone sees a missing copy that would be made inside
  // the source.
  if (a->path == b->path || IsInside(a->path, b->path) || IsInside(b->path, a->path)) return true;
  // By identity, through every name a folder may have (bind mounts, links
  // the resolution above could not see): each folder above a root is
  // reached by ".." from the root itself. A missing source lists nothing.
  if (!a->Exists()) return false;
  std::vector<FolderId> source = fs.FolderChain(a->existing);
  std::vector<FolderId> copy = fs.FolderChain(b->existing);
  if (source.empty() || copy.empty()) return false;
  ids.source = source[0];
  ids.copyTarget = copy[0];
  // The source is the copy or a folder above it (or above where a missing
  // copy would be made); the copy is the source or a folder above it.
  return InChain(copy, source[0]) || (b->Exists() && InChain(source, copy[0]));
}

FsError MakeCopyRoot(const common::FileSystem& fs, const std::string& origen, const std::string& destino) {
  // The folders above the copy stand for nothing in the source: they are
  // made as "mkdir -p" makes them. The copy's root is the source root's
  // copy, made like every folder the walk creates, so that a private source
  // is never copied into a folder that others may read. What fails shows
  // up when the destination is listed, as the creation that failed.
  std::string root = destino;
  while (root.size() > 1 && root.back() == common::kPathSeparator) root.pop_back();
  EntryInfo source;
  if (common::DirExists(root) ||
      fs.Stat(origen, source, LinkPolicy::Follow) || source.kind != common::EntryKind::Directory)
    return fs.MakeFolderTree(destino);
  FsError e = fs.MakeFolderTree(common::GetParentPath(root));
  if (!e) e = fs.MakeFolder(root, source);
  return e;
}

}  // namespace update

#include "update/core/RootOverlap.h"

#include <optional>
#include <vector>

#include "common/core/FileFunction.h"

namespace update {
namespace {

using common::EntryInfo;
using common::FolderId;
using common::FsError;
using common::LinkPolicy;

// "." and ".." and doubled separators collapsed, textually. Only used on the
// part of a path below its nearest existing folder, where no link can hide.
std::string CollapseDots(const std::string& path) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    std::string part = path.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    i = j + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
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
    while (head.size() > 1 && head.back() == '/') head.pop_back();
    std::string resolved;
    if (!fs.RealPath(head, resolved)) return ResolvedRoot{CollapseDots(resolved + rest), resolved};
    if (head == "/" || head == ".") return std::nullopt;
    size_t slash = head.rfind('/');
    if (slash == std::string::npos) {
      rest = "/" + head + rest;
      head = ".";
    } else {
      rest = head.substr(slash) + rest;
      head = slash == 0 ? "/" : head.substr(0, slash);
    }
  }
}

bool IsInside(const std::string& inner, const std::string& outer) {
  if (outer == "/") return true;
  return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
         inner[outer.size()] == '/';
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

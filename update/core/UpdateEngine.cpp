#include "update/core/UpdateEngine.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "common/core/FileFunction.h"
#include "common/core/NameMerge.h"
#include "common/core/RunStatus.h"

namespace update {
namespace {

using common::EntryInfo;
using common::FolderListing;
using common::FsError;
using common::LinkPolicy;
using common::ListDetail;

// Restores the view when the run ends, also when DebugStop leaves it.
class ViewCloser {
 public:
  explicit ViewCloser(common::ProgressView& view) : view_(view) {}
  ~ViewCloser() { view_.Close(); }
  ViewCloser(const ViewCloser&) = delete;
  ViewCloser& operator=(const ViewCloser&) = delete;

 private:
  common::ProgressView& view_;
};

// A destination folder that is simply not there, as opposed to one that
// exists but cannot be read. Below the root, a file or link in its place
// counts too: the scan has just decided to delete it.
bool IsMissing(const FsError& e, LinkPolicy links) {
  if (e.number == ENOENT) return true;
  return links == LinkPolicy::NoFollow && (e.number == ENOTDIR || e.number == ELOOP);
}

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

// The real location a root stands for: realpath when it exists; otherwise
// the realpath of its nearest existing parent followed by the rest.
std::optional<std::string> ResolveRoot(const std::string& path) {
  std::string head = path.empty() ? "." : path;
  std::string rest;
  for (;;) {
    while (head.size() > 1 && head.back() == '/') head.pop_back();
    if (char* real = realpath(head.c_str(), nullptr)) {
      std::string resolved = real;
      std::free(real);
      return CollapseDots(resolved + rest);
    }
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

}  // namespace

UpdateEngine::UpdateEngine(const Options& options, ErrorList& errorList,
                           const common::FileSystem& fs, common::ProgressView& view,
                           const common::Clock& clock)
    : options_(options), errorList_(errorList), fs_(fs), view_(view), clock_(clock) {}

void UpdateEngine::Cancel() {
  if (Cancelled) return;
  errorList_.AddError("*Cancelado por el usuario");
  view_.DisableCancel();
  Cancelled = true;
}

void UpdateEngine::Update(std::string origen, std::string destino) {
  Cancelled = false;
  FilesDone = 0;
  FilesTotal = 0;
  copiedAny_ = false;
  view_.Open([this] { Cancel(); });
  ViewCloser closer(view_);
  view_.SetBar(0);
  view_.SetFileLabel("");
  view_.SetPathLabel("Preparando para actualizar...");
  view_.ProcessEvents();

  if (options_.ExpandVars) {
    origen = ExpandPercentMacros(std::move(origen), clock_);
    destino = ExpandPercentMacros(std::move(destino), clock_);
  }

  // A copy inside its source would grow without end, and a source inside
  // its copy would be deleted as something the source lacks.
  if (FoldersOverlap(origen, destino)) {
    errorList_.AddFailureNote("Origen y destino se solapan: " + common::QuotePath(origen) + " " +
                              common::QuotePath(destino));
    return;
  }

  FilesTotal = CountFiles(origen, LinkPolicy::Follow);
  if (Cancelled) return;
  view_.SetFileLabel("");
  view_.ProcessEvents();
  // /test changes nothing, not even the destination chain.
  if (options_.CreateTarget && !options_.TestMode) common::MakeDirTree(destino);
  SyncFolder(origen, destino, LinkPolicy::Follow);

  // Copies are not flushed one by one (that would cost several times the
  // copy of a small file); the whole destination is written to disk once,
  // before the run reports, so a finished run survives a power loss.
  if (copiedAny_) {
    if (FsError e = fs_.Flush(destino)) Fail(e, "sync " + common::QuotePath(destino));
  }
}

bool UpdateEngine::FoldersOverlap(const std::string& origen, const std::string& destino) {
  std::optional<std::string> a = ResolveRoot(origen);
  std::optional<std::string> b = ResolveRoot(destino);
  if (!a || !b) return false;
  return *a == *b || IsInside(*a, *b) || IsInside(*b, *a);
}

int64_t UpdateEngine::CountFiles(const std::string& folder, LinkPolicy links) {
  FolderListing listing;
  // A folder that cannot be listed counts as empty here; the scan reports it.
  if (fs_.ListFolder(folder, listing, ListDetail::NamesAndKinds, links)) return 0;
  int64_t n = static_cast<int64_t>(listing.files.size());
  for (const EntryInfo& sub : listing.folders) {
    n += CountFiles(common::JoinPath(folder, sub.name), LinkPolicy::NoFollow);
    if (Cancelled) break;
  }
  view_.ProcessEvents();
  return n;
}

bool UpdateEngine::IsNewer(const EntryInfo& source, const EntryInfo& copy) {
  // Strictly later, to the nanosecond, with no tolerance: the copy's time
  // was set from the source's by the previous run.
  return source.mtime > copy.mtime;
}

void UpdateEngine::SyncFolder(const std::string& source, const std::string& copy,
                              LinkPolicy links) {
  view_.SetPathLabel("Comparando " + common::GetFileName(source));
  view_.ProcessEvents();

  // A source folder that cannot be listed is never taken for an empty one:
  // the copy's entries would all be deleted.
  FolderListing a;
  if (FsError e = fs_.ListFolder(source, a, ListDetail::Full, links)) {
    errorList_.AddError("list " + common::QuotePath(source), e);
    return;
  }
  // A missing destination is empty when nothing will be created in it (so
  // /test lists every creation that would follow); otherwise the pair is skipped.
  FolderListing b;
  if (FsError e = fs_.ListFolder(copy, b, ListDetail::Full, links)) {
    bool nothingCreated = options_.TestMode || (options_.ExecOps & OpCreate) == 0;
    if (!(IsMissing(e, links) && nothingCreated)) {
      errorList_.AddError("list " + common::QuotePath(copy), e);
      return;
    }
    b = FolderListing();
  }

  // Files, in merged name order: updates, creations and deletions interleaved.
  common::MergeByName(a.files, b.files, [&](int i, int j) {
    if (i >= 0 && j >= 0) {
      const EntryInfo& s = a.files[i];
      if (IsNewer(s, b.files[j])) {
        // The copy keeps the letter case of its own name.
        UpdateFile(common::JoinPath(source, s.name), common::JoinPath(copy, b.files[j].name), s);
        if (Cancelled) return false;
      } else {
        ClearFileLabel();
      }
      ++FilesDone;
      ShowProgress();
    } else if (i >= 0) {
      const EntryInfo& s = a.files[i];
      CreateNewFile(common::JoinPath(source, s.name), common::JoinPath(copy, s.name), s);
      if (Cancelled) return false;
      ++FilesDone;
      ShowProgress();
    } else {
      RemoveFile(common::JoinPath(copy, b.files[j].name));
    }
    return !Cancelled;
  });
  if (Cancelled) return;
  std::vector<EntryInfo>().swap(a.files);
  std::vector<EntryInfo>().swap(b.files);

  // Then the subfolders: creations and deletions in name order. A matched
  // folder is entered under the copy's own name, which may differ in case.
  std::vector<int> copyIndex(a.folders.size(), -1);
  common::MergeByName(a.folders, b.folders, [&](int i, int j) {
    if (i >= 0 && j >= 0) {
      copyIndex[i] = j;
    } else if (i >= 0) {
      CreateDir(common::JoinPath(copy, a.folders[i].name));
    } else {
      RemoveDirTree(common::JoinPath(copy, b.folders[j].name), b.folders[j]);
    }
    return !Cancelled;
  });
  if (Cancelled) return;

  for (size_t i = 0; i < a.folders.size(); ++i) {
    const std::string& copyName = copyIndex[i] >= 0 ? b.folders[copyIndex[i]].name
                                                    : a.folders[i].name;
    SyncFolder(common::JoinPath(source, a.folders[i].name), common::JoinPath(copy, copyName),
               LinkPolicy::NoFollow);
    if (Cancelled) return;
  }
  view_.ProcessEvents();
}

void UpdateEngine::Trace(int32_t op, const char* keyword, const std::string& first,
                         const std::string* second) {
  // The text is only built when /log asks for it.
  if ((options_.LogOps & op) == 0) return;
  std::string text = keyword;
  text += ' ';
  text += common::QuotePath(first);
  if (second) {
    text += ' ';
    text += common::QuotePath(*second);
  }
  errorList_.LogOperation(op, text, options_.LogOps);
}

void UpdateEngine::Fail(const FsError& failure, const std::string& context) {
  if (options_.DebugMode) throw common::DebugStop(failure.number, failure.Description());
  errorList_.AddError(context, failure);
}

void UpdateEngine::CopyGuarded(const std::string& source, const EntryInfo& sourceInfo,
                               const std::string& copy) {
  // The copy lands under a temporary name and is renamed over the old one
  // only with its content, permission bits and time in place, so a failure
  // (or a cancel) leaves the old copy exactly as it was. The old copy need
  // not be made writable first: the rename replaces it. The bits are set
  // before the rename, so their failure is a failure of the copy.
  if (FsError e = fs_.CopyFile(source, sourceInfo, copy)) {
    Fail(e, "copy " + common::QuotePath(source) + " " + common::QuotePath(copy));
    return;
  }
  copiedAny_ = true;
}

void UpdateEngine::UpdateFile(const std::string& source, const std::string& copy,
                              const EntryInfo& sourceInfo) {
  view_.SetFileLabel(sourceInfo.name);
  view_.ProcessEvents();
  if ((options_.ExecOps & OpUpdate) == 0) return;
  Trace(OpUpdate, "update", source, &copy);
  if (options_.TestMode) return;
  CopyGuarded(source, sourceInfo, copy);
  view_.ProcessEvents();
}

void UpdateEngine::CreateNewFile(const std::string& source, const std::string& copy,
                                 const EntryInfo& sourceInfo) {
  view_.SetFileLabel(sourceInfo.name);
  view_.ProcessEvents();
  if ((options_.ExecOps & OpCreate) == 0) return;
  Trace(OpCreate, "create", source, &copy);
  if (options_.TestMode) return;
  CopyGuarded(source, sourceInfo, copy);
  view_.ProcessEvents();
}

void UpdateEngine::CreateDir(const std::string& folder) {
  ClearFileLabel();
  view_.ProcessEvents();
  if ((options_.ExecOps & OpCreate) == 0) return;
  Trace(OpCreate, "createdir", folder);
  if (options_.TestMode) return;
  if (FsError e = fs_.MakeFolder(folder)) Fail(e, "mkdir " + common::QuotePath(folder));
}

void UpdateEngine::RemoveFile(const std::string& file) {
  ClearFileLabel();
  view_.ProcessEvents();
  if ((options_.ExecOps & OpDelete) == 0) return;
  Trace(OpDelete, "delete", file);
  if (options_.TestMode) return;
  // Deleting needs no permission on the file itself here, so a read-only
  // file is not touched before: a failed deletion leaves it as it was.
  if (FsError e = fs_.RemoveFile(file)) Fail(e, "del " + common::QuotePath(file));
}

void UpdateEngine::RemoveDirTree(const std::string& folder, const EntryInfo& folderInfo) {
  ClearFileLabel();
  view_.ProcessEvents();
  if ((options_.ExecOps & OpDelete) == 0) return;
  Trace(OpDelete, "deletedir", folder);
  if (options_.TestMode) return;

  // Deleting inside a folder needs write and search permission on it. A
  // failure here shows up as the failures of the steps below.
  if ((folderInfo.mode & 0700) != 0700) fs_.SetMode(folder, (folderInfo.mode & 07777) | 0700);

  // Listed without following a link: a folder replaced by a link fails here
  // and nothing it points to is touched. A folder whose contents are unknown
  // has nothing of it deleted.
  FolderListing inside;
  if (FsError e = fs_.ListFolder(folder, inside, ListDetail::Full, LinkPolicy::NoFollow)) {
    Fail(e, "rmdir " + common::QuotePath(folder));
    view_.ProcessEvents();
    return;
  }

  // Under /debug a failure inside the tree does not end the run here: the
  // removal goes on, and the first such failure ends it if the folder stays.
  std::optional<common::DebugStop> inner;
  auto guarded = [&](auto&& step) {
    if (!options_.DebugMode) return step();
    try {
      step();
    } catch (const common::DebugStop& stop) {
      if (!inner) inner = stop;
    }
  };
  for (const EntryInfo& file : inside.files) {
    guarded([&] { RemoveFile(common::JoinPath(folder, file.name)); });
    if (Cancelled) return;
  }
  for (const EntryInfo& sub : inside.folders) {
    guarded([&] { RemoveDirTree(common::JoinPath(folder, sub.name), sub); });
    if (Cancelled) return;
  }

  if (FsError e = fs_.RemoveFolder(folder)) {
    if (inner) throw *inner;
    Fail(e, "rmdir " + common::QuotePath(folder));
  }
  view_.ProcessEvents();
}

void UpdateEngine::ClearFileLabel() { view_.SetFileLabel(""); }

void UpdateEngine::ShowProgress() {
  // A source that gained files after the count (or whose count failed)
  // would give more than 100 or a division by 0: the bar then shows 100.
  float percent = 100.0f;
  if (FilesTotal > 0 && FilesDone <= FilesTotal) {
    percent = static_cast<float>(FilesDone) / static_cast<float>(FilesTotal) * 100.0f;
    if (percent < 0.0f) percent = 0.0f;
    if (percent > 100.0f) percent = 100.0f;
  }
  view_.SetBar(percent);
  view_.ProcessEvents();
}

}  // namespace update

#include "compare/core/CompareEngine.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "common/core/FileFunction.h"
#include "common/core/NameMerge.h"
#include "common/core/RunStatus.h"

namespace compare {

using common::EntryInfo;
using common::EntryKind;
using common::FsError;
using common::LinkPolicy;

namespace {

// FIFOs, sockets and devices are never opened (a FIFO would block, a tape
// could rewind), so comparing one is a failure of its own kind.
constexpr int kSpecialFileError = ENOTSUP;

std::string PairContext(const std::string& origin, const std::string& copy) {
  return "compare " + common::QuotePath(origin) + " " + common::QuotePath(copy);
}

std::string PairLine(const char* prefix, const std::string& origin, const std::string& copy) {
  return prefix + common::QuotePath(origin) + ", " + common::QuotePath(copy);
}

std::string PathLine(const char* prefix, const std::string& path) {
  return prefix + common::QuotePath(path);
}

// A temporary file of an interrupted copy by update is no part of either
// tree: the next run of update removes it, so it is no difference.
void DropTemporaryNames(std::vector<EntryInfo>& files) {
  std::erase_if(files, [](const EntryInfo& f) { return common::FileSystem::IsTemporaryName(f.name); });
}

// Closes the view however the run ends, a DebugStop included.
class ViewCloser {
 public:
  explicit ViewCloser(common::ProgressView& view) : view_(view) {}
  ~ViewCloser() { view_.Close(); }
  ViewCloser(const ViewCloser&) = delete;
  ViewCloser& operator=(const ViewCloser&) = delete;

 private:
  common::ProgressView& view_;
};

}  // namespace

CompareEngine::CompareEngine(const Options& options, ErrorList& errorList,
                             const common::FileSystem& fs, common::ProgressView& view)
    : options_(options), errorList_(errorList), fs_(fs), view_(view) {}

CompareEngine::~CompareEngine() = default;

void CompareEngine::Compare(const std::string& origen, const std::string& destino, bool quick) {
  cancelled_ = false;
  filesDone_ = 0;
  filesTotal_ = 0;
  view_.Open([this] { Cancel(); });
  ViewCloser closer(view_);
  view_.SetBar(0);
  view_.SetFileLabel("");
  view_.SetPathLabel("Preparando para comparar...");
  view_.ProcessEvents();

  filesTotal_ = CountFiles(origen, LinkPolicy::Follow);
  if (cancelled_) return;

  view_.SetFileLabel("");
  view_.ProcessEvents();
  CompareFolders(origen, destino, quick ? CompareMode::Quick : CompareMode::Full, LinkPolicy::Follow);
}

void CompareEngine::Cancel() {
  if (cancelled_) return;
  errorList_.AddError("*Cancelado por el usuario", FsError{});
  view_.DisableCancel();
  cancelled_ = true;
}

int64_t CompareEngine::CountFiles(const std::string& folder, LinkPolicy links) {
  common::FolderListing listing;
  int64_t n = 0;
  if (!fs_.ListFolder(folder, listing, common::ListDetail::NamesAndKinds, links)) {
    DropTemporaryNames(listing.files);
    n = static_cast<int64_t>(listing.files.size());
    listing.files = {};
    for (const EntryInfo& sub : listing.folders) {
      n += CountFiles(common::JoinPath(folder, sub.name));
      if (cancelled_) break;
    }
  }
  view_.ProcessEvents();
  return n;
}

void CompareEngine::CompareFolders(const std::string& s, const std::string& d, CompareMode mode,
                                   LinkPolicy links) {
  view_.SetPathLabel("Comparando " + common::GetFileName(s));
  view_.ProcessEvents();

  // A folder that cannot be listed is never taken for an empty one: one
  // error line, and nothing is said about its contents.
  common::FolderListing listS, listD;
  FsError errS = fs_.ListFolder(s, listS, common::ListDetail::Full, links);
  if (errS) Failure(errS, "list " + common::QuotePath(s));
  FsError errD = fs_.ListFolder(d, listD, common::ListDetail::Full, links);
  if (errD) Failure(errD, "list " + common::QuotePath(d));
  if (errS || errD) return;
  DropTemporaryNames(listS.files);
  DropTemporaryNames(listD.files);

  bool go = common::MergeByName(listS.files, listD.files, [&](int i, int j) {
    if (i >= 0 && j >= 0) {
      const EntryInfo& a = listS.files[static_cast<size_t>(i)];
      const EntryInfo& b = listD.files[static_cast<size_t>(j)];
      std::string pathS = common::JoinPath(s, a.name);
      std::string pathD = common::JoinPath(d, b.name);
      FileResult r = CompareFiles(pathS, a, pathD, b, mode);
      if (r == FileResult::SizeDiffers)
        errorList_.AddDifference(PairLine("Diferente tamaño: ", pathS, pathD));
      else if (r == FileResult::ContentDiffers)
        errorList_.AddDifference(PairLine("Diferente contenido: ", pathS, pathD));
      ++filesDone_;
      ShowProgress(filesDone_);
    } else if (i >= 0) {
      const EntryInfo& a = listS.files[static_cast<size_t>(i)];
      errorList_.AddDifference(PathLine("Falta archivo de destino: ", common::JoinPath(d, a.name)));
      ++filesDone_;
      ShowProgress(filesDone_);
    } else {
      const EntryInfo& b = listD.files[static_cast<size_t>(j)];
      errorList_.AddDifference(PathLine("Falta archivo de origen: ", common::JoinPath(s, b.name)));
      view_.ProcessEvents();
    }
    return !cancelled_;
  });
  if (!go) return;
  // The file lists are done with; only the folder lists live on while the
  // subfolders are compared.
  listS.files = {};
  listD.files = {};

  // No events are processed between two one-sided folder lines, so a cancel
  // can only be seen after a subfolder's walk, and a tail of missing folders
  // is always reported whole.
  go = common::MergeByName(listS.folders, listD.folders, [&](int i, int j) {
    if (i >= 0 && j >= 0) {
      CompareFolders(common::JoinPath(s, listS.folders[static_cast<size_t>(i)].name),
                     common::JoinPath(d, listD.folders[static_cast<size_t>(j)].name), mode);
    } else if (i >= 0) {
      errorList_.AddDifference(PathLine("Falta carpeta de destino: ",
                                        common::JoinPath(d, listS.folders[static_cast<size_t>(i)].name)));
    } else {
      errorList_.AddDifference(PathLine("Falta carpeta de origen: ",
                                        common::JoinPath(s, listD.folders[static_cast<size_t>(j)].name)));
    }
    return !cancelled_;
  });
  if (go) view_.ProcessEvents();
}

void CompareEngine::ShowProgress(int64_t count) {
  // Files that appeared after the count would push the bar past its end or
  // divide by zero: the bar then simply stands full.
  float p = 100.0f;
  if (filesTotal_ > 0) p = static_cast<float>(static_cast<double>(count) / static_cast<double>(filesTotal_) * 100.0);
  if (p < 0.0f) p = 0.0f;
  if (p > 100.0f) p = 100.0f;
  if (std::fabs(p - view_.Bar()) < 0.1f) return;
  view_.SetBar(p);
  view_.ProcessEvents();
}

FileResult CompareEngine::CompareFiles(const std::string& origin, const EntryInfo& originInfo,
                                       const std::string& copy, const EntryInfo& copyInfo,
                                       CompareMode mode) {
  if (originInfo.kind == EntryKind::Special || copyInfo.kind == EntryKind::Special) {
    Failure(FsError{kSpecialFileError}, PairContext(origin, copy));
    return FileResult::Same;
  }
  if (originInfo.size != copyInfo.size) return FileResult::SizeDiffers;
  // A link against a regular file of the same size: the entries are plainly
  // not the same, and the listing already says so without reading anything.
  if (originInfo.kind != copyInfo.kind) return FileResult::ContentDiffers;
  if (mode == CompareMode::Quick) return FileResult::Same;
  if (originInfo.kind == EntryKind::Symlink) return CompareLinks(origin, copy, PairContext(origin, copy));
  if (originInfo.size == 0) return FileResult::Same;
  return CompareContent(origin, copy, PairContext(origin, copy));
}

int64_t CompareEngine::GetFileLength(const std::string& path) const {
  EntryInfo info;
  if (fs_.Stat(path, info)) return 0;
  return info.size;
}

FileResult CompareEngine::CompareLinks(const std::string& origin, const std::string& copy,
                                       const std::string& context) {
  std::string targetS, targetD;
  FsError err = fs_.ReadLink(origin, targetS);
  if (!err) err = fs_.ReadLink(copy, targetD);
  if (err) {
    Failure(err, context);
    return FileResult::Same;
  }
  if (targetS.size() != targetD.size()) return FileResult::SizeDiffers;
  return targetS == targetD ? FileResult::Same : FileResult::ContentDiffers;
}

bool CompareEngine::EnsureBuffers() {
  if (!originBlock_) originBlock_.reset(new (std::nothrow) unsigned char[kBlockSize]);
  if (!copyBlock_) copyBlock_.reset(new (std::nothrow) unsigned char[kBlockSize]);
  return originBlock_ && copyBlock_;
}

FileResult CompareEngine::CompareContent(const std::string& origin, const std::string& copy,
                                         const std::string& context) {
  if (!EnsureBuffers()) {
    Failure(FsError{ENOMEM}, context);
    return FileResult::Same;
  }
  common::ReadFile fileS, fileD;
  FsError err = fs_.OpenRead(origin, fileS);
  if (!err) err = fs_.OpenRead(copy, fileD);
  if (err) {
    Failure(err, context);
    return FileResult::Same;
  }
  // The files may have changed since they were listed; what is open now is
  // what gets compared.
  if (fileS.Size() != fileD.Size()) return FileResult::SizeDiffers;

  int64_t remaining = fileS.Size();
  while (remaining > 0) {
    size_t want = remaining < static_cast<int64_t>(kBlockSize) ? static_cast<size_t>(remaining) : kBlockSize;
    size_t gotS = 0, gotD = 0;
    err = fileS.Read(originBlock_.get(), want, gotS);
    if (!err) err = fileD.Read(copyBlock_.get(), want, gotD);
    if (err) {
      Failure(err, context);
      return FileResult::Same;
    }
    if (gotS != gotD || std::memcmp(originBlock_.get(), copyBlock_.get(), gotS) != 0)
      return FileResult::ContentDiffers;
    if (gotS < want) break;  // both ended early: they shrank alike while open
    remaining -= static_cast<int64_t>(want);
    // Only a whole block gives the Cancel button its chance, so a pair
    // below 1 MiB is always compared to its end.
    if (want == kBlockSize) {
      view_.ProcessEvents();
      if (cancelled_) return FileResult::Cancelled;
    }
  }
  return FileResult::Same;
}

void CompareEngine::Failure(const FsError& failure, const std::string& context) {
  if (options_.DebugMode) throw common::DebugStop(failure.number, failure.Description());
  errorList_.AddError(context, failure);
}

}  // namespace compare

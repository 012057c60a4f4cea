#pragma once
// UpdateEngine: one synchronization run of the copy (destino) with its source
// (origen). It counts the source's files for the bar, then walks the source
// folder by folder: in each folder it pairs files, then subfolders, by name
// (case-insensitive), decides for each name one of five actions, and descends
// into every source subfolder. The progress view shows where it is and
// delivers the user's cancel.
//
// Failures never stop a run: each becomes one line of the ErrorList, except
// under /debug, where the first failure of an action's file step throws
// common::DebugStop and ends the run without a report.

#include <cstdint>
#include <string>

#include "common/core/Clock.h"
#include "common/core/FileSystem.h"
#include "common/core/ProgressView.h"
#include "update/core/ErrorList.h"
#include "update/core/Options.h"

namespace update {

class UpdateEngine {
 public:
  UpdateEngine(const Options& options, ErrorList& errorList, const common::FileSystem& fs,
               common::ProgressView& view, const common::Clock& clock);
  UpdateEngine(const UpdateEngine&) = delete;
  UpdateEngine& operator=(const UpdateEngine&) = delete;

  // The whole run: opens the view, expands the "%" macros under /vars,
  // refuses overlapping folders, counts, creates the destination under /ct,
  // synchronizes and closes the view (also when DebugStop leaves it).
  void Update(std::string origen, std::string destino);

  // The Cancelar click (or Ctrl+C): records the note once, disables the
  // button and sets Cancelled; the run stops after the action in progress.
  void Cancel();

  bool Cancelled = false;
  int64_t FilesDone = 0;   // source files handled: matched or created
  int64_t FilesTotal = 0;  // source files counted before the scan

 private:
  void SyncFolder(const std::string& source, const std::string& copy, common::LinkPolicy links);
  int64_t CountFiles(const std::string& folder, common::LinkPolicy links);
  static bool IsNewer(const common::EntryInfo& source, const common::EntryInfo& copy);

  void UpdateFile(const std::string& source, const std::string& copy,
                  const common::EntryInfo& sourceInfo);
  void CreateNewFile(const std::string& source, const std::string& copy,
                     const common::EntryInfo& sourceInfo);
  void CreateDir(const std::string& folder);
  void RemoveFile(const std::string& file);
  void RemoveDirTree(const std::string& folder, const common::EntryInfo& folderInfo);
  void ClearFileLabel();
  void ShowProgress();

  // Both roots resolved; true when one lies inside the other or both are one.
  static bool FoldersOverlap(const std::string& origen, const std::string& destino);
  void CopyGuarded(const std::string& source, const common::EntryInfo& sourceInfo,
                   const std::string& copy);
  void Trace(int32_t op, const char* keyword, const std::string& first,
             const std::string* second = nullptr);
  // A failed file step: an error line, or under /debug the end of the run.
  void Fail(const common::FsError& failure, const std::string& context);

  bool copiedAny_ = false;  // a copy reached the destination: flush it at the end

  const Options& options_;
  ErrorList& errorList_;
  const common::FileSystem& fs_;
  common::ProgressView& view_;
  const common::Clock& clock_;
};

}  // namespace update

#pragma once
// frmMain of update in Win32: the source and copy folders and the button
// that synchronizes them. Each click is one whole run with the command
// line's options; the window stays open afterwards with both paths.

#include <functional>
#include <string>

#include "common/win32/FolderPairForm.h"

namespace update::win32 {

class frmMain : public common::win32::FolderPairForm {
 public:
  // run: one whole run (RunUpdate) on the two texts as they stand.
  using Runner = std::function<void(const std::string& origen, const std::string& destino)>;

  frmMain(bool& mainFormLoaded, common::win32::Win32UserInterface& ui, Runner run);

 private:
  void cmdRun_Click() override;  // cmdActualizar

  Runner run_;
};

common::win32::AboutInfo AboutUpdate();

}  // namespace update::win32

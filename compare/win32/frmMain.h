#pragma once
// frmMain of compare in Win32: the folder to check, its copy, the
// quick-comparison check box and the button that compares them. Both
// folders must exist before a run starts; Ctrl+W closes the window, which
// ends the program.

#include <functional>
#include <string>

#include "common/win32/FolderPairForm.h"

namespace compare::win32 {

class frmMain : public common::win32::FolderPairForm {
 public:
  struct Actions {
    // One whole run (RunCompare) on the two texts as they stand.
    std::function<void(const std::string& origen, const std::string& destino, bool quick)> run;
    // Whether a text names an existing folder (relative: the current folder's).
    std::function<bool(const std::string& path)> dirExists;
  };

  // quick: the /q switch, which presets chkQuick.
  frmMain(bool& mainFormLoaded, common::win32::Win32UserInterface& ui, bool quick, Actions actions);

  bool PreviewKey(const MSG& msg) override;

 private:
  void cmdRun_Click() override;  // cmdComparar

  Actions actions_;
  HWND chkQuick;
};

common::win32::AboutInfo AboutCompare();

}  // namespace compare::win32

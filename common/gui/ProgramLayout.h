#pragma once
// The Qt windows of one program drawn from its ProgramLook: the layouts of
// its main and progress windows and what its About window shows.

#include <memory>

#include "common/gui/FolderPairForm.h"
#include "common/gui/ProgramLook.h"
#include "common/gui/ProgressWindow.h"
#include "common/gui/frmAbout.h"

namespace common {

FolderPairLayout MainLayout(const ProgramLook& look);
AboutInfo About(const ProgramLook& look);
// The program's progress window (frmUpdate, frmCompare).
std::unique_ptr<ProgressWindow> MakeProgressWindow(const ProgramLook& look);

// The base of a program's frmMain: the run state it is built on (Globals)
// and what its windows show (Look()), as the shared front end needs them.
template <class G, const ProgramLook& kLook>
class ProgramForm : public FolderPairForm {
 public:
  using Globals = G;
  static const ProgramLook& Look() { return kLook; }

 protected:
  ProgramForm(G& g, QtUserInterface& ui)
      : FolderPairForm(MainLayout(kLook), g.MainFormLoaded, About(kLook), ui), g_(g) {}

  G& g_;
};

}  // namespace common

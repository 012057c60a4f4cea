#include "compare/win32/Win32FrontEnd.h"

#include "common/core/FileFunction.h"
#include "common/win32/Win32FrontEnd.h"
#include "common/win32/resources/ResourceIds.h"
#include "compare/core/Globales.h"
#include "compare/gui/CompareLook.h"
#include "compare/win32/frmMain.h"

namespace compare::win32 {

std::unique_ptr<common::WindowFrontEnd> Win32Windows(Globales& g) {
  return std::make_unique<common::win32::Win32FrontEnd>(
      kCompareLook, IDI_COMPARE, g.MainFormLoaded, [&g](common::win32::Win32UserInterface& ui) {
        frmMain::Actions actions;
        actions.run = [&g, &ui](const std::string& origen, const std::string& destino, bool quick) {
          g.RunCompare(origen, destino, quick, ui);
        };
        actions.dirExists = [](const std::string& path) { return common::DirExists(path); };
        return std::make_unique<frmMain>(g.MainFormLoaded, ui, g.options.Quick, std::move(actions));
      });
}

}  // namespace compare::win32

#include "update/win32/Win32FrontEnd.h"

#include "common/win32/Win32FrontEnd.h"
#include "common/win32/resources/ResourceIds.h"
#include "update/core/Globales.h"
#include "update/gui/UpdateLook.h"
#include "update/win32/frmMain.h"

namespace update::win32 {

std::unique_ptr<common::WindowFrontEnd> Win32Windows(Globales& g) {
  return std::make_unique<common::win32::Win32FrontEnd>(
      kUpdateLook, IDI_UPDATE, g.MainFormLoaded, [&g](common::win32::Win32UserInterface& ui) {
        return std::make_unique<frmMain>(
            g.MainFormLoaded, ui,
            [&g, &ui](const std::string& origen, const std::string& destino) { g.RunUpdate(origen, destino, ui); });
      });
}

}  // namespace update::win32

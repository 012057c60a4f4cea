// Shows one of the Win32 windows with sample contents, for screenshots and
// for a look by hand:
//
//   win32_windows_demo <window> [--exit-after <seconds>]
//
// Windows: update-main, compare-main, seldir, update-progress,
// compare-progress, errores, about-update, about-compare, question,
// no-origin. The program ends when the window closes, or after the given
// seconds.

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/win32/MessageBox.h"
#include "common/win32/Win32FrontEnd.h"
#include "common/win32/frmAbout.h"
#include "common/win32/frmErrores.h"
#include "common/win32/frmSelDir.h"
#include "common/win32/resources/ResourceIds.h"
#include "compare/gui/CompareLook.h"
#include "compare/win32/frmMain.h"
#include "update/gui/UpdateLook.h"
#include "update/win32/frmMain.h"

namespace {

using namespace common::win32;

bool g_mainFormLoaded = false;

std::unique_ptr<Win32FrontEnd> UpdateWindows() {
  return std::make_unique<Win32FrontEnd>(
      update::kUpdateLook, IDI_UPDATE, g_mainFormLoaded, [](Win32UserInterface& ui) {
        return std::make_unique<update::win32::frmMain>(g_mainFormLoaded, ui,
                                                        [](const std::string&, const std::string&) {});
      });
}

std::unique_ptr<Win32FrontEnd> CompareWindows() {
  return std::make_unique<Win32FrontEnd>(
      compare::kCompareLook, IDI_COMPARE, g_mainFormLoaded, [](Win32UserInterface& ui) {
        compare::win32::frmMain::Actions actions;
        actions.run = [](const std::string&, const std::string&, bool) {};
        actions.dirExists = [](const std::string&) { return false; };
        return std::make_unique<compare::win32::frmMain>(g_mainFormLoaded, ui, true,
                                                         std::move(actions));
      });
}

int Loop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchOne(msg);
  return 0;
}

void Progress(Win32FrontEnd& windows, const char* path) {
  ProgressWindow& progress = windows.Progress();
  progress.Open([] {});
  progress.SetPathLabel(path);
  progress.SetFileLabel("Presupuesto de la reforma de la cocina (versi\u00f3n final).xlsx");
  progress.SetBar(42.5f);
  progress.ProcessEventsNow();
}

const std::vector<std::string> kErrorLines = {
    "Acceso denegado. (5) en copy \"C:\\Datos\\Fotos\\2026\\enero.jpg\" \"E:\\Copia\\Fotos\\2026\\enero.jpg\"",
    "Archivo creado: \"E:\\Copia\\Documentos\\Cartas\\a\u00f1o nuevo.docx\"",
    "Archivo eliminado: \"E:\\Copia\\Documentos\\borrador antiguo.txt\"",
    "El sistema no puede encontrar la ruta especificada. (3) en dir \"C:\\Datos\\M\u00fasica\"",
    "Cancelado por el usuario",
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  if (argc < 2) {
    MessageBoxW(nullptr, L"win32_windows_demo <ventana> [--exit-after <segundos>]", L"Demo", MB_OK);
    return 2;
  }
  const std::wstring which = argv[1];
  if (argc >= 4 && std::wstring(argv[2]) == L"--exit-after") {
    const UINT ms = static_cast<UINT>(_wtoi(argv[3])) * 1000;
    // Ends the demo whatever loop runs then, a modal one included.
    SetTimer(nullptr, 0, ms, [](HWND, UINT, UINT_PTR, DWORD) { ExitProcess(0); });
  }

  if (which == L"update-main" || which == L"compare-main") {
    auto windows = which == L"update-main" ? UpdateWindows() : CompareWindows();
    return windows->RunMainWindow("C:\\Datos\\Documentos");
  }
  if (which == L"update-progress" || which == L"compare-progress") {
    auto windows = which == L"update-progress" ? UpdateWindows() : CompareWindows();
    Progress(*windows, which == L"update-progress" ? "Comparando C:\\Datos\\Documentos\\Facturas"
                                                   : "Comparando C:\\Datos\\Fotos\\2026\\Vacaciones");
    return Loop();
  }
  if (which == L"seldir") {
    SetProgramIcon(IDI_UPDATE);
    frmSelDir picker(nullptr);
    SetWindowTextW(picker.Hwnd(), L"Directorio origen");
    picker.SelDir(L"C:\\windows");
    return 0;
  }
  if (which == L"errores") {
    SetProgramIcon(IDI_UPDATE);
    frmErrores window(kErrorLines);
    window.Show();
    return 0;
  }
  if (which == L"about-update" || which == L"about-compare") {
    const bool isUpdate = which == L"about-update";
    SetProgramIcon(isUpdate ? IDI_UPDATE : IDI_COMPARE);
    frmAbout about(isUpdate ? update::win32::AboutUpdate() : compare::win32::AboutCompare(),
                   nullptr);
    about.Show();
    return 0;
  }
  if (which == L"question") {
    auto windows = UpdateWindows();
    windows->ShowMainWindow("C:\\Datos\\Documentos");
    windows->Ui().AskToShowErrors("Actualizar");
    return 0;
  }
  if (which == L"no-origin") {
    auto windows = CompareWindows();
    FolderPairForm& main = windows->ShowMainWindow("C:\\No existe");
    ShowInformation(main.Hwnd(), L"Compare", L"El directorio de origen seleccionado no existe.");
    return 0;
  }
  MessageBoxW(nullptr, (L"Ventana desconocida: " + which).c_str(), L"Demo", MB_OK);
  return 2;
}

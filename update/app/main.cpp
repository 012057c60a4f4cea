// update: keeps a copy of a folder identical to its source.
#include "common/app/ProgramMain.h"
#include "update/core/Globales.h"
#if defined(PROGRAM_WITH_WINDOWS)
#include "update/gui/frmMain.h"
#elif defined(PROGRAM_WITH_WIN32_WINDOWS)
#include "update/win32/Win32FrontEnd.h"
#endif

int main(int argc, char** argv) {
  return common::ProgramMain<update::Globales>(argc, argv, {
      .main = update::UpdateMain, .mainFromText = update::UpdateMainFromText,
#if defined(PROGRAM_WITH_WINDOWS)
      .windows = common::QtWindows<update::QtFrontEnd>,
#elif defined(PROGRAM_WITH_WIN32_WINDOWS)
      .windows = update::win32::Win32Windows,
#endif
  });
}

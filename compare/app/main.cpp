// compare: lists every difference between a folder and its copy.
#include "common/app/ProgramMain.h"
#include "compare/core/Globales.h"
#if defined(PROGRAM_WITH_WINDOWS)
#include "compare/gui/frmMain.h"
#elif defined(PROGRAM_WITH_WIN32_WINDOWS)
#include "compare/win32/Win32FrontEnd.h"
#endif

int main(int argc, char** argv) {
  return common::ProgramMain<compare::Globales>(argc, argv, {
      .main = compare::CompareMain, .mainFromText = compare::CompareMainFromText,
#if defined(PROGRAM_WITH_WINDOWS)
      .windows = common::QtWindows<compare::QtFrontEnd>,
#elif defined(PROGRAM_WITH_WIN32_WINDOWS)
      .windows = compare::win32::Win32Windows,
#endif
  });
}

// compare: lists every difference between a folder and its copy.
#include <memory>
#include <string>
#include <vector>

#include "common/core/Console.h"
#include "common/core/mCmdLine.h"
#include "compare/core/Globales.h"
#ifdef COMPARE_WITH_WINDOWS
#include "common/gui/WindowStart.h"
#include "compare/gui/frmMain.h"
#endif
#ifdef COMPARE_WITH_WIN32_WINDOWS
#include "compare/win32/Win32FrontEnd.h"
#endif

int main(int argc, char** argv) {
  common::UseUserMessages();
  compare::Globales g;
  std::unique_ptr<common::WindowFrontEnd> windows;
#ifdef COMPARE_WITH_WINDOWS
  // With a display the program shows its windows; without one (or when it
  // cannot be reached) everything goes through the console.
  if (common::DisplayAvailable())
    windows = common::StartWindows(argv[0], [&g] { return std::make_unique<compare::QtFrontEnd>(g); });
#endif
#ifdef COMPARE_WITH_WIN32_WINDOWS
  // Started from the desktop the program shows its Win32 windows; from a
  // console or a scheduled task it stays in the console.
  if (common::DisplayAvailable()) windows = compare::win32::Win32Windows(g);
#endif
#ifdef _WIN32
  // Windows gives the program its argument text whole; the parser splits it
  // as it stands.
  (void)argc;
  (void)argv;
  return compare::CompareMainFromText(common::ProcessArgumentText(), g, windows.get());
#else
  return compare::CompareMain(std::vector<std::string>(argv + 1, argv + argc), g, windows.get());
#endif
}

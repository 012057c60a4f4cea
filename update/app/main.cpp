// update: keeps a copy of a folder identical to its source.
#include <memory>
#include <string>
#include <vector>

#include "common/core/Console.h"
#include "common/core/mCmdLine.h"
#include "update/core/Globales.h"
#ifdef UPDATE_WITH_WINDOWS
#include "common/gui/WindowStart.h"
#include "update/gui/frmMain.h"
#endif
#ifdef UPDATE_WITH_WIN32_WINDOWS
#include "update/win32/Win32FrontEnd.h"
#endif

int main(int argc, char** argv) {
  common::UseUserMessages();
  update::Globales g;
  std::unique_ptr<common::WindowFrontEnd> windows;
#ifdef UPDATE_WITH_WINDOWS
  // With a display the program shows its windows; without one (or when it
  // cannot be reached) everything goes through the console.
  if (common::DisplayAvailable())
    windows = common::StartWindows(argv[0], [&g] { return std::make_unique<update::QtFrontEnd>(g); });
#endif
#ifdef UPDATE_WITH_WIN32_WINDOWS
  // Started from the desktop the program shows its Win32 windows; from a
  // console or a scheduled task it stays in the console.
  if (common::DisplayAvailable()) windows = update::win32::Win32Windows(g);
#endif
#ifdef _WIN32
  // Windows gives the program its argument text whole; the parser splits it
  // as it stands.
  (void)argc;
  (void)argv;
  return update::UpdateMainFromText(common::ProcessArgumentText(), g, windows.get());
#else
  return update::UpdateMain(std::vector<std::string>(argv + 1, argv + argc), g, windows.get());
#endif
}

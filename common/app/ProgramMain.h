#pragma once
// main() of both programs. With a display the program shows its windows:
// Qt ones where the program's target defines PROGRAM_WITH_WINDOWS, Win32
// ones where it defines PROGRAM_WITH_WIN32_WINDOWS. Without a display (or
// when it cannot be reached) everything goes through the console. Free of
// Qt headers, so that the program builds the same with or without windows.

#include <memory>
#include <string>
#include <vector>

#include "common/core/Console.h"
#include "common/core/WindowFrontEnd.h"
#include "common/core/mCmdLine.h"
#ifdef PROGRAM_WITH_WINDOWS
#include "common/gui/WindowStart.h"
#endif

namespace common {

// What main() needs of one program.
template <class Globals>
struct ProgramParts {
  int (*main)(const std::vector<std::string>& args, Globals& g, WindowFrontEnd* windows);
  int (*mainFromText)(const std::string& argumentText, Globals& g, WindowFrontEnd* windows);
  // The program's windows; nullptr when it has none.
  std::unique_ptr<WindowFrontEnd> (*windows)(Globals& g) = nullptr;
};

// The windows of a Qt front end (update::QtFrontEnd...) as ProgramParts takes them.
template <class FrontEnd, class Globals>
std::unique_ptr<WindowFrontEnd> QtWindows(Globals& g) {
  return std::make_unique<FrontEnd>(g);
}

template <class Globals>
int ProgramMain(int argc, char** argv, const ProgramParts<Globals>& program) {
  UseUserMessages();
  Globals g;
  std::unique_ptr<WindowFrontEnd> windows;
  // Started from a console or a scheduled task a Windows program stays in
  // the console.
  if (program.windows && DisplayAvailable()) {
#ifdef PROGRAM_WITH_WINDOWS
    windows = StartWindows(argv[0], [&] { return program.windows(g); });
#else
    windows = program.windows(g);
#endif
  }
#ifdef _WIN32
  // Windows gives the program its argument text whole; the parser splits it
  // as it stands.
  (void)argc;
  (void)argv;
  return program.mainFromText(ProcessArgumentText(), g, windows.get());
#else
  return program.main(std::vector<std::string>(argv + 1, argv + argc), g, windows.get());
#endif
}

}  // namespace common

#include <clocale>
#include <memory>
#include <string>
#include <vector>

#include "compare/core/Globales.h"
#ifdef COMPARE_WITH_WINDOWS
#include "common/core/Console.h"
#include "compare/gui/WindowStart.h"
#endif

int main(int argc, char** argv) {
  // Messages (strerror) in the user's language, and in the user's character
  // set so that accented letters survive. Names are compared independently
  // of the locale, so nothing else depends on it.
  std::setlocale(LC_MESSAGES, "");
  std::setlocale(LC_CTYPE, "");
  compare::Globales g;
  std::unique_ptr<common::WindowFrontEnd> windows;
#ifdef COMPARE_WITH_WINDOWS
  // With a display the program shows its windows; without one (or when it
  // cannot be reached) everything goes through the console.
  if (common::DisplayAvailable()) windows = compare::StartWindows(argv[0], g);
#endif
  return compare::CompareMain(std::vector<std::string>(argv + 1, argv + argc), g, windows.get());
}

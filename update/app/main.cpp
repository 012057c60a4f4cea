// update: keeps a copy of a folder identical to its source.
#include <libintl.h>

#include <clocale>
#include <memory>
#include <string>
#include <vector>

#include "update/core/Globales.h"
#ifdef UPDATE_WITH_WINDOWS
#include "common/core/Console.h"
#include "update/gui/WindowStart.h"
#endif

int main(int argc, char** argv) {
  // Messages only (strerror in Spanish where the system has it): the name
  // comparison must not depend on the locale. The character type stays "C",
  // so the C library is told to give its messages in UTF-8 rather than
  // replace every accented letter.
  std::setlocale(LC_MESSAGES, "");
  bind_textdomain_codeset("libc", "UTF-8");
  update::Globales g;
  std::unique_ptr<common::WindowFrontEnd> windows;
#ifdef UPDATE_WITH_WINDOWS
  // With a display the program shows its windows; without one (or when it
  // cannot be reached) everything goes through the console.
  if (common::DisplayAvailable()) windows = update::StartWindows(argv[0], g);
#endif
  return update::UpdateMain(std::vector<std::string>(argv + 1, argv + argc), g, windows.get());
}
